// The internal parts of the toolkit's elementary functions, exposed to the
// tests: the accurate paths (a multiple-precision evaluation that raises its
// precision until the rounding is decided, Ziv's strategy), the fast paths'
// double-double approximations with their error bounds, and a count of the
// calls that took an accurate path.  Not installed.
#pragma once

#include <cstdint>

namespace pdferr::math::detail {

// A double-double value hi + lo, |lo| <= ulp(hi) once normalised.
struct DoubleDouble {
  double hi;
  double lo;
};

// The accurate paths, correctly rounded on their domains: log_accurate and
// pow03_accurate for positive finite x other than 1, logf_accurate for
// positive finite x other than 1, exp_accurate for finite x in [-746, 710]
// other than 0.  Each call adds one to accurate_calls().
double log_accurate(double x);
float logf_accurate(float x);
double exp_accurate(double x);
double pow03_accurate(double x);

// The number of accurate-path calls made so far by this process (all
// threads).
std::uint64_t accurate_calls();

// The fast paths' approximations, before their rounding tests:
//   log_fast(x, &err), x positive finite: |hi + lo - ln x| <= err;
//   exp_fast(y, &k), y in [-708, 709.7]: hi + lo within exp_fast_error
//     (hi + lo) of e^y / 2^k, hi + lo in [0.99, 2.01];
//   pow03_fast(x, &k), x positive finite: the same for x^0.3, within
//     pow03_fast_error.
DoubleDouble log_fast(double x, double* err);
// logf's: ln x in double for x a positive float, |h - ln x| <= err.
double logf_fast(double x, double* err);
DoubleDouble exp_fast(double y, int* k);
DoubleDouble pow03_fast(double x, int* k);

// The bounds the rounding tests use (relative to the result).
inline constexpr double exp_fast_error = 0x1p-70;
inline constexpr double pow03_fast_error = 0x1p-68;

}  // namespace pdferr::math::detail
