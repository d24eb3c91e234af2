#include "batch.hpp"

#include <cstddef>
#include <limits>
#include <utility>

namespace pdferr::tables {
namespace {

using simd::columns;
using simd::Quad;
using simd::transpose;

// The path of a located point through the kernel: its sides in x and in t.
constexpr int t_paths = 3;
constexpr int paths = 3 * t_paths;
constexpr int path_of(Side xp, Side tp) {
  return static_cast<int>(xp) * t_paths + static_cast<int>(tp);
}

// A point as locate() places it: the x side and the t side.
struct Located {
  double x = 0, ss = 0;  // x and u = x^xpow
  int jx = 0;            // first x node of the patch
  Side xp = Side::low;
  double tt = 0;  // t = ln(ln(Q / alambda))
  int jq = 0;     // first t node of the patch
  Side tp = Side::low;
};

// The index of the value at x node jx, t node jq of flavour f's slot.
[[gnu::always_inline]] inline int patch_base(const Grid& g, int f, int jx, int jq) {
  return ((slot(f, g.mxval) + g.mxflvn0) * (g.nt + 1) + jq) * (g.nx + 1) + jx;
}

// ---- One flavour at many points: the points in lanes --------------------

// Eight lanes: two vectors of four, each with the other's latency to hide.
constexpr int point_lanes = 8;
using PointLanes = Lanes<point_lanes>;

// A point waiting for its lanes: where its result goes and what the kernel
// needs of it.
struct PointLane {
  std::size_t out;
  int base;  // patch_base() of the flavour asked
  int jx, jq;
  double x, ss, tt;
};

// The points of one path waiting to be evaluated.
struct Pending {
  PointLane lane[point_lanes];
  int n = 0;
};

// The node parts of the x side of the patches jx[l], lane by lane: each
// patch's twelve values are read as three rows of four and transposed.
static_assert(sizeof(XNodes) == 12 * sizeof(double));
template <int N>
[[gnu::always_inline]] inline XNodesOf<Lanes<N>> patch_lanes(const Grid& g, const int (&jx)[N]) {
  const double* rows[3][N];
  for (int l = 0; l < N; ++l) {
    const auto* first = reinterpret_cast<const double*>(&g.patches[jx[l]]);
    for (int k = 0; k < 3; ++k) rows[k][l] = first + 4 * k;
  }
  Lanes<N> c[3][4];
  for (int k = 0; k < 3; ++k) columns(rows[k], c[k]);
  XNodesOf<Lanes<N>> n;
  n.x2 = c[0][0];
  n.x3 = c[0][1];
  n.s12 = c[0][2];
  n.s23 = c[0][3];
  n.s34 = c[1][0];
  n.s1213 = c[1][1];
  n.s2434 = c[1][2];
  n.sdet = c[1][3];
  n.line1_f2 = c[2][0];
  n.line1_f3 = c[2][1];
  n.line4_f2 = c[2][2];
  n.line4_f3 = c[2][3];
  return n;
}

// interpolate() of lane[0..n) (1 <= n <= point_lanes), all on the path
// (xp, tp), clamped at 0 into out: its formulas on PointLanes, each lane the
// bits of interpolate() on its own.  Spare lanes repeat the first.
template <Side xp, Side tp>
[[gnu::always_inline]] inline void run_points(const Grid& g, const PointLane* lane, int n,
                                              double* out) {
  constexpr int L = point_lanes;
  double x_of[L], ss_of[L], tt_of[L];
  int jx_of[L];
  const double* u_rows[L];  // u nodes jx..jx + 3
  const double* t_rows[L];  // t nodes jq..jq + 3
  const double* f_rows[nqvec][L];
  const int row = g.nx + 1;
  for (int l = 0; l < L; ++l) {
    const PointLane& a = lane[l < n ? l : 0];
    x_of[l] = a.x;
    ss_of[l] = a.ss;
    tt_of[l] = a.tt;
    jx_of[l] = a.jx;
    u_rows[l] = g.u + a.jx;
    t_rows[l] = g.tv + a.jq;
    for (int it = 0; it < nqvec; ++it) f_rows[it][l] = g.values + a.base + it * row;
  }
  const PointLanes x = PointLanes::of(x_of);
  const PointLanes ss = PointLanes::of(ss_of);
  const PointLanes tt = PointLanes::of(tt_of);
  PointLanes un[4];
  if constexpr (xp != Side::interior) columns(u_rows, un);
  PointLanes tn[4];
  columns(t_rows, tn);
  // Interior patches: the node part of the x side as the table keeps it,
  // then the point part, x_coefficients' operations bit for bit.
  XBlendOf<PointLanes> xc;
  if constexpr (xp == Side::interior) xc = x_point(patch_lanes(g, jx_of), ss);
  PointLanes ftq[nqvec];
  for (int it = 0; it < nqvec; ++it) {
    PointLanes f[4];  // f[k]: x node jx + k at t node jq + it
    columns(f_rows[it], f);
    if constexpr (xp == Side::interior) {
      ftq[it] = x_blend(xc, f[0], f[1], f[2], f[3]);
    } else if constexpr (xp == Side::high) {
      ftq[it] = polint4(un, f, ss);
    } else {
      // Small x: x^2 times the value, anchored at 0 at x = 0 (here jx = 0).
      PointLanes fpt[4];
      fpt[0] = PointLanes(0.0);
      for (int k = 1; k <= 3; ++k) fpt[k] = PointLanes(g.xv[k] * g.xv[k]) * f[k];
      const PointLanes w = polint4(un, fpt, ss);
      ftq[it] = w / (x * x);
    }
  }
  PointLanes r;
  if constexpr (tp == Side::interior) {
    r = t_blend(t_coefficients(tn[0], tn[1], tn[2], tn[3], tt), ftq[0], ftq[1], ftq[2], ftq[3]);
  } else {
    r = polint4(tn, ftq, tt);
  }
  for (int l = 0; l < n; ++l) out[lane[l].out] = r[l] < 0 ? 0.0 : r[l];
}

// ---- Many flavours at one point: t nodes, then flavours, in lanes -------

// The x side of each flavour takes its four t nodes side by side; the t
// side then takes four flavours side by side, in a loop whose rounds the
// processor overlaps.
using NodeLanes = Lanes<nqvec>;
constexpr int flavour_lanes = 4;
using FlavourLanes = Lanes<flavour_lanes>;

// interpolate() of flavours first..last at the point p, on the path
// (xp, tp), clamped at 0 into out[0..last - first]: its formulas on Lanes,
// each lane the bits of interpolate() on its own.
template <Side xp, Side tp>
[[gnu::always_inline]] inline void run_flavours(const Grid& g, const Located& p, int first,
                                                int last, double* out) {
  const int row = g.nx + 1;
  // The point's x side, the same at every t node.
  const NodeLanes x(p.x);
  const NodeLanes ss(p.ss);
  const NodeLanes un[4] = {NodeLanes(g.u[p.jx]), NodeLanes(g.u[p.jx + 1]), NodeLanes(g.u[p.jx + 2]),
                           NodeLanes(g.u[p.jx + 3])};
  // Interior patches: the coefficients from the node part the table keeps,
  // formed once and set in every lane.
  XBlendOf<NodeLanes> xc;
  if constexpr (xp == Side::interior) {
    const XBlend c = x_point(g.patches[p.jx], p.ss);
    xc = {NodeLanes(c.s23),      NodeLanes(c.sy2),      NodeLanes(c.sy3),
          NodeLanes(c.line1_f2), NodeLanes(c.line1_f3), NodeLanes(c.line4_f2),
          NodeLanes(c.line4_f3), NodeLanes(c.weight1),  NodeLanes(c.weight4)};
  }
  // Its t side, the same for every flavour.
  const FlavourLanes tt(p.tt);
  const FlavourLanes tn[4] = {FlavourLanes(g.tv[p.jq]), FlavourLanes(g.tv[p.jq + 1]),
                              FlavourLanes(g.tv[p.jq + 2]), FlavourLanes(g.tv[p.jq + 3])};
  TBlendOf<FlavourLanes> tc;
  if constexpr (tp == Side::interior) tc = t_coefficients(tn[0], tn[1], tn[2], tn[3], tt);

  // First the x side of a block of flavours, then their t side: the rounds
  // of each loop are independent, so that the processor overlaps their
  // divisions.
  constexpr int block = 16;  // groups of flavour_lanes flavours
  for (int b0 = first; b0 <= last; b0 += block * flavour_lanes) {
    const int nb = last - b0 + 1 < block * flavour_lanes ? last - b0 + 1 : block * flavour_lanes;
    const int groups = (nb + flavour_lanes - 1) / flavour_lanes;
    // t[g][it]: lane j is flavour b0 + 4 g + j at t node it (spare lanes
    // repeat the block's first flavour).
    FlavourLanes t[block][nqvec];
    for (int gr = 0; gr < groups; ++gr) {
      Quad ftq[flavour_lanes];  // ftq[j]: flavour b0 + 4 gr + j at the four t nodes
      for (int j = 0; j < flavour_lanes; ++j) {
        const int f = flavour_lanes * gr + j < nb ? b0 + flavour_lanes * gr + j : b0;
        const int base = patch_base(g, f, p.jx, p.jq);
        const double* const rows[nqvec] = {g.values + base, g.values + base + row,
                                           g.values + base + 2 * row, g.values + base + 3 * row};
        NodeLanes v[4];  // v[k]: x node jx + k at the four t nodes
        columns(rows, v);
        NodeLanes w;
        if constexpr (xp == Side::interior) {
          w = x_blend(xc, v[0], v[1], v[2], v[3]);
        } else if constexpr (xp == Side::high) {
          w = polint4(un, v, ss);
        } else {
          // Small x: x^2 times the value, anchored at 0 at x = 0 (here jx = 0).
          NodeLanes fpt[4];
          fpt[0] = NodeLanes(0.0);
          for (int k = 1; k <= 3; ++k) fpt[k] = NodeLanes(g.xv[k] * g.xv[k]) * v[k];
          w = polint4(un, fpt, ss) / (x * x);
        }
        ftq[j] = w.q[0];
      }
      transpose(ftq[0], ftq[1], ftq[2], ftq[3], t[gr][0].q[0], t[gr][1].q[0], t[gr][2].q[0],
                t[gr][3].q[0]);
    }
    for (int gr = 0; gr < groups; ++gr) {
      FlavourLanes r;
      if constexpr (tp == Side::interior) {
        r = t_blend(tc, t[gr][0], t[gr][1], t[gr][2], t[gr][3]);
      } else {
        r = polint4(tn, t[gr], tt);
      }
      double* const o = out + (b0 - first) + flavour_lanes * gr;
      const int n =
          nb - flavour_lanes * gr < flavour_lanes ? nb - flavour_lanes * gr : flavour_lanes;
      for (int j = 0; j < n; ++j) o[j] = r[j] < 0 ? 0.0 : r[j];
    }
  }
}

// ---- The versions of each path -------------------------------------------

// run_points and run_flavours of each path, compiled for processors with
// AVX2 and for all others: apart, each is small enough for the compilers to
// keep its lanes in registers.
using RunPoints = void (*)(const Grid&, const PointLane*, int, double*);
using RunFlavours = void (*)(const Grid&, const Located&, int, int, double*);

template <Side xp, Side tp>
void points_generic(const Grid& g, const PointLane* lane, int n, double* out) {
  run_points<xp, tp>(g, lane, n, out);
}
template <Side xp, Side tp>
PDFERR_TARGET_AVX2 void points_avx2(const Grid& g, const PointLane* lane, int n, double* out) {
  run_points<xp, tp>(g, lane, n, out);
}
template <Side xp, Side tp>
void flavours_generic(const Grid& g, const Located& p, int first, int last, double* out) {
  run_flavours<xp, tp>(g, p, first, last, out);
}
template <Side xp, Side tp>
PDFERR_TARGET_AVX2 void flavours_avx2(const Grid& g, const Located& p, int first, int last,
                                      double* out) {
  run_flavours<xp, tp>(g, p, first, last, out);
}

// The kernels of one instruction set, by path xp * t_paths + tp.
struct Kernels {
  RunPoints points[paths];
  RunFlavours flavours[paths];
};

template <std::size_t path>
constexpr Side x_path = static_cast<Side>(path / t_paths);
template <std::size_t path>
constexpr Side t_path = static_cast<Side>(path % t_paths);

template <std::size_t... path>
constexpr Kernels generic_kernels(std::index_sequence<path...>) {
  return {{points_generic<x_path<path>, t_path<path>>...},
          {flavours_generic<x_path<path>, t_path<path>>...}};
}
template <std::size_t... path>
constexpr Kernels avx2_kernels(std::index_sequence<path...>) {
  return {{points_avx2<x_path<path>, t_path<path>>...},
          {flavours_avx2<x_path<path>, t_path<path>>...}};
}

// ---- The points --------------------------------------------------------

// bracket() of v over nodes[0..n], strictly ascending, for v at or above
// nodes[0]: hint and the bracket after it are tried first, since the points
// of a scan mostly share the bracket of the point before or move to the
// next.  The bracket is the one j with nodes[j] <= v < nodes[j + 1] (j = n
// from nodes[n] up), however it is found.
inline int bracket_near(const double* nodes, int n, double v, int hint) {
  const auto holds = [&](int j) { return nodes[j] <= v && (j == n || v < nodes[j + 1]); };
  if (holds(hint)) return hint;
  if (hint < n && holds(hint + 1)) return hint + 1;
  return bracket(nodes, n, v);
}

// The x side of x in (0, 1] as locate() forms it, the bracket from hint on;
// ss is u_of(x).
inline void locate_x(const Grid& g, double x, double ss, int& hint, Located& p) {
  const int nx = g.nx;
  // Below onep: the bracket is 0..nx.
  const int jlx = bracket_near(g.xv, nx, x, hint);
  hint = jlx;
  const Patch patch = x_patch(jlx, nx);
  p.jx = patch.first;
  p.xp = patch.side;
  p.x = x;
  p.ss = ss;
}

// The t side of a point whose t = t_of(Q) is tt, as locate() forms it.
inline void locate_t(const Grid& g, double tt, Located& p) {
  p.tt = tt;
  const Patch patch = t_patch(bracket(g.tv, g.nt, p.tt), g.nt);
  p.jq = patch.first;
  p.tp = patch.side;
}

void evaluate_with(const Grid& g, const Request& r, const Kernels& k) {
  const std::size_t nf = static_cast<std::size_t>(r.last - r.first + 1);
  const bool one_flavour = r.first == r.last;
  // Of flavours -m..m, those above mxval are copies (slot() takes -f).
  const int computed_last =
      r.first == -r.last && g.mxval < r.last ? (g.mxval > r.first ? g.mxval : r.first) : r.last;
  Pending pending[paths];
  Located p;
  bool have_t = false;
  int hint = 0;
  const bool one_q_inside = r.one_q && point_fault(g.alambda, 0.5, r.q[0]) == PointFault::none;
  // A block of points at a time: first u = x^xpow of every point and, with a
  // Q per point, t = ln(ln(Q / alambda)), by the array forms (the bits of
  // u_of and t_of; a point outside the domain gets values nothing reads).
  constexpr std::size_t block = 64;
  double ss[block], tt[block];
  for (std::size_t b0 = 0; b0 < r.n; b0 += block) {
    const std::size_t nb = r.n - b0 < block ? r.n - b0 : block;
    math::pow03(r.x + b0, nb, ss);
    if (!r.one_q) {
      for (std::size_t j = 0; j < nb; ++j) tt[j] = r.q[b0 + j] / g.alambda;
      math::log(tt, nb, tt);
      math::log(tt, nb, tt);
    }
    for (std::size_t j = 0; j < nb; ++j) {
      const std::size_t i = b0 + j;
      const double x = r.x[i];
      const double q = r.one_q ? r.q[0] : r.q[i];
      double* const out = r.out + i * nf;
      // With one Q inside the domain, only x can put a point outside it.
      const bool outside = r.one_q && one_q_inside
                               ? !x_in_domain(x)
                               : point_fault(g.alambda, x, q) != PointFault::none;
      if (outside || x == 0) {
        const double v = outside ? std::numeric_limits<double>::quiet_NaN() : 0.0;
        for (std::size_t f = 0; f < nf; ++f) out[f] = v;
        continue;
      }
      locate_x(g, x, ss[j], hint, p);
      if (!(r.one_q && have_t)) {
        locate_t(g, r.one_q ? t_of(q, g.alambda) : tt[j], p);
        have_t = true;
      }
      const int path = path_of(p.xp, p.tp);
      if (!one_flavour) {
        k.flavours[path](g, p, r.first, computed_last, out);
        // A flavour above mxval reads the slot of its negative: its value is
        // that one's, the same operations on the same values.
        for (int f = computed_last + 1; f <= r.last; ++f) out[f - r.first] = out[-f - r.first];
        continue;
      }
      Pending& w = pending[path];
      w.lane[w.n] = PointLane{i, patch_base(g, r.first, p.jx, p.jq), p.jx, p.jq, p.x, p.ss, p.tt};
      if (++w.n == point_lanes) {
        k.points[path](g, w.lane, w.n, r.out);
        w.n = 0;
      }
    }
  }
  for (int path = 0; path < paths; ++path) {
    if (pending[path].n > 0) k.points[path](g, pending[path].lane, pending[path].n, r.out);
  }
}

constexpr Kernels generic = generic_kernels(std::make_index_sequence<paths>());
constexpr Kernels avx2 = avx2_kernels(std::make_index_sequence<paths>());

void evaluate_generic(const Grid& g, const Request& r) { evaluate_with(g, r, generic); }
void evaluate_avx2(const Grid& g, const Request& r) { evaluate_with(g, r, avx2); }

}  // namespace

constinit const EvaluateVariants evaluate{evaluate_generic, evaluate_avx2};

}  // namespace pdferr::tables
