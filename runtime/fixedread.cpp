#include "fio/fixedread.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>

#include "common/numeric.hpp"

namespace fio {
namespace {

using pdferr::common::exact_power10;
constexpr int max_exact_power = pdferr::common::max_exact_power10;
// Up to 15 digits the integer value is below 2^53 and exact as a double.
constexpr int max_exact_digits = 15;
// Largest accepted magnitude of the exponent (after the implied decimals).
constexpr int max_exponent = 9999;
// The accumulated exponent saturates here; anything beyond is refused
// anyway.
constexpr int exponent_cap = 100000;

bool is_blank(char c) { return c == ' '; }
using pdferr::common::is_digit;
char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool only_blanks(std::string_view s) {
  for (char c : s) {
    if (!is_blank(c)) return false;
  }
  return true;
}

bool starts_with_word(std::string_view s, std::string_view word) {
  if (s.size() < word.size()) return false;
  for (std::size_t k = 0; k < word.size(); ++k) {
    if (lower(s[k]) != word[k]) return false;
  }
  return true;
}

// INF, INFINITY, NAN or NAN(...), followed by blanks only.
bool read_special(std::string_view s, bool negative, double& value) {
  double v = 0.0;
  std::size_t used = 0;
  if (starts_with_word(s, "infinity")) {
    v = std::numeric_limits<double>::infinity();
    used = 8;
  } else if (starts_with_word(s, "inf")) {
    v = std::numeric_limits<double>::infinity();
    used = 3;
  } else if (starts_with_word(s, "nan")) {
    v = std::numeric_limits<double>::quiet_NaN();
    used = 3;
    if (used < s.size() && s[used] == '(') {
      std::size_t close = s.find(')', used);
      if (close == std::string_view::npos) return false;
      used = close + 1;
    }
  } else {
    return false;
  }
  if (!only_blanks(s.substr(used))) return false;
  value = negative ? -v : v;
  return true;
}

// digits (count of them, no leading zero) times 10^exp10, rounded once.
double scale_digits(const char* digits, int count, int exp10) {
  if (count <= max_exact_digits && exp10 >= -max_exact_power && exp10 <= max_exact_power) {
    // Both operands are exact, so the one multiplication or division is the
    // correctly rounded value.
    std::int64_t m = 0;
    for (int k = 0; k < count; ++k) m = m * 10 + (digits[k] - '0');
    const double mantissa = static_cast<double>(m);
    if (exp10 >= 0) return mantissa * exact_power10[exp10];
    return mantissa / exact_power10[-exp10];
  }
  // The general case: the decimal digits with their exponent, without a
  // decimal point so that the locale cannot matter.
  char text[max_field_chars + 16];
  int n = 0;
  for (int k = 0; k < count; ++k) text[n++] = digits[k];
  std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), "e%d", exp10);
  return std::strtod(text, nullptr);
}

// The short path for a field in the form an E edit descriptor writes it,
// "  1.2345E-02": blanks, an optional sign, digits with one decimal point,
// E, the exponent's sign and its digits, filling the field to its end.
// With at most 15 digits and a decimal exponent within 22 it gives what the
// general path below gives, by the same one exact multiplication or
// division; with an exponent the scale factor and the implied decimals do
// not apply.  Anything else returns false, value alone.
[[gnu::always_inline]] inline bool read_written_form(std::string_view f, double& value) {
  const std::size_t n = f.size();
  std::size_t p = 0;
  while (p < n && f[p] == ' ') ++p;
  bool negative = false;
  if (p < n && (f[p] == '-' || f[p] == '+')) {
    negative = f[p] == '-';
    ++p;
  }
  // Digits, a point, digits: at most max_exact_digits of them in all, so
  // that m stays exact.
  std::int64_t m = 0;
  const std::size_t first_digit = p;
  while (p < n && is_digit(f[p]) && p - first_digit < max_exact_digits) {
    m = m * 10 + (f[p] - '0');
    ++p;
  }
  if (p == n || f[p] != '.') return false;
  const std::size_t point = p++;
  while (p < n && is_digit(f[p]) && p - first_digit <= max_exact_digits) {
    m = m * 10 + (f[p] - '0');
    ++p;
  }
  const int after_point = static_cast<int>(p - point - 1);
  if (p - first_digit == 1 || p + 2 >= n || f[p] != 'E') return false;
  const bool negative_exponent = f[p + 1] == '-';
  if (!negative_exponent && f[p + 1] != '+') return false;
  int exponent = 0;
  for (p += 2; p < n; ++p) {
    if (!is_digit(f[p])) return false;
    exponent = exponent * 10 + (f[p] - '0');
    if (exponent > max_exponent) return false;
  }
  const int exp10 = (negative_exponent ? -exponent : exponent) - after_point;
  if (exp10 < -max_exact_power || exp10 > max_exact_power) return false;
  const double mantissa = static_cast<double>(m);
  const double v = exp10 >= 0 ? mantissa * exact_power10[exp10] : mantissa / exact_power10[-exp10];
  value = negative ? -v : v;
  return true;
}

