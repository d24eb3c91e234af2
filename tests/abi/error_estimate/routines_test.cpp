// The random sampling routines in process: the generator's routines and
// block against the core on explicit state and against Generator, deviates,
// factors and vectors.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "core/correlated.hpp"
#include "core/uniform.hpp"
#include "error_estimate.h"
#include "fio_units.h"
#include "pdferr/generator.hpp"

namespace {

namespace sampling = pdferr::sampling;

std::uint32_t bits(float v) { return std::bit_cast<std::uint32_t>(v); }

// Silences the generator's messages by sending them to a unit connected to
// the null device.
struct Quiet {
  Quiet() {
    const std::int32_t unit = 99;
    if (fio_connected(&unit) == 0) fio_connect(&unit, "/dev/null");
    inout.iout = unit;
  }
  ~Quiet() { inout.iout = 0; }
};

std::int64_t position_of() {
  std::int32_t seed = 0, count = 0, blocks = 0;
  rmarut(seed, count, blocks);
  return std::int64_t{blocks} * 1000000000 + count;
}

TEST(Generator, ExportedRoutinesMatchExplicitState) {
  Quiet quiet;
  rmarin(987654321, 100, 0);
  sampling::LagTable g{};
  sampling::fill(g.lags(), 987654321);
  sampling::skip(g.lags(), 100);
  std::vector<float> a(1000), b(1000);
  ranmar(a.data(), 1000);
  sampling::draw(g.lags(), b.data(), 1000);
  for (std::size_t n = 0; n < a.size(); ++n) ASSERT_EQ(bits(a[n]), bits(b[n])) << n;
  EXPECT_EQ(std::memcmp(&raset1, &g, sizeof g), 0);
  EXPECT_EQ(position_of(), 1100);
}

TEST(Generator, ValueTypeMatchesTheRoutinesAndTheirPosition) {
  // Positions below one block, across a block and beyond two blocks.
  Quiet quiet;
  constexpr std::int32_t seed = 54217137 + 17;
  for (const std::int64_t at : {0LL, 19999LL, 20000LL, 999999998LL, 2000000005LL}) {
    rmarin(seed, static_cast<std::int32_t>(at % 1000000000),
           static_cast<std::int32_t>(at / 1000000000));
    std::vector<float> expected(300), got(300);
    ranmar(expected.data(), 300);
    pdferr::Generator g(seed, at);
    g.uniform(got.data(), got.size());
    EXPECT_EQ(std::memcmp(got.data(), expected.data(), 300 * sizeof(float)), 0) << at;
    EXPECT_EQ(g.seed(), seed);
    EXPECT_EQ(g.position(), position_of()) << at;
  }
}

TEST(Generator, NonPositiveCountDrawsNothing) {
  Quiet quiet;
  rmarin(54217137, 10, 0);
  const raset1_block before = raset1;
  float v[2] = {-1.0f, -1.0f};
  ranmar(v, 0);
  ranmar(v, -5);  // never lowers the count
  EXPECT_EQ(v[0], -1.0f);
  EXPECT_EQ(position_of(), 10);
  EXPECT_EQ(std::memcmp(&raset1, &before, sizeof before), 0);
}

TEST(Generator, NumbersLieStrictlyInsideUnitInterval) {
  Quiet quiet;
  rmarin(1, 0, 0);
  std::vector<float> v(1 << 20);
  ranmar(v.data(), static_cast<std::int32_t>(v.size()));
  for (float u : v) {
    ASSERT_GE(u, 0x1p-48f);
    ASSERT_LE(u, 1.0f - 0x1p-24f);
  }
}

TEST(Deviates, DefaultSeedFirstFive) {
  Quiet quiet;
  rmarin(54217137, 0, 0);
  float d[5];
  gaudev(d, 5);
  // Bit patterns from this implementation; they agree with the published
  // values -0.154493, 0.2677462, -0.4675919, 0.5901247, 1.665076.
  const std::uint32_t expected[5] = {0xbe1e3368, 0x3e891609, 0xbeef6835, 0x3f17126a, 0x3fd52133};
  for (int n = 0; n < 5; ++n) EXPECT_EQ(bits(d[n]), expected[n]) << n;
  EXPECT_NEAR(d[0], -0.154493, 5e-7);
  EXPECT_NEAR(d[4], 1.665076, 5e-7);
  // Six attempts of two numbers: the first is rejected.
  EXPECT_EQ(position_of(), 12);
}

TEST(Deviates, EachCallTakesAnEvenCountOfAtLeastTwicePerDeviate) {
  Quiet quiet;
  rmarin(31415926, 0, 0);
  std::int64_t before = position_of();
  for (std::int32_t n : {1, 2, 7, 50}) {
    std::vector<float> d(static_cast<std::size_t>(n));
    gaudev(d.data(), n);
    const std::int64_t used = position_of() - before;
    EXPECT_EQ(used % 2, 0);
    EXPECT_GE(used, 2 * n);
    before = position_of();
  }
}

TEST(Deviates, MillionDeviatesHaveStandardMoments) {
  // Deterministic: fixed seed.  For N = 10^6 the standard error of the mean
  // is 0.001 and of the variance about 0.0014; the bounds are 5 of those.
  Quiet quiet;
  rmarin(20261207, 0, 0);
  constexpr int n = 1000000;
  std::vector<float> d(n);
  gaudev(d.data(), n);
  double sum = 0.0, sum2 = 0.0, sum3 = 0.0;
  int positive = 0;
  for (float f : d) {
    const double v = static_cast<double>(f);
    sum += v;
    sum2 += v * v;
    sum3 += v * v * v;
    positive += f > 0.0f;
  }
  const double mean = sum / n;
  EXPECT_NEAR(mean, 0.0, 0.005);
  EXPECT_NEAR(sum2 / n - mean * mean, 1.0, 0.007);
  EXPECT_NEAR(sum3 / n, 0.0, 0.013);   // skewness: standard error sqrt(15/N)
  EXPECT_NEAR(positive, n / 2, 2500);  // symmetry: standard error 500
}

TEST(Factor, DocumentedMatrices) {
  float c[4] = {-1.0f, -1.0f, 42.0f, -1.0f};
  const float cov[4] = {4.0f, 2.0f, 999.0f, 5.0f};  // upper triangle never read
  corset(cov, c, 2);
  EXPECT_EQ(c[0], 2.0f);
  EXPECT_EQ(c[1], 1.0f);
  EXPECT_EQ(c[3], 2.0f);
  EXPECT_EQ(c[2], 42.0f);  // above the diagonal: kept
  // Not positive definite: the absolute value keeps the root real.
  const float bad[4] = {1.0f, 2.0f, 0.0f, 1.0f};
  corset(bad, c, 2);
  EXPECT_EQ(c[0], 1.0f);
  EXPECT_EQ(c[1], 2.0f);
  EXPECT_EQ(bits(c[3]), 0x3fddb3d7u);  // sqrt(3) rounded to float
  // Order 0 or negative: nothing written.
  float untouched[1] = {7.0f};
  corset(cov, untouched, 0);
  corset(cov, untouched, -2);
  EXPECT_EQ(untouched[0], 7.0f);
}

TEST(Factor, ReproducesCovarianceOfOrderTen) {
  // A positive definite matrix a_ij = 1 / (1 + |i - j|) + (i == j); c c^T
  // must give it back to float rounding.
  constexpr int n = 10;
  float cov[n * n], c[n * n] = {};
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) cov[i + j * n] = 1.0f / float(1 + std::abs(i - j)) + float(i == j);
  corset(cov, c, n);
  for (int j = 0; j < n; ++j)
    for (int i = j; i < n; ++i) {
      double s = 0.0;
      for (int k = 0; k <= j; ++k)
        s += static_cast<double>(c[i + k * n]) * static_cast<double>(c[j + k * n]);
      EXPECT_NEAR(s, cov[i + j * n], 1e-5) << i << "," << j;
    }
}

