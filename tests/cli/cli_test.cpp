// The pdferr command as a process: exit status, standard output and error
// byte for byte, and the files it writes, on synthetic data written here.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdint>

#include "band.hpp"
#include "grid_writer.hpp"
#include "pdferr/band.hpp"
#include "pdferr/grid_member.hpp"
#include "pdferr/table_set.hpp"
#include "pdferr/uncertainty.hpp"
#include "pdferr/version.h"
#include "pds_writer.hpp"
#include "process.hpp"

namespace {

using testsupport::ProcessResult;
using testsupport::TempDir;

// Pair k of the synthetic sets moves the density by +-5% k of a shape.
int variation = 0;  // +k or -k: the member being written
double moved(double base, double x) {
  const int k = std::abs(variation);
  const double sign = variation < 0 ? -1.0 : 1.0;
  return k == 0 ? base : base * (1.0 + sign * 0.05 * k * (k == 1 ? 1.0 - x : std::sqrt(x)));
}
double table_value(int ip, double x, double t) {
  return moved(testsupport::realistic_value(ip, x, t), x);
}

// Grid members 0, +-1, +-2 and table sets t0, tp1, tm1, tp2, tm2 with their
// descriptions, and the covariance of the two coefficients.
struct Data {
  TempDir dir;
  Data() {
    for (int m : {0, 1, -1, 2, -2}) {
      variation = m;
      const std::string grid = testsupport::grid_text_fine([](int c, int i, int j) {
        const double x = testsupport::x_node(i), q2 = testsupport::q2_node(j);
        return moved((1.0 + c) * 0.4 * std::pow(x, -1.1) * std::pow(1.0 - x, 4.0) *
                         (1.0 + 0.03 * std::log(q2)),
                     x);
      });
      dir.write(pdferr::GridMember::file_name(m), grid);
      const std::string name = m == 0 ? "t0" : (m > 0 ? "tp" : "tm") + std::to_string(std::abs(m));
      dir.write(name + ".pds",
                testsupport::pds_text(testsupport::make_table(30, 8, 5, 2, table_value)));
    }
    dir.write("grid.members",
              "pdferr-members 1\nsource grid\nhessian 1 sigma\ncentral 0\npair 1 1 -1\n"
              "pair 2 2 -2\n");
    dir.write("table.members",
              "pdferr-members 1\nsource table\nhessian 90%\ncentral t0.pds\n"
              "pair 1 tp1.pds tm1.pds\npair 2 tp2.pds tm2.pds\n");
    dir.write("cov.csv", "1, 0.5\n0.5, 2\n");
    dir.write("points.csv", "x,Q2\n1e-4,10\n0.003,100\n0.05,1000\n0.3,10000\n0.7,20\n");
  }
  ProcessResult run(const std::vector<std::string>& args) const {
    // Built by appending: g++ 12 warns falsely of bounds in an insert at the front.
    std::vector<std::string> command{PDFERR_PROGRAM};
    command.insert(command.end(), args.begin(), args.end());
    return testsupport::run_process(command, dir.path());
  }
  // The command run by the shell after `before` (such as "ulimit -f 16;"),
  // its standard output redirected as `redirect` says (such as ">/dev/full").
  ProcessResult shell(const std::string& before, std::vector<std::string> args,
                      const std::string& redirect = "") const {
    args.insert(args.begin(),
                {"/bin/sh", "-c", before + " exec \"$0\" \"$@\" " + redirect, PDFERR_PROGRAM});
    return testsupport::run_process(args, dir.path());
  }
  std::string read(const std::string& name) const { return testsupport::read_file(dir.file(name)); }
};

// The numbers of a CSV line, from the field `from` on.
std::vector<double> numbers(const std::string& line, std::size_t from = 0) {
  std::vector<double> out;
  std::stringstream in(line);
  std::string field;
  for (std::size_t i = 0; std::getline(in, field, ','); ++i) {
    double v = 0;
    std::from_chars(field.data(), field.data() + field.size(), v);
    if (i >= from) out.push_back(v);
  }
  return out;
}

// The lines of text that do not start with #.
std::vector<std::string> rows(const std::string& text) {
  std::vector<std::string> out;
  std::stringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line[0] != '#') out.push_back(line);
  }
  return out;
}

void expect_bits(double got, double want) {
  EXPECT_EQ(std::bit_cast<std::uint64_t>(got), std::bit_cast<std::uint64_t>(want))
      << got << " against " << want;
}

TEST(Cli, HelpOnEveryCommandAndVersion) {
  const Data d;
  for (const char* command : {"", "check", "eval", "band", "merge"}) {
    std::vector<std::string> args = {"--help"};
    if (*command != '\0') args.insert(args.begin(), command);
    const ProcessResult r = d.run(args);
    EXPECT_EQ(r.status, 0) << command;
    EXPECT_NE(r.out.find("Usage:"), std::string::npos) << command;
  }
  const ProcessResult v = d.run({"--version"});
  EXPECT_EQ(v.status, 0);
#ifdef PDFERR_CLI_HAS_MPI
  EXPECT_EQ(v.out, std::string("pdferr ") + pdferr_version() + ", with MPI\n");
#else
  EXPECT_EQ(v.out, std::string("pdferr ") + pdferr_version() + ", without MPI\n");
#endif
  EXPECT_NE(d.run({}).status, 0);
  EXPECT_NE(d.run({"band", "grid.members"}).status, 0);  // no flavour, no points
}

