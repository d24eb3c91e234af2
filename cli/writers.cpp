#include "writers.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <system_error>
#include <vector>

#include "crmath.hpp"

#include "data.hpp"
#include "nodes.hpp"
#include "pdferr/grid_member.hpp"
#include "pdferr/table_set.hpp"
#include "pdferr/version.h"

namespace pdferr::cli {
namespace {

// The shortest decimal that reads back to v.
std::string real(double v) { return number(v); }

// One record, six values a line.
void record(std::string& out, const std::vector<std::string>& items) {
  for (std::size_t k = 0; k < items.size(); ++k) {
    out += (k % 6 == 0 && k > 0) ? "\n " : " ";
    out += items[k];
  }
  out += '\n';
}

struct Table {
  double alambda = 0.2;
  int mxflvn0 = 5, mxval = 2;
  std::vector<double> x;       // nodes 0..nx, x[0] = 0
  std::vector<double> q;       // the Q of t nodes 0..nt
  std::vector<double> values;  // x fastest, then t, then slot
};

std::string table_text(const Table& t) {
  const int nx = static_cast<int>(t.x.size()) - 1, nt = static_cast<int>(t.q.size()) - 1;
  std::string out = " Table set written by pdferr " + std::string(pdferr_version()) +
                    " make-table (synthetic or user data)\n"
                    "  r1  r2  alambda  masses 1..6\n";
  record(out, {"2", "5", real(t.alambda), "0", "0", "0", "1.3", "4.5", "174"});
  out += "  qcdi1  qcdr1  qcdr2  MxFlvN0  mxval  unused\n";
  record(out, {"2", "0.118", "91.1876", std::to_string(t.mxflvn0), std::to_string(t.mxval), "0"});
  out += "  nx  nt  unused  ng  unused\n";
  record(out, {std::to_string(nx), std::to_string(nt), "0", "0", "0"});
  out += "  (ng + 2 = 2 text lines)\n  qini  qmax, then (Q, t) per t node\n";
  std::vector<std::string> d = {real(t.q.front()), real(t.q.back())};
  for (double q : t.q) {
    d.push_back(real(q));
    d.push_back(real(math::log(math::log(q / t.alambda))));
  }
  record(out, d);
  out += "  xmin  unused, then x nodes 1..nx\n";
  std::vector<std::string> e = {real(t.x[1]), "0"};
  for (int i = 1; i <= nx; ++i) e.push_back(real(t.x[i]));
  record(out, e);
  out += "  values: x node fastest, then t node, then slot -MxFlvN0..mxval\n";
  std::vector<std::string> f;
  for (double v : t.values) f.push_back(real(v));
  record(out, f);
  return out;
}

double table_model_value(int ip, double x, double q, double alambda, double vary) {
  if (x <= 0.0) return 0.0;
  const double t = math::log(math::log(q / alambda));
  const double norm = 0.3 + 0.05 * std::abs(ip) + (ip > 0 ? 0.2 : 0.0);
  // (1 - x)^(3 + t / 2), which is 0 at x = 1.
  const double tail = x < 1.0 ? math::power(1.0 - x, 3.0 + 0.5 * t) : 0.0;
  return norm * math::power(x, -1.2) * tail * (1.0 + 0.1 * t) * (1.0 + vary * (1.0 - 2.0 * x));
}

std::string trim(const std::string& s) {
  const auto a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return "";
  return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

// The rows of a CSV file: the header's fields and each line's numbers.
struct Csv {
  std::vector<std::string> header;
  std::vector<long> line;
  std::vector<std::vector<double>> rows;
};

Csv read_csv(const std::string& path) {
  Csv c;
  for (const auto& [n, t] : content_lines(path)) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
      const auto comma = t.find(',', start);
      fields.push_back(trim(t.substr(start, comma - start)));
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
    if (c.header.empty()) {
      c.header = fields;
      continue;
    }
    if (fields.size() != c.header.size()) {
      throw Failure(path + ", line " + std::to_string(n) + ", " + c.header[0] + ": " +
                    std::to_string(fields.size()) + " fields where the header has " +
                    std::to_string(c.header.size()));
    }
    std::vector<double> row;
    for (std::size_t k = 0; k < fields.size(); ++k) {
      double v = 0.0;
      const char* end = fields[k].data() + fields[k].size();
      const auto r = std::from_chars(fields[k].data(), end, v);
      if (fields[k].empty() || r.ec != std::errc() || r.ptr != end || !std::isfinite(v)) {
        throw Failure(path + ", line " + std::to_string(n) + ", " + c.header[k] + ": \"" +
                      fields[k] + "\" is not a finite number");
      }
      row.push_back(v);
    }
    c.rows.push_back(row);
    c.line.push_back(n);
  }
  if (c.header.empty()) throw Failure(path + ", line 0: no header line");
  return c;
}

[[noreturn]] void refuse(const std::string& path, long line, const std::string& field,
                         const std::string& why) {
  throw Failure(path + ", line " + std::to_string(line) + ", " + field + ": " + why);
}

std::string grid_field(double v) {
  // The most digits that fit 11 columns, so that a blank parts the
  // fields: one more digit than 1PE12.4 writes.
  for (int digits = 6; digits >= 1; --digits) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.*E", digits - 1, v);
    const std::string s = buf;
    if (s.size() <= 11) return std::string(12 - s.size(), ' ') + s;
  }
  return "  0.0000E+00";
}

std::string grid_text(const std::vector<double>& values) {  // (i, j, c), c fastest
  std::string out;
  for (std::size_t line = 0; line < values.size() / 6; ++line) {
    for (int c = 0; c < 6; ++c) out += grid_field(values[line * 6 + c]);
    out += '\n';
  }
  return out;
}

constexpr int grid_x_lines = 46, grid_q_lines = 30;

}  // namespace

