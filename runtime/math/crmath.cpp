// The toolkit's own elementary functions: fast paths in double-double
// arithmetic with stated error bounds, a rounding test, and the accurate
// paths of accurate.cpp for the inputs the test cannot decide.  The error
// analysis is in docs/exactness.md; the tests check every bound against a
// multiple-precision oracle.
#include <cstdint>
#include <cstring>
#include <limits>

#include "accurate.hpp"
#include "crmath.hpp"
#include "tables.hpp"

namespace pdferr::math {
namespace {

using detail::DoubleDouble;
using namespace detail;  // the tables and constants
using u64 = std::uint64_t;

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

u64 bits(double x) {
  u64 b;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

double from_bits(u64 b) {
  double x;
  std::memcpy(&x, &b, sizeof x);
  return x;
}

// a + b exactly as hi + lo (Knuth), for any a, b.
DoubleDouble two_sum(double a, double b) {
  const double s = a + b;
  const double bb = s - a;
  const double e = (a - (s - bb)) + (b - bb);
  return {s, e};
}

// a + b exactly as hi + lo (Dekker), for |a| >= |b| or a = 0.
DoubleDouble fast_two_sum(double a, double b) {
  const double s = a + b;
  const double e = b - (s - a);
  return {s, e};
}

// a b exactly as hi + lo (Dekker's product, no fused multiply-add), for
// products far from overflow and underflow.
DoubleDouble two_prod(double a, double b) {
  constexpr double split = 0x1p27 + 1;
  const double ca = split * a;
  const double ah = ca - (ca - a);
  const double al = a - ah;
  const double cb = split * b;
  const double bh = cb - (cb - b);
  const double bl = b - bh;
  const double p = a * b;
  const double e = (((ah * bh - p) + ah * bl) + al * bh) + al * bl;
  return {p, e};
}

// e^(yh + yl) / 2^k for |yh| <= 709.8, |yl| <= 2^-40, with 2^k in *k: the
// reduction j = round(64 yh / ln 2), r = y - j ln 2 / 64 (|r| < 2^-7.5, as
// rh + rl), e^y = 2^(j >> 6) 2^((j & 63) / 64) e^r, e^r - 1 by its Taylor
// polynomial of degree 8 (truncation below 2^-86).
inline DoubleDouble exp_core(double yh, double yl, int* k) {
  constexpr double shift = 0x1.8p52;
  const double kd = (yh * inv_ln2_64 + shift) - shift;
  const auto j = static_cast<std::int64_t>(kd);
  *k = static_cast<int>(j >> 6);
  const double r1 = yh - kd * ln2_64_hi;  // exact (Sterbenz)
  const DoubleDouble p = two_prod(kd, ln2_64_lo);
  const DoubleDouble r0 = two_sum(r1, -p.hi);
  const DoubleDouble r = two_sum(r0.hi, r0.lo + ((yl - p.lo) - kd * ln2_64_lo2));
  const double rh = r.hi;
  const double rl = r.lo;
  const DoubleDouble r2 = two_prod(rh, rh);
  // r^3 (1/3! + r (1/4! + ... + r / 8!)), below 2^-25.
  constexpr double c3 = 0x1.5555555555555p-3, c4 = 0x1.5555555555555p-5, c5 = 0x1.1111111111111p-7,
                   c6 = 0x1.6c16c16c16c17p-10, c7 = 0x1.a01a01a01a01ap-13,
                   c8 = 0x1.a01a01a01a01ap-16;
  const double poly = c3 + rh * (c4 + rh * (c5 + rh * (c6 + rh * (c7 + rh * c8))));
  const double q = (r2.hi * rh) * poly;
  // e^r - 1 = s.hi + s.lo: r + r^2 / 2 + q, with rl's first-order terms.
  const DoubleDouble s = fast_two_sum(rh, 0.5 * r2.hi);
  const double s_lo = s.lo + (q + ((rl + rh * rl) + 0.5 * r2.lo));
  // 2^(i/64) (1 + s).
  const double th = exp_table[j & 63][0];
  const double tl = exp_table[j & 63][1];
  const DoubleDouble ts = two_prod(th, s.hi);
  const DoubleDouble v = fast_two_sum(th, ts.hi);
  const double lo = v.lo + (ts.lo + (th * s_lo + (tl + tl * s.hi)));
  return fast_two_sum(v.hi, lo);
}

// 2^k for k in [-1022, 1023].
double power_of_two(int k) { return from_bits(static_cast<u64>(k + 1023) << 52); }

// The rounding of every value within err of hi + lo (|lo| <= ulp(hi)), or
// NaN if they may round apart.  Doubling err covers the roundings of
// lo -+ err themselves.
double round_test(DoubleDouble v, double err) {
  const double a = v.hi + (v.lo - 2 * err);
  const double b = v.hi + (v.lo + 2 * err);
  return a == b ? a : nan;
}

// Double-double products and quotients for erf and power (errors below
// 2^-100 relative, far below what they serve).
DoubleDouble dd_mul(DoubleDouble a, DoubleDouble b) {
  const DoubleDouble p = two_prod(a.hi, b.hi);
  return fast_two_sum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

DoubleDouble dd_div(DoubleDouble a, double d) {
  const double q = a.hi / d;
  const DoubleDouble p = two_prod(q, d);
  return fast_two_sum(q, ((a.hi - p.hi) - p.lo + a.lo) / d);
}

// ln x = e ln 2 - ln inv + ln(1 + r), r = z inv - 1 exact as rh + rl,
// ln(1 + r) = r - r^2 / 2 + q with q = r^3 (1/3 - r/4 + ... - r^7/10)
// (truncation below 2^-80), r^2 exact by Dekker's product, rl's
// first-order terms -rh rl + rh^2 rl.  The bound (derived in
// docs/exactness.md): on the two intervals around 1, 2^-63 |r| plus 2^-80
// for e != 0; elsewhere 2^-71.
inline DoubleDouble log_core(double x, double* err) {
  u64 ix = bits(x);
  double scale = 0;
  if (ix < 0x0010000000000000) {  // subnormal: scale by 2^52, exactly
    ix = bits(x * 0x1p52);
    scale = -52;
  }
  const u64 tmp = ix - log_offset;
  const auto i = static_cast<int>((tmp >> 45) & 127);
  const auto ei = static_cast<std::int64_t>(tmp) >> 52;
  const double e = static_cast<double>(ei) + scale;
  const u64 iz = ix - (tmp & (u64{0xfff} << 52));
  const double z = from_bits(iz);
  const double zh = from_bits(iz & ~((u64{1} << 27) - 1));
  const double zl = z - zh;
  const LogEntry& c = log_table[i];
  const DoubleDouble r = two_sum(zh * c.inv - 1.0, zl * c.inv);
  const DoubleDouble r2 = two_prod(r.hi, r.hi);
  constexpr double c3 = 0x1.5555555555555p-2, c4 = -0x1p-2, c5 = 0x1.999999999999ap-3,
                   c6 = -0x1.5555555555555p-3, c7 = 0x1.2492492492492p-3, c8 = -0x1p-3,
                   c9 = 0x1.c71c71c71c71cp-4, c10 = -0x1.999999999999ap-4;
  const double rh = r.hi;
  const double poly =
      c3 + rh * (c4 + rh * (c5 + rh * (c6 + rh * (c7 + rh * (c8 + rh * (c9 + rh * c10))))));
  const double q = (r2.hi * rh) * poly;
  const DoubleDouble s = two_sum(e * ln2_hi, c.t_hi);
  const DoubleDouble u = two_sum(s.hi, rh);
  const DoubleDouble v = two_sum(u.hi, -0.5 * r2.hi);
  const double tail = ((e * ln2_lo + c.t_lo) + ((r2.hi - rh) * r.lo + r.lo)) - 0.5 * r2.lo;
  const double lo = ((tail + q) + s.lo) + (u.lo + v.lo);
  if (c.t_hi == 0)
    *err = 0x1p-63 * (rh < 0 ? -rh : rh) + (e != 0 ? 0x1p-80 : 0.0);
  else
    *err = 0x1p-71;
  return fast_two_sum(v.hi, lo);
}

// ln x for x a positive float (normal as a double) in plain double
// arithmetic, for the float rounding test: the same reduction as log_fast
// with r = z inv - 1 rounded once (within 2^-53; exact where inv = 1), ln(1
// + r) by r - r^2/2 + ... - r^6/6 (truncation below |r|^7 / 7), e ln 2 with
// ln 2 rounded.  Bound (docs/exactness.md): 2^-49 |e ln 2| + 2^-43 |p| on
// the intervals around 1 (p the polynomial's value), 2^-49 (|e ln 2| + 1)
// elsewhere.
inline double logf_core(double x, double* err) {
  constexpr double ln2 = 0x1.62e42fefa39efp-1;
  const u64 ix = bits(x);
  const u64 tmp = ix - log_offset;
  const auto i = static_cast<int>((tmp >> 45) & 127);
  const double e = static_cast<double>(static_cast<std::int64_t>(tmp) >> 52);
  const double z = from_bits(ix - (tmp & (u64{0xfff} << 52)));
  const LogEntry& c = log_table[i];
  const double r = z * c.inv - 1.0;
  constexpr double c3 = 0x1.5555555555555p-2, c4 = -0x1p-2, c5 = 0x1.999999999999ap-3,
                   c6 = -0x1.5555555555555p-3;
  const double p = r + (r * r) * (-0.5 + r * (c3 + r * (c4 + r * (c5 + r * c6))));
  const double a = e * ln2;
  const double h = (a + c.t_hi) + p;
  const double aa = a < 0 ? -a : a;
  if (c.t_hi == 0)
    *err = 0x1p-49 * aa + 0x1p-43 * (p < 0 ? -p : p);
  else
    *err = 0x1p-49 * (aa + 1);
  return h;
}

// 0.3 ln x as a double-double (the product by xpow exact by Dekker's, the
// low part's product within 2^-105 |y|), then e^y.
inline DoubleDouble pow03_core(double x, int* k) {
  double err;
  const DoubleDouble l = log_core(x, &err);
  const DoubleDouble y0 = two_prod(l.hi, xpow);
  const DoubleDouble y = fast_two_sum(y0.hi, y0.lo + l.lo * xpow);
  return exp_core(y.hi, y.lo, k);
}

}  // namespace

namespace detail {

DoubleDouble log_fast(double x, double* err) { return log_core(x, err); }
double logf_fast(double x, double* err) { return logf_core(x, err); }
DoubleDouble exp_fast(double y, int* k) { return exp_core(y, 0, k); }
DoubleDouble pow03_fast(double x, int* k) { return pow03_core(x, k); }

}  // namespace detail

double log(double x) {
  if (!(x >= 0x1p-1022 && x < inf)) {  // NaN, negative, zero, subnormal, inf
    if (x != x) return x + x;
    if (x == 0) return -inf;
    if (x < 0) return nan;
    if (x == inf) return x;
  }
  if (x == 1.0) return 0.0;
  double err;
  const DoubleDouble v = log_core(x, &err);
  const double r = round_test(v, err);
  return r == r ? r : detail::log_accurate(x);
}

// d is h's distance from the float f it rounds to;
// the midpoints next to f lie half an ulp of f away (2^(E-24) for |f| in
// [2^E, 2^(E+1))), or half that below a power of two.
float logf(float x) {
  if (!(x > 0 && x < std::numeric_limits<float>::infinity())) {
    if (x != x) return x + x;
    if (x == 0) return -std::numeric_limits<float>::infinity();
    if (x < 0) return std::numeric_limits<float>::quiet_NaN();
    return x;
  }
  if (x == 1.0f) return 0.0f;
  double err;
  const double h = logf_core(static_cast<double>(x), &err);
  const auto f = static_cast<float>(h);
  const double d = h - static_cast<double>(f);                                       // exact
  const double pow2 = from_bits(bits(static_cast<double>(f)) & (u64{0x7ff} << 52));  // 2^E
  const double af = f < 0 ? -static_cast<double>(f) : static_cast<double>(f);
  const double half = af == pow2 ? pow2 * 0x1p-25 : pow2 * 0x1p-24;
  if ((d < 0 ? -d : d) + 2 * err < half * (1 - 0x1p-40)) return f;
  return detail::logf_accurate(x);
}

double exp(double x) {
  if (!(x >= -708.0 && x <= 709.7)) {
    if (x != x) return x + x;
    if (x > 709.8) return inf;   // beyond ln(2^1024 - 2^970) = 709.78...
    if (x < -745.2) return 0.0;  // below ln(2^-1075) = -745.13...
    return detail::exp_accurate(x);
  }
  int k;
  const DoubleDouble v = exp_core(x, 0, &k);
  const double r = round_test(v, detail::exp_fast_error * v.hi);
  return r == r ? r * power_of_two(k) : detail::exp_accurate(x);
}

// pow(x, 0.3) as C99 Annex F gives it: +0 at +-0, +inf at +-inf, NaN for
// negative x.
double pow03(double x) {
  if (!(x > 0 && x < inf)) {
    if (x != x) return x + x;
    if (x == 0) return 0.0;
    if (x == inf || x == -inf) return inf;
    return nan;
  }
  if (x == 1.0) return 1.0;
  int k;
  const DoubleDouble v = pow03_core(x, &k);
  const double r = round_test(v, detail::pow03_fast_error * v.hi);
  return r == r ? r * power_of_two(k) : detail::pow03_accurate(x);
}

// erf in three ranges, each a fixed sequence of operations ending in one
// rounding of a double-double (so within 0.5 ulp plus the double-double's
// own error, below 2^-60 relative):
//   |x| < 0.5:  (2/sqrt pi) x (1 + sum_{1<=n<=12} (-x^2)^n / (n! (2n+1))),
//               the sum below 0.09 in double, truncation below 2^-63;
//   |x| <= 2.5: (2/sqrt pi) x e^-x^2 sum_{n<=40} (2x^2)^n / (2n+1)!!, all
//               terms positive (truncation below 2^-60); the 16 outer steps
//               of its Horner form in double-double;
//   |x| < 6:    1 - erfc(x), erfc(x) = e^-x^2 / (sqrt pi K), K the
//               continued fraction x + (1/2) / (x + (2/2) / (x + ...)) of
//               depth 60 (erfc < 2^-9 here, its relative error reaching
//               erf shrunk by that);
//   |x| >= 6:   +-1 (erfc(6) < 2^-55).
// e^-x^2 comes from the exponential's fast path for x^2 = s + sl exactly.
// Measured against the oracle: within 1 ulp (see docs/exactness.md).
double erf(double x) {
  if (x != x || x == 0) return x + x;
  const double ax = x < 0 ? -x : x;
  constexpr DoubleDouble two_over_sqrt_pi = {0x1.20dd750429b6dp+0, 0x1.1ae3a914fed8p-56};
  double r;
  if (ax < 0.5) {
    constexpr double a[13] = {0x1p+0,
                              -0x1.5555555555555p-2,
                              0x1.999999999999ap-4,
                              -0x1.8618618618618p-6,
                              0x1.2f684bda12f68p-8,
                              -0x1.8d3018d3018d3p-11,
                              0x1.c01c01c01c01cp-14,
                              -0x1.bbd779334ef0bp-17,
                              0x1.87a00187a0018p-20,
                              -0x1.3777c55568ccdp-23,
                              0x1.c2e3054870b38p-27,
                              -0x1.2b67310aa9f3ap-30,
                              0x1.6f448e13e85e1p-34};
    const double x2 = ax * ax;
    double tail = a[12];
    for (int n = 11; n >= 1; --n) tail = a[n] + x2 * tail;
    const DoubleDouble sum = fast_two_sum(1.0, x2 * tail);
    r = dd_mul(dd_mul(two_over_sqrt_pi, {ax, 0}), sum).hi;
  } else if (ax < 6) {
    const DoubleDouble x2 = two_prod(ax, ax);
    int k;
    const DoubleDouble gauss = exp_core(-x2.hi, -x2.lo, &k);  // e^-x^2 / 2^k
    if (ax <= 2.5) {
      const DoubleDouble a = {2 * x2.hi, 2 * x2.lo};
      double inner = 1;
      for (int n = 40; n > 16; --n) inner = 1 + inner * (a.hi / (2 * n + 1));
      DoubleDouble sum = {inner, 0};
      for (int n = 16; n >= 1; --n) {
        const DoubleDouble t = dd_div(dd_mul(sum, a), 2 * n + 1);
        sum = fast_two_sum(1.0, t.hi);
        sum = fast_two_sum(sum.hi, sum.lo + t.lo);
      }
      const DoubleDouble c = dd_mul(two_over_sqrt_pi, {ax, 0});
      r = dd_mul(dd_mul(c, gauss), sum).hi * power_of_two(k);
    } else {
      double kf = ax;
      for (int n = 60; n >= 1; --n) kf = ax + (0.5 * n) / kf;
      constexpr double c = 0x1.20dd750429b6dp-1;  // 1 / sqrt pi
      r = 1 - (c * (gauss.hi * power_of_two(k))) / kf;
    }
  } else {
    r = 1;
  }
  return x < 0 ? -r : r;
}

// x^y as e^(y ln x) with y ln x carried as a double-double from the
// logarithm's fast path into the exponential's, rounded once: within
// about 0.5 ulp, not correctly rounded (no rounding test).  Outside the
// exponential's fast range, and for x not positive and finite, e^(y ln x)
// of the correctly rounded functions.
double power(double x, double y) {
  if (y == 0 || x == 1) return 1.0;
  if (!(x > 0 && x < inf) || !(y > -0x1p900 && y < 0x1p900)) return exp(y * log(x));
  double err;
  const DoubleDouble l = log_core(x, &err);
  const DoubleDouble p = two_prod(l.hi, y);
  const DoubleDouble t = fast_two_sum(p.hi, p.lo + l.lo * y);
  if (!(t.hi >= -708 && t.hi <= 709.7)) return exp(t.hi);
  int k;
  return exp_core(t.hi, t.lo, &k).hi * power_of_two(k);
}

double log10(double x) {
  constexpr double ln10 = 0x1.26bb1bbb55516p+1;
  return log(x) / ln10;
}

}  // namespace pdferr::math
