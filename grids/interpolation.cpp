// Multilinear interpolation on a rectangular grid of up to five dimensions.
#include "pelk_core.hpp"

namespace pelk {

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

}  // namespace pelk
