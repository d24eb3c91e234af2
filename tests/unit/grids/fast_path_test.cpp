// The faster path of the evaluation against the straightforward cell
// search and corner sum, on random ascending grids of one to five
// dimensions with repeated nodes, points on nodes, outside the nodes and
// NaN.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "interpolation.hpp"
#include "isa.hpp"

namespace {

namespace grids = pdferr::grids;

bool same_bits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

TEST(FastPath, CellOnAscendingNodesIsTheLinearScansCell) {
  std::mt19937_64 rng(2008);
  std::uniform_int_distribution<int> dims(1, 5), count(2, 9), pick(0, 9);
  std::uniform_real_distribution<double> u(-3.0, 3.0);
  for (int trial = 0; trial < 20000; ++trial) {
    const int ndim = dims(rng);
    std::int32_t nnodes[5];
    std::vector<double> nodes;
    for (int i = 0; i < ndim; ++i) {
      nnodes[i] = count(rng);
      std::vector<double> d(static_cast<std::size_t>(nnodes[i]));
      for (double& v : d) v = std::round(u(rng) * 4) / 4;  // repeats happen
      std::sort(d.begin(), d.end());
      // Equal neighbours at a cell's ends make a zero width; keep them
      // only where the scan can never land on them as a cell.
      for (std::size_t k = 1; k < d.size(); ++k) {
        if (d[k] <= d[k - 1]) d[k] = d[k - 1] + 0.25;
      }
      nodes.insert(nodes.end(), d.begin(), d.end());
    }
    double coord[5];
    std::size_t first = 0;
    for (int i = 0; i < ndim; ++i) {
      const int kind = pick(rng);
      const auto n = static_cast<std::size_t>(nnodes[i]);
      if (kind == 0) {
        coord[i] = std::numeric_limits<double>::quiet_NaN();
      } else if (kind <= 3) {
        coord[i] = nodes[first + static_cast<std::size_t>(pick(rng)) % n];  // on a node
      } else {
        coord[i] = u(rng) * 1.5;  // inside or outside
      }
      first += n;
    }
    const grids::Cell a = grids::find_cell(ndim, coord, nnodes, nodes.data());
    const grids::Cell b = grids::find_cell_ascending(ndim, coord, nnodes, nodes.data());
    ASSERT_EQ(a.base, b.base) << trial;
    for (int i = 0; i < ndim; ++i) ASSERT_TRUE(same_bits(a.w[i], b.w[i])) << trial << ' ' << i;
  }
}

TEST(FastPath, NodeCountPicksTheVersionForThisProcessor) {
  EXPECT_EQ(testsupport::isa_name(grids::count_below.chosen()), testsupport::expected_isa());
}

TEST(FastPath, EveryVersionOfTheNodeCountCountsTheNodesBelow) {
  // Ascending nodes with repeats, of every length up to a few vectors and a
  // remainder; coordinates on, between and beyond the nodes, infinite and
  // NaN.  Below a coordinate lie the nodes before its lower bound; below a
  // NaN lie all.
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<double> nodes;
  for (int k = 0; k < 40; ++k) nodes.push_back(std::floor(k / 3.0) - 5.0);
  nodes.back() = inf;
  for (const pdferr::simd::Isa isa : testsupport::runnable_isas()) {
    const auto count_below = grids::count_below.variant(isa);
    for (std::int64_t n = 1; n <= 40; ++n) {
      const auto end = nodes.begin() + n;
      for (const double c : {-inf, -6.0, -5.0, -4.5, 0.0, 1.0, 7.0, 8.5, inf, nan}) {
        const std::int64_t expected =
            std::isnan(c) ? n : std::lower_bound(nodes.begin(), end, c) - nodes.begin();
        ASSERT_EQ(count_below(nodes.data(), n, c), expected)
            << testsupport::isa_name(isa) << ' ' << n << ' ' << c;
      }
    }
  }
}

TEST(FastPath, SixSumsOfOneCellAreTheCornerSums) {
  // Tables of mixed signs and magnitudes, zeros (a sum of a negative zero
  // product), and a NaN weight.
  std::mt19937_64 rng(1410);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  const std::int32_t nnodes[2] = {47, 30};
  std::vector<double> tables(6 * 47 * 30);
  for (double& v : tables) v = u(rng) * std::exp(20 * u(rng));
  for (std::size_t k = 0; k < tables.size(); k += 7) tables[k] = k % 2 ? 0.0 : -0.0;
  std::vector<double> nodes(77);
  for (int k = 0; k < 47; ++k) nodes[static_cast<std::size_t>(k)] = -11.5 + 0.25 * k;
  for (int k = 0; k < 30; ++k) nodes[static_cast<std::size_t>(47 + k)] = -0.2 + 0.5 * k;
  for (int trial = 0; trial < 5000; ++trial) {
    double coord[2] = {-12.0 + 12.5 * (u(rng) + 1) / 2, -0.5 + 15.5 * (u(rng) + 1) / 2};
    if (trial % 50 == 0) coord[trial % 100 == 0 ? 0 : 1] = std::nan("");
    if (trial % 9 == 0) coord[0] = nodes[static_cast<std::size_t>(trial % 47)];
    const grids::Cell cell = grids::find_cell(2, coord, nnodes, nodes.data());
    double sums[6];
    grids::corner_sums_2d(cell, nnodes, tables.data(), 6, sums);
    for (int c = 0; c < 6; ++c) {
      const double want =
          grids::corner_sum(cell, nnodes, tables.data() + static_cast<std::size_t>(c) * 47 * 30);
      ASSERT_TRUE(same_bits(sums[c], want)) << trial << ' ' << c;
    }
  }
}

}  // namespace