std::string table_model(double alambda, double vary) {
  Table t;
  t.alambda = alambda;
  t.x.push_back(0.0);
  const double umin = math::pow03(1e-5);
  for (int i = 1; i <= 60; ++i) {
    const double u = umin + (1.0 - umin) * (i - 1) / 59.0;
    t.x.push_back(i == 1 ? 1e-5 : i == 60 ? 1.0 : math::power(u, 1.0 / 0.3));
  }
  for (int i = 0; i <= 16; ++i) t.q.push_back(1.3 * math::power(1e4 / 1.3, i / 16.0));
  for (int ip = -t.mxflvn0; ip <= t.mxval; ++ip) {
    for (double q : t.q) {
      for (double x : t.x) t.values.push_back(table_model_value(ip, x, q, alambda, vary));
    }
  }
  return table_text(t);
}

std::string table_from_csv(const std::string& path, double alambda) {
  const Csv c = read_csv(path);
  Table t;
  t.alambda = alambda;
  // The header: x, Q, then slots -M..V in order.
  const std::size_t slots = c.header.size() < 3 ? 0 : c.header.size() - 2;
  int first = 0;
  const bool named =
      slots > 0 && c.header[0] == "x" && c.header[1] == "Q" && c.header[2].size() > 1 &&
      c.header[2][0] == 's' &&
      std::from_chars(c.header[2].data() + 1, c.header[2].data() + c.header[2].size(), first).ec ==
          std::errc();
  bool consecutive = named && first <= 0;
  for (std::size_t k = 0; consecutive && k < slots; ++k) {
    const std::string slot = std::to_string(first + static_cast<int>(k));
    consecutive = c.header[2 + k].size() == slot.size() + 1 && c.header[2 + k][0] == 's' &&
                  c.header[2 + k].compare(1, std::string::npos, slot) == 0;
  }
  if (!consecutive || first + static_cast<int>(slots) - 1 < 0) {
    refuse(path, 1, "header",
           "want x,Q,s-M,...,sV: the flavour slots -M..V in order, from a slot at or below 0 to "
           "one at or above 0");
  }
  t.mxflvn0 = -first;
  t.mxval = first + static_cast<int>(slots) - 1;
  std::vector<double> xs, qs;
  for (const auto& r : c.rows) {
    xs.push_back(r[0]);
    qs.push_back(r[1]);
  }
  std::sort(xs.begin(), xs.end());
  xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
  std::sort(qs.begin(), qs.end());
  qs.erase(std::unique(qs.begin(), qs.end()), qs.end());
  const bool has_zero = !xs.empty() && xs[0] == 0.0;
  if (!has_zero) xs.insert(xs.begin(), 0.0);
  t.x = xs;
  t.q = qs;
  const std::size_t nxp = xs.size(), ntp = qs.size();
  if (nxp - 1 < 3 || nxp - 1 > 201 || ntp - 1 < 3 || ntp - 1 > 25) {
    refuse(path, 0, "nodes",
           std::to_string(nxp - 1) + " x nodes above 0 and " + std::to_string(ntp) +
               " Q nodes: a table takes 3..201 x nodes above 0 and 4..26 Q nodes");
  }
  if (nxp * ntp * slots > 55275) {
    refuse(path, 0, "nodes",
           "a table of " + std::to_string(nxp * ntp * slots) + " values exceeds 55275");
  }
  t.values.assign(nxp * ntp * slots, 0.0);
  std::vector<long> seen(nxp * ntp, 0);
  for (std::size_t r = 0; r < c.rows.size(); ++r) {
    const auto& row = c.rows[r];
    if (row[0] < 0.0 || row[0] > 1.0) refuse(path, c.line[r], "x", "x is outside [0, 1]");
    if (!(row[1] > alambda)) {
      refuse(path, c.line[r], "Q", "Q is not above alambda = " + number(alambda));
    }
    const auto ix =
        static_cast<std::size_t>(std::lower_bound(xs.begin(), xs.end(), row[0]) - xs.begin());
    const auto iq =
        static_cast<std::size_t>(std::lower_bound(qs.begin(), qs.end(), row[1]) - qs.begin());
    if (seen[iq * nxp + ix] != 0) {
      refuse(path, c.line[r], "x",
             "the point (" + number(row[0]) + ", " + number(row[1]) + ") is also on line " +
                 std::to_string(seen[iq * nxp + ix]));
    }
    seen[iq * nxp + ix] = c.line[r];
    for (std::size_t s = 0; s < slots; ++s) t.values[(s * ntp + iq) * nxp + ix] = row[2 + s];
  }
  for (std::size_t iq = 0; iq < ntp; ++iq) {
    for (std::size_t ix = has_zero ? 0 : 1; ix < nxp; ++ix) {
      if (seen[iq * nxp + ix] == 0) {
        refuse(path, 0, "nodes",
               "no line for the node pair (x " + number(xs[ix]) + ", Q " + number(qs[iq]) +
                   "): every x value needs a line at every Q value");
      }
    }
  }
  return table_text(t);
}

