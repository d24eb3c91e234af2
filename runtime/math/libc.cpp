// The functions of crmath.hpp taken from the C library.  Until the
// toolkit's own correctly rounded versions take their place these give the
// C library's bits, as every earlier release did.
#include <cmath>
#include <cstddef>

#include "crmath.hpp"

namespace pdferr::math {

double log(double x) { return std::log(x); }
double exp(double x) { return std::exp(x); }
float logf(float x) { return std::log(x); }
double pow03(double x) { return std::pow(x, 0.3); }
double erf(double x) { return std::erf(x); }
double power(double x, double y) { return std::pow(x, y); }
double log10(double x) { return std::log10(x); }

void log(const double* x, std::size_t n, double* out) {
  for (std::size_t i = 0; i < n; ++i) out[i] = std::log(x[i]);
}
void exp(const double* x, std::size_t n, double* out) {
  for (std::size_t i = 0; i < n; ++i) out[i] = std::exp(x[i]);
}
void logf(const float* x, std::size_t n, float* out) {
  for (std::size_t i = 0; i < n; ++i) out[i] = std::log(x[i]);
}
void pow03(const double* x, std::size_t n, double* out) {
  for (std::size_t i = 0; i < n; ++i) out[i] = std::pow(x[i], 0.3);
}
void sqrt(const double* x, std::size_t n, double* out) {
  for (std::size_t i = 0; i < n; ++i) out[i] = std::sqrt(x[i]);
}

}  // namespace pdferr::math
