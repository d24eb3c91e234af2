#include "oracle.hpp"

#include <mpfr.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

namespace oracle {
namespace {

// The subnormal doubles' exponent range, set once per thread.
struct Range {
  Range() {
    mpfr_set_emin(-1073);
    mpfr_set_emax(1024);
  }
};

// f(a) rounded to r's precision; returns MPFR's ternary value.
int evaluate(Fn f, mpfr_t r, const mpfr_t a) {
  mpfr_t y;
  mpfr_init2(y, 53);
  mpfr_set_d(y, 0.3, MPFR_RNDN);
  int t = 0;
  switch (f) {
    case Fn::log:
      t = mpfr_log(r, a, MPFR_RNDN);
      break;
    case Fn::exp:
      t = mpfr_exp(r, a, MPFR_RNDN);
      break;
    case Fn::pow03:
      t = mpfr_pow(r, a, y, MPFR_RNDN);
      break;
  }
  mpfr_clear(y);
  return t;
}

double mpfr_value(Fn f, double x) {
  thread_local Range range;
  mpfr_t a, r;
  mpfr_inits2(53, a, r, static_cast<mpfr_ptr>(nullptr));
  mpfr_set_d(a, x, MPFR_RNDN);
  mpfr_subnormalize(r, evaluate(f, r, a), MPFR_RNDN);
  const double v = mpfr_get_d(r, MPFR_RNDN);
  mpfr_clears(a, r, static_cast<mpfr_ptr>(nullptr));
  return v;
}

long double libc_value(Fn f, double x) {
  const auto lx = static_cast<long double>(x);
  switch (f) {
    case Fn::log:
      return std::log(lx);
    case Fn::exp:
      return std::exp(lx);
    case Fn::pow03:
      return std::pow(lx, static_cast<long double>(0.3));
  }
  return 0;
}

// The rounding of every value within tol |v| of v to T, or false if a
// rounding boundary (a midpoint between neighbours of T) lies so close.
template <typename T, typename Wide>
bool decided(Wide v, Wide tol, T* out) {
  const T r = static_cast<T>(v);
  if (!std::isfinite(r) || r == 0) return false;
  const T below = std::nextafter(r, T(0)), above = std::nextafter(r, r * 2);
  const Wide m1 = (static_cast<Wide>(r) + static_cast<Wide>(below)) / 2;
  const Wide m2 = (static_cast<Wide>(r) + static_cast<Wide>(above)) / 2;
  const Wide d = tol * std::fabs(v);
  if (std::fabs(v - m1) <= d || std::fabs(v - m2) <= d || !std::isfinite(above)) return false;
  *out = r;
  return true;
}

bool same(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

const char* name(Fn f) {
  switch (f) {
    case Fn::log:
      return "log";
    case Fn::exp:
      return "exp";
    case Fn::pow03:
      return "pow03";
  }
  return "";
}

double correct(Fn f, double x) { return mpfr_value(f, x); }

float correct_logf(float x) {
  thread_local Range range;
  mpfr_t a, r;
  mpfr_inits2(24, a, r, static_cast<mpfr_ptr>(nullptr));
  mpfr_set_flt(a, x, MPFR_RNDN);
  mpfr_log(r, a, MPFR_RNDN);
  const float v = mpfr_get_flt(r, MPFR_RNDN);
  mpfr_clears(a, r, static_cast<mpfr_ptr>(nullptr));
  return v;
}

bool agrees(Fn f, double x, double r) {
  double screened;
  if (decided(libc_value(f, x), 0x1p-58L, &screened)) return same(screened, r);
  return same(mpfr_value(f, x), r);
}

bool agrees_logf(float x, float r) {
  float screened;
  if (decided(std::log(static_cast<double>(x)), 0x1p-50, &screened)) return screened == r;
  return correct_logf(x) == r;
}

double fast_error(Fn f, double x, double hi, double lo, int k) {
  mpfr_t a, r;
  mpfr_inits2(200, a, r, static_cast<mpfr_ptr>(nullptr));
  mpfr_set_d(a, x, MPFR_RNDN);
  evaluate(f, r, a);
  mpfr_mul_2si(r, r, -k, MPFR_RNDN);
  mpfr_sub_d(r, r, hi, MPFR_RNDN);
  mpfr_sub_d(r, r, lo, MPFR_RNDN);
  const double e = std::fabs(mpfr_get_d(r, MPFR_RNDN));
  mpfr_clears(a, r, static_cast<mpfr_ptr>(nullptr));
  return e;
}

double erf_error_ulps(double x, double r) {
  mpfr_t a, e;
  mpfr_inits2(200, a, e, static_cast<mpfr_ptr>(nullptr));
  mpfr_set_d(a, x, MPFR_RNDN);
  mpfr_erf(e, a, MPFR_RNDN);
  mpfr_sub_d(e, e, r, MPFR_RNDN);
  const double diff = std::fabs(mpfr_get_d(e, MPFR_RNDN));
  mpfr_clears(a, e, static_cast<mpfr_ptr>(nullptr));
  const double ar = std::fabs(r);
  const double ulp = std::nextafter(ar, 2 * ar + 1) - ar;
  return diff / ulp;
}

double draw(Fn f, std::mt19937_64& g) {
  const std::uint64_t u = g();
  const unsigned kind = static_cast<unsigned>(u & 3);
  std::uniform_real_distribution<double> unit(0, 1);
  if (f == Fn::exp) {
    if (kind < 2) return -746 + 1456 * unit(g);
    if (kind == 2) return 2 * unit(g) - 1;
    const double t = std::ldexp(1.0, -static_cast<int>(g() % 60)) * (1 + unit(g));
    return (u & 4) != 0 ? t : -t;
  }
  switch (kind) {
    case 0: {
      for (;;) {
        const std::uint64_t b = g() >> 1;
        double x;
        std::memcpy(&x, &b, sizeof x);
        if (x > 0 && std::isfinite(x)) return x;
      }
    }
    case 1: {
      const double x = unit(g);
      return x > 0 ? x : 0.5;
    }
    case 2:
      return 1 + (2 * unit(g) - 1) * 0x1p-6;
    default:
      return 1 + unit(g) * 0x1p20;
  }
}

}  // namespace oracle
