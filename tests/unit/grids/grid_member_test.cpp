// pdferr::GridMember: names and directories, refused files as file_error,
// points outside the domain as domain_error, and a file rewritten while it
// is read refused, never loaded as a mix.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include "grid_writer.hpp"
#include "pdferr/grid_member.hpp"
#include "process.hpp"
#include "rewrite_race.hpp"

namespace {

using pdferr::GridMember;

std::string coded() {
  return testsupport::grid_text(testsupport::GridDecimals(testsupport::coded_value));
}

TEST(GridMember, NamesAndDirectories) {
  EXPECT_EQ(GridMember::file_name(0), "PELK-GRID.NLO");
  EXPECT_EQ(GridMember::file_name(7), "pelk-plus-07.grid");
  EXPECT_EQ(GridMember::file_name(-99), "pelk-minus-99.grid");
  // Beyond two digits the legacy name would be "pelk-plus-**.grid".
  EXPECT_THROW(GridMember::file_name(100), std::invalid_argument);
  EXPECT_THROW(GridMember::from_member(-100, "."), std::invalid_argument);

  testsupport::TempDir dir;
  dir.write("pelk-minus-03.grid", coded());
  EXPECT_EQ(GridMember::from_member(-3, dir.path()).path(), dir.path() + "/pelk-minus-03.grid");
  EXPECT_EQ(GridMember::from_member(-3, dir.path() + "/").path(),
            dir.path() + "/pelk-minus-03.grid");
  char old[4096];
  ASSERT_NE(getcwd(old, sizeof old), nullptr);
  ASSERT_EQ(chdir(dir.path().c_str()), 0);
  const GridMember here = GridMember::from_member(-3);
  const GridMember also_here = GridMember::from_member(-3, "");
  ASSERT_EQ(chdir(old), 0);
  EXPECT_EQ(here.path(), "pelk-minus-03.grid");
  EXPECT_EQ(also_here.path(), "pelk-minus-03.grid");
  // A copy shares the loaded member.
  const GridMember copy = here;
  EXPECT_EQ(copy.values(0.3, 30.0), here.values(0.3, 30.0));
}

TEST(GridMember, RefusedFilesAreFileErrors) {
  testsupport::TempDir dir;
  const std::string good = coded();
  std::string bad = good;
  bad.replace(999 * 73 + 3 * 12, 12, "  one       ");
  dir.write("short.grid", good.substr(0, 690 * 73));
  dir.write("bad.grid", bad);
  const std::string missing = dir.file("missing.grid");
  const struct {
    std::string path;
    long line;
    std::string what;
  } cases[] = {
      {missing, 0, missing + ": cannot open: No such file or directory"},
      {dir.file("short.grid"), 691,
       dir.file("short.grid") +
           ", line 691: the file ends before this line; a grid file has 1380 lines"},
      {dir.file("bad.grid"), 1000, dir.file("bad.grid") + ", line 1000, field 4: not a number"},
      {"/proc/self/mem", 1, "/proc/self/mem, line 1: read error: Input/output error"},
      {"/dev/zero", 1, "/dev/zero, line 1: line longer than 4194304 bytes"},
  };
  for (const auto& c : cases) {
    try {
      GridMember member(c.path);
      ADD_FAILURE() << c.path << " loaded";
    } catch (const pdferr::file_error& e) {
      EXPECT_EQ(e.what(), c.what);
      EXPECT_EQ(e.file(), c.path);
      EXPECT_EQ(e.line(), c.line);
    }
  }
}

TEST(GridMember, PointsOutsideTheDomainAreDomainErrors) {
  testsupport::TempDir dir;
  dir.write("PELK-GRID.NLO", coded());
  const GridMember member(dir.file("PELK-GRID.NLO"));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double x, q2;
    const char* what;
  } refused[] = {
      {9.99e-6, 10, "x = 9.99e-06 is outside [1e-5, 1]"},
      {1.0000001, 10, "x = 1.0000001 is outside [1e-5, 1]"},
      {nan, 10, "x = nan is outside [1e-5, 1]"},
      {0, 0, "x = 0 is outside [1e-5, 1]"},  // x first
      {0.5, 0.9, "q2 = 0.9 is outside [1, 1e6]"},
      {0.5, 1000001, "q2 = 1000001 is outside [1, 1e6]"},
      {0.5, inf, "q2 = inf is outside [1, 1e6]"},
      {0.5, nan, "q2 = nan is outside [1, 1e6]"},
  };
  for (const auto& c : refused) {
    try {
      (void)member.values(c.x, c.q2);
      ADD_FAILURE() << c.x << ' ' << c.q2 << " accepted";
    } catch (const pdferr::domain_error& e) {
      EXPECT_STREQ(e.what(), c.what);
      EXPECT_EQ(e.index(), -1);
    }
  }
  // The bounds are accepted; at x = 1 every density is 0.
  EXPECT_NO_THROW((void)member.values(1e-5, 1.0));
  EXPECT_EQ(member.values(1.0, 1e6), (std::array<double, 6>{}));
}

TEST(GridMember, RewrittenWhileReadIsRefusedNeverMixed) {
  testsupport::TempDir dir;
  const std::string path = dir.file("PELK-GRID.NLO");
  // Two members of other values in the same layout: any mix of the two is
  // a valid file.
  const std::string a = coded();
  const std::string b = testsupport::grid_text([](int c, int i, int j) {
    return testsupport::Decimal{testsupport::coded_value(c, i, j).m + 50000, c};
  });
  dir.write("a.grid", a);
  dir.write("b.grid", b);
  // A few points whose values tell the members apart and any mix of them.
  const auto probe = [](const GridMember& m) {
    std::array<double, 6 * 4> v{};
    const double points[4][2] = {{2e-5, 1.1}, {0.002, 30.0}, {0.3, 2000.0}, {0.93, 5e5}};
    for (int k = 0; k < 4; ++k) {
      const std::array<double, 6> d = m.values(points[k][0], points[k][1]);
      for (int c = 0; c < 6; ++c) v[static_cast<std::size_t>(6 * k + c)] = d[c];
    }
    return v;
  };
  const auto start = std::chrono::steady_clock::now();
  const auto probe_a = probe(GridMember(dir.file("a.grid")));
  const auto period = gridtest::rewrite_period(std::chrono::steady_clock::now() - start);
  const auto probe_b = probe(GridMember(dir.file("b.grid")));
  int loaded = 0;
  int refused = 0;
  {
    gridtest::Rewriter rewriter(path, a, b, period);
    const auto end = std::chrono::steady_clock::now() + 60 * period;
    while (std::chrono::steady_clock::now() < end) {
      try {
        const auto v = probe(GridMember(path));
        ASSERT_TRUE(v == probe_a || v == probe_b) << "a mix of two members loaded";
        ++loaded;
      } catch (const pdferr::file_error&) {
        ++refused;
      }
    }
  }
  EXPECT_GT(loaded, 0);
  RecordProperty("refused", refused);
}

}  // namespace
