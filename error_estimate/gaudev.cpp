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
  for (std::int32_t idev = 0; idev < n; ++idev) {
    for (;;) {
      ranmar(u, two);
      const float v = (u[1] - shift) * scale;
      const float x = u[0] - s;
      const float y = std::fabs(v) - t;
      const float q = x * x + y * (a * y - b * x);
      if (q < r1) {
        devias[idev] = v / u[0];
        break;
      }
      if (q > r2) continue;
      // Only the narrow band between the two bounds needs the logarithm;
      // ranmar never returns 0, so it is always defined.
      const float bound = -((std::log(u[0]) * log_factor) * (u[0] * u[0]));
      if (v * v > bound) continue;
      devias[idev] = v / u[0];
      break;
    }
  }
}

FIO_FORTRAN_ALIAS(void, gaudev, (float*, const std::int32_t&))
