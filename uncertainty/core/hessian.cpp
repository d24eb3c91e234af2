// The Hessian formulas over eigenvector pairs.
#include <cmath>
#include <cstddef>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "finite.hpp"
#include "pdferr/uncertainty.hpp"

namespace pdferr::uncertainty {
namespace {

// Points are taken this many at a time: the three sums of a chunk (24 KiB)
// stay in the first-level cache while each member's values stream past in
// one contiguous run.
constexpr std::size_t chunk = 1024;

// The errors at points [0, n) of a chunk whose member m, point i value is
// v[m * stride + i]: the three sums run over k ascending, each point on its
// own, so a vector lane per point gives the bits of one point alone.
void hessian_chunk(const double* v, std::size_t stride, std::size_t pairs, std::size_t n,
                   HessianErrors* out) {
  double sym[chunk], up[chunk], down[chunk];
  for (std::size_t i = 0; i < n; ++i) sym[i] = up[i] = down[i] = 0.0;
  for (std::size_t k = 1; k <= pairs; ++k) {
    const double* f0 = v;
    const double* fp = v + (2 * k - 1) * stride;
    const double* fm = v + 2 * k * stride;
    for (std::size_t i = 0; i < n; ++i) {
      const double d = fp[i] - fm[i];
      sym[i] = sym[i] + d * d;
      const double p = fp[i] - f0[i];
      const double m = fm[i] - f0[i];
      // u = max(p, m, 0), and w = min(p, m, 0) = -max(-p, -m, 0), whose
      // square is the same (F0 - F+k is -(F+k - F0) exactly).  The clamp at
      // 0 is written as 0.5 (h + |h|): h + |h| is 2h or 0 and halving is
      // exact (above half the largest double, 2h is infinite, and so is the
      // square of h either way), so that the loop has no branch for random
      // signs to mispredict and runs in vector lanes.
      const double hi = p > m ? p : m;
      const double lo = p > m ? m : p;
      const double u = 0.5 * (hi + std::fabs(hi));
      const double w = 0.5 * (lo - std::fabs(lo));
      up[i] = up[i] + u * u;
      down[i] = down[i] + w * w;
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    out[i] = HessianErrors{0.5 * std::sqrt(sym[i]), std::sqrt(up[i]), std::sqrt(down[i])};
  }
}

// The first point at which a member's value is not finite, or points.
std::size_t first_bad_point(const double* values, std::size_t members, std::size_t points,
                            std::size_t& member) {
  std::size_t first = points;
  for (std::size_t m = 0; m < members; ++m) {
    for (std::size_t i = 0; i < first; ++i) {
      if (!std::isfinite(values[m * points + i])) {
        first = i;
        member = m;
        break;
      }
    }
  }
  return first;
}

std::string member_name(std::size_t m) {
  if (m == 0) return "the central member";
  return "member " + std::string((m % 2) != 0 ? "+" : "-") + std::to_string((m + 1) / 2);
}

}  // namespace

void hessian(const double* values, std::size_t pairs, std::size_t points, HessianErrors* out,
             OnBadValue on_bad) {
  if (points == 0) return;
  if (values == nullptr || out == nullptr) throw std::invalid_argument("values or out is NULL");
  const std::size_t members = 2 * pairs + 1;
  // The points are searched only when some value is not finite.
  std::size_t member = 0;
  const std::size_t bad = detail::any_not_finite(values, members * points)
                              ? first_bad_point(values, members, points, member)
                              : points;
  if (bad < points && on_bad == OnBadValue::error) {
    throw domain_error(member_name(member) + " is not finite at point " + std::to_string(bad),
                       static_cast<std::ptrdiff_t>(bad));
  }
  for (std::size_t i = 0; i < points; i += chunk) {
    const std::size_t n = points - i < chunk ? points - i : chunk;
    hessian_chunk(values + i, points, pairs, n, out + i);
  }
  if (bad == points) return;
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  for (std::size_t i = bad; i < points; ++i) {
    for (std::size_t m = 0; m < members; ++m) {
      if (!std::isfinite(values[m * points + i])) {
        out[i] = HessianErrors{nan, nan, nan};
        break;
      }
    }
  }
}

HessianErrors hessian(const double* values, std::size_t pairs) {
  if (values == nullptr) throw std::invalid_argument("values is NULL");
  for (std::size_t m = 0; m < 2 * pairs + 1; ++m) {
    if (!std::isfinite(values[m])) throw domain_error(member_name(m) + " is not finite");
  }
  HessianErrors e;
  hessian_chunk(values, 1, pairs, 1, &e);
  return e;
}

HessianErrors rescale(const HessianErrors& errors, Confidence from, Confidence to) {
  const double r = rescale_factor(from, to);
  return HessianErrors{errors.symmetric / r, errors.plus / r, errors.minus / r};
}

double hessian_correlation(const double* x, const double* y, std::size_t pairs) {
  if (x == nullptr || y == nullptr) throw std::invalid_argument("x or y is NULL");
  for (std::size_t m = 0; m < 2 * pairs + 1; ++m) {
    if (!std::isfinite(x[m])) throw domain_error("x at " + member_name(m) + " is not finite");
    if (!std::isfinite(y[m])) throw domain_error("y at " + member_name(m) + " is not finite");
  }
  double sxy = 0.0, sxx = 0.0, syy = 0.0;
  for (std::size_t k = 1; k <= pairs; ++k) {
    const double dx = x[2 * k - 1] - x[2 * k];
    const double dy = y[2 * k - 1] - y[2 * k];
    sxy = sxy + dx * dy;
    sxx = sxx + dx * dx;
    syy = syy + dy * dy;
  }
  return sxy / (std::sqrt(sxx) * std::sqrt(syy));
}

}  // namespace pdferr::uncertainty
