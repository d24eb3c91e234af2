// The normal quantile, confidence levels and the rescaling between them.
#include <cmath>
#include <limits>
#include <stdexcept>

#include "crmath.hpp"
#include "pdferr/uncertainty.hpp"
#include "text.hpp"

namespace pdferr::uncertainty {
namespace {

// Wichura's rational approximations of the normal quantile (Applied
// Statistics algorithm AS 241, PPND16): relative error about 1e-16 in exact
// arithmetic, below 7e-16 as evaluated here.  Each polynomial is evaluated
// by Horner's rule from the highest coefficient.
constexpr double a[8] = {3.3871328727963666080e0,  1.3314166789178437745e+2,
                         1.9715909503065514427e+3, 1.3731693765509461125e+4,
                         4.5921953931549871457e+4, 6.7265770927008700853e+4,
                         3.3430575583588128105e+4, 2.5090809287301226727e+3};
constexpr double b[8] = {1.0,
                         4.2313330701600911252e+1,
                         6.8718700749205790830e+2,
                         5.3941960214247511077e+3,
                         2.1213794301586595867e+4,
                         3.9307895800092710610e+4,
                         2.8729085735721942674e+4,
                         5.2264952788528545610e+3};
constexpr double c[8] = {1.42343711074968357734e0,  4.63033784615654529590e0,
                         5.76949722146069140550e0,  3.64784832476320460504e0,
                         1.27045825245236838258e0,  2.41780725177450611770e-1,
                         2.27238449892691845833e-2, 7.74545014278341407640e-4};
constexpr double d[8] = {1.0,
                         2.05319162663775882187e0,
                         1.67638483018380384940e0,
                         6.89767334985100004550e-1,
                         1.48103976427480074590e-1,
                         1.51986665636164571966e-2,
                         5.47593808499534494600e-4,
                         1.05075007164441684324e-9};
constexpr double e[8] = {6.65790464350110377720e0,  5.46378491116411436990e0,
                         1.78482653991729133580e0,  2.96560571828504891230e-1,
                         2.65321895265761230930e-2, 1.24266094738807843860e-3,
                         2.71155556874348757815e-5, 2.01033439929228813265e-7};
constexpr double f[8] = {1.0,
                         5.99832206555887937690e-1,
                         1.36929880922735805310e-1,
                         1.48753612908506148525e-2,
                         7.86869131145613259100e-4,
                         1.84631831751005468180e-5,
                         1.42151175831644588870e-7,
                         2.04426310338993978564e-15};

double horner(const double (&k)[8], double x) {
  double s = k[7];
  for (int i = 6; i >= 0; --i) s = s * x + k[i];
  return s;
}

// The quantile from q = p - 0.5 and, in the tails, r = min(p, 1 - p), each
// given exactly by the caller.
double quantile_of(double q, double r) {
  if (std::fabs(q) <= 0.425) {
    const double t = 0.180625 - q * q;
    return q * horner(a, t) / horner(b, t);
  }
  if (r <= 0.0) {
    return q < 0 ? -std::numeric_limits<double>::infinity()
                 : std::numeric_limits<double>::infinity();
  }
  double s = std::sqrt(-math::log(r));
  double z;
  if (s <= 5.0) {
    s = s - 1.6;
    z = horner(c, s) / horner(d, s);
  } else {
    s = s - 5.0;
    z = horner(e, s) / horner(f, s);
  }
  return q < 0 ? -z : z;
}

}  // namespace

double normal_quantile(double p) {
  if (!(p >= 0.0 && p <= 1.0)) {
    throw domain_error("p = " + detail::number_text(p) + " is outside [0, 1]");
  }
  // p - 0.5 is exact for p >= 0.25 and 1 - p for p >= 0.5; below 0.25 the
  // tail formula takes p itself.
  const double q = p - 0.5;
  return quantile_of(q, q < 0 ? p : 1.0 - p);
}

Confidence Confidence::central(double p) {
  if (!(p > 0.0 && p < 1.0)) {
    throw std::invalid_argument("confidence level " + detail::number_text(p) +
                                " is outside (0, 1)");
  }
  return Confidence(false, p);
}

Confidence Confidence::sigmas(double n) {
  if (!(n > 0.0 && n < std::numeric_limits<double>::infinity())) {
    throw std::invalid_argument("confidence level of " + detail::number_text(n) +
                                " standard deviations is not a positive number");
  }
  return Confidence(true, n);
}

double Confidence::probability() const {
  // erf(n / sqrt(2)); sqrt(2) rounded to the nearest double, erf the
  // toolkit's own (the same bits on every machine).
  constexpr double sqrt2 = 1.4142135623730951;
  return in_sigmas_ ? math::erf(value_ / sqrt2) : value_;
}

double Confidence::z() const {
  if (in_sigmas_) return value_;
  // The quantile at (1 + p) / 2, with q = p / 2 and r = (1 - p) / 2 = 0.5 - q
  // both exact (q lies in (0, 0.5)), so p is not rounded on the way.
  const double q = value_ * 0.5;
  return quantile_of(q, 0.5 - q);
}

double rescale_factor(Confidence from, Confidence to) { return from.z() / to.z(); }

double rescale(double error, Confidence from, Confidence to) {
  return error / rescale_factor(from, to);
}

}  // namespace pdferr::uncertainty
