// The grid subsystem's legacy interface: the block pelkgrid and the
// routines istrl, strcat, pelkini, dfint_pelk and pelkfit, with their
// messages and stops, over the core.
#include "PELK-2008.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "common/data_path.hpp"
#include "densities.hpp"
#include "fio/export.hpp"
#include "fio/record.hpp"
#include "fio/stop.hpp"
#include "fio/units.hpp"
#include "grid_file.hpp"
#include "interpolation.hpp"
#include "stored_tables.hpp"
#include "text_fields.hpp"

namespace core = pdferr::grids;

FIO_BLOCK(pelkgrid, 68304, 16)

static_assert(sizeof(pelkgrid_block) == 8 * 8460 + 8 + 8 * 77);
static_assert(offsetof(pelkgrid_block, nnodes) == 8 * 8460);
static_assert(offsetof(pelkgrid_block, lognodes) == 8 * 8460 + 8);
static_assert(PDFERR_PELK_NX == core::nx && PDFERR_PELK_NQ == core::nq &&
              PDFERR_PELK_NCOL == core::ncol);

namespace {

// The I/O unit the grid files are read on.
constexpr int grid_unit = 71;

// The raw values of the last grid file read; only pelkini uses them.
core::RawGrid parton;

// The grid file as pelkini reads it: the lines of the grid unit.
class UnitLines final : public core::LineSource {
 public:
  Status next(std::string& line) override { return fio::read_line(grid_unit, line); }
  int error() const override { return fio::read_error(grid_unit); }
  bool unchanged() const override { return fio::unchanged(grid_unit); }
};

// A fatal message line on standard output, then a stop (exit status 1).
[[noreturn]] void fatal(std::string_view text) {
  { fio::Record(stdout).a(text); }
  fio::stop();
}

[[noreturn]] void report_open_failure(int error, const std::string& file) {
  const std::string reason =
      error == EBUSY ? "unit 71 is in use" : pdferr::common::TextFile::reason(error);
  fatal("pelkini: cannot open grid file " + file + ": " + reason);
}

[[noreturn]] void report_read_failure(const core::ReadFailure& f, const std::string& file) {
  const std::string line = std::to_string(f.line);
  switch (f.kind) {
    case core::ReadFailure::short_file:
      fatal("pelkini: grid file " + file + " ends after line " + line + "; it needs " +
            std::to_string(core::file_lines) + " lines");
    case core::ReadFailure::bad_field:
      fatal("pelkini: bad number in field " + std::to_string(f.field) + " of line " + line +
            " of grid file " + file);
    case core::ReadFailure::read_error:
      fatal("pelkini: cannot read line " + line + " of grid file " + file + ": " +
            std::strerror(f.error));
    case core::ReadFailure::line_too_long:
      fatal("pelkini: line " + line + " of grid file " + file + " is longer than " +
            std::to_string(pdferr::common::TextFile::max_line) + " bytes");
    default:
      fatal("pelkini: grid file " + file + " changed while it was read");
  }
}

// The join of strcat, or its four-line overflow report and a stop.
void join_or_stop(std::string_view field1, std::string_view field2, char* str, std::size_t len) {
  if (core::join(field1, field2, str, len)) return;
  { fio::Record(stdout).list_text("error: l1+l2>l in strcat"); }
  {
    fio::Record(stdout)
        .list_text("l1=")
        .list_int(core::used_length(field1))
        .list_text(" str1=")
        .list_text(field1);
  }
  {
    fio::Record(stdout)
        .list_text("l2=")
        .list_int(core::used_length(field2))
        .list_text(" str2=")
        .list_text(field2);
  }
  { fio::Record(stdout).list_text("l=").list_int(static_cast<std::int32_t>(len)); }
  fio::stop();
}

}  // namespace

namespace pelk {

PDFERR_API std::int32_t istrl(std::string_view str) { return core::used_length(str); }

PDFERR_API void strcat(std::string_view str1, std::string_view str2, char* str, std::size_t len) {
  join_or_stop(str1, str2, str, len);
}

}  // namespace pelk

