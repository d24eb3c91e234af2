// The arithmetic and file handling behind the exported routines of the grid
// subsystem, as plain functions over explicit state, for the routines, the
// tests and the faster paths alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fio/dispatch.hpp"

namespace pelk {

// ---- Text fields -------------------------------------------------------

// Used length: the length without trailing blanks (only 0x20 is a blank).
std::int32_t used_length(std::string_view field);

// Joins the used parts of str1 and str2 into str[0..len), blank padded.
// Returns false, writing nothing, when they do not fit.
bool join(std::string_view str1, std::string_view str2, char* str, std::size_t len);

// ---- Grid files --------------------------------------------------------

inline constexpr int nx = 47;                    // x nodes; the last one, x = 1, has no file line
inline constexpr int nx_file = 46;               // x nodes with file lines
inline constexpr int nq = 30;                    // Q2 nodes
inline constexpr int ncol = 6;                   // density columns
inline constexpr int file_lines = nx_file * nq;  // 1380
inline constexpr int grid_unit = 71;             // the I/O unit of the grid files
inline constexpr int name_length = 20;           // the file-name field

// The x nodes as held: entries 21 to 46 carry the 32-bit float nearest to
// their decimal, widened; the others the nearest 64-bit value.
extern const double x_nodes[nx];
// The Q2 nodes, each the nearest 64-bit value of its decimal.
extern const double q2_nodes[nq];

// The blank-padded 20-character file-name field of member iset.
void grid_file_name(std::int32_t iset, char (&name)[name_length]);

// The powers of x and u = 1 - x that form the column factors.
struct Powers {
  double x;
  double u;
  double u3;      // u (u u)
  double u4;      // (u u)^2
  double u5;      // (u (u u)) (u u)
  double u8;      // ((u u)^2)^2
  double sqrt_x;  // x^0.5 by the power function
};
Powers powers(double x);

// The load factor of each column, by which the file values are divided.
void load_factors(const Powers& p, double (&factor)[ncol]);

// The file values of one member: raw[i][j][c] is column c at x node i and
// Q2 node j, as on file line 30 i + j + 1 (0-based indices).
using RawGrid = double[nx_file][nq][ncol];

// Where reading a grid file failed.
struct ReadFailure {
  enum Kind { none, open, busy, short_file, bad_field } kind = none;
  int error = 0;  // errno of a failed open
  int line = 0;   // 1-based line of a short file (lines read) or bad field
  int field = 0;  // 1-based field of a bad field
};

// Reads the six fields of one grid file line into values, as
// fio::read_e_fields does with the descriptor 1PE12.4: returns 0, or the
// 1-based position of the first bad field (the fields before it are
// stored).  Fields in the written form "  1.2345E-02" are converted by a
// short path of their own, every other field as fio::read_e_field converts
// it, with the same bits.
int read_grid_fields(std::string_view line, double* values);

// Reads the grid file path on the grid unit into raw; the unit is closed
// again before returning.
ReadFailure read_grid_file(const char* path, RawGrid& raw);

// The stored tables of a member: values divided by the load factors,
// zero at x node 47.  table[c][k][l], column-major as in pelkgrid.
using GridTables = double[ncol][nq][nx];
void build_tables(const RawGrid& raw, GridTables& table);

// Natural logarithms of the x nodes, then of the Q2 nodes.
void log_nodes(double (&logs)[nx + nq]);

// ---- Multilinear interpolation -----------------------------------------

inline constexpr int max_dims = 5;

// The cell that holds a point: the lower-node weight of each dimension and
// the 0-based table position of the corner with every upper node.
struct Cell {
  int ndim;
  double w[max_dims];
  std::int64_t base;
};

// Why a grid shape is refused (0: accepted).  A dimension index is 1-based.
struct ShapeCheck {
  bool ndim_out_of_range = false;  // ndim outside 1..max_dims
  int short_dimension = 0;         // the first dimension with fewer than two nodes
  bool ok() const { return !ndim_out_of_range && short_dimension == 0; }
};
ShapeCheck check_shape(std::int32_t ndim, const std::int32_t* nnodes);

// The cell of coord; the shape must have passed check_shape.
Cell find_cell(int ndim, const double* coord, const std::int32_t* nnodes, const double* nodes);

// The weighted sum of the table values at the 2^ndim corners of the cell.
double corner_sum(const Cell& cell, const std::int32_t* nnodes, const double* table);

// ---- The faster path of the density evaluation -------------------------

// The count of the n nodes that are not at or above c (all of them for a
// NaN c), compiled for processors with AVX2 and for all others; a call runs
// the version this processor runs.
using CountBelowVariants = fio::Variants<std::int64_t(const double*, std::int64_t, double)>;
extern const CountBelowVariants count_below;

// find_cell for nodes ascending in every dimension (as pelkini writes
// them), by comparisons without branches: there the nodes below a coordinate
// form a prefix, so the first node at or above it is the count of nodes
// that are not, and the cell, weights and base are find_cell's bit for bit.
Cell find_cell_ascending(int ndim, const double* coord, const std::int32_t* nnodes,
                         const double* nodes);

// corner_sum of one two-dimensional cell on ntables tables of nnodes[0] x
// nnodes[1] values each, one after another: the four corner factors are
// formed once for all tables, each in corner_sum's order, and each sum is
// corner_sum's, term by term.
void corner_sums_2d(const Cell& cell, const std::int32_t* nnodes, const double* tables, int ntables,
                    double* sums);

}  // namespace pelk