// Every file is checked, the good ones listed on standard output and each
// bad one named with its line and field on standard error: cases of the
// readers' bad-file catalogue, one run over all of them.
TEST(Cli, CheckReportsEveryBadFile) {
  const Data d;
  const std::string good = d.read("t0.pds");
  const auto first_lines = [&](int n) {
    std::size_t end = 0;
    for (int k = 0; k < n; ++k) end = good.find('\n', end) + 1;
    return good.substr(0, end);
  };
  const auto changed = [](void (*change)(testsupport::PdsTable&)) {
    testsupport::PdsTable t = testsupport::make_table(30, 8, 5, 2, table_value);
    change(t);
    return testsupport::pds_text(t);
  };
  std::string letters = good;
  letters.replace(letters.find(" 2 4.9999"), 9, " two 4.9999");
  std::string grid = d.read("PELK-GRID.NLO");
  struct Case {
    std::string name, text;
    std::string out, err;  // the line on either stream, after "NAME: " or "pdferr check: "
  };
  const Case cases[] = {
      {"t0.pds", good, "table set, x nodes 0..30, t nodes 0..8, flavours -5..5", ""},
      {"cut.pds", first_lines(3), "", "cut.pds, line 3: end of file before record B"},
      {"letters.pds", letters, "", "letters.pds, line 3, record A: unreadable real"},
      {"nodes.pds", changed([](testsupport::PdsTable& t) { t.xv[3] = t.xv[4]; }), "",
       "nodes.pds, line 17, record E: x node 5 = 0.0024734158063935674 is not above x node 4 = "
       "0.0024734158063935674"},
      {"alambda.pds", changed([](testsupport::PdsTable& t) { t.alambda = 0; }), "",
       "alambda.pds, line 3, record A: alambda = 0 is not above 0"},
      {"nan.pds", changed([](testsupport::PdsTable& t) { t.values[99] = std::nan(""); }), "",
       "nan.pds, line 39, record F: table value 100 = nan is not finite"},
      {"nx.pds", changed([](testsupport::PdsTable& t) { t.nx = 250; }), "",
       "nx.pds, line 7, record C: nx = 250 outside 3 to 201"},
      {"PELK-GRID.NLO", grid, "grid member, 47 x nodes, 30 Q2 nodes, columns 1..6", ""},
      {"short.grid", grid.substr(0, grid.size() / 2), "",
       "short.grid, line 691: the file ends before this line; a grid file has 1380 lines"},
      {"field.grid", std::string(grid).replace(13 * 6 + 1, 3, "x.x"), "",
       "field.grid, line 2, field 1: not a number"},
      {"grid.members", d.read("grid.members"), "Hessian set of 5 grid members, all loaded", ""},
      {"pair.members", "pdferr-members 1\nsource grid\nhessian 1 sigma\ncentral 0\npair 2 1 -1\n",
       "",
       "pair.members, line 5, pair: pair 2 where pair 1 comes next: pairs are numbered 1, 2, ... "
       "in order"},
      {"missing.members",
       "pdferr-members 1\nsource grid\nhessian 1 sigma\ncentral 0\npair 1 1 -1\npair 2 7 -7\n", "",
       "missing.members: member 4 of 5: pelk-plus-07.grid: cannot open: No such file or "
       "directory"},
      {"absent.pds", "", "", "absent.pds: cannot be opened (No such file or directory)"},
  };
  std::vector<std::string> args = {"check"};
  std::string out, err;
  int bad = 0;
  for (const Case& c : cases) {
    if (c.name != "absent.pds") d.dir.write(c.name, c.text);
    args.push_back(c.name);
    if (c.err.empty()) out += c.name + ": " + c.out + "\n";
    if (!c.err.empty()) err += "pdferr check: " + c.err + "\n";
    bad += c.err.empty() ? 0 : 1;
  }
  // The fixture's table sets are coarse at small x (CoarseNodesWarn).
  const auto without_warnings = [](const std::string& text) {
    std::string kept;
    std::size_t start = 0;
    while (start < text.size()) {
      const std::size_t end = text.find('\n', start) + 1;
      const std::string line = text.substr(start, end - start);
      if (line.find(": warning: ") == std::string::npos) kept += line;
      start = end;
    }
    return kept;
  };
  const ProcessResult r = d.run(args);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, out);
  EXPECT_EQ(without_warnings(r.err), err + "pdferr check: " + std::to_string(bad) + " of " +
                                         std::to_string(std::size(cases)) + " files are bad\n");
  const ProcessResult ok = d.run({"check", "t0.pds", "table.members"});
  EXPECT_EQ(ok.status, 0);
  EXPECT_EQ(without_warnings(ok.err), "");
}

