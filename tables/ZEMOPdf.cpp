// Parton density tables, the legacy face: the blocks, setzemo, nextun,
// readpds0, partonx10, polint4f and zemopdf, with their messages and stops,
// over the core in core/ (the table reader and the kernel).
#include "ZEMOPdf.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/data_path.hpp"
#include "core/kernel.hpp"
#include "core/table_file.hpp"
#include "fio/export.hpp"
#include "fio/listread.hpp"
#include "fio/record.hpp"
#include "fio/stop.hpp"
#include "fio/units.hpp"

FIO_BLOCK(vokpar1, 444032, 16)
FIO_BLOCK(vokpar2, 16, 16)
FIO_BLOCK(xqrange, 24, 16)
FIO_BLOCK(masstbl, 48, 16)
FIO_BLOCK(qcdtbl, 32, 16)
FIO_BLOCK(setchange, 4, 4)
FIO_BLOCK(zemojset, 4, 4)

static_assert(offsetof(vokpar1_block, alambda) == 0);
static_assert(offsetof(vokpar1_block, xv) == 8);
static_assert(offsetof(vokpar1_block, tv) == 8 + 8 * 202);
static_assert(offsetof(vokpar1_block, pdfval) == 8 + 8 * 202 + 8 * 26);
static_assert(sizeof(vokpar1_block) == 8 + 8 * 202 + 8 * 26 + 8 * 55275);
static_assert(sizeof(vokpar2_block) == 16 && offsetof(vokpar2_block, mxval) == 12);
static_assert(sizeof(xqrange_block) == 24 && offsetof(xqrange_block, xmin) == 16);
static_assert(sizeof(masstbl_block) == 48);
static_assert(offsetof(qcdtbl_block, qcdr2) == 8 && offsetof(qcdtbl_block, qcdi1) == 16);
static_assert(offsetof(qcdtbl_block, qcdi2) == 20 && offsetof(qcdtbl_block, qcdi3) == 24);
static_assert(sizeof(qcdtbl_block) == 32);  // 28 bytes of fields, then padding
static_assert(sizeof(setchange_block) == 4 && sizeof(zemojset_block) == 4);

static_assert(PDFERR_ZEMO_MAX_NX == pdferr::tables::max_nx &&
              PDFERR_ZEMO_MAX_NT == pdferr::tables::max_nt &&
              PDFERR_ZEMO_MAX_VALUES == pdferr::tables::max_values);

namespace {

namespace tables = pdferr::tables;

// Persistent values of setzemo: the set whose table is loaded, and whether
// the blocks hold that set's table (not one that readpds0 loaded since).
std::int32_t isetold = -987;
bool isetold_loaded = true;

// Whether a table has been loaded (by setzemo or readpds0): the kernel has
// nothing to interpolate before.
bool table_loaded = false;

// Persistent values of partonx10: the u nodes of the loaded table and the
// point last located.
struct NodesAndLastPoint {
  double xvpow[PDFERR_ZEMO_MAX_NX + 1] = {};
  tables::Point point;
};

NodesAndLastPoint kept;

// Persistent value of zemopdf: the flavour warning is still to be written.
bool warn = true;

// The lines of a unit connected through the runtime.
class UnitLines final : public fio::LineSource {
 public:
  explicit UnitLines(std::int32_t unit) : unit_(unit) {}
  fio::LineStatus next(std::string& line) override { return fio::read_line(unit_, line); }
  int error() const override { return fio::read_error(unit_); }
  bool unchanged() const override { return fio::unchanged(unit_); }

