#include "grid_writer.hpp"

#include "common/output_file.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "crmath.hpp"

namespace testsupport {
namespace {

const char* const x_decimals[47] = {
    "1e-5",   "4e-5",  "6.7e-5", "1e-4",   "1.4e-4", "2e-4",  "3e-4",  "4.5e-4", "6.7e-4", "1e-3",
    "1.4e-3", "2e-3",  "3e-3",   "4.5e-3", "6.7e-3", "0.01",  "0.014", "0.02",   "0.03",   "0.045",
    "0.06",   "0.08",  "0.1",    "0.125",  "0.15",   "0.175", "0.2",   "0.225",  "0.25",   "0.275",
    "0.3",    "0.325", "0.35",   "0.375",  "0.4",    "0.45",  "0.5",   "0.55",   "0.6",    "0.65",
    "0.7",    "0.75",  "0.8",    "0.85",   "0.9",    "0.95",  "1.0"};

const char* const q2_decimals[30] = {
    "0.8",  "1",   "1.25",  "1.5",   "2",     "2.5", "4",     "6.4",   "10",    "15",
    "25",   "40",  "64",    "100",   "180",   "320", "580",   "1000",  "1800",  "3200",
    "5800", "1e4", "1.8e4", "3.2e4", "5.8e4", "1e5", "1.8e5", "3.2e5", "5.8e5", "1e6"};

std::string pad_left(const std::string& s, std::size_t width) {
  return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
}

// The five digits of |m| and the sign.
std::string digits_of(const Decimal& d) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%05d", d.m < 0 ? -d.m : d.m);
  return buf;
}

std::string exponent_text(int e, bool two_digits_with_sign) {
  char buf[16];
  if (two_digits_with_sign) {
    std::snprintf(buf, sizeof buf, "%c%02d", e < 0 ? '-' : '+', e < 0 ? -e : e);
  } else {
    std::snprintf(buf, sizeof buf, "%+d", e);
  }
  return buf;
}

std::string standard_field(const Decimal& d) {
  const std::string dig = digits_of(d);
  std::string s = d.m < 0 ? "-" : "";
  s += dig.substr(0, 1) + "." + dig.substr(1) + "E" + exponent_text(d.e, true);
  return pad_left(s, 12);
}

// Fixed notation of ten times the value, when it fits the field.
std::string fixed_field(const Decimal& d) {
  if (d.m == 0) return pad_left("0.", 12);
  const std::string dig = digits_of(d);
  // Ten times the value is 0.dig * 10^(e + 2): the point sits after e + 2
  // of the digits.
  const int point = d.e + 2;
  std::string s;
  if (point <= 0) {
    s = "0." + std::string(static_cast<std::size_t>(-point), '0') + dig;
  } else if (point >= 5) {
    s = dig + std::string(static_cast<std::size_t>(point - 5), '0') + ".";
  } else {
    s = dig.substr(0, static_cast<std::size_t>(point)) + "." +
        dig.substr(static_cast<std::size_t>(point));
  }
  if (d.m < 0) s = "-" + s;
  if (s.size() > 12) return standard_field(d);
  return pad_left(s, 12);
}

}  // namespace

Decimal to_decimal(double value) {
  Decimal d;
  if (value == 0.0) return d;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4E", value);  // e.g. -1.2345E-02
  const char* p = buf;
  bool negative = *p == '-';
  if (negative) ++p;
  const int m = (p[0] - '0') * 10000 + (p[2] - '0') * 1000 + (p[3] - '0') * 100 +
                (p[4] - '0') * 10 + (p[5] - '0');
  d.m = negative ? -m : m;
  d.e = std::atoi(p + 7);
  return d;
}

double to_double(const Decimal& d) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%de%d", d.m, d.e - 4);
  return std::strtod(buf, nullptr);
}

