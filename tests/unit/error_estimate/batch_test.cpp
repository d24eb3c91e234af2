// Sampling many at once against one at a time: every version of the
// screened attempts and of the correlated products, and the refusals of the
// checked factor.  The bulk paths as a whole are compared with gaudev,
// mvndev and corset in the routines' tests.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
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
  for (const pdferr::simd::Isa isa : testsupport::runnable_isas()) {
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
  // bits are those of correlate(), also for a product -0 added to 0.
  for (const pdferr::simd::Isa isa : testsupport::runnable_isas()) {
    SCOPED_TRACE(testsupport::isa_name(isa));
    for (const std::ptrdiff_t n : {1, 2, 17, 100}) {
      constexpr int lanes = sampling::product_lanes;
      const std::vector<float> r = uniforms(4711, n, static_cast<std::size_t>(n * n + lanes * n));
      std::vector<float> c(r.begin(), r.begin() + n * n);
      std::vector<float> packed;
      for (std::ptrdiff_t i = 0; i < n; ++i) {
        for (std::ptrdiff_t j = 0; j <= i; ++j) packed.push_back(c[i + j * n] -= 0.5f);
      }
      c[0] = packed[0] = -0.0f;
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