// Every other field, by the rules in the header.
bool read_general(std::string_view f, int decimals, int scale, double& value) {
  const std::size_t n = f.size();
  std::size_t p = 0;
  while (p < n && is_blank(f[p])) ++p;
  bool negative = false;
  if (p < n && (f[p] == '+' || f[p] == '-')) {
    negative = f[p] == '-';
    ++p;
  }
  while (p < n && is_blank(f[p])) ++p;
  if (p == n) {
    // All blank, or a bare sign: zero without a sign.
    value = 0.0;
    return true;
  }
  const char first = lower(f[p]);
  if ((first == 'i' || first == 'n') && n - p >= 3) {
    return read_special(f.substr(p), negative, value);
  }

  // Mantissa: significant digits (leading zeros dropped), the count of
  // digits after the point.
  char digits[max_field_chars];
  int count = 0;
  int after_point = 0;
  bool point = false;
  bool has_exponent = false;
  for (; p < n; ++p) {
    const char c = f[p];
    if (is_blank(c)) continue;
    if (is_digit(c)) {
      if (point) ++after_point;
      if (count > 0 || c != '0') digits[count++] = c;
      continue;
    }
    if (c == '.') {
      if (point) return false;
      point = true;
      continue;
    }
    if (c == '+' || c == '-') {
      has_exponent = true;  // a bare sign opens the exponent
      break;
    }
    const char l = lower(c);
    if (l == 'e' || l == 'd' || l == 'q') {
      has_exponent = true;
      ++p;
      break;
    }
    return false;
  }

  int exponent = 0;
  if (has_exponent) {
    while (p < n && is_blank(f[p])) ++p;
    if (p == n) return false;
    bool exponent_negative = false;
    if (f[p] == '+' || f[p] == '-') {
      exponent_negative = f[p] == '-';
      ++p;
      if (p == n) return false;
    }
    for (; p < n; ++p) {
      const char c = f[p];
      if (is_blank(c)) continue;
      if (!is_digit(c)) return false;
      if (exponent < exponent_cap) exponent = exponent * 10 + (c - '0');
    }
    if (exponent_negative) exponent = -exponent;
    const int adjusted = point ? exponent : exponent - decimals;
    if (adjusted > max_exponent || adjusted < -max_exponent) return false;
  } else {
    exponent = -scale;
  }

  if (count == 0) {
    value = negative ? -0.0 : 0.0;
    return true;
  }
  const int exp10 = exponent - (point ? after_point : decimals);
  const double magnitude = scale_digits(digits, count, exp10);
  value = negative ? -magnitude : magnitude;
  return true;
}

// One field: the short path where it applies, else the general one.
[[gnu::always_inline]] inline bool read_field(std::string_view f, int decimals, int scale,
                                              double& value) {
  if (f.size() > max_field_chars) return false;
  return read_written_form(f, value) || read_general(f, decimals, scale, value);
}

}  // namespace

bool read_e_field(std::string_view f, int decimals, int scale, double& value) {
  return read_field(f, decimals, scale, value);
}

int read_e_fields(std::string_view record, const EditE& edit, double* values, int count) {
  const std::size_t width = static_cast<std::size_t>(edit.width);
  // Without a comma among the fields, field k is simply the k-th width of
  // the record: one scan of the record instead of one per field.
  const std::size_t n = record.size();
  const std::size_t span = std::min(n, width * static_cast<std::size_t>(count));
  if (span == 0 || std::memchr(record.data(), ',', span) == nullptr) {
    std::size_t pos = 0;
    for (int k = 0; k < count; ++k, pos += width) {
      const std::string_view field =
          pos < n ? std::string_view(record.data() + pos, std::min(width, n - pos))
                  : std::string_view();
      if (!read_field(field, edit.decimals, edit.scale, values[k])) return k + 1;
    }
    return 0;
  }
  std::size_t pos = 0;
  for (int k = 0; k < count; ++k) {
    std::string_view field;
    if (pos < record.size()) field = record.substr(pos, width);
    const std::size_t comma = field.find(',');
    if (comma != std::string_view::npos) {
      field = field.substr(0, comma);
      pos += comma + 1;
    } else {
      pos += width;
    }
    if (!read_field(field, edit.decimals, edit.scale, values[k])) return k + 1;
  }
  return 0;
}

}  // namespace fio
