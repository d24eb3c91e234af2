// pdferr::TableSet: loading by path or set number, what a set tells of
// itself, refused files and points outside the domain as exceptions, and
// caches that serve several sets.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "pdferr/table_set.hpp"
#include "process.hpp"
#include "tables_unit.hpp"

namespace {

using pdferr::TableSet;
using tables_unit::bits;
using testsupport::PdsTable;

PdsTable shaped(int nx, int nt, int mxflvn0, int mxval) {
  return testsupport::make_table(nx, nt, mxflvn0, mxval, testsupport::realistic_value);
}

// The names of every range are tested through setzemo; here the numbers
// that name no set.
TEST(TableSet, NumbersThatNameNoSet) {
  EXPECT_EQ(TableSet::file_name(237), "zemow37.pds");
  for (int set : {9, 34, 99, 153, 199, 253, 0, -987, -2147483647 - 1}) {
    EXPECT_THROW(TableSet::file_name(set), std::invalid_argument) << set;
    EXPECT_THROW(TableSet::from_set(set), std::invalid_argument) << set;
  }
}

TEST(TableSet, TellsWhatItsFileHolds) {
  testsupport::TempDir dir;
  PdsTable t = shaped(20, 8, 5, 2);
  dir.write("zemow37.pds", testsupport::pds_text(t));
  const TableSet set = TableSet::from_set(237, dir.path() + "/");
  EXPECT_EQ(set.path(), dir.file("zemow37.pds"));
  const double header[] = {set.alambda(), set.masses()[5], set.qcdr1(), set.qcdr2(),
                           set.qini(),    set.qmax(),      set.xmin()};
  const double written[] = {t.alambda, t.mass[5], t.qcdr1, t.qcdr2, t.qini, t.qmax, t.xmin};
  for (std::size_t k = 0; k < 7; ++k) EXPECT_EQ(bits(header[k]), bits(written[k])) << k;
  // qcdi2 and qcdi3: r1 = 2.0 and r2 = 4.9999, rounded.
  EXPECT_EQ((std::vector<int>{set.qcdi1(), set.qcdi2(), set.qcdi3(), set.nx(), set.nt(),
                              set.MxFlvN0(), set.mxval()}),
            (std::vector<int>{t.qcdi1, 2, 5, 20, 8, 5, 2}));
  EXPECT_EQ(set.x_nodes()[0], 0.0);
  EXPECT_EQ(bits(set.x_nodes()[20]), bits(t.xv.back()));
  EXPECT_EQ(bits(set.t_nodes()[8]), bits(t.tv.back()));
  EXPECT_EQ(bits(set.x_node_min()), bits(t.xv.front()));
  EXPECT_EQ(set.x_node_max(), 1.0);
  // The Q range of the t nodes: t.qini and t.qmax, up to the rounding of
  // t = ln(ln(Q / alambda)) and back.
  EXPECT_NEAR(set.q_node_min(), t.qini, 1e-12 * t.qini);
  EXPECT_NEAR(set.q_node_max(), t.qmax, 1e-12 * t.qmax);
  // Copies share the table.
  const TableSet copy = set;
  EXPECT_EQ(copy.x_nodes(), set.x_nodes());
}

TEST(TableSet, RefusedFilesAreFileErrors) {
  testsupport::TempDir dir;
  PdsTable t = shaped(8, 4, 3, 2);
  t.xv[1] = t.xv[2] = 0.25;
  testsupport::PdsFormat one_per_line;
  one_per_line.per_line = 1;
  dir.write("zemo.00.pds", testsupport::pds_text(t, one_per_line));
  struct Case {
    std::string path;
    long line;
    const char* field;
    std::string reason;
  } cases[] = {
      {dir.file("zemo.00.pds"), 28, "record E", "x node 3 = 0.25 is not above x node 2 = 0.25"},
      {dir.file("zemo.01.pds"), 0, "", "cannot be opened (No such file or directory)"},
      {dir.path(), 0, "", "cannot be opened (Is a directory)"},
  };
  for (const Case& c : cases) {
    try {
      TableSet set(c.path);
      ADD_FAILURE() << c.path << " loaded";
    } catch (const pdferr::file_error& e) {
      EXPECT_EQ(e.file(), c.path);
      EXPECT_EQ(e.line(), c.line);
      EXPECT_EQ(e.field(), c.field);
      EXPECT_EQ(e.reason(), c.reason);
    }
  }
}

TEST(TableSet, PointsOutsideTheDomainAreDomainErrors) {
  testsupport::TempDir dir;
  PdsTable t = shaped(20, 8, 5, 2);
  t.alambda = 0.5;  // so that 0.3 <= Q <= alambda can be asked
  dir.write("t.pds", testsupport::pds_text(t));
  const TableSet set(dir.file("t.pds"));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    int f;
    double x, q;
    const char* what;
  } cases[] = {
      {0, nan, 5, "x is NaN"},
      {0, 0.1, nan, "Q is NaN"},
      {0, -1e-300, 5, "x = -1e-300 outside [0, 1]"},
      {0, 1.0000001, 5, "x = 1.0000001 outside [0, 1]"},
      {0, 0.1, 0.29999, "Q = 0.29999 below 0.3"},
      {0, 0.1, 0.5, "Q = 0.5 not above alambda = 0.5"},
      {0, 0.1, inf, "Q is infinite"},
      {0, 0.1, 1e308, "Q = 1e+308 so large that Q / alambda overflows"},
      {6, 0.1, 5, "flavour 6 beyond MxFlvN0 = 5"},
      {-2147483647 - 1, 0.1, 5, "flavour -2147483648 beyond MxFlvN0 = 5"},
  };
  TableSet::Cache cache;
  for (const Case& c : cases) {
    for (int twice = 0; twice < 2; ++twice) {
      try {
        set.value(cache, c.f, c.x, c.q);
        ADD_FAILURE() << c.what;
      } catch (const pdferr::domain_error& e) {
        EXPECT_STREQ(e.what(), c.what);
        EXPECT_EQ(e.index(), -1);
      }
    }
  }
  double out[11];
  EXPECT_THROW(set.values(1.5, 5, out), pdferr::domain_error);
  // The edges of the domain; x = 0 gives 0.
  EXPECT_EQ(bits(set.value(-5, 0.0, 0.5000001)), bits(0.0));
  EXPECT_GT(set.value(cache, 5, 1.0, 1e9), -1.0);
  EXPECT_EQ(bits(set.value(cache, 0, 0.3, 0.5000001)), bits(set.value(0, 0.3, 0.5000001)));
}

