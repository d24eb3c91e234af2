// A parton density grid member as a value (C++17).
//
// A GridMember is one grid file, loaded and checked: any number of members
// may be open at once, each immutable once loaded.  Copies are cheap and
// share the loaded tables.  values() gives the six densities at momentum
// fraction x and scale q2, the bits of pelkfit on the same file, and on
// arrays at many points in one call; it is const and may run in any number
// of threads at once.
//
//   pdferr::GridMember central = pdferr::GridMember::from_member(0, "grids");
//   pdferr::GridMember plus3 = pdferr::GridMember::from_member(3, "grids");
//   std::array<double, 6> d = central.values(0.01, 100.0);
//
// Loading reports a refused file as pdferr::file_error (file, line, field,
// reason); a point outside the domain is a pdferr::domain_error.  Nothing
// here ends the process.
#ifndef PDFERR_GRID_MEMBER_HPP
#define PDFERR_GRID_MEMBER_HPP

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "pdferr/errors.hpp"

namespace pdferr {

namespace grids {
struct LoadedMember;
}  // namespace grids

class PDFERR_API GridMember {
 public:
  // Loads the grid file at path.  Throws file_error if it cannot be opened
  // or read, has fewer than 1380 lines, holds a field that is not a number,
  // or was rewritten while it was read.
  explicit GridMember(const std::string& path);

  // Member `member` (0 is the central member, 1..99 the plus and -1..-99
  // the minus members), found in `directory` (unless it is ""), then in the
  // folders of PDFERR_DATA_PATH, then in the working folder; a file found
  // nowhere is refused as missing from the first place looked at.  Throws
  // std::invalid_argument for a number beyond 99.
  static GridMember from_member(std::int32_t member, const std::string& directory = "");

  // The file name of member `member` ("PELK-GRID.NLO", "pelk-plus-03.grid",
  // "pelk-minus-12.grid"); std::invalid_argument beyond 99.
  static std::string file_name(std::int32_t member);

  // The six densities at (x, q2), in the order of the file's columns.
  // Throws domain_error for x outside [1e-5, 1], q2 outside [1, 1e6], and
  // NaN.  At x = 1 all six are 0.
  std::array<double, 6> values(double x, double q2) const;

  // Many points in one call: point i is (x[i], q2[i]), or (x[i], q2) for
  // the overload with one Q2, i = 0..n - 1; its six densities go to
  // out[6 i .. 6 i + 5], the bits of values() at that point.  With one Q2,
  // what depends on it alone is formed once.  A point outside the domain
  // refuses the call (domain_error, index() the first such point, out
  // untouched), or with OutsideDomain::nan gives six NaN there.  out must
  // not overlap x or q2.
  void values(const double* x, const double* q2, std::size_t n, double* out,
              OutsideDomain outside = OutsideDomain::refuse) const;
  void values(const double* x, double q2, std::size_t n, double* out,
              OutsideDomain outside = OutsideDomain::refuse) const;

  // The file loaded.
  const std::string& path() const noexcept;

  // The domain of values(): x in [x_min, x_max], q2 in [q2_min, q2_max].
  static double x_min() noexcept;
  static double x_max() noexcept;
  static double q2_min() noexcept;
  static double q2_max() noexcept;

  // The grid nodes, the same for every member: 47 x nodes (1e-5 to 1) and
  // 30 Q2 nodes (0.8 to 1e6), ascending.
  static const double* x_nodes() noexcept;
  static const double* q2_nodes() noexcept;
  static int x_node_count() noexcept;
  static int q2_node_count() noexcept;

 private:
  explicit GridMember(std::shared_ptr<const grids::LoadedMember> member);
  std::shared_ptr<const grids::LoadedMember> member_;
};

}  // namespace pdferr

#endif
