// Multilinear interpolation on a rectangular grid of up to five dimensions,
// and the six densities of a member by it.
#include <cmath>

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
    const std::int64_t below = count_below(dim, n, c);
    // No node at or above c: the last; the first node: the second.
    std::int64_t j = below < n - 1 ? below : n - 1;
    if (j == 0) j = 1;
    const double upper = dim[j];
    const double lower = dim[j - 1];
    cell.w[i] = (upper - c) / (upper - lower);
    base = base + j * stride;
    stride = stride * n;
    first = first + n;
  }
  cell.base = base;
  return cell;
}

void corner_sums_2d(const Cell& cell, const std::int32_t* nnodes, const double* tables, int ntables,
                    double* sums) {
  // The factors as corner_sum forms them, from factor = 1, dimension 1
  // first; the corners in its order: (upper, upper), (upper, lower),
  // (lower, upper), (lower, lower), written (dimension 1, dimension 2).
  const double w1 = cell.w[0];
  const double w2 = cell.w[1];
  const double f_uu = (1.0 - w2) * ((1.0 - w1) * 1.0);
  const double f_ul = w2 * ((1.0 - w1) * 1.0);
  const double f_lu = (1.0 - w2) * (w1 * 1.0);
  const double f_ll = w2 * (w1 * 1.0);
  const std::int64_t n1 = nnodes[0];
  const std::int64_t size = n1 * nnodes[1];
  for (int t = 0; t < ntables; ++t) {
    const double* table = tables + t * size;
    double sum = 0.0;
    sum = table[cell.base] * f_uu + sum;
    sum = table[cell.base - n1] * f_ul + sum;
    sum = table[cell.base - 1] * f_lu + sum;
    sum = table[cell.base - 1 - n1] * f_ll + sum;
    sums[t] = sum;
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
  out[0] = (t[0] * p.u3) * x;
  out[1] = (t[1] * p.u4) * x;
  out[2] = p.sqrt_x * (t[2] * p.u8);
  out[3] = p.sqrt_x * (t[3] * p.u8);
  out[4] = p.sqrt_x * (t[4] * p.u8);
  out[5] = p.sqrt_x * (t[5] * p.u5);
}

}  // namespace pdferr::grids
