#include "select.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pdferr::cli {

std::uint64_t order_key(double v) {
  const auto bits = std::bit_cast<std::uint64_t>(v);
  constexpr std::uint64_t sign = std::uint64_t{1} << 63;
  return (bits & sign) != 0 ? ~bits : bits | sign;
}

double key_value(std::uint64_t key) {
  constexpr std::uint64_t sign = std::uint64_t{1} << 63;
  return std::bit_cast<double>((key & sign) != 0 ? key & ~sign : ~key);
}

std::uint64_t count_at_or_below(const std::uint64_t* sorted, std::size_t n, std::uint64_t key) {
  return static_cast<std::uint64_t>(std::upper_bound(sorted, sorted + n, key) - sorted);
}

std::vector<std::uint64_t> select_keys(const std::vector<Rank>& queries, const LocalCount& local,
                                       const SumCounts& sum) {
  const std::size_t n = queries.size();
  // The answer of query q lies in [low[q], high[q]].
  std::vector<std::uint64_t> low(n, 0), high(n, ~std::uint64_t{0}), mid(n), counts(n);
  for (int round = 0; round < 64; ++round) {
    for (std::size_t q = 0; q < n; ++q) {
      mid[q] = low[q] + (high[q] - low[q]) / 2;
      counts[q] = low[q] < high[q] ? local(queries[q].point, mid[q]) : 0;
    }
    sum(counts);
    for (std::size_t q = 0; q < n; ++q) {
      if (low[q] == high[q]) continue;
      if (counts[q] > queries[q].rank) {
        high[q] = mid[q];
      } else {
        low[q] = mid[q] + 1;
      }
    }
  }
  return low;
}

QuantileRanks quantile_ranks(std::uint64_t n, double p) {
  const double h = static_cast<double>(n - 1) * p;
  if (h >= static_cast<double>(n - 1)) return {n - 1, n - 1, 0.0, true};
  const double below = std::floor(h);
  const auto i = static_cast<std::uint64_t>(below);
  return {i, i + 1, h - below, false};
}

double quantile_from(const QuantileRanks& r, double a, double b) {
  if (r.last) return a;
  const double diff = b - a;
  return r.g >= 0.5 ? b - diff * (1.0 - r.g) : a + diff * r.g;
}

}  // namespace pdferr::cli