 private:
  std::int32_t unit_;
};

// readpds0's work: the table on unit iu is read into a staging table, and
// the blocks are written only once it has been read and checked; else the
// process ends with a line naming the file, the line and the fault.
tables::TableData staging;

void load_table(std::int32_t iu) {
  UnitLines lines(iu);
  const tables::Fault fault = tables::read_table(lines, staging);
  if (fault) {
    std::string name = fio::unit_name(iu);
    if (name.empty()) name = "on unit " + std::to_string(iu);
    {
      fio::Record line(stdout);
      line.list_text("Error in table file " + name + " at line " + std::to_string(fault.line) +
                     ": " + fault.text);
    }
    fio::stop();
  }
  // Only the entries within the new counts are written.
  const tables::TableData& t = staging;
  vokpar1.alambda = t.alambda;
  std::copy_n(t.xv, t.nx + 1, vokpar1.xv);
  std::copy_n(t.tv, t.nt + 1, vokpar1.tv);
  std::copy(t.values.begin(), t.values.end(), vokpar1.pdfval);
  vokpar2 = {t.nx, t.nt, t.mxflvn0, t.mxval};
  xqrange = {t.qini, t.qmax, t.xmin};
  std::copy_n(t.mass, 6, masstbl.mass);
  qcdtbl = {t.qcdr1, t.qcdr2, t.qcdi1, t.qcdi2, t.qcdi3};
  table_loaded = true;
}

// An evaluation before any table was loaded ends the process, naming the
// routine that loads one.
void require_table(const char* routine) {
  if (table_loaded) return;
  {
    fio::Record line(stdout);
    line.list_text(std::string(routine) + ": no table set is loaded; call setzemo first");
  }
  fio::stop();
}

// The blocks as the kernel reads them.  Counts beyond the capacity (which
// no load writes) are taken as no table.
tables::Grid block_grid() {
  const vokpar2_block& d = vokpar2;
  const bool fits =
      d.nx >= 0 && d.nx <= PDFERR_ZEMO_MAX_NX && d.nt >= 0 && d.nt <= PDFERR_ZEMO_MAX_NT;
  return tables::Grid{vokpar1.alambda, vokpar1.xv,      kept.xvpow, vokpar1.tv, vokpar1.pdfval,
                      fits ? d.nx : 0, fits ? d.nt : 0, d.MxFlvN0,  d.mxval};
}

// Whether flavour iparton of the blocks can be interpolated: a table of at
// least 4 x 4 nodes is loaded and the slot lies within it.
bool interpolable(std::int32_t iparton) {
  const vokpar2_block& d = vokpar2;
  if (d.nx < 3 || d.nx > PDFERR_ZEMO_MAX_NX || d.nt < 3 || d.nt > PDFERR_ZEMO_MAX_NT) return false;
  if (d.MxFlvN0 < 0 || d.mxval < 0) return false;
  const std::int64_t npts =
      std::int64_t{d.nx + 1} * (d.nt + 1) * (std::int64_t{d.MxFlvN0} + 1 + std::int64_t{d.mxval});
  const std::int64_t ip = tables::slot(iparton, d.mxval);
  return npts <= PDFERR_ZEMO_MAX_VALUES && ip >= -std::int64_t{d.MxFlvN0} && ip <= d.mxval;
}

}  // namespace

