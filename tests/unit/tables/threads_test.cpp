// Two table sets evaluated from several threads at once, each thread with a
// cache of its own serving both sets in turn, give the bits of serial calls.
// Run under ThreadSanitizer by the tsan preset.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "pdferr/table_set.hpp"
#include "process.hpp"
#include "tables_unit.hpp"

namespace {

TEST(Threads, TableSetsWithCachesOfTheirOwnMatchSerialCalls) {
  testsupport::TempDir dir;
  dir.write("zemo.00.pds", testsupport::pds_text(testsupport::make_table(
                               60, 16, 5, 2, testsupport::realistic_value)));
  dir.write("zemo.01.pds", testsupport::pds_text(testsupport::make_table(
                               30, 10, 5, 5, testsupport::quadratic_value)));
  const pdferr::TableSet sets[2] = {pdferr::TableSet::from_set(100, dir.path()),
                                    pdferr::TableSet::from_set(101, dir.path())};
  struct Point {
    int f;
    double x, q;
  };
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> lx(-12.0, 0.0), lq(std::log(0.3), std::log(1e6));
  std::uniform_int_distribution<int> flavour(-5, 5);
  std::vector<Point> points(3000);
  for (Point& p : points) p = {flavour(rng), std::exp(lx(rng)), std::exp(lq(rng))};
  // Point k is asked of set k % 2; the threads ask it twice in a row, the
  // second time of the point their cache kept.
  const std::size_t n = points.size();
  std::vector<double> serial(n);
  for (std::size_t k = 0; k < n; ++k)
    serial[k] = sets[k % 2].value(points[k].f, points[k].x, points[k].q);

  constexpr std::size_t threads = 4;
  std::vector<std::vector<double>> results(threads, std::vector<double>(n));
  std::vector<std::thread> pool;
  for (std::size_t t = 0; t < threads; ++t) {
    pool.emplace_back([&, t] {
      pdferr::TableSet::Cache cache;
      for (std::size_t m = 0; m < n; ++m) {
        const std::size_t k = (m + t * n / threads) % n;
        const Point& p = points[k];
        results[t][k] = sets[k % 2].value(cache, p.f, p.x, p.q);
        results[t][k] = sets[k % 2].value(cache, p.f, p.x, p.q);
      }
    });
  }
  for (std::thread& th : pool) th.join();
  for (std::size_t t = 0; t < threads; ++t) {
    EXPECT_EQ(std::memcmp(results[t].data(), serial.data(), n * sizeof(double)), 0) << t;
  }
}

}  // namespace
