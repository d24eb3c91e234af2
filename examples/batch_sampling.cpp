// Batch sampling: a covariance factorised with its pivots checked, 100000
// correlated parameter vectors in one call, and a matrix that is not
// positive definite refused.  The vectors are those of 100000 mvndev calls
// from the same position, bit for bit.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <pdferr/errors.hpp>
#include <pdferr/generator.hpp>

int main() {
  constexpr std::size_t np = 3;
  constexpr std::size_t n = 100000;
  // Column-major; only the lower triangle is read.
  const float cov[np * np] = {4.0f, 1.2f, -0.3f,  //
                              0.0f, 1.0f, 0.1f,   //
                              0.0f, 0.0f, 0.25f};
  const std::vector<float> factor = pdferr::cholesky(cov, np);

  pdferr::Generator g(20261207);
  std::vector<float> x(np * n);
  g.correlated(factor.data(), np, n, x.data());  // vector k at x[k * np]

  std::printf("%zu vectors, generator at position %lld\n", n, static_cast<long long>(g.position()));
  std::printf("  i  j   input    sample\n");
  for (std::size_t j = 0; j < np; ++j) {
    for (std::size_t i = j; i < np; ++i) {
      double sum = 0.0;
      for (std::size_t k = 0; k < n; ++k) {
        sum += static_cast<double>(x[k * np + i]) * static_cast<double>(x[k * np + j]);
      }
      std::printf("  %zu  %zu  %6.3f  %8.4f\n", i, j, static_cast<double>(cov[i + j * np]),
                  sum / static_cast<double>(n));
    }
  }

  // Standard normal deviates, as gaudev gives them.
  std::vector<float> d(1000);
  g.normal(d.data(), d.size());
  std::printf("deviates: first %.7f, generator at position %lld\n", static_cast<double>(d[0]),
              static_cast<long long>(g.position()));

  // Not positive definite: refused, with the element whose pivot failed.
  const float bad[4] = {1.0f, 2.0f, 0.0f, 1.0f};
  try {
    pdferr::cholesky(bad, 2);
  } catch (const pdferr::domain_error& e) {
    std::printf("refused: %s (index %td)\n", e.what(), e.index());
  }
  return 0;
}
