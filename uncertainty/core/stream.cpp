// A Monte Carlo run that keeps no samples: the exact interval ends from
// passes that draw the part's blocks again, narrowing each wanted order
// statistic to a window of keys, until the windows are single keys or few
// enough keys to collect.
//
// The first pass also sums the moments, and counts each point's keys in
// bins of value over a range taken from the run's first block (which every
// holder draws for itself), with one slot for the keys under the range and
// one for those over it.  The counts of every holder are added up, and the
// bin that holds each wanted rank becomes that rank's next window.  Later
// passes count a window's keys in bins of key (a power of two of keys
// each), which shrink a window by the count of bins every pass; a window
// whose keys, over all holders, fit in what is left of the key budget is
// collected instead, and its ranks selected among the collected keys over
// all holders (select_keys).  Every holder takes every decision from the
// added counts, so all take the same passes.  The first pass keeps the
// coefficients of as many draws as StreamMemory allows, and the later
// passes take them instead of drawing them again.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <limits>
#include <new>
#include <numeric>
#include <utility>
#include <vector>

#include "order_keys.hpp"
#include "pdferr/band.hpp"

namespace pdferr::uncertainty {
namespace {

constexpr std::uint64_t last_key = ~std::uint64_t{0};

// The keys [lo, hi] of a point that hold the wanted ranks `wanted` (indices
// into the queries), and how the next pass treats them.
struct Window {
  std::size_t point = 0;
  std::uint64_t lo = 0, hi = last_key;
  std::uint64_t below = 0;  // the point's keys under lo, over all holders
  std::uint64_t total = 0;  // its keys in [lo, hi], over all holders
  std::vector<std::size_t> wanted;

  bool collect = false;
  std::vector<std::uint64_t> keys;  // this holder's keys in [lo, hi]

  // Bins: slot 0 counts the keys under blo, slot bins + 1 those over bhi,
  // slot 1 + j those of bin j: by value, j = (v - vlo) * scale (at most
  // bins - 1), or by key, j = (key - blo) >> shift.
  std::uint64_t blo = 0, bhi = last_key;
  bool by_value = false;
  double vlo = 0.0, scale = 0.0;
  unsigned shift = 0;
  std::size_t bins = 1;
  std::size_t at = 0;  // slot 0's place in the pass's counts

  std::size_t slot(std::uint64_t key, double v) const {
    if (key < blo) return 0;
    if (key > bhi) return bins + 1;
    if (!by_value) return 1 + static_cast<std::size_t>((key - blo) >> shift);
    return 1 + std::min(bins - 1, static_cast<std::size_t>((v - vlo) * scale));
  }

  // Bins of key over the whole window, at most `most` (>= 2) of them.
  void bin_keys(std::size_t most) {
    by_value = false;
    blo = lo;
    bhi = hi;
    shift = 0;
    while (((hi - lo) >> shift) >= most) ++shift;
    bins = static_cast<std::size_t>((hi - lo) >> shift) + 1;
  }

  // Bins of value over [vlo, vhi] (finite, vlo <= vhi, with a finite
  // difference), `most` of them.
  void bin_values(double low, double high, std::size_t most) {
    by_value = true;
    vlo = low;
    blo = order_key(low);
    bhi = order_key(high);
    bins = most;
    scale = high > low ? static_cast<double>(most) / (high - low) : 0.0;
  }

  // The first key of [blo, bhi + 1) in slot s or above (slots rise with
  // the key).
  std::uint64_t first_in(std::size_t s) const {
    std::uint64_t a = blo, b = bhi;  // the answer lies in [a, b + 1]
    if (slot(b, detail::value_of(b)) < s) return b + 1;
    while (a < b) {
      const std::uint64_t m = a + (b - a) / 2;
      if (slot(m, detail::value_of(m)) >= s) {
        b = m;
      } else {
        a = m + 1;
      }
    }
    return a;
  }

