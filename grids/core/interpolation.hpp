// Multilinear interpolation on a rectangular grid of up to five dimensions:
// the cell of a point and the weighted sums of its corners.
#pragma once

#include <cstdint>

#include "simd/dispatch.hpp"

namespace pdferr::grids {

inline constexpr int max_dims = 5;

// The cell that holds a point: the lower-node weight of each dimension and
// the 0-based table position of the corner with every upper node.
struct Cell {
  int ndim;
  double w[max_dims];
  std::int64_t base;
};

// Why a grid shape is refused.  A dimension index is 1-based.
struct ShapeCheck {
  bool ndim_out_of_range = false;  // ndim outside 1..max_dims
  int short_dimension = 0;         // the first dimension with fewer than two nodes
  bool ok() const { return !ndim_out_of_range && short_dimension == 0; }
};
ShapeCheck check_shape(std::int32_t ndim, const std::int32_t* nnodes);

// The cell of coord; the shape must have passed check_shape.
Cell find_cell(int ndim, const double* coord, const std::int32_t* nnodes, const double* nodes);

// The weighted sum of the table values at the 2^ndim corners of the cell.
double corner_sum(const Cell& cell, const std::int32_t* nnodes, const double* table);

// The upper node of a dimension's cell, 1..n - 1, from the count of its n
// nodes below the coordinate: the first node at or above it, the last node
// if there is none, the second if it is the first.
inline std::int64_t upper_node(std::int64_t below, std::int64_t n) {
  const std::int64_t j = below < n - 1 ? below : n - 1;
  return j == 0 ? 1 : j;
}

// The weight of the lower node of a cell at coordinate c.
template <class T>
[[gnu::always_inline]] inline T lower_weight(T upper, T lower, T c) {
  return (upper - c) / (upper - lower);
}

// The count of nodes not at or above c (all of them for a NaN c): one
// comparison per node, side by side in vector lanes.
[[gnu::always_inline]] inline std::int64_t count_below_body(const double* nodes, std::int64_t n,
                                                            double c) {
  std::int64_t below = 0;
  for (std::int64_t k = 0; k < n; ++k) below += !(nodes[k] >= c);
  return below;
}

// The count of the n nodes that are not at or above c (all of them for a
// NaN c), compiled for processors with AVX2 and for all others; a call runs
// the version this processor runs.
using CountBelowVariants = simd::Variants<std::int64_t(const double*, std::int64_t, double)>;
extern const CountBelowVariants count_below;

// find_cell for nodes ascending in every dimension, by comparisons without
// branches: there the nodes below a coordinate form a prefix, so the first
// node at or above it is the count of nodes that are not, and the cell,
// weights and base are find_cell's bit for bit.
Cell find_cell_ascending(int ndim, const double* coord, const std::int32_t* nnodes,
                         const double* nodes);

// corner_sum of one two-dimensional cell on ntables tables of nnodes[0] x
// nnodes[1] values each, one after another: the four corner factors are
// formed once for all tables, each in corner_sum's order, and each sum is
// corner_sum's, term by term.
void corner_sums_2d(const Cell& cell, const std::int32_t* nnodes, const double* tables, int ntables,
                    double* sums);

// The four corner factors of a two-dimensional cell with lower-node
// weights w1 and w2, as corner_sum forms them from factor = 1, dimension 1
// first; the corners in its order: (upper, upper), (upper, lower), (lower,
// upper), (lower, lower), written (dimension 1, dimension 2).
template <class T>
struct CornerFactors {
  T uu, ul, lu, ll;
};

template <class T>
[[gnu::always_inline]] inline CornerFactors<T> corner_factors(T w1, T w2) {
  const T one(1.0);
  CornerFactors<T> f;
  f.uu = (one - w2) * ((one - w1) * one);
  f.ul = w2 * ((one - w1) * one);
  f.lu = (one - w2) * (w1 * one);
  f.ll = w2 * (w1 * one);
  return f;
}

// corner_sum of the corner values v_uu, v_ul, v_lu, v_ll: the sum from 0 in
// corner order.
template <class T>
[[gnu::always_inline]] inline T corner_sum_2d(const CornerFactors<T>& f, T v_uu, T v_ul, T v_lu,
                                              T v_ll) {
  T sum(0.0);
  sum = v_uu * f.uu + sum;
  sum = v_ul * f.ul + sum;
  sum = v_lu * f.lu + sum;
  sum = v_ll * f.ll + sum;
  return sum;
}

}  // namespace pdferr::grids
