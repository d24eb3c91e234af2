// Data found by name: pdferr list, descriptions and numbers on
// PDFERR_DATA_PATH, grid coordinates written as decimals, and the warning
// on table nodes too coarse for their values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "process.hpp"

namespace {

using testsupport::ProcessResult;
using testsupport::TempDir;

ProcessResult run(const std::string& cwd, const std::vector<std::string>& args) {
  std::vector<std::string> argv(1 + args.size());
  argv[0] = PDFERR_PROGRAM;
  std::copy(args.begin(), args.end(), argv.begin() + 1);
  return testsupport::run_process(argv, cwd);
}

// The lines of text that contain `part`.
std::string lines_with(const std::string& text, const std::string& part) {
  std::string out;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find('\n', start) + 1;
    const std::string line = text.substr(start, end - start);
    if (line.find(part) != std::string::npos) out += line;
    start = end;
  }
  return out;
}

std::string without_line(std::string text, const std::string& start) {
  const std::size_t at = text.find(start);
  return at == std::string::npos ? text : text.erase(at, text.find('\n', at) + 1 - at);
}

// A shelf of data on the path: a Hessian set of grid members by number, a
// table set, and in the working folder a central member of its own.
struct Shelf {
  TempDir work, shelf;
  testsupport::ScopedEnvironment path{"PDFERR_DATA_PATH", (":" + shelf.path() + ":").c_str()};
  Shelf() {
    const std::string s = shelf.path();
    const char* members[][2] = {
        {"PELK-GRID.NLO", "0"}, {"pelk-plus-01.grid", "0.05"}, {"pelk-minus-01.grid", "-0.04"}};
    for (const auto& [name, vary] : members) {
      EXPECT_EQ(run(s, {"make-grid", "--model", "--vary", vary, "-o", name}).status, 0);
    }
    EXPECT_EQ(run(s, {"make-table", "--model", "-o", "zemo.00.pds"}).status, 0);
    shelf.write("mysets.members",
                "pdferr-members 1\nsource grid\nhessian 1 sigma\ncentral 0\npair 1 1 -1\n");
    EXPECT_EQ(
        run(work.path(), {"make-grid", "--model", "--vary", "0.5", "-o", "PELK-GRID.NLO"}).status,
        0);
  }
};

