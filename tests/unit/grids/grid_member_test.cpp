// pdferr::GridMember: names and directories, refused files as file_error,
// points outside the domain as domain_error.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include "grid_writer.hpp"
#include "pdferr/grid_member.hpp"
#include "process.hpp"

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
  const std::string file = dir.path() + "/pelk-minus-03.grid";
  EXPECT_EQ(GridMember::from_member(-3, dir.path()).path(), file);
  EXPECT_EQ(GridMember::from_member(-3, dir.path() + "/").path(), file);
  // "" and "." name the working directory and add nothing to the name.
  for (const char* here : {"", "."}) {
    try {
      (void)GridMember::from_member(4, here);
      ADD_FAILURE() << "loaded";
    } catch (const pdferr::file_error& e) {
      EXPECT_EQ(e.file(), "pelk-plus-04.grid");
    }
  }
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
      {testsupport::long_line_file(), 1,
       testsupport::long_line_file() + ", line 1: line longer than 4194304 bytes"},
      {"/dev/zero", 0, "/dev/zero: cannot open: not a regular file"},
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

}  // namespace
