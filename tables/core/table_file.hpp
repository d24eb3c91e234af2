// The ".pds" table file: its one reader, the checked table it yields, and the
// rule from a set number to a file name.
//
// The file, in reading order (text lines are consumed and ignored, records
// are free-form, see fio/listread.hpp):
//   2 text lines; record A: r1, r2, alambda, 6 masses (reals);
//   1 text line;  record B: qcdi1, qcdr1, qcdr2, MxFlvN0, mxval, one unused
//                 integer;
//   1 text line;  record C: nx, nt, unused, ng, unused (integers);
//   ng + 2 text lines (at least one);
//   record D: qini, qmax, then nt + 1 pairs (unused real, t node);
//   1 text line;  record E: xmin, unused real, x nodes 1..nx;
//   1 text line;  record F: the table values, x fastest, then t, then the
//                 flavour slot.
// Reading stops on the line of the last table value: whatever follows is
// never read, so memory stays bounded by the table whatever the file holds.
//
// A table is accepted only if the interpolation can use it: counts within
// the capacity (nx 3..201, nt 3..25, no negative flavour count, at most 55275
// values), every value present and readable, alambda finite and above 0, the
// x nodes 1..nx strictly ascending in (0, 1], the t nodes strictly
// ascending, every node and table value finite, and the file unchanged
// while it was read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fio/listread.hpp"

namespace pdferr::tables {

// Capacity: x nodes 0..201, t nodes 0..25, 55275 table values.
inline constexpr int max_nx = 201;
inline constexpr int max_nt = 25;
inline constexpr int max_values = 55275;

// Everything a table file sets.  Entries beyond the counts are unused.
struct TableData {
  double alambda = 0;
  double mass[6] = {};
  double qcdr1 = 0, qcdr2 = 0;
  std::int32_t qcdi1 = 0, qcdi2 = 0, qcdi3 = 0;
  double qini = 0, qmax = 0, xmin = 0;
  std::int32_t nx = 0, nt = 0, mxflvn0 = 0, mxval = 0;
  double xv[max_nx + 1] = {};  // xv[0] = 0
  double tv[max_nt + 1] = {};
  std::vector<double> values;  // (nx + 1)(nt + 1)(MxFlvN0 + 1 + mxval)
};

// Why a file was refused: the line concerned (0: none), the record or field
// ("" when none), the reason, and the whole as one line of text.
struct Fault {
  long line = 0;
  std::string field;
  std::string reason;
  std::string text;
  explicit operator bool() const { return !text.empty(); }
};

// Reads a table from lines into table; an empty Fault if it is accepted.
// On a fault, table holds part of the file.
Fault read_table(fio::LineSource& lines, TableData& table);

// A file as a line source.
class FileLines : public fio::LineSource {
 public:
  // 0, or the errno of the failed open.
  int open(const std::string& path) { return file_.open(path.c_str()); }
  fio::LineStatus next(std::string& line) override { return file_.next(line); }
  int error() const override { return file_.error(); }
  bool unchanged() const override { return file_.unchanged(); }

 private:
  common::TextFile file_;
};

// The file name of table set `set`: 100..152 "zemo.NN.pds", 200..252
// "zemowNN.pds" (NN its last two digits), 10..19 "zemo.asN.pds", 20..29
// "zemowasN.pds" (N its last digit), 30..33 "zemo.3f.pds", "zemo.4f.pds",
// "zemow3f.pds", "zemow4f.pds"; "" for any other number.
std::string table_file_name(std::int32_t set);

// Rounding to the nearest integer, halves away from zero (2.5 gives 3,
// -2.5 gives -3), saturated at the ends of the 32-bit range; NaN gives 0.
std::int32_t nearest_integer(double v);

// The system's text of an errno ("No such file or directory").
std::string system_reason(int error);

// The shortest text that reads back as v ("0.3", "1e-05", "inf", "nan").
std::string number_text(double v);

}  // namespace pdferr::tables
