// The value type and the legacy routines on the same files: two members
// open side by side give, point for point and on all points in one call,
// the bits of pelkini and pelkfit.
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include "grids_testing.hpp"
#include "pdferr/grid_member.hpp"

namespace {

class Faces : public gridtest::InScratchDir {};

TEST_F(Faces, TwoMembersSideBySideGiveTheLegacyBits) {
  write("pelk-plus-01.grid", gridtest::coded_member());
  write("pelk-minus-01.grid", testsupport::grid_text_fine([](int c, int i, int j) {
          return testsupport::linear_file_value(c, testsupport::x_node(i), testsupport::q2_node(j));
        }));
  const pdferr::GridMember plus = pdferr::GridMember::from_member(1);
  const pdferr::GridMember minus = pdferr::GridMember::from_member(-1);
  // Random points, nodes, and the bounds.
  std::mt19937_64 rng(2008);
  std::uniform_real_distribution<double> lx(std::log(1e-5), 0.0);
  std::uniform_real_distribution<double> lq(0.0, std::log(1e6));
  std::vector<std::array<double, 2>> points{{1e-5, 1.0}, {1.0, 1e6}, {1e-5, 1e6}, {1.0, 1.0}};
  for (int k = 0; k < 47; ++k)
    points.push_back({testsupport::x_node(k), testsupport::q2_node(1 + k % 29)});
  for (int k = 0; k < 500; ++k) points.push_back({std::exp(lx(rng)), std::exp(lq(rng))});
  // Each member against the block loaded with it, the other member's load
  // in between.
  std::vector<double> xs, q2s;
  for (const auto& p : points) {
    xs.push_back(p[0]);
    q2s.push_back(p[1]);
  }
  std::vector<double> many(6 * points.size());
  for (const std::int32_t iset : {1, -1, 1}) {
    pelkini(iset);
    const pdferr::GridMember& member = iset > 0 ? plus : minus;
    member.values(xs.data(), q2s.data(), points.size(), many.data());
    for (std::size_t k = 0; k < points.size(); ++k) {
      const auto& p = points[k];
      double d[6];
      pelkfit(p[0], p[1], d[0], d[1], d[2], d[3], d[4], d[5]);
      const std::array<double, 6> v = member.values(p[0], p[1]);
      for (std::size_t c = 0; c < 6; ++c) {
        ASSERT_TRUE(gridtest::same_bits(v[c], d[c]))
            << iset << ' ' << p[0] << ' ' << p[1] << ' ' << c;
        ASSERT_TRUE(gridtest::same_bits(many[6 * k + c], d[c]))
            << "many points: " << iset << ' ' << p[0] << ' ' << p[1] << ' ' << c;
      }
    }
  }
}

}  // namespace
