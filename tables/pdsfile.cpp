#include "pdsfile.hpp"

#include <cmath>
#include <cstring>
#include <span>
#include <string_view>

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
  if (d.nx < 3 || d.nx > ZEMO_MAX_NX) {
    f.what = "nx = " + count_text(d.nx) + " outside 3 to 201";
  } else if (d.nt < 3 || d.nt > ZEMO_MAX_NT) {
    f.what = "nt = " + count_text(d.nt) + " outside 3 to 25";
  } else if (d.MxFlvN0 < 0) {
    f.what = "MxFlvN0 = " + count_text(d.MxFlvN0) + " is negative";
  } else if (d.mxval < 0) {
    f.what = "mxval = " + count_text(d.mxval) + " is negative";
  } else {
    npts =
        std::int64_t{d.nx + 1} * (d.nt + 1) * (std::int64_t{d.MxFlvN0} + 1 + std::int64_t{d.mxval});
    if (npts > ZEMO_MAX_VALUES) f.what = "table of " + count_text(npts) + " values exceeds 55275";
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

Fault read_table(ListReader& reader, TableFile& file) {
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
  double dvals[2 + 2 * (ZEMO_MAX_NT + 1)];
  const std::span<double> dspan(dvals, static_cast<std::size_t>(2 + 2 * (d.nt + 1)));
  if (Fault f = record_fault(reader, reader.read_reals(dspan), "D")) return f;
  file.range.qini = dvals[0];
  file.range.qmax = dvals[1];
  for (int i = 0; i <= d.nt; ++i) file.tv[i] = dvals[3 + 2 * i];

  if (Fault f = skip_lines(reader, 1, "E")) return f;
  double evals[ZEMO_MAX_NX + 2];
  const std::span<double> espan(evals, static_cast<std::size_t>(d.nx + 2));
  if (Fault f = record_fault(reader, reader.read_reals(espan), "E")) return f;
  file.range.xmin = evals[0];
  file.xv[0] = 0;
  for (int i = 1; i <= d.nx; ++i) file.xv[i] = evals[i + 1];

  if (Fault f = skip_lines(reader, 1, "F")) return f;
  const ListReader::Result r =
      reader.read_reals(std::span<double>(file.values, static_cast<std::size_t>(npts)));
  if (r.error != fio::ListError::none || r.nulls > 0 || r.slash) {
    // Values actually read: empty ones do not count.
    const std::size_t good = r.items - r.nulls;
    Fault f;
    f.line = reader.line_number();
    std::string then = r.error != fio::ListError::none ? std::string(fio::describe(r.error))
                       : r.nulls > 0                   ? std::string("an empty value")
                                                       : std::string("a slash");
    f.what = count_text(static_cast<std::int64_t>(good)) + " of " + count_text(npts) +
             " table values read, then " + then;
    return f;
  }
  return {};
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
