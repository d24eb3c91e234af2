// Grid files: member names, the constant node tables, reading the 1380
// fixed-field lines and turning them into the stored tables.
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "fio/fixedread.hpp"
#include "fio/units.hpp"
#include "pelk_core.hpp"

namespace pelk {
namespace {

// Entries 21 to 46 of the x nodes are held as 32-bit floats widened to 64
// bits, e.g. 0.06 as 0.05999999865889549, 0.1 as 0.10000000149011612.
constexpr double held(float x) { return static_cast<double>(x); }

// The prefixes of the numbered members, 11 characters each: "pelk-plus- "
// (its trailing blank is not used) and "pelk-minus-".
constexpr std::string_view member_prefixes = "pelk-plus- pelk-minus-";
constexpr std::string_view central_name = "PELK-GRID.NLO";
constexpr std::string_view name_extension = ".grid";

// Each line: six fields of the descriptor 1PE12.4.
constexpr fio::EditE grid_field{12, 4, 1};

// Opaque to the optimiser, so that a library function is never evaluated at
// compile time on a constant node (possibly with other rounding than the
// run-time call).
double opaque(double x) {
  volatile double v = x;
  return v;
}

// The magnitude of iset written by "(I1)" (width 1) or "(I2)" (width 2)
// into a 2-character field: right-aligned in its width, asterisks when it
// does not fit, blank padded.
void write_magnitude(std::int64_t m, int width, char (&field)[2]) {
  field[0] = ' ';
  field[1] = ' ';
  if (width == 1) {
    field[0] = m <= 9 ? static_cast<char>('0' + m) : '*';
    return;
  }
  if (m > 99) {
    field[0] = '*';
    field[1] = '*';
    return;
  }
  if (m >= 10) field[0] = static_cast<char>('0' + m / 10);
  field[1] = static_cast<char>('0' + m % 10);
}

// 10^k for k = 0..22, each exact in a 64-bit float.
constexpr double exact_power10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                    1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                    1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// A field in the form the grid files are written in: blanks, an optional
// sign, digits with one decimal point, E, the exponent's sign and its
// digits, filling the field to its end.  With at most 15 digits (below
// 2^53) and a decimal exponent within 22, both operands of the one
// multiplication or division are exact, so the value is the decimal number
// rounded once to nearest, as read_e_field gives it; with an exponent the
// scale factor does not apply.  Anything else returns false, value alone.
bool read_written_field(std::string_view f, double& value) {
  const std::size_t n = f.size();
  std::size_t p = 0;
  while (p < n && f[p] == ' ') ++p;
  bool negative = false;
  if (p < n && (f[p] == '-' || f[p] == '+')) {
    negative = f[p] == '-';
    ++p;
  }
  std::int64_t m = 0;
  int digits = 0;
  int after_point = 0;
  bool point = false;
  for (; p < n; ++p) {
    const char c = f[p];
    if (c >= '0' && c <= '9') {
      m = m * 10 + (c - '0');
      ++digits;
      after_point += point ? 1 : 0;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (!point || digits == 0 || digits > 15 || p + 2 >= n || f[p] != 'E') return false;
  const bool negative_exponent = f[p + 1] == '-';
  if (!negative_exponent && f[p + 1] != '+') return false;
  int exponent = 0;
  for (p += 2; p < n; ++p) {
    if (f[p] < '0' || f[p] > '9') return false;
    exponent = exponent * 10 + (f[p] - '0');
    if (exponent > 999) return false;
  }
  const int exp10 = (negative_exponent ? -exponent : exponent) - after_point;
  if (exp10 < -22 || exp10 > 22) return false;
  const double mantissa = static_cast<double>(m);
  const double v = exp10 >= 0 ? mantissa * exact_power10[exp10] : mantissa / exact_power10[-exp10];
  value = negative ? -v : v;
  return true;
}

}  // namespace

int read_grid_fields(std::string_view line, double* values) {
  constexpr std::size_t width = 12;
  // A comma ends a field early and moves the fields after it: the general
  // reader then cuts the line.
  if (line.substr(0, width * ncol).find(',') != std::string_view::npos) {
    return fio::read_e_fields(line, grid_field, values, ncol);
  }
  for (int c = 0; c < ncol; ++c) {
    const std::size_t pos = width * static_cast<std::size_t>(c);
    const std::string_view field = pos < line.size() ? line.substr(pos, width) : std::string_view();
    if (read_written_field(field, values[c])) continue;
    if (!fio::read_e_field(field, grid_field.decimals, grid_field.scale, values[c])) return c + 1;
  }
  return 0;
}

// clang-format off
const double x_nodes[nx] = {
    // 1 to 20: the nearest 64-bit values.
    1e-5,   4e-5, 6.7e-5, 1e-4,   1.4e-4, 2e-4, 3e-4,  4.5e-4, 6.7e-4, 1e-3,
    1.4e-3, 2e-3, 3e-3,   4.5e-3, 6.7e-3, 0.01, 0.014, 0.02,   0.03,   0.045,
    // 21 to 46: the nearest 32-bit floats.
    held(0.06f),  held(0.08f),  held(0.1f),   held(0.125f), held(0.15f),
    held(0.175f), held(0.2f),   held(0.225f), held(0.25f),  held(0.275f),
    held(0.3f),   held(0.325f), held(0.35f),  held(0.375f), held(0.4f),
    held(0.45f),  held(0.5f),   held(0.55f),  held(0.6f),   held(0.65f),
    held(0.7f),   held(0.75f),  held(0.8f),   held(0.85f),  held(0.9f),
    held(0.95f),
    // 47: x = 1.
    1.0};

const double q2_nodes[nq] = {
    0.8,  1,    1.25,  1.5,   2,     2.5,  4,     6.4,   10,    15,
    25,   40,   64,    100,   180,   320,  580,   1000,  1800,  3200,
    5800, 1e4,  1.8e4, 3.2e4, 5.8e4, 1e5,  1.8e5, 3.2e5, 5.8e5, 1e6};
// clang-format on

void grid_file_name(std::int32_t iset, char (&name)[name_length]) {
  if (iset == 0) {
    join(central_name, "", name, name_length);
    return;
  }
  const std::string_view prefix =
      iset > 0 ? member_prefixes.substr(0, 11) : member_prefixes.substr(11, 11);
  // The magnitude in 64 bits: the most negative iset has none in 32.
  const std::int64_t magnitude = iset > 0 ? std::int64_t{iset} : -std::int64_t{iset};
  char digits[2];
  char number[2];
  if (magnitude <= 9) {
    write_magnitude(magnitude, 1, digits);
    join("0", std::string_view(digits, 2), number, 2);
  } else {
    write_magnitude(magnitude, 2, number);
  }
  // The longest name has 18 characters, so none of these joins overflows.
  char stem[name_length];
  join(prefix, std::string_view(number, 2), stem, name_length);
  join(std::string_view(stem, name_length), name_extension, name, name_length);
}

Powers powers(double x) {
  Powers p;
  p.x = x;
  p.u = 1.0 - x;
  const double uu = p.u * p.u;
  p.u3 = p.u * uu;
  p.u4 = uu * uu;
  p.u5 = p.u3 * uu;
  p.u8 = p.u4 * p.u4;
  p.sqrt_x = std::pow(opaque(x), 0.5);
  return p;
}

void load_factors(const Powers& p, double (&factor)[ncol]) {
  factor[0] = p.u3 * p.x;
  factor[1] = p.u4 * p.x;
  factor[2] = p.sqrt_x * p.u8;
  factor[3] = p.sqrt_x * p.u8;
  factor[4] = p.sqrt_x * p.u8;
  factor[5] = p.sqrt_x * p.u5;
}

ReadFailure read_grid_file(const char* path, RawGrid& raw) {
  ReadFailure failure;
  const int opened = fio::open_old(grid_unit, path);
  if (opened != 0) {
    failure.kind = opened == EBUSY ? ReadFailure::busy : ReadFailure::open;
    failure.error = opened;
    return failure;
  }
  std::string line;
  line.reserve(128);
  for (int n = 0; n < file_lines; ++n) {
    if (fio::read_line(grid_unit, line) != fio::LineStatus::line) {
      failure.kind = ReadFailure::short_file;
      failure.line = n;
      break;
    }
    double* values = raw[n / nq][n % nq];
    const int bad = read_grid_fields(line, values);
    if (bad != 0) {
      failure.kind = ReadFailure::bad_field;
      failure.line = n + 1;
      failure.field = bad;
      break;
    }
  }
  fio::close(grid_unit);
  return failure;
}

void build_tables(const RawGrid& raw, GridTables& table) {
  double factor[nx_file][ncol];
  for (int l = 0; l < nx_file; ++l) load_factors(powers(x_nodes[l]), factor[l]);
  for (int k = 0; k < nq; ++k) {
    for (int l = 0; l < nx_file; ++l) {
      for (int c = 0; c < ncol; ++c) table[c][k][l] = raw[l][k][c] / factor[l][c];
    }
    // At x = 1 every factor is zero; the stored value there is zero.
    for (int c = 0; c < ncol; ++c) table[c][k][nx - 1] = 0.0;
  }
}

void log_nodes(double (&logs)[nx + nq]) {
  for (int l = 0; l < nx; ++l) logs[l] = std::log(opaque(x_nodes[l]));
  for (int k = 0; k < nq; ++k) logs[nx + k] = std::log(opaque(q2_nodes[k]));
}

}  // namespace pelk
