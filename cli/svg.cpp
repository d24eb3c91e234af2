// The band as an SVG plot against x on a logarithmic axis: the values
// above, the same divided by the central value below.  A quick look; for a
// talk, python3 -m pdferr.plot draws the CSV.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "band.hpp"
#include "crmath.hpp"

namespace pdferr::cli {
namespace {

// 10^e for a whole number e: exact where 10^e is a double (|e| <= 22);
// 0 or infinity beyond the range of doubles.
double ten_to(double e) {
  double p = 1.0;
  for (double i = 0; i < std::fabs(e) && std::isfinite(p); i += 1.0) p *= 10.0;
  return e < 0 ? 1.0 / p : p;
}

// The decade of v > 0: the whole e with 10^e <= v < 10^(e + 1), as far as
// ten_to() gives the powers.
double decade_of(double v) {
  double e = std::floor(math::log10(v));
  if (ten_to(e) > v) e -= 1.0;
  if (ten_to(e + 1.0) <= v) e += 1.0;
  return e;
}

std::string format(const char* f, double a, double b = 0.0) {
  char buf[256];
  const int n = std::snprintf(buf, sizeof buf, f, a, b);
  return std::string(buf, static_cast<std::size_t>(std::min(n, static_cast<int>(sizeof buf) - 1)));
}

std::string escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else if (c == '&') {
      out += "&amp;";
    } else {
      out += c;
    }
  }
  return out;
}

// 10 to the power e (an integer), as 10 with a raised exponent; the minus
// sign is U+2212.
std::string power_of_ten(double e) {
  const std::string digits = format("%g", std::fabs(e));
  return "10<tspan dy=\"-6\" font-size=\"9\">" + std::string(e < 0 ? "\u2212" : "") + digits +
         "</tspan>";
}

// "Q2 = 100 GeV²", or the range of a scale that varies.
std::string scale_text(const BandInputs& s) {
  const auto [low, high] = std::minmax_element(s.given.begin(), s.given.end());
  const std::string unit = s.scale == "Q2" ? " GeV\u00b2" : " GeV";
  if (*low == *high) return s.scale + " = " + number(*low) + unit;
  return s.scale + " from " + number(*low) + " to " + number(*high) + unit;
}

// One panel: curves of (x, y) with NaN as gaps, in the box [left, right] x
// [top, bottom] of the picture, y from lo to hi.
struct Panel {
  double left, right, top, bottom, lo, hi, dlo, dhi;
  double px(double x) const { return left + (math::log10(x) - dlo) / (dhi - dlo) * (right - left); }
  double py(double v) const { return top + (hi - v) / (hi - lo) * (bottom - top); }
};

// Runs of consecutive points where every one of the curves is a number.
std::vector<std::pair<std::size_t, std::size_t>> runs(
    std::size_t n, const std::vector<const std::vector<double>*>& curves) {
  std::vector<std::pair<std::size_t, std::size_t>> out;
  std::size_t p = 0;
  while (p < n) {
    const auto good = [&](std::size_t q) {
      return std::all_of(curves.begin(), curves.end(),
                         [q](const std::vector<double>* c) { return !std::isnan((*c)[q]); });
    };
    while (p < n && !good(p)) ++p;
    const std::size_t first = p;
    while (p < n && good(p)) ++p;
    if (p > first) out.emplace_back(first, p);
  }
  return out;
}

// The y range of the curves (NaN left out), widened by a tenth each way.
void y_range(const std::vector<const std::vector<double>*>& curves, double& lo, double& hi) {
  lo = std::numeric_limits<double>::infinity();
  hi = -lo;
  for (const auto* c : curves) {
    for (double v : *c) {
      if (std::isnan(v)) continue;
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
  }
  if (lo > hi) lo = hi = 1.0;
  const double span = std::max(hi - lo, 1e-6 * std::max(1.0, std::fabs(hi)));
  lo -= 0.1 * span;
  hi += 0.1 * span;
}

// The y ticks and labels of a panel: steps of 1, 2 or 5 times a power of ten.
void y_ticks(std::string& o, const Panel& p) {
  const double raw = (p.hi - p.lo) / 4.0;
  const double decade = ten_to(decade_of(raw));
  const double step = raw / decade < 2.0   ? decade
                      : raw / decade < 5.0 ? 2.0 * decade
                                           : 5.0 * decade;
  const int digits = std::max(0, static_cast<int>(-decade_of(step)));
  for (double k = std::ceil(p.lo / step); k * step <= p.hi; k += 1.0) {
    const double v = k * step + 0.0;  // no "-0"
    o += format("<line x1=\"%g\" x2=\"%g\" ", p.left - 6, p.left) +
         format("y1=\"%.2f\" y2=\"%.2f\" stroke=\"black\"/>\n", p.py(v), p.py(v));
    char label[40];
    if (std::fabs(v) >= 1e5 || (v != 0.0 && std::fabs(v) < 1e-3)) {
      std::snprintf(label, sizeof label, "%.3g", v);
    } else {
      std::snprintf(label, sizeof label, "%.*f", digits, v);
    }
    o += format("<text x=\"%g\" y=\"%.2f\" text-anchor=\"end\">", p.left - 8, p.py(v) + 4) + label +
         "</text>\n";
  }
}

}  // namespace