TEST(Vectors, DocumentedVectorAndIdentity) {
  Quiet quiet;
  const float cov[4] = {4.0f, 2.0f, 0.0f, 5.0f};
  float c[4] = {};
  corset(cov, c, 2);
  rmarin(54217137, 0, 0);
  float x[2];
  mvndev(c, x, 2);
  // Twice the first deviate; the first plus twice the second.
  EXPECT_EQ(bits(x[0]), 0xbe9e3368u);
  EXPECT_EQ(bits(x[1]), 0x3ec3125eu);
  EXPECT_NEAR(x[0], -0.3089859, 5e-7);
  EXPECT_NEAR(x[1], 0.3809995, 5e-7);
  EXPECT_EQ(position_of(), 6);
  // An identity factor returns the deviates of gaudev unchanged.
  constexpr int n = 100;
  std::vector<float> id(n * n, 0.0f), y(n), z(n);
  for (int i = 0; i < n; ++i) id[i + i * n] = 1.0f;
  rmarin(777, 0, 0);
  mvndev(id.data(), y.data(), n);
  rmarin(777, 0, 0);
  gaudev(z.data(), n);
  for (int i = 0; i < n; ++i) EXPECT_EQ(bits(y[i]), bits(z[i])) << i;
}

}  // namespace

namespace {

bool same(const std::vector<float>& a, const std::vector<float>& b) {
  return a.size() == b.size() &&
         (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0);
}

std::vector<float> gaudev_from(std::int32_t seed, std::int64_t at, std::int32_t n) {
  rmarin(seed, static_cast<std::int32_t>(at % 1000000000),
         static_cast<std::int32_t>(at / 1000000000));
  std::vector<float> d(static_cast<std::size_t>(n));
  gaudev(d.data(), n);
  return d;
}

TEST(Batch, NormalGivesTheDeviatesOfGaudevAndItsPosition) {
  // From positions below and beyond a block of 10^9; counts around the
  // screened block (32) and the chunk of attempts (2048), and large.
  Quiet quiet;
  constexpr std::int32_t seed = 271828;
  for (const std::int64_t at : {0LL, 1LL, 999999999LL, 3000000007LL}) {
    for (const std::int32_t n : {0, 1, 31, 32, 33, 2048, 2049, 100000}) {
      const std::vector<float> expected = gaudev_from(seed, at, n);
      pdferr::Generator g(seed, at);
      std::vector<float> got(expected.size());
      g.normal(got.data(), got.size());
      ASSERT_TRUE(same(got, expected)) << at << " " << n;
      EXPECT_EQ(g.position(), n == 0 ? at : position_of()) << at << " " << n;
    }
  }
}

TEST(Batch, CorrelatedGivesTheVectorsOfMvndevAndItsPosition) {
  // Factors of corset for np = 1, 3 and 100, then n calls of mvndev; counts
  // around the 32 vectors done side by side and the 8 that a block needs.
  Quiet quiet;
  for (const std::int32_t np : {1, 3, 100}) {
    std::vector<float> cov(static_cast<std::size_t>(np * np)), c(cov.size(), 0.0f);
    for (std::int32_t j = 0; j < np; ++j)
      for (std::int32_t i = 0; i < np; ++i)
        cov[i + j * np] = 1.0f / float(1 + std::abs(i - j)) + float(i == j);
    corset(cov.data(), c.data(), np);
    for (const std::int32_t n : {0, 1, 7, 8, 31, 32, 33, 100}) {
      rmarin(1234567, 89, 0);
      std::vector<float> expected(static_cast<std::size_t>(n * np));
      for (std::int32_t k = 0; k < n; ++k) mvndev(c.data(), expected.data() + k * np, np);
      pdferr::Generator g(1234567, 89);
      std::vector<float> got(expected.size());
      g.correlated(c.data(), static_cast<std::size_t>(np), static_cast<std::size_t>(n), got.data());
      ASSERT_TRUE(same(got, expected)) << np << " " << n;
      EXPECT_EQ(g.position(), position_of()) << np << " " << n;
    }
  }
  // Beyond mvndev's 100: the same construction, gaudev then x = c z.
  constexpr std::int32_t np = 130;
  std::vector<float> c(np * np);
  for (std::size_t k = 0; k < c.size(); ++k) c[k] = float(k % 7) * 0.125f - 0.25f;
  pdferr::Generator g(99, 5);
  std::vector<float> got(17 * np);
  g.correlated(c.data(), np, 17, got.data());
  const std::vector<float> z = gaudev_from(99, 5, 17 * np);
  std::vector<float> x(np);
  for (std::int32_t k = 0; k < 17; ++k) {
    sampling::correlate(c.data(), z.data() + k * np, x.data(), np);
    ASSERT_EQ(std::memcmp(x.data(), got.data() + k * np, np * sizeof(float)), 0) << k;
  }
  EXPECT_EQ(g.position(), position_of());
}

TEST(Batch, CholeskyEqualsCorsetOrRefusesLeavingTheFactor) {
  // Positive definite, np = 3 and beyond 100: the lower triangle of corset,
  // 0 above the diagonal; into the caller's factor also in place, keeping
  // its upper triangle.
  for (const std::size_t np : {3u, 130u}) {
    std::vector<float> cov(np * np), c(cov.size());
    for (std::size_t k = 0; k < cov.size(); ++k) {
      const std::size_t i = k % np, j = k / np, d = i > j ? i - j : j - i;
      cov[k] = 1.0f / float(1 + d) + float(d == 0);
    }
    corset(cov.data(), c.data(), static_cast<std::int32_t>(np));
    const std::vector<float> f = pdferr::cholesky(cov.data(), np);
    std::vector<float> in_place = cov;
    pdferr::cholesky(in_place.data(), np, in_place.data());
    for (std::size_t k = 0; k < cov.size(); ++k) {
      const bool lower = k % np >= k / np;
      ASSERT_EQ(bits(f[k]), lower ? bits(c[k]) : 0u) << np << " " << k;
      ASSERT_EQ(bits(in_place[k]), bits(lower ? c[k] : cov[k])) << np << " " << k;
    }
  }
  const float singular[4] = {1, 1, 0, 1};
  float kept[4] = {7, 7, 7, 7};
  try {
    pdferr::cholesky(singular, 2, kept);
    ADD_FAILURE() << "singular matrix taken";
  } catch (const pdferr::domain_error& e) {
    EXPECT_EQ(e.index(), 3);
    EXPECT_STREQ(e.what(),
                 "cholesky: the covariance is not positive definite: the pivot of element "
                 "(1, 1) is 0");
  }
  EXPECT_EQ(kept[0], 7.0f);
  EXPECT_EQ(pdferr::cholesky(singular, 0).size(), 0u);
  EXPECT_THROW(pdferr::cholesky(singular, std::size_t{1} << 62), std::invalid_argument);
}

TEST(Batch, GeneratorRefusalsLeaveThePosition) {
  pdferr::Generator g(5, pdferr::Generator::max_position - 100);
  std::vector<float> d(100);
  const float c[1] = {1.0f};
  EXPECT_THROW(g.normal(d.data(), d.size()), std::invalid_argument);
  EXPECT_THROW(g.correlated(c, 1, 100, d.data()), std::invalid_argument);
  EXPECT_THROW(g.correlated(c, std::size_t{1} << 40, std::size_t{1} << 40, d.data()),
               std::invalid_argument);
  EXPECT_EQ(g.position(), pdferr::Generator::max_position - 100);
}

TEST(Batch, RmarinReachesTheStateOfOnePassAfterAnother) {
  // One jump over the whole distance against one skip per pass (each equal
  // to stepping, see the core's tests).
  Quiet quiet;
  struct Case {
    std::int32_t count, nblocks;
  };
  for (const Case c : {Case{0, 0}, Case{5, 0}, Case{19999, 0}, Case{20000, 0}, Case{0, 1},
                       Case{5, 2}, Case{999999999, 3}}) {
    rmarin(4242, c.count, c.nblocks);
    sampling::LagTable g{};
    sampling::fill(g.lags(), 4242);
    for (std::int32_t pass = 0; pass < c.nblocks; ++pass) sampling::skip(g.lags(), 1000000000);
    sampling::skip(g.lags(), c.count);
    EXPECT_EQ(std::memcmp(&raset1, &g, sizeof g), 0) << c.count << " " << c.nblocks;
    EXPECT_EQ(position_of(), std::int64_t{c.nblocks} * 1000000000 + c.count);
  }
}

}  // namespace