  // The keys of slot s, within [lo, hi].
  void slot_keys(std::size_t s, std::uint64_t& from, std::uint64_t& to) const {
    if (s == 0) {
      from = lo;
      to = blo - 1;
    } else if (s == bins + 1) {
      from = bhi + 1;
      to = hi;
    } else if (!by_value) {
      const std::uint64_t j = s - 1;
      from = blo + (j << shift);
      to = s == bins ? bhi : blo + ((j + 1) << shift) - 1;
    } else {
      from = first_in(s);
      to = s == bins ? bhi : first_in(s + 1) - 1;
    }
  }
};

// The first pass's bins at a point: by value over the range of the values
// of the run's first block (rows, count draws), which holds the central
// intervals of the usual levels (a block of 256 normal draws spans about
// 5.5 standard deviations); by key over all keys where those values give
// no finite range.
void first_bins(Window& w, const double* rows, std::size_t count, std::size_t points,
                std::size_t most) {
  double low = std::numeric_limits<double>::infinity(), high = -low;
  for (std::size_t d = 0; d < count; ++d) {
    const double v = rows[d * points + w.point];
    if (!std::isfinite(v)) continue;
    low = std::min(low, v);
    high = std::max(high, v);
  }
  if (!(low <= high) || !std::isfinite(high - low)) return w.bin_keys(most);
  w.bin_values(low, high, most);
}

// A block's values of the window's point (values[d * stride], count draws)
// collected or counted in the window's slots.
void pass_block(Window& w, const double* values, std::size_t stride, std::size_t count,
                std::uint64_t* c) {
  if (w.collect) {
    for (std::size_t d = 0; d < count; ++d) {
      const std::uint64_t key = detail::key_of(values[d * stride]);
      if (key >= w.lo && key <= w.hi) w.keys.push_back(key);
    }
    return;
  }
  // The slots first (a slot past the window's for keys outside it), then
  // the counts, so that the loop of counts waits on nothing but memory.
  std::size_t slot[MonteCarlo::block_draws];
  const std::size_t outside = w.bins + 2;
  for (std::size_t d = 0; d < count; ++d) {
    const std::uint64_t key = detail::key_of(values[d * stride]);
    slot[d] = key >= w.lo && key <= w.hi ? w.slot(key, values[d * stride]) : outside;
  }
  for (std::size_t d = 0; d < count; ++d) ++c[slot[d]];
}

}  // namespace

McStream MonteCarlo::stream(std::uint64_t k, std::uint64_t parts, double probability,
                            const SumCounts& sum,
                            const std::function<void(unsigned, std::uint64_t)>& progress,
                            StreamMemory memory) const {
  const std::size_t points = central_.size();
  std::uint64_t first = 0, end = 0;
  McStream out;
  out.moments = part_moments(k, parts, first, end);

  const detail::IntervalRanks wanted(draws_, probability);
  std::vector<std::uint64_t> rank, answer(4 * points);
  std::vector<Window> windows(points);
  for (std::size_t p = 0; p < points; ++p) {
    windows[p].point = p;
    windows[p].total = draws_;
    for (std::uint64_t r : wanted.ranks()) {
      windows[p].wanted.push_back(rank.size());
      rank.push_back(r);
    }
  }
  const auto bins_each = [this, &memory](std::size_t binned) {
    // More bins than draws would mostly stay empty.
    const std::size_t most = memory.counters / std::max<std::size_t>(binned, 1);
    return static_cast<std::size_t>(std::clamp<std::uint64_t>(most, 4, draws_ + 2)) - 2;
  };
  each_block(0, 1, [&](std::uint64_t, const double* rows, std::size_t count) {
    for (Window& w : windows) first_bins(w, rows, count, points, bins_each(points));
  });

  // Kept where memory allows: a holder that fails here would leave the
  // others waiting in the first sum.
  std::vector<float> kept;
  try {
    kept.reserve(static_cast<std::size_t>(
        std::min<std::uint64_t>(memory.coefficients, part_draws(draws_, k, parts) * n_)));
  } catch (const std::bad_alloc&) {
  }
  std::vector<std::uint64_t> counts;
  std::vector<std::vector<std::size_t>> of_point(points);
  while (out.passes == 0 || !windows.empty()) {
    ++out.passes;
    const bool first_pass = out.passes == 1;
    std::size_t slots = 0;
    for (auto& list : of_point) list.clear();
    for (std::size_t i = 0; i < windows.size(); ++i) {
      Window& w = windows[i];
      of_point[w.point].push_back(i);
      w.at = slots;
      if (w.collect) continue;
      slots += w.bins + 3;  // the last counts the keys outside the window
    }
    // The last count is the holders that failed in the pass.
    counts.assign(slots + 1, 0);
    std::exception_ptr failure;
    try {
      each_block(
          first, end,
          [&](std::uint64_t b, const double* rows, std::size_t count) {
            if (first_pass) out.moments.add(rows, count);
            for (std::size_t p = 0; p < points; ++p) {
              for (std::size_t i : of_point[p]) {
                pass_block(windows[i], rows + p, points, count, counts.data() + windows[i].at);
              }
            }
            if (progress) progress(out.passes, b + 1 - first);
          },
          &kept);
    } catch (...) {
      failure = std::current_exception();
      counts.back() = 1;
    }
    sum(counts);
    if (failure) std::rethrow_exception(failure);
    if (counts.back() != 0) throw FailedElsewhere("another holder's part failed");

    // Each binned window's ranks go to the slots that hold them.
    std::vector<Window> next, collected;
    for (Window& w : windows) {
      if (w.collect) {
        std::sort(w.keys.begin(), w.keys.end());
        collected.push_back(std::move(w));
        continue;
      }
      std::uint64_t under = w.below;
      std::size_t s = 0;
      for (std::size_t q : w.wanted) {  // ranks ascending within a point
        while (rank[q] >= under + counts[w.at + s]) under += counts[w.at + s++];
        if (next.empty() || next.back().point != w.point || next.back().below != under) {
          Window n;
          n.point = w.point;
          w.slot_keys(s, n.lo, n.hi);
          n.below = under;
          n.total = counts[w.at + s];
          next.push_back(std::move(n));
        }
        next.back().wanted.push_back(q);
      }
    }
    if (!collected.empty()) {
      std::vector<Rank> queries;
      for (std::size_t i = 0; i < collected.size(); ++i) {
        for (std::size_t q : collected[i].wanted) {
          queries.push_back({i, rank[q] - collected[i].below});
        }
      }
      const auto local = [&collected](std::size_t i, std::uint64_t key) {
        const std::vector<std::uint64_t>& keys = collected[i].keys;
        return count_at_or_below(keys.data(), keys.size(), key);
      };
      const std::vector<std::uint64_t> keys = select_keys(queries, local, sum);
      std::size_t j = 0;
      for (const Window& w : collected) {
        for (std::size_t q : w.wanted) answer[q] = keys[j++];
      }
    }

    // A window of one key is answered; of the others, the smallest are
    // collected while the key budget lasts, the rest binned by key.
    windows.clear();
    for (Window& w : next) {
      if (w.lo == w.hi) {
        for (std::size_t q : w.wanted) answer[q] = w.lo;
      } else {
        windows.push_back(std::move(w));
      }
    }
    std::vector<std::size_t> order(windows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&windows](std::size_t a, std::size_t b) {
      return windows[a].total < windows[b].total;
    });
    std::uint64_t budget = memory.keys;
    std::size_t binned = windows.size();
    for (std::size_t i : order) {
      if (windows[i].total > budget) break;
      budget -= windows[i].total;
      windows[i].collect = true;
      --binned;
    }
    for (Window& w : windows) {
      if (!w.collect) w.bin_keys(bins_each(binned));
    }
  }
  wanted.ends(answer, points, out.low, out.high);
  return out;
}

}  // namespace pdferr::uncertainty
