// Replicas and draws: the mean, standard deviation and correlation through
// Moments, and quantiles by the one rule of quantile_from between order
// statistics.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "finite.hpp"
#include "pdferr/band.hpp"
#include "pdferr/uncertainty.hpp"
#include "text.hpp"

namespace pdferr::uncertainty {
namespace {

void check_count(const double* v, std::size_t n, std::size_t at_least, const char* what) {
  if (n < at_least) {
    throw std::invalid_argument(std::string(what) + " needs at least " + std::to_string(at_least) +
                                " values; there are " + std::to_string(n));
  }
  if (v == nullptr) throw std::invalid_argument("values is NULL");
}

void check_values(const double* v, std::size_t n, std::size_t at_least, const char* what,
                  const char* name = "value") {
  check_count(v, n, at_least, what);
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

// The order of the values: -0.0 before +0.0 (equal otherwise), so that
// which zero an order statistic is does not depend on the selection; the
// command's exact selection over 64-bit keys orders them so too.
bool before(double a, double b) { return a < b || (a == b && std::signbit(a) && !std::signbit(b)); }

// The p-quantile of s[0..n) by numpy's "linear" rule, with the order
// statistics it needs selected in place rather than the whole of s sorted.
// s[from..n) must hold the values of the sorted positions from..n - 1 (in
// any order); on return s[at..n) does, where `at` is the position of the
// lower order statistic, so that a second, larger quantile continues from it.
double select_quantile(double* s, std::size_t n, double p, std::size_t& from) {
  const QuantileRanks r = quantile_ranks(n, p);
  if (r.last) return *std::max_element(s + from, s + n, before);
  const auto i = static_cast<std::size_t>(r.below);
  std::nth_element(s + from, s + i, s + n, before);
  from = i;
  return quantile_from(r, s[i], *std::min_element(s + i + 1, s + n, before));
}

double quantile_of(double* s, std::size_t n, double p) {
  std::size_t from = 0;
  return select_quantile(s, n, p, from);
}

Interval interval_of(double* s, std::size_t n, double probability) {
  std::size_t from = 0;
  const double low = select_quantile(s, n, (1.0 - probability) / 2.0, from);
  return Interval{low, select_quantile(s, n, (1.0 + probability) / 2.0, from)};
}

// f(buffer, n) for each point of values[m * member_stride + i * point_stride]
// into out[i]: the points are gathered a few at a time, so that both
// layouts read whole cache lines.  A point with a value that is not finite
// refuses the call (nothing written) or gets bad(out[i]).
template <typename T, typename F, typename Bad>
void per_point(const double* values, std::size_t n, std::size_t points,
               std::ptrdiff_t member_stride, std::ptrdiff_t point_stride, T* out, OnBadValue on_bad,
               const char* what, F f, Bad bad) {
  if (points == 0) return;
  check_count(values, n, 1, what);
  if (out == nullptr) throw std::invalid_argument("out is NULL");
  // Up to 64 points at a time, in a buffer of at most 4 MiB.
  const std::size_t block = std::clamp<std::size_t>((std::size_t{1} << 19) / n, 1, 64);
  std::vector<double> buffer(block * n);
  std::vector<T> results(points);
  for (std::size_t first = 0; first < points; first += block) {
    const std::size_t k = std::min(block, points - first);
    for (std::size_t m = 0; m < n; ++m) {
      const double* row = values + static_cast<std::ptrdiff_t>(m) * member_stride +
                          static_cast<std::ptrdiff_t>(first) * point_stride;
      for (std::size_t j = 0; j < k; ++j) {
        buffer[j * n + m] = row[static_cast<std::ptrdiff_t>(j) * point_stride];
      }
    }
    for (std::size_t j = 0; j < k; ++j) {
      double* s = buffer.data() + j * n;
      if (detail::any_not_finite(s, n)) {
        const std::size_t point = first + j;
        if (on_bad == OnBadValue::error) {
          throw domain_error("a value is not finite at point " + std::to_string(point),
                             static_cast<std::ptrdiff_t>(point));
        }
        bad(results[point]);
        continue;
      }
      results[first + j] = f(s, n);
    }
  }
  std::copy(results.begin(), results.end(), out);
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
  std::vector<double> s(v, v + n);
  return quantile_of(s.data(), n, p);
}

Interval central_interval(const double* v, std::size_t n, Confidence c) {
  check_values(v, n, 1, "an interval");
  std::vector<double> s(v, v + n);
  return interval_of(s.data(), n, c.probability());
}

void quantile(const double* values, std::size_t n, std::size_t points, std::ptrdiff_t member_stride,
              std::ptrdiff_t point_stride, double p, double* out, OnBadValue on_bad) {
  check_probability(p);
  per_point(
      values, n, points, member_stride, point_stride, out, on_bad, "a quantile",
      [p](double* s, std::size_t k) { return quantile_of(s, k, p); },
      [](double& q) { q = std::numeric_limits<double>::quiet_NaN(); });
}

void central_interval(const double* values, std::size_t n, std::size_t points,
                      std::ptrdiff_t member_stride, std::ptrdiff_t point_stride, Confidence c,
                      Interval* out, OnBadValue on_bad) {
  const double probability = c.probability();
  per_point(
      values, n, points, member_stride, point_stride, out, on_bad, "an interval",
      [probability](double* s, std::size_t k) { return interval_of(s, k, probability); },
      [](Interval& i) { i.low = i.high = std::numeric_limits<double>::quiet_NaN(); });
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
