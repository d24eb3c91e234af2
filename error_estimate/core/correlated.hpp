// Correlated normal vectors: the Cholesky factor of a covariance matrix,
// and the product of its lower triangle with a vector of deviates.
//
// Matrices of order n are column-major, element (i, j) (0-based) at
// i + j n.  All arithmetic is in 32-bit floats, sums taken upward from 0.
#pragma once

#include <cstdint>

namespace pdferr::sampling {

// Writes the lower triangle with the diagonal of the factor c of cov
// (cov = c c^T), reading only the lower triangle of cov; the elements of c
// above the diagonal keep what they held.  The diagonal is the root of an
// absolute value, so a matrix that is not positive definite still yields a
// factor; a zero on the diagonal gives infinities or NaNs below it.  n <= 0
// writes nothing.
void factor(const float* cov, float* c, std::int32_t n);

// x = c z over the lower triangle of c (with the diagonal).  Inline: the
// routine mvndev is also shipped alone as an object module.
inline void correlate(const float* c, const float* z, float* x, std::int32_t n) {
  // Each x(i) is the sum of c(i, j) z(j) for j = 0..i, taken upward from 0;
  // running down the columns keeps that order for every element while the
  // rows of one column are done side by side.
  for (std::int32_t i = 0; i < n; ++i) x[i] = 0.0f;
  for (std::int32_t j = 0; j < n; ++j) {
    const float zj = z[j];
    const float* column = c + j * n;
    for (std::int32_t i = j; i < n; ++i) x[i] = x[i] + column[i] * zj;
  }
}

}  // namespace pdferr::sampling
