// Replicas and draws: the mean, standard deviation and correlation through
// Moments, and quantiles by linear interpolation between order statistics.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

#include "pdferr/uncertainty.hpp"
#include "text.hpp"

namespace pdferr::uncertainty {
namespace {

void check_values(const double* v, std::size_t n, std::size_t at_least, const char* what,
                  const char* name = "value") {
  if (n < at_least) {
    throw std::invalid_argument(std::string(what) + " needs at least " + std::to_string(at_least) +
                                " values; there are " + std::to_string(n));
  }
  if (v == nullptr) throw std::invalid_argument("values is NULL");
  for (std::size_t i = 0; i < n; ++i) {
    if (!std::isfinite(v[i])) {
      throw domain_error(std::string(name) + " " + std::to_string(i) + " is not finite");
    }
  }
}

void check_probability(double p) {
  if (!(p >= 0.0 && p <= 1.0)) {
    throw std::invalid_argument("quantile " + detail::number_text(p) + " is outside [0, 1]");
  }
}

// The p-quantile of sorted s[0..n), as numpy's "linear" method forms it.
double sorted_quantile(const std::vector<double>& s, double p) {
  const std::size_t n = s.size();
  const double h = static_cast<double>(n - 1) * p;
  if (h >= static_cast<double>(n - 1)) return s[n - 1];
  const double below = std::floor(h);
  const auto i = static_cast<std::size_t>(below);
  const double g = h - below;
  const double a = s[i];
  const double b = s[i + 1];
  const double diff = b - a;
  return g >= 0.5 ? b - diff * (1.0 - g) : a + diff * g;
}

std::vector<double> sorted(const double* v, std::size_t n) {
  std::vector<double> s(v, v + n);
  std::sort(s.begin(), s.end());
  return s;
}

}  // namespace

double mean(const double* v, std::size_t n) {
  check_values(v, n, 1, "the mean");
  Moments m;
  m.add(v, n);
  return m.mean();
}

double standard_deviation(const double* v, std::size_t n) {
  check_values(v, n, 2, "the standard deviation");
  Moments m;
  m.add(v, n);
  return m.standard_deviation();
}

double quantile(const double* v, std::size_t n, double p) {
  check_probability(p);
  check_values(v, n, 1, "a quantile");
  return sorted_quantile(sorted(v, n), p);
}

Interval central_interval(const double* v, std::size_t n, Confidence c) {
  check_values(v, n, 1, "an interval");
  const double p = c.probability();
  const std::vector<double> s = sorted(v, n);
  return Interval{sorted_quantile(s, (1.0 - p) / 2.0), sorted_quantile(s, (1.0 + p) / 2.0)};
}

double correlation(const double* x, const double* y, std::size_t n) {
  check_values(x, n, 2, "the correlation", "x");
  check_values(y, n, 2, "the correlation", "y");
  MomentsOptions options;
  options.correlations = true;
  Moments m(2, options);
  double rows[2 * Moments::block_size];
  for (std::size_t i = 0; i < n; i += Moments::block_size) {
    const std::size_t k = std::min(n - i, Moments::block_size);
    for (std::size_t d = 0; d < k; ++d) {
      rows[2 * d] = x[i + d];
      rows[2 * d + 1] = y[i + d];
    }
    m.add(rows, k);
  }
  return m.correlation(0, 1);
}

}  // namespace pdferr::uncertainty
