// Order keys inline, the order statistics a central interval of many draws
// needs at each point, and the interval ends from their keys: shared by the
// runs that select over held samples and the runs that draw again.
#ifndef PDFERR_UNCERTAINTY_ORDER_KEYS_HPP
#define PDFERR_UNCERTAINTY_ORDER_KEYS_HPP

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pdferr/band.hpp"

namespace pdferr::uncertainty::detail {

// order_key and key_value, inline for the loops over every draw.
inline std::uint64_t key_of(double v) {
  const auto bits = std::bit_cast<std::uint64_t>(v);
  constexpr std::uint64_t sign = std::uint64_t{1} << 63;
  return (bits & sign) != 0 ? ~bits : bits | sign;
}

inline double value_of(std::uint64_t key) {
  constexpr std::uint64_t sign = std::uint64_t{1} << 63;
  return std::bit_cast<double>((key & sign) != 0 ? key & ~sign : ~key);
}

struct IntervalRanks {
  QuantileRanks low, high;

  IntervalRanks(std::uint64_t draws, double probability)
      : low(quantile_ranks(draws, (1.0 - probability) / 2.0)),
        high(quantile_ranks(draws, (1.0 + probability) / 2.0)) {}

  // The ranks wanted at each point, in the order of the keys below.
  std::array<std::uint64_t, 4> ranks() const {
    return {low.below, low.above, high.below, high.above};
  }

  // The ends from keys[4 p .. 4 p + 4), the keys of ranks() at point p.
  void ends(const std::vector<std::uint64_t>& keys, std::size_t points, std::vector<double>& lows,
            std::vector<double>& highs) const {
    for (std::size_t p = 0; p < points; ++p) {
      lows.push_back(quantile_from(low, key_value(keys[4 * p]), key_value(keys[4 * p + 1])));
      highs.push_back(quantile_from(high, key_value(keys[4 * p + 2]), key_value(keys[4 * p + 3])));
    }
  }
};

}  // namespace pdferr::uncertainty::detail

#endif
