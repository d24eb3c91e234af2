// Multilinear interpolation on a rectangular grid of up to five dimensions,
// and the six densities of a member by it.
#include <cmath>
#include <limits>

#include "common/lanes.hpp"
#include "fio/dispatch.hpp"
#include "grid_core.hpp"

namespace pdferr::grids {

ShapeCheck check_shape(std::int32_t ndim, const std::int32_t* nnodes) {
  ShapeCheck check;
  if (ndim < 1 || ndim > max_dims) {
    check.ndim_out_of_range = true;
    return check;
  }
  for (int i = 0; i < ndim; ++i) {
    if (nnodes[i] < 2) {
      check.short_dimension = i + 1;
      break;
    }
  }
  return check;
}

Cell find_cell(int ndim, const double* coord, const std::int32_t* nnodes, const double* nodes) {
  Cell cell{};
  cell.ndim = ndim;
  // 0-based counterparts of the running values: first node of the
  // dimension in nodes, all-upper corner in the table, stride.
  std::int64_t first = 0;
  std::int64_t base = 0;
  std::int64_t stride = 1;
  for (int i = 0; i < ndim; ++i) {
    const std::int64_t last = first + nnodes[i] - 1;
    // The upper node: the first node at or above the coordinate, else the
    // last node (also for a NaN coordinate, which compares false).
    std::int64_t j = first;
    while (j < last && !(nodes[j] >= coord[i])) ++j;
    // A coordinate at or below the first node uses the first cell.
    if (j == first) j = first + 1;
    const double upper = nodes[j];
    const double lower = nodes[j - 1];
    cell.w[i] = (upper - coord[i]) / (upper - lower);
    base = base + (j - first) * stride;
    stride = stride * nnodes[i];
    first = last + 1;
  }
  cell.base = base;
  return cell;
}

namespace {

// The count of nodes not at or above c (all of them for a NaN c): one
// comparison per node, side by side in vector lanes.
[[gnu::always_inline]] inline std::int64_t count_below_body(const double* nodes, std::int64_t n,
                                                            double c) {
  std::int64_t below = 0;
  for (std::int64_t k = 0; k < n; ++k) below += !(nodes[k] >= c);
  return below;
}

std::int64_t count_below_generic(const double* nodes, std::int64_t n, double c) {
  return count_below_body(nodes, n, c);
}

FIO_TARGET_AVX2 std::int64_t count_below_avx2(const double* nodes, std::int64_t n, double c) {
  return count_below_body(nodes, n, c);
}

}  // namespace

constinit const CountBelowVariants count_below{count_below_generic, count_below_avx2};

Cell find_cell_ascending(int ndim, const double* coord, const std::int32_t* nnodes,
                         const double* nodes) {
  Cell cell{};
  cell.ndim = ndim;
  std::int64_t first = 0;
  std::int64_t base = 0;
  std::int64_t stride = 1;
  for (int i = 0; i < ndim; ++i) {
    const std::int64_t n = nnodes[i];
    const double c = coord[i];
    const double* dim = nodes + first;
    const std::int64_t j = upper_node(count_below(dim, n, c), n);
    cell.w[i] = lower_weight(dim[j], dim[j - 1], c);
    base = base + j * stride;
    stride = stride * n;
    first = first + n;
  }
  cell.base = base;
  return cell;
}

void corner_sums_2d(const Cell& cell, const std::int32_t* nnodes, const double* tables, int ntables,
                    double* sums) {
  const CornerFactors<double> f = corner_factors(cell.w[0], cell.w[1]);
  const std::int64_t n1 = nnodes[0];
  const std::int64_t size = n1 * nnodes[1];
  for (int t = 0; t < ntables; ++t) {
    const double* table = tables + t * size + cell.base;
    sums[t] = corner_sum_2d(f, table[0], table[-n1], table[-1], table[-1 - n1]);
  }
}

double corner_sum(const Cell& cell, const std::int32_t* nnodes, const double* table) {
  // upper[i]: whether the current corner takes dimension i's upper node.
  // The corners run like a binary counter counting down from all-upper to
  // all-lower, the last dimension the fastest digit.
  bool upper[max_dims];
  for (int i = 0; i < cell.ndim; ++i) upper[i] = true;
  double sum = 0.0;
  for (;;) {
    double factor = 1.0;
    std::int64_t address = cell.base;
    std::int64_t s = 1;
    for (int i = 0; i < cell.ndim; ++i) {
      if (upper[i]) {
        factor = (1.0 - cell.w[i]) * factor;
      } else {
        factor = cell.w[i] * factor;
        address = address - s;
      }
      s = s * nnodes[i];
    }
    sum = table[address] * factor + sum;

    int i = cell.ndim - 1;
    while (i >= 0 && !upper[i]) --i;
    if (i < 0) return sum;
    upper[i] = false;
    for (int h = i + 1; h < cell.ndim; ++h) upper[h] = true;
  }
}

void densities(const double* tables, const std::int32_t* nnodes, const double* lognodes, double x,
               double q2, double (&out)[ncol]) {
  const double point[2] = {std::log(x), std::log(q2)};
  // One cell serves all six columns: they share nodes and point.
  const Cell cell = find_cell_ascending(2, point, nnodes, lognodes);
  double t[ncol];
  corner_sums_2d(cell, nnodes, tables, ncol, t);
  const Powers p = powers(x);
  column_densities(t, u_powers(x), x, p.sqrt_x, out);
}

namespace {

// Eight points side by side: two vectors of four, each with the other's
// latency to hide.
constexpr int lanes = 8;
using Lanes = common::Lanes<lanes>;

// A point of the domain waiting for its lanes: where its densities go, the
// point, x^0.5, and the cell of each dimension (upper node index j, the
// logarithms of its nodes j and j - 1, the point's logarithm).
struct DensityLane {
  std::size_t out;
  double x, sqrt_x;
  std::int64_t jx, jq;
  double x_upper, x_lower, log_x;
  double q_upper, q_lower, log_q2;
};

// The cell of one dimension of n nodes at coordinate c.
[[gnu::always_inline]] inline void dimension_cell(const double* dim, std::int64_t n, double c,
                                                  std::int64_t& j, double& upper, double& lower) {
  j = upper_node(count_below_body(dim, n, c), n);
  upper = dim[j];
  lower = dim[j - 1];
}

// densities() of lane[0..n) (1 <= n <= lanes) side by side into out; spare
// lanes repeat the first.
[[gnu::always_inline]] inline void density_lanes(const double* tables, const DensityLane* lane,
                                                 int n, double* out) {
  constexpr std::int64_t size = std::int64_t{nx} * nq;
  double x[lanes], sqrt_x[lanes], x_upper[lanes], x_lower[lanes], log_x[lanes];
  double q_upper[lanes], q_lower[lanes], log_q2[lanes];
  double v[ncol][4][lanes];  // the corner values of each table, in corner order
  for (int l = 0; l < lanes; ++l) {
    const DensityLane& a = lane[l < n ? l : 0];
    x[l] = a.x;
    sqrt_x[l] = a.sqrt_x;
    x_upper[l] = a.x_upper;
    x_lower[l] = a.x_lower;
    log_x[l] = a.log_x;
    q_upper[l] = a.q_upper;
    q_lower[l] = a.q_lower;
    log_q2[l] = a.log_q2;
    const std::int64_t base = a.jx + a.jq * nx;  // the all-upper corner
    for (int c = 0; c < ncol; ++c) {
      const double* t = tables + c * size + base;
      v[c][0][l] = t[0];
      v[c][1][l] = t[-nx];
      v[c][2][l] = t[-1];
      v[c][3][l] = t[-1 - nx];
    }
  }
  const Lanes w1 = lower_weight(Lanes::of(x_upper), Lanes::of(x_lower), Lanes::of(log_x));
  const Lanes w2 = lower_weight(Lanes::of(q_upper), Lanes::of(q_lower), Lanes::of(log_q2));
  const CornerFactors<Lanes> f = corner_factors(w1, w2);
  Lanes t[ncol];
  for (int c = 0; c < ncol; ++c) {
    t[c] = corner_sum_2d(f, Lanes::of(v[c][0]), Lanes::of(v[c][1]), Lanes::of(v[c][2]),
                         Lanes::of(v[c][3]));
  }
  const Lanes xs = Lanes::of(x);
  Lanes d[ncol];
  column_densities(t, u_powers(xs), xs, Lanes::of(sqrt_x), d);
  for (int l = 0; l < n; ++l) {
    for (int c = 0; c < ncol; ++c) out[lane[l].out + c] = d[c][l];
  }
}

[[gnu::always_inline]] inline void densities_body(const double* tables, const DensityRequest& r) {
  const double* x_logs = log_nodes();
  const double* q_logs = x_logs + nx;
  DensityLane lane[lanes];
  int pending = 0;
  DensityLane q{};  // the Q2 side, formed once for one Q2
  bool have_q = false;
  for (std::size_t i = 0; i < r.n; ++i) {
    const double x = r.x[i];
    const double q2 = r.one_q2 ? r.q2[0] : r.q2[i];
    const std::size_t out = i * ncol;
    if (!x_in_domain(x) || !q2_in_domain(q2)) {
      for (int c = 0; c < ncol; ++c) r.out[out + c] = std::numeric_limits<double>::quiet_NaN();
      continue;
    }
    if (!(r.one_q2 && have_q)) {
      q.log_q2 = std::log(q2);
      dimension_cell(q_logs, nq, q.log_q2, q.jq, q.q_upper, q.q_lower);
      have_q = true;
    }
    DensityLane& a = lane[pending];
    a = q;
    a.out = out;
    a.x = x;
    a.log_x = std::log(x);
    dimension_cell(x_logs, nx, a.log_x, a.jx, a.x_upper, a.x_lower);
    // x^0.5 by the power function, as the load factors take it.
    a.sqrt_x = std::pow(x, 0.5);
    if (++pending == lanes) {
      density_lanes(tables, lane, pending, r.out);
      pending = 0;
    }
  }
  if (pending > 0) density_lanes(tables, lane, pending, r.out);
}

void densities_generic(const double* tables, const DensityRequest& r) { densities_body(tables, r); }

FIO_TARGET_AVX2 void densities_avx2(const double* tables, const DensityRequest& r) {
  densities_body(tables, r);
}

}  // namespace

constinit const DensitiesVariants densities_at{densities_generic, densities_avx2};

}  // namespace pdferr::grids
