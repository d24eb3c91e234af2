// Order statistics selected over samples held apart against the library's
// quantiles of all the samples together.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "band.hpp"
#include "pdferr/uncertainty.hpp"
#include "select.hpp"

namespace {

using pdferr::cli::order_key;

TEST(OrderKeys, SortAsTheValuesAndGoBack) {
  const double inf = std::numeric_limits<double>::infinity();
  const double sub = std::numeric_limits<double>::denorm_min();
  const double ascending[] = {-inf, -1e300, -1.5, -sub, -0.0, 0.0, sub, 1e-300, 1.0, 2.5, inf};
  for (std::size_t i = 0; i < std::size(ascending); ++i) {
    const std::uint64_t k = order_key(ascending[i]);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(pdferr::cli::key_value(k)),
              std::bit_cast<std::uint64_t>(ascending[i]));
    if (i > 0) {
      EXPECT_LT(order_key(ascending[i - 1]), k) << ascending[i];
    }
  }
}

// The samples of two points dealt to `holders` holders (unevenly, some
// empty), each sorting its own keys; the interval ends from the selected
// order statistics are the bits of central_interval over all samples.
TEST(Selection, IntervalsOverHoldersAreThoseOfAllSamples) {
  namespace unc = pdferr::uncertainty;
  struct Case {
    std::uint64_t n;
    std::size_t holders;
    double probability;
    bool ties;  // values on a coarse lattice, many equal
  };
  const Case cases[] = {{2, 1, 0.68, false},      {3, 4, 0.9, false},    {257, 3, 0.68, true},
                        {1000, 2, 0.6826, false}, {999, 5, 0.999, true}, {64, 7, 0.5, false}};
  std::mt19937_64 rng(20261208);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    std::normal_distribution<double> normal(0.0, 1.0);
    std::vector<std::vector<double>> all(2);
    std::vector<std::vector<std::vector<std::uint64_t>>> held(
        c.holders, std::vector<std::vector<std::uint64_t>>(2));
    for (std::size_t p = 0; p < 2; ++p) {
      for (std::uint64_t d = 0; d < c.n; ++d) {
        double v = normal(rng) * (p == 0 ? 1.0 : -3e-5);
        if (c.ties) v = std::round(v * 4.0) / 4.0;
        all[p].push_back(v);
        // Holder h takes a stretch of draws of uneven length.
        held[(d * d / c.n * c.holders / c.n) % c.holders][p].push_back(order_key(v));
      }
      for (auto& h : held) std::sort(h[p].begin(), h[p].end());
    }
    const pdferr::cli::QuantileRanks lo = pdferr::cli::quantile_ranks(c.n, (1 - c.probability) / 2);
    const pdferr::cli::QuantileRanks hi = pdferr::cli::quantile_ranks(c.n, (1 + c.probability) / 2);
    std::vector<pdferr::cli::Rank> queries;
    for (std::size_t p = 0; p < 2; ++p) {
      for (std::uint64_t r : {lo.below, lo.above, hi.below, hi.above}) queries.push_back({p, r});
    }
    // The counts of every holder added up, as merge does.
    const auto every = [&](std::size_t p, std::uint64_t key) {
      std::uint64_t n = 0;
      for (const auto& h : held) n += pdferr::cli::count_at_or_below(h[p].data(), h[p].size(), key);
      return n;
    };
    const std::vector<std::uint64_t> keys =
        pdferr::cli::select_keys(queries, every, [](std::vector<std::uint64_t>&) {});
    for (std::size_t p = 0; p < 2; ++p) {
      const unc::Interval want =
          unc::central_interval(all[p].data(), c.n, unc::Confidence::central(c.probability));
      const double low = pdferr::cli::quantile_from(lo, pdferr::cli::key_value(keys[4 * p]),
                                                    pdferr::cli::key_value(keys[4 * p + 1]));
      const double high = pdferr::cli::quantile_from(hi, pdferr::cli::key_value(keys[4 * p + 2]),
                                                     pdferr::cli::key_value(keys[4 * p + 3]));
      EXPECT_EQ(std::bit_cast<std::uint64_t>(low), std::bit_cast<std::uint64_t>(want.low));
      EXPECT_EQ(std::bit_cast<std::uint64_t>(high), std::bit_cast<std::uint64_t>(want.high));
    }
  }
}

// A block that takes more generator numbers than its stride is refused,
// never left to overlap the next block's numbers.
TEST(Blocks, AnOverrunIsRefused) {
  pdferr::cli::Setup s;
  s.x = {0.1};
  s.central = {1.0};
  s.shift = {0.5};
  s.factor = {1.0f};
  s.coefficients = 1;
  s.draws = 300;
  s.seed = 1;
  // 256 deviates take about 700 numbers: within 4096, beyond 256.
  s.stride = 4096;
  EXPECT_EQ(pdferr::cli::draw_blocks(s, 0, 2, [](std::uint64_t) {}).count, 300u);
  s.stride = 256;
  EXPECT_THROW(pdferr::cli::draw_blocks(s, 0, 1, [](std::uint64_t) {}), pdferr::cli::Failure);
}

// Sorting each point's keys: the passes that run are one (odd, so the keys
// end in the other buffer and must come back), three, or four, and a pass
// is skipped only where every key has the same digit (here three of four
// share the first key's low digit, and that pass must still run).
TEST(SortSamples, EveryPassCountAndNoPassSkippedWrongly) {
  const std::vector<std::vector<std::uint64_t>> cases = {
      {0x0005, 0x0003, 0x0009, 0x0001, 0x0007},  // the low digit only
      {0x0005, 0x0005, 0x0005, 0x0001},          // three of four alike
      {0x0000'0001'0000'0002, 0x0000'0000'0003'0001, 0x0000'0001'0000'0001,
       0x0000'0000'0000'0004},  // three digits
      {0x8000'0000'0000'0001, 0x0001'0002'0003'0004, 0x8000'0001'0000'0000, 0x0000'0000'0000'0000,
       0xFFFF'FFFF'FFFF'FFFF}};  // all four
  for (const std::vector<std::uint64_t>& keys : cases) {
    pdferr::cli::Samples samples;
    samples.count = keys.size();
    // Two points: the second holds the same keys reversed.
    samples.keys = keys;
    samples.keys.insert(samples.keys.end(), keys.rbegin(), keys.rend());
    pdferr::cli::sort_samples(samples);
    std::vector<std::uint64_t> sorted = keys;
    std::sort(sorted.begin(), sorted.end());
    sorted.insert(sorted.end(), sorted.begin(), sorted.end());
    EXPECT_EQ(samples.keys, sorted) << "first key " << keys[0];
  }
}

// At g exactly 0.5 the interpolated quantile is numpy's, from the upper
// order statistic: for 0.1 and 0.7 that is 0.39999999999999997, where the
// lower one's formula would give 0.4.
TEST(Selection, HalfWayTakesTheUpperFormula) {
  const double v[] = {0.1, 0.7, 1.0};
  const pdferr::cli::QuantileRanks r = pdferr::cli::quantile_ranks(3, 0.25);
  ASSERT_EQ(r.g, 0.5);
  const double q = pdferr::cli::quantile_from(r, v[r.below], v[r.above]);
  EXPECT_EQ(q, pdferr::uncertainty::quantile(v, 3, 0.25));
  EXPECT_EQ(q, 0.39999999999999997);
}

}  // namespace