// Over the whole domain, subnormal x and the ends of Q included, every
// face gives a finite value or refuses the point: never NaN as a success.
// Refused points are exactly those of the documented domain, and give NaN
// under OutsideDomain::nan.
TEST(TableSet, NoNanAsASuccessAnywhere) {
  testsupport::TempDir dir;
  dir.write("t.pds", testsupport::pds_text(shaped(60, 16, 5, 2)));
  const TableSet set(dir.file("t.pds"));
  std::vector<double> xs = {0.0,
                            4.9406564584124654e-324,
                            1e-320,
                            2.2250738585072014e-308,
                            1e-300,
                            1.4916681462400413e-154,
                            std::nextafter(1e-150, 0.0),
                            1e-150};
  for (double e = -149.5; e <= 0.0; e += 0.5) xs.push_back(std::pow(10.0, e));
  for (double x : {0.999, std::nextafter(1.0, 0.0), 1.0}) xs.push_back(x);
  const double qs[] = {0.3, 0.30001, 1.0, 10.0, 1e4, 1e8, 1e300, 1.7976931348623157e308};
  const int nf = 2 * set.MxFlvN0() + 1;
  std::vector<double> row(static_cast<std::size_t>(nf) * xs.size());
  int refused = 0;
  for (double q : qs) {
    set.values(xs.data(), q, xs.size(), row.data(), pdferr::OutsideDomain::nan);
    for (std::size_t i = 0; i < xs.size(); ++i) {
      const bool inside = (xs[i] == 0.0 || xs[i] >= 1e-150) && q <= 1e300;
      double one[11];
      try {
        set.values(xs[i], q, one);
        EXPECT_TRUE(inside) << xs[i];
        for (int f = 0; f < nf; ++f) {
          ASSERT_TRUE(std::isfinite(one[f])) << xs[i] << " " << q << " " << f;
          EXPECT_EQ(bits(row[i * nf + f]), bits(one[f]));
        }
      } catch (const pdferr::domain_error& e) {
        ++refused;
        EXPECT_FALSE(inside) << e.what();
        for (int f = 0; f < nf; ++f) EXPECT_TRUE(std::isnan(row[i * nf + f]));
      }
    }
  }
  EXPECT_EQ(refused, 6 * 7 + static_cast<int>(xs.size()));
  try {
    set.value(0, xs.data(), 10.0, xs.size(), row.data());
    ADD_FAILURE();
  } catch (const pdferr::domain_error& e) {
    EXPECT_STREQ(e.what(), "point 1: x = 5e-324 between 0 and 1e-150, the smallest positive x");
    EXPECT_EQ(e.index(), 1);
  }
}

TEST(TableSet, ACacheServesSeveralSetsInTurn) {
  testsupport::TempDir dir;
  dir.write("a.pds", testsupport::pds_text(shaped(20, 8, 5, 2)));
  dir.write("b.pds", testsupport::pds_text(
                         testsupport::make_table(30, 10, 4, 4, testsupport::quadratic_value)));
  const TableSet a(dir.file("a.pds"));
  const TableSet b(dir.file("b.pds"));
  TableSet::Cache cache;
  const double x = 0.0123, q = 17.5;
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(bits(a.value(cache, 2, x, q)), bits(a.value(2, x, q)));
    EXPECT_EQ(bits(b.value(cache, 2, x, q)), bits(b.value(2, x, q)));
  }
  EXPECT_NE(bits(a.value(2, x, q)), bits(b.value(2, x, q)));
  // A copied or moved cache keeps serving.
  TableSet::Cache copy = cache;
  TableSet::Cache moved = std::move(cache);
  EXPECT_EQ(bits(b.value(copy, 1, x, q)), bits(b.value(1, x, q)));
  EXPECT_EQ(bits(a.value(moved, 1, x, q)), bits(a.value(1, x, q)));
  EXPECT_EQ(bits(a.value(cache, 1, x, q)), bits(a.value(1, x, q)));  // moved from
  // All flavours at once.
  std::vector<double> all(9);
  b.values(x, q, all.data());
  for (int f = -4; f <= 4; ++f) EXPECT_EQ(bits(all[f + 4]), bits(b.value(f, x, q))) << f;
  b.values(0.0, q, all.data());
  for (double v : all) EXPECT_EQ(bits(v), bits(0.0));
}

}  // namespace
