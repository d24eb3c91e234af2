// The core of the grid subsystem: text fields, member file names, reading
// grid files, the stored tables, multilinear interpolation and the six
// densities, as plain functions over explicit state.  It knows no block, no
// unit, no message and no stop: a failure comes back as a value, and the
// callers (the legacy routines, GridMember) say what it means to theirs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/text_file.hpp"
#include "simd/dispatch.hpp"

namespace pdferr::grids {

// ---- Text fields -------------------------------------------------------

// Used length: the length without trailing blanks (only 0x20 is a blank).
std::int32_t used_length(std::string_view field);

// Joins the used parts of str1 and str2 into str[0..len), blank padded.
// Returns false, writing nothing, when they do not fit.  str may be the
// storage of str1.
bool join(std::string_view str1, std::string_view str2, char* str, std::size_t len);

// ---- The grid ----------------------------------------------------------

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

// ---- Reading a grid file -----------------------------------------------

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

// ---- The stored tables -------------------------------------------------

// The powers of u = 1 - x that form the column factors, each by
// multiplication in this grouping; T is double for one point and
// simd::Lanes for several side by side.
template <class T>
struct UPowersOf {
  T u;
  T u3;  // u (u u)
  T u4;  // (u u)^2
  T u5;  // (u (u u)) (u u)
  T u8;  // ((u u)^2)^2
};

template <class T>
[[gnu::always_inline]] inline UPowersOf<T> u_powers(T x) {
  UPowersOf<T> p;
  p.u = T(1.0) - x;
  const T uu = p.u * p.u;
  p.u3 = p.u * uu;
  p.u4 = uu * uu;
  p.u5 = p.u3 * uu;
  p.u8 = p.u4 * p.u4;
  return p;
}

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

// The stored tables of a member: values divided by the load factors, zero
// at x node 47.  table[c][k][l] is column c at x node l and Q2 node k.
using GridTables = double[ncol][nq][nx];
void build_tables(const RawGrid& raw, GridTables& table);

// ---- Multilinear interpolation -----------------------------------------

inline constexpr int max_dims = 5;

// The cell that holds a point: the lower-node weight of each dimension and
// the 0-based table position of the corner with every upper node.
struct Cell {
  int ndim;
  double w[max_dims];
  std::int64_t base;
};

// Why a grid shape is refused.  A dimension index is 1-based.
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

// The upper node of a dimension's cell, 1..n - 1, from the count of its n
// nodes below the coordinate: the first node at or above it, the last node
// if there is none, the second if it is the first.
inline std::int64_t upper_node(std::int64_t below, std::int64_t n) {
  const std::int64_t j = below < n - 1 ? below : n - 1;
  return j == 0 ? 1 : j;
}

// The weight of the lower node of a cell at coordinate c.
template <class T>
[[gnu::always_inline]] inline T lower_weight(T upper, T lower, T c) {
  return (upper - c) / (upper - lower);
}

// The count of the n nodes that are not at or above c (all of them for a
// NaN c), compiled for processors with AVX2 and for all others; a call runs
// the version this processor runs.
using CountBelowVariants = simd::Variants<std::int64_t(const double*, std::int64_t, double)>;
extern const CountBelowVariants count_below;

// find_cell for nodes ascending in every dimension, by comparisons without
// branches: there the nodes below a coordinate form a prefix, so the first
// node at or above it is the count of nodes that are not, and the cell,
// weights and base are find_cell's bit for bit.
Cell find_cell_ascending(int ndim, const double* coord, const std::int32_t* nnodes,
                         const double* nodes);

// corner_sum of one two-dimensional cell on ntables tables of nnodes[0] x
// nnodes[1] values each, one after another: the four corner factors are
// formed once for all tables, each in corner_sum's order, and each sum is
// corner_sum's, term by term.
void corner_sums_2d(const Cell& cell, const std::int32_t* nnodes, const double* tables, int ntables,
                    double* sums);

// The four corner factors of a two-dimensional cell with lower-node
// weights w1 and w2, as corner_sum forms them from factor = 1, dimension 1
// first; the corners in its order: (upper, upper), (upper, lower), (lower,
// upper), (lower, lower), written (dimension 1, dimension 2).
template <class T>
struct CornerFactors {
  T uu, ul, lu, ll;
};

template <class T>
[[gnu::always_inline]] inline CornerFactors<T> corner_factors(T w1, T w2) {
  const T one(1.0);
  CornerFactors<T> f;
  f.uu = (one - w2) * ((one - w1) * one);
  f.ul = w2 * ((one - w1) * one);
  f.lu = (one - w2) * (w1 * one);
  f.ll = w2 * (w1 * one);
  return f;
}

// corner_sum of the corner values v_uu, v_ul, v_lu, v_ll: the sum from 0 in
// corner order.
template <class T>
[[gnu::always_inline]] inline T corner_sum_2d(const CornerFactors<T>& f, T v_uu, T v_ul, T v_lu,
                                              T v_ll) {
  T sum(0.0);
  sum = v_uu * f.uu + sum;
  sum = v_ul * f.ul + sum;
  sum = v_lu * f.lu + sum;
  sum = v_ll * f.ll + sum;
  return sum;
}

// ---- The six densities -------------------------------------------------

// The domain of evaluation of a member: x in [1e-5, 1], q2 in [1, 1e6].
inline constexpr double x_lowest = 1e-5;
inline constexpr double x_highest = 1.0;
inline constexpr double q2_lowest = 1.0;
inline constexpr double q2_highest = 1e6;

// Negated tests: a NaN fails them.
inline bool x_in_domain(double x) { return x >= x_lowest && x <= x_highest; }
inline bool q2_in_domain(double q2) { return q2 >= q2_lowest && q2 <= q2_highest; }

// The six densities from the interpolated tables t: each times its column's
// factor, in this grouping (sqrt_x is x^0.5 by the power function).
template <class T>
[[gnu::always_inline]] inline void column_densities(const T (&t)[ncol], const UPowersOf<T>& p, T x,
                                                    T sqrt_x, T (&out)[ncol]) {
  out[0] = (t[0] * p.u3) * x;
  out[1] = (t[1] * p.u4) * x;
  out[2] = sqrt_x * (t[2] * p.u8);
  out[3] = sqrt_x * (t[3] * p.u8);
  out[4] = sqrt_x * (t[4] * p.u8);
  out[5] = sqrt_x * (t[5] * p.u5);
}

// The six densities at (x, q2): bilinear interpolation in (ln x, ln q2) of
// the six tables (ncol runs of nnodes[0] x nnodes[1] values), each times
// its column's factor.  nnodes must be (47, 30) and lognodes ascending, as
// a loaded member has them; the point is not checked.
void densities(const double* tables, const std::int32_t* nnodes, const double* lognodes, double x,
               double q2, double (&out)[ncol]);

// The stored tables with the columns of each node side by side:
// side[k][l][c] = table[c][k][l], then two zeros (eight values, 64 bytes,
// per node).
inline constexpr int side_width = 8;
using SideTables = double[nq][nx][side_width];
void side_by_side(const GridTables& tables, SideTables& side);

// The six densities at the points (x[i], q2[i]), or (x[i], q2[0]) when
// one_q2, i = 0..n - 1, into out[ncol i + c]: densities()'s bits at a point
// of the domain, NaN at a point outside it.  With one Q2, its logarithm and
// cell are formed once.
struct DensityRequest {
  const double* x = nullptr;
  const double* q2 = nullptr;
  bool one_q2 = false;
  std::size_t n = 0;
  double* out = nullptr;
};

// The densities of many points from a member's SideTables, compiled for
// processors with AVX2 and for all others; a call runs the version this
// processor runs.  The six columns of a point are formed side by side; the
// logarithms and x^0.5 of many points by the array forms.
using DensitiesVariants = simd::Variants<void(const double* side, const DensityRequest&)>;
extern const DensitiesVariants densities_at;

}  // namespace pdferr::grids
