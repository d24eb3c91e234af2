// Prints quantile cases for the comparison with numpy: for each case a line
// "V" with the values, then "P p quantile(p) low high" with the central
// interval at level p, every number in hexadecimal floating point.  Sizes
// from 1 to a few thousand, repeated values, levels at random and at the
// usual 68% and 90%.
#include <cstdio>
#include <random>
#include <vector>

#include "pdferr/uncertainty.hpp"

int main() {
  using namespace pdferr::uncertainty;
  std::mt19937_64 rng(3);
  std::normal_distribution<double> g;
  std::uniform_real_distribution<double> u;
  for (int t = 0; t < 300; ++t) {
    std::size_t n = 1 + rng() % 50;
    if (t % 10 == 0) n = 1000 + rng() % 3000;
    std::vector<double> v(n);
    for (double& x : v) x = t % 7 == 0 ? static_cast<double>(rng() % 5) : g(rng) * 1e3;
    const double p = t % 3 == 0 ? u(rng) : (t % 3 == 1 ? 0.68 : 0.9);
    std::printf("V");
    for (const double x : v) std::printf(" %a", x);
    const Interval i = central_interval(v.data(), n, Confidence::central(p));
    std::printf("\nP %a %a %a %a\n", p, quantile(v.data(), n, p), i.low, i.high);
  }
  return 0;
}
