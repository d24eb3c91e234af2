// Reading a ".pds" table file into a staging record.
//
// The whole file is read and checked here before anything reaches the
// process-wide blocks: a faulty file leaves every block as it was, and a
// load never mixes two tables.
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
// Anything after the last table value is never read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ZEMOPdf.h"
#include "fio/listread.hpp"

namespace zemo_file {

// Everything a table file sets.  Fields beyond the counts read are unused.
struct TableFile {
  vokpar2_block dims{};
  xqrange_block range{};
  masstbl_block masses{};
  qcdtbl_block qcd{};
  double alambda = 0;
  double xv[PDFERR_ZEMO_MAX_NX + 1] = {};  // xv[0] = 0
  double tv[PDFERR_ZEMO_MAX_NT + 1] = {};
  double values[PDFERR_ZEMO_MAX_VALUES] = {};
  std::int32_t npts = 0;  // count of table values
};

// Why a file was refused: the line it concerns and what was wrong there.
struct Fault {
  long line = 0;
  std::string what;  // empty: the file was read and is sound
  explicit operator bool() const { return !what.empty(); }
};

// Reads a whole table file from reader into file.  Refuses counts outside
// the capacity of the blocks or too small for the 4 x 4 patch (nx and nt
// from 3 up to 201 and 25, no negative flavour counts, at most 55275
// values), unreadable or missing values, empty values and a slash that ends
// a record early, and a table that ends before its last value.
Fault read_table(fio::ListReader& reader, TableFile& file);

// The same for the whole text of a file, its lines as ListReader::from_text
// takes them, with the same values, faults and lines: the table values are
// read by a shorter path where they stand as plain numbers separated by
// blanks.
Fault read_table(std::string_view text, TableFile& file);

// Copies a sound file into the blocks; only the entries within its counts
// are written.
void store_table(const TableFile& file, vokpar1_block& table, vokpar2_block& dims,
                 xqrange_block& range, masstbl_block& masses, qcdtbl_block& qcd);

// Rounding to the nearest integer, halves away from zero (2.5 gives 3,
// -2.5 gives -3).
std::int32_t nearest_integer(double v);

}  // namespace zemo_file
