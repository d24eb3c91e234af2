// The error-set formulas on small cases whose answers are known by hand,
// the normal quantile against high-precision values, and the batch path
// against the call on one point.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <stdexcept>
#include <vector>

#include "pdferr/uncertainty.hpp"

namespace {

using namespace pdferr::uncertainty;
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(NormalQuantile, MatchesHighPrecisionValuesAcrossEveryBranch) {
  // Phi^-1(p) for the double p, by bisection on ln Phi(z) = ln p (erfc in
  // mpmath at 400 bits); the rows straddle the branch edges |p - 0.5| = 0.425 and
  // sqrt(-ln r) = 5.
  const struct {
    double p, z;
  } rows[] = {{1e-300, -37.0470962993611992365},
              {1e-100, -21.2734535609653242942},
              {1.3887943864964e-11, -6.65790464350110380605},
              {1.3887943864965e-11, -6.65790464350109321967},
              {1e-06, -4.75342430882289895734},
              {0.025, -1.95996398454005421178},
              {0.0749999999999, -1.43953147093916239562},
              {0.075, -1.43953147093845593495},
              {0.3, -0.524400512708040815969},
              {0.8413447460685429, 0.999999999999999905738},
              {0.925, 1.43953147093845622906},
              {0.9250000000001, 1.43953147093916210151},
              {0.95, 1.64485362695147228428},
              {0.975, 1.9599639845400538556},
              {0.999, 3.09023230616781327776},
              {0.9999999999999999, 8.20953615160138685563}};
  for (const auto& r : rows) {
    EXPECT_LE(std::fabs(normal_quantile(r.p) - r.z), 7e-16 * std::fabs(r.z)) << "p = " << r.p;
  }
  EXPECT_EQ(normal_quantile(0.5), 0.0);
  EXPECT_EQ(normal_quantile(0.0), -inf);
  EXPECT_EQ(normal_quantile(1.0), inf);
  for (const double p : {-1e-300, 1.0000000000000002, nan}) {
    EXPECT_THROW(normal_quantile(p), pdferr::domain_error) << p;
  }
}

TEST(Confidence, LevelsAndRescaling) {
  EXPECT_EQ(Confidence::sigmas(1).z(), 1.0);
  EXPECT_EQ(Confidence::sigmas(2).z(), 2.0);
  // One sigma as a probability comes back as one sigma.
  EXPECT_EQ(Confidence::central(Confidence::sigmas(1).probability()).z(), 1.0);
  EXPECT_NEAR(Confidence::sigmas(1).probability(), 0.682689492137085897, 1e-16);
  // 90% to one sigma: 1.644854 (the quantile at 0.95 for (1 + 0.9) / 2 of
  // the double 0.9 is 1.64485362695147282).
  const double f = rescale_factor(Confidence::central(0.9), Confidence::sigmas(1));
  EXPECT_LE(std::fabs(f - 1.64485362695147282), 3e-16);
  EXPECT_EQ(std::round(f * 1e6) / 1e6, 1.644854);
  EXPECT_EQ(rescale(f, Confidence::central(0.9), Confidence::sigmas(1)), 1.0);
  // 68.27% is not quite one sigma.
  EXPECT_NEAR(Confidence::central(0.6827).z(), 1.0000217133229991, 1e-15);
  for (const double p : {0.0, 1.0, -0.5, nan}) {
    EXPECT_THROW(Confidence::central(p), std::invalid_argument) << p;
  }
  for (const double n : {0.0, -1.0, inf, nan}) {
    EXPECT_THROW(Confidence::sigmas(n), std::invalid_argument) << n;
  }
}

TEST(Hessian, HandWorkedCases) {
  const struct {
    std::vector<double> values;  // central, +1, -1, +2, -2, ...
    HessianErrors expected;
  } rows[] = {
      // d = 4; up = max(3, -1, 0) = 3; down = max(-3, 1, 0) = 1.
      {{10, 13, 9}, {2, 3, 1}},
      // 3-4-5: F+ - F- = 6 and 8; both pairs straddle the centre.
      {{0, 3, -3, 4, -4}, {5, 5, 5}},
      // Both members of a pair above the centre: plus takes the larger.
      {{1, 3, 2}, {0.5, 2, 0}},
      // No spread at all.
      {{7, 7, 7, 7, 7}, {0, 0, 0}},
      // No pairs.
      {{7}, {0, 0, 0}},
  };
  for (const auto& r : rows) {
    const HessianErrors e = hessian(r.values.data(), r.values.size() / 2);
    EXPECT_EQ(e.symmetric, r.expected.symmetric);
    EXPECT_EQ(e.plus, r.expected.plus);
    EXPECT_EQ(e.minus, r.expected.minus);
  }
  const double bad[] = {1, 2, nan};
  try {
    hessian(bad, 1);
    ADD_FAILURE();
  } catch (const pdferr::domain_error& e) {
    EXPECT_EQ(e.index(), -1);
    EXPECT_STREQ(e.what(), "member -1 is not finite");
  }
  const HessianErrors r = rescale(HessianErrors{3.2897072539029453, 2, 0}, Confidence::sigmas(2),
                                  Confidence::sigmas(1));
  EXPECT_EQ(r.symmetric, 3.2897072539029453 / 2);
  EXPECT_EQ(r.plus, 1.0);
}

TEST(Hessian, ManyPointsGiveTheBitsOfOnePoint) {
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  const std::size_t pairs = 5, members = 2 * pairs + 1;
  for (const std::size_t points : {0, 1, 3, 4, 5, 63, 64, 65, 1000}) {
    std::vector<double> v(members * points);
    for (double& x : v) x = u(rng);
    if (points > 3) v[7 * points + 2] = inf;  // member 7 at point 2
    std::vector<HessianErrors> out(points);
    if (points > 3) {
      try {
        hessian(v.data(), pairs, points, out.data());
        ADD_FAILURE();
      } catch (const pdferr::domain_error& e) {
        EXPECT_EQ(e.index(), 2);
      }
    }
    hessian(v.data(), pairs, points, out.data(), OnBadValue::nan);
    for (std::size_t i = 0; i < points; ++i) {
      std::vector<double> one(members);
      for (std::size_t m = 0; m < members; ++m) one[m] = v[m * points + i];
      if (points > 3 && i == 2) {
        EXPECT_TRUE(std::isnan(out[i].symmetric) && std::isnan(out[i].plus) &&
                    std::isnan(out[i].minus));
        continue;
      }
      const HessianErrors e = hessian(one.data(), pairs);
      EXPECT_TRUE(same_bits(out[i].symmetric, e.symmetric) && same_bits(out[i].plus, e.plus) &&
                  same_bits(out[i].minus, e.minus))
          << points << " points, point " << i;
    }
  }
}

TEST(Correlation, HessianAndReplicas) {
  // dX = (3, 4): every square root below is exact.
  const double x[] = {0, 1.5, -1.5, 2, -2};
  const double same[] = {5, 6.5, 3.5, 7, 3};
  const double opposite[] = {0, -3, 3, -4, 4};
  const double orthogonal[] = {0, 2, -2, -1.5, 1.5};  // dY = (4, -3)
  EXPECT_EQ(hessian_correlation(x, same, 2), 1.0);
  EXPECT_EQ(hessian_correlation(x, opposite, 2), -1.0);
  EXPECT_EQ(hessian_correlation(x, orthogonal, 2), 0.0);
  const double flat[] = {1, 1, 1, 1, 1};
  EXPECT_TRUE(std::isnan(hessian_correlation(x, flat, 2)));

  const double a[] = {0, 0, 2, 2};  // deviations -1, -1, 1, 1
  const double b[] = {1, 1, 7, 7};  // 3a + 1
  const double c[] = {1, -1, -1, 1};
  EXPECT_EQ(correlation(a, b, 4), 1.0);
  EXPECT_EQ(correlation(a, c, 4), 0.0);
  EXPECT_THROW(correlation(a, b, 1), std::invalid_argument);
}

TEST(Replicas, MeanDeviationAndQuantiles) {
  const double v[] = {2, 4, 4, 4, 5, 5, 7, 9};  // sum of squared deviations 32
  EXPECT_EQ(mean(v, 8), 5.0);
  EXPECT_EQ(standard_deviation(v, 8), std::sqrt(32.0 / 7.0));
  EXPECT_EQ(mean(v, 1), 2.0);
  EXPECT_THROW(mean(v, 0), std::invalid_argument);
  EXPECT_THROW(standard_deviation(v, 1), std::invalid_argument);

  // Linear interpolation: h = (n - 1) p between the sorted values.
  const double w[] = {4, 1, 3, 2};
  const struct {
    double p, q;
  } rows[] = {{0, 1}, {1, 4}, {0.5, 2.5}, {0.25, 1.75}, {0.75, 3.25}, {1.0 / 3.0, 2}};
  for (const auto& r : rows) EXPECT_EQ(quantile(w, 4, r.p), r.q) << r.p;
  EXPECT_EQ(quantile(w, 1, 0.7), 4.0);
  const Interval i = central_interval(w, 4, Confidence::central(0.5));
  EXPECT_EQ(i.low, 1.75);
  EXPECT_EQ(i.high, 3.25);
  // numpy 1.24: numpy.quantile(x, [(1 - 0.68) / 2, (1 + 0.68) / 2]) of
  // x = 0, 1, ..., 100 squared; (1 - 0.68) / 2 is a little below 0.16, so
  // the lower end comes from the upper neighbour (g >= 0.5).
  std::vector<double> sq(101);
  for (int k = 0; k <= 100; ++k) sq[k] = static_cast<double>(k * k);
  const Interval s = central_interval(sq.data(), sq.size(), Confidence::central(0.68));
  EXPECT_EQ(s.low, 255.99999999999994);
  EXPECT_EQ(s.high, 7056.000000000003);
  EXPECT_THROW(quantile(w, 4, 1.5), std::invalid_argument);
  const double bad[] = {1, inf};
  EXPECT_THROW(quantile(bad, 2, 0.5), pdferr::domain_error);
}

}  // namespace
