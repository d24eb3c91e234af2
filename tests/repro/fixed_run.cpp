// A fixed run of the toolkit whose output is the exact bits of every result.
// Built by different compilers at different optimisation levels, it must
// print the same bytes: the arithmetic may never be regrouped.
#include <bit>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "error_estimate.h"
#include "fio_units.h"

namespace {

void print_bits(const char* label, const float* v, int n) {
  std::printf("%s", label);
  for (int k = 0; k < n; ++k) std::printf(" %08x", std::bit_cast<std::uint32_t>(v[k]));
  std::printf("\n");
}

void sampling() {
  const std::int32_t quiet = 99;
  fio_connect(&quiet, "/dev/null");
  inout.iout = quiet;

  rmarin(123456789, 4321, 0);
  std::vector<float> u(2000);
  ranmar(u.data(), 2000);
  print_bits("ranmar", u.data(), 2000);

  std::vector<float> d(2000);
  gaudev(d.data(), 2000);
  print_bits("gaudev", d.data(), 2000);

  // A dense covariance of order 30 and a hundred vectors.
  constexpr int n = 30;
  std::vector<float> cov(n * n), c(n * n);
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i)
      cov[i + j * n] = (i == j ? 2.0f : 0.0f) + 1.0f / static_cast<float>(1 + i + j);
  corset(cov.data(), c.data(), n);
  print_bits("corset", c.data(), n * n);
  std::vector<float> x(n);
  for (int k = 0; k < 100; ++k) {
    mvndev(c.data(), x.data(), n);
    print_bits("mvndev", x.data(), n);
  }
  std::int32_t seed = 0, count = 0, blocks = 0;
  rmarut(seed, count, blocks);
  std::printf("rmarut %d %d %d\n", seed, count, blocks);
}

}  // namespace

int main() {
  sampling();
  return 0;
}
