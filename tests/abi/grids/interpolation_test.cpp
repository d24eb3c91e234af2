// dfint_pelk: the documented cases, extrapolation, NaN, agreement bit for
// bit with an independent implementation, and the rejected shapes.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "grids_testing.hpp"

namespace {

using gridtest::same_bits;

double one_dim(double coord) {
  const std::int32_t n = 3;
  const double nodes[3] = {0, 1, 2};
  const double table[3] = {0, 10, 40};
  return dfint_pelk(1, &coord, &n, nodes, table);
}

TEST(Dfint, OneDimensionInsideAndExtrapolated) {
  EXPECT_EQ(one_dim(1.5), 25.0);
  EXPECT_EQ(one_dim(3.0), 70.0);    // from the last cell
  EXPECT_EQ(one_dim(-1.0), -10.0);  // from the first cell
  // On a node: weight 1 on that node.
  EXPECT_EQ(one_dim(0.0), 0.0);
  EXPECT_EQ(one_dim(1.0), 10.0);
  EXPECT_EQ(one_dim(2.0), 40.0);
  EXPECT_TRUE(std::isnan(one_dim(std::numeric_limits<double>::quiet_NaN())));
}

TEST(Dfint, TwoDimensionsColumnMajor) {
  const std::int32_t n[2] = {2, 2};
  const double nodes[4] = {0, 1, 0, 1};
  const double table[4] = {1, 2, 3, 4};  // 1 + a1 + 2 a2
  const double mid[2] = {0.5, 0.5};
  EXPECT_EQ(dfint_pelk(2, mid, n, nodes, table), 2.5);
  const double corner[2] = {1, 0};
  EXPECT_EQ(dfint_pelk(2, corner, n, nodes, table), 2.0);
}

TEST(Dfint, OnANodeReturnsTheNodeValueExactly) {
  // Irregular nodes and values with many bits: weights 0 and 1 exactly.
  const std::int32_t n[2] = {4, 3};
  const double nodes[7] = {-2.5, -0.3, 0.1, 7.0, 1.0 / 3, 2.0 / 3, 1.0};
  double table[12];
  for (int k = 0; k < 12; ++k) table[k] = std::sqrt(k + 2.0) * 1e-3;
  for (int a = 0; a < 4; ++a) {
    for (int b = 0; b < 3; ++b) {
      const double p[2] = {nodes[a], nodes[4 + b]};
      EXPECT_TRUE(same_bits(dfint_pelk(2, p, n, nodes, table), table[a + 4 * b])) << a << b;
    }
  }
}

TEST(Dfint, AgreesBitForBitWithTheDefinitionInOneToFiveDimensions) {
  std::mt19937_64 rng(2008);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int ndim = 1; ndim <= 5; ++ndim) {
    for (int trial = 0; trial < 200; ++trial) {
      std::vector<std::int32_t> n(static_cast<std::size_t>(ndim));
      std::vector<double> nodes;
      std::size_t cells = 1;
      for (auto& m : n) {
        m = 2 + static_cast<std::int32_t>(rng() % 4);
        double x = unit(rng) - 0.5;
        for (int k = 0; k < m; ++k) {
          nodes.push_back(x);
          x += 0.1 + unit(rng);
        }
        cells *= static_cast<std::size_t>(m);
      }
      std::vector<double> table(cells);
      for (auto& v : table) v = unit(rng) * 100 - 50;
      // Points inside, outside on both sides, and on nodes.
      std::vector<double> coord(static_cast<std::size_t>(ndim));
      std::size_t offset = 0;
      for (std::size_t i = 0; i < coord.size(); ++i) {
        const double lo = nodes[offset];
        const double hi = nodes[offset + static_cast<std::size_t>(n[i]) - 1];
        const std::uint64_t kind = rng() % 5;
        if (kind == 0) {
          coord[i] = nodes[offset + rng() % static_cast<std::size_t>(n[i])];
        } else {
          coord[i] = lo + (hi - lo) * (unit(rng) * 1.6 - 0.3);
        }
        offset += static_cast<std::size_t>(n[i]);
      }
      const double got = dfint_pelk(ndim, coord.data(), n.data(), nodes.data(), table.data());
      const double want =
          gridtest::reference_dfint(ndim, coord.data(), n.data(), nodes.data(), table.data());
      ASSERT_TRUE(same_bits(got, want)) << "ndim " << ndim << " trial " << trial;
    }
  }
}

TEST(Dfint, RejectsShapesItCannotInterpolate) {
  testsupport::TempDir dir;
  auto r = gridtest::driver({"dfint", "0"}, dir.path());
  EXPECT_EQ(r.out, "dfint_pelk: ndim = 0 is outside 1 to 5\n");
  EXPECT_EQ(r.status, 1);
  r = gridtest::driver({"dfint", "6"}, dir.path());
  EXPECT_EQ(r.out, "dfint_pelk: ndim = 6 is outside 1 to 5\n");
  r = gridtest::driver({"dfint", "3", "2", "1", "0"}, dir.path());
  EXPECT_EQ(r.out, "dfint_pelk: nnodes(2) = 1; every dimension needs at least 2 nodes\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 1);
  // The smallest accepted shape runs.
  r = gridtest::driver({"dfint", "5", "2", "2", "2", "2", "2"}, dir.path());
  EXPECT_EQ(r.out, "0x0p+0\n");
}

}  // namespace