extern "C" {

PDFERR_API std::int32_t nextun() {
  // In a Fortran program that links the toolkit's Fortran library, the
  // units the program opened itself are connected too.
  for (std::int32_t unit = 10; unit <= 300; ++unit) {
    if (!fio::connected(unit)) return unit;
  }
  fio::stop(" There is no available I/O unit. ");
}

PDFERR_API void readpds0(const std::int32_t& iu) {
  const std::int32_t unit = iu;
  // A unit that cannot be read is refused before anything is read or
  // written: one connected for writing is never read (nor emptied).
  if (!fio::readable(unit)) {
    std::string why = "readpds0: unit " + std::to_string(unit);
    if (!fio::connected(unit)) {
      why += " is not connected; connect the table file for reading first";
    } else if (fio::write_only(unit)) {
      const std::string name = fio::unit_name(unit);
      why +=
          " is connected for writing" + (name.empty() ? "" : " to " + name) + ", not for reading";
    } else {
      why += " is not open for reading";
    }
    {
      fio::Record line(stdout);
      line.list_text(why);
    }
    fio::stop();
  }
  // Line by line from the unit, which is left just after the last table
  // value's line, for a caller that reads on.
  load_table(unit);
  // A table loaded here is evaluated like one setzemo loads: the kernel
  // rebuilds its nodes, and the next setzemo loads whatever set it names.
  setchange.flag = 1;
  isetold_loaded = false;
}

PDFERR_API void setzemo(const std::int32_t& Iset) {
  const std::int32_t iset = Iset;
  zemojset.iset = iset;
  if (iset == isetold && isetold_loaded) return;
  const std::string name = tables::table_file_name(iset);
  if (name.empty()) {
    {
      fio::Record line(stdout);
      line.list_text("Invalid Iset number in SetZEMO :").list_int(iset);
    }
    fio::stop();
  }
  const std::int32_t iu = nextun();
  // The working folder first, as always; PDFERR_DATA_PATH only for a name
  // absent there.
  if (fio::open_old(iu, pdferr::common::find_legacy_file(name).c_str()) != 0) {
    // The name as a text of 40 characters, padded with blanks.
    std::string tablefile = name;
    tablefile.resize(40, ' ');
    {
      fio::Record line(stdout);
      line.list_text(" Data file ")
          .list_text(tablefile)
          .list_text(" cannot be opened in SetZEMO!!");
    }
    fio::stop();
  }
  {
    // Closed however the read ends: also when a stop handler leaves a failed
    // read by throwing, the unit is free again.
    struct ClosedAtExit {
      std::int32_t unit;
      ~ClosedAtExit() { fio::close(unit); }
    } closing{iu};
    load_table(iu);
  }
  isetold = iset;
  isetold_loaded = true;
  setchange.flag = 1;
}

PDFERR_API void polint4f(const double* xa, const double* ya, const double& xe, double& ye) {
  ye = tables::polint4(xa, ya, xe);
}

PDFERR_API double partonx10(const std::int32_t& Iparton, const double& X, const double& Q) {
  const std::int32_t iparton = Iparton;
  const double x = X;
  const double q = Q;
  require_table("partonx10");
  if (setchange.flag == 1) {
    // A new table: its u nodes, and nothing kept of the last point.
    setchange.flag = 0;
    const tables::Grid g = block_grid();
    tables::u_nodes(g.xv, g.nx, kept.xvpow);
    kept.point = {};
  }
  const tables::Grid g = block_grid();
  const tables::XFault fault = tables::locate(g, kept.point, x, q);
  if (fault != tables::XFault::none) {
    {
      fio::Record line(stdout);
      line.a(fault == tables::XFault::below ? "Severe error: x <= 0 in PartonX10! x = "
                                            : "Severe error: x > 1 in PartonX10! x = ");
      line.e1p(x, 12, 4);
    }
    fio::stop();
  }
  // A flavour outside the table's slots reads nothing: the neutral result.
  // zemopdf never gets here with one.
  if (!interpolable(iparton)) return 0.0;
  return tables::interpolate(g, kept.point, iparton);
}

PDFERR_API double zemopdf(const std::int32_t& Iparton, const double& X, const double& Q) {
  const std::int32_t iparton = Iparton;
  const double x = X;
  const double q = Q;
  require_table("zemopdf");
  if (x < 0 || x > 1) {
    fio::Record line(stdout);
    line.list_text("X out of range in ZEMOPdf: ").list_real(x);
    return 0.0;
  }
  if (q < tables::qsml) {
    {
      fio::Record line(stdout);
      line.list_text("Q out of range in ZEMOPdf: ").list_real(q);
    }
    fio::stop();
  }
  // In 64 bits: the magnitude of the most negative 32-bit flavour fits.
  const std::int64_t magnitude = iparton < 0 ? -std::int64_t{iparton} : iparton;
  if (magnitude > vokpar2.MxFlvN0) {
    if (warn) {
      warn = false;
      {
        fio::Record line(stdout);
        line.list_text("Warning: Iparton out of range in ZEMOPdf! ");
      }
      fio::Record line(stdout);
      line.list_text("Iparton, MxFlvN0: ").list_int(iparton).list_int(vokpar2.MxFlvN0);
    }
    return 0.0;
  }
  double v = partonx10(iparton, x, q);
  if (v < 0) v = 0;
  return v;
}

}  // extern "C"

FIO_FORTRAN_ALIAS(std::int32_t, nextun, ())
FIO_FORTRAN_ALIAS(void, readpds0, (const std::int32_t&))
FIO_FORTRAN_ALIAS(void, setzemo, (const std::int32_t&))
FIO_FORTRAN_ALIAS(void, polint4f, (const double*, const double*, const double&, double&))
FIO_FORTRAN_ALIAS(double, partonx10, (const std::int32_t&, const double&, const double&))
FIO_FORTRAN_ALIAS(double, zemopdf, (const std::int32_t&, const double&, const double&))