// eval gives the value types' bits, and warns where a table set is
// extrapolated; a bad points file is named with its line and field.
TEST(Cli, EvalGivesTheValuesOfTheValueTypes) {
  const Data d;
  d.dir.write("q.csv", "# x and Q\nx,Q\n1e-6,5\n0.01,3.5\n\n0.5,100\n");
  const ProcessResult t = d.run({"eval", "t0.pds", "--points", "q.csv", "--flavour", "-2"});
  EXPECT_EQ(t.status, 0) << t.err;
  const pdferr::TableSet set(d.dir.file("t0.pds"));
  EXPECT_EQ(t.err.rfind("pdferr eval: warning: point 1 (x 1e-06, Q 5) lies outside the nodes of "
                        "t0.pds (x ",
                        0),
            0u)
      << t.err;
  EXPECT_EQ(t.err.find("point 2"), std::string::npos);
  const std::vector<std::string> table_rows = rows(t.out);
  ASSERT_EQ(table_rows.size(), 4u);
  EXPECT_EQ(table_rows[0], "x,Q,f-2");
  const double points[3][2] = {{1e-6, 5}, {0.01, 3.5}, {0.5, 100}};
  for (int i = 0; i < 3; ++i) {
    expect_bits(numbers(table_rows[i + 1], 2)[0], set.value(-2, points[i][0], points[i][1]));
  }

  const ProcessResult g = d.run({"eval", "pelk-minus-02.grid", "--x", "1e-4:0.5:4", "--q2", "50"});
  EXPECT_EQ(g.status, 0) << g.err;
  EXPECT_EQ(g.err, "");
  const ProcessResult numbered =
      d.run({"eval", "--member", "-2", "--dir", d.dir.path(), "--x", "1e-4:0.5:4", "--q2", "50"});
  EXPECT_EQ(numbered.out, g.out);
  const std::vector<std::string> grid_rows = rows(g.out);
  ASSERT_EQ(grid_rows.size(), 5u);
  EXPECT_EQ(grid_rows[0], "x,Q2,c1,c2,c3,c4,c5,c6");
  const pdferr::GridMember member(d.dir.file("pelk-minus-02.grid"));
  for (std::size_t i = 1; i < grid_rows.size(); ++i) {
    const std::vector<double> v = numbers(grid_rows[i]);
    const std::array<double, 6> want = member.values(v[0], 50.0);
    for (int c = 0; c < 6; ++c) expect_bits(v[2 + c], want[c]);
  }

  struct Bad {
    std::string points;
    std::vector<std::string> args;
    std::string err;
  };
  const Bad bad[] = {
      {"x,Q\n0.1,10\n0.2,ten\n",
       {"eval", "t0.pds"},
       "pdferr eval: p.csv, line 3, Q: \"ten\" is not a finite number\n"},
      {"x,Q\n0.1,10,3\n",
       {"eval", "t0.pds"},
       "pdferr eval: p.csv, line 2, x: 3 fields where 2 are expected\n"},
      {"x,Q3\n",
       {"eval", "t0.pds"},
       "pdferr eval: p.csv, line 1, header: \"x,Q3\" is not \"x,Q\" or \"x,Q2\"\n"},
      {"x,Q2\n2e-6,10\n", {"eval", "PELK-GRID.NLO"}, ""},
      {"x,Q\n0.1,10\n",
       {"eval", "t0.pds", "--flavour", "6"},
       "pdferr eval: flavour 6 is outside -5..5 of t0.pds\n"},
      {"x,Q\n0.1,10\n",
       {"eval", "PELK-GRID.NLO", "--column", "0"},
       "pdferr eval: column 0 is outside 1..6 of a grid member\n"},
  };
  for (const Bad& b : bad) {
    SCOPED_TRACE(b.points);
    d.dir.write("p.csv", b.points);
    std::vector<std::string> args = b.args;
    args.insert(args.end(), {"--points", "p.csv"});
    const ProcessResult r = d.run(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    if (!b.err.empty()) {
      EXPECT_EQ(r.err, b.err);
    } else {
      EXPECT_EQ(r.err.rfind("pdferr eval: ", 0), 0u) << r.err;
    }
  }
}

// The band's CSV bytes are the same for the serial run, for every split
// into --block k/K parts merged in any order, and under mpirun -n 1, 2, 3.
TEST(Cli, BandSameBytesForEverySplit) {
  const Data d;
  const std::vector<std::string> band = {
      "band",    "grid.members", "--points", "points.csv", "--column", "3",          "--cov",
      "cov.csv", "--draws",      "600",      "--seed",     "1234",     "--position", "77"};
  const auto run_band = [&](std::vector<std::string> more) {
    std::vector<std::string> args = band;
    args.insert(args.end(), more.begin(), more.end());
    return d.run(args);
  };
  const ProcessResult serial = run_band({"-o", "serial"});
  ASSERT_EQ(serial.status, 0) << serial.err;
  EXPECT_EQ(serial.err, "");  // no progress line off a terminal
  EXPECT_EQ(serial.out,
            "generator: seed 1234, starting position 77 (this part: 77), stride 8192\n"
            "written: serial.csv, serial.svg\n");
  const std::string csv = d.read("serial.csv");
  EXPECT_EQ(csv.substr(0, csv.find('\n') + 1),
            std::string("# pdferr ") + pdferr_version() + " band\n");
  EXPECT_NE(csv.find("# generator seed 1234, starting position 77; blocks of 256 draws, block b "
                     "from position 77 + b * 8192\n"),
            std::string::npos);

  for (int parts : {1, 3, 5}) {  // 600 draws: blocks of 256, 256, 88; 5 parts leave some empty
    SCOPED_TRACE(parts);
    std::vector<std::string> merge = {"merge", "-o", "merged"};
    for (int k = parts; k >= 1; --k) {
      const std::string block = std::to_string(k) + "/" + std::to_string(parts);
      const ProcessResult r = run_band({"--block", block, "-o", "b"});
      ASSERT_EQ(r.status, 0) << r.err;
      merge.push_back("b-" + std::to_string(k) + "-of-" + std::to_string(parts) + ".part");
    }
    const ProcessResult m = d.run(merge);
    ASSERT_EQ(m.status, 0) << m.err;
    EXPECT_EQ(m.out, "written: merged.csv, merged.svg\n");
    EXPECT_EQ(d.read("merged.csv"), csv);
    EXPECT_EQ(d.read("merged.svg"), d.read("serial.svg"));
  }
#ifdef PDFERR_MPIEXEC
  setenv("OMPI_ALLOW_RUN_AS_ROOT", "1", 1);
  setenv("OMPI_ALLOW_RUN_AS_ROOT_CONFIRM", "1", 1);
  setenv("OMPI_MCA_rmaps_base_oversubscribe", "1", 1);
#ifdef __SANITIZE_ADDRESS__
  // Open MPI keeps allocations past MPI_Finalize: not ours to report.
  const char* asan = std::getenv("ASAN_OPTIONS");
  setenv("ASAN_OPTIONS", (std::string(asan ? asan : "") + ":detect_leaks=0").c_str(), 1);
#endif
  for (const char* ranks : {"1", "2", "3"}) {
    SCOPED_TRACE(ranks);
    std::vector<std::string> args = {PDFERR_MPIEXEC, "-n", ranks, "--oversubscribe",
                                     PDFERR_PROGRAM};
    args.insert(args.end(), band.begin(), band.end());
    args.insert(args.end(), {"-o", "mpi"});
    const ProcessResult r = testsupport::run_process(args, d.dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "generator: seed 1234, starting position 77 (this part: 77), stride 8192\n"
              "written: mpi.csv, mpi.svg\n");
    EXPECT_EQ(d.read("mpi.csv"), csv);
  }
  // A fault every rank meets is reported once.
  d.dir.write("asym.csv", "1, 0.5\n0.4, 2\n");
  std::vector<std::string> args = {PDFERR_MPIEXEC, "-n", "2", "--oversubscribe", PDFERR_PROGRAM};
  args.insert(args.end(), band.begin(), band.end());
  std::replace(args.begin(), args.end(), std::string("cov.csv"), std::string("asym.csv"));
  args.insert(args.end(), {"-o", "refused"});
  const ProcessResult r = testsupport::run_process(args, d.dir.path());
  EXPECT_NE(r.status, 0);
  const std::string fault = "pdferr band: asym.csv, line 2, column 1: the matrix is not symmetric";
  EXPECT_NE(r.err.find(fault), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find(fault), r.err.rfind(fault)) << r.err;
  EXPECT_EQ(d.read("refused.csv"), "");
#endif

  // The Monte Carlo band of this linear model: F = F0 + c1 D1 + c2 D2 has
  // the standard deviation sqrt(D^T C D); 600 draws estimate it within a few
  // per cent (the relative error of a standard deviation is about
  // 1 / sqrt(2 N) = 2.9%), and the mean lies within 4 of its errors.
  const std::vector<std::string> lines = rows(csv);
  EXPECT_EQ(lines[0],
            "x,Q2,central,hessian,hessian_plus,hessian_minus,mc_mean,mc_sd,mc_low,"
            "mc_high");
  const pdferr::GridMember f0(d.dir.file("PELK-GRID.NLO")), f1(d.dir.file("pelk-plus-01.grid")),
      f2(d.dir.file("pelk-plus-02.grid"));
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::vector<double> v = numbers(lines[i]);
    const double d1 = f1.values(v[0], v[1])[2] - v[2], d2 = f2.values(v[0], v[1])[2] - v[2];
    const double sd = std::sqrt(d1 * d1 + 2 * 0.5 * d1 * d2 + 2 * d2 * d2);
    EXPECT_NEAR(v[7] / sd, 1.0, 0.12) << lines[i];
    EXPECT_NEAR(v[6], v[2], 4 * sd / std::sqrt(600.0)) << lines[i];
    EXPECT_LT(v[8], v[6]);
    EXPECT_GT(v[9], v[6]);
  }
  const std::string svg = d.read("serial.svg");
  EXPECT_EQ(svg.substr(0, svg.find('\n') + 1),
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"760\" height=\"560\" "
            "font-family=\"sans-serif\" font-size=\"12\">\n");
  EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
  for (const char* part :
       {"<svg", "grid.members: grid members, column 3, Q2 from 10 to 10000 GeV", "bands at 1 sigma",
        "Monte Carlo interval, 600 draws", "Hessian band", ">x</text>", "value / central value",
        "10<tspan dy=\"-6\" font-size=\"9\">\u22124<"}) {
    EXPECT_NE(svg.find(part), std::string::npos) << part;
  }
}

