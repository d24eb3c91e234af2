// The interpolation kernel of the tables, on explicit state.
//
// Along x the variable is u = x^xpow, along Q it is t = ln(ln(Q / alambda)).
// A patch is 4 x 4 nodes; interior patches use the blend of the quadratics
// through nodes 1-2-3 and 2-3-4 (weight linear in the point), edge patches
// the cubic through the four nodes (polint4), and the smallest x values the
// cubic of x^2 times the value, anchored at 0 for x = 0.
//
// Every formula is written one statement per named quantity, in the grouping
// of the scheme, and must not be regrouped: results are compared bit for bit.
#pragma once

#include <bit>
#include <cstdint>

#include "crmath.hpp"
#include "simd/lanes.hpp"

namespace pdferr::tables {

// Exponent of the x variable: 0.3, the nearest 64-bit value.
inline constexpr double xpow = 0.3;

// u = x^xpow and t = ln(ln(Q / alambda)), each from the toolkit's correctly
// rounded functions: the same bits on every machine.
inline double u_of(double x) { return math::pow03(x); }
inline double t_of(double q, double alambda) { return math::log(math::log(q / alambda)); }
// Q of t: alambda exp(exp(t)).
inline double q_of(double t, double alambda) { return alambda * math::exp(math::exp(t)); }
// Tolerance for x above the last x node: 1.00001 rounded to 32 bits and
// widened, 1.0000100135803223 (0x3FF0000A80000000).
inline constexpr double onep = std::bit_cast<double>(std::uint64_t{0x3FF0000A80000000});
static_assert(onep == static_cast<double>(1.00001f));
// t nodes in a patch.
inline constexpr int nqvec = 4;
// Smallest accepted Q: 0.3, the nearest 64-bit value.
inline constexpr double qsml = 0.3;

// The formulas below are templates over their value type: double for one
// point, simd::Lanes for several side by side.  Both run the same
// operations in the same grouping; they are always inlined, so that each is
// compiled in the instruction set of its caller.
using simd::choose;
using simd::Lanes;
using simd::less;

// Value at xe of the cubic through (xa[k], ya[k]), k = 0..3, by Neville's
// scheme; the path of the final sum depends on where xe lies.  All four sums
// are formed and one is chosen, each exactly as its path forms it, so that
// lanes may take different paths.
template <class T>
[[gnu::always_inline]] inline T polint4(const T* xa, const T* ya, T xe) {
  const T h1 = xa[0] - xe;
  const T h2 = xa[1] - xe;
  const T h3 = xa[2] - xe;
  const T h4 = xa[3] - xe;
  // First level.
  T w = (ya[1] - ya[0]) / (h1 - h2);
  const T d1 = h2 * w;
  const T c1 = h1 * w;
  w = (ya[2] - ya[1]) / (h2 - h3);
  const T d2 = h3 * w;
  const T c2 = h2 * w;
  w = (ya[3] - ya[2]) / (h3 - h4);
  const T d3 = h4 * w;
  const T c3 = h3 * w;
  // Second level.
  w = (c2 - d1) / (h1 - h3);
  const T dd1 = h3 * w;
  const T cc1 = h1 * w;
  w = (c3 - d2) / (h2 - h4);
  const T dd2 = h4 * w;
  const T cc2 = h2 * w;
  // Third level.
  w = (cc2 - dd1) / (h1 - h4);
  const T ddd = h4 * w;
  const T ccc = h1 * w;
  // Sums from left to right, starting at the node nearest xe.
  const T from4 = ya[3] + d3 + dd2 + ddd;
  const T from3 = ya[2] + d2 + dd1 + ccc;
  const T from2 = ya[1] + c2 + dd1 + ccc;
  const T from1 = ya[0] + c1 + cc1 + ccc;
  const T zero(0.0);
  const auto near4 = less(h3 + h4, zero);  // xe above the midpoint of nodes 3 and 4
  const auto near3 = less(h2 + h3, zero);
  const auto near2 = less(h1 + h2, zero);
  return choose(near4, from4, choose(near3, from3, choose(near2, from2, from1)));
}

// Coefficients of the x-side blend for nodes x1..x4 at the point ss.  The
// line through nodes 2 and 3 takes at x1 the value line1_f2 f2 - line1_f3 f3
// and at x4 line4_f3 f3 - line4_f2 f2; weight1 and weight4 are the point's
// factors of f1 and f4 less those values.
template <class T>
struct XBlendOf {
  T s23{}, sy2{}, sy3{};
  T line1_f2{}, line1_f3{}, line4_f2{}, line4_f3{}, weight1{}, weight4{};
};
using XBlend = XBlendOf<double>;

// The part of the x-side coefficients that depends on the nodes x1..x4
// alone, the same for every point of a patch: a table keeps it per patch.
// s1213 = s12 + s13, s2434 = s24 + s34 and sdet their determinant.
template <class T>
struct XNodesOf {
  T x2{}, x3{}, s12{}, s23{}, s34{}, s1213{}, s2434{}, sdet{};
  T line1_f2{}, line1_f3{}, line4_f2{}, line4_f3{};
};
using XNodes = XNodesOf<double>;

template <class T>
[[gnu::always_inline]] inline XNodesOf<T> x_nodes(T x1, T x2, T x3, T x4) {
  XNodesOf<T> n;
  n.x2 = x2;
  n.x3 = x3;
  n.s12 = x1 - x2;
  const T s13 = x1 - x3;
  n.s23 = x2 - x3;
  const T s24 = x2 - x4;
  n.s34 = x3 - x4;
  n.line1_f2 = s13 / n.s23;
  n.line1_f3 = n.s12 / n.s23;
  n.line4_f2 = n.s34 / n.s23;
  n.line4_f3 = s24 / n.s23;
  n.s1213 = n.s12 + s13;
  n.s2434 = s24 + n.s34;
  n.sdet = n.s12 * n.s34 - n.s1213 * n.s2434;
  return n;
}

// The coefficients of a point ss of the patch whose node part is n.
template <class T>
[[gnu::always_inline]] inline XBlendOf<T> x_point(const XNodesOf<T>& n, T ss) {
  XBlendOf<T> c;
  c.s23 = n.s23;
  c.line1_f2 = n.line1_f2;
  c.line1_f3 = n.line1_f3;
  c.line4_f2 = n.line4_f2;
  c.line4_f3 = n.line4_f3;
  c.sy2 = ss - n.x2;
  c.sy3 = ss - n.x3;
  const T sprod = c.sy3 * c.sy2 / n.sdet;
  c.weight1 = (c.sy2 * n.s34 - c.sy3 * n.s2434) * sprod / n.s12;
  c.weight4 = (c.sy2 * n.s1213 - c.sy3 * n.s12) * sprod / n.s34;
  return c;
}

// Both parts at once: the same operations on the same values.
template <class T>
[[gnu::always_inline]] inline XBlendOf<T> x_coefficients(T x1, T x2, T x3, T x4, T ss) {
  return x_point(x_nodes(x1, x2, x3, x4), ss);
}

template <class T>
[[gnu::always_inline]] inline T x_blend(const XBlendOf<T>& c, T f1, T f2, T f3, T f4) {
  // g1, g4: the straight line through nodes 2 and 3, at x1 and at x4.
  const T g1 = c.line1_f2 * f2 - c.line1_f3 * f3;
  const T g4 = c.line4_f3 * f3 - c.line4_f2 * f2;
  return (c.sy3 * f2 + ((f1 - g1) * c.weight1 + c.weight4 * (f4 - g4)) - c.sy2 * f3) / c.s23;
}

// Coefficients of the t-side blend for nodes t1..t4 at the point tt.
template <class T>
struct TBlendOf {
  T t12{}, t13{}, t23{}, t24{}, t34{};
  T ty2{}, ty3{}, t1213{}, t2434{}, tdet{};  // t1213 = t12 + t13, t2434 = t24 + t34
  // The point's factors of (f1 - g1) and (f4 - g4) in hq, formed once per
  // point: ty2 t34 - ty3 t2434 and ty2 t1213 - ty3 t12.
  T weight1{}, weight4{};
};
using TBlend = TBlendOf<double>;

template <class T>
[[gnu::always_inline]] inline TBlendOf<T> t_coefficients(T t1, T t2, T t3, T t4, T tt) {
  TBlendOf<T> c;
  c.t12 = t1 - t2;
  c.t13 = t1 - t3;
  c.t23 = t2 - t3;
  c.t24 = t2 - t4;
  c.t34 = t3 - t4;
  c.ty2 = tt - t2;
  c.ty3 = tt - t3;
  c.t1213 = c.t12 + c.t13;
  c.t2434 = c.t24 + c.t34;
  c.tdet = c.t12 * c.t34 - c.t1213 * c.t2434;
  c.weight1 = c.ty2 * c.t34 - c.ty3 * c.t2434;
  c.weight4 = c.ty2 * c.t1213 - c.ty3 * c.t12;
  return c;
}

template <class T>
[[gnu::always_inline]] inline T t_blend(const TBlendOf<T>& c, T f1, T f2, T f3, T f4) {
  const T g1 = (c.t13 * f2 - c.t12 * f3) / c.t23;
  const T g4 = (c.t24 * f3 - c.t34 * f2) / c.t23;
  const T hq = (f1 - g1) * c.weight1 / c.t12 + (f4 - g4) * c.weight4 / c.t34;
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

// A loaded table as the kernel reads it.  The value at x node ix, t node iq
// and flavour slot ip (-mxflvn0..mxval) is
// values[((ip + mxflvn0) * (nt + 1) + iq) * (nx + 1) + ix].
struct Grid {
  double alambda = 0;
  const double* xv = nullptr;  // x nodes 0..nx, xv[0] = 0
  const double* u = nullptr;   // u nodes 0..nx, u[i] = xv[i]^xpow, u[0] = 0
  const double* tv = nullptr;  // t nodes 0..nt
  const double* values = nullptr;
  int nx = 0, nt = 0, mxflvn0 = 0, mxval = 0;
  // The node part of the x side of each patch jx = 0..nx - 3 (x_nodes of
  // u[jx..jx + 3]), where the table keeps it; the batch paths need it.
  const XNodes* patches = nullptr;
};

// The u nodes of x nodes xv[0..nx]: u[0] = 0, u[i] = xv[i]^xpow.
void u_nodes(const double* xv, int nx, double* u);

// The node parts of the patches of u nodes u[0..nx]: patches[jx] =
// x_nodes(u[jx..jx + 3]) for jx = 0..nx - 3.
void x_patches(const double* u, int nx, XNodes* patches);

// Where a bracket puts a point, along x or along t: the patch of four nodes
// from `first` on, and the formula along that side.  Along x, low is the
// small-x scheme (the patch from node 0), high the cubic through the last
// four nodes; along t, low and high are the cubics through the first and
// the last four nodes.  Interior is the blend of the two quadratics.
enum class Side { low, interior, high };
struct Patch {
  int first;
  Side side;
};

// The patch of the x bracket jlx (0..nx) and of the t bracket jlq (-1..nt).
inline Patch x_patch(int jlx, int nx) {
  const int first = jlx == 0 ? 0 : jlx <= nx - 2 ? jlx - 1 : nx - 3;
  return {first, first == 0 ? Side::low : jlx >= nx - 1 ? Side::high : Side::interior};
}
inline Patch t_patch(int jlq, int nt) {
  if (jlq <= 0) return {0, Side::low};
  if (jlq <= nt - 2) return {jlq - 1, Side::interior};
  return {nt - 3, Side::high};
}

// The brackets, patch and coefficients of the last point located, kept for
// the next point: a side (x or t) whose value is unchanged is not formed
// again, so that all flavours at one point, or a scan over Q at one x, pay
// for the searches once.  What is kept is what would be formed again, bit
// for bit.
struct Point {
  bool has_x = false;  // the x side below is that of x
  bool has_t = false;  // the t side below is that of q
  double x = 0, ss = 0;
  Patch xp{0, Side::low};
  XBlend xc;  // on the interior side
  double q = 0, tt = 0;
  Patch tp{0, Side::low};
  TBlend tc;  // on the interior side
};

enum class XFault { none, below, above };

// Locates (x, q) in g, keeping the sides of p that are unchanged.  x below 0
// (or NaN), and x at or above both the last node and onep, are refused:
// then p keeps nothing, so the same x is refused again next time.
XFault locate(const Grid& g, Point& p, double x, double q);

// Flavour slot of a flavour number: itself up to mxval, else its negative.
inline int slot(int iparton, int mxval) { return iparton <= mxval ? iparton : -iparton; }

// The interpolated value of flavour iparton, whose slot lies in
// -mxflvn0..mxval, at the point located in p: 0 at x = 0, where the small-x
// scheme is anchored.
double interpolate(const Grid& g, const Point& p, int iparton);

}  // namespace pdferr::tables
