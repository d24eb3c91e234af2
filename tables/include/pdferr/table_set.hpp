// A parton density table set as a value (C++17).
//
// A TableSet is one ".pds" table file, loaded and checked: any number of
// sets may be open at once, each immutable once loaded.  Copies are cheap
// and share the loaded table.  value() gives the density of one flavour at
// momentum fraction x and scale Q, the bits of zemopdf on the same file, and
// on arrays many points in one call; values() every flavour.  Evaluation is
// const and may run in any number of threads at once.
//
//   pdferr::TableSet central = pdferr::TableSet::from_set(100, "data");
//   pdferr::TableSet::Cache cache;  // optional, one per thread
//   double g = central.value(cache, 0, 0.01, 10.0);
//
// Loading reports a refused file as pdferr::file_error (file, line, field,
// reason); a point outside the domain is a pdferr::domain_error.  Nothing
// here ends the process.
#ifndef PDFERR_TABLE_SET_HPP
#define PDFERR_TABLE_SET_HPP

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "pdferr/errors.hpp"

namespace pdferr {

namespace tables {
struct LoadedTable;
struct CacheState;
}  // namespace tables

class PDFERR_API TableSet {
 public:
  // Loads the table file at path.  Throws file_error if it cannot be opened
  // or read, or is refused (counts beyond the capacity, values missing or
  // unreadable, nodes not ascending, x nodes outside (0, 1], alambda not
  // above 0, anything not finite, a file rewritten while it was read).
  explicit TableSet(const std::string& path);

  // The set numbered `set`, found in `directory` (unless it is ""), then in
  // the folders of PDFERR_DATA_PATH, then in the working folder; a file
  // found nowhere is refused as missing from the first place looked at.
  // Throws std::invalid_argument for a number that names no set.
  static TableSet from_set(std::int32_t set, const std::string& directory = "");

  // The file name of set `set` ("zemo.00.pds" for 100), as setzemo and
  // from_set look it up; std::invalid_argument for a number that names no set (sets 10..33,
  // 100..152, 200..252).
  static std::string file_name(std::int32_t set);

  // The brackets and coefficients of the last point evaluated, kept for
  // the next evaluation with the same x or Q: all flavours at one point
  // cost one search.  Owned by the caller, one per thread; it may serve
  // several sets in turn (it notices a change of set).
  class PDFERR_API Cache {
   public:
    Cache();
    ~Cache();
    Cache(const Cache& other);
    Cache& operator=(const Cache& other);
    Cache(Cache&& other) noexcept;
    Cache& operator=(Cache&& other) noexcept;

   private:
    friend class TableSet;
    std::unique_ptr<tables::CacheState> state_;
  };

  // The density of flavour `flavour` at (x, Q), never negative: the bits of
  // zemopdf.  x = 0 gives 0; beyond the nodes, within the domain, the table
  // is extrapolated as zemopdf does.  Throws domain_error for x outside
  // [0, 1], Q below 0.3 or not above alambda, Q infinite, |flavour| above
  // MxFlvN0, and NaN.
  double value(std::int32_t flavour, double x, double q) const;
  double value(Cache& cache, std::int32_t flavour, double x, double q) const;

  // Flavours -MxFlvN0..MxFlvN0 at (x, Q) into out[0..2 MxFlvN0], as value()
  // gives them, the point located once.
  void values(double x, double q, double* out) const;

  // Many points in one call: point i is (x[i], q[i]), or (x[i], q) for the
  // overloads with one Q, i = 0..n - 1.  Each result is value()'s for its
  // flavour and point, bit for bit; what depends on Q alone is formed once
  // for one Q, and the flavours of a point share its location.  A flavour
  // beyond MxFlvN0 throws domain_error (index() -1).  A point outside the
  // domain refuses the call (domain_error, index() the first such point,
  // out untouched), or with OutsideDomain::nan gives NaN there.  out must
  // not overlap x or q.
  //
  // One flavour: out[i].
  void value(std::int32_t flavour, const double* x, const double* q, std::size_t n, double* out,
             OutsideDomain outside = OutsideDomain::refuse) const;
  void value(std::int32_t flavour, const double* x, double q, std::size_t n, double* out,
             OutsideDomain outside = OutsideDomain::refuse) const;
  // Every flavour, point-major: flavour f at point i is out[i (2 MxFlvN0 +
  // 1) + f + MxFlvN0].
  void values(const double* x, const double* q, std::size_t n, double* out,
              OutsideDomain outside = OutsideDomain::refuse) const;
  void values(const double* x, double q, std::size_t n, double* out,
              OutsideDomain outside = OutsideDomain::refuse) const;

  // The file loaded.
  const std::string& path() const noexcept;

  // Header values of the file: alambda, the six masses, the QCD numbers,
  // the Q and x range it states, and the counts.
  double alambda() const noexcept;
  std::array<double, 6> masses() const noexcept;
  double qcdr1() const noexcept;
  double qcdr2() const noexcept;
  std::int32_t qcdi1() const noexcept;
  std::int32_t qcdi2() const noexcept;
  std::int32_t qcdi3() const noexcept;
  double qini() const noexcept;
  double qmax() const noexcept;
  double xmin() const noexcept;
  std::int32_t nx() const noexcept;       // x nodes 0..nx
  std::int32_t nt() const noexcept;       // t nodes 0..nt
  std::int32_t MxFlvN0() const noexcept;  // flavours -MxFlvN0..MxFlvN0
  std::int32_t mxval() const noexcept;    // positive flavour slots 1..mxval

  // The nodes: x nodes 0..nx (x node 0 is 0), t nodes 0..nt (t = ln(ln(Q /
  // alambda))).  Valid as long as this set or a copy of it lives.
  const double* x_nodes() const noexcept;
  const double* t_nodes() const noexcept;

  // The ranges the nodes span, beyond which value() extrapolates: x from x
  // node 1 to x node nx, Q from that of t node 0 to that of t node nt
  // (Q = alambda exp(exp(t))).
  double x_node_min() const noexcept;
  double x_node_max() const noexcept;
  double q_node_min() const noexcept;
  double q_node_max() const noexcept;

 private:
  explicit TableSet(std::shared_ptr<const tables::LoadedTable> table);
  std::shared_ptr<const tables::LoadedTable> table_;
};

}  // namespace pdferr

#endif
