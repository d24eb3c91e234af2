// The interpolation kernel: every path compared bit for bit with a reference
// written apart from it (no cache, Neville's scheme as a generic tableau,
// 1-based indexing as the scheme is stated), the kept point and its reuse
// rule, flavour slots, and the known reproduction properties of the scheme.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "crmath.hpp"
#include "pdferr/table_set.hpp"
#include "process.hpp"
#include "tables_unit.hpp"

namespace {

using tables_unit::bits;
using tables_unit::CoreTable;
using testsupport::PdsTable;
namespace tables = pdferr::tables;

// Neville's tableau over four points; the final sum follows the path the
// position of xe selects, term by term from left to right.
double ref_polint(const double* xa, const double* ya, double xe) {
  double h[5], c[4][5], d[4][5];
  for (int k = 1; k <= 4; ++k) {
    h[k] = xa[k - 1] - xe;
    c[0][k] = ya[k - 1];
    d[0][k] = ya[k - 1];
  }
  for (int m = 1; m <= 3; ++m) {
    for (int k = 1; k <= 4 - m; ++k) {
      const double w = (c[m - 1][k + 1] - d[m - 1][k]) / (h[k] - h[k + m]);
      d[m][k] = h[k + m] * w;
      c[m][k] = h[k] * w;
    }
  }
  double y;
  if (h[3] + h[4] < 0) {
    y = ya[3];
    y = y + d[1][3];
    y = y + d[2][2];
    y = y + d[3][1];
  } else if (h[2] + h[3] < 0) {
    y = ya[2];
    y = y + d[1][2];
    y = y + d[2][1];
    y = y + c[3][1];
  } else if (h[1] + h[2] < 0) {
    y = ya[1];
    y = y + c[1][2];
    y = y + d[2][1];
    y = y + c[3][1];
  } else {
    y = ya[0];
    y = y + c[1][1];
    y = y + c[2][1];
    y = y + c[3][1];
  }
  return y;
}

// The whole kernel for one call, from the table as written, recomputed from
// scratch.  Assumes x in [0, onep) and a flavour in range.
double ref_parton(const PdsTable& b, int iparton, double x, double q) {
  const int nx = b.nx, nt = b.nt, mxf = b.mxflvn0, mxval = b.mxval;
  auto xv = [&](int i) { return i == 0 ? 0.0 : b.xv[static_cast<std::size_t>(i - 1)]; };
  auto tv = [&](int i) { return b.tv[static_cast<std::size_t>(i)]; };
  auto pdf = [&](int i) { return b.values[static_cast<std::size_t>(i - 1)]; };
  std::vector<double> u(static_cast<std::size_t>(nx + 1));
  u[0] = 0;
  for (int i = 1; i <= nx; ++i) u[static_cast<std::size_t>(i)] = pdferr::math::pow03(xv(i));
  const double tt = pdferr::math::log(pdferr::math::log(q / b.alambda));
  int jlx = -1;
  for (int i = 0; i <= nx; ++i) {
    if (x >= xv(i)) jlx = i;  // the nodes ascend: the last one passed
  }
  int jx = jlx == 0 ? 0 : (jlx <= nx - 2 ? jlx - 1 : nx - 3);
  int jlq = -1;
  for (int i = 0; i <= nt; ++i) {
    if (tt >= tv(i)) jlq = i;
  }
  int jq = jlq <= 0 ? 0 : (jlq <= nt - 2 ? jlq - 1 : nt - 3);
  const double ss = pdferr::math::pow03(x);
  const int ip = iparton <= mxval ? iparton : -iparton;
  const int jbase = ((ip + mxf) * (nt + 1) + jq - 1) * (nx + 1) + jx + 1;
  double ftq[4];
  for (int it = 1; it <= 4; ++it) {
    const int j1 = jbase + it * (nx + 1);
    double f1 = pdf(j1), f2 = pdf(j1 + 1), f3 = pdf(j1 + 2), f4 = pdf(j1 + 3);
    if (jx == 0) {
      const double fpt[4] = {0, xv(1) * xv(1) * f2, xv(2) * xv(2) * f3, xv(3) * xv(3) * f4};
      const double w = ref_polint(u.data(), fpt, ss);
      ftq[it - 1] = x > 0 ? w / (x * x) : 0.0;
    } else if (jlx >= nx - 1) {
      const double f[4] = {f1, f2, f3, f4};
      ftq[it - 1] = ref_polint(&u[static_cast<std::size_t>(nx - 3)], f, ss);
    } else {
      const double x1 = u[static_cast<std::size_t>(jx)], x2 = u[static_cast<std::size_t>(jx + 1)];
      const double x3 = u[static_cast<std::size_t>(jx + 2)],
                   x4 = u[static_cast<std::size_t>(jx + 3)];
      const double s12 = x1 - x2, s13 = x1 - x3, s23 = x2 - x3, s24 = x2 - x4, s34 = x3 - x4;
      const double sy2 = ss - x2, sy3 = ss - x3;
      const double const1 = s13 / s23, const2 = s12 / s23, const3 = s34 / s23, const4 = s24 / s23;
      const double s1213 = s12 + s13, s2434 = s24 + s34;
      const double sdet = s12 * s34 - s1213 * s2434;
      const double sprod = sy3 * sy2 / sdet;
      const double const5 = (sy2 * s34 - sy3 * s2434) * sprod / s12;
      const double const6 = (sy2 * s1213 - sy3 * s12) * sprod / s34;
      const double g1 = const1 * f2 - const2 * f3;
      const double g4 = const4 * f3 - const3 * f2;
      ftq[it - 1] = (sy3 * f2 + ((f1 - g1) * const5 + const6 * (f4 - g4)) - sy2 * f3) / s23;
    }
  }
  if (x == 0) return 0.0;
  if (jlq <= 0) return ref_polint(&b.tv[0], ftq, tt);
  if (jlq >= nt - 1) return ref_polint(&b.tv[static_cast<std::size_t>(nt - 3)], ftq, tt);
  const double t1 = tv(jq), t2 = tv(jq + 1), t3 = tv(jq + 2), t4 = tv(jq + 3);
  const double t12 = t1 - t2, t13 = t1 - t3, t23 = t2 - t3, t24 = t2 - t4, t34 = t3 - t4;
  const double ty2 = tt - t2, ty3 = tt - t3;
  const double tmp1 = t12 + t13, tmp2 = t24 + t34;
  const double tdet = t12 * t34 - tmp1 * tmp2;
  const double g1 = (t13 * ftq[1] - t12 * ftq[2]) / t23;
  const double g4 = (t24 * ftq[2] - t34 * ftq[1]) / t23;
  const double hq = (ftq[0] - g1) * (ty2 * t34 - ty3 * tmp2) / t12 +
                    (ftq[3] - g4) * (ty2 * tmp1 - ty3 * t12) / t34;
  return ((ty3 * ftq[1] + ((ty2 * hq) * ty3) / tdet) - ty2 * ftq[2]) / t23;
}

PdsTable realistic() { return testsupport::make_table(40, 12, 5, 2, testsupport::realistic_value); }

// Points on every path: small x (below xv(2)), interior, the highest bin up
// to just below onep, nodes themselves; Q below, inside and above the t grid.
std::vector<std::pair<double, double>> points(const PdsTable& t) {
  const std::size_t nx = t.xv.size();  // node k is t.xv[k - 1]
  std::vector<double> xs = {t.xv[0], 0.5 * (t.xv[0] + t.xv[1]), t.xv[1], t.xv[5], t.xv[nx - 3]};
  for (double x : {1e-7, 1e-5, 0.01, 0.1, 0.45, 0.95, 0.9999, 1.0, 1.000005}) xs.push_back(x);
  xs.push_back(std::nextafter(tables::onep, 0.0));
  std::vector<double> qs = {0.3, 0.9, 1.3, 2.0, 5.0, 91.1876, 9999.0, 1e4, 3e4, 1e6};
  std::mt19937_64 rng(12345);
  std::uniform_real_distribution<double> lx(-12.0, 0.0), lq(std::log(0.3), std::log(1e6));
  for (int k = 0; k < 40; ++k) xs.push_back(std::exp(lx(rng)));
  for (int k = 0; k < 10; ++k) qs.push_back(std::exp(lq(rng)));
  std::vector<std::pair<double, double>> p;
  for (double x : xs) {
    for (double q : qs) p.emplace_back(x, q);
  }
  return p;
}

TEST(Kernel, EveryPathMatchesTheReferenceBitForBit) {
  const PdsTable t = realistic();
  const CoreTable core(t);
  // One kept point for all: each flavour after the first reuses it.
  tables::Point kept;
  for (auto [x, q] : points(t)) {
    for (int f = -5; f <= 5; ++f) {
      ASSERT_EQ(bits(core.parton(kept, f, x, q)), bits(ref_parton(t, f, x, q)))
          << "f=" << f << " x=" << x << " q=" << q;
    }
  }
}

TEST(Kernel, KeptPointsGiveTheBitsOfFreshOnes) {
  const PdsTable t = realistic();
  const CoreTable core(t);
  // All flavours at one point, against each preceded by another point.
  const double x = 0.0123, q = 17.5;
  tables::Point kept;
  for (int f = -3; f <= 3; ++f) {
    const double together = core.parton(kept, f, x, q);
    core.parton(kept, 0, 0.5, 3.0);
    EXPECT_EQ(bits(together), bits(core.parton(kept, f, x, q)));
  }
  // Scans over Q at each x and over x at each Q keep one side: every path of
  // the x side meets every path of the t side.
  std::vector<double> xs = {1e-5, 2e-4, 0.003, 0.02, 0.1, 0.35, 0.6, 0.87, 0.97, 1.0};
  std::vector<double> qs = {0.3, 0.9, 1.3, 2.0, 17.5, 91.1876, 1e3, 9999.0, 3e4, 1e6};
  for (int order = 0; order < 2; ++order) {
    for (std::size_t a = 0; a < xs.size(); ++a) {
      for (std::size_t b = 0; b < qs.size(); ++b) {
        const double xa = order == 0 ? xs[a] : xs[b];
        const double qa = order == 0 ? qs[b] : qs[a];
        const int f = static_cast<int>((a + b) % 11) - 5;
        ASSERT_EQ(bits(core.parton(kept, f, xa, qa)), bits(core.parton(f, xa, qa)))
            << order << " " << xa << " " << qa;
      }
    }
  }
}

// A refused point keeps nothing: the same x is refused again, whatever was
// kept before it.
TEST(Kernel, ARefusedPointIsNotKept) {
  const CoreTable core(realistic());
  tables::Point p;
  core.parton(p, 1, 0.5, 10.0);
  for (double x : {1.5, -0.5, std::nan("")}) {
    SCOPED_TRACE(x);
    const tables::XFault expected = x > 1 ? tables::XFault::above : tables::XFault::below;
    EXPECT_EQ(tables::locate(core.grid, p, x, 10.0), expected);
    EXPECT_EQ(tables::locate(core.grid, p, x, 10.0), expected);
    EXPECT_FALSE(p.has_x || p.has_t);
  }
  EXPECT_EQ(bits(core.parton(p, 1, 0.5, 10.0)), bits(core.parton(1, 0.5, 10.0)));
}

TEST(Kernel, FlavourSlots) {
  const CoreTable core(testsupport::make_table(20, 6, 3, 2, testsupport::quadratic_value));
  const double x = 0.2, q = 10.0;
  // mxval = 2: flavour 3 reads slot -3; 2 and -2 read their own slots.
  EXPECT_EQ(bits(core.parton(3, x, q)), bits(core.parton(-3, x, q)));
  EXPECT_NE(bits(core.parton(2, x, q)), bits(core.parton(-2, x, q)));
  // The slots follow the generating function's slot factor.
  EXPECT_NEAR(core.parton(2, x, q) / core.parton(0, x, q), 1.25, 1e-12);
  EXPECT_NEAR(core.parton(-3, x, q) / core.parton(0, x, q), 0.625, 1e-12);
  // x = 0 exactly: 0, where the small-x scheme is anchored.
  EXPECT_EQ(bits(core.parton(1, 0.0, q)), bits(0.0));
}

// Quadratics in u and in t are reproduced by the interior blend and by the
// cubic of the highest bin.  The tolerance covers the rounding of u = x^0.3,
// t = ln(ln(Q / alambda)) and of some forty operations on values of order 1:
// a few hundred ulps at most; 1e-12 relative leaves room and still catches
// any wrong coefficient or node, which errs at the 1e-3 level or worse.
TEST(Kernel, QuadraticsReproducedInInteriorAndHighestBin) {
  const PdsTable t = testsupport::make_table(30, 10, 2, 2, testsupport::quadratic_value);
  const CoreTable core(t);
  const double t_lo = t.tv[1], t_hi = t.tv[static_cast<std::size_t>(t.nt - 1)];
  for (int k = 0; k < 200; ++k) {
    const double x = t.xv[1] + (1.0 - t.xv[1]) * (k + 0.5) / 200;
    const double tt = t_lo + (t_hi - t_lo) * ((k * 7) % 200 + 0.5) / 200;
    const double q = t.alambda * std::exp(std::exp(tt));
    const double expected = testsupport::quadratic_value(1, x, std::log(std::log(q / t.alambda)));
    EXPECT_NEAR(core.parton(1, x, q), expected, 1e-12 * std::fabs(expected)) << x << " " << q;
  }
  // On a node: the tabulated value.
  const double xn = t.xv[10];
  const double qn = t.alambda * std::exp(std::exp(t.tv[5]));
  const double tab =
      t.values[static_cast<std::size_t>(((1 + 2) * (t.nt + 1) + 5) * (t.nx + 1) + 11)];
  EXPECT_NEAR(core.parton(1, xn, qn), tab, 1e-12 * std::fabs(tab));
}

TEST(Kernel, Polint4ReproducesCubicsAndNodes) {
  const double xa[4] = {0.5, 1.0, 2.5, 4.0};
  auto cubic = [](double v) { return 1.0 - 2.0 * v + 0.5 * v * v + 0.25 * v * v * v; };
  const double ya[4] = {cubic(xa[0]), cubic(xa[1]), cubic(xa[2]), cubic(xa[3])};
  for (int k = 0; k < 4; ++k) EXPECT_EQ(bits(tables::polint4(xa, ya, xa[k])), bits(ya[k]));
  // Points on all four paths, and outside the nodes; rounding only.
  for (double xe : {-1.0, 0.6, 1.2, 2.0, 3.0, 3.9, 6.0}) {
    const double ye = tables::polint4(xa, ya, xe);
    EXPECT_EQ(bits(ye), bits(ref_polint(xa, ya, xe)));
    EXPECT_NEAR(ye, cubic(xe), 1e-13 * (1.0 + std::fabs(cubic(xe))));
  }
  // The blend is not the cubic: u^3 on the nodes 0, 1, 2.5, 4 at u = 2.
  const tables::XBlend c = tables::x_coefficients(0.0, 1.0, 2.5, 4.0, 2.0);
  EXPECT_NEAR(tables::x_blend(c, 0.0, 1.0, 15.625, 64.0), 7.87719, 5e-6);
  const tables::TBlend tc = tables::t_coefficients(0.0, 1.0, 2.5, 4.0, 2.0);
  EXPECT_NEAR(tables::t_blend(tc, 0.0, 1.0, 15.625, 64.0), 7.87719, 5e-6);
}

// Golden bits: the values this kernel gave for the bundled set's shape when
// it was written (g++ 12, Debug), on the small-x, interior, highest-bin and
// t-extrapolation paths.  Every build (-O0 or -O3, g++ or clang++) must give
// the same bits.  x = 1 lies on a node whose value is 0; the blend there
// yields -0, which the clamp (v < 0) leaves as it is.
TEST(Kernel, GoldenBitsAcrossBuilds) {
  testsupport::TempDir dir;
  dir.write("zemo.00.pds", testsupport::pds_text(testsupport::make_table(
                               60, 16, 5, 2, testsupport::realistic_value)));
  const pdferr::TableSet set = pdferr::TableSet::from_set(100, dir.path());
  struct Golden {
    int f;
    double x, q;
    std::uint64_t bits;
  } golden[] = {
      {0, 0x1.0c6f7a0b5ed8dp-20, 0x1p+0, 0x4150b401ecc51f84},               // 4378631.6995314397
      {0, 0x1.a36e2eb1c432dp-14, 0x1p+1, 0x40d2977e6c148c88},               // 19037.975346696127
      {-5, 0x1.0624dd2f1a9fcp-10, 0x1p-1, 0x40a0d538a7f17e0e},              // 2154.6106563059211
      {2, 0x1.999999999999ap-5, 0x1.6cc01a36e2eb2p+6, 0x40351ecf6c2fc1dd},  // 21.120352517756931
      {1, 0x1.3333333333333p-2, 0x1.86ap+15, 0x3fe47301e19ec277},           // 0.63903898302494511
      {3, 0x1.ccccccccccccdp-1, 0x1.4p+3, 0x3f1f3283115f774e},              // 0.0001190083024477904
      {-1, 0x1p+0, 0x1.8p+1, 0x8000000000000000},                           // -0
      {0, 0x1.fffeb074a771dp-1, 0x1.e848p+19, 0x3e2535323dd350a7},  // 2.4689126148048177e-09
      {-2, 0x1.47ae147ae147bp-6, 0x1.4cccccccccccdp+0, 0x4045bbcace5ad4e5},  // 43.467126650191666
  };
  for (const Golden& g : golden) {
    EXPECT_EQ(bits(set.value(g.f, g.x, g.q)), g.bits) << g.f << " " << g.x << " " << g.q;
  }
}

}  // namespace
