// The two faces of one core: setzemo loads what a TableSet loads, and
// zemopdf gives the bits of TableSet::value, also for two sets evaluated side
// by side and for every flavour at many points in one call.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "pdferr/table_set.hpp"
#include "tables_support.hpp"

namespace {

using tables_test::bits;

struct Point {
  std::int32_t f;
  double x, q;
};

// Points over every path of the kernel (small x, interior, highest bin, t
// below, inside and above the nodes), with runs of one point for several
// flavours, as analysis code asks.
std::vector<Point> points(std::uint64_t seed, int count) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> lx(-12.0, 0.0), lq(std::log(0.3), std::log(1e6));
  std::uniform_int_distribution<int> run(1, 6), flavour(-5, 5);
  std::vector<Point> p;
  while (static_cast<int>(p.size()) < count) {
    const double x = std::exp(lx(rng));
    const double q = std::exp(lq(rng));
    for (int k = run(rng); k > 0; --k) p.push_back({flavour(rng), x, q});
  }
  p.push_back({1, 1.0, 2.0});
  p.push_back({-1, 0.0, 2.0});
  return p;
}

TEST(Faces, TwoSetsSideBySideGiveTheBitsOfTheLegacyRoutines) {
  testsupport::TempDir dir;
  const testsupport::PdsTable tables[2] = {
      testsupport::make_table(40, 12, 5, 2, testsupport::realistic_value),
      testsupport::make_table(30, 10, 5, 5, testsupport::quadratic_value)};
  dir.write("zemo.00.pds", testsupport::pds_text(tables[0]));
  dir.write("zemo.01.pds", testsupport::pds_text(tables[1]));
  const std::vector<Point> p = points(7, 3000);

  // The legacy routines, one set at a time.
  std::vector<double> legacy[2];
  tables_test::in_directory(dir, [&] {
    tables_test::forget_loaded_set();
    for (int s = 0; s < 2; ++s) {
      setzemo(100 + s);
      for (const Point& pt : p) legacy[s].push_back(zemopdf(pt.f, pt.x, pt.q));
      // The blocks hold what the set holds.
      const pdferr::TableSet set = pdferr::TableSet::from_set(100 + s, dir.path());
      EXPECT_EQ(vokpar2.nx, set.nx());
      EXPECT_EQ(vokpar2.nt, set.nt());
      EXPECT_EQ(std::memcmp(vokpar1.xv, set.x_nodes(), sizeof(double) * (set.nx() + 1u)), 0);
      EXPECT_EQ(std::memcmp(vokpar1.tv, set.t_nodes(), sizeof(double) * (set.nt() + 1u)), 0);
      EXPECT_EQ(bits(vokpar1.alambda), bits(set.alambda()));
      EXPECT_EQ(bits(xqrange.qmax), bits(set.qmax()));
      EXPECT_EQ(qcdtbl.qcdi3, set.qcdi3());
    }
  });

  // Both sets open at once, evaluated in turn on one cache, and on all
  // points and flavours in one call.
  const pdferr::TableSet sets[2] = {pdferr::TableSet::from_set(100, dir.path()),
                                    pdferr::TableSet::from_set(101, dir.path())};
  pdferr::TableSet::Cache cache;
  std::vector<double> xs, qs;
  for (const Point& pt : p) {
    xs.push_back(pt.x);
    qs.push_back(pt.q);
  }
  std::vector<double> all[2];
  for (int s = 0; s < 2; ++s) {
    all[s].resize(11 * p.size());
    sets[s].values(xs.data(), qs.data(), p.size(), all[s].data());
  }
  for (std::size_t k = 0; k < p.size(); ++k) {
    for (int s = 0; s < 2; ++s) {
      ASSERT_EQ(bits(sets[s].value(cache, p[k].f, p[k].x, p[k].q)), bits(legacy[s][k]))
          << s << " " << p[k].f << " " << p[k].x << " " << p[k].q;
      ASSERT_EQ(bits(all[s][11 * k + static_cast<std::size_t>(p[k].f + 5)]), bits(legacy[s][k]))
          << "all flavours at once: " << s << " " << p[k].f << " " << p[k].x << " " << p[k].q;
    }
  }
}

}  // namespace
