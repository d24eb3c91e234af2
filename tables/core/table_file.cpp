#include "table_file.hpp"

#include <string.h>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace pdferr::tables {
namespace {

using fio::ListError;
using fio::ListReader;

Fault make_fault(long line, std::string field, std::string reason, std::string text) {
  return Fault{line, std::move(field), std::move(reason), std::move(text)};
}

// A fault of a record as a whole: "REASON in record X".
Fault in_record(long line, std::string_view record, const std::string& reason) {
  std::string field = "record " + std::string(record);
  std::string text = reason + " in " + field;
  return make_fault(line, std::move(field), reason, std::move(text));
}

// Why the input ended or failed, in words.
std::string input_failure(const ListReader& reader, ListError e) {
  switch (e) {
    case ListError::none:
      return "end of file";
    case ListError::read_error:
      return "read error (" + system_reason(reader.read_errno()) + ")";
    case ListError::line_too_long:
      return "line longer than " + std::to_string(common::TextFile::max_line) + " bytes";
    default:
      return std::string(fio::describe(e));
  }
}

Fault skip_lines(ListReader& reader, std::int64_t n, std::string_view before) {
  for (std::int64_t k = 0; k < n; ++k) {
    if (!reader.skip_line()) {
      std::string text =
          input_failure(reader, reader.input_error()) + " before record " + std::string(before);
      return make_fault(reader.line_number(), "", text, text);
    }
  }
  return {};
}

// The fault of a header record that did not come complete; refusal: the
// reason of a value the record's check refused.
Fault record_fault(const ListReader& reader, const ListReader::Result& r, std::string_view record,
                   const std::string& refusal = "") {
  if (r.nulls > 0) return in_record(r.null_line, record, "empty value");
  if (r.error == ListError::refused) return in_record(reader.line_number(), record, refusal);
  if (r.error != ListError::none) {
    return in_record(reader.line_number(), record, input_failure(reader, r.error));
  }
  if (r.slash) return in_record(reader.line_number(), record, "empty value");
  return {};
}

// Record A: t = ln(ln(Q / alambda)) needs a finite alambda above 0.
bool alambda_accepted(std::span<const double> v, std::size_t k) {
  return k != 2 || (std::isfinite(v[k]) && v[k] > 0);
}

// Record D: qini, qmax, then the pairs (unused real, t node i) at 2 + 2i and
// 3 + 2i.  The t nodes are finite and strictly ascending.
bool t_node_accepted(std::span<const double> v, std::size_t k) {
  if (k < 3 || (k - 3) % 2 != 0) return true;
  return std::isfinite(v[k]) && (k == 3 || v[k] > v[k - 2]);
}

std::string t_node_refusal(std::span<const double> v, std::size_t k) {
  const std::string node = "t node " + std::to_string((k - 3) / 2) + " = " + number_text(v[k]);
  if (!std::isfinite(v[k])) return node + " is not finite";
  return node + " is not above t node " + std::to_string((k - 5) / 2) + " = " +
         number_text(v[k - 2]);
}

// Record E: xmin, an unused real, then x node i at 1 + i.  The x nodes lie
// in (0, 1] and ascend strictly.
bool x_node_accepted(std::span<const double> v, std::size_t k) {
  if (k < 2) return true;
  return v[k] > 0 && v[k] <= 1 && (k == 2 || v[k] > v[k - 1]);
}

std::string x_node_refusal(std::span<const double> v, std::size_t k) {
  const std::string node = "x node " + std::to_string(k - 1) + " = " + number_text(v[k]);
  if (!(v[k] > 0 && v[k] <= 1)) return node + " is not in (0, 1]";
  return node + " is not above x node " + std::to_string(k - 2) + " = " + number_text(v[k - 1]);
}

// Record F: every table value finite.
bool value_accepted(std::span<const double> v, std::size_t k) { return std::isfinite(v[k]); }

// Checks the counts of records B and C and sets npts, the count of table
// values.  It is formed only from counts that passed: (nx + 1)(nt + 1) is at
// most 202 * 26 and the slot count below 2^32, so the product fits in 64 bits
// whatever the file holds.
Fault check_counts(const TableData& t, long line, std::int64_t& npts) {
  std::string what;
  npts = 0;
  if (t.nx < 3 || t.nx > max_nx) {
    what = "nx = " + std::to_string(t.nx) + " outside 3 to 201";
  } else if (t.nt < 3 || t.nt > max_nt) {
    what = "nt = " + std::to_string(t.nt) + " outside 3 to 25";
  } else if (t.mxflvn0 < 0) {
    what = "MxFlvN0 = " + std::to_string(t.mxflvn0) + " is negative";
  } else if (t.mxval < 0) {
    what = "mxval = " + std::to_string(t.mxval) + " is negative";
  } else {
    npts =
        std::int64_t{t.nx + 1} * (t.nt + 1) * (std::int64_t{t.mxflvn0} + 1 + std::int64_t{t.mxval});
    if (npts > max_values) what = "table of " + std::to_string(npts) + " values exceeds 55275";
  }
  if (what.empty()) return {};
  return make_fault(line, "record C", what, what);
}

// Everything before record F, the text line before it included.
Fault read_header(ListReader& reader, TableData& t) {
  using fio::list_item;
  if (Fault f = skip_lines(reader, 2, "A")) return f;

  // r1, r2, alambda, masses 1..6; alambda is checked as it is read, so
  // that a refusal names its line, where the record spreads over several.
  double a[9] = {};
  const ListReader::Result ra = reader.read_reals(a, alambda_accepted);
  const std::string alambda_fault = !std::isfinite(a[2])
                                        ? "alambda = " + number_text(a[2]) + " is not finite"
                                        : "alambda = " + number_text(a[2]) + " is not above 0";
  if (Fault f = record_fault(reader, ra, "A", alambda_fault)) return f;
  t.qcdi2 = nearest_integer(a[0]);
  t.qcdi3 = nearest_integer(a[1]);
  t.alambda = a[2];
  for (int k = 0; k < 6; ++k) t.mass[k] = a[3 + k];

  if (Fault f = skip_lines(reader, 1, "B")) return f;
  std::int32_t unused_b = 0;
  const fio::ListItem b[] = {list_item(t.qcdi1),   list_item(t.qcdr1), list_item(t.qcdr2),
                             list_item(t.mxflvn0), list_item(t.mxval), list_item(unused_b)};
  if (Fault f = record_fault(reader, reader.read(b), "B")) return f;

  if (Fault f = skip_lines(reader, 1, "C")) return f;
  std::int32_t unused_c3 = 0, unused_c5 = 0, ng = 0;
  const fio::ListItem c[] = {list_item(t.nx), list_item(t.nt), list_item(unused_c3), list_item(ng),
                             list_item(unused_c5)};
  if (Fault f = record_fault(reader, reader.read(c), "C")) return f;
  std::int64_t npts = 0;
  if (Fault f = check_counts(t, reader.line_number(), npts)) return f;
  t.values.resize(static_cast<std::size_t>(npts));

  // ng + 2 comment lines, at least one.
  const std::int64_t comments = std::int64_t{ng} + 2;
  if (Fault f = skip_lines(reader, comments < 1 ? 1 : comments, "D")) return f;

  double d[2 + 2 * (max_nt + 1)] = {};
  const std::span<double> dspan(d, static_cast<std::size_t>(2 + 2 * (t.nt + 1)));
  ListReader::Result r = reader.read_reals(dspan, t_node_accepted);
  const bool refused_d = r.error == ListError::refused;
  if (Fault f = record_fault(reader, r, "D", refused_d ? t_node_refusal(dspan, r.items) : "")) {
    return f;
  }
  t.qini = d[0];
  t.qmax = d[1];
  for (int i = 0; i <= t.nt; ++i) t.tv[i] = d[3 + 2 * i];

  if (Fault f = skip_lines(reader, 1, "E")) return f;
  double e[max_nx + 2] = {};
  const std::span<double> espan(e, static_cast<std::size_t>(t.nx + 2));
  r = reader.read_reals(espan, x_node_accepted);
  const bool refused_e = r.error == ListError::refused;
  if (Fault f = record_fault(reader, r, "E", refused_e ? x_node_refusal(espan, r.items) : "")) {
    return f;
  }
  t.xmin = e[0];
  t.xv[0] = 0;
  for (int i = 1; i <= t.nx; ++i) t.xv[i] = e[i + 1];

  return skip_lines(reader, 1, "F");
}

Fault read_values(ListReader& reader, TableData& t) {
  const std::span<double> values(t.values);
  const ListReader::Result r = reader.read_reals(values, value_accepted);
  if (r.error == ListError::none && r.nulls == 0 && !r.slash) return {};
  if (r.error == ListError::refused && r.nulls == 0) {
    return in_record(reader.line_number(), "F",
                     "table value " + std::to_string(r.items + 1) + " = " +
                         number_text(values[r.items]) + " is not finite");
  }
  // The values read before the fault, and what came then.
  std::size_t good = r.items;
  long line = reader.line_number();
  std::string then;
  if (r.nulls > 0) {
    good = r.null_item;
    line = r.null_line;
    then = "an empty value";
  } else if (r.error != ListError::none) {
    then = input_failure(reader, r.error);
  } else {
    then = "a slash";
  }
  std::string what = std::to_string(good) + " of " + std::to_string(values.size()) +
                     " table values read, then " + then;
  return make_fault(line, "record F", what, what);
}

}  // namespace

