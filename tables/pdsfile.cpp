#include "pdsfile.hpp"

#include <charconv>
#include <cmath>
#include <cstring>
#include <span>
#include <string_view>
#include <system_error>

namespace zemo_file {
namespace {

using fio::ListReader;

std::string count_text(std::int64_t v) { return std::to_string(v); }

// The fault of one record that did not come complete; empty if it did.
Fault record_fault(const ListReader& reader, const ListReader::Result& r, std::string_view name) {
  Fault f;
  f.line = reader.line_number();
  if (r.error != fio::ListError::none) {
    f.what = std::string(fio::describe(r.error)) + " in record " + std::string(name);
  } else if (r.nulls > 0 || r.slash) {
    f.what = "empty value in record " + std::string(name);
  }
  return f;
}

Fault skip_lines(ListReader& reader, std::int64_t n, std::string_view before) {
  for (std::int64_t k = 0; k < n; ++k) {
    if (!reader.skip_line()) {
      Fault f;
      f.line = reader.line_number();
      f.what = "end of file before record " + std::string(before);
      return f;
    }
  }
  return {};
}

// Checks the counts of records B and C and sets npts, the count of table
// values.  It is formed only from counts that passed: (nx + 1)(nt + 1) is at
// most 202 * 26 and the slot count below 2^32, so the product fits in 64 bits
// whatever the file holds.
Fault check_counts(const TableFile& file, long line, std::int64_t& npts) {
  Fault f;
  f.line = line;
  const vokpar2_block& d = file.dims;
  npts = 0;
  if (d.nx < 3 || d.nx > PDFERR_ZEMO_MAX_NX) {
    f.what = "nx = " + count_text(d.nx) + " outside 3 to 201";
  } else if (d.nt < 3 || d.nt > PDFERR_ZEMO_MAX_NT) {
    f.what = "nt = " + count_text(d.nt) + " outside 3 to 25";
  } else if (d.MxFlvN0 < 0) {
    f.what = "MxFlvN0 = " + count_text(d.MxFlvN0) + " is negative";
  } else if (d.mxval < 0) {
    f.what = "mxval = " + count_text(d.mxval) + " is negative";
  } else {
    npts =
        std::int64_t{d.nx + 1} * (d.nt + 1) * (std::int64_t{d.MxFlvN0} + 1 + std::int64_t{d.mxval});
    if (npts > PDFERR_ZEMO_MAX_VALUES)
      f.what = "table of " + count_text(npts) + " values exceeds 55275";
  }
  return f;
}

}  // namespace

std::int32_t nearest_integer(double v) {
  // Saturated at the ends of the 32-bit range; NaN gives 0.
  if (!(v == v)) return 0;
  const double r = std::round(v);
  if (r >= 2147483647.0) return 2147483647;
  if (r <= -2147483648.0) return -2147483647 - 1;
  return static_cast<std::int32_t>(r);
}

namespace {

// Everything before record F, the text line before it included.
Fault read_header(ListReader& reader, TableFile& file) {
  using fio::list_item;
  if (Fault f = skip_lines(reader, 2, "A")) return f;

  double r1 = 0, r2 = 0;
  double* m = file.masses.mass;
  const fio::ListItem a[] = {list_item(r1),   list_item(r2),   list_item(file.alambda),
                             list_item(m[0]), list_item(m[1]), list_item(m[2]),
                             list_item(m[3]), list_item(m[4]), list_item(m[5])};
  if (Fault f = record_fault(reader, reader.read(a), "A")) return f;
  file.qcd.qcdi2 = nearest_integer(r1);
  file.qcd.qcdi3 = nearest_integer(r2);

  if (Fault f = skip_lines(reader, 1, "B")) return f;
  std::int32_t unused_b = 0;
  const fio::ListItem b[] = {list_item(file.qcd.qcdi1),  list_item(file.qcd.qcdr1),
                             list_item(file.qcd.qcdr2),  list_item(file.dims.MxFlvN0),
                             list_item(file.dims.mxval), list_item(unused_b)};
  if (Fault f = record_fault(reader, reader.read(b), "B")) return f;

  if (Fault f = skip_lines(reader, 1, "C")) return f;
  std::int32_t unused_c3 = 0, unused_c5 = 0, ng = 0;
  const fio::ListItem c[] = {list_item(file.dims.nx), list_item(file.dims.nt), list_item(unused_c3),
                             list_item(ng), list_item(unused_c5)};
  if (Fault f = record_fault(reader, reader.read(c), "C")) return f;
  const vokpar2_block& d = file.dims;
  std::int64_t npts = 0;
  if (Fault f = check_counts(file, reader.line_number(), npts)) return f;
  file.npts = static_cast<std::int32_t>(npts);

  // ng + 2 comment lines, at least one.
  const std::int64_t comments = std::int64_t{ng} + 2;
  if (Fault f = skip_lines(reader, comments < 1 ? 1 : comments, "D")) return f;

  // Record D: qini, qmax, then pairs of which the second value is a t node.
  double dvals[2 + 2 * (PDFERR_ZEMO_MAX_NT + 1)];
  const std::span<double> dspan(dvals, static_cast<std::size_t>(2 + 2 * (d.nt + 1)));
  if (Fault f = record_fault(reader, reader.read_reals(dspan), "D")) return f;
  file.range.qini = dvals[0];
  file.range.qmax = dvals[1];
  for (int i = 0; i <= d.nt; ++i) file.tv[i] = dvals[3 + 2 * i];

  if (Fault f = skip_lines(reader, 1, "E")) return f;
  double evals[PDFERR_ZEMO_MAX_NX + 2];
  const std::span<double> espan(evals, static_cast<std::size_t>(d.nx + 2));
  if (Fault f = record_fault(reader, reader.read_reals(espan), "E")) return f;
  file.range.xmin = evals[0];
  file.xv[0] = 0;
  for (int i = 1; i <= d.nx; ++i) file.xv[i] = evals[i + 1];

  return skip_lines(reader, 1, "F");
}

// The fault of record F once its outcome r is known; empty if it came
// complete.  items: the values dealt with, line: the line of the fault.
Fault values_fault(const ListReader::Result& r, std::int64_t npts, long line) {
  if (r.error == fio::ListError::none && r.nulls == 0 && !r.slash) return {};
  // Values actually read: empty ones do not count.
  const std::size_t good = r.items - r.nulls;
  Fault f;
  f.line = line;
  std::string then = r.error != fio::ListError::none ? std::string(fio::describe(r.error))
                     : r.nulls > 0                   ? std::string("an empty value")
                                                     : std::string("a slash");
  f.what = count_text(static_cast<std::int64_t>(good)) + " of " + count_text(npts) +
           " table values read, then " + then;
  return f;
}

// Record F from text (the rest of the file after the line before it), as
// ListReader::read_reals reads it, with the line of its fault counted from
// lines_before.  Lines of plain values separated by blanks are read here;
// from the first other line on, the list reader takes over.  It starts at
// the last line that gave values (re-read), so that it meets the other
// line in the state the record had there: after a value at a line end (a
// blank line gives no value and leaves that state as it was).
Fault read_values(std::string_view text, std::span<double> values, long lines_before) {
  const std::size_t count = values.size();
  std::size_t taken = 0;          // values read
  std::size_t restart_taken = 0;  // values read before the restart line
  std::size_t restart = 0;        // offset of the restart line in text
  long restart_line = 0;          // lines before it
  std::size_t pos = 0;
  long line_number = 0;
  bool plain = true;
  while (taken < count) {
    if (pos >= text.size()) {
      plain = false;  // the end of the text: the list reader reports it
      break;
    }
    const std::size_t eol = text.find('\n', pos);
    std::string_view line =
        text.substr(pos, eol == std::string_view::npos ? std::string_view::npos : eol - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::size_t line_start = pos;
    const std::size_t taken_at_start = taken;
    pos = eol == std::string_view::npos ? text.size() : eol + 1;
    ++line_number;
    const char* k = line.data();
    const char* const end = line.data() + line.size();
    while (taken < count) {
      while (k < end && *k == ' ') ++k;
      if (k == end) break;
      // A value the list reader takes in place: from_chars converts it
      // whole up to a blank or the line end (no leading plus).  Its
      // characters hold no separator, repeat count or slash, so it is a
      // whole item of the list reader, with the same from_chars value.
      double v = 0;
      const auto [stop, ec] = std::from_chars(k, end, v);
      if (*k == '+' || ec != std::errc() || (stop != end && *stop != ' ')) {
        plain = false;
        break;
      }
      values[taken] = v;
      ++taken;
      k = stop;
    }
    if (!plain) {
      if (taken == taken_at_start) break;  // from the last line with values
      restart = line_start;                // from this line, re-read
      restart_taken = taken_at_start;
      restart_line = line_number - 1;
      break;
    }
    if (taken > taken_at_start) {
      restart = line_start;
      restart_taken = taken_at_start;
      restart_line = line_number - 1;
    }
  }
  if (plain) return {};
  ListReader rest = ListReader::from_text(text.substr(restart));
  ListReader::Result r = rest.read_reals(values.subspan(restart_taken));
  r.items += restart_taken;
  return values_fault(r, static_cast<std::int64_t>(count),
                      lines_before + restart_line + rest.line_number());
}

}  // namespace

Fault read_table(ListReader& reader, TableFile& file) {
  if (Fault f = read_header(reader, file)) return f;
  const ListReader::Result r =
      reader.read_reals(std::span<double>(file.values, static_cast<std::size_t>(file.npts)));
  return values_fault(r, file.npts, reader.line_number());
}

Fault read_table(std::string_view text, TableFile& file) {
  ListReader reader = ListReader::from_text(text);
  if (Fault f = read_header(reader, file)) return f;
  // Record F starts on the line after those the header took.
  std::size_t start = 0;
  for (long n = 0; n < reader.line_number() && start < text.size(); ++n) {
    const std::size_t eol = text.find('\n', start);
    start = eol == std::string_view::npos ? text.size() : eol + 1;
  }
  return read_values(text.substr(start),
                     std::span<double>(file.values, static_cast<std::size_t>(file.npts)),
                     reader.line_number());
}

void store_table(const TableFile& file, vokpar1_block& table, vokpar2_block& dims,
                 xqrange_block& range, masstbl_block& masses, qcdtbl_block& qcd) {
  const vokpar2_block& d = file.dims;
  table.alambda = file.alambda;
  std::memcpy(table.xv, file.xv, sizeof(double) * static_cast<std::size_t>(d.nx + 1));
  std::memcpy(table.tv, file.tv, sizeof(double) * static_cast<std::size_t>(d.nt + 1));
  std::memcpy(table.pdfval, file.values, sizeof(double) * static_cast<std::size_t>(file.npts));
  dims = d;
  range = file.range;
  masses = file.masses;
  qcd = file.qcd;
}

}  // namespace zemo_file
