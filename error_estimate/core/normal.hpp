// Normal deviates by the ratio of uniforms with Leva's quadratic bounds.
//
// Inline, and free of everything but the 32-bit logarithm, which is a
// template argument: the library binds the toolkit's own, correctly rounded
// logf (attempt(), deviates<math::logf>), the same bits on every machine.
// The routine gaudev is also shipped alone as an object module, which
// compiles this in, takes its uniform numbers from whatever ranmar the
// program supplies and its logarithm from the program's logf.
#pragma once

#include <cmath>
#include <cstdint>

#include "crmath.hpp"

namespace pdferr::sampling {

namespace leva {
// The constants of the method, each the nearest 32-bit float to its decimal.
inline constexpr float s = 0.449871f;    // 0x3EE6557E
inline constexpr float t = -0.386595f;   // 0xBEC5EFC8
inline constexpr float a = 0.19600f;     // 0x3E48B439
inline constexpr float b = 0.25472f;     // 0x3E826AA9
inline constexpr float r1 = 0.27597f;    // 0x3E8D4BF1: quick acceptance below
inline constexpr float r2 = 0.27846f;    // 0x3E8E924F: quick rejection above
inline constexpr float scale = 1.7156f;  // 0x3FDB98C8
inline constexpr float shift = 0.5f;
inline constexpr float log_factor = 4.0f;
}  // namespace leva

// The exact test of an attempt on the uniform pair u whose q lies in the
// band between the two bounds, given log_u = ln u[0] (u[0] is never 0, so
// it is always defined): whether it is accepted.
inline bool band_test(const float* u, float log_u) {
  using namespace leva;
  const float v = (u[1] - shift) * scale;
  const float bound = -((log_u * log_factor) * (u[0] * u[0]));
  return !(v * v > bound);
}

// One attempt on the uniform pair u (u[0] > 0) with the 32-bit logarithm
// log32: stores the ratio v / u[0] in deviate and returns whether the
// attempt is accepted.
template <float (*log32)(float)>
inline bool attempt_with(const float* u, float& deviate) {
  using namespace leva;
  const float v = (u[1] - shift) * scale;
  const float x = u[0] - s;
  const float y = std::fabs(v) - t;
  const float q = x * x + y * (a * y - b * x);
  bool accept = q < r1;
  // q in [r1, r2], formed without branches: the band is rare, so this is
  // the only branch, and it is well predicted.  Only the narrow band needs
  // the logarithm.
  const bool in_band = !accept & !(q > r2);
  if (in_band) accept = band_test(u, log32(u[0]));
  deviate = v / u[0];
  return accept;
}

// One attempt with the toolkit's own logarithm, as the library makes them.
inline bool attempt(const float* u, float& deviate) { return attempt_with<math::logf>(u, deviate); }

// Fills out[0..n) with standard normal deviates, attempts made with the
// 32-bit logarithm log32; draw_pair(u) fills u[0] and u[1] with the next
// two uniform numbers, once per attempt.  n <= 0 draws nothing.
template <float (*log32)(float), class DrawPair>
void deviates(float* out, std::int32_t n, DrawPair&& draw_pair) {
  // Attempts run until n are accepted.  The verdict of an attempt moves
  // the index on instead of branching: its ratio is stored at the current
  // index either way, and a rejected one is overwritten by the next attempt.
  // Acceptance is random, so a branch on it would be mispredicted often.
  std::int32_t idev = 0;
  while (idev < n) {
    float u[2];
    draw_pair(u);
    idev += attempt_with<log32>(u, out[idev]) ? 1 : 0;
  }
}

}  // namespace pdferr::sampling
