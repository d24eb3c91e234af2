// The array forms of the elementary functions: the scalar forms' fast paths
// (crmath.cpp) run four inputs side by side in vector registers, each lane
// making the same operations on the same values in the same order, so that
// each lane forms the scalar fast path's double-double and error bound bit
// for bit and takes the same rounding test.  Only the exact products differ
// in how they are formed: Dekker's product in the generic version, one fused
// multiply-add in the version for AVX2 and FMA; both give the exact product
// as the same hi + lo (the products here are far from overflow and
// underflow, see each core).  A lane whose test fails, or whose input lies
// outside the fast path's range, takes the scalar form, which runs the same
// fast path and then the accurate one: every result is the scalar form's.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "accurate.hpp"
#include "arrays.hpp"
#include "crmath.hpp"
#include "simd/dispatch.hpp"
#include "simd/lanes.hpp"
#include "tables.hpp"

namespace pdferr::math {
namespace {

using namespace detail;  // the tables and constants

constexpr int W = static_cast<int>(array_lanes);
using V = simd::Vec<double, W>;
using U = simd::Vec<std::uint64_t, W>;
using F = simd::Vec<float, W>;

[[gnu::always_inline]] inline V sp(double a) { return V{a, a, a, a}; }
[[gnu::always_inline]] inline U spu(std::uint64_t a) { return U{a, a, a, a}; }
[[gnu::always_inline]] inline U bits(V x) { return reinterpret_cast<U>(x); }
[[gnu::always_inline]] inline V from_bits(U b) { return reinterpret_cast<V>(b); }
[[gnu::always_inline]] inline V select(U mask, V a, V b) {
  return from_bits((bits(a) & mask) | (bits(b) & ~mask));
}
[[gnu::always_inline]] inline V abs(V a) {
  return from_bits(bits(a) & spu(~(std::uint64_t{1} << 63)));
}
[[gnu::always_inline]] inline U mask_of(decltype(V{} < V{}) m) { return reinterpret_cast<U>(m); }
[[gnu::always_inline]] inline bool all(U m) { return (m[0] & m[1] & m[2] & m[3]) != 0; }

// The arithmetic shift right by s of lanes read as signed 64-bit integers,
// as unsigned lanes (modulo 2^64): AVX2 shifts 64-bit lanes logically only.
[[gnu::always_inline]] inline U shift_signed(U v, int s) {
  constexpr std::uint64_t sign = std::uint64_t{1} << 63;
  return ((v ^ spu(sign)) >> s) - spu(sign >> s);
}

struct DD {
  V hi, lo;
};

[[gnu::always_inline]] inline DD two_sum(V a, V b) {
  const V s = a + b;
  const V bb = s - a;
  const V e = (a - (s - bb)) + (b - bb);
  return {s, e};
}

[[gnu::always_inline]] inline DD fast_two_sum(V a, V b) {
  const V s = a + b;
  const V e = b - (s - a);
  return {s, e};
}

// a b exactly as hi + lo: by one fused multiply-add (the rounding error of
// a product is exact in a double), or by Dekker's product.
template <bool fma>
[[gnu::always_inline]] inline DD two_prod(V a, V b) {
  const V p = a * b;
  if constexpr (fma) {
    V e;
    for (int l = 0; l < W; ++l) e[l] = __builtin_fma(a[l], b[l], -p[l]);
    return {p, e};
  } else {
    const V split = sp(0x1p27 + 1);
    const V ca = split * a;
    const V ah = ca - (ca - a);
    const V al = a - ah;
    const V cb = split * b;
    const V bh = cb - (cb - b);
    const V bl = b - bh;
    const V e = (((ah * bh - p) + ah * bl) + al * bh) + al * bl;
    return {p, e};
  }
}

// The integer e of lanes holding e + 2^11 in 0..4095, as doubles, exactly.
[[gnu::always_inline]] inline V exponent_of(U biased) {
  constexpr double magic = 0x1.8p52;
  return from_bits(biased + bits(sp(magic))) - sp(magic + 2048);
}

// log_core of crmath.cpp for x positive, finite and normal.  The exact
// product r^2 has |r| >= 2^-53 (r = 0 only at x = 1, which never gets
// here), far from underflow.
template <bool fma>
[[gnu::always_inline]] inline DD log_lanes(V x, V& err) {
  const U ix = bits(x);
  const U tmp = ix - spu(log_offset);
  const U index = (tmp >> 45) & spu(127);
  const V e = exponent_of(shift_signed(tmp, 52) + spu(2048));
  const U iz = ix - (tmp & spu(std::uint64_t{0xfff} << 52));
  const V z = from_bits(iz);
  const V zh = from_bits(iz & spu(~((std::uint64_t{1} << 27) - 1)));
  const V zl = z - zh;
  V inv, t_hi, t_lo;
  for (int l = 0; l < W; ++l) {
    const LogEntry& c = log_table[index[l]];
    inv[l] = c.inv;
    t_hi[l] = c.t_hi;
    t_lo[l] = c.t_lo;
  }
  const DD r = two_sum(zh * inv - sp(1.0), zl * inv);
  const DD r2 = two_prod<fma>(r.hi, r.hi);
  const V rh = r.hi;
  const V poly =
      sp(0x1.5555555555555p-2) +
      rh * (sp(-0x1p-2) +
            rh * (sp(0x1.999999999999ap-3) +
                  rh * (sp(-0x1.5555555555555p-3) +
                        rh * (sp(0x1.2492492492492p-3) +
                              rh * (sp(-0x1p-3) + rh * (sp(0x1.c71c71c71c71cp-4) +
                                                        rh * sp(-0x1.999999999999ap-4)))))));
  const V q = (r2.hi * rh) * poly;
  const DD s = two_sum(e * sp(ln2_hi), t_hi);
  const DD u = two_sum(s.hi, rh);
  const DD v = two_sum(u.hi, sp(-0.5) * r2.hi);
  const V tail = ((e * sp(ln2_lo) + t_lo) + ((r2.hi - rh) * r.lo + r.lo)) - sp(0.5) * r2.lo;
  const V lo = ((tail + q) + s.lo) + (u.lo + v.lo);
  const U near_one = mask_of(t_hi == sp(0.0));
  const V away = select(mask_of(e != sp(0.0)), sp(0x1p-80), sp(0.0));
  err = select(near_one, sp(0x1p-63) * abs(rh) + away, sp(0x1p-71));
  return fast_two_sum(v.hi, lo);
}

// exp_core of crmath.cpp for |yh| <= 709.8 and yh not tiny (see the
// callers), with the bits of 2^k in scale.  Its exact products: kd times a
// constant, r^2 with |r| far above 2^-500 (|r| is at least the distance of
// yh from a multiple of ln 2 / 64, or |yh| itself, never that small), and
// a table entry times s.hi, which is at least |r| / 2.
template <bool fma>
[[gnu::always_inline]] inline DD exp_lanes(V yh, V yl, U& scale) {
  const V shift = sp(0x1.8p52);
  const V t = yh * sp(inv_ln2_64) + shift;
  const V kd = t - shift;
  // kd as a 64-bit integer: t lies in [2^52, 2^53), where its bits count
  // its integer steps.
  const U j = bits(t) - bits(shift);
  scale = (shift_signed(j, 6) + spu(1023)) << 52;
  const V r1 = yh - kd * sp(ln2_64_hi);
  const DD p = two_prod<fma>(kd, sp(ln2_64_lo));
  const DD r0 = two_sum(r1, -p.hi);
  const DD r = two_sum(r0.hi, r0.lo + ((yl - p.lo) - kd * sp(ln2_64_lo2)));
  const V rh = r.hi;
  const V rl = r.lo;
  const DD r2 = two_prod<fma>(rh, rh);
  const V poly =
      sp(0x1.5555555555555p-3) +
      rh * (sp(0x1.5555555555555p-5) +
            rh * (sp(0x1.1111111111111p-7) +
                  rh * (sp(0x1.6c16c16c16c17p-10) +
                        rh * (sp(0x1.a01a01a01a01ap-13) + rh * sp(0x1.a01a01a01a01ap-16)))));
  const V q = (r2.hi * rh) * poly;
  const DD s = fast_two_sum(rh, sp(0.5) * r2.hi);
  const V s_lo = s.lo + (q + ((rl + rh * rl) + sp(0.5) * r2.lo));
  const U i = j & spu(63);
  V th, tl;
  for (int l = 0; l < W; ++l) {
    th[l] = exp_table[i[l]][0];
    tl[l] = exp_table[i[l]][1];
  }
  const DD ts = two_prod<fma>(th, s.hi);
  const DD v = fast_two_sum(th, ts.hi);
  const V lo = v.lo + (ts.lo + (th * s_lo + (tl + tl * s.hi)));
  return fast_two_sum(v.hi, lo);
}

// round_test of crmath.cpp: the rounding in *r, and the lanes where every
// value within err of v rounds to it.
[[gnu::always_inline]] inline U round_test(DD v, V err, V& r) {
  const V a = v.hi + (v.lo - sp(2.0) * err);
  const V b = v.hi + (v.lo + sp(2.0) * err);
  r = a;
  return mask_of(a == b);
}

// A block of n <= W inputs: the lanes' results where ok, the scalar
// form's elsewhere (from the copy xv, so that out may be x).
template <class T, class Lanes, T (*scalar)(T)>
[[gnu::always_inline]] inline void finish(const Lanes& xv, const Lanes& r, U ok, int n, T* out) {
  if (n == W && all(ok)) {
    std::memcpy(out, &r, sizeof r);
    return;
  }
  for (int l = 0; l < n; ++l) out[l] = ok[l] ? r[l] : scalar(xv[l]);
}

// Runs Block::run(xv, m, out) over x[0..n) by blocks of W, the last one
// padded with pad.  (Block is a type, not a lambda: a lambda's body would be
// compiled outside the version's instruction set.)
template <class T, class Lanes, class Block>
[[gnu::always_inline]] inline void by_blocks(const T* x, std::size_t n, T* out, T pad) {
  std::size_t i = 0;
  for (; i + W <= n; i += W) {
    Lanes xv;
    std::memcpy(&xv, x + i, sizeof xv);
    Block::run(xv, W, out + i);
  }
  if (i < n) {
    const int m = static_cast<int>(n - i);
    Lanes xv;
    for (int l = 0; l < W; ++l) xv[l] = l < m ? x[i + l] : pad;
    Block::run(xv, m, out + i);
  }
}

double log1(double x) { return log(x); }
double exp1(double x) { return exp(x); }
float logf1(float x) { return logf(x); }
double pow031(double x) { return pow03(x); }

// The inputs of the fast paths of log and pow03: positive, finite, normal,
// not 1 (handled exactly before the fast path).
[[gnu::always_inline]] inline U positive_normal(V x) {
  return mask_of(x >= sp(0x1p-1022)) & mask_of(x < sp(std::numeric_limits<double>::infinity())) &
         mask_of(x != sp(1.0));
}

template <bool fma>
struct LogBlock {
  [[gnu::always_inline]] static void run(const V& xv, int m, double* o) {
    const U in = positive_normal(xv);
    V err;
    const DD v = log_lanes<fma>(select(in, xv, sp(2.0)), err);
    V r;
    const U ok = in & round_test(v, err, r);
    finish<double, V, log1>(xv, r, ok, m, o);
  }
};

template <bool fma>
[[gnu::always_inline]] inline void log_body(const double* x, std::size_t n, double* out) {
  by_blocks<double, V, LogBlock<fma>>(x, n, out, 2.0);
}

template <bool fma>
struct ExpBlock {
  [[gnu::always_inline]] static void run(const V& xv, int m, double* o) {
    // The fast range of exp, less the inputs below 2^-50 in magnitude: far
    // below that the square of the reduced argument would reach the
    // subnormal range, where Dekker's product and the fused multiply-add
    // could part.  They are rare, and take the scalar form.
    const U in =
        mask_of(xv >= sp(-708.0)) & mask_of(xv <= sp(709.7)) & mask_of(abs(xv) >= sp(0x1p-50));
    U scale;
    const DD v = exp_lanes<fma>(select(in, xv, sp(1.0)), sp(0.0), scale);
    V r;
    const U ok = in & round_test(v, sp(exp_fast_error) * v.hi, r);
    finish<double, V, exp1>(xv, r * from_bits(scale), ok, m, o);
  }
};

template <bool fma>
[[gnu::always_inline]] inline void exp_body(const double* x, std::size_t n, double* out) {
  by_blocks<double, V, ExpBlock<fma>>(x, n, out, 1.0);
}

// x^0.3 in two passes over a chunk of inputs: 0.3 ln x as a double-double,
// then its exponential and the rounding test.  Apart, each pass keeps its
// lanes in registers and the blocks of a pass overlap: the operations of
// each lane are those of pow03's fast path.
template <bool fma>
[[gnu::always_inline]] inline void pow03_body(const double* x, std::size_t n, double* out) {
  constexpr std::size_t chunk = 64;
  double xs[chunk], yh[chunk], yl[chunk];
  std::uint64_t ins[chunk];
  for (std::size_t i0 = 0; i0 < n; i0 += chunk) {
    const std::size_t m = n - i0 < chunk ? n - i0 : chunk;
    const std::size_t blocks = (m + W - 1) / W * W;
    // A copy, padded: out may be x.
    for (std::size_t j = 0; j < blocks; ++j) xs[j] = j < m ? x[i0 + j] : 2.0;
    for (std::size_t b = 0; b < blocks; b += W) {
      V xv;
      std::memcpy(&xv, xs + b, sizeof xv);
      const U in = positive_normal(xv);
      V err;
      const DD l = log_lanes<fma>(select(in, xv, sp(2.0)), err);
      // 0.3 ln x: |ln x| >= 2^-53 here, so the product is far from underflow.
      const DD y0 = two_prod<fma>(l.hi, sp(xpow));
      const DD y = fast_two_sum(y0.hi, y0.lo + l.lo * sp(xpow));
      std::memcpy(yh + b, &y.hi, sizeof y.hi);
      std::memcpy(yl + b, &y.lo, sizeof y.lo);
      std::memcpy(ins + b, &in, sizeof in);
    }
    for (std::size_t b = 0; b < blocks; b += W) {
      V xv, h, lo;
      U in;
      std::memcpy(&xv, xs + b, sizeof xv);
      std::memcpy(&h, yh + b, sizeof h);
      std::memcpy(&lo, yl + b, sizeof lo);
      std::memcpy(&in, ins + b, sizeof in);
      U scale;
      const DD v = exp_lanes<fma>(h, lo, scale);
      V r;
      const U ok = in & round_test(v, sp(pow03_fast_error) * v.hi, r);
      const int lanes = m - b < W ? static_cast<int>(m - b) : W;
      finish<double, V, pow031>(xv, r * from_bits(scale), ok, lanes, out + i0 + b);
    }
  }
}

// logf_core of crmath.cpp and logf's float rounding test, for x a positive
// finite float other than 1 (as a double, always normal).
[[gnu::always_inline]] inline U logf_lanes(V x, F& f) {
  constexpr double ln2 = 0x1.62e42fefa39efp-1;
  const U ix = bits(x);
  const U tmp = ix - spu(log_offset);
  const U index = (tmp >> 45) & spu(127);
  const V e = exponent_of(shift_signed(tmp, 52) + spu(2048));
  const V z = from_bits(ix - (tmp & spu(std::uint64_t{0xfff} << 52)));
  V inv, t_hi;
  for (int l = 0; l < W; ++l) {
    inv[l] = log_table[index[l]].inv;
    t_hi[l] = log_table[index[l]].t_hi;
  }
  const V r = z * inv - sp(1.0);
  const V p =
      r + (r * r) * (sp(-0.5) + r * (sp(0x1.5555555555555p-2) +
                                     r * (sp(-0x1p-2) + r * (sp(0x1.999999999999ap-3) +
                                                             r * sp(-0x1.5555555555555p-3)))));
  const V a = e * sp(ln2);
  const V h = (a + t_hi) + p;
  const V aa = abs(a);
  const V err = select(mask_of(t_hi == sp(0.0)), sp(0x1p-49) * aa + sp(0x1p-43) * abs(p),
                       sp(0x1p-49) * (aa + sp(1.0)));
  f = __builtin_convertvector(h, F);
  const V fd = __builtin_convertvector(f, V);
  const V d = h - fd;
  const V pow2 = from_bits(bits(fd) & spu(std::uint64_t{0x7ff} << 52));
  const V half = select(mask_of(abs(fd) == pow2), pow2 * sp(0x1p-25), pow2 * sp(0x1p-24));
  return mask_of(abs(d) + sp(2.0) * err < half * sp(1 - 0x1p-40));
}

struct LogfBlock {
  [[gnu::always_inline]] static void run(const F& xv, int m, float* o) {
    const V xd = __builtin_convertvector(xv, V);
    const U in = mask_of(xd > sp(0.0)) & mask_of(xd < sp(0x1p128)) & mask_of(xd != sp(1.0));
    F r;
    const U ok = in & logf_lanes(select(in, xd, sp(2.0)), r);
    finish<float, F, logf1>(xv, r, ok, m, o);
  }
};

[[gnu::always_inline]] inline void logf_body(const float* x, std::size_t n, float* out) {
  by_blocks<float, F, LogfBlock>(x, n, out, 2.0f);
}

void log_generic(const double* x, std::size_t n, double* out) { log_body<false>(x, n, out); }
PDFERR_TARGET_AVX2 void log_avx2(const double* x, std::size_t n, double* out) {
  log_body<true>(x, n, out);
}
void exp_generic(const double* x, std::size_t n, double* out) { exp_body<false>(x, n, out); }
PDFERR_TARGET_AVX2 void exp_avx2(const double* x, std::size_t n, double* out) {
  exp_body<true>(x, n, out);
}
void pow03_generic(const double* x, std::size_t n, double* out) { pow03_body<false>(x, n, out); }
PDFERR_TARGET_AVX2 void pow03_avx2(const double* x, std::size_t n, double* out) {
  pow03_body<true>(x, n, out);
}
void logf_generic(const float* x, std::size_t n, float* out) { logf_body(x, n, out); }
PDFERR_TARGET_AVX2 void logf_avx2(const float* x, std::size_t n, float* out) {
  logf_body(x, n, out);
}

// The square root is one IEEE operation: the vector instructions give each
// lane the bits of the scalar one (and set no errno for negative inputs).
#if PDFERR_ISA_VARIANTS
void sqrt_generic(const double* x, std::size_t n, double* out) {
  std::size_t i = 0;
  for (; i + 2 <= n; i += 2) _mm_storeu_pd(out + i, _mm_sqrt_pd(_mm_loadu_pd(x + i)));
  for (; i < n; ++i) out[i] = _mm_cvtsd_f64(_mm_sqrt_sd(_mm_setzero_pd(), _mm_set_sd(x[i])));
}
PDFERR_TARGET_AVX2 void sqrt_avx2(const double* x, std::size_t n, double* out) {
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) _mm256_storeu_pd(out + i, _mm256_sqrt_pd(_mm256_loadu_pd(x + i)));
  for (; i < n; ++i) out[i] = _mm_cvtsd_f64(_mm_sqrt_sd(_mm_setzero_pd(), _mm_set_sd(x[i])));
}
#else
void sqrt_generic(const double* x, std::size_t n, double* out) {
  for (std::size_t i = 0; i < n; ++i) out[i] = __builtin_sqrt(x[i]);
}
void sqrt_avx2(const double* x, std::size_t n, double* out) { sqrt_generic(x, n, out); }
#endif

}  // namespace

