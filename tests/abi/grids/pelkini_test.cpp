// pelkini: loading into pelkgrid, the formatting variants, the failures of a
// bad file, and a file rewritten while it is read.
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bad_files.hpp"
#include "grids_testing.hpp"
#include "pdferr/grid_member.hpp"
#include "pdferr/grids.h"

namespace {

using gridtest::same_bits;
using testsupport::Layout;

class GridLoad : public gridtest::InScratchDir {};

TEST_F(GridLoad, FillsTheBlockFromTheCodedMember) {
  write("pelk-plus-07.grid", gridtest::coded_member());
  pelkini(7);
  EXPECT_EQ(pelkgrid.nnodes[0], 47);
  EXPECT_EQ(pelkgrid.nnodes[1], 30);
  EXPECT_TRUE(same_bits(pelkgrid.lognodes[0], pdferr::math::log(1e-5)));
  EXPECT_TRUE(same_bits(pelkgrid.lognodes[46], 0.0));
  EXPECT_TRUE(same_bits(pelkgrid.lognodes[47], pdferr::math::log(0.8)));
  EXPECT_TRUE(same_bits(pelkgrid.lognodes[76], pdferr::math::log(1e6)));
  EXPECT_TRUE(same_bits(pelkgrid.lognodes[20], pdferr::math::log(0.05999999865889549)));

  // Line 1 holds p1..p6 = 1.0000E+00 ... 1.0000E+05.
  const double u = 1.0 - 1e-5;
  EXPECT_TRUE(same_bits(pelkgrid.denstab[0][0][0], 1.0 / ((u * u * u) * 1e-5)));
  EXPECT_TRUE(
      same_bits(pelkgrid.denstab[5][0][0], 1e5 / (std::sqrt(1e-5) * (u * (u * u) * (u * u)))));
  // Every field lands where its code says: line 31 is x node 2, Q2 node 1.
  for (int c = 0; c < 6; ++c) {
    for (int k = 0; k < 30; ++k) {
      for (int l = 0; l < 46; ++l) {
        const double file = testsupport::to_double(testsupport::coded_value(c, l, k));
        const double expect = file / testsupport::load_factor(c, testsupport::x_node(l));
        ASSERT_TRUE(same_bits(pelkgrid.denstab[c][k][l], expect)) << c << ' ' << k << ' ' << l;
      }
      EXPECT_EQ(std::bit_cast<std::uint64_t>(pelkgrid.denstab[c][k][46]), 0u);
    }
  }
}

TEST_F(GridLoad, EveryWayOfWritingTheFieldsGivesTheSameBlock) {
  // Random five-digit decimals of both signs over 13 decades, and zeros.
  std::uint64_t state = 12345;
  auto next = [&state] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::uint32_t>(state >> 33);
  };
  std::vector<testsupport::Decimal> values(1380 * 6);
  for (auto& d : values) {
    const std::uint32_t r = next();
    if (r % 7 == 0) continue;  // zero
    d.m = static_cast<std::int32_t>(10000 + r % 90000) * (r % 3 == 0 ? -1 : 1);
    d.e = static_cast<int>(next() % 13) - 6;
  }
  const testsupport::GridDecimals member = [&](int c, int i, int j) {
    return values[static_cast<std::size_t>((i * 30 + j) * 6 + c)];
  };
  write("PELK-GRID.NLO", testsupport::grid_text(member, Layout::standard));
  pelkini(0);
  std::vector<unsigned char> standard(sizeof pelkgrid);
  std::memcpy(standard.data(), &pelkgrid, sizeof pelkgrid);

  for (Layout layout : {Layout::short_lines, Layout::inner_blanks, Layout::no_exponent,
                        Layout::no_point, Layout::exponent_forms}) {
    std::memset(&pelkgrid, 0, sizeof pelkgrid);
    write("pelk-minus-02.grid", testsupport::grid_text(member, layout));
    pelkini(-2);
    EXPECT_EQ(std::memcmp(standard.data(), &pelkgrid, sizeof pelkgrid), 0)
        << "layout " << static_cast<int>(layout);
  }
}

TEST_F(GridLoad, ExtraLinesAndColumnsAreIgnored) {
  std::string text = gridtest::coded_member();
  write("pelk-plus-01.grid", text);
  pelkini(1);
  std::vector<unsigned char> plain(sizeof pelkgrid);
  std::memcpy(plain.data(), &pelkgrid, sizeof pelkgrid);
  // Characters after column 72 on every line, and a line 1381.
  std::string wide;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t end = text.find('\n', pos);
    wide += text.substr(pos, end - pos) + "  9.9999E+99 garbage\n";
    pos = end + 1;
  }
  wide += "this line is never read\n";
  write("pelk-plus-01.grid", wide);
  std::memset(&pelkgrid, 0, sizeof pelkgrid);
  pelkini(1);
  EXPECT_EQ(std::memcmp(plain.data(), &pelkgrid, sizeof pelkgrid), 0);
}

