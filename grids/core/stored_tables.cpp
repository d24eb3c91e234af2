// The stored tables of a member and their side-by-side form.
#include "stored_tables.hpp"

#include <cmath>

namespace pdferr::grids {

Powers powers(double x) {
  const UPowersOf<double> up = u_powers(x);
  Powers p;
  p.x = x;
  p.u = up.u;
  p.u3 = up.u3;
  p.u4 = up.u4;
  p.u5 = up.u5;
  p.u8 = up.u8;
  // x^0.5: the IEEE square root is correctly rounded, so it gives the bits
  // of a correctly rounded power function for every x.
  p.sqrt_x = std::sqrt(x);
  return p;
}

void load_factors(const Powers& p, double (&factor)[ncol]) {
  factor[0] = p.u3 * p.x;
  factor[1] = p.u4 * p.x;
  factor[2] = p.sqrt_x * p.u8;
  factor[3] = p.sqrt_x * p.u8;
  factor[4] = p.sqrt_x * p.u8;
  factor[5] = p.sqrt_x * p.u5;
}

void build_tables(const RawGrid& raw, GridTables& table) {
  double factor[nx_file][ncol];
  for (int l = 0; l < nx_file; ++l) load_factors(powers(x_nodes[l]), factor[l]);
  for (int k = 0; k < nq; ++k) {
    for (int l = 0; l < nx_file; ++l) {
      for (int c = 0; c < ncol; ++c) table[c][k][l] = raw[l][k][c] / factor[l][c];
    }
    // At x = 1 every factor is zero; the stored value there is zero.
    for (int c = 0; c < ncol; ++c) table[c][k][nx - 1] = 0.0;
  }
}

void side_by_side(const GridTables& tables, SideTables& side) {
  for (int k = 0; k < nq; ++k) {
    for (int l = 0; l < nx; ++l) {
      for (int c = 0; c < ncol; ++c) side[k][l][c] = tables[c][k][l];
      for (int c = ncol; c < side_width; ++c) side[k][l][c] = 0.0;
    }
  }
}

}  // namespace pdferr::grids
