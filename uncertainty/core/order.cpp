// Order keys, their radix sort, the exact selection of order statistics
// over samples held apart, the one quantile rule and the CRC-32C of saved
// parts.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "order_keys.hpp"
#include "pdferr/band.hpp"

namespace pdferr::uncertainty {

std::uint64_t order_key(double v) { return detail::key_of(v); }

double key_value(std::uint64_t key) { return detail::value_of(key); }

// Each pass moves the keys between a and the other buffer; after an odd
// count of passes they lie in the other buffer and are copied back.  The
// high digits of one point's samples are mostly the same in every key, so
// most sorts need two or three passes.
void sort_keys(std::uint64_t* a, std::size_t n) {
  if (n < 2) return;
  std::vector<std::uint64_t> other(n);
  std::uint64_t* from = a;
  std::uint64_t* to = other.data();
  std::vector<std::size_t> count(std::size_t{1} << 16);
  for (int shift = 0; shift < 64; shift += 16) {
    std::fill(count.begin(), count.end(), 0);
    for (std::size_t i = 0; i < n; ++i) ++count[(from[i] >> shift) & 0xffff];
    if (count[(from[0] >> shift) & 0xffff] == n) continue;
    std::size_t sum = 0;
    for (std::size_t& c : count) {
      const std::size_t here = c;
      c = sum;
      sum += here;
    }
    for (std::size_t i = 0; i < n; ++i) to[count[(from[i] >> shift) & 0xffff]++] = from[i];
    std::swap(from, to);
  }
  if (from != a) std::copy(from, from + n, a);
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

namespace {

// The table of the reflected polynomial 0x82F63B78: the remainder of each
// byte value, shifted through eight steps.
constexpr std::array<std::uint32_t, 256> crc_table() {
  std::array<std::uint32_t, 256> t{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? (c >> 1) ^ 0x82F63B78u : c >> 1;
    t[i] = c;
  }
  return t;
}
constexpr std::array<std::uint32_t, 256> crc_bytes = crc_table();

}  // namespace

std::uint32_t crc32c(const void* bytes, std::size_t n, std::uint32_t crc) {
  const auto* p = static_cast<const unsigned char*>(bytes);
  std::uint32_t c = ~crc;
  for (std::size_t i = 0; i < n; ++i) c = (c >> 8) ^ crc_bytes[(c ^ p[i]) & 0xff];
  return ~c;
}

}  // namespace pdferr::uncertainty
