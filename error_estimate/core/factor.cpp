// Cholesky factorisation of a covariance matrix, column by column.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "correlated.hpp"

namespace pdferr::sampling {

void factor(const float* cov, float* c, std::int32_t n) {
  // Columns outer, rows inner, each ascending: every element sees only
  // finished columns to its left.
  for (std::ptrdiff_t j = 0; j < n; ++j) {
    float sum = 0.0f;
    for (std::ptrdiff_t k = 0; k < j; ++k) sum = sum + c[j + k * n] * c[j + k * n];
    // The absolute value keeps the root real for a matrix that is not
    // positive definite; nothing is reported.
    const float diag = std::sqrt(std::fabs(cov[j + j * n] - sum));
    c[j + j * n] = diag;
    for (std::ptrdiff_t i = j + 1; i < n; ++i) {
      float row = 0.0f;
      for (std::ptrdiff_t k = 0; k < j; ++k) row = row + c[i + k * n] * c[j + k * n];
      c[i + j * n] = (cov[i + j * n] - row) / diag;
    }
  }
}

}  // namespace pdferr::sampling