extern "C" {

PDFERR_API std::int32_t istrl(const char* str, std::size_t str_len) {
  return core::used_length({str, str_len});
}

PDFERR_API void pelk_strcat(const char* str1, const char* str2, char* str, std::size_t len1,
                            std::size_t len2, std::size_t len) {
  join_or_stop({str1, len1}, {str2, len2}, str, len);
}

PDFERR_API void pelkini(const std::int32_t& iset) {
  // The working folder first, as always; PDFERR_DATA_PATH only for a name
  // absent there.
  const std::string name = pdferr::common::find_legacy_file(core::member_file_name(iset));
  const int opened = fio::open_old(grid_unit, name.c_str());
  if (opened != 0) report_open_failure(opened, name);
  UnitLines lines;
  const core::ReadFailure failure = core::read_grid(lines, parton);
  fio::close(grid_unit);
  if (failure.kind != core::ReadFailure::none) report_read_failure(failure, name);
  // The whole file is read: only now does the block change.
  core::build_tables(parton, pelkgrid.denstab);
  pelkgrid.nnodes[0] = core::node_counts[0];
  pelkgrid.nnodes[1] = core::node_counts[1];
  std::memcpy(pelkgrid.lognodes, core::log_nodes(), sizeof pelkgrid.lognodes);
}

PDFERR_API double dfint_pelk(const std::int32_t& ndim, const double* coord,
                             const std::int32_t* nnodes, const double* nodes, const double* table) {
  const core::ShapeCheck shape = core::check_shape(ndim, nnodes);
  if (shape.ndim_out_of_range) {
    fatal("dfint_pelk: ndim = " + std::to_string(ndim) + " is outside 1 to 5");
  }
  if (shape.short_dimension != 0) {
    const int i = shape.short_dimension;
    fatal("dfint_pelk: nnodes(" + std::to_string(i) + ") = " + std::to_string(nnodes[i - 1]) +
          "; every dimension needs at least 2 nodes");
  }
  const core::Cell cell = core::find_cell(ndim, coord, nnodes, nodes);
  return core::corner_sum(cell, nnodes, table);
}

PDFERR_API void pelkfit(const double& x, const double& q2, double& dens1, double& dens2,
                        double& dens3, double& dens4, double& dens5, double& dens6) {
  // Copies: the results may share storage with the arguments.
  const double xv = x;
  const double q2v = q2;
  if (xv < 1e-5 || xv > 1.0) fatal("  PARTON INTERPOLATION: X OUT OF RANGE");
  if (q2v < 1.0 || q2v > 1e6) fatal("  PARTON INTERPOLATION: Q2 OUT OF RANGE");
  if (pelkgrid.nnodes[0] != core::nx || pelkgrid.nnodes[1] != core::nq) {
    fatal("pelkfit: no grid member is loaded; call pelkini first");
  }
  double d[core::ncol];
  core::densities(&pelkgrid.denstab[0][0][0], pelkgrid.nnodes, pelkgrid.lognodes, xv, q2v, d);
  dens1 = d[0];
  dens2 = d[1];
  dens3 = d[2];
  dens4 = d[3];
  dens5 = d[4];
  dens6 = d[5];
}

}  // extern "C"

FIO_FORTRAN_ALIAS(std::int32_t, istrl, (const char*, std::size_t))
FIO_FORTRAN_ALIAS(void, pelkini, (const std::int32_t&))
FIO_FORTRAN_ALIAS(double, dfint_pelk,
                  (const std::int32_t&, const double*, const std::int32_t*, const double*,
                   const double*))
FIO_FORTRAN_ALIAS(void, pelkfit,
                  (const double&, const double&, double&, double&, double&, double&, double&,
                   double&))
// The gfortran name of the join routine: strcat_ does not collide with the C
// library, whose strcat keeps its own name.
extern "C" PDFERR_API void strcat_(const char*, const char*, char*, std::size_t, std::size_t,
                                   std::size_t) __attribute__((alias("pelk_strcat")));
