// The tests' oracle for the toolkit's elementary functions: MPFR's
// correctly rounded values, and a cheap check that asks MPFR only where it
// must.  Linked by the tests alone, never by a library.
#pragma once

#include <cstdint>
#include <random>

namespace oracle {

enum class Fn { log, exp, pow03 };

const char* name(Fn f);

// The correctly rounded value of f at x, from MPFR.
double correct(Fn f, double x);
float correct_logf(float x);

// Whether r is the correctly rounded value of f at x.  The C library's
// 64-bit (long double) function decides wherever it lies more than 2^-58
// (relative) from a rounding boundary, far beyond its error; MPFR decides
// the rest.
bool agrees(Fn f, double x, double r);
// The same for logf, screened by the C library's 64-bit log (boundaries
// more than 2^-50 away).
bool agrees_logf(float x, float r);

// |hi + lo - f(x) / 2^k| (k = 0 for log), computed to 200 bits.
double fast_error(Fn f, double x, double hi, double lo, int k);

// The error of r against erf(x), in units of r's last place.
double erf_error_ulps(double x, double r);

// Random inputs over the functions' domains and beyond: for log and pow03
// a quarter each of all positive finite doubles (uniform bit patterns, so
// every exponent and the subnormals), (0, 1), 1 +- 2^-6 and [1, 2^20];
// for exp half [-746, 710], a quarter [-1, 1] and a quarter +-2^[-60, 0].
double draw(Fn f, std::mt19937_64& g);

}  // namespace oracle
