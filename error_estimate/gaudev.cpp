// Normal deviates by the ratio of uniforms with Leva's quadratic bounds.
//
// This source is also shipped alone as an object module: it needs nothing
// but ranmar and the 32-bit logarithm from the program that links it.
#include <cmath>
#include <cstdint>

#include "error_estimate.h"
#include "fio/export.hpp"

namespace {

// The constants of the method, each the nearest 32-bit float to its decimal.
constexpr float s = 0.449871f;    // 0x3EE6557E
constexpr float t = -0.386595f;   // 0xBEC5EFC8
constexpr float a = 0.19600f;     // 0x3E48B439
constexpr float b = 0.25472f;     // 0x3E826AA9
constexpr float r1 = 0.27597f;    // 0x3E8D4BF1: quick acceptance below
constexpr float r2 = 0.27846f;    // 0x3E8E924F: quick rejection above
constexpr float scale = 1.7156f;  // 0x3FDB98C8
constexpr float shift = 0.5f;
constexpr float log_factor = 4.0f;

}  // namespace

extern "C" FIO_EXPORT void gaudev(float* devias, const std::int32_t& ndev) {
  const std::int32_t n = ndev;
  const std::int32_t two = 2;
  float u[2];
  // Attempts run until n are accepted.  The verdict of an attempt moves
  // the index on instead of branching: its ratio is stored at the current
  // index either way, and a rejected one is overwritten by the next attempt.
  // Acceptance is random, so a branch on it would be mispredicted often.
  std::int32_t idev = 0;
  while (idev < n) {
    ranmar(u, two);
    const float v = (u[1] - shift) * scale;
    const float x = u[0] - s;
    const float y = std::fabs(v) - t;
    const float q = x * x + y * (a * y - b * x);
    bool accept = q < r1;
    // q in [r1, r2], formed without branches: the band is rare, so this is
    // the only branch, and it is well predicted.
    const bool in_band = !accept & !(q > r2);
    if (in_band) {
      // Only the narrow band between the two bounds needs the logarithm;
      // ranmar never returns 0, so it is always defined.
      const float bound = -((std::log(u[0]) * log_factor) * (u[0] * u[0]));
      accept = !(v * v > bound);
    }
    devias[idev] = v / u[0];
    idev += accept ? 1 : 0;
  }
}

FIO_FORTRAN_ALIAS(void, gaudev, (float*, const std::int32_t&))
