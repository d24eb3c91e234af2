#include "nodes.hpp"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "crmath.hpp"
#include "data.hpp"
#include "pdferr/grid_member.hpp"

namespace pdferr::cli {
namespace {

// Points looked at inside each interval, equally spaced.
constexpr int inner_points = 7;

// The intervals of one flavour and direction that show one fault.
struct Finding {
  std::size_t count = 0;
  std::string first;
  void add(const std::string& where) {
    if (count++ == 0) first = where;
  }
};

// The interval between nodes of values a and b, whose inner points value(s)
// gives for s in (0, 1): zero on all of them beside a node of non-zero
// value (whole), or zero somewhere between two positive nodes (clamped).
void classify(double a, double b, const std::function<double(double)>& value,
              const std::string& where, Finding& whole, Finding& clamped) {
  int zeros = 0;
  for (int k = 1; k <= inner_points; ++k) {
    if (value(static_cast<double>(k) / (inner_points + 1)) == 0.0) ++zeros;
  }
  if (zeros == inner_points && (a != 0.0 || b != 0.0)) {
    whole.add(where);
  } else if (zeros > 0 && a > 0.0 && b > 0.0) {
    clamped.add(where);
  }
}

std::string report(int flavour, const char* along, bool whole, const Finding& f) {
  return "flavour " + std::to_string(flavour) + ": the interpolation along " + along +
         (whole ? " is zero on the whole interval " : " clamps to zero ") + f.first +
         (whole ? ", beside a node of non-zero value" : "") + " (" + std::to_string(f.count) +
         (f.count == 1 ? " interval" : " intervals in all") +
         "): the nodes are too coarse for the values there";
}

}  // namespace

std::size_t matching_node(double v, const double* nodes, std::size_t n) {
  std::size_t best = n;
  double distance = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const double d = std::fabs(v - nodes[i]);
    if (best == n || d < distance) {
      best = i;
      distance = d;
    }
  }
  if (best == n || !(distance <= node_tolerance * nodes[best])) return n;
  return best;
}

std::string grid_x_decimals() {
  std::string out;
  const double* x = pdferr::GridMember::x_nodes();
  for (int i = 0; i < pdferr::GridMember::x_node_count(); ++i) {
    char buf[32];
    const auto single = static_cast<float>(x[i]);
    const auto r = static_cast<double>(single) == x[i]
                       ? std::to_chars(buf, buf + sizeof buf, single)
                       : std::to_chars(buf, buf + sizeof buf, x[i]);
    if (i != 0) out += ' ';
    out.append(buf, r.ptr);
  }
  return out;
}

std::vector<std::string> coarse_node_warnings(const pdferr::TableSet& t) {
  const int nx = t.nx(), nt = t.nt(), mf = t.MxFlvN0();
  const double alambda = t.alambda();
  const double* xn = t.x_nodes();
  const double* tn = t.t_nodes();
  const auto q_of = [alambda](double tv) { return alambda * math::exp(math::exp(tv)); };
  const auto in_domain = [alambda](double q) {
    return std::isfinite(q) && q >= 0.3 && q > alambda;
  };
  std::vector<double> qn;
  for (int j = 0; j <= nt; ++j) qn.push_back(q_of(tn[j]));
  pdferr::TableSet::Cache cache;
  std::vector<std::string> out;
  for (int f = -mf; f <= mf; ++f) {
    const auto value = [&](double x, double q) { return t.value(cache, f, x, q); };
    Finding x_whole, x_clamped, t_whole, t_clamped;
    for (int j = 0; j <= nt; ++j) {
      if (!in_domain(qn[j])) continue;
      for (int i = 1; i < nx; ++i) {
        const double xa = xn[i], xb = xn[i + 1];
        classify(
            value(xa, qn[j]), value(xb, qn[j]),
            [&](double s) { return value(xa + s * (xb - xa), qn[j]); },
            "between x " + number(xa) + " and " + number(xb) + " at Q " + number(qn[j]), x_whole,
            x_clamped);
      }
    }
    for (int i = 1; i <= nx; ++i) {
      for (int j = 0; j < nt; ++j) {
        if (!in_domain(qn[j]) || !in_domain(qn[j + 1])) continue;
        const double ta = tn[j], tb = tn[j + 1];
        classify(
            value(xn[i], qn[j]), value(xn[i], qn[j + 1]),
            [&](double s) {
              const double q = q_of(ta + s * (tb - ta));
              return in_domain(q) ? value(xn[i], q) : -1.0;
            },
            "between Q " + number(qn[j]) + " and " + number(qn[j + 1]) + " at x " + number(xn[i]),
            t_whole, t_clamped);
      }
    }
    if (x_clamped.count > 0) out.push_back(report(f, "x", false, x_clamped));
    if (x_whole.count > 0) out.push_back(report(f, "x", true, x_whole));
    if (t_clamped.count > 0) out.push_back(report(f, "t", false, t_clamped));
    if (t_whole.count > 0) out.push_back(report(f, "t", true, t_whole));
  }
  return out;
}

}  // namespace pdferr::cli