TEST(Cli, NamesOnTheDataPath) {
  const Shelf d;
  const std::string w = d.work.path(), s = d.shelf.path();
  // list: the path's folders, then the working folder, each file loaded.
  const ProcessResult l = run(w, {"list"});
  EXPECT_EQ(l.status, 0) << l.err;
  EXPECT_EQ(l.out.substr(0, l.out.find('\n') + 1), "PDFERR_DATA_PATH: " + s + "\n");
  EXPECT_EQ(lines_with(l.out, "members"),
            "  mysets.members: member set \"mysets\": Hessian, 3 grid members (central and 1 "
            "pair), 1 sigma\n");
  EXPECT_EQ(lines_with(l.out, "PELK-GRID.NLO"),
            "  PELK-GRID.NLO: grid member 0: x 1e-05..1, Q2 1..1e+06\n"
            "  PELK-GRID.NLO: grid member 0: x 1e-05..1, Q2 1..1e+06 (hidden by the one in " +
                s + ")\n");
  EXPECT_EQ(lines_with(l.out, "table set").substr(0, 31), "  zemo.00.pds: table set 100: x");
  EXPECT_NE(l.out.find("\n. (the working folder)\n"), std::string::npos);

  // The description by name, and by its path: the same band.
  const std::vector<std::string> band = {"--x", "1e-3:0.5:5", "--q2", "100", "--column", "2"};
  std::vector<std::string> by_name = {"band", "mysets", "-o", "by-name"};
  std::vector<std::string> by_path = {"band", s + "/mysets.members", "-o", "by-path"};
  by_name.insert(by_name.end(), band.begin(), band.end());
  by_path.insert(by_path.end(), band.begin(), band.end());
  ASSERT_EQ(run(w, by_name).status, 0);
  ASSERT_EQ(run(w, by_path).status, 0);
  const std::string named = testsupport::read_file(w + "/by-name.csv");
  EXPECT_NE(named.find("# members mysets:"), std::string::npos);
  EXPECT_EQ(without_line(named, "# members"),
            without_line(testsupport::read_file(w + "/by-path.csv"), "# members"));

  EXPECT_EQ(run(w, {"inspect", "mysets"}).out,
            s + "/mysets.members: member set \"mysets\": Hessian, 3 grid members (central and 1 "
                "pair), 1 sigma\n");
  const ProcessResult c = run(w, {"check", "mysets", "zemo.00.pds"});
  EXPECT_EQ(c.status, 0) << c.err;
  EXPECT_EQ(c.out, s + "/mysets.members: Hessian set of 3 grid members, all loaded\n" + s +
                       "/zemo.00.pds: table set, x nodes 0..60, t nodes 0..16, flavours -5..5\n");
  // A number: the path before the working folder, unless --dir comes first.
  const ProcessResult e = run(w, {"eval", "--member", "0", "--x", "0.1:0.1:1", "--q2", "10"});
  const ProcessResult e_here =
      run(w, {"eval", s + "/PELK-GRID.NLO", "--x", "0.1:0.1:1", "--q2", "10"});
  const ProcessResult e_dir =
      run(w, {"eval", "--member", "0", "--dir", ".", "--x", "0.1:0.1:1", "--q2", "10"});
  EXPECT_EQ(e.out, e_here.out);
  EXPECT_NE(e_dir.out, e.out);
  EXPECT_EQ(run(w, {"band", "absent", "--x", "0.1:0.2:2", "--q2", "10", "--column", "1"}).err,
            "pdferr band: absent: no description absent.members in PDFERR_DATA_PATH or in the "
            "working folder\n");

  // A file on the path that does not load: listed, and the status says so.
  d.shelf.write("broken.grid", "1\n");
  const ProcessResult bad = run(w, {"list"});
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(lines_with(bad.out, "broken"), "  broken.grid: does not load\n");
  EXPECT_EQ(bad.err, s + "/broken.grid, line 2: the file ends before this line; a grid file has "
                         "1380 lines\n");
}

// make-grid takes coordinates written as decimals: the nearest node within
// a relative 1e-6, on both sides of the tolerance's edges; inspect shows
// the held x nodes and the decimals.
TEST(Cli, GridNodesAsPeopleWriteThem) {
  TempDir d;
  ASSERT_EQ(run(d.path(), {"make-grid", "--nodes", "-o", "nodes.csv"}).status, 0);
  std::string csv = testsupport::read_file(d.file("nodes.csv"));
  std::string values = "x,Q2,c1,c2,c3,c4,c5,c6\n";
  for (std::size_t start = csv.find('\n') + 1; start < csv.size();) {
    const std::size_t end = csv.find('\n', start);
    values += csv.substr(start, end - start) + ",1,2,3,4,5,6\n";
    start = end + 1;
  }
  d.write("held.csv", values);
  ASSERT_EQ(run(d.path(), {"make-grid", "--csv", "held.csv", "-o", "held.grid"}).status, 0);
  const std::string held = testsupport::read_file(d.file("held.grid"));
  // x node 21, held as 0.05999999865889549 (1e-6 of it: 5.999999865889549e-8),
  // and Q2 node 9, 100 (1e-6 of it: 1e-4).
  struct Case {
    std::string x, q2;
    bool taken;
  };
  const Case cases[] = {
      {"0.06", "100", true},
      {"0.060000058658894", "100", true},  // 1.5e-16 inside the upper edge
      {"0.060000058658895", "100", false},
      {"0.059999938658897", "100", true},  // 1.7e-16 inside the lower edge
      {"0.059999938658896", "100", false},
      {"0.06", "100.00009999999", true},
      {"0.06", "100.00010000001", false},
      {"0.06", "99.99990000001", true},
      {"0.06", "99.99989999999", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.x + " " + c.q2);
    std::string text = values;
    const std::string line = "\n0.05999999865889549,100,";
    text.replace(text.find(line), line.size(), "\n" + c.x + "," + c.q2 + ",");
    d.write("written.csv", text);
    const ProcessResult r = run(d.path(), {"make-grid", "--csv", "written.csv", "-o", "w.grid"});
    EXPECT_EQ(r.status, c.taken ? 0 : 1);
    if (c.taken) {
      EXPECT_EQ(testsupport::read_file(d.file("w.grid")), held);
    } else {
      EXPECT_NE(r.err.find("is not within a relative 1e-6 of one of the"), std::string::npos);
    }
  }
  const ProcessResult i = run(d.path(), {"inspect", "held.grid"});
  EXPECT_NE(i.out.find(" 0.045 0.05999999865889549 0.07999999821186066 "), std::string::npos);
  EXPECT_NE(i.out.find(" 0.045 0.06 0.08 "), std::string::npos);
}