std::string band_svg(const BandInputs& s, const pdferr::uncertainty::McColumns* mc) {
  const double w = 760, h = 560, left = 90, right = 20;
  const std::size_t n = s.x.size();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  // Each curve in values, and divided by the central value (none where it is 0).
  std::vector<double> central = s.central, hl, hh, ml, mh;
  // The interval: the Monte Carlo band's, or the replicas'.
  const bool interval = mc != nullptr || s.replica;
  for (std::size_t p = 0; p < n; ++p) {
    if (s.hessian) {
      hl.push_back(s.central[p] - s.minus[p]);
      hh.push_back(s.central[p] + s.plus[p]);
    }
    if (mc != nullptr) {
      ml.push_back(mc->low[p]);
      mh.push_back(mc->high[p]);
    } else if (s.replica) {
      ml.push_back(s.replicas.low[p]);
      mh.push_back(s.replicas.high[p]);
    }
  }
  const auto ratio = [&](const std::vector<double>& v) {
    std::vector<double> r(v.size());
    for (std::size_t p = 0; p < v.size(); ++p)
      r[p] = s.central[p] != 0.0 ? v[p] / s.central[p] : nan;
    return r;
  };
  const double xlo = *std::min_element(s.x.begin(), s.x.end());
  const double xhi = *std::max_element(s.x.begin(), s.x.end());
  const double dlo = decade_of(xlo);
  const double dx = decade_of(xhi);
  const double dhi = std::max(ten_to(dx) == xhi ? dx : dx + 1.0, dlo + 1);

  std::string o = format(
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%g\" height=\"%g\" "
      "font-family=\"sans-serif\" font-size=\"12\">\n",
      w, h);
  o += format("<rect width=\"%g\" height=\"%g\" fill=\"white\"/>\n", w, h);
  o += format("<text x=\"%g\" y=\"22\" font-size=\"14\">", left) + escape(s.title) + ", " +
       escape(scale_text(s)) + ", bands at " + escape(s.level) + "</text>\n";

  const auto draw = [&](const Panel& p, const std::vector<double>& c, const std::vector<double>& lo,
                        const std::vector<double>& hi, const std::vector<double>& mlo,
                        const std::vector<double>& mhi, const char* label) {
    const auto polyline = [&](const std::vector<double>& v, std::size_t a, std::size_t b,
                              const char* style) {
      o += std::string("<polyline fill=\"none\" ") + style + " points=\"";
      for (std::size_t q = a; q < b; ++q) o += format("%.2f,%.2f ", p.px(s.x[q]), p.py(v[q]));
      o += "\"/>\n";
    };
    if (interval) {
      for (const auto& [a, b] : runs(n, {&mhi, &mlo})) {
        o += "<polygon fill=\"#9ecae1\" fill-opacity=\"0.7\" stroke=\"none\" points=\"";
        for (std::size_t q = a; q < b; ++q) o += format("%.2f,%.2f ", p.px(s.x[q]), p.py(mhi[q]));
        for (std::size_t q = b; q-- > a;) o += format("%.2f,%.2f ", p.px(s.x[q]), p.py(mlo[q]));
        o += "\"/>\n";
      }
    }
    if (s.hessian) {
      // The two edges alone: no closing lines at the ends.
      const char* style = "stroke=\"#d62728\" stroke-width=\"2\" stroke-dasharray=\"6,4\"";
      for (const auto* edge : {&hi, &lo}) {
        for (const auto& [a, b] : runs(n, {edge})) polyline(*edge, a, b, style);
      }
    }
    for (const auto& [a, b] : runs(n, {&c})) polyline(c, a, b, "stroke=\"black\"");
    o += format("<rect x=\"%g\" y=\"%g\" ", p.left, p.top) +
         format("width=\"%g\" height=\"%g\" fill=\"none\" stroke=\"black\"/>\n", p.right - p.left,
                p.bottom - p.top);
    y_ticks(o, p);
    const double mid = (p.top + p.bottom) / 2;
    o += format("<text x=\"20\" y=\"%g\" text-anchor=\"middle\" ", mid) +
         format("transform=\"rotate(-90 20 %g)\">", mid) + label + "</text>\n";
  };
  std::vector<const std::vector<double>*> curves{&central};
  for (const auto* v : {&hl, &hh, &ml, &mh}) {
    if (!v->empty()) curves.push_back(v);
  }
  Panel values{left, w - right, 50, 300, 0, 0, dlo, dhi};
  y_range(curves, values.lo, values.hi);
  const std::string what = s.title.substr(s.title.rfind(", ") + 2);
  draw(values, central, hl, hh, ml, mh, escape(what).c_str());

  const std::vector<double> rc = ratio(central), rhl = ratio(hl), rhh = ratio(hh), rml = ratio(ml),
                            rmh = ratio(mh);
  Panel ratios{left, w - right, 310, h - 60, 0, 0, dlo, dhi};
  y_range({&rc, &rhl, &rhh, &rml, &rmh}, ratios.lo, ratios.hi);
  draw(ratios, rc, rhl, rhh, rml, rmh, "value / central value");

  // x ticks at the powers of ten, and at their multiples unlabelled.
  for (double e = dlo; e <= dhi; e += 1.0) {
    const double x = ratios.px(ten_to(e));
    for (const Panel* p : {&values, &ratios}) {
      o += format("<line x1=\"%.2f\" x2=\"%.2f\" ", x, x) +
           format("y1=\"%g\" y2=\"%g\" stroke=\"black\"/>\n", p->bottom, p->bottom - 6);
    }
    o += format("<text x=\"%.2f\" y=\"%g\" text-anchor=\"middle\">", x, ratios.bottom + 20) +
         power_of_ten(e) + "</text>\n";
    for (int m = 2; m <= 9 && e < dhi; ++m) {
      const double xm = ratios.px(m * ten_to(e));
      for (const Panel* p : {&values, &ratios}) {
        o += format("<line x1=\"%.2f\" x2=\"%.2f\" ", xm, xm) +
             format("y1=\"%g\" y2=\"%g\" stroke=\"black\"/>\n", p->bottom, p->bottom - 3);
      }
    }
  }
  o += format("<text x=\"%g\" y=\"%g\" text-anchor=\"middle\">x</text>\n", (left + w - right) / 2,
              h - 20);
  // Legend: one row between the title and the panels.
  double lx = left;
  const double ly = 38;
  const auto entry = [&](const std::string& mark, const std::string& text) {
    o += mark + format("<text x=\"%g\" y=\"%g\">", lx + 30, ly) + text + "</text>\n";
    lx += 30 + 7 * static_cast<double>(text.size()) + 20;
  };
  if (interval) {
    entry(format("<rect x=\"%g\" y=\"%g\" width=\"24\" height=\"10\" fill=\"#9ecae1\"/>\n", lx,
                 ly - 9),
          mc != nullptr ? "Monte Carlo interval, " + std::to_string(s.draws) + " draws"
                        : "replica interval, " + std::to_string(s.replicas.count) + " replicas");
  }
  if (s.hessian) {
    entry(format("<line x1=\"%g\" x2=\"%g\" ", lx, lx + 24) +
              format("y1=\"%g\" y2=\"%g\" stroke=\"#d62728\" stroke-width=\"2\" ", ly - 4, ly - 4) +
              "stroke-dasharray=\"6,4\"/>\n",
          "Hessian band (plus, minus)");
  }
  entry(format("<line x1=\"%g\" x2=\"%g\" ", lx, lx + 24) +
            format("y1=\"%g\" y2=\"%g\" stroke=\"black\"/>\n", ly - 4, ly - 4),
        "central value");
  o += "</svg>\n";
  return o;
}

}  // namespace pdferr::cli
