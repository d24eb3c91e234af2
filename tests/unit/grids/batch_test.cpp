// GridMember on many points in one call against values(), one point at a
// time: the bounds of the domain, the nodes and their neighbours, points
// outside the domain and NaN; batch sizes 0, 1, the lane width (8) and one
// either side, and large; every processor version.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "densities.hpp"
#include "grid_file.hpp"
#include "grid_writer.hpp"
#include "isa.hpp"
#include "pdferr/grid_member.hpp"
#include "process.hpp"
#include "refusal.hpp"
#include "stored_tables.hpp"

namespace {

using pdferr::GridMember;
using pdferr::OutsideDomain;
namespace grids = pdferr::grids;

const double nan = std::numeric_limits<double>::quiet_NaN();

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// values(), or six NaN outside the domain.
std::array<double, 6> scalar(const GridMember& m, double x, double q2) {
  try {
    return m.values(x, q2);
  } catch (const pdferr::domain_error&) {
    return {nan, nan, nan, nan, nan, nan};
  }
}

struct Loaded {
  testsupport::TempDir dir;
  GridMember member;
  // The stored tables side by side, as the core evaluates many points.
  std::vector<double> tables;

  Loaded()
      : member([this] {
          dir.write("m.grid",
                    testsupport::grid_text(testsupport::GridDecimals(testsupport::coded_value)));
          return GridMember(dir.file("m.grid"));
        }()) {
    std::vector<double> raw(sizeof(grids::RawGrid) / sizeof(double));
    const auto& raw_grid = *reinterpret_cast<grids::RawGrid*>(raw.data());
    EXPECT_EQ(
        grids::read_grid_file(dir.file("m.grid"), *reinterpret_cast<grids::RawGrid*>(raw.data()))
            .kind,
        grids::ReadFailure::none);
    std::vector<double> columns(sizeof(grids::GridTables) / sizeof(double));
    grids::build_tables(raw_grid, *reinterpret_cast<grids::GridTables*>(columns.data()));
    tables.resize(sizeof(grids::SideTables) / sizeof(double));
    grids::side_by_side(*reinterpret_cast<grids::GridTables*>(columns.data()),
                        *reinterpret_cast<grids::SideTables*>(tables.data()));
  }
};

TEST(GridBatch, EveryVersionGivesTheBitsOfValues) {
  const Loaded m;
  std::mt19937_64 rng(47);
  std::uniform_real_distribution<double> lx(std::log(1e-5), 0.0), lq(0.0, std::log(1e6));
  std::vector<double> x = {1e-5, 1.0, std::nextafter(1e-5, 0.0), std::nextafter(1.0, 2.0),
                           0.0,  nan};
  std::vector<double> q2 = {1.0, 1e6, std::nextafter(1.0, 0.0), std::nextafter(1e6, 2e6), 0.8, nan};
  for (int k = 0; k < 47; ++k) {
    const double node = testsupport::x_node(k);
    x.insert(x.end(), {node, std::nextafter(node, 0.0), std::nextafter(node, 2.0)});
  }
  for (int k = 0; k < 30; ++k) q2.push_back(testsupport::q2_node(k));
  while (x.size() < 500) x.push_back(std::exp(lx(rng)));
  while (q2.size() < x.size()) q2.push_back(std::exp(lq(rng)));
  std::shuffle(x.begin(), x.end(), rng);
  std::shuffle(q2.begin(), q2.end(), rng);
  const double one_q2[] = {q2[0], 100.0, 0.9};  // the last one refused
  // A scan in ascending x, as a band is asked: the cells are found from the
  // point before.
  std::vector<double> ascending;
  for (const double v : x) {
    if (v >= 1e-5 && v <= 1) ascending.push_back(v);
  }
  std::sort(ascending.begin(), ascending.end());
  for (const pdferr::simd::Isa isa : testsupport::runnable_isas()) {
    const auto densities_at = grids::densities_at.variant(isa);
    std::vector<double> scan(6 * ascending.size());
    densities_at(m.tables.data(),
                 {ascending.data(), &one_q2[1], true, ascending.size(), scan.data()});
    for (std::size_t i = 0; i < ascending.size(); ++i) {
      const std::array<double, 6> want = scalar(m.member, ascending[i], one_q2[1]);
      for (std::size_t c = 0; c < 6; ++c) {
        ASSERT_EQ(bits(scan[6 * i + c]), bits(want[c]))
            << testsupport::isa_name(isa) << " ascending x " << ascending[i];
      }
    }
    for (const std::size_t n : {0, 1, 7, 8, 9, 16, 17, 500}) {
      for (int mode = 0; mode < 4; ++mode) {  // paired, then each one Q2
        std::vector<double> out(6 * n + 1, -7.0);
        densities_at(m.tables.data(), {x.data(), mode == 0 ? q2.data() : &one_q2[mode - 1],
                                       mode > 0, n, out.data()});
        for (std::size_t i = 0; i < n; ++i) {
          const std::array<double, 6> want =
              scalar(m.member, x[i], mode == 0 ? q2[i] : one_q2[mode - 1]);
          for (std::size_t c = 0; c < 6; ++c) {
            ASSERT_EQ(bits(out[6 * i + c]), bits(want[c]))
                << testsupport::isa_name(isa) << " n " << n << " mode " << mode << " point " << i
                << " x " << x[i] << " column " << c;
          }
        }
        ASSERT_EQ(out[6 * n], -7.0) << "written beyond the results";
      }
    }
  }
}

TEST(GridBatch, DensitiesPickTheVersionForThisProcessor) {
  EXPECT_EQ(testsupport::isa_name(grids::densities_at.chosen()), testsupport::expected_isa());
}

// A refused call names the first point outside the domain and writes
// nothing; with OutsideDomain::nan the point gives six NaN.
TEST(GridBatch, PointsOutsideTheDomain) {
  const Loaded m;
  const double x[] = {0.1, 1.0, 2.0, nan};
  const double q2[] = {10.0, 10.0, 10.0, 0.5};
  std::vector<double> out(24, -7.0);
  const auto refused = [&](auto call, std::ptrdiff_t index, const std::string& what) {
    testsupport::expect_refused(call, index, what, out, -7.0);
  };
  refused([&] { m.member.values(x, q2, 4, out.data()); }, 2, "point 2: x = 2 is outside [1e-5, 1]");
  refused([&] { m.member.values(x + 3, q2 + 3, 1, out.data()); }, 0,
          "point 0: x = nan is outside [1e-5, 1]");
  refused([&] { m.member.values(x, 0.5, 2, out.data()); }, 0,
          "point 0: q2 = 0.5 is outside [1, 1e6]");
  m.member.values(x, 0.5, 0, nullptr);

  m.member.values(x, q2, 4, out.data(), OutsideDomain::nan);
  const std::array<double, 6> first = m.member.values(0.1, 10.0);
  for (std::size_t c = 0; c < 6; ++c) {
    EXPECT_EQ(bits(out[c]), bits(first[c]));
    EXPECT_EQ(out[6 + c], 0.0);  // x = 1
    EXPECT_TRUE(std::isnan(out[12 + c]) && std::isnan(out[18 + c]));
  }
}

}  // namespace
