#include "pds_writer.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "crmath.hpp"

namespace testsupport {
namespace {

std::string real_text(double v, const PdsFormat& f) {
  char buf[40];
  if (f.d_exponents) {
    std::snprintf(buf, sizeof buf, "%.16E", v);
    for (char* p = buf; *p != '\0'; ++p) {
      if (*p == 'E') *p = 'D';
    }
  } else {
    std::snprintf(buf, sizeof buf, "%.17g", v);
  }
  return buf;
}

// Appends the items of one record, per_line to a line, ending its last line
// (with the remark when asked for).
void record(std::string& out, const std::vector<std::string>& items, int per_line,
            const PdsFormat& f) {
  const std::string_view sep = f.commas ? ", " : " ";
  for (std::size_t k = 0; k < items.size(); ++k) {
    const bool line_start = k % static_cast<std::size_t>(per_line) == 0;
    if (line_start && k > 0) out += f.commas ? ",\n" : "\n";
    out += line_start ? " " : std::string(sep);
    out += items[k];
  }
  if (f.trailing_text) out += "   remark after the last value";
  out += '\n';
}

}  // namespace

std::int64_t pds_npts(const PdsTable& t) {
  return std::int64_t{t.nx + 1} * (t.nt + 1) * (std::int64_t{t.mxflvn0} + 1 + t.mxval);
}

void set_nodes(PdsTable& t, std::int32_t nx, std::int32_t nt) {
  t.nx = nx;
  t.nt = nt;
  t.xv.clear();
  const double umin = pdferr::math::pow03(t.xmin);
  for (int i = 1; i <= nx; ++i) {
    const double u = umin + (1.0 - umin) * (i - 1) / (nx - 1);
    t.xv.push_back(i == nx ? 1.0 : pdferr::math::power(u, 1.0 / 0.3));
  }
  t.tv.clear();
  t.pair_first.clear();
  const double t0 = pdferr::math::log(pdferr::math::log(t.qini / t.alambda));
  const double t1 = pdferr::math::log(pdferr::math::log(t.qmax / t.alambda));
  for (int i = 0; i <= nt; ++i) {
    t.tv.push_back(t0 + (t1 - t0) * i / nt);
    t.pair_first.push_back(t.qini *
                           pdferr::math::power(t.qmax / t.qini, static_cast<double>(i) / nt));
  }
}

double quadratic_value(int ip, double x, double t) {
  const double u = pdferr::math::pow03(x);
  return (1.0 + 0.125 * ip) * (0.5 + 2.0 * u - 1.5 * u * u) * (1.0 + 0.25 * t + 0.0625 * t * t);
}

double realistic_value(int ip, double x, double t) {
  if (x <= 0.0) return 0.0;
  const double norm = 0.3 + 0.05 * (ip < 0 ? -ip : ip) + (ip > 0 ? 0.2 : 0.0);
  // (1 - x)^(3 + t / 2), which is 0 at x = 1.
  const double tail = x < 1.0 ? pdferr::math::power(1.0 - x, 3.0 + 0.5 * t) : 0.0;
  return norm * pdferr::math::power(x, -1.2) * tail * (1.0 + 0.1 * t);
}

PdsTable make_table(std::int32_t nx, std::int32_t nt, std::int32_t mxflvn0, std::int32_t mxval,
                    double (*fn)(int, double, double)) {
  PdsTable t;
  t.mxflvn0 = mxflvn0;
  t.mxval = mxval;
  set_nodes(t, nx, nt);
  const auto nodes_x = static_cast<std::size_t>(nx);
  const auto nodes_t = static_cast<std::size_t>(nt);
  for (int ip = -mxflvn0; ip <= mxval; ++ip) {
    for (std::size_t iq = 0; iq <= nodes_t; ++iq) {
      for (std::size_t ix = 0; ix <= nodes_x; ++ix) {
        double v = ix == 0 ? fn(ip, 0.0, t.tv[iq]) : fn(ip, t.xv[ix - 1], t.tv[iq]);
        if (!std::isfinite(v)) v = 0.0;
        t.values.push_back(v);
      }
    }
  }
  return t;
}

std::string pds_text(const PdsTable& t, const PdsFormat& f) {
  std::string out;
  out += " Synthetic parton density table of known content\n";
  out += "  Ordr, Nfl, lambda, masses\n";
  std::vector<std::string> a = {real_text(t.r1, f), real_text(t.r2, f), real_text(t.alambda, f)};
  for (double m : t.mass) a.push_back(real_text(m, f));
  record(out, a, f.split_a ? 4 : 9, f);
  out += "  IOrd, alphas, Q, MxFlvN0, mxval, Nfl\n";
  record(out,
         {std::to_string(t.qcdi1), real_text(t.qcdr1, f), real_text(t.qcdr2, f),
          std::to_string(t.mxflvn0), std::to_string(t.mxval), std::to_string(t.unused_b)},
         6, f);
  out += "  NX, NT, NfMx, Ng, unused\n";
  record(out,
         {std::to_string(t.nx), std::to_string(t.nt), std::to_string(t.unused_c3),
          std::to_string(t.ng), std::to_string(t.unused_c5)},
         5, f);
  const std::int64_t comments =
      f.comment_lines >= 0 ? f.comment_lines : (t.ng + 2 < 1 ? 1 : t.ng + 2);
  for (std::int64_t k = 0; k < comments; ++k) out += "  comment line " + std::to_string(k) + "\n";
  std::vector<std::string> d = {real_text(t.qini, f), real_text(t.qmax, f)};
  for (std::size_t i = 0; i < t.tv.size(); ++i) {
    d.push_back(real_text(t.pair_first[i], f));
    d.push_back(real_text(t.tv[i], f));
  }
  record(out, d, f.per_line, f);
  out += "  X nodes\n";
  std::vector<std::string> e = {real_text(t.xmin, f), real_text(t.e_second, f)};
  for (double x : t.xv) e.push_back(real_text(x, f));
  record(out, e, f.per_line, f);
  out += "  Table values\n";
  std::vector<std::string> v;
  v.reserve(t.values.size());
  for (double x : t.values) v.push_back(real_text(x, f));
  record(out, v, f.per_line, f);
  return out;
}

}  // namespace testsupport
