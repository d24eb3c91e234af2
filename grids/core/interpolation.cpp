// Multilinear interpolation on a rectangular grid of up to five dimensions.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "crmath.hpp"
#include "interpolation.hpp"
#include "simd/dispatch.hpp"
#include "simd/lanes.hpp"

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

namespace {

std::int64_t count_below_generic(const double* nodes, std::int64_t n, double c) {
  return count_below_body(nodes, n, c);
}

PDFERR_TARGET_AVX2 std::int64_t count_below_avx2(const double* nodes, std::int64_t n, double c) {
  return count_below_body(nodes, n, c);
}

}  // namespace

constinit const CountBelowVariants count_below{count_below_generic, count_below_avx2};

namespace {

// The cell of coord, with first_at_or_above(dim, n, c) the index in 0..n of
// the first of a dimension's n nodes at or above c (n if there is none), or
// anything between it and n - 1: upper_node caps it.
template <class FirstAtOrAbove>
[[gnu::always_inline]] inline Cell find_cell_with(int ndim, const double* coord,
                                                  const std::int32_t* nnodes, const double* nodes,
                                                  FirstAtOrAbove first_at_or_above) {
  Cell cell{};
  cell.ndim = ndim;
  // First node of the dimension in nodes, all-upper corner in the table,
  // stride.
  std::int64_t first = 0;
  std::int64_t base = 0;
  std::int64_t stride = 1;
  for (int i = 0; i < ndim; ++i) {
    const std::int64_t n = nnodes[i];
    const double c = coord[i];
    const double* dim = nodes + first;
    const std::int64_t j = upper_node(first_at_or_above(dim, n, c), n);
    cell.w[i] = lower_weight(dim[j], dim[j - 1], c);
    base = base + j * stride;
    stride = stride * n;
    first = first + n;
  }
  cell.base = base;
  return cell;
}

}  // namespace

Cell find_cell(int ndim, const double* coord, const std::int32_t* nnodes, const double* nodes) {
  // Nodes in any order: the first at or above c, by a scan that stops at
  // the last node (where a NaN coordinate, which compares false, ends too).
  return find_cell_with(ndim, coord, nnodes, nodes,
                        [](const double* dim, std::int64_t n, double c) {
                          std::int64_t k = 0;
                          while (k < n - 1 && !(dim[k] >= c)) ++k;
                          return k;
                        });
}

Cell find_cell_ascending(int ndim, const double* coord, const std::int32_t* nnodes,
                         const double* nodes) {
  return find_cell_with(
      ndim, coord, nnodes, nodes,
      [](const double* dim, std::int64_t n, double c) { return count_below(dim, n, c); });
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

}  // namespace pdferr::grids
