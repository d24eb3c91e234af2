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

// The error function: the same bits everywhere; not correctly rounded.
double erf(double x);

// x^y as exp(y * log(x)) from the functions above: the same bits
// everywhere; not correctly rounded.  For x > 0.
double power(double x, double y);

// log(x) / ln 10 from the functions above: the same bits everywhere; not
// correctly rounded.
double log10(double x);

}  // namespace pdferr::math
