#include "kernel.hpp"

#include <cstddef>

namespace pdferr::tables {

void u_nodes(const double* xv, int nx, double* u) {
  u[0] = 0;
  // u_of of every node, by the array form: the same bits.
  if (nx > 0) math::pow03(xv + 1, static_cast<std::size_t>(nx), u + 1);
}

void x_patches(const double* u, int nx, XNodes* patches) {
  for (int jx = 0; jx + 3 <= nx; ++jx)
    patches[jx] = x_nodes(u[jx], u[jx + 1], u[jx + 2], u[jx + 3]);
}

XFault locate(const Grid& g, Point& p, double x, double q) {
  const int nx = g.nx;
  const int nt = g.nt;
  if (!(p.has_x && x == p.x)) {
    p.has_x = false;
    const int jlx = bracket(g.xv, nx, x);
    if (jlx < 0 || (jlx == nx && !(x < onep))) {
      p.has_t = false;
      return jlx < 0 ? XFault::below : XFault::above;
    }
    p.x = x;
    p.xp = x_patch(jlx, nx);
    p.ss = u_of(x);
    if (p.xp.side == Side::interior) {
      const int jx = p.xp.first;
      const double* u = g.u + jx;
      // The node part as the grid keeps it, if it does: the same bits.
      p.xc = g.patches != nullptr ? x_point(g.patches[jx], p.ss)
                                  : x_coefficients(u[0], u[1], u[2], u[3], p.ss);
    }
    p.has_x = true;
  }
  if (!(p.has_t && q == p.q)) {
    p.q = q;
    p.tt = t_of(q, g.alambda);
    p.tp = t_patch(bracket(g.tv, nt, p.tt), nt);
    if (p.tp.side == Side::interior) {
      const double* t = g.tv + p.tp.first;
      p.tc = t_coefficients(t[0], t[1], t[2], t[3], p.tt);
    }
    p.has_t = true;
  }
  return XFault::none;
}

double interpolate(const Grid& g, const Point& p, int iparton) {
  if (p.x == 0) return 0.0;
  const int nx = g.nx;
  const int nt = g.nt;
  const int ip = slot(iparton, g.mxval);
  // Index of x node jx, t node jq - 1, slot ip: each it steps one t node on.
  const int jbase = ((ip + g.mxflvn0) * (nt + 1) + p.tp.first - 1) * (nx + 1) + p.xp.first;
  double ftq[nqvec];
  for (int it = 1; it <= nqvec; ++it) {
    const double* f = g.values + (jbase + it * (nx + 1));
    double v;
    if (p.xp.side == Side::low) {
      // Small x: x^2 times the value, anchored at 0 at x = 0.
      double fpt[4];
      fpt[0] = 0;
      for (int k = 1; k <= 3; ++k) fpt[k] = g.xv[k] * g.xv[k] * f[k];
      const double w = polint4(g.u, fpt, p.ss);
      v = w / (p.x * p.x);
    } else if (p.xp.side == Side::high) {
      v = polint4(g.u + (nx - 3), f, p.ss);
    } else {
      v = x_blend(p.xc, f[0], f[1], f[2], f[3]);
    }
    ftq[it - 1] = v;
  }
  if (p.tp.side == Side::low) return polint4(g.tv, ftq, p.tt);
  if (p.tp.side == Side::high) return polint4(g.tv + (nt - 3), ftq, p.tt);
  return t_blend(p.tc, ftq[0], ftq[1], ftq[2], ftq[3]);
}

}  // namespace pdferr::tables
