// The six densities of a member: its domain, the column factors, and the
// densities at one point or many from the stored tables.
#pragma once

#include <cstddef>
#include <cstdint>

#include "simd/dispatch.hpp"
#include "stored_tables.hpp"

namespace pdferr::grids {

// The domain of evaluation of a member: x in [1e-5, 1], q2 in [1, 1e6].
inline constexpr double x_lowest = 1e-5;
inline constexpr double x_highest = 1.0;
inline constexpr double q2_lowest = 1.0;
inline constexpr double q2_highest = 1e6;

// Negated tests: a NaN fails them.
inline bool x_in_domain(double x) { return x >= x_lowest && x <= x_highest; }
inline bool q2_in_domain(double q2) { return q2 >= q2_lowest && q2 <= q2_highest; }

// The six densities from the interpolated tables t: each times its column's
// factor, in this grouping (sqrt_x is x^0.5 by the power function).
template <class T>
[[gnu::always_inline]] inline void column_densities(const T (&t)[ncol], const UPowersOf<T>& p, T x,
                                                    T sqrt_x, T (&out)[ncol]) {
  out[0] = (t[0] * p.u3) * x;
  out[1] = (t[1] * p.u4) * x;
  out[2] = sqrt_x * (t[2] * p.u8);
  out[3] = sqrt_x * (t[3] * p.u8);
  out[4] = sqrt_x * (t[4] * p.u8);
  out[5] = sqrt_x * (t[5] * p.u5);
}

// The six densities at (x, q2): bilinear interpolation in (ln x, ln q2) of
// the six tables (ncol runs of nnodes[0] x nnodes[1] values), each times
// its column's factor.  nnodes must be (47, 30) and lognodes ascending, as
// a loaded member has them; the point is not checked.
void densities(const double* tables, const std::int32_t* nnodes, const double* lognodes, double x,
               double q2, double (&out)[ncol]);

// The six densities at the points (x[i], q2[i]), or (x[i], q2[0]) when
// one_q2, i = 0..n - 1, into out[ncol i + c]: densities()'s bits at a point
// of the domain, NaN at a point outside it.  With one Q2, its logarithm and
// cell are formed once.
struct DensityRequest {
  const double* x = nullptr;
  const double* q2 = nullptr;
  bool one_q2 = false;
  std::size_t n = 0;
  double* out = nullptr;
};

// The densities of many points from a member's SideTables, compiled for
// processors with AVX2 and for all others; a call runs the version this
// processor runs.  The six columns of a point are formed side by side; the
// logarithms and x^0.5 of many points by the array forms.
using DensitiesVariants = simd::Variants<void(const double* side, const DensityRequest&)>;
extern const DensitiesVariants densities_at;

}  // namespace pdferr::grids