std::string grid_model(double vary) {
  std::vector<double> v;
  const double* xn = pdferr::GridMember::x_nodes();
  const double* qn = pdferr::GridMember::q2_nodes();
  for (int i = 0; i < grid_x_lines; ++i) {
    for (int j = 0; j < grid_q_lines; ++j) {
      const double x = xn[i], q2 = qn[j];
      for (int c = 1; c <= 6; ++c) {
        const double y = (1.0 - x) * (1.0 - x);  // (1 - x)^4 = y^2
        v.push_back(0.4 * c * math::power(x, -1.1) * (y * y) * (1.0 + 0.03 * math::log(q2)) *
                    (1.0 + vary * (1.0 - 2.0 * x)));
      }
    }
  }
  return grid_text(v);
}

std::string grid_nodes_csv() {
  std::string out = "x,Q2\n";
  for (int i = 0; i < grid_x_lines; ++i) {
    for (int j = 0; j < grid_q_lines; ++j) {
      out += number(pdferr::GridMember::x_nodes()[i]) + "," +
             number(pdferr::GridMember::q2_nodes()[j]) + "\n";
    }
  }
  return out;
}

std::string grid_from_csv(const std::string& path) {
  const Csv c = read_csv(path);
  const std::vector<std::string> want = {"x", "Q2", "c1", "c2", "c3", "c4", "c5", "c6"};
  if (c.header != want) refuse(path, 1, "header", "want x,Q2,c1,c2,c3,c4,c5,c6");
  const double* xn = pdferr::GridMember::x_nodes();
  const double* qn = pdferr::GridMember::q2_nodes();
  std::vector<double> v(grid_x_lines * grid_q_lines * 6, 0.0);
  std::vector<long> seen(grid_x_lines * grid_q_lines, 0);
  for (std::size_t r = 0; r < c.rows.size(); ++r) {
    const auto& row = c.rows[r];
    // A coordinate names the nearest node within a relative 1e-6: 0.06 the
    // node held as 0.05999999865889549.
    const auto nxl = static_cast<std::size_t>(grid_x_lines);
    const auto nql = static_cast<std::size_t>(grid_q_lines);
    const std::size_t xi = matching_node(row[0], xn, nxl);
    const std::size_t qj = matching_node(row[1], qn, nql);
    if (xi == nxl) {
      refuse(path, c.line[r], "x",
             number(row[0]) +
                 " is not within a relative 1e-6 of one of the 46 x nodes of a grid file "
                 "(pdferr make-grid --nodes lists them)");
    }
    if (qj == nql) {
      refuse(path, c.line[r], "Q2",
             number(row[1]) +
                 " is not within a relative 1e-6 of one of the 30 Q2 nodes of a grid file "
                 "(pdferr make-grid --nodes lists them)");
    }
    const std::size_t at = xi * nql + qj;
    if (seen[at] != 0) {
      refuse(path, c.line[r], "x", "the node pair is also on line " + std::to_string(seen[at]));
    }
    seen[at] = c.line[r];
    for (int k = 0; k < 6; ++k) v[at * 6 + k] = row[2 + k];
  }
  for (std::size_t at = 0; at < seen.size(); ++at) {
    if (seen[at] == 0) {
      refuse(path, 0, "nodes",
             "no line for the node pair (x " + number(xn[at / grid_q_lines]) + ", Q2 " +
                 number(qn[at % grid_q_lines]) + "): a grid file has all 1380");
    }
  }
  return grid_text(v);
}

}  // namespace pdferr::cli
