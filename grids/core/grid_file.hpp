// Grid files: the grid's shape and nodes, the file name of each member,
// and the one reader of the 1380 fixed-field lines.  Nothing here knows a
// block, a unit, a message or a stop: a failure comes back as a value.
#pragma once

#include <cstdint>
#include <string>

#include "common/text_file.hpp"

namespace pdferr::grids {

// ---- The grid

inline constexpr int nx = 47;                    // x nodes; the last one, x = 1, has no file line
inline constexpr int nx_file = 46;               // x nodes with file lines
inline constexpr int nq = 30;                    // Q2 nodes
inline constexpr int ncol = 6;                   // density columns
inline constexpr int file_lines = nx_file * nq;  // 1380
inline constexpr int field_width = 12;           // each line: six fields of 1PE12.4

// The x nodes as held: entries 21 to 46 carry the 32-bit float nearest to
// their decimal, widened; the others the nearest 64-bit value.
extern const double x_nodes[nx];
// The Q2 nodes, each the nearest 64-bit value of its decimal.
extern const double q2_nodes[nq];
// The node counts in the form the interpolation takes them.
extern const std::int32_t node_counts[2];

// Natural logarithms of the x nodes, then of the Q2 nodes: the same 77
// values for every member, computed on first use.
const double* log_nodes();

// The file name of member `member`: "PELK-GRID.NLO" for 0, then
// "pelk-plus-NN.grid" and "pelk-minus-NN.grid" with the magnitude in two
// digits ("03"), or "**" when it has more.
std::string member_file_name(std::int32_t member);

// ---- Reading a grid file

// The file values of one member: raw[i][j][c] is column c at x node i and
// Q2 node j, as on file line 30 i + j + 1 (0-based indices).
using RawGrid = double[nx_file][nq][ncol];

// Lines of a grid file, from a file opened by path or from an I/O unit.
class LineSource {
 public:
  using Status = pdferr::common::TextFile::Status;
  virtual ~LineSource() = default;
  virtual Status next(std::string& line) = 0;
  // The errno of a read error.
  virtual int error() const = 0;
  // Whether the file is still the one opened, as it was.
  virtual bool unchanged() const = 0;
};

// Why reading a grid file failed.  line is 1-based: the line of a bad
// field, the line that could not be read or was too long, and for a short
// file the count of lines it has.
struct ReadFailure {
  enum Kind { none, open, short_file, bad_field, read_error, line_too_long, changed };
  Kind kind = none;
  int error = 0;  // errno of a failed open or read
  long line = 0;
  int field = 0;  // 1-based field of a bad field
};

// Reads the 1380 lines of a grid file into raw, each as "(6(1PE12.4))"
// reads it; lines beyond them stay unread.  A file that changed while it
// was read is refused as changed, also where the change left it short or
// malformed.
ReadFailure read_grid(LineSource& lines, RawGrid& raw);

// The same for the file at path, opened, read and closed here.
ReadFailure read_grid_file(const std::string& path, RawGrid& raw);

}  // namespace pdferr::grids
