// pdferr::GridMember: a grid member loaded by the core's reader and
// evaluated by the core's interpolation, with failures as exceptions.
#include "pdferr/grid_member.hpp"

#include <array>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include "common/data_path.hpp"
#include "common/text_file.hpp"
#include "densities.hpp"
#include "grid_file.hpp"
#include "stored_tables.hpp"

namespace pdferr {
namespace grids {

struct LoadedMember {
  std::string path;
  GridTables tables;
  SideTables side;  // the same, for many points at once
};

namespace {

constexpr std::int32_t max_member = 99;

[[noreturn]] void throw_read_failure(const std::string& path, const ReadFailure& f) {
  const std::string reason = f.error != 0 ? pdferr::common::TextFile::reason(f.error) : "";
  switch (f.kind) {
    case ReadFailure::open:
      throw file_error(path, 0, "", "cannot open: " + reason);
    case ReadFailure::short_file:
      throw file_error(path, f.line + 1, "",
                       "the file ends before this line; a grid file has " +
                           std::to_string(file_lines) + " lines");
    case ReadFailure::bad_field:
      throw file_error(path, f.line, "field " + std::to_string(f.field), "not a number");
    case ReadFailure::read_error:
      throw file_error(path, f.line, "", "read error: " + reason);
    case ReadFailure::line_too_long:
      throw file_error(
          path, f.line, "",
          "line longer than " + std::to_string(pdferr::common::TextFile::max_line) + " bytes");
    case ReadFailure::changed:
    default:
      throw file_error(path, 0, "", "the file changed while it was read");
  }
}

// The shortest text that reads back as v.
std::string text(double v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

// What is wrong with a point outside the domain; "" inside it.  x is
// tested first.
std::string point_fault(double x, double q2) {
  if (!x_in_domain(x)) return "x = " + text(x) + " is outside [1e-5, 1]";
  if (!q2_in_domain(q2)) return "q2 = " + text(q2) + " is outside [1, 1e6]";
  return "";
}

// The densities of many points: a point outside the domain refuses the
// call before anything is written, or gives NaN.
void evaluate_points(const LoadedMember& member, const DensityRequest& r, OutsideDomain outside) {
  if (outside == OutsideDomain::refuse) {
    for (std::size_t i = 0; i < r.n; ++i) {
      const double q2 = r.one_q2 ? r.q2[0] : r.q2[i];
      if (x_in_domain(r.x[i]) && q2_in_domain(q2)) continue;
      throw domain_error("point " + std::to_string(i) + ": " + point_fault(r.x[i], q2),
                         static_cast<std::ptrdiff_t>(i));
    }
  }
  densities_at(&member.side[0][0][0], r);
}

void check_member(std::int32_t member) {
  if (member < -max_member || member > max_member) {
    throw std::invalid_argument("grid member " + std::to_string(member) + " is outside -99..99");
  }
}

}  // namespace
}  // namespace grids

GridMember::GridMember(std::shared_ptr<const grids::LoadedMember> member)
    : member_(std::move(member)) {}

GridMember::GridMember(const std::string& path) {
  struct Scratch {
    grids::RawGrid raw;
  };
  // Default-initialised, not zeroed: the reader and build_tables write
  // every value before any is read.
  const std::unique_ptr<Scratch> scratch(new Scratch);
  const grids::ReadFailure failure = grids::read_grid_file(path, scratch->raw);
  if (failure.kind != grids::ReadFailure::none) grids::throw_read_failure(path, failure);
  std::shared_ptr<grids::LoadedMember> member(new grids::LoadedMember);
  member->path = path;
  grids::build_tables(scratch->raw, member->tables);
  grids::side_by_side(member->tables, member->side);
  member_ = std::move(member);
}

GridMember GridMember::from_member(std::int32_t member, const std::string& directory) {
  const std::string name = file_name(member);
  if (const auto found = common::find_data_file(name, directory)) return GridMember(*found);
  // Found nowhere: refused where it was looked for first.
  return GridMember(common::in_folder(directory, name));
}

std::string GridMember::file_name(std::int32_t member) {
  grids::check_member(member);
  return grids::member_file_name(member);
}

std::array<double, 6> GridMember::values(double x, double q2) const {
  using namespace grids;
  if (const std::string fault = point_fault(x, q2); !fault.empty()) throw domain_error(fault);
  double d[ncol];
  densities(&member_->tables[0][0][0], node_counts, log_nodes(), x, q2, d);
  return {d[0], d[1], d[2], d[3], d[4], d[5]};
}

void GridMember::values(const double* x, const double* q2, std::size_t n, double* out,
                        OutsideDomain outside) const {
  grids::evaluate_points(*member_, {x, q2, false, n, out}, outside);
}

void GridMember::values(const double* x, double q2, std::size_t n, double* out,
                        OutsideDomain outside) const {
  grids::evaluate_points(*member_, {x, &q2, true, n, out}, outside);
}

const std::string& GridMember::path() const noexcept { return member_->path; }

double GridMember::x_min() noexcept { return grids::x_lowest; }
double GridMember::x_max() noexcept { return grids::x_highest; }
double GridMember::q2_min() noexcept { return grids::q2_lowest; }
double GridMember::q2_max() noexcept { return grids::q2_highest; }
const double* GridMember::x_nodes() noexcept { return grids::x_nodes; }
const double* GridMember::q2_nodes() noexcept { return grids::q2_nodes; }
int GridMember::x_node_count() noexcept { return grids::nx; }
int GridMember::q2_node_count() noexcept { return grids::nq; }

}  // namespace pdferr