Fault read_table(fio::LineSource& lines, TableData& table) {
  ListReader reader = ListReader::from_source(lines);
  Fault f = read_header(reader, table);
  if (!f) f = read_values(reader, table);
  // A file that changed while it was read may hold anything: that is the
  // fault to report, whatever else was found.
  if (!lines.unchanged()) {
    std::string text = "the file changed while it was read";
    return make_fault(reader.line_number(), "", text, text);
  }
  return f;
}

std::string table_file_name(std::int32_t set) {
  // The two name prefixes; a digit of the set number.
  const std::string prefix[2] = {"zemo.", "zemow"};
  const auto digit = [](std::int32_t d) { return static_cast<char>('0' + d); };
  if (set >= 100 && set <= 152) return prefix[0] + digit(set / 10 % 10) + digit(set % 10) + ".pds";
  if (set >= 200 && set <= 252) return prefix[1] + digit(set / 10 % 10) + digit(set % 10) + ".pds";
  if (set >= 10 && set <= 19) return prefix[0] + "as" + digit(set % 10) + ".pds";
  if (set >= 20 && set <= 29) return prefix[1] + "as" + digit(set % 10) + ".pds";
  if (set >= 30 && set <= 33) {
    // 30, 31: the first prefix; 32, 33: the second; then "3f" or "4f".
    const std::int32_t js = (set - 28) / 2;
    return prefix[js - 1] + digit(set - 25 - 2 * js) + "f.pds";
  }
  return {};
}

std::int32_t nearest_integer(double v) {
  if (!(v == v)) return 0;
  const double r = std::round(v);
  if (r >= 2147483647.0) return 2147483647;
  if (r <= -2147483648.0) return -2147483647 - 1;
  return static_cast<std::int32_t>(r);
}

namespace {
// strerror_r comes in two forms; either gives the text.
[[maybe_unused]] const char* error_text(int result, const char* buf) {
  return result == 0 ? buf : "unknown error";
}
[[maybe_unused]] const char* error_text(const char* result, const char*) { return result; }
}  // namespace

std::string number_text(double v) {
  char buf[32];
  const auto end = std::to_chars(buf, buf + sizeof buf, v).ptr;
  return std::string(buf, end);
}

std::string system_reason(int error) {
  char buf[256] = {};
  return error_text(strerror_r(error, buf, sizeof buf), buf);
}

}  // namespace pdferr::tables
