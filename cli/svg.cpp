// The band as an SVG plot: both bands relative to the central value,
// against x on a logarithmic axis.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "band.hpp"
#include "crmath.hpp"

namespace pdferr::cli {
namespace {

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

}  // namespace

std::string band_svg(const Setup& s, const McBand* mc) {
  const double w = 760, h = 460, left = 80, right = 20, top = 40, bottom = 60;
  const std::size_t n = s.x.size();
  // The edges of the bands, relative to the central value (1 where it is 0).
  const auto rel = [&](std::size_t p, double v) {
    return s.central[p] != 0.0 ? v / s.central[p] : 1.0;
  };
  std::vector<double> hl, hh, ml, mh;
  double lo = 1.0, hi = 1.0;
  for (std::size_t p = 0; p < n; ++p) {
    if (s.hessian) {
      hl.push_back(rel(p, s.central[p] - s.minus[p]));
      hh.push_back(rel(p, s.central[p] + s.plus[p]));
      lo = std::min(lo, hl.back());
      hi = std::max(hi, hh.back());
    }
    if (mc != nullptr) {
      ml.push_back(rel(p, mc->low[p]));
      mh.push_back(rel(p, mc->high[p]));
      lo = std::min(lo, ml.back());
      hi = std::max(hi, mh.back());
    }
  }
  const double span = std::max(hi - lo, 1e-6);
  lo -= 0.1 * span;
  hi += 0.1 * span;
  const double xlo = *std::min_element(s.x.begin(), s.x.end());
  const double xhi = *std::max_element(s.x.begin(), s.x.end());
  const double dlo = decade_of(xlo);
  const double dx = decade_of(xhi);
  const double dhi = std::max(ten_to(dx) == xhi ? dx : dx + 1.0, dlo + 1);
  const auto px = [&](double x) {
    return left + (math::log10(x) - dlo) / (dhi - dlo) * (w - left - right);
  };
  const auto py = [&](double v) { return top + (hi - v) / (hi - lo) * (h - top - bottom); };
  std::string o = format(
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%g\" height=\"%g\" "
      "font-family=\"sans-serif\" font-size=\"12\">\n",
      w, h);
  o += format("<rect width=\"%g\" height=\"%g\" fill=\"white\"/>\n", w, h);
  o += format("<text x=\"%g\" y=\"22\" font-size=\"14\">", left) + escape(s.title) + ": band at " +
       escape(s.level) + " relative to the central value</text>\n";
  const auto polygon = [&](const std::vector<double>& up, const std::vector<double>& down,
                           const char* style) {
    o += std::string("<polygon ") + style + " points=\"";
    for (std::size_t p = 0; p < n; ++p) o += format("%.2f,%.2f ", px(s.x[p]), py(up[p]));
    for (std::size_t p = n; p-- > 0;) o += format("%.2f,%.2f ", px(s.x[p]), py(down[p]));
    o += "\"/>\n";
  };
  if (mc != nullptr) polygon(mh, ml, "fill=\"#9ecae1\" fill-opacity=\"0.7\" stroke=\"none\"");
  if (s.hessian) {
    polygon(hh, hl, "fill=\"none\" stroke=\"#d62728\" stroke-width=\"2\" stroke-dasharray=\"6,4\"");
  }
  o += "<polyline fill=\"none\" stroke=\"black\" points=\"";
  for (std::size_t p = 0; p < n; ++p) o += format("%.2f,%.2f ", px(s.x[p]), py(1.0));
  o += "\"/>\n";
  // Frame, ticks and labels.
  o += format("<rect x=\"%g\" y=\"%g\" ", left, top) +
       format("width=\"%g\" height=\"%g\" fill=\"none\" stroke=\"black\"/>\n", w - left - right,
              h - top - bottom);
  for (double e = dlo; e <= dhi; e += 1.0) {
    const double x = px(ten_to(e));
    o += format("<line x1=\"%.2f\" x2=\"%.2f\" ", x, x) +
         format("y1=\"%g\" y2=\"%g\" stroke=\"black\"/>\n", h - bottom, h - bottom + 6);
    o += format("<text x=\"%.2f\" y=\"%g\" text-anchor=\"middle\">", x, h - bottom + 20) +
         format("1e%g</text>\n", e);
    for (int m = 2; m <= 9 && e < dhi; ++m) {
      const double xm = px(m * ten_to(e));
      o += format("<line x1=\"%.2f\" x2=\"%.2f\" ", xm, xm) +
           format("y1=\"%g\" y2=\"%g\" stroke=\"black\"/>\n", h - bottom, h - bottom + 3);
    }
  }
  const double raw = (hi - lo) / 5.0;
  const double decade = ten_to(decade_of(raw));
  const double step = raw / decade < 2.0   ? decade
                      : raw / decade < 5.0 ? 2.0 * decade
                                           : 5.0 * decade;
  const int digits = std::max(0, static_cast<int>(-decade_of(step)));
  for (double v = std::ceil(lo / step) * step; v <= hi; v += step) {
    o += format("<line x1=\"%g\" x2=\"%g\" ", left - 6, left) +
         format("y1=\"%.2f\" y2=\"%.2f\" stroke=\"black\"/>\n", py(v), py(v));
    char label[32];
    std::snprintf(label, sizeof label, "%.*f", digits, v);
    o += format("<text x=\"%g\" y=\"%.2f\" text-anchor=\"end\">", left - 8, py(v) + 4) + label +
         "</text>\n";
  }
  o += format("<text x=\"%g\" y=\"%g\" text-anchor=\"middle\">x</text>\n", (left + w - right) / 2,
              h - 20);
  o += format("<text x=\"20\" y=\"%g\" text-anchor=\"middle\" ", (top + h - bottom) / 2) +
       format("transform=\"rotate(-90 20 %g)\">value / central value</text>\n",
              (top + h - bottom) / 2);
  // Legend.
  double ly = top + 14;
  const double lx = w - right - 230;
  if (mc != nullptr) {
    o += format("<rect x=\"%g\" y=\"%g\" width=\"24\" height=\"10\" fill=\"#9ecae1\"/>\n", lx,
                ly - 9);
    o += format("<text x=\"%g\" y=\"%g\">Monte Carlo interval</text>\n", lx + 30, ly);
    ly += 18;
  }
  if (s.hessian) {
    o += format("<line x1=\"%g\" x2=\"%g\" ", lx, lx + 24) +
         format("y1=\"%g\" y2=\"%g\" stroke=\"#d62728\" stroke-width=\"2\" ", ly - 4, ly - 4) +
         "stroke-dasharray=\"6,4\"/>\n";
    o += format("<text x=\"%g\" y=\"%g\">Hessian band (plus, minus)</text>\n", lx + 30, ly);
    ly += 18;
  }
  o += format("<line x1=\"%g\" x2=\"%g\" ", lx, lx + 24) +
       format("y1=\"%g\" y2=\"%g\" stroke=\"black\"/>\n", ly - 4, ly - 4);
  o += format("<text x=\"%g\" y=\"%g\">central value</text>\n", lx + 30, ly);
  o += "</svg>\n";
  return o;
}

}  // namespace pdferr::cli
