// Synthetic grid files of known content, for the tests and the example.
//
// A grid file has 1380 lines, x node by x node (46 of them), the 30 Q2 nodes
// of each x node on consecutive lines, and six 12-character fields per line
// as written by the format "(6(1PE12.4))".  Nothing here comes from any real
// data set: every value is made by one of the functions below.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace testsupport {

inline constexpr int grid_x_lines = 46;
inline constexpr int grid_q_lines = 30;
inline constexpr int grid_columns = 6;

// A decimal number of at most five significant digits, m * 10^(e - 4) with
// m = 0 or 10000 <= |m| <= 99999: exactly what one 1PE12.4 field holds.
struct Decimal {
  std::int32_t m = 0;
  int e = 0;
};

// The five-digit decimal of value, rounded as the output format rounds.
Decimal to_decimal(double value);
// The decimal as the nearest 64-bit float (one correct rounding).
double to_double(const Decimal& d);

// Ways of writing the same decimal into a 12-character field.
enum class Layout {
  standard,        // "  1.2345E-02", as "(6(1PE12.4))" writes it
  short_lines,     // zero fields left blank and lines cut after the last value
  inner_blanks,    // blanks inside the fields: "1.23 45E- 02"
  no_exponent,     // fixed notation, ten times the value: "   0.12345" (scale factor)
  no_point,        // four implied decimals: "   12345E-02"
  exponent_forms,  // D exponents, bare-sign exponents and lower case in turn
};

// One field of the layout (column c, 0-based, chooses the turn of
// exponent_forms); empty for a blank field of short_lines.
std::string format_field(const Decimal& d, Layout layout, int c);

// The value of column c (0..5) at x node i (0..45) and Q2 node j (0..29).
using GridValues = std::function<double(int c, int i, int j)>;
// The same, already as decimals.
using GridDecimals = std::function<Decimal(int c, int i, int j)>;

// The text of a whole grid file.
std::string grid_text(const GridDecimals& values, Layout layout = Layout::standard);
std::string grid_text(const GridValues& values, Layout layout = Layout::standard);

// A grid file whose fields carry seven significant digits ("1.234567E-02"),
// so that smooth content survives the file with a relative error of at most
// 5e-7.  Values must be positive and their exponents two digits.
std::string grid_text_fine(const GridValues& values);

// Content of known members.
//
// coded: column c at x node i and Q2 node j is (10000 + 100 i + j) * 10^(c-4),
// so every field tells where it was read from.
Decimal coded_value(int c, int i, int j);
//
// linear: the stored table of column c (file value divided by the column's
// load factor) is a_c + b_c ln x + d_c ln Q2, positive over the whole grid.
double linear_table(int c, double log_x, double log_q2);
// The file value of the linear member (x and Q2 the held node values).
double linear_file_value(int c, double x, double q2);

// The load factor of column c at the held node value x.
double load_factor(int c, double x);

// The held node values: x nodes (47) and Q2 nodes (30).
double x_node(int i);
double q2_node(int j);

// Writes text to path whole or not at all: "", or the message saying why
// it cannot be written.
std::string write_text(const std::string& path, const std::string& text);

}  // namespace testsupport
