// Many points and flavours of one table in one call.
//
// Each result is the kernel's value for its flavour and point, clamped at 0,
// bit for bit: the same operations on the same values in the same grouping.
// What is shared is only what the kernel would form again unchanged: the t
// side of a point (its bracket and coefficients) when all points have one Q,
// the located point for every flavour asked there, and the value of a
// flavour above mxval, which reads the slot of its negative.
//
// The formulas run in the lanes of vector registers (simd::Lanes): one
// flavour at many points takes eight points side by side, those on the same
// path through the kernel (small x, interior or highest bin in x; below,
// inside or above the t nodes) together; every flavour at one point takes
// the four t nodes of a flavour side by side along x, then four flavours side
// by side along t.  x^xpow and ln(ln(Q / alambda)) of many points are formed
// by the array forms of the toolkit's functions.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "kernel.hpp"
#include "simd/dispatch.hpp"

namespace pdferr::tables {

// Why a point lies outside the domain of a table set's evaluation, in the
// order the tests are made; none inside it.
enum class PointFault {
  none,
  x_nan,
  q_nan,
  x_outside,
  x_tiny,
  q_below_qsml,
  q_not_above_alambda,
  q_inf,
  q_overflow
};

// Smallest positive x of the value faces.  Below the second x node the
// value is a cubic in u = x^0.3 through 0 divided by x * x, which grows
// without bound as x goes to 0 (like x^-1.7); once x * x leaves the normal
// range (x below 2^-511, about 1.5e-154) it loses its digits and then
// underflows to 0, which gives infinities and NaN.  Points in (0, 1e-150)
// are refused; x = 0 keeps its value 0.
inline constexpr double smallest_x = 1e-150;

// Whether x is inside the x domain: 0, or [smallest_x, 1].
inline bool x_in_domain(double x) { return x == 0 || (x >= smallest_x && x <= 1); }

inline PointFault point_fault(double alambda, double x, double q) {
  if (std::isnan(x)) return PointFault::x_nan;
  if (std::isnan(q)) return PointFault::q_nan;
  if (!(x >= 0 && x <= 1)) return PointFault::x_outside;
  if (!x_in_domain(x)) return PointFault::x_tiny;
  if (q < qsml) return PointFault::q_below_qsml;
  if (!(q > alambda)) return PointFault::q_not_above_alambda;
  if (std::isinf(q)) return PointFault::q_inf;
  // t = ln(ln(Q / alambda)) is infinite where the quotient overflows.
  if (std::isinf(q / alambda)) return PointFault::q_overflow;
  return PointFault::none;
}

// Flavours first..last (ascending, each with a slot of the table) at the
// points (x[i], q[i]), i = 0..n - 1, or (x[i], q[0]) when one_q.  The
// result of flavour f at point i goes to out[i (last - first + 1) + f -
// first]: the value as TableSet::value gives it (0 at x = 0), or NaN at a
// point outside the domain.
struct Request {
  const double* x = nullptr;
  const double* q = nullptr;
  bool one_q = false;
  std::size_t n = 0;
  int first = 0, last = 0;
  double* out = nullptr;
};

// The evaluation, compiled for processors with AVX2 and for all others; a
// call runs the version this processor runs.  The grid must carry the node
// parts of its patches (Grid::patches).
using EvaluateVariants = simd::Variants<void(const Grid&, const Request&)>;
extern const EvaluateVariants evaluate;

}  // namespace pdferr::tables
