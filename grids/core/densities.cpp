// The six densities of a member by bilinear interpolation in (ln x, ln Q2):
// one point, and many points with the six columns side by side.
#include "densities.hpp"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "crmath.hpp"
#include "interpolation.hpp"
#include "simd/dispatch.hpp"
#include "simd/lanes.hpp"

namespace pdferr::grids {

void densities(const double* tables, const std::int32_t* nnodes, const double* lognodes, double x,
               double q2, double (&out)[ncol]) {
  const double point[2] = {math::log(x), math::log(q2)};
  // One cell serves all six columns: they share nodes and point.
  const Cell cell = find_cell_ascending(2, point, nnodes, lognodes);
  double t[ncol];
  corner_sums_2d(cell, nnodes, tables, ncol, t);
  // x^0.5 as powers() forms it for the load factors: the IEEE square root.
  column_densities(t, u_powers(x), x, std::sqrt(x), out);
}

namespace {

// The six columns side by side (and the two spare lanes of a node).
using Columns = simd::Lanes<side_width>;

// count_below_body() of a coordinate c that is not NaN over n strictly
// ascending nodes, trying hint first: the points of a scan mostly stay in
// the cell of the point before.  The count is then the one k with
// dim[k - 1] < c <= dim[k] (no dim[-1], and dim[n] above all), however it is
// found; hint is left at it.
[[gnu::always_inline]] inline std::int64_t count_below_near(const double* dim, std::int64_t n,
                                                            double c, std::int64_t& hint) {
  const std::int64_t k = hint;
  if ((k == 0 || dim[k - 1] < c) && (k == n || c <= dim[k])) return k;
  hint = count_below_body(dim, n, c);
  return hint;
}

// The cell of one dimension of n nodes at coordinate c: the upper node and
// the weight of the lower one.
[[gnu::always_inline]] inline std::int64_t dimension_cell(const double* dim, std::int64_t n,
                                                          double c, std::int64_t& hint, double& w) {
  const std::int64_t j = upper_node(count_below_near(dim, n, c, hint), n);
  w = lower_weight(dim[j], dim[j - 1], c);
  return j;
}

// The columns of one node, each vector of four read whole.
[[gnu::always_inline]] inline Columns node_columns(const double* side, std::int64_t node) {
  Columns v;
  for (int h = 0; h < Columns::quads; ++h) {
    simd::Quad q;
    std::memcpy(&q, side + node * side_width + 4 * h, sizeof q);
    v.q[h] = q;
  }
  return v;
}

// densities() point by point, the six columns of each side by side: the
// corner sums as corner_sum_2d forms them, then each column's factor.  The
// factor is applied as m (t p) with m = x or x^0.5 and p the power of u:
// (t p) x of the first two columns is x (t p), since an IEEE product does
// not depend on the order of its two factors.
[[gnu::always_inline]] inline void densities_body(const double* side, const DensityRequest& r) {
  const double* x_logs = log_nodes();
  const double* q_logs = x_logs + nx;
  std::int64_t jq = 0;
  double w2 = 0;
  bool have_q = false;
  std::int64_t x_hint = 0, q_hint = 0;
  // A block of points at a time: first the logarithms and square roots, by
  // the array forms (a point outside the domain gets values nothing reads),
  // then the cells and sums, whose points the processor overlaps.
  constexpr std::size_t block = 64;
  double log_x[block], log_q2[block], sqrt_x[block];
  bool inside[block];
  for (std::size_t b0 = 0; b0 < r.n; b0 += block) {
    const std::size_t nb = r.n - b0 < block ? r.n - b0 : block;
    math::log(r.x + b0, nb, log_x);
    // x^0.5 as the load factors take it: the correctly rounded square root.
    math::sqrt(r.x + b0, nb, sqrt_x);
    if (!r.one_q2) math::log(r.q2 + b0, nb, log_q2);
    for (std::size_t k = 0; k < nb; ++k) {
      const double q2 = r.one_q2 ? r.q2[0] : r.q2[b0 + k];
      inside[k] = x_in_domain(r.x[b0 + k]) && q2_in_domain(q2);
      if (inside[k] && r.one_q2 && !have_q) {
        jq = dimension_cell(q_logs, nq, math::log(q2), q_hint, w2);
        have_q = true;
      }
    }
    for (std::size_t k = 0; k < nb; ++k) {
      double* const out = r.out + (b0 + k) * ncol;
      if (!inside[k]) {
        for (int c = 0; c < ncol; ++c) out[c] = std::numeric_limits<double>::quiet_NaN();
        continue;
      }
      const double x = r.x[b0 + k];
      if (!r.one_q2) jq = dimension_cell(q_logs, nq, log_q2[k], q_hint, w2);
      double w1;
      const std::int64_t jx = dimension_cell(x_logs, nx, log_x[k], x_hint, w1);
      const CornerFactors<double> f = corner_factors(w1, w2);
      const std::int64_t base = jx + jq * nx;  // the all-upper corner
      const Columns t = corner_sum_2d(
          CornerFactors<Columns>{Columns(f.uu), Columns(f.ul), Columns(f.lu), Columns(f.ll)},
          node_columns(side, base), node_columns(side, base - nx), node_columns(side, base - 1),
          node_columns(side, base - 1 - nx));
      const UPowersOf<double> p = u_powers(x);
      const double s = sqrt_x[k];
      const Columns d = Columns::of({x, x, s, s, s, s, 0.0, 0.0}) *
                        (t * Columns::of({p.u3, p.u4, p.u8, p.u8, p.u8, p.u5, 0.0, 0.0}));
      // The six results as one vector of four and the low half of the
      // other, stored straight from the registers.
      using Pair = simd::Vec<double, 2>;
      const Pair last = __builtin_shufflevector(d.q[1], d.q[1], 0, 1);
      std::memcpy(out, &d.q[0], sizeof d.q[0]);
      std::memcpy(out + 4, &last, sizeof last);
    }
  }
}

void densities_generic(const double* side, const DensityRequest& r) { densities_body(side, r); }

PDFERR_TARGET_AVX2 void densities_avx2(const double* side, const DensityRequest& r) {
  densities_body(side, r);
}

}  // namespace

constinit const DensitiesVariants densities_at{densities_generic, densities_avx2};

}  // namespace pdferr::grids
