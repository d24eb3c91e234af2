// The toolkit's own elementary functions.
//
// Every number the toolkit computes with a logarithm, an exponential or a
// power goes through these functions, never through the C library's: the C
// library's results depend on the library, its version and the processor it
// picks a version for, and a published band must come out the same bits
// everywhere.
//
//   log, exp, logf, pow03   correctly rounded to nearest on their whole
//                           domain: the exact value, rounded once.  There is
//                           one right answer per input, whatever the
//                           library, processor, compiler or vector width.
//   erf, power, log10       fixed sequences of correctly rounded operations:
//                           the same bits everywhere, but not correctly
//                           rounded (their accuracy is stated with each).
//
// The functions are internal to the libraries (hidden symbols under this
// namespace): no library exports a symbol named log, exp, logf, pow or erf.
#pragma once

#include <cstddef>

namespace pdferr::math {

// The natural logarithm of x, correctly rounded (64-bit).
double log(double x);

// e^x, correctly rounded (64-bit).
double exp(double x);

// The natural logarithm of x, correctly rounded (32-bit).
float logf(float x);

// x^0.3, with 0.3 the 64-bit value 0x1.3333333333333p-2 (the tables'
// exponent xpow), correctly rounded.
double pow03(double x);

// The array forms: out[i] = f(x[i]) for i < n, the bits of the scalar form
// for every input.  The fast paths run side by side in vector registers
// (four lanes, with fused multiply-adds for the exact products where the
// processor has AVX2 and FMA); a lane whose rounding test fails, and every
// input outside the fast path's range (NaN, infinities, zero, negative,
// subnormal and the like), takes the scalar form.  out may be x itself;
// otherwise the two must not overlap.
void log(const double* x, std::size_t n, double* out);
void exp(const double* x, std::size_t n, double* out);
void logf(const float* x, std::size_t n, float* out);
void pow03(const double* x, std::size_t n, double* out);
// x^0.5, which for every x is the IEEE square root (correctly rounded).
void sqrt(const double* x, std::size_t n, double* out);

// The error function: the same bits everywhere; not correctly rounded.
double erf(double x);

// x^y as exp(y * log(x)) from the functions above: the same bits
// everywhere; not correctly rounded.  For x > 0.
double power(double x, double y);

// log(x) / ln 10 from the functions above: the same bits everywhere; not
// correctly rounded.
double log10(double x);

}  // namespace pdferr::math
