// The random sampling toolkit in process: generator arithmetic on explicit
// state, the exported routines, deviates, factors and vectors.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "draw_variants.hpp"
#include "error_estimate.h"
#include "fio_units.h"
#include "generator.hpp"
#include "isa.hpp"

namespace {

using ranmar_core::Lags;
using ranmar_core::Position;

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

TEST(GeneratorCore, DefaultSeedOnExplicitState) {
  // The published first numbers of seed 54217137, as multiples of 2^-24.
  Lags g{};
  ranmar_core::fill(g, ranmar_core::default_seed);
  EXPECT_EQ(g.ilag, 97);
  EXPECT_EQ(g.jlag, 33);
  EXPECT_EQ(g.cc, 362436 * 0x1p-24f);
  float v[5];
  ranmar_core::draw(g, v, 5);
  const std::int32_t k[5] = {1952718, 16187443, 14813785, 7054599, 8319089};
  for (int n = 0; n < 5; ++n) EXPECT_EQ(v[n], static_cast<float>(k[n]) * 0x1p-24f) << n;
}

TEST(GeneratorCore, ZeroIsReplacedFromSecondEntry) {
  // A table of zeros and a carry that steps to exactly 0: the difference is
  // 0, so the number comes from uu(2), or is 2^-48 when that is 0 too.
  Lags g{};
  g.ilag = 97;
  g.jlag = 33;
  g.cc = ranmar_core::cstep;
  EXPECT_EQ(ranmar_core::next(g), 0x1p-48f);
  g.cc = ranmar_core::cstep;
  g.uu[1] = 0.5f;
  EXPECT_EQ(ranmar_core::next(g), 0x1p-25f);
}

TEST(GeneratorCore, CountCarriesEveryWholeBlock) {
  Position p{1, 999999998, 0};
  ranmar_core::advance(p, 3);
  EXPECT_EQ(p.count, 1);
  EXPECT_EQ(p.block_count, 1);
  // One call of 10^9 numbers or more carries as many blocks as it holds.
  p = Position{1, 5, 4};
  ranmar_core::advance(p, 2000000000);
  EXPECT_EQ(p.count, 5);
  EXPECT_EQ(p.block_count, 6);
  p = Position{1, 999999999, 0};
  ranmar_core::advance(p, 2147483647);
  EXPECT_EQ(p.count, 147483646);
  EXPECT_EQ(p.block_count, 3);
}

TEST(Generator, ExportedRoutinesMatchExplicitState) {
  Quiet quiet;
  rmarin(987654321, 100, 0);
  Lags g{};
  ranmar_core::fill(g, 987654321);
  ranmar_core::skip(g, 100);
  std::vector<float> a(1000), b(1000);
  ranmar(a.data(), 1000);
  ranmar_core::draw(g, b.data(), 1000);
  for (std::size_t n = 0; n < a.size(); ++n) ASSERT_EQ(bits(a[n]), bits(b[n])) << n;
  EXPECT_EQ(std::memcmp(&raset1, &g, sizeof g), 0);
  EXPECT_EQ(position_of(), 1100);
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

// Plain stepping, the reference for the jump-ahead.
void step_n(Lags& g, std::uint64_t n) {
  for (std::uint64_t s = 0; s < n; ++s) ranmar_core::step(g);
}

TEST(GeneratorJump, EqualsSteppingFromAnyState) {
  // From several starting states (lags at different places) and distances
  // around the lags 33 and 97 and far beyond.
  for (std::int32_t seed : {54217137, 1, -7, 900000000}) {
    for (std::uint64_t pre : {0u, 1u, 40u, 96u, 1000u}) {
      for (std::uint64_t n : {0u, 1u, 32u, 33u, 34u, 96u, 97u, 98u, 194u, 1000u, 65537u, 300001u}) {
        Lags a{};
        ranmar_core::fill(a, seed);
        step_n(a, pre);
        Lags b = a;
        step_n(a, n);
        ranmar_core::jump(b, n);
        ASSERT_EQ(std::memcmp(&a, &b, sizeof a), 0) << seed << " " << pre << " " << n;
      }
    }
  }
}

TEST(GeneratorJump, ComposesOverLongDistances) {
  // Jumps add up: 2^31 + 5 in one jump equals it in three, and the state
  // after the published skip of 20000 matches the published numbers.
  Lags a{}, b{};
  ranmar_core::fill(a, 54217137);
  b = a;
  ranmar_core::jump(a, 2147483653u);
  ranmar_core::jump(b, 1000000000u);
  ranmar_core::jump(b, 1000000000u);
  ranmar_core::jump(b, 147483653u);
  EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
  ranmar_core::fill(a, 54217137);
  ranmar_core::jump(a, 20000);
  float v[6];
  ranmar_core::draw(a, v, 6);
  const std::int32_t k[6] = {6533892, 14220222, 7275067, 6172232, 8354498, 10633180};
  for (int n = 0; n < 6; ++n) EXPECT_EQ(v[n], static_cast<float>(k[n]) * 0x1p-24f) << n;
}

}  // namespace

namespace {

TEST(GeneratorDraw, PicksTheVersionForThisProcessor) {
  EXPECT_EQ(testsupport::isa_name(ranmar_core::draw_variants.chosen()),
            testsupport::expected_isa());
}

TEST(GeneratorDraw, RunsEqualSingleStepsForEveryLengthAndPhase) {
  // Each version of the run-wise draw against one next() per number, from
  // every phase of the lags and for lengths around the run limits.
  for (const fio::Isa isa : testsupport::runnable_isas()) {
    SCOPED_TRACE(testsupport::isa_name(isa));
    for (std::uint64_t pre = 0; pre < 97; pre += 7) {
      for (std::int32_t n : {1, 2, 3, 5, 32, 33, 34, 64, 65, 96, 97, 98, 1000, 1025, 4096}) {
        Lags a{};
        ranmar_core::fill(a, 20261207);
        ranmar_core::skip(a, static_cast<std::int64_t>(pre));
        Lags b = a;
        std::vector<float> fast(static_cast<std::size_t>(n)), slow(fast.size());
        ranmar_core::draw_variants.variant(isa)(a, fast.data(), n);
        for (float& v : slow) v = ranmar_core::next(b);
        ASSERT_EQ(std::memcmp(fast.data(), slow.data(), fast.size() * sizeof(float)), 0)
            << pre << " " << n;
        ASSERT_EQ(std::memcmp(&a, &b, sizeof a), 0) << pre << " " << n;
      }
    }
  }
}

TEST(GeneratorDraw, ZeroReplacementFollowsSecondEntryWithinRun) {
  // A table of zeros with the carry at cstep: every number of the first run
  // is 0 before replacement.  Entry 2 changes within the run only if the run
  // writes it; either way the replacement must equal the single-step one.
  // Lengths of whole runs only, and with a part run after them.
  for (const fio::Isa isa : testsupport::runnable_isas()) {
    SCOPED_TRACE(testsupport::isa_name(isa));
    const auto draw = ranmar_core::draw_variants.variant(isa);
    for (const std::int32_t n : {32, 40, 64}) {
      // An all-zero table with the carry at cstep: the first number is 0.
      Lags zero{};
      zero.ilag = 97;
      zero.jlag = 33;
      zero.cc = ranmar_core::cstep;
      Lags copy = zero;
      float first[64];
      draw(zero, first, n);
      EXPECT_EQ(first[0], 0x1p-48f) << n;
      for (std::int32_t k = 0; k < n; ++k) EXPECT_EQ(first[k], ranmar_core::next(copy)) << n;
      for (float second : {0.0f, 0.25f}) {
        for (std::int32_t ilag : {2, 3, 40, 97}) {
          Lags a{};
          a.uu[1] = second;
          a.uu[(ilag + 32) % 97] = 0.5f;  // the entry read together with entry 2
          a.ilag = ilag;
          a.jlag = (ilag + 32) % 97 + 1;
          a.cc = ranmar_core::cstep;
          Lags b = a;
          float fast[64], slow[64];
          draw(a, fast, n);
          for (std::int32_t k = 0; k < n; ++k) slow[k] = ranmar_core::next(b);
          ASSERT_EQ(std::memcmp(fast, slow, sizeof(float) * static_cast<std::size_t>(n)), 0)
              << n << " " << second << " " << ilag;
        }
      }
    }
  }
}

}  // namespace
