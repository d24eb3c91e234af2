// The object module gaudev linked alone: this test supplies ranmar under its
// gfortran name and the 32-bit logarithm logf, the toolkit's own, as a
// program that wants the library's bits does (where the toolkit's logf is
// the C library's, in a build with PDFERR_LIBC_MATH, the C library's is
// left in place).  The module needs nothing else.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include "core/normal.hpp"
#include "crmath.hpp"
#include "error_estimate.h"

namespace {
// Pairs of uniform numbers handed out in turn, and a count of calls.
std::vector<float> supply;
std::size_t next_value = 0;
int calls = 0;
}  // namespace

extern "C" void ranmar_(float* vec, const std::int32_t* nvec) {
  ++calls;
  for (std::int32_t k = 0; k < *nvec; ++k) vec[k] = supply[next_value++];
}

#ifdef PDFERR_SUPPLY_LOGF
// The program's logf, which the module calls by its C name: the toolkit's.
extern "C" float logf(float x) noexcept { return pdferr::math::logf(x); }
#endif

namespace {

TEST(GaudevModule, OneRanmarCallOfTwoPerAttempt) {
  // Attempt 1: u = (0.99, 0.99): q far above the band, quick rejection.
  // Attempt 2: u = (0.5, 0.625): q small, quick acceptance.
  // Attempt 3: u = (0.0625, 0.5): v = 0, q = 0.152... accepted at once.
  supply = {0.99f, 0.99f, 0.5f, 0.625f, 0.0625f, 0.5f};
  next_value = 0;
  calls = 0;
  float d[2];
  gaudev(d, 2);
  EXPECT_EQ(calls, 3);
  const float v = (0.625f - 0.5f) * 1.7156f;
  EXPECT_EQ(d[0], v / 0.5f);
  EXPECT_EQ(d[1], 0.0f);
}

TEST(GaudevModule, BandBetweenBoundsUsesLogarithm) {
  // u(1) = 0.9, u(2) chosen so that q falls between r1 and r2 and the exact
  // test decides; the result must follow the logarithm's verdict.
  const float u1 = 0.9f;
  for (float u2 = 0.80f; u2 < 0.95f; u2 += 0.001f) {
    const float v = (u2 - 0.5f) * 1.7156f;
    const float x = u1 - 0.449871f;
    const float y = std::fabs(v) - (-0.386595f);
    const float q = x * x + y * (0.19600f * y - 0.25472f * x);
    if (q < 0.27597f || q > 0.27846f) continue;
    const bool accept = !(v * v > -((pdferr::math::logf(u1) * 4.0f) * (u1 * u1)));
    supply = {u1, u2, 0.5f, 0.5f};
    next_value = 0;
    calls = 0;
    float d[1];
    gaudev(d, 1);
    EXPECT_EQ(calls, accept ? 1 : 2) << u2;
    EXPECT_EQ(d[0], accept ? v / u1 : 0.0f) << u2;
  }
}

TEST(GaudevModule, SameBitsAsTheLibrarysAttempts) {
  // Uniform pairs with u(1) on the 2^-24 lattice, as ranmar makes them,
  // many of them in the band: the module with this program's logf and the
  // library's attempts with the toolkit's logf give the same deviates.
  std::mt19937 rng(20);
  std::uniform_int_distribution<int> lattice(1, (1 << 24) - 1);
  supply.clear();
  for (int k = 0; k < 200000; ++k) {
    supply.push_back(static_cast<float>(lattice(rng)) * 0x1p-24f);
    supply.push_back(static_cast<float>(lattice(rng)) * 0x1p-24f);
  }
  std::vector<float> library;
  int band = 0;
  for (std::size_t k = 0; k < supply.size(); k += 2) {
    float d = 0.0f;
    const float u1 = supply[k], u2 = supply[k + 1];
    const float v = (u2 - 0.5f) * 1.7156f, x = u1 - 0.449871f, y = std::fabs(v) + 0.386595f;
    const float q = x * x + y * (0.19600f * y - 0.25472f * x);
    band += !(q < 0.27597f) && !(q > 0.27846f);
    if (pdferr::sampling::attempt(&supply[k], d)) library.push_back(d);
  }
  ASSERT_GT(band, 100);
  next_value = 0;
  std::vector<float> module(library.size());
  gaudev(module.data(), static_cast<std::int32_t>(module.size()));
  for (std::size_t k = 0; k < module.size(); ++k) {
    ASSERT_EQ(std::bit_cast<std::uint32_t>(module[k]), std::bit_cast<std::uint32_t>(library[k]))
        << k;
  }
}

TEST(GaudevModule, NoDrawForNonPositiveCount) {
  calls = 0;
  float d[1] = {3.0f};
  gaudev(d, 0);
  gaudev(d, -1);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(d[0], 3.0f);
}

}  // namespace
