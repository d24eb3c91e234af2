// pelkfit: agreement with the definition, the linear member, the accepted
// and rejected bounds of x and q2 (as processes), NaN, and the guard
// against an unloaded block.
#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "grids_testing.hpp"

namespace {

using gridtest::same_bits;

class Pelkfit : public gridtest::InScratchDir {
 protected:
  void load_coded() {
    write("PELK-GRID.NLO", gridtest::coded_member());
    pelkini(0);
  }
  static void fit(double x, double q2, double (&d)[6]) {
    pelkfit(x, q2, d[0], d[1], d[2], d[3], d[4], d[5]);
  }
};

TEST_F(Pelkfit, AgreesBitForBitWithTheDefinition) {
  load_coded();
  std::mt19937_64 rng(47);
  std::uniform_real_distribution<double> lx(std::log(1e-5), 0.0);
  std::uniform_real_distribution<double> lq(0.0, std::log(1e6));
  for (int trial = 0; trial < 2000; ++trial) {
    double x = std::exp(lx(rng));
    double q2 = std::exp(lq(rng));
    if (trial % 10 == 0) x = testsupport::x_node(trial / 10 % 47);
    if (trial % 15 == 0) q2 = testsupport::q2_node(1 + trial / 15 % 29);
    double got[6];
    double want[6];
    fit(x, q2, got);
    gridtest::reference_pelkfit(x, q2, want);
    for (int c = 0; c < 6; ++c) {
      ASSERT_TRUE(same_bits(got[c], want[c])) << x << ' ' << q2 << ' ' << c;
    }
  }
}

TEST_F(Pelkfit, BoundsAndNodes) {
  load_coded();
  double d[6];
  // x = 1e-5, q2 = 1: x node 1 and Q2 node 2 with weight 1, i.e. file line
  // 2; the values come back through division and multiplication by the
  // same factor, so within a few units in the last place (4 ulp allowed).
  fit(1e-5, 1.0, d);
  for (int c = 0; c < 6; ++c) {
    const double file = testsupport::to_double(testsupport::coded_value(c, 0, 1));
    EXPECT_NEAR(d[c], file, 4 * std::ldexp(std::abs(file), -52)) << c;
  }
  fit(1.0, 1e6, d);
  for (int c = 0; c < 6; ++c) EXPECT_EQ(d[c], 0.0) << c;
  // Halfway in ln Q2 at an x node, the result over its factor is the mean
  // of the two stored values (4 ulp: the weights 1/2 are rounded).
  const double x = testsupport::x_node(30);
  const double q2 = std::sqrt(testsupport::q2_node(10) * testsupport::q2_node(11));
  fit(x, q2, d);
  for (int c = 0; c < 6; ++c) {
    const double mean = (pelkgrid.denstab[c][10][30] + pelkgrid.denstab[c][11][30]) / 2;
    const double over_factor = d[c] / testsupport::load_factor(c, x);
    EXPECT_NEAR(over_factor, mean, 4 * std::ldexp(mean, -52)) << c;
  }
}

TEST_F(Pelkfit, NanPassesThrough) {
  load_coded();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  double d[6];
  fit(nan, 10.0, d);
  for (double v : d) EXPECT_TRUE(std::isnan(v));
  fit(0.1, nan, d);
  for (double v : d) EXPECT_TRUE(std::isnan(v));
}

TEST_F(Pelkfit, ReproducesTheLinearMember) {
  write("PELK-GRID.NLO", testsupport::grid_text_fine([](int c, int i, int j) {
          return testsupport::linear_file_value(c, testsupport::x_node(i), testsupport::q2_node(j));
        }));
  pelkini(0);
  std::mt19937_64 rng(1380);
  // Up to x node 46: the last cell ends at the fixed zero of x = 1.
  std::uniform_real_distribution<double> lx(std::log(1e-5), std::log(testsupport::x_node(45)));
  std::uniform_real_distribution<double> lq(0.0, std::log(1e6));
  for (int trial = 0; trial < 500; ++trial) {
    const double x = std::exp(lx(rng));
    const double q2 = std::exp(lq(rng));
    double d[6];
    fit(x, q2, d);
    for (int c = 0; c < 6; ++c) {
      const double want =
          testsupport::linear_table(c, std::log(x), std::log(q2)) * testsupport::load_factor(c, x);
      // The file holds seven significant digits (relative error <= 5e-7);
      // interpolation with weights in [0, 1] of positive values keeps that
      // bound, and the arithmetic adds a few ulp.
      EXPECT_NEAR(d[c], want, 6e-7 * want) << x << ' ' << q2 << ' ' << c;
    }
  }
}

// Out-of-range arguments end the process after one line; no result.
struct RangeCase {
  const char* x;
  const char* q2;
  const char* out;
};

TEST(PelkfitRange, AcceptedAndRejectedValues) {
  testsupport::TempDir dir;
  dir.write("PELK-GRID.NLO", gridtest::coded_member());
  const char* x_line = "  PARTON INTERPOLATION: X OUT OF RANGE\n";
  const char* q_line = "  PARTON INTERPOLATION: Q2 OUT OF RANGE\n";
  const RangeCase cases[] = {
      {"9.99e-6", "10", x_line},  {"1.0000001", "10", x_line}, {"0", "0", x_line},
      {"-1", "10", x_line},       {"0.5", "0.9", q_line},      {"1e-5", "0.8", q_line},
      {"0.5", "1000001", q_line}, {"0.5", "inf", q_line},
  };
  for (const RangeCase& c : cases) {
    auto r = gridtest::driver({"fit", c.x, c.q2}, dir.path());
    EXPECT_EQ(r.out, c.out) << c.x << ' ' << c.q2;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 1);
  }
  for (const char* ok : {"1e-5", "1"}) {
    for (const char* q2 : {"1", "1e6"}) {
      auto r = gridtest::driver({"fit", ok, q2}, dir.path());
      EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 6) << ok << ' ' << q2 << r.out;
      EXPECT_EQ(r.status, 0);
    }
  }
}

TEST(PelkfitRange, NothingLoaded) {
  testsupport::TempDir dir;
  auto r = gridtest::driver({"fit_unloaded"}, dir.path());
  EXPECT_EQ(r.out, "pelkfit: no grid member is loaded; call pelkini first\n");
  EXPECT_EQ(r.status, 1);
}

}  // namespace