// The bad-input catalogue: a grid file that cannot be used ends the process
// with one line naming it and the fault, exit status 1 and pelkgrid exactly
// as the load before left it; the valid file, loaded afterwards in a fresh
// process, gives the expected densities.  Overlong lines and bytes after
// column 72 are no fault.
class GridFileFailure : public gridtest::InScratchDir {};

TEST_F(GridFileFailure, Catalogue) {
  const std::string good = gridtest::coded_member();  // lines of 73 bytes
  const auto lines = [&good](int n) { return good.substr(0, static_cast<std::size_t>(n) * 73); };
  // Field f (1-based) of line n replaced by twelve bytes.
  const auto field = [&good](int n, int f, const std::string& bytes) {
    std::string text = good;
    return text.replace(static_cast<std::size_t>((n - 1) * 73 + (f - 1) * 12), 12, bytes);
  };
  const auto tail = [&good](int n, const std::string& bytes) {
    std::string text = good;
    return text.insert(static_cast<std::size_t>(n * 73 - 1), bytes);
  };

  const std::string file = "grid file PELK-GRID.NLO";
  const std::string cannot_open = "pelkini: cannot open " + file + ": ";
  // link: the name links to the path in text; busy: unit 71 is connected
  // elsewhere when the file is opened.
  using Kind = testsupport::FileKind;
  const std::vector<testsupport::BadFile> cases = {
      {"missing", Kind::missing, "", cannot_open + "No such file or directory"},
      {"empty", Kind::text, "", "pelkini: " + file + " ends after line 0; it needs 1380 lines"},
      {"690 lines", Kind::text, lines(690),
       "pelkini: " + file + " ends after line 690; it needs 1380 lines"},
      {"1379 lines", Kind::text, lines(1379),
       "pelkini: " + file + " ends after line 1379; it needs 1380 lines"},
      {"exponent without digits", Kind::text, field(1000, 4, "    1.2345E "),
       "pelkini: bad number in field 4 of line 1000 of " + file},
      {"letters", Kind::text, field(1, 1, "  one       "),
       "pelkini: bad number in field 1 of line 1 of " + file},
      {"non-ASCII bytes in a field", Kind::text, field(5, 2, "  1.2345E-0\xc2\xb2"),
       "pelkini: bad number in field 2 of line 5 of " + file},
      {"a NUL byte in a field", Kind::text, field(1380, 6, std::string("  1.2345E+0\0", 12)),
       "pelkini: bad number in field 6 of line 1380 of " + file},
      {"a line of 1 MB", Kind::text, tail(7, std::string(1 << 20, '9')), ""},
      {"non-ASCII bytes after column 72", Kind::text, tail(1380, "\xff\xfe\x80 \xc3\xa9"), ""},
      {"a directory", Kind::directory, "", cannot_open + "Is a directory"},
      {"no read permission", Kind::unreadable, good, cannot_open + "Permission denied"},
      {"unit 71 in use", Kind::text, good, cannot_open + "unit 71 is in use", true, true},
      {"a read error", Kind::link, "/proc/self/mem",
       "pelkini: cannot read line 1 of " + file + ": Input/output error"},
      {"an endless line", Kind::link, testsupport::long_line_file(),
       "pelkini: line 1 of " + file + " is longer than 4194304 bytes"},
  };

  // The expected densities of the valid file, computed in this process.
  write("PELK-GRID.NLO", good);
  pelkini(0);
  double d[6];
  pelkfit(0.1, 10.0, d[0], d[1], d[2], d[3], d[4], d[5]);
  std::string densities;
  for (double v : d) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%a\n", v);
    densities += buf;
  }

  testsupport::BadFileReader reader;
  reader.name = "PELK-GRID.NLO";
  reader.valid_text = good;
  reader.prepare = [&good](const testsupport::TempDir& dir) {
    dir.write("pelk-plus-01.grid", good);
  };
  // As nobody where permissions matter; elsewhere as we are (a process that
  // gave up root may not read its own /proc/self/mem).
  reader.refuse = [](const testsupport::TempDir& dir, const testsupport::BadFile& c) {
    std::vector<std::string> args{"reload", "1", "0"};
    if (c.kind == Kind::unreadable) args.insert(args.begin(), "nobody");
    if (c.unit_busy) args.push_back("hold71");
    return gridtest::driver(args, dir.path());
  };
  reader.load = [](const testsupport::TempDir& dir, bool as_nobody) {
    std::vector<std::string> args{"fit", "0.1", "10"};
    if (as_nobody) args.insert(args.begin(), "nobody");
    return gridtest::driver(args, dir.path());
  };
  reader.loaded = densities;
  testsupport::run_bad_files(reader, cases);
  // A member number beyond two digits names its file with asterisks.
  EXPECT_EQ(gridtest::driver({"load", "100"}, dir().path()).out,
            "pelkini: cannot open grid file pelk-plus-**.grid: No such file or directory\n");
}