namespace detail {

constinit const ArrayVariants log_array{log_generic, log_avx2};
constinit const ArrayVariants exp_array{exp_generic, exp_avx2};
constinit const FloatArrayVariants logf_array{logf_generic, logf_avx2};
constinit const ArrayVariants pow03_array{pow03_generic, pow03_avx2};
constinit const ArrayVariants sqrt_array{sqrt_generic, sqrt_avx2};

}  // namespace detail

namespace {

// One value alone takes the scalar form: the lanes gain nothing on the
// latency of one value, and the dispatch and padding cost.
template <class T>
void one_or_lanes(T (*scalar)(T), const simd::Variants<void(const T*, std::size_t, T*)>& lanes,
                  const T* x, std::size_t n, T* out) {
  if (n == 1) {
    out[0] = scalar(x[0]);
    return;
  }
  lanes(x, n, out);
}

}  // namespace

void log(const double* x, std::size_t n, double* out) {
  one_or_lanes<double>(log, detail::log_array, x, n, out);
}
void exp(const double* x, std::size_t n, double* out) {
  one_or_lanes<double>(exp, detail::exp_array, x, n, out);
}
void logf(const float* x, std::size_t n, float* out) {
  one_or_lanes<float>(logf, detail::logf_array, x, n, out);
}
void pow03(const double* x, std::size_t n, double* out) {
  one_or_lanes<double>(pow03, detail::pow03_array, x, n, out);
}
void sqrt(const double* x, std::size_t n, double* out) { detail::sqrt_array(x, n, out); }

}  // namespace pdferr::math
