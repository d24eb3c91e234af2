// Exact order statistics over samples spread across several holders
// (processes, partial files), without bringing them together.
//
// A double is mapped to a 64-bit key that sorts as the double does (with
// -0 before +0).  The k-th smallest sample of a point is the smallest key K
// such that at least k + 1 samples have a key <= K; it is found by bisection
// over the 2^64 keys, 64 rounds, each round counting in every holder the
// samples at or below the candidate keys and adding the counts up.  Every
// holder keeps its own samples, sorted; a round costs a binary search per
// query in each holder and one exchange of the counts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace pdferr::cli {

std::uint64_t order_key(double v);
double key_value(std::uint64_t key);

// One wanted order statistic: the rank-th smallest (from 0) sample of point.
struct Rank {
  std::size_t point;
  std::uint64_t rank;
};

// Counts the samples of each query's point with a key at or below key[q],
// over the holder's own samples; sorted: the point's keys, ascending.
std::uint64_t count_at_or_below(const std::uint64_t* sorted, std::size_t n, std::uint64_t key);

// Adds the counts of all holders up, in place (the identity for one holder).
using SumCounts = std::function<void(std::vector<std::uint64_t>& counts)>;
// The holder's own count for one point and key.
using LocalCount = std::function<std::uint64_t(std::size_t point, std::uint64_t key)>;

// The keys of the wanted order statistics.  Every holder calls this with
// the same queries; each rank must be below the point's total count.
std::vector<std::uint64_t> select_keys(const std::vector<Rank>& queries, const LocalCount& local,
                                       const SumCounts& sum);

// The quantile at probability p of N samples as numpy's "linear" rule forms
// it from the order statistics: h = (N - 1) p, i = floor(h), g = h - i.
struct QuantileRanks {
  std::uint64_t below;  // i (N - 1 when h >= N - 1)
  std::uint64_t above;  // i + 1, or i when h >= N - 1
  double g;
  bool last;  // h >= N - 1: the quantile is the largest sample
};
QuantileRanks quantile_ranks(std::uint64_t n, double p);
double quantile_from(const QuantileRanks& r, double a, double b);

}  // namespace pdferr::cli
