// The accurate paths: ln x, e^x and x^0.3 in fixed-point arithmetic of n
// 64-bit fraction limbs, with an error bound counted along the way in units
// u = 2^-64n, raising n until the interval [value - bound, value + bound]
// rounds to one number (Ziv's strategy).
//
// The loop ends: the bound grows like a small power of n while u shrinks
// like 2^-64n, so the interval closes on the exact value, and the exact
// value is never a rounding boundary (a double, or a midpoint between two
// doubles; all of them dyadic rationals):
//   - ln x for a double x != 1 is transcendental (if ln x were algebraic and
//     non-zero, x = e^(ln x) would be transcendental, Lindemann-Weierstrass);
//   - e^y for a double y != 0 is transcendental (Lindemann-Weierstrass);
//   - x^0.3 for a double x != 1: 0.3 is the double m / 2^54 with m odd, so
//     x^0.3 is rational only if x is a 2^54-th power of a rational; a double
//     x = a 2^e with a odd is one only for a = 1 and 2^54 | e, that is x = 1.
// The exact cases (ln 1, e^0, 1^0.3) never reach this file.
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "accurate.hpp"

namespace pdferr::math::detail {
namespace {

std::atomic<std::uint64_t> accurate_count{0};

using u64 = std::uint64_t;
using u128 = unsigned __int128;

// A fixed-point number: the two's complement integer w[n] ... w[0] (little
// endian) times 2^-64n, so w[n] holds the signed integer part.
struct Fixed {
  std::vector<u64> w;
  explicit Fixed(int n) : w(static_cast<std::size_t>(n) + 1, 0) {}
  int n() const { return static_cast<int>(w.size()) - 1; }
  bool negative() const { return (w.back() >> 63) != 0; }
  bool zero() const {
    for (u64 v : w)
      if (v != 0) return false;
    return true;
  }
};

u64 bits_of(double x) {
  u64 b;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

Fixed from_int(int n, std::int64_t v) {
  Fixed a(n);
  a.w.back() = static_cast<u64>(v);
  return a;
}

void negate(Fixed& a) {
  u64 carry = 1;
  for (u64& v : a.w) {
    v = ~v + carry;
    carry = (carry != 0 && v == 0) ? 1 : 0;
  }
}

Fixed add(const Fixed& a, const Fixed& b) {
  Fixed c(a.n());
  u64 carry = 0;
  for (std::size_t i = 0; i < a.w.size(); ++i) {
    u128 s = static_cast<u128>(a.w[i]) + b.w[i] + carry;
    c.w[i] = static_cast<u64>(s);
    carry = static_cast<u64>(s >> 64);
  }
  return c;
}

Fixed sub(const Fixed& a, Fixed b) {
  negate(b);
  return add(a, b);
}

Fixed magnitude(Fixed a) {
  if (a.negative()) negate(a);
  return a;
}

// a * b, truncated (error below 1 u); the product's integer part fits in
// 63 bits wherever it is used.
Fixed mul(const Fixed& a, const Fixed& b) {
  const int n = a.n();
  const bool neg = a.negative() != b.negative();
  const Fixed x = magnitude(a), y = magnitude(b);
  std::vector<u64> p(2 * a.w.size() + 1, 0);
  for (std::size_t i = 0; i < x.w.size(); ++i) {
    u64 carry = 0;
    for (std::size_t j = 0; j < y.w.size(); ++j) {
      u128 t = static_cast<u128>(x.w[i]) * y.w[j] + p[i + j] + carry;
      p[i + j] = static_cast<u64>(t);
      carry = static_cast<u64>(t >> 64);
    }
    p[i + y.w.size()] = carry;
  }
  Fixed c(n);
  for (int i = 0; i <= n; ++i)
    c.w[static_cast<std::size_t>(i)] = p[static_cast<std::size_t>(i + n)];
  if (neg) negate(c);
  return c;
}

// a * m, exact; the product fits wherever it is used.
Fixed mul_int(const Fixed& a, std::int64_t m) {
  const bool neg = a.negative() != (m < 0);
  Fixed x = magnitude(a);
  const u64 um = m < 0 ? static_cast<u64>(-m) : static_cast<u64>(m);
  u64 carry = 0;
  for (u64& v : x.w) {
    u128 t = static_cast<u128>(v) * um + carry;
    v = static_cast<u64>(t);
    carry = static_cast<u64>(t >> 64);
  }
  if (neg) negate(x);
  return x;
}

// a / d, the magnitude truncated (error below 1 u).
Fixed div_int(const Fixed& a, u64 d) {
  const bool neg = a.negative();
  Fixed x = magnitude(a);
  u128 rem = 0;
  for (std::size_t i = x.w.size(); i-- > 0;) {
    u128 cur = (rem << 64) | x.w[i];
    x.w[i] = static_cast<u64>(cur / d);
    rem = cur % d;
  }
  if (neg) negate(x);
  return x;
}

// a / 2^s, rounded down (error below 1 u); 0 < s < 64.
Fixed shr(const Fixed& a, int s) {
  Fixed c(a.n());
  const std::size_t last = a.w.size() - 1;
  for (std::size_t i = 0; i < last; ++i) c.w[i] = (a.w[i] >> s) | (a.w[i + 1] << (64 - s));
  c.w[last] = static_cast<u64>(static_cast<std::int64_t>(a.w[last]) >> s);
  return c;
}

// A double x as a fixed-point number, the magnitude truncated (exact when
// x is a multiple of u); |x| < 2^62.
Fixed from_double(int n, double x) {
  Fixed a(n);
  const u64 b = bits_of(x);
  const int be = static_cast<int>((b >> 52) & 0x7ff);
  if (be == 0 && (b << 1) == 0) return a;
  u64 m = b & ((u64{1} << 52) - 1);
  int e = be - 1075;  // x = m 2^e
  if (be != 0)
    m |= u64{1} << 52;
  else
    e = -1074;
  // Bit position of m's lowest bit in the limbs: e + 64n.
  const int pos = e + 64 * n;
  for (int bit = 0; bit < 53; ++bit) {
    if (((m >> bit) & 1) == 0) continue;
    const int at = pos + bit;
    if (at < 0) continue;
    a.w[static_cast<std::size_t>(at / 64)] |= u64{1} << (at % 64);
  }
  if (x < 0) negate(a);
  return a;
}

// An approximation of a as a double (for the reduction's choice only).
double approx(const Fixed& a) {
  const int n = a.n();
  return static_cast<double>(static_cast<std::int64_t>(a.w[static_cast<std::size_t>(n)])) +
         static_cast<double>(a.w[static_cast<std::size_t>(n - 1)]) * 0x1p-64;
}

// a 2^k rounded to nearest (ties to even) with p significant bits and the
// smallest normal exponent emin; values beyond the largest double give inf.
double round_fixed(const Fixed& a, int k, int p, int emin) {
  if (a.zero()) return 0.0;
  const bool neg = a.negative();
  const Fixed m = magnitude(a);
  const int n = m.n();
  int top = -1;
  for (int i = n; i >= 0 && top < 0; --i) {
    const u64 v = m.w[static_cast<std::size_t>(i)];
    if (v != 0) top = 64 * i + 63 - __builtin_clzll(v);
  }
  const int e = top - 64 * n + k;  // a 2^k in [2^e, 2^(e+1))
  const int q = e - p + 1 > emin - p + 1 ? e - p + 1 : emin - p + 1;
  const int sh = q - k + 64 * n;  // bits of m below the last kept one
  auto bit = [&](int i) { return (m.w[static_cast<std::size_t>(i / 64)] >> (i % 64)) & 1; };
  u64 kept = 0;
  for (int i = top; i >= (sh > 0 ? sh : 0); --i) kept = (kept << 1) | bit(i);
  if (sh <= 0) {
    kept <<= -sh;
  } else {
    const bool half = bit(sh - 1) != 0;
    bool sticky = false;
    for (int i = sh - 2; i >= 0 && !sticky; --i) {
      if (i % 64 == 63 && m.w[static_cast<std::size_t>(i / 64)] == 0) {
        i -= 63;
        continue;
      }
      sticky = bit(i) != 0;
    }
    if (half && (sticky || (kept & 1) != 0)) ++kept;
  }
  const double r = std::ldexp(static_cast<double>(kept), q);
  return neg ? -r : r;
}

// The rounding of every value within bound u of a, or NaN when they do not
// all round alike.
double decide(const Fixed& a, u64 bound, int k, int p, int emin) {
  const Fixed b = from_int(a.n(), 0);
  Fixed e = b;
  e.w[0] = bound;
  const double lo = round_fixed(sub(a, e), k, p, emin);
  const double hi = round_fixed(add(a, e), k, p, emin);
  return lo == hi ? lo : std::numeric_limits<double>::quiet_NaN();
}

struct Value {
  Fixed v;
  u64 bound;  // |v - exact| <= bound u
};

// ln 2 = 2 atanh(1/3) = sum over j of 2 / ((2j + 1) 3^(2j+1)).  The power
// p_j carries at most 1.125 u (a truncation per step, divided by 9 each
// step after), each term 1.375 u with its own truncation, the tail beyond
// the last non-zero term below 1 u.
Value ln2(int n) {
  Fixed p = div_int(from_int(n, 2), 3);
  Fixed s = p;
  u64 terms = 1;
  for (u64 j = 1;; ++j) {
    p = div_int(p, 9);
    if (p.zero()) break;
    s = add(s, div_int(p, 2 * j + 1));
    ++terms;
  }
  return {s, 2 * terms + 2};
}

// ln x for a positive finite double x: x = 2^e m with m in [1/sqrt 2,
// sqrt 2), ln m = 2 atanh(t), t = (m - 1) / (m + 1), |t| <= 0.1716, so
// t^2 < 2^-5.
// The quotient t carries 1 u; t^2 below 1.35 u; each power t^(2j+1) below
// 2 u (its errors shrink by t^2 each step); each term below 2 u; the tail
// beyond the last non-zero power below 2 u.  So ln m is within 2 (2T + 4) u
// for T terms, and e ln 2 within |e| times the bound of ln 2.
Value log_fixed(int n, double x) {
  u64 b = bits_of(x);
  int e = static_cast<int>(b >> 52);
  if (e == 0) {  // subnormal: scale by 2^52, exactly
    b = bits_of(x * 0x1p52);
    e = static_cast<int>(b >> 52) - 52;
  }
  e -= 1023;
  const u64 mi = (b & ((u64{1} << 52) - 1)) | (u64{1} << 52);  // m = mi 2^-52
  std::int64_t num, den;
  if (mi > 0x16A09E667F3BCCULL) {  // m above sqrt 2 (rounded down): use m / 2
    num = static_cast<std::int64_t>(mi) - (std::int64_t{1} << 53);
    den = static_cast<std::int64_t>(mi) + (std::int64_t{1} << 53);
    e += 1;
  } else {
    num = static_cast<std::int64_t>(mi) - (std::int64_t{1} << 52);
    den = static_cast<std::int64_t>(mi) + (std::int64_t{1} << 52);
  }
  const Fixed t = div_int(from_int(n, num), static_cast<u64>(den));
  const Fixed t2 = mul(t, t);
  Fixed p = t, s = t;
  u64 terms = 1;
  for (u64 j = 1;; ++j) {
    p = mul(p, t2);
    if (p.zero()) break;
    s = add(s, div_int(p, 2 * j + 1));
    ++terms;
  }
  Value r{add(s, s), 2 * (2 * terms + 4)};
  if (e != 0) {
    const Value l = ln2(n);
    r.v = add(r.v, mul_int(l.v, e));
    r.bound += static_cast<u64>(e < 0 ? -e : e) * l.bound;
  }
  return r;
}

// e^y for y within ey u of a fixed-point value with |y| < 746, as 2^k z:
// r = y - k ln 2 with |r| <= 0.35 (r within er = ey + |k| bound(ln 2)),
// t = r / 2^s (within er / 2^s + 1), e^t by its Taylor series until a term
// vanishes (each term within 2 u, the tail below 1 u, e^t in [0.99, 1.01]
// so the input's error at most doubles: e0 = 2 et + 3 N + 2 for N terms),
// then s squarings: each doubles the error and adds 1 u, with z below 1.42
// throughout, so z is within 2^(s+1) (e0 + 1) u.
constexpr int squarings = 12;

struct Scaled {
  Value z;
  int k;
};

Scaled exp_fixed(const Value& y) {
  const int n = y.v.n();
  const int k = static_cast<int>(std::floor(approx(y.v) * 1.4426950408889634 + 0.5));
  const Value l = ln2(n);
  const Fixed r = sub(y.v, mul_int(l.v, k));
  const u64 er = y.bound + static_cast<u64>(k < 0 ? -k : k) * l.bound;
  Fixed t = r;
  for (int i = 0; i < squarings; i += 4) t = shr(t, 4);
  const u64 et = (er >> squarings) + 3;
  Fixed term = t;
  Fixed z = add(from_int(n, 1), t);
  u64 terms = 1;
  for (u64 i = 2;; ++i) {
    term = div_int(mul(term, t), i);
    if (term.zero()) break;
    z = add(z, term);
    ++terms;
  }
  const u64 e0 = 2 * et + 3 * terms + 2;
  for (int i = 0; i < squarings; ++i) z = mul(z, z);
  return {{z, (e0 + 1) << (squarings + 1)}, k};
}

// The precisions tried, in 64-bit fraction limbs.
int next_precision(int n) { return n + (n + 1) / 2; }

}  // namespace

std::uint64_t accurate_calls() { return accurate_count.load(std::memory_order_relaxed); }

double log_accurate(double x) {
  accurate_count.fetch_add(1, std::memory_order_relaxed);
  for (int n = 2;; n = next_precision(n)) {
    const Value l = log_fixed(n, x);
    const double r = decide(l.v, l.bound, 0, 53, -1022);
    if (r == r) return r;
  }
}

float logf_accurate(float x) {
  accurate_count.fetch_add(1, std::memory_order_relaxed);
  for (int n = 2;; n = next_precision(n)) {
    const Value l = log_fixed(n, static_cast<double>(x));
    const double r = decide(l.v, l.bound, 0, 24, -126);
    if (r == r) return static_cast<float>(r);  // exact: r has 24 bits
  }
}

double exp_accurate(double x) {
  accurate_count.fetch_add(1, std::memory_order_relaxed);
  for (int n = 2;; n = next_precision(n)) {
    const Scaled s = exp_fixed({from_double(n, x), 1});
    const double r = decide(s.z.v, s.z.bound, s.k, 53, -1022);
    if (r == r) return r;
  }
}

// x^0.3 = e^(0.3 ln x), with 0.3 = m 2^-54, m = 0x13333333333333: the
// product by m is exact, the division by 2^54 truncates (1 u each shift),
// and the bound of ln x scales by 0.3 < 1/3.
double pow03_accurate(double x) {
  accurate_count.fetch_add(1, std::memory_order_relaxed);
  constexpr std::int64_t m = 0x13333333333333;
  for (int n = 2;; n = next_precision(n)) {
    const Value l = log_fixed(n, x);
    Fixed y = mul_int(l.v, m);
    for (int i = 0; i < 54; i += 18) y = shr(y, 18);
    const Scaled s = exp_fixed({y, l.bound / 3 + 4});
    const double r = decide(s.z.v, s.z.bound, s.k, 53, -1022);
    if (r == r) return r;
  }
}

}  // namespace pdferr::math::detail
