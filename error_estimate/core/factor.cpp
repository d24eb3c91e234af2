// Cholesky factorisation of a covariance matrix, column by column, as
// corset makes it and with its pivots checked.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "batch.hpp"
#include "correlated.hpp"

namespace pdferr::sampling {

namespace {

// The columns of the factor, left to right.  root(d, r) sets r to the value
// whose square root is the diagonal for the pivot d = cov(j, j) - sum and
// returns whether to go on; returns the column it stopped at, or n.
template <class Root>
std::ptrdiff_t columns(const float* cov, float* c, std::ptrdiff_t n, Root root) {
  // Columns outer, rows inner, each ascending: every element sees only
  // finished columns to its left.
  for (std::ptrdiff_t j = 0; j < n; ++j) {
    float sum = 0.0f;
    for (std::ptrdiff_t k = 0; k < j; ++k) sum = sum + c[j + k * n] * c[j + k * n];
    float radicand = 0.0f;
    if (!root(cov[j + j * n] - sum, radicand)) return j;
    const float diag = std::sqrt(radicand);
    c[j + j * n] = diag;
    for (std::ptrdiff_t i = j + 1; i < n; ++i) {
      float row = 0.0f;
      for (std::ptrdiff_t k = 0; k < j; ++k) row = row + c[i + k * n] * c[j + k * n];
      c[i + j * n] = (cov[i + j * n] - row) / diag;
    }
  }
  return n;
}

}  // namespace

void factor(const float* cov, float* c, std::int32_t n) {
  // The absolute value keeps the root real for a matrix that is not
  // positive definite; nothing is reported.
  columns(cov, c, n, [](float pivot, float& radicand) {
    radicand = std::fabs(pivot);
    return true;
  });
}

FactorRefusal factor_checked(const float* cov, float* c, std::ptrdiff_t n) {
  for (std::ptrdiff_t j = 0; j < n; ++j) {
    for (std::ptrdiff_t i = j; i < n; ++i) {
      if (!std::isfinite(cov[i + j * n])) {
        return {FactorRefusal::not_finite, i, j, cov[i + j * n]};
      }
    }
  }
  // With finite elements a pivot is finite or -inf or NaN (a sum that
  // overflowed), and every element below a diagonal that is not is caught at
  // its own row's pivot, whose sum takes its square.  An accepted pivot is
  // above 0, so it is its own absolute value: the bits of factor().
  float refused = 0.0f;
  const std::ptrdiff_t stop = columns(cov, c, n, [&refused](float pivot, float& radicand) {
    radicand = pivot;
    refused = pivot;
    return pivot > 0.0f;
  });
  if (stop < n) return {FactorRefusal::pivot, stop, stop, refused};
  return {};
}

}  // namespace pdferr::sampling
