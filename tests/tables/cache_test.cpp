// Evaluation on caches owned by the caller: the bits of zemopdf and
// partonx10 over many points and flavours, a rebuild after a load, and
// several threads on one loaded table.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "tables_support.hpp"
#include "zemo_cache.hpp"

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

TEST(CallerCache, SameBitsAsTheProcessWideRoutines) {
  tables_test::load(testsupport::make_table(40, 12, 5, 2, testsupport::realistic_value));
  zemo::Cache cache;
  for (const Point& p : points(7, 4000)) {
    const double value = zemo::zemopdf(cache, p.f, p.x, p.q);
    ASSERT_EQ(bits(value), bits(zemopdf(p.f, p.x, p.q))) << p.f << " " << p.x << " " << p.q;
    const double raw = zemo::partonx10(cache, p.f, p.x, p.q);
    ASSERT_EQ(bits(raw), bits(partonx10(p.f, p.x, p.q))) << p.f << " " << p.x << " " << p.q;
  }
}

TEST(CallerCache, ScansKeepingOneSideMatchCallsThatKeepNothing) {
  // Scans over Q at each x and over x at each Q, as analysis code makes
  // them, against a cache of its own for every call (which forms both
  // sides anew): every path of the x side meets every path of the t side.
  tables_test::load(testsupport::make_table(40, 12, 5, 2, testsupport::realistic_value));
  std::vector<double> xs = {1e-5, 2e-4, 0.003, 0.02, 0.1, 0.35, 0.6, 0.87, 0.97, 1.0};
  std::vector<double> qs = {0.3, 0.9, 1.3, 2.0, 17.5, 91.1876, 1e3, 9999.0, 3e4, 1e6};
  std::mt19937_64 rng(99);
  std::uniform_real_distribution<double> lx(-12.0, 0.0), lq(std::log(0.3), std::log(1e6));
  for (int k = 0; k < 20; ++k) {
    xs.push_back(std::exp(lx(rng)));
    qs.push_back(std::exp(lq(rng)));
  }
  zemo::Cache scan;
  for (int order = 0; order < 2; ++order) {
    for (std::size_t a = 0; a < xs.size(); ++a) {
      for (std::size_t b = 0; b < qs.size(); ++b) {
        const double x = order == 0 ? xs[a] : xs[b % xs.size()];
        const double q = order == 0 ? qs[b] : qs[a % qs.size()];
        const auto f = static_cast<std::int32_t>((a + b) % 11) - 5;
        zemo::Cache fresh;
        ASSERT_EQ(bits(zemo::partonx10(scan, f, x, q)), bits(zemo::partonx10(fresh, f, x, q)))
            << order << " " << x << " " << q;
      }
    }
  }
}

TEST(CallerCache, RebuiltForATableLoadedSinceItsLastUse) {
  tables_test::load(testsupport::make_table(40, 12, 5, 2, testsupport::realistic_value));
  zemo::Cache cache;
  const double x = 0.0123, q = 17.5;
  const double before = zemo::zemopdf(cache, 2, x, q);
  // Other nodes and values; the same point again must not reuse anything.
  tables_test::load(testsupport::make_table(30, 10, 4, 4, testsupport::quadratic_value));
  const double after = zemo::zemopdf(cache, 2, x, q);
  EXPECT_NE(bits(before), bits(after));
  EXPECT_EQ(bits(after), bits(zemopdf(2, x, q)));
}

TEST(CallerCache, ThreadsOnCachesOfTheirOwnMatchSerialCalls) {
  tables_test::load(testsupport::make_table(60, 16, 5, 2, testsupport::realistic_value));
  const std::vector<Point> p = points(11, 6000);
  std::vector<double> serial(p.size());
  for (std::size_t k = 0; k < p.size(); ++k) serial[k] = zemopdf(p[k].f, p[k].x, p[k].q);
  constexpr std::size_t threads = 4;
  std::vector<std::vector<double>> results(threads, std::vector<double>(p.size()));
  std::vector<std::thread> pool;
  for (std::size_t t = 0; t < threads; ++t) {
    pool.emplace_back([&, t] {
      zemo::Cache cache;
      // Each thread walks the points from another start.
      for (std::size_t n = 0; n < p.size(); ++n) {
        const std::size_t k = (n + t * p.size() / threads) % p.size();
        results[t][k] = zemo::zemopdf(cache, p[k].f, p[k].x, p[k].q);
      }
    });
  }
  for (auto& th : pool) th.join();
  for (std::size_t t = 0; t < threads; ++t) {
    EXPECT_EQ(std::memcmp(results[t].data(), serial.data(), serial.size() * sizeof(double)), 0)
        << "thread " << t;
  }
}

}  // namespace
