// The stored tables of a member: the file values divided by their columns'
// load factors, and the same tables with the columns of a node side by side.
#pragma once

#include "grid_file.hpp"

namespace pdferr::grids {

// The powers of u = 1 - x that form the column factors, each by
// multiplication in this grouping; T is double for one point and
// simd::Lanes for several side by side.
template <class T>
struct UPowersOf {
  T u;
  T u3;  // u (u u)
  T u4;  // (u u)^2
  T u5;  // (u (u u)) (u u)
  T u8;  // ((u u)^2)^2
};

template <class T>
[[gnu::always_inline]] inline UPowersOf<T> u_powers(T x) {
  UPowersOf<T> p;
  p.u = T(1.0) - x;
  const T uu = p.u * p.u;
  p.u3 = p.u * uu;
  p.u4 = uu * uu;
  p.u5 = p.u3 * uu;
  p.u8 = p.u4 * p.u4;
  return p;
}

// The powers of x and u = 1 - x that form the column factors.
struct Powers {
  double x;
  double u;
  double u3;      // u (u u)
  double u4;      // (u u)^2
  double u5;      // (u (u u)) (u u)
  double u8;      // ((u u)^2)^2
  double sqrt_x;  // x^0.5 by the power function
};
Powers powers(double x);

// The load factor of each column, by which the file values are divided.
void load_factors(const Powers& p, double (&factor)[ncol]);

// The stored tables of a member: values divided by the load factors, zero
// at x node 47.  table[c][k][l] is column c at x node l and Q2 node k.
using GridTables = double[ncol][nq][nx];
void build_tables(const RawGrid& raw, GridTables& table);

// The stored tables with the columns of each node side by side:
// side[k][l][c] = table[c][k][l], then two zeros (eight values, 64 bytes,
// per node).
inline constexpr int side_width = 8;
using SideTables = double[nq][nx][side_width];
void side_by_side(const GridTables& tables, SideTables& side);

}  // namespace pdferr::grids