std::string format_field(const Decimal& d, Layout layout, int c) {
  switch (layout) {
    case Layout::standard:
      return standard_field(d);
    case Layout::short_lines:
      return d.m == 0 ? std::string() : standard_field(d);
    case Layout::inner_blanks: {
      // "1.2345E-02" with a blank after "1.23" and, when the field has
      // room (no minus sign), one after the exponent sign.
      const std::string plain = standard_field(d);
      const bool room = d.m >= 0;
      std::string s;
      for (std::size_t k = plain.find_first_not_of(' '); k < plain.size(); ++k) {
        s += plain[k];
        if (k >= 2 && plain[k - 2] == '.') s += ' ';  // "1.23 45"
        if (room && plain[k - 1] == 'E') s += ' ';    // "E- 02"
      }
      return pad_left(s, 12);
    }
    case Layout::no_exponent:
      return fixed_field(d);
    case Layout::no_point: {
      std::string s;
      if (d.m < 0) s += '-';
      s += digits_of(d);
      s += 'E';
      s += exponent_text(d.e, true);
      return pad_left(s, 12);
    }
    case Layout::exponent_forms: {
      std::string s = standard_field(d);
      const std::size_t e = s.find('E');
      switch (c % 3) {
        case 0:
          s[e] = 'D';
          break;
        case 1:
          // "1.2345-02": the sign alone opens the exponent.
          s = std::string(1, ' ') + s.substr(0, e) + s.substr(e + 1);
          break;
        default:
          s[e] = 'e';
          break;
      }
      return s;
    }
  }
  return standard_field(d);
}

std::string grid_text(const GridDecimals& values, Layout layout) {
  std::string text;
  for (int i = 0; i < grid_x_lines; ++i) {
    for (int j = 0; j < grid_q_lines; ++j) {
      std::string line;
      for (int c = 0; c < grid_columns; ++c) {
        std::string field = format_field(values(c, i, j), layout, c);
        line += field.empty() ? std::string(12, ' ') : field;
      }
      if (layout == Layout::short_lines) line.erase(line.find_last_not_of(' ') + 1);
      text += line;
      text += '\n';
    }
  }
  return text;
}

std::string grid_text(const GridValues& values, Layout layout) {
  return grid_text([&](int c, int i, int j) { return to_decimal(values(c, i, j)); }, layout);
}

std::string grid_text_fine(const GridValues& values) {
  std::string text;
  char field[32];
  for (int i = 0; i < grid_x_lines; ++i) {
    for (int j = 0; j < grid_q_lines; ++j) {
      for (int c = 0; c < grid_columns; ++c) {
        std::snprintf(field, sizeof field, "%12.6E", values(c, i, j));
        text += field;
      }
      text += '\n';
    }
  }
  return text;
}

Decimal coded_value(int c, int i, int j) { return Decimal{10000 + 100 * i + j, c}; }

double linear_table(int c, double log_x, double log_q2) {
  // Positive for ln x >= ln 1e-5 > -11.6 and ln Q2 >= ln 0.8 > -0.23.
  const double a = 3.0 + 0.5 * c;
  const double b = 0.125 + 0.01 * c;
  const double d = 0.0625 - 0.005 * c;
  return a + b * log_x + d * log_q2;
}

double linear_file_value(int c, double x, double q2) {
  return linear_table(c, pdferr::math::log(x), pdferr::math::log(q2)) * load_factor(c, x);
}

double load_factor(int c, double x) {
  const double u = 1.0 - x;
  const double u_cubed = u * (u * u);
  const double u_fourth = (u * u) * (u * u);
  const double u_eighth = ((u * u) * (u * u)) * ((u * u) * (u * u));
  const double u_fifth = (u * (u * u)) * (u * u);
  const double root = std::sqrt(x);  // x^0.5, correctly rounded
  switch (c) {
    case 0:
      return u_cubed * x;
    case 1:
      return u_fourth * x;
    case 5:
      return root * u_fifth;
    default:
      return root * u_eighth;
  }
}

double x_node(int i) {
  // Nodes 21 to 47 (0-based 20..45) are held as 32-bit floats.
  if (i >= 20 && i <= 45) return static_cast<double>(std::strtof(x_decimals[i], nullptr));
  return std::strtod(x_decimals[i], nullptr);
}

double q2_node(int j) { return std::strtod(q2_decimals[j], nullptr); }

std::string write_text(const std::string& path, const std::string& text) {
  return pdferr::common::write_whole_file(path, text);
}

}  // namespace testsupport
