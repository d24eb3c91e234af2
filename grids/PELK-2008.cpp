// The grid subsystem's interface: the block pelkgrid and the routines
// istrl, strcat, pelkini, dfint_pelk and pelkfit.
#include "PELK-2008.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "fio/export.hpp"
#include "fio/record.hpp"
#include "fio/stop.hpp"
#include "pelk_core.hpp"

FIO_BLOCK(32, pelkgrid_block, pelkgrid)

static_assert(sizeof(pelkgrid_block) == 8 * 8460 + 8 + 8 * 77);
static_assert(offsetof(pelkgrid_block, nnodes) == 8 * 8460);
static_assert(offsetof(pelkgrid_block, lognodes) == 8 * 8460 + 8);
static_assert(PDFERR_PELK_NX == pelk::nx && PDFERR_PELK_NQ == pelk::nq &&
              PDFERR_PELK_NCOL == pelk::ncol);

namespace {

// The raw values of the last grid file read; only pelkini uses them.
pelk::RawGrid parton;

std::string_view trimmed(const char* field, std::size_t len) {
  return std::string_view(field, static_cast<std::size_t>(pelk::used_length({field, len})));
}

// A fatal message line on standard output, then a plain stop.
[[noreturn]] void fatal(std::string_view text) {
  { fio::Record(stdout).a(text); }
  fio::stop();
}

[[noreturn]] void report_read_failure(const pelk::ReadFailure& f, std::string_view file) {
  std::string text = "pelkini: ";
  switch (f.kind) {
    case pelk::ReadFailure::busy:
      text += "cannot open grid file " + std::string(file) + ": unit 71 is in use";
      break;
    case pelk::ReadFailure::open:
      text += "cannot open grid file " + std::string(file) + ": " + std::strerror(f.error);
      break;
    case pelk::ReadFailure::short_file:
      text += "grid file " + std::string(file) + " ends after line " + std::to_string(f.line) +
              "; it needs " + std::to_string(pelk::file_lines) + " lines";
      break;
    default:
      text += "bad number in field " + std::to_string(f.field) + " of line " +
              std::to_string(f.line) + " of grid file " + std::string(file);
      break;
  }
  fatal(text);
}

}  // namespace

extern "C" {

FIO_EXPORT std::int32_t istrl(const char* str, std::size_t str_len) {
  return pelk::used_length({str, str_len});
}

FIO_EXPORT void pelk_strcat(const char* str1, const char* str2, char* str, std::size_t len1,
                            std::size_t len2, std::size_t len) {
  const std::string_view field1(str1, len1);
  const std::string_view field2(str2, len2);
  if (pelk::join(field1, field2, str, len)) return;
  { fio::Record(stdout).list_text("error: l1+l2>l in strcat"); }
  {
    fio::Record(stdout)
        .list_text("l1=")
        .list_int(pelk::used_length(field1))
        .list_text(" str1=")
        .list_text(field1);
  }
  {
    fio::Record(stdout)
        .list_text("l2=")
        .list_int(pelk::used_length(field2))
        .list_text(" str2=")
        .list_text(field2);
  }
  { fio::Record(stdout).list_text("l=").list_int(static_cast<std::int32_t>(len)); }
  fio::stop();
}

FIO_EXPORT void pelkini(const std::int32_t& iset) {
  char name_field[pelk::name_length];
  pelk::grid_file_name(iset, name_field);
  const std::string name(trimmed(name_field, pelk::name_length));
  const pelk::ReadFailure failure = pelk::read_grid_file(name.c_str(), parton);
  if (failure.kind != pelk::ReadFailure::none) report_read_failure(failure, name);
  // The whole file is read: only now does the block change.
  pelk::build_tables(parton, pelkgrid.denstab);
  pelkgrid.nnodes[0] = pelk::nx;
  pelkgrid.nnodes[1] = pelk::nq;
  pelk::log_nodes(pelkgrid.lognodes);
}

FIO_EXPORT double dfint_pelk(const std::int32_t& ndim, const double* coord,
                             const std::int32_t* nnodes, const double* nodes, const double* table) {
  const pelk::ShapeCheck shape = pelk::check_shape(ndim, nnodes);
  if (shape.ndim_out_of_range) {
    fatal("dfint_pelk: ndim = " + std::to_string(ndim) + " is outside 1 to 5");
  }
  if (shape.short_dimension != 0) {
    const int i = shape.short_dimension;
    fatal("dfint_pelk: nnodes(" + std::to_string(i) + ") = " + std::to_string(nnodes[i - 1]) +
          "; every dimension needs at least 2 nodes");
  }
  const pelk::Cell cell = pelk::find_cell(ndim, coord, nnodes, nodes);
  return pelk::corner_sum(cell, nnodes, table);
}

FIO_EXPORT void pelkfit(const double& x, const double& q2, double& dens1, double& dens2,
                        double& dens3, double& dens4, double& dens5, double& dens6) {
  // Copies: the results may share storage with the arguments.
  const double xv = x;
  const double q2v = q2;
  if (xv < 1e-5 || xv > 1.0) fatal("  PARTON INTERPOLATION: X OUT OF RANGE");
  if (q2v < 1.0 || q2v > 1e6) fatal("  PARTON INTERPOLATION: Q2 OUT OF RANGE");
  if (pelkgrid.nnodes[0] != pelk::nx || pelkgrid.nnodes[1] != pelk::nq) {
    fatal("pelkfit: no grid member is loaded; call pelkini first");
  }
  const double point[2] = {std::log(xv), std::log(q2v)};
  // One cell serves all six columns: they share nodes and point.  The
  // nodes are pelkini's, ascending.
  const pelk::Cell cell = pelk::find_cell_ascending(2, point, pelkgrid.nnodes, pelkgrid.lognodes);
  double t[pelk::ncol];
  pelk::corner_sums_2d(cell, pelkgrid.nnodes, &pelkgrid.denstab[0][0][0], pelk::ncol, t);
  const pelk::Powers p = pelk::powers(xv);
  dens1 = (t[0] * p.u3) * xv;
  dens2 = (t[1] * p.u4) * xv;
  dens3 = p.sqrt_x * (t[2] * p.u8);
  dens4 = p.sqrt_x * (t[3] * p.u8);
  dens5 = p.sqrt_x * (t[4] * p.u8);
  dens6 = p.sqrt_x * (t[5] * p.u5);
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
extern "C" FIO_EXPORT void strcat_(const char*, const char*, char*, std::size_t, std::size_t,
                                   std::size_t) __attribute__((alias("pelk_strcat")));
