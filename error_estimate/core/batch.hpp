// Sampling many at once: normal deviates in bulk, the factor with its
// pivots checked, and correlated vectors many at a time.
//
// Each result is the one the routine for a single draw gives (gaudev,
// corset, mvndev), bit for bit: the bulk paths change what runs side by
// side, never the order of operations of one result.
#pragma once

#include <cstddef>
#include <cstdint>

#include "simd/dispatch.hpp"
#include "uniform.hpp"

namespace pdferr::sampling {

// Fills out[0..n) with the deviates that gaudev draws from the state g, and
// leaves g where gaudev leaves it: two numbers per attempt.  budget is the
// count of numbers g may still give; returns the count used, or -1, with g
// and out as they stood after the last chunk that fitted, if the deviates
// need more.
std::int64_t normal_bulk(Lags g, float* out, std::int64_t n, std::int64_t budget);

// Writes n vectors of np elements to out (vector k at out[k np]): those of
// n calls of mvndev with the factor c from the state g, which it leaves
// where they leave it.  budget and the result as for normal_bulk.  Works for
// any np > 0 (mvndev stops at 100); np or n <= 0 does nothing.
std::int64_t correlated_bulk(Lags g, const float* c, std::ptrdiff_t np, std::int64_t n, float* out,
                             std::int64_t budget);

// Where the checked factorisation stopped: what refused the matrix, and at
// which element (0-based row and column).
struct FactorRefusal {
  enum Kind { none, not_finite, pivot } kind = none;
  std::ptrdiff_t row = 0;
  std::ptrdiff_t column = 0;
  float value = 0.0f;  // the element that is not finite, or the pivot
};

// The factor of corset, with every pivot checked: the lower triangle of
// cov must be finite and every pivot cov(j, j) - sum_k c(j, k)^2 above 0.
// On success c holds the lower triangle of the factor, bit for bit that of
// corset (a positive pivot is its own absolute value); on refusal c holds
// the columns before the one refused.  The elements of c above the diagonal
// are not written.
FactorRefusal factor_checked(const float* cov, float* c, std::ptrdiff_t n);

// The products of many vectors at once: up to lanes vectors of deviates
// with the same factor.
inline constexpr int product_lanes = 32;

// out[k n + i] = sum_j c(i, j) z_k(j) for the vectors k < count (at most
// product_lanes), with the factor's lower triangle packed by rows (row i:
// c(i, 0..i) from offset i (i + 1) / 2) and the deviates by element (z_k(j)
// at zt[j product_lanes + k], all lanes defined).  Each sum runs upward from
// 0.0 as in correlate().
using ProductVariants =
    simd::Variants<void(const float*, std::ptrdiff_t, const float*, float*, std::int32_t)>;
extern const ProductVariants product_variants;

// One chunk of attempts: pairs of uniform numbers u[2k], u[2k + 1] for
// k < attempts; the accepted ratios go to out in order and their count is
// returned (at most attempts).
using AttemptVariants = simd::Variants<std::int32_t(const float*, std::int32_t, float*)>;
extern const AttemptVariants attempt_variants;

}  // namespace pdferr::sampling
