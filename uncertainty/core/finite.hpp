// Whether an array holds a value that is not finite, in one pass without
// branches: a double is infinite or NaN exactly when its 11 exponent bits
// are all ones, and adding 2^52 to the exponent field then carries into the
// sign bit.  Integer operations combine in any order, so the loop runs in
// vector lanes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace pdferr::uncertainty::detail {

inline bool any_not_finite(const double* v, std::size_t n) {
  constexpr std::uint64_t exponent = 0x7ff0000000000000u;
  constexpr std::uint64_t carry = std::uint64_t{1} << 52;
  std::uint64_t seen = 0;
  for (std::size_t i = 0; i < n; ++i) {
    std::uint64_t bits;
    std::memcpy(&bits, v + i, sizeof bits);
    seen |= (bits & exponent) + carry;
  }
  return (seen >> 63) != 0;
}

}  // namespace pdferr::uncertainty::detail