// Rewritten while it is read, the file loads whole or is refused, by
// pelkini and GridMember alike: never a mix of two members.  Most refusals
// say that the file changed; a load that met the file truncated, or half
// written, finds it short.
TEST_F(GridFileFailure, RewrittenWhileReadIsRefusedNeverMixed) {
  const testsupport::ProcessResult r = gridtest::driver({"race", "60"}, dir().path());
  EXPECT_EQ(r.status, 0);
  const std::size_t summary = r.out.rfind("loads ");
  ASSERT_NE(summary, std::string::npos) << r.out;
  EXPECT_EQ(r.out.substr(r.out.find(" mixed ", summary)), " mixed 0\n");
  EXPECT_EQ(r.out.find("loads 0 "), std::string::npos);
  for (const char* refusal : {"pelkini: grid file PELK-GRID.NLO changed while it was read\n",
                              "GridMember: PELK-GRID.NLO: the file changed while it was read\n"}) {
    EXPECT_NE(r.out.find(refusal), std::string::npos) << refusal;
  }
}

}  // namespace

namespace {

// PDFERR_DATA_PATH in the three faces of a grid member: pelkini takes the
// working folder's file whenever there is one; GridMember and the C handle
// an explicit directory, then the path, then the working folder.
TEST(GridSearchPath, InEveryFace) {
  testsupport::TempDir work, dir, a, b;
  const testsupport::ScopedEnvironment path("PDFERR_DATA_PATH",
                                            (a.path() + "::" + b.path()).c_str());
  const testsupport::TempDir* folders[] = {&dir, &a, &b, &work};
  const std::string name = "pelk-minus-03.grid";
  // Folder f's member holds f + 1 in every field.
  for (int f = 0; f < 4; ++f) {
    folders[f]->write(name, testsupport::grid_text([f](int, int, int) { return f + 1.0; }));
  }
  const auto first = [&](int f) {
    return pdferr::GridMember(folders[f]->file(name)).values(0.1, 10.0)[0];
  };
  const auto by_handle = [](const char* directory) {
    pdferr_grid* g = nullptr;
    double d[6] = {};
    EXPECT_EQ(pdferr_grid_open_member(-3, directory, &g, nullptr), PDFERR_OK);
    EXPECT_EQ(pdferr_grid_values(g, 0.1, 10.0, d, nullptr), PDFERR_OK);
    pdferr_grid_close(g, nullptr);
    return d[0];
  };
  char saved[PATH_MAX];
  ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
  ASSERT_EQ(chdir(work.path().c_str()), 0);
  const auto by_pelkini = [] {
    double d[6];
    pelkini(-3);
    pelkfit(0.1, 10.0, d[0], d[1], d[2], d[3], d[4], d[5]);
    return d[0];
  };
  // From the first folder on that holds the file: which each face loads.
  for (int from = 0; from < 4; ++from) {
    SCOPED_TRACE(from);
    for (int f = 0; f < from; ++f) std::remove(folders[f]->file(name).c_str());
    const int by_number = from == 0 ? 1 : from;
    EXPECT_EQ(pdferr::GridMember::from_member(-3, dir.path()).values(0.1, 10.0)[0], first(from));
    EXPECT_EQ(by_handle(dir.path().c_str()), first(from));
    EXPECT_EQ(pdferr::GridMember::from_member(-3).path(),
              by_number == 3 ? name : folders[by_number]->file(name));
    EXPECT_EQ(by_handle(nullptr), first(by_number));
    EXPECT_EQ(by_pelkini(), first(3));
  }
  // Only a name absent from the working folder is looked for on the path.
  b.write(name, testsupport::grid_text([](int, int, int) { return 3.0; }));
  const double from_b = first(2);
  std::remove(name.c_str());
  EXPECT_EQ(by_pelkini(), from_b);
  ASSERT_EQ(chdir(saved), 0);
}

}  // namespace
