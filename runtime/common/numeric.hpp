// Small helpers shared by the readers and the generator, written once.
#pragma once

#include <cstdint>

namespace pdferr::common {

// 10^k for k = 0..22, each exact in a 64-bit float: a decimal mantissa
// below 2^53 multiplied or divided by one of them is rounded once.
inline constexpr double exact_power10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                           1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                           1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
inline constexpr int max_exact_power10 = 22;

inline constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }

// a mod m in [0, m), for m > 0.
inline constexpr std::int64_t floor_mod(std::int64_t a, std::int64_t m) {
  const std::int64_t r = a % m;
  return r < 0 ? r + m : r;
}

}  // namespace pdferr::common
