// Sampling many at once against one at a time: every version of the
// screened attempts and of the correlated products, the bulk deviates and
// the checked factor, on explicit state.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "core/batch.hpp"
#include "core/correlated.hpp"
#include "core/normal.hpp"
#include "isa.hpp"

namespace sampling = pdferr::sampling;

namespace {

bool same(const float* a, const float* b, std::size_t n) {
  return n == 0 || std::memcmp(a, b, n * sizeof(float)) == 0;
}

// The next count numbers of a generator seeded with seed and moved on by
// position.
std::vector<float> uniforms(std::int32_t seed, std::int64_t position, std::size_t count) {
  sampling::LagTable g{};
  sampling::fill(g.lags(), seed);
  sampling::skip(g.lags(), position);
  std::vector<float> u(count);
  sampling::draw(g.lags(), u.data(), static_cast<std::int32_t>(count));
  return u;
}

TEST(BatchAttempts, EveryVersionKeepsTheAttemptsOfOneAtATime) {
  // Real uniform pairs, with pairs whose q is exactly r1 or exactly r2 at
  // the front (found by a search along the two bounding curves), so that
  // both edges of the band and the exact test go through the screened path.
  // Counts around the screened block of 32 attempts.
  const std::int32_t edges[][2] = {{998, 8390511},      {8400953, 16485208}, {1, 8479208},
                                   {8401950, 16537926}, {8405938, 16486509}, {8402947, 16538187}};
  std::vector<float> u = uniforms(20261208, 7, 2 * 5000);
  for (std::size_t e = 0; e < std::size(edges); ++e) {
    u[2 * e] = static_cast<float>(edges[e][0]) * 0x1p-24f;
    u[2 * e + 1] = static_cast<float>(edges[e][1]) * 0x1p-24f;
  }
  for (const fio::Isa isa : testsupport::runnable_isas()) {
    SCOPED_TRACE(testsupport::isa_name(isa));
    for (const std::int32_t attempts : {0, 1, 31, 32, 33, 65, 5000}) {
      std::vector<float> fast(static_cast<std::size_t>(attempts) + 1, -9.0f);
      const std::int32_t kept =
          sampling::attempt_variants.variant(isa)(u.data(), attempts, fast.data());
      std::vector<float> slow;
      for (std::int32_t k = 0; k < attempts; ++k) {
        float d = 0.0f;
        if (sampling::attempt(u.data() + 2 * k, d)) slow.push_back(d);
      }
      ASSERT_EQ(kept, static_cast<std::int32_t>(slow.size())) << attempts;
      EXPECT_TRUE(same(fast.data(), slow.data(), slow.size())) << attempts;
    }
  }
}

TEST(BatchProducts, EveryVersionKeepsTheSumsOfOneVectorAtATime) {
  // Any factor and deviates will do: each sum must keep its order, so the
  // bits are those of correlate(), including -0 + 0 and the upper triangle
  // never read (NaN there).
  for (const fio::Isa isa : testsupport::runnable_isas()) {
    SCOPED_TRACE(testsupport::isa_name(isa));
    for (const std::ptrdiff_t n : {1, 2, 17, 100}) {
      constexpr int lanes = sampling::product_lanes;
      const std::vector<float> r = uniforms(4711, n, static_cast<std::size_t>(n * n + lanes * n));
      std::vector<float> c(r.begin(), r.begin() + n * n);
      std::vector<float> packed;
      for (std::ptrdiff_t i = 0; i < n; ++i) {
        for (std::ptrdiff_t j = 0; j < n; ++j) {
          if (j > i) c[i + j * n] = std::numeric_limits<float>::quiet_NaN();
          c[i + j * n] -= 0.5f;
          if (j <= i) packed.push_back(c[i + j * n]);
        }
      }
      c[0] = -0.0f;
      packed[0] = -0.0f;
      std::vector<float> z(r.begin() + n * n, r.end());
      for (float& v : z) v = v - 0.5f;
      std::vector<float> zt(z.size());
      for (int k = 0; k < lanes; ++k) {
        for (std::ptrdiff_t j = 0; j < n; ++j) zt[j * lanes + k] = z[k * n + j];
      }
      std::vector<float> fast(z.size()), slow(z.size());
      sampling::product_variants.variant(isa)(packed.data(), n, zt.data(), fast.data(), lanes);
      for (int k = 0; k < lanes; ++k) {
        sampling::correlate(c.data(), z.data() + k * n, slow.data() + k * n,
                            static_cast<std::int32_t>(n));
      }
      EXPECT_TRUE(same(fast.data(), slow.data(), fast.size())) << n;
    }
  }
}

TEST(BatchNormal, BulkDeviatesEqualOneAttemptAtATimeAndStopWhereTheyStop) {
  // Against deviates() drawing two numbers per attempt, as gaudev does: the
  // deviates, the state after them and the count of numbers used, for
  // counts around the chunk of 2048 attempts and from two phases of the lags.
  for (const std::int64_t position : {0, 61}) {
    for (const std::int64_t n : {0, 1, 2, 33, 2047, 2048, 2049, 100000}) {
      sampling::LagTable fast{}, slow{};
      sampling::fill(fast.lags(), 20261209);
      sampling::skip(fast.lags(), position);
      slow = fast;
      std::vector<float> a(static_cast<std::size_t>(n)), b(a.size());
      const std::int64_t used = sampling::normal_bulk(fast.lags(), a.data(), n, 1 << 30);
      std::int64_t drawn = 0;
      sampling::deviates(b.data(), static_cast<std::int32_t>(n), [&](float* u) {
        sampling::draw(slow.lags(), u, 2);
        drawn += 2;
      });
      EXPECT_TRUE(same(a.data(), b.data(), a.size())) << position << " " << n;
      EXPECT_EQ(used, drawn) << position << " " << n;
      EXPECT_EQ(std::memcmp(&fast, &slow, sizeof fast), 0) << position << " " << n;
    }
  }
  // A budget too small for the deviates is reported before it is passed.
  sampling::LagTable g{};
  sampling::fill(g.lags(), 1);
  std::vector<float> d(3000);
  EXPECT_EQ(sampling::normal_bulk(g.lags(), d.data(), 3000, 5000), -1);
}

// A positive definite covariance a_ij = 1 / (1 + |i - j|) + (i == j) w.
std::vector<float> covariance(std::ptrdiff_t n, float w) {
  std::vector<float> cov(static_cast<std::size_t>(n * n));
  for (std::ptrdiff_t j = 0; j < n; ++j) {
    for (std::ptrdiff_t i = 0; i < n; ++i) {
      cov[i + j * n] = 1.0f / static_cast<float>(1 + std::abs(i - j)) + (i == j ? w : 0.0f);
    }
  }
  return cov;
}

TEST(CheckedFactor, AcceptsWhatCorsetFactorsWithItsBits) {
  for (const std::ptrdiff_t n : {1, 3, 100, 130}) {
    const std::vector<float> cov = covariance(n, 0.25f);
    std::vector<float> checked(cov.size(), 7.0f), plain(cov.size(), 7.0f);
    EXPECT_EQ(sampling::factor_checked(cov.data(), checked.data(), n).kind,
              sampling::FactorRefusal::none);
    sampling::factor(cov.data(), plain.data(), static_cast<std::int32_t>(n));
    EXPECT_TRUE(same(checked.data(), plain.data(), plain.size())) << n;
  }
}

TEST(CheckedFactor, RefusesWhatIsNotFiniteOrNotPositiveDefinite) {
  // 3 x 3, column-major; the kind of refusal and the element that has it.
  constexpr float nan = std::numeric_limits<float>::quiet_NaN();
  constexpr float inf = std::numeric_limits<float>::infinity();
  using R = sampling::FactorRefusal;
  struct Case {
    const char* name;
    float cov[9];
    R::Kind kind;
    std::ptrdiff_t row, column;
  };
  const Case cases[] = {
      {"indefinite", {1, 2, 0, 2, 1, 0, 0, 0, 1}, R::pivot, 1, 1},
      {"singular, pivot exactly 0", {1, 1, 1, 1, 1, 1, 1, 1, 4}, R::pivot, 1, 1},
      {"negative diagonal first", {-1, 0, 0, 0, 1, 0, 0, 0, 1}, R::pivot, 0, 0},
      {"zero matrix", {0, 0, 0, 0, 0, 0, 0, 0, 0}, R::pivot, 0, 0},
      {"NaN below the diagonal", {1, 0, nan, 0, 1, 0, 0, 0, 1}, R::not_finite, 2, 0},
      {"infinite diagonal", {1, 0, 0, 0, inf, 0, 0, 0, 1}, R::not_finite, 1, 1},
      {"overflowing sum", {1e-30f, 1e30f, 0, 0, 1, 0, 0, 0, 1}, R::pivot, 1, 1},
  };
  for (const Case& c : cases) {
    float out[9] = {};
    const R r = sampling::factor_checked(c.cov, out, 3);
    EXPECT_EQ(r.kind, c.kind) << c.name;
    EXPECT_EQ(r.row, c.row) << c.name;
    EXPECT_EQ(r.column, c.column) << c.name;
  }
  // Only the lower triangle is read: NaN above the diagonal is taken.
  const float upper_nan[4] = {4, 2, nan, 5};
  float out[4] = {};
  EXPECT_EQ(sampling::factor_checked(upper_nan, out, 2).kind, R::none);
  EXPECT_EQ(out[3], 2.0f);
}

}  // namespace