// check and inspect warn where the table's values make the interpolation
// clamp to zero between positive nodes, or give zero on a whole interval
// beside a positive node; a smooth table on fine nodes gets no warning.
TEST(Cli, CoarseTableNodesWarn) {
  TempDir d;
  ASSERT_EQ(run(d.path(), {"make-table", "--model", "-o", "fine.pds"}).status, 0);
  EXPECT_EQ(run(d.path(), {"check", "fine.pds"}).err, "");
  // Slot -1 is 1 / x^4, falling by 10^4 from x node 1 to 2: the blends fall
  // below zero between x nodes 2 and 4.  Slot 0 is x - 0.5, negative below
  // x = 0.5 and just above zero at the next node.
  std::string csv = "x,Q,s-1,s0\n";
  const char* xs[] = {"0.01", "0.1", "0.2", "0.4", "0.5000001", "0.6", "0.8", "1"};
  const double xv[] = {0.01, 0.1, 0.2, 0.4, 0.5000001, 0.6, 0.8, 1};
  for (const char* q : {"2", "5", "10", "20"}) {
    for (int k = 0; k < 8; ++k) {
      char line[96];
      std::snprintf(line, sizeof line, "%s,%s,%.17g,%.17g\n", xs[k], q,
                    1 / (xv[k] * xv[k] * xv[k] * xv[k]), xv[k] - 0.5);
      csv += line;
    }
  }
  d.write("coarse.csv", csv);
  ASSERT_EQ(run(d.path(), {"make-table", "--csv", "coarse.csv", "-o", "coarse.pds"}).status, 0);
  const ProcessResult c = run(d.path(), {"check", "coarse.pds"});
  EXPECT_EQ(c.status, 0);
  // Flavour 1 reads slot -1 (mxval is 0).
  std::string expected;
  for (const char* w :
       {"-1: the interpolation along x clamps to zero between x 0.2 and 0.4 at Q "
        "2.0000000000000004 (4 intervals in all)",
        "-1: the interpolation along x is zero on the whole interval between x 0.1 and 0.2 at Q "
        "2.0000000000000004, beside a node of non-zero value (4 intervals in all)",
        "0: the interpolation along x is zero on the whole interval between x 0.4 and 0.5000001 "
        "at Q 2.0000000000000004, beside a node of non-zero value (4 intervals in all)",
        "1: the interpolation along x clamps to zero between x 0.2 and 0.4 at Q "
        "2.0000000000000004 (4 intervals in all)",
        "1: the interpolation along x is zero on the whole interval between x 0.1 and 0.2 at Q "
        "2.0000000000000004, beside a node of non-zero value (4 intervals in all)"}) {
    expected += std::string("pdferr check: warning: coarse.pds: flavour ") + w +
                ": the nodes are too coarse for the values there\n";
  }
  EXPECT_EQ(c.err, expected);
  const ProcessResult i = run(d.path(), {"inspect", "coarse.pds"});
  std::string as_inspect = c.err;
  for (std::size_t at = 0; (at = as_inspect.find("pdferr check", at)) != std::string::npos;) {
    as_inspect.replace(at + 7, 5, "inspect");
    at += 14;
  }
  EXPECT_EQ(i.err, as_inspect);
}

}  // namespace