// The numbers of one serial band pinned, its Hessian and Monte Carlo
// columns (with the toolkit's correctly rounded functions: labelled so).
TEST(CliPinned, BandNumbers) {
  const Data d;
  const ProcessResult r =
      d.run({"band", "grid.members", "--points", "points.csv", "--column", "3", "--cov", "cov.csv",
             "--draws", "600", "--seed", "1234", "--position", "77", "-o", "pinned"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string csv = d.read("pinned.csv");
  EXPECT_EQ(csv.substr(csv.find("\nx,") + 1),
            "x,Q2,central,hessian,hessian_plus,hessian_minus,mc_mean,mc_sd,mc_low,mc_high\n"
            "1e-04,10,32211.93,1610.7570807930656,1610.7520817928503,1610.762079793287,"
            "32220.987237512334,1612.5044036843108,30576.493571768082,33778.84319886087\n"
            "0.003,100,804.1368,40.327442396493446,40.327447857383646,40.327436935664494,"
            "804.5668205017546,42.22100403233055,761.177207582514,846.1229825862384\n"
            "0.05,1000,32.47710812730517,1.7030726676842187,1.7030745058510313,1.7030708295176697,"
            "32.52485122381993,2.108226149746192,30.33592444049727,34.60384362149262\n"
            "0.3,10000,1.3825991601706773,0.08986890780368617,0.08986890780358904,"
            "0.08986890780378334,1.3871163555280768,0.13302352669732684,1.2493289303883968,"
            "1.5128137680503235\n"
            "0.7,20,0.01568317452045736,0.0013330670096348243,0.0013330662763627616,"
            "0.0013330677429070823,0.01575873676530539,0.0019877436236317553,"
            "0.013792658132320286,0.017602022622696833\n");
}

// The Hessian columns of a table set at 90%, stated at one sigma: the
// formulas of the error-set library on the members' values, in member order.
TEST(Cli, BandHessianOfTableSets) {
  const Data d;
  const ProcessResult r = d.run(
      {"band", "table.members", "--x", "1e-6:0.6:3", "--q", "20", "--flavour", "1", "-o", "t"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "written: t.csv, t.svg\n");
  EXPECT_EQ(
      r.err.rfind("pdferr band: warning: point 1 (x 1e-06, Q 20) lies outside the nodes of ", 0),
      0u)
      << r.err;
  const std::vector<std::string> lines = rows(d.read("t.csv"));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "x,Q,central,hessian,hessian_plus,hessian_minus");
  namespace unc = pdferr::uncertainty;
  std::vector<pdferr::TableSet> sets;
  for (const char* name : {"t0", "tp1", "tm1", "tp2", "tm2"}) {
    sets.emplace_back(d.dir.file(std::string(name) + ".pds"));
  }
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::vector<double> v = numbers(lines[i]);
    double f[5];
    for (int m = 0; m < 5; ++m) f[m] = sets[m].value(1, v[0], v[1]);
    const unc::HessianErrors e =
        unc::rescale(unc::hessian(f, 2), unc::Confidence::central(0.9), unc::Confidence::sigmas(1));
    expect_bits(v[2], f[0]);
    expect_bits(v[3], e.symmetric);
    expect_bits(v[4], e.plus);
    expect_bits(v[5], e.minus);
  }
}

// A replica description gives the replica band without --cov: per point
// the central member (the mean where the set has none), the replicas' mean,
// standard deviation, interval at the level and count, the formulas of the
// error-set library on the members' values.
TEST(Cli, BandOfReplicas) {
  const Data d;
  d.dir.write("rep.members",
              "pdferr-members 1\nsource grid\nreplicas\ncentral 0\nreplica 1 -1 2 -2\n");
  d.dir.write("bare.members", "pdferr-members 1\nsource grid\nreplicas\nreplica 1 -1 2 -2\n");
  namespace unc = pdferr::uncertainty;
  std::vector<pdferr::GridMember> members;
  for (int m : {0, 1, -1, 2, -2}) {
    members.emplace_back(d.dir.file(pdferr::GridMember::file_name(m)));
  }
  for (const bool central : {true, false}) {
    SCOPED_TRACE(central);
    const ProcessResult r = d.run({"band", central ? "rep.members" : "bare.members", "--points",
                                   "points.csv", "--column", "2", "--level", "90%", "-o", "r"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> lines = rows(d.read("r.csv"));
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "x,Q2,central,replica_mean,replica_sd,replica_low,replica_high,replicas");
    for (std::size_t i = 1; i < lines.size(); ++i) {
      const std::vector<double> v = numbers(lines[i]);
      double f[4];
      for (int m = 0; m < 4; ++m) f[m] = members[m + 1].values(v[0], v[1])[1];
      const double mean = unc::mean(f, 4);
      const unc::Interval in = unc::central_interval(f, 4, unc::Confidence::central(0.9));
      expect_bits(v[2], central ? members[0].values(v[0], v[1])[1] : mean);
      expect_bits(v[3], mean);
      expect_bits(v[4], unc::standard_deviation(f, 4));
      expect_bits(v[5], in.low);
      expect_bits(v[6], in.high);
      EXPECT_EQ(v[7], 4.0);
    }
  }
  EXPECT_NE(d.read("r.svg").find("replica interval, 4 replicas"), std::string::npos);
}

// Refusals: exit status 1, nothing written, the fault on standard error.
TEST(Cli, BandAndMergeRefusals) {
  const Data d;
  const std::vector<std::string> band = {"band",       "grid.members", "--points",
                                         "points.csv", "--column",     "3"};
  for (const char* k : {"1", "2"}) {
    std::vector<std::string> args = band;
    args.insert(args.end(), {"--cov", "cov.csv", "--block", std::string(k) + "/2"});
    ASSERT_EQ(d.run(args).status, 0);
  }
  std::vector<std::string> other = band;
  other.insert(other.end(), {"--cov", "cov.csv", "--seed", "5", "--block", "2/2", "-o", "other"});
  ASSERT_EQ(d.run(other).status, 0);
  const std::string part = d.read("band-1-of-2.part");
  d.dir.write("cut-1-of-2.part", part.substr(0, part.size() - 8));
  // One bit flipped; and every key of point 1 set to its largest, the
  // CRC-32C made anew (5 points, 5120 draws in part 1).
  const std::size_t keys_at = part.size() - 8 - 8 * 5 * 5120;
  std::string bad = part;
  bad[keys_at + 8 * 4000 + 2] ^= 4;
  d.dir.write("flipped-1-of-2.part", bad);
  bad = part;
  for (std::size_t i = 0; i < 5119; ++i)
    bad.replace(keys_at + 8 * i, 8, part, keys_at + 8 * 5119, 8);
  const std::uint64_t crc = pdferr::uncertainty::crc32c(bad.data(), bad.size() - 8);
  for (int i = 0; i < 8; ++i) bad[bad.size() - 8 + i] = static_cast<char>(crc >> (8 * i));
  d.dir.write("edited-1-of-2.part", bad);
  d.dir.write("asym.csv", "1, 0.5\n0.4, 2\n");
  d.dir.write("singular.csv", "1, 1\n1, 1\n");
  d.dir.write("three.csv", "1,0,0\n0,1,0\n0,0,1\n");
  d.dir.write("ragged.csv", "1,0\n0\n");
  struct Case {
    std::vector<std::string> args;  // after the band's, or a whole merge
    std::string err;
  };
  const Case cases[] = {
      {{"--cov", "asym.csv"},
       "pdferr band: asym.csv, line 2, column 1: the matrix is not symmetric: row 2, column 1 "
       "differs from row 1, column 2\n"},
      {{"--cov", "ragged.csv"},
       "pdferr band: ragged.csv, line 2, row 2: 1 columns in a matrix of 2 rows\n"},
      {{"--cov", "singular.csv"}, ""},
      {{"--cov", "three.csv"},
       "pdferr band: three.csv, line 0: a covariance of order 3 for 2 variations in "
       "grid.members\n"},
      {{"--block", "1/2"}, "pdferr band: --block splits the draws: give --cov\n"},
      {{"--cov", "cov.csv", "--block", "1/18446744073709551615"},
       "pdferr band: --block 1/18446744073709551615: K parts of 10000 draws: K may be at most the "
       "count of draws\n"},
      {{"--level", "68"},
       "pdferr band: --level \"68\": want \"N sigma\" or a central probability (\"90%\")\n"},
      {{"merge", "band-1-of-2.part"},
       "pdferr merge: 1 partial results given where band-1-of-2.part is one of 2\n"},
      {{"merge", "band-1-of-2.part", "band-1-of-2.part"},
       "pdferr merge: band-1-of-2.part and band-1-of-2.part are both part 1 of 2\n"},
      {{"merge", "band-1-of-2.part", "other-2-of-2.part"},
       "pdferr merge: other-2-of-2.part is a part of another run than band-1-of-2.part\n"},
      {{"merge", "cut-1-of-2.part", "band-2-of-2.part"},
       "pdferr merge: cut-1-of-2.part: the keys end early\n"},
      {{"merge", "flipped-1-of-2.part", "band-2-of-2.part"},
       "pdferr merge: flipped-1-of-2.part: the CRC-32C does not match the content\n"},
      // (its numbers follow the grid's logarithms: the message up to them)
      {{"merge", "band-2-of-2.part", "edited-1-of-2.part"},
       "pdferr merge: edited-1-of-2.part: point 1: the keys' mean 38122.98..."},
      {{"merge", "band-1-of-2.part", "cov.csv"},
       "pdferr merge: cov.csv: not a partial result of pdferr band --block\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    std::vector<std::string> args = c.args;
    if (c.args[0] != "merge") args.insert(args.begin(), band.begin(), band.end());
    args.insert(args.end(), {"-o", "refused"});
    const ProcessResult r = d.run(args);
    EXPECT_EQ(r.status, 1);
    if (c.err.ends_with("...")) {
      EXPECT_EQ(r.err.substr(0, c.err.size() - 3), c.err.substr(0, c.err.size() - 3)) << r.err;
      EXPECT_NE(r.err.find(" disagrees with the moments' 32208.84"), std::string::npos) << r.err;
    } else if (!c.err.empty()) {
      EXPECT_EQ(r.err, c.err);
    } else {
      EXPECT_NE(r.err.find("not positive definite"), std::string::npos) << r.err;
    }
    EXPECT_EQ(d.read("refused.csv"), "");
  }
}

// Files made from CSV on the nodes load back through the value types to
// the CSV's values, to the precision of each format, and inspect lists what
// was written; faulty CSV files are refused with the line and field.
TEST(Cli, MadeFilesLoadBack) {
  const Data d;
  // A table of slots -2..1 at x nodes 0.001, 0.01, 0.1, 0.5, 1 and Q nodes
  // 2, 5, 20, 100, without x = 0 (its values are then 0).
  const double xs[] = {0.001, 0.01, 0.1, 0.5, 1.0}, qs[] = {2, 5, 20, 100};
  const auto table_value = [](int s, double x, double q) {
    return (3.0 + s) * (1.0 - 0.5 * x) * (1.0 + 0.01 * q);
  };
  std::string csv = "x,Q,s-2,s-1,s0,s1\n";
  for (double q : qs) {
    for (double x : xs) {
      csv += std::to_string(x) + "," + std::to_string(q);
      for (int s = -2; s <= 1; ++s) csv += "," + std::to_string(table_value(s, x, q));
      csv += "\n";
    }
  }
  d.dir.write("table.csv", csv);
  const ProcessResult t = d.run({"make-table", "--csv", "table.csv", "-o", "made.pds"});
  ASSERT_EQ(t.status, 0) << t.err;
  const pdferr::TableSet set(d.dir.file("made.pds"));
  ASSERT_EQ(set.nx(), 5);
  ASSERT_EQ(set.nt(), 3);
  EXPECT_EQ(set.MxFlvN0(), 2);
  EXPECT_EQ(set.mxval(), 1);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(set.x_nodes()[i + 1], std::stod(std::to_string(xs[i])));
  for (double q : qs) {
    for (double x : xs) {
      // Flavour 2 reads slot -2 (above mxval): the interpolation at a node
      // gives the node's value up to rounding.
      for (int f = -2; f <= 2; ++f) {
        const double want = table_value(f <= 1 ? f : -f, x, q);
        EXPECT_NEAR(set.value(f, x, q), want, 1e-12 * want) << f << " " << x << " " << q;
      }
    }
  }
  const ProcessResult i = d.run({"inspect", "made.pds"});
  EXPECT_EQ(i.status, 0);
  EXPECT_NE(i.out.find("counts: nx 5 (x nodes 0..5), nt 3 (t nodes 0..3), MxFlvN0 2, mxval 1, "
                       "96 values\nslots -2..1; flavours -2..2: flavour f reads slot f, and slot "
                       "-f above 1\nnode ranges: x 0.001..1, Q "),
            std::string::npos)
      << i.out;

  // A grid from the template of its nodes.
  ASSERT_EQ(d.run({"make-grid", "--nodes", "-o", "nodes.csv"}).status, 0);
  const std::vector<std::string> nodes = rows(d.read("nodes.csv"));
  ASSERT_EQ(nodes.size(), 1381u);
  const auto grid_value = [](int c, double x, double q2) {
    return (c % 2 == 0 ? 1.0 : -1.0) * c * std::pow(x, -0.5) * (1.0 - x) * std::log(q2 + 2.0);
  };
  std::string gcsv = "x,Q2,c1,c2,c3,c4,c5,c6\n";
  for (std::size_t k = nodes.size() - 1; k >= 1; --k) {  // in reverse: any order will do
    const std::vector<double> p = numbers(nodes[k]);
    gcsv += nodes[k];
    for (int c = 1; c <= 6; ++c) {
      char b[32];
      std::snprintf(b, sizeof b, ",%.17g", grid_value(c, p[0], p[1]));
      gcsv += b;
    }
    gcsv += "\n";
  }
  d.dir.write("grid.csv", gcsv);
  const ProcessResult g = d.run({"make-grid", "--csv", "grid.csv", "-o", "made.grid"});
  ASSERT_EQ(g.status, 0) << g.err;
  const pdferr::GridMember member(d.dir.file("made.grid"));
  for (std::size_t k = 1; k < nodes.size(); k += 7) {
    const std::vector<double> p = numbers(nodes[k]);
    if (p[1] < pdferr::GridMember::q2_min()) continue;  // Q2 node 0.8 lies outside the domain
    const std::array<double, 6> v = member.values(p[0], p[1]);
    for (int c = 1; c <= 6; ++c) {
      // Six digits for positive values, five for negative ones.
      const double want = grid_value(c, p[0], p[1]);
      EXPECT_NEAR(v[c - 1], want, (want > 0 ? 5e-6 : 5e-5) * std::abs(want)) << nodes[k];
    }
  }
  for (const char* model : {"make-table", "make-grid"}) {
    const std::string out = std::string("model.") + (model[5] == 't' ? "pds" : "grid");
    ASSERT_EQ(d.run({model, "--model", "--vary", "0.1", "-o", out}).status, 0);
    EXPECT_EQ(d.run({"check", out}).status, 0);
  }

  struct Bad {
    const char* command;
    std::string csv;
    std::string err;
  };
  const std::string head = "x,Q,s0,s1\n";
  const Bad bad[] = {
      {"make-table", "x,Q,s1,s2\n0.1,2,1,1\n",
       "pdferr make-table: bad.csv, line 1, header: want x,Q,s-M,...,sV: the flavour slots -M..V "
       "in order, from a slot at or below 0 to one at or above 0\n"},
      {"make-table", head + "0.1,2,1,1\n0.2,2,1,1\n0.3,2,1,1\n0.1,3,1,1\n",
       "pdferr make-table: bad.csv, line 0, nodes: 3 x nodes above 0 and 2 Q nodes: a table takes "
       "3..201 x nodes above 0 and 4..26 Q nodes\n"},
      {"make-table", head + "0.1,2,1,x\n",
       "pdferr make-table: bad.csv, line 2, s1: \"x\" is not a "
       "finite number\n"},
      {"make-grid", "x,Q2,c1,c2,c3,c4,c5,c6\n0.123,10,1,2,3,4,5,6\n",
       "pdferr make-grid: bad.csv, line 2, x: 0.123 is not within a relative 1e-6 of one of the "
       "46 x nodes of a grid file (pdferr make-grid --nodes lists them)\n"},
      {"make-grid", "x,Q2,c1,c2,c3,c4,c5,c6\n1e-05,10,1,2,3,4,5,6\n",
       "pdferr make-grid: bad.csv, line 0, nodes: no line for the node pair (x 1e-05, Q2 0.8): a "
       "grid file has all 1380\n"},
  };
  for (const Bad& b : bad) {
    SCOPED_TRACE(b.csv);
    d.dir.write("bad.csv", b.csv);
    const ProcessResult r = d.run({b.command, "--csv", "bad.csv", "-o", "bad.out"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, b.err);
    EXPECT_EQ(d.read("bad.out"), "");
  }
}

// Bad counts, blocks, seeds, positions and ranges are refused when the
// command line is parsed, before any file is read.
TEST(Cli, OptionsRefusedWhenParsed) {
  const Data d;
  const std::vector<std::string> band = {
      "band", "grid.members", "--points", "points.csv", "--column", "3", "--cov", "cov.csv"};
  struct Case {
    std::vector<std::string> args;
    std::string err;  // the first line
  };
  const std::string draws =
      "--draws: want a count of at least 2 draws (and at most "
      "18446744073709551615)";
  const std::string block = "--block: want k/K with whole numbers 1 <= k <= K";
  const Case cases[] = {
      {{"--draws", "-5"}, draws},
      {{"--draws", "1"}, draws},
      {{"--draws", "18446744073709551616"}, draws},
      {{"--draws", "2x"}, draws},
      {{"--block", ""}, block},
      {{"--block", "0/2"}, block},
      {{"--block", "3/2"}, block},
      {{"--block", "1/18446744073709551616"}, block},
      {{"--block", "1/2/3"}, block},
      {{"--seed", "-1"}, "--seed: Value -1 not in range 0 to 900000000"},
      {{"--seed", "900000001"}, "--seed: Value 900000001 not in range 0 to 900000000"},
      {{"--position", "-1"}, "--position: Value -1 not in range 0 to 2147483647999999999"},
      {{"eval", "t0.pds", "--q", "10", "--x", "0:1:3"},
       "--x: want LOW:HIGH:N with 0 < LOW <= HIGH and a count N of at least 1"},
      {{"eval", "t0.pds", "--q", "10", "--x", "1e-3:1:3:4"},
       "--x: want LOW:HIGH:N with 0 < LOW <= HIGH and a count N of at least 1"},
      {{"eval", "t0.pds", "--q", "10", "--x", "1e-3:1e-4:3"},
       "--x: want LOW:HIGH:N with 0 < LOW <= HIGH and a count N of at least 1"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    if (c.args[0] != "eval") args.insert(args.begin(), band.begin(), band.end());
    SCOPED_TRACE(args.back());
    const ProcessResult r = d.run(args);
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')), c.err);
    EXPECT_EQ(r.out, "");
  }
  const ProcessResult tiny = d.run({"eval", "t0.pds", "--x", "1e-320:1e-300:3", "--q", "10"});
  EXPECT_EQ(tiny.status, 1);
  EXPECT_EQ(tiny.out, "");
  EXPECT_EQ(tiny.err.substr(tiny.err.rfind("pdferr eval: point")),
            "pdferr eval: point 0: x = 1e-320 between 0 and 1e-150, the smallest positive x\n");
  const ProcessResult m = d.run({"eval", "grid.members", "--q2", "10", "--x", "0.1:0.1:1"});
  EXPECT_EQ(m.status, 1);
  EXPECT_EQ(m.err,
            "pdferr eval: grid.members: a member-set description, not a table set or grid member: "
            "give it to pdferr band, or one of its members to eval\n");
}

// No output may be one of the inputs, however it is named: the run is
// refused before anything is written and the input is left as it was.
TEST(Cli, OutputNeverAnInput) {
  const Data d;
  ASSERT_EQ(symlink("t0.pds", d.dir.file("link.pds").c_str()), 0);
  ASSERT_EQ(link(d.dir.file("points.csv").c_str(), d.dir.file("hard.csv").c_str()), 0);
  d.dir.write("q.csv", "anything");
  d.dir.write("nodes.csv", "x,Q,s0\n");
  const std::vector<std::string> band = {"band",       "grid.members", "--points",
                                         "points.csv", "--column",     "3"};
  struct Case {
    std::vector<std::string> args;
    std::string input, output;  // as named in the message
  };
  const Case cases[] = {
      {{"eval", "t0.pds", "--points", "points.csv", "-o", "t0.pds"}, "t0.pds", "t0.pds"},
      {{"eval", "t0.pds", "--points", "points.csv", "-o", "link.pds"}, "t0.pds", "link.pds"},
      {{"eval", "t0.pds", "--points", "points.csv", "-o", "hard.csv"}, "points.csv", "hard.csv"},
      {{"-o", "points"}, "points.csv", "points.csv"},
      {{"-o", "hard"}, "points.csv", "hard.csv"},
      {{"--cov", "cov.csv", "-o", "cov"}, "cov.csv", "cov.csv"},
      {{"--cov", "cov.csv", "--block", "1/2", "-o", "cov.csv-1-of-2.part"}, "", ""},
      {{"merge", "q.csv", "-o", "q"}, "q.csv", "q.csv"},
      {{"make-table", "--csv", "nodes.csv", "-o", "nodes.csv"}, "nodes.csv", "nodes.csv"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    if (c.args[0][0] == '-') args.insert(args.begin(), band.begin(), band.end());
    SCOPED_TRACE(args.back());
    const std::string before = d.read("points.csv") + d.read("t0.pds") + d.read("cov.csv") +
                               d.read("q.csv") + d.read("nodes.csv");
    const ProcessResult r = d.run(args);
    if (c.input.empty()) {  // cov.csv-1-of-2.part is no input
      EXPECT_EQ(r.status, 0) << r.err;
      continue;
    }
    EXPECT_EQ(r.status, 1);
    const std::string command = args[0] == "make-table" ? "make-table" : args[0];
    EXPECT_EQ(r.err, "pdferr " + command + ": the output " + c.output + " is the input " + c.input +
                         ": give another output; nothing was written\n");
    EXPECT_EQ(d.read("points.csv") + d.read("t0.pds") + d.read("cov.csv") + d.read("q.csv") +
                  d.read("nodes.csv"),
              before);
  }
}

// Standard output that cannot be written is an error of every command.
TEST(Cli, FullStandardOutputIsAnError) {
  const Data d;
  ASSERT_EQ(d.run({"band", "grid.members", "--points", "points.csv", "--column", "3", "--cov",
                   "cov.csv", "--block", "1/1"})
                .status,
            0);
  const std::vector<std::string> runs[] = {
      {"check", "t0.pds"},
      {"inspect", "t0.pds"},
      {"eval", "t0.pds", "--x", "1e-4:0.5:2000", "--q", "10"},
      {"eval", "t0.pds", "--x", "0.1:0.1:1", "--q", "10"},
      {"band", "grid.members", "--points", "points.csv", "--column", "3"},
      {"merge", "band-1-of-1.part"},
      {"make-grid", "--nodes", "-o", "nodes.csv"},  // writes nothing there: no error
      {"--help"},
  };
  for (const auto& args : runs) {
    SCOPED_TRACE(args[0]);
    const ProcessResult r = d.shell("", args, ">/dev/full");
    const std::string command = args[0] == "--help" ? "pdferr" : "pdferr " + args[0];
    if (args[0] == "make-grid") {
      EXPECT_EQ(r.status, 0);
      continue;
    }
    EXPECT_EQ(r.status, 1);
    // The last line: check and inspect warn of the fixture's coarse nodes first.
    const std::size_t last = r.err.rfind('\n', r.err.size() - 2) + 1;
    EXPECT_EQ(r.err.substr(last, r.err.find(" (", last) - last),
              command + ": standard output: cannot be written");
  }
}

// A write that fails on a full disk or at the file size limit leaves the
// old file as it was, and no temporary file beside it.
TEST(Cli, WritesWholeOrNotAtAll) {
  const Data d;
  const std::vector<std::string> writers[] = {
      {"make-table", "--model", "-o"},
      {"make-grid", "--model", "-o"},
      {"eval", "t0.pds", "--x", "1e-4:0.5:2000", "--q", "10", "-o"},
      {"band", "grid.members", "--points", "points.csv", "--column", "3", "--cov", "cov.csv",
       "--block", "1/1", "-o"},
  };
  const auto check_all = [&](const std::string& folder, const std::string& before,
                             const char* reason) {
    for (const auto& w : writers) {
      SCOPED_TRACE(w[0] + " into " + folder);
      const bool part = w[0] == "band";
      const std::string name = folder + "/out" + (part ? "-1-of-1.part" : "");
      d.dir.write(name, "the old content");
      std::vector<std::string> args = w;
      args.push_back(folder + "/out");
      const ProcessResult r = d.shell(before, args);
      EXPECT_EQ(r.status, 1);
      EXPECT_EQ(r.err, "pdferr " + w[0] + ": " + name + ": cannot be written (" + reason + ")\n");
      EXPECT_EQ(d.read(name), "the old content");
      const ProcessResult ls = testsupport::run_process({"/bin/ls", "-A", folder}, d.dir.path());
      EXPECT_EQ(ls.out, name.substr(folder.size() + 1) + "\n");
      std::remove(d.dir.file(name).c_str());
    }
  };
  ASSERT_EQ(mkdir(d.dir.file("limited").c_str(), 0755), 0);
  check_all("limited", "ulimit -f 16;", "File too large");
  ASSERT_EQ(mkdir(d.dir.file("full").c_str(), 0755), 0);
  if (testsupport::run_process({"/bin/mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", "full"},
                               d.dir.path())
          .status != 0) {
    GTEST_SKIP() << "no tmpfs of 64 KiB could be mounted (the test needs root): the full-disk "
                    "half is skipped";
  }
  check_all("full", "", "No space left on device");
  testsupport::run_process({"/bin/umount", "full"}, d.dir.path());
}

// Every input is read boundedly and only from a regular file: a FIFO or
// device is refused at once (never waited for), a line beyond 4 MiB is
// refused where it starts.
TEST(Cli, InputsBoundedAndRegular) {
  const Data d;
  ASSERT_EQ(mkfifo(d.dir.file("fifo.pds").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo(d.dir.file("fifo.part").c_str(), 0600), 0);
  const std::string& long_line = testsupport::long_line_file();
  const std::vector<std::string> band = {"band",       "grid.members", "--points",
                                         "points.csv", "--column",     "3"};
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const std::string device = "/dev/zero, line 0: cannot be opened (not a regular file)\n";
  const std::string too_long = long_line + ", line 1: line longer than 4194304 bytes\n";
  const Case cases[] = {
      {{"eval", "t0.pds", "--points", "/dev/zero"}, "pdferr eval: " + device},
      {{"--cov", "/dev/zero"}, "pdferr band: " + device},
      {{"eval", "t0.pds", "--points", long_line}, "pdferr eval: " + too_long},
      {{"--cov", long_line}, "pdferr band: " + too_long},
      {{"make-table", "--csv", long_line, "-o", "out.pds"}, "pdferr make-table: " + too_long},
      {{"eval", "fifo.pds", "--x", "0.1:0.1:1", "--q", "10"},
       "pdferr eval: fifo.pds: cannot be opened (not a regular file)\n"},
      {{"check", "fifo.pds"},
       "pdferr check: fifo.pds: cannot be opened (not a regular file)\n"
       "pdferr check: 1 of 1 files are bad\n"},
      {{"merge", "fifo.part"}, "pdferr merge: fifo.part: not a regular file\n"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    if (c.args[0][0] == '-') args.insert(args.begin(), band.begin(), band.end());
    SCOPED_TRACE(args[0] + " " + args[1]);
    const ProcessResult r = d.run(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, c.err);
  }
}

// A grid file of blank lines loads (blank fields read as 0), but check
// warns of it, and of a column that is 0 at every node.
TEST(Cli, CheckWarnsOfZeroColumns) {
  const Data d;
  d.dir.write("blank.grid", std::string(5000, '\n'));
  d.dir.write("zero.grid", testsupport::grid_text_fine(
                               [](int c, int, int) { return c == 1 || c == 4 ? 0.0 : 1.0; }));
  const ProcessResult r = d.run({"check", "blank.grid", "zero.grid", "PELK-GRID.NLO"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err,
            "pdferr check: warning: blank.grid: every value is 0 at every node: is this the grid "
            "file meant?\npdferr check: warning: zero.grid: columns 2 5 0 at every node\n");
}

// A refused value of a record that spreads over several lines is named at
// its own line: alambda on line 3 of a file whose record A goes on to line 4.
TEST(Cli, TableFileErrorsNameTheLineOfTheValue) {
  const Data d;
  ASSERT_EQ(d.run({"make-table", "--model", "-o", "m.pds"}).status, 0);
  std::string text = d.read("m.pds");
  const std::size_t line3 = text.find('\n', text.find('\n') + 1) + 1;
  ASSERT_EQ(text.compare(line3, 9, " 2 5 0.2 "), 0) << text.substr(0, 200);
  ASSERT_EQ(text.find('\n', line3), text.find("\n 1.3 4.5 174\n"));  // record A: lines 3, 4
  text.replace(line3 + 5, 3, "-1");
  d.dir.write("m.pds", text);
  const ProcessResult r = d.run({"check", "m.pds"});
  EXPECT_EQ(r.err.substr(0, r.err.find('\n')),
            "pdferr check: m.pds, line 3, record A: alambda = -1 is not above 0");
}

// The quick-look plot: where the central value is 0 the ratio has a gap
// (the curves split there, no 0/0 drawn as 1), and the Hessian band is its
// two edges, never a closed outline.
TEST(Cli, BandSvgLeavesZeroCentralValuesOut) {
  pdferr::cli::BandInputs s;
  s.title = "my.members: grid members, column 1";
  s.scale = "Q2";
  s.level = "1 sigma";
  s.x = {1e-4, 1e-3, 1e-2, 0.1, 0.9};
  s.given = std::vector<double>(5, 100.0);
  s.central = {4, 3, 2, 1, 0};
  s.hessian = true;
  s.plus = s.minus = s.symmetric = {0.4, 0.3, 0.2, 0.1, 0.05};
  const std::string svg = pdferr::cli::band_svg(s, nullptr);
  const auto count = [&svg](const std::string& part) {
    std::size_t n = 0;
    for (auto at = svg.find(part); at != std::string::npos; at = svg.find(part, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("<polygon"), 0u);
  // Values: 2 edges and the central value, whole; ratios: the same over the first four points.
  EXPECT_EQ(count("<polyline"), 6u);
  EXPECT_EQ(count("nan"), 0u);
  EXPECT_NE(svg.find("my.members: grid members, column 1, Q2 = 100 GeV\u00b2, bands at 1 sigma"),
            std::string::npos);
  EXPECT_NE(svg.find(">10<tspan dy=\"-6\" font-size=\"9\">\u22121</tspan></text>"),
            std::string::npos);
}

}  // namespace
