// Once a member is loaded, evaluations from several threads at once give the
// same bits as serial calls, from pelkfit and from GridMember values alike.
// Run under ThreadSanitizer by the tsan preset.
#include <array>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "grids_testing.hpp"
#include "pdferr/grid_member.hpp"

namespace {

class Threads : public gridtest::InScratchDir {};

TEST_F(Threads, ConcurrentEvaluationsMatchSerialOnes) {
  write("pelk-minus-05.grid", gridtest::coded_member());
  pelkini(-5);
  constexpr std::size_t points = 2000;
  constexpr std::size_t threads = 4;
  std::vector<double> xs(points);
  std::vector<double> q2s(points);
  for (std::size_t k = 0; k < points; ++k) {
    xs[k] = std::exp(std::log(1e-5) * (static_cast<double>(k) + 0.5) / points);
    q2s[k] = std::exp(std::log(1e6) * (static_cast<double>(k * 7919 % points) + 0.5) / points);
  }
  std::vector<double> serial(points * 6);
  for (std::size_t k = 0; k < points; ++k) {
    double* d = &serial[k * 6];
    pelkfit(xs[k], q2s[k], d[0], d[1], d[2], d[3], d[4], d[5]);
  }
  std::vector<std::vector<double>> results(threads, std::vector<double>(points * 6));
  std::vector<std::thread> pool;
  const pdferr::GridMember member = pdferr::GridMember::from_member(-5);
  for (std::size_t t = 0; t < threads; ++t) {
    // Odd threads evaluate the same file through a copy of one GridMember.
    pool.emplace_back([&, t, own = member] {
      // Each thread walks the points from another start.
      for (std::size_t n = 0; n < points; ++n) {
        const std::size_t k = (n + t * points / threads) % points;
        double* d = &results[t][k * 6];
        if (t % 2 == 0) {
          pelkfit(xs[k], q2s[k], d[0], d[1], d[2], d[3], d[4], d[5]);
        } else {
          const std::array<double, 6> v = own.values(xs[k], q2s[k]);
          std::memcpy(d, v.data(), sizeof v);
        }
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
