// The arithmetic of the interpolation kernel, on explicit state.
//
// partonx10 applies these functions to the process-wide table blocks and to
// its own persistent KernelState; tests and faster paths call them directly.
// Every formula is written one statement per named quantity, in the grouping
// of the scheme, and must not be regrouped: results are compared bit for bit.
//
// Along x the variable is u = x^xpow, along Q it is t = ln(ln(Q / alambda)).
// A patch is 4 x 4 nodes; interior patches use the blend of the quadratics
// through nodes 1-2-3 and 2-3-4 (weight linear in the point), edge patches
// the cubic through the four nodes (polint4).
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "ZEMOPdf.h"

namespace zemo_kernel {

// Exponent of the x variable: 0.3, the nearest 64-bit value.
inline constexpr double xpow = 0.3;
// Tolerance for x above the last x node: 1.00001 rounded to 32 bits and
// widened, 1.0000100135803223 (0x3FF0000A80000000).
inline constexpr double onep = std::bit_cast<double>(std::uint64_t{0x3FF0000A80000000});
static_assert(onep == static_cast<double>(1.00001f));
// t nodes in a patch.
inline constexpr int nqvec = 4;

// Value at xe of the cubic through (xa[k], ya[k]), k = 0..3, by Neville's
// scheme; the path of the final sum depends on where xe lies.
inline double polint4(const double* xa, const double* ya, double xe) {
  const double h1 = xa[0] - xe;
  const double h2 = xa[1] - xe;
  const double h3 = xa[2] - xe;
  const double h4 = xa[3] - xe;
  // First level.
  double w = (ya[1] - ya[0]) / (h1 - h2);
  const double d1 = h2 * w;
  const double c1 = h1 * w;
  w = (ya[2] - ya[1]) / (h2 - h3);
  const double d2 = h3 * w;
  const double c2 = h2 * w;
  w = (ya[3] - ya[2]) / (h3 - h4);
  const double d3 = h4 * w;
  const double c3 = h3 * w;
  // Second level.
  w = (c2 - d1) / (h1 - h3);
  const double dd1 = h3 * w;
  const double cc1 = h1 * w;
  w = (c3 - d2) / (h2 - h4);
  const double dd2 = h4 * w;
  const double cc2 = h2 * w;
  // Third level.
  w = (cc2 - dd1) / (h1 - h4);
  const double ddd = h4 * w;
  const double ccc = h1 * w;
  // Sums from left to right, starting at the node nearest xe.
  if (h3 + h4 < 0) return ya[3] + d3 + dd2 + ddd;
  if (h2 + h3 < 0) return ya[2] + d2 + dd1 + ccc;
  if (h1 + h2 < 0) return ya[1] + c2 + dd1 + ccc;
  return ya[0] + c1 + cc1 + ccc;
}

// Coefficients of the x-side blend for nodes x1..x4 at the point ss.
struct XBlend {
  double s23 = 0, sy2 = 0, sy3 = 0;
  double const1 = 0, const2 = 0, const3 = 0, const4 = 0, const5 = 0, const6 = 0;
};

inline XBlend x_coefficients(double x1, double x2, double x3, double x4, double ss) {
  XBlend c;
  const double s12 = x1 - x2;
  const double s13 = x1 - x3;
  c.s23 = x2 - x3;
  const double s24 = x2 - x4;
  const double s34 = x3 - x4;
  c.sy2 = ss - x2;
  c.sy3 = ss - x3;
  c.const1 = s13 / c.s23;
  c.const2 = s12 / c.s23;
  c.const3 = s34 / c.s23;
  c.const4 = s24 / c.s23;
  const double s1213 = s12 + s13;
  const double s2434 = s24 + s34;
  const double sdet = s12 * s34 - s1213 * s2434;
  const double sprod = c.sy3 * c.sy2 / sdet;
  c.const5 = (c.sy2 * s34 - c.sy3 * s2434) * sprod / s12;
  c.const6 = (c.sy2 * s1213 - c.sy3 * s12) * sprod / s34;
  return c;
}

inline double x_blend(const XBlend& c, double f1, double f2, double f3, double f4) {
  // g1, g4: the straight line through nodes 2 and 3, at x1 and at x4.
  const double g1 = c.const1 * f2 - c.const2 * f3;
  const double g4 = c.const4 * f3 - c.const3 * f2;
  return (c.sy3 * f2 + ((f1 - g1) * c.const5 + c.const6 * (f4 - g4)) - c.sy2 * f3) / c.s23;
}

// Coefficients of the t-side blend for nodes t1..t4 at the point tt.
struct TBlend {
  double t12 = 0, t13 = 0, t23 = 0, t24 = 0, t34 = 0;
  double ty2 = 0, ty3 = 0, tmp1 = 0, tmp2 = 0, tdet = 0;
  // The point's factors of (f1 - g1) and (f4 - g4) in hq, formed once per
  // point: ty2 t34 - ty3 tmp2 and ty2 tmp1 - ty3 t12.
  double weight1 = 0, weight4 = 0;
};

inline TBlend t_coefficients(double t1, double t2, double t3, double t4, double tt) {
  TBlend c;
  c.t12 = t1 - t2;
  c.t13 = t1 - t3;
  c.t23 = t2 - t3;
  c.t24 = t2 - t4;
  c.t34 = t3 - t4;
  c.ty2 = tt - t2;
  c.ty3 = tt - t3;
  c.tmp1 = c.t12 + c.t13;
  c.tmp2 = c.t24 + c.t34;
  c.tdet = c.t12 * c.t34 - c.tmp1 * c.tmp2;
  c.weight1 = c.ty2 * c.t34 - c.ty3 * c.tmp2;
  c.weight4 = c.ty2 * c.tmp1 - c.ty3 * c.t12;
  return c;
}

inline double t_blend(const TBlend& c, double f1, double f2, double f3, double f4) {
  const double g1 = (c.t13 * f2 - c.t12 * f3) / c.t23;
  const double g4 = (c.t24 * f3 - c.t34 * f2) / c.t23;
  const double hq = (f1 - g1) * c.weight1 / c.t12 + (f4 - g4) * c.weight4 / c.t34;
  return ((c.ty3 * f2 + ((c.ty2 * hq) * c.ty3) / c.tdet) - c.ty2 * f3) / c.t23;
}

// Bisection over nodes[0..n] (ascending): the largest index j with
// nodes[j] <= v, -1 when v is below nodes[0] or NaN, n when v >= nodes[n].
// The halvings take both ends by selection rather than by a branch, so that
// a new point costs no mispredicted jumps; the steps are the same.
inline int bracket(const double* nodes, int n, double v) {
  int jl = -1;
  int ju = n + 1;
  while (ju - jl > 1) {
    const int jm = (ju + jl) / 2;
    const bool at_or_above = v >= nodes[jm];
    jl = at_or_above ? jm : jl;
    ju = at_or_above ? ju : jm;
  }
  return jl;
}

// Persistent values of the kernel: the u nodes of the loaded table and the
// brackets and coefficients of the last point computed.
struct KernelState {
  double x = -1;  // the X and Q of the last computation; -1 computes first
  double q = -1;
  double xvpow[PDFERR_ZEMO_MAX_NX + 1] = {};
  double ss = 0;  // u of x
  double tt = 0;  // t of q
  int jlx = 0, jx = 0, jlq = 0, jq = 0;
  XBlend xc;
  TBlend tc;
};

// Rebuilds the u nodes after a load: xvpow(0) = 0, xvpow(i) = xv(i)^xpow.
inline void refresh_nodes(KernelState& s, const vokpar1_block& table, const vokpar2_block& dims) {
  s.xvpow[0] = 0;
  for (int i = 1; i <= dims.nx; ++i) s.xvpow[i] = std::pow(table.xv[i], xpow);
}

enum class XFault { none, below, above };

// Brackets, patch and coefficients for the point (x, q).  Returns a fault
// for x below 0 (or NaN) and for x at or above both the last node and onep;
// the state then holds x and q but no usable patch.
//
// The x side (bracket, patch, u of x, coefficients) depends on x and the
// nodes only, the t side on q and the nodes only: unless fresh (a new
// table), a side whose value equals the last one computed is kept, so a
// scan over Q at one x, or over x at one Q, forms only the other side.
// What is kept is what would be formed again, bit for bit.
inline XFault locate(KernelState& s, const vokpar1_block& table, const vokpar2_block& dims,
                     double x, double q, bool fresh = true) {
  const int nx = dims.nx;
  const int nt = dims.nt;
  const bool same_x = !fresh && x == s.x;
  const bool same_q = !fresh && q == s.q;
  s.x = x;
  s.q = q;
  if (!same_x) {
    s.jlx = bracket(table.xv, nx, s.x);
    if (s.jlx < 0) {
      s.q = std::numeric_limits<double>::quiet_NaN();  // nothing of this point is kept
      return XFault::below;
    }
    if (s.jlx == 0) {
      s.jx = 0;
    } else if (s.jlx <= nx - 2) {
      s.jx = s.jlx - 1;
    } else if (s.jlx == nx - 1 || s.x < onep) {
      s.jx = nx - 3;
    } else {
      s.q = std::numeric_limits<double>::quiet_NaN();
      return XFault::above;
    }
    s.ss = std::pow(s.x, xpow);
    if (s.jlx >= 2 && s.jlx <= nx - 2) {
      const double* u = s.xvpow + s.jx;
      s.xc = x_coefficients(u[0], u[1], u[2], u[3], s.ss);
    }
  }
  if (!same_q) {
    s.tt = std::log(std::log(s.q / table.alambda));
    s.jlq = bracket(table.tv, nt, s.tt);
    if (s.jlq <= 0) {
      s.jq = 0;
    } else if (s.jlq <= nt - 2) {
      s.jq = s.jlq - 1;
    } else {
      s.jq = nt - 3;
    }
    if (s.jlq >= 1 && s.jlq <= nt - 2) {
      const double* t = table.tv + s.jq;
      s.tc = t_coefficients(t[0], t[1], t[2], t[3], s.tt);
    }
  }
  return XFault::none;
}

// Flavour slot of a flavour number: itself up to mxval, else its negative.
inline int slot(int iparton, const vokpar2_block& dims) {
  return iparton <= dims.mxval ? iparton : -iparton;
}

// The interpolated value of flavour iparton at the located point.
inline double interpolate(const KernelState& s, const vokpar1_block& table,
                          const vokpar2_block& dims, int iparton) {
  // The density vanishes at x = 0, where the small-x scheme is anchored.
  if (s.x == 0) return 0.0;
  const int nx = dims.nx;
  const int nt = dims.nt;
  const int ip = slot(iparton, dims);
  // 1-based index in pdfval of x node jx, t node jq - 1, slot ip.
  const int jbase = ((ip + dims.MxFlvN0) * (nt + 1) + s.jq - 1) * (nx + 1) + s.jx + 1;
  double ftq[nqvec];
  for (int it = 1; it <= nqvec; ++it) {
    const double* f = table.pdfval + (jbase + it * (nx + 1) - 1);
    double v;
    if (s.jx == 0) {
      // Small x: x^2 times the value, anchored at 0 at x = 0.
      double fpt[4];
      fpt[0] = 0;
      for (int k = 1; k <= 3; ++k) fpt[k] = table.xv[k] * table.xv[k] * f[k];
      const double w = polint4(s.xvpow, fpt, s.ss);
      v = w / (s.x * s.x);
    } else if (s.jlx >= nx - 1) {
      v = polint4(s.xvpow + (nx - 3), f, s.ss);
    } else {
      v = x_blend(s.xc, f[0], f[1], f[2], f[3]);
    }
    ftq[it - 1] = v;
  }
  if (s.jlq <= 0) return polint4(table.tv, ftq, s.tt);
  if (s.jlq >= nt - 1) return polint4(table.tv + (nt - 3), ftq, s.tt);
  return t_blend(s.tc, ftq[0], ftq[1], ftq[2], ftq[3]);
}

}  // namespace zemo_kernel
