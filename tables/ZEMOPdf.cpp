// Parton density tables: the blocks, setzemo, nextun, readpds0, partonx10,
// polint4f and zemopdf.
#include "ZEMOPdf.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "fio/export.hpp"
#include "fio/listread.hpp"
#include "fio/record.hpp"
#include "fio/stop.hpp"
#include "fio/units.hpp"
#include "kernel.hpp"
#include "pdsfile.hpp"
#include "zemo_cache.hpp"

// Each block is aligned as gfortran aligns a common block of its size (up to
// 32 bytes), so that a Fortran program's declaration of it links cleanly.
FIO_BLOCK(32, vokpar1_block, vokpar1)
FIO_BLOCK(16, vokpar2_block, vokpar2)
FIO_BLOCK(16, xqrange_block, xqrange)
FIO_BLOCK(32, masstbl_block, masstbl)
FIO_BLOCK(32, qcdtbl_block, qcdtbl)
FIO_BLOCK(16, setchange_block, setchange)
FIO_BLOCK(16, zemojset_block, zemojset)

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

namespace {

// Persistent values of setzemo.
struct SetSelection {
  std::int32_t isetold = -987;  // the set whose table is loaded
  std::int32_t isetmin1 = 100, isetmax1 = 152;
  std::int32_t isetmin2 = 200, isetmax2 = 252;
  std::int32_t isetasmn1 = 10, isetasmx1 = 19;
  std::int32_t isetasmn2 = 20, isetasmx2 = 29;
  std::int32_t isetffsmn = 30, isetffsmx = 33;
  char flnm[10] = {'z', 'e', 'm', 'o', '.', 'z', 'e', 'm', 'o', 'w'};  // two prefixes of 5
  char nn[3] = {' ', ' ', ' '};
  char tablefile[40] = {};
  std::int32_t js = 0;
  std::int32_t iu = 0;
};

SetSelection selection;

// Persistent values of partonx10.
zemo_kernel::KernelState kernel;

// Count of tables loaded into the blocks; a cache owned by a caller
// rebuilds its u nodes when it was built for an earlier load.
std::uint64_t loads = 0;

// Persistent values of zemopdf.  The flag is atomic so that evaluations on
// caches of their own may run in several threads and still write the
// warning once.
struct Guard {
  double qsml = 0.3;              // smallest accepted Q, the nearest 64-bit value
  std::atomic<bool> warn = true;  // the flavour warning is still to be written
};

Guard guard;

// partonx10 on the kernel state k; refresh: the u nodes are to be rebuilt
// for a new table.
double kernel_value(zemo_kernel::KernelState& k, bool refresh, std::int32_t iparton, double X,
                    double Q) {
  zemo_kernel::XFault fault = zemo_kernel::XFault::none;
  if (refresh) {
    zemo_kernel::refresh_nodes(k, vokpar1, vokpar2);
    fault = zemo_kernel::locate(k, vokpar1, vokpar2, X, Q);
  } else if (!(X == k.x && Q == k.q)) {
    fault = zemo_kernel::locate(k, vokpar1, vokpar2, X, Q, false);
  }
  if (fault != zemo_kernel::XFault::none) {
    {
      fio::Record line(stdout);
      line.a(fault == zemo_kernel::XFault::below ? "Severe error: x <= 0 in PartonX10! x = "
                                                 : "Severe error: x > 1 in PartonX10! x = ");
      line.e1p(k.x, 12, 4);
    }
    fio::stop();
  }
  // A flavour outside the table's slots, or no table loaded yet, reads
  // nothing: the neutral result.  zemopdf never gets here with either.
  const int ip = zemo_kernel::slot(iparton, vokpar2);
  if (ip < -vokpar2.MxFlvN0 || ip > vokpar2.mxval || vokpar2.nx < 3 || vokpar2.nt < 3) {
    return 0.0;
  }
  return zemo_kernel::interpolate(k, vokpar1, vokpar2, iparton);
}

// zemopdf's guards around kernel(iparton, X, Q).
template <class Kernel>
double guarded(std::int32_t iparton, double X, double Q, Kernel kernel_call) {
  if (X < 0 || X > 1) {
    fio::Record line(stdout);
    line.list_text("X out of range in ZEMOPdf: ").list_real(X);
    return 0.0;
  }
  if (Q < guard.qsml) {
    {
      fio::Record line(stdout);
      line.list_text("Q out of range in ZEMOPdf: ").list_real(Q);
    }
    fio::stop();
  }
  // In 64 bits: the magnitude of the most negative 32-bit flavour fits.
  const std::int64_t magnitude = iparton < 0 ? -std::int64_t{iparton} : iparton;
  if (magnitude > vokpar2.MxFlvN0) {
    if (guard.warn.exchange(false)) {
      {
        fio::Record line(stdout);
        line.list_text("Warning: Iparton out of range in ZEMOPdf! ");
      }
      fio::Record line(stdout);
      line.list_text("Iparton, MxFlvN0: ").list_int(iparton).list_int(vokpar2.MxFlvN0);
    }
    return 0.0;
  }
  double v = kernel_call();
  if (v < 0) v = 0;
  return v;
}

// readpds0's work with the given read of the table file on unit iu: the
// whole file goes to a staging record first; the blocks are written only
// once it has been read and checked, else the process ends with a message.
zemo_file::TableFile staging;

template <class Read>
void load_table(std::int32_t iu, Read read) {
  const zemo_file::Fault fault = read(staging);
  if (fault) {
    std::string name = fio::unit_name(iu);
    if (name.empty()) name = "on unit " + std::to_string(iu);
    {
      fio::Record line(stdout);
      line.list_text("Error in table file " + name + " at line " + std::to_string(fault.line) +
                     ": " + fault.what);
    }
    fio::stop();
  }
  zemo_file::store_table(staging, vokpar1, vokpar2, xqrange, masstbl, qcdtbl);
  ++loads;
}

// Whether cache was built for an earlier table than the one loaded; marks
// it as built for the loaded one.
bool stale(zemo::Cache& cache) {
  if (cache.load == loads) return false;
  cache.load = loads;
  return true;
}

// Writes v right-aligned in the width of digits (Iw), as the file name
// digits are formed.
void format_digits(std::int32_t v, char* digits, int width) {
  for (int k = width - 1; k >= 0; --k) {
    digits[k] = static_cast<char>('0' + v % 10);
    v /= 10;
  }
}

// Builds the table file name of set iset into s.tablefile (blank-padded);
// false if no range holds iset.
bool build_file_name(SetSelection& s, std::int32_t iset) {
  std::string_view prefix1(s.flnm, 5);
  std::string_view prefix2(s.flnm + 5, 5);
  std::string name;
  if (iset >= s.isetmin1 && iset <= s.isetmax1) {
    format_digits(iset, s.nn, 3);
    name.append(prefix1).append(s.nn + 1, 2).append(".pds");
  } else if (iset >= s.isetmin2 && iset <= s.isetmax2) {
    format_digits(iset, s.nn, 3);
    name.append(prefix2).append(s.nn + 1, 2).append(".pds");
  } else if (iset >= s.isetasmn1 && iset <= s.isetasmx1) {
    format_digits(iset, s.nn, 2);
    s.nn[2] = ' ';
    name.append(prefix1).append("as").append(s.nn + 1, 1).append(".pds");
  } else if (iset >= s.isetasmn2 && iset <= s.isetasmx2) {
    format_digits(iset, s.nn, 2);
    s.nn[2] = ' ';
    name.append(prefix2).append("as").append(s.nn + 1, 1).append(".pds");
  } else if (iset >= s.isetffsmn && iset <= s.isetffsmx) {
    s.js = (iset - 28) / 2;
    format_digits(iset - 25 - 2 * s.js, s.nn, 1);
    name.append(s.flnm + 5 * (s.js - 1), 5).append(s.nn, 1).append("f.pds");
  } else {
    return false;
  }
  std::memset(s.tablefile, ' ', sizeof s.tablefile);
  std::memcpy(s.tablefile, name.data(), name.size());
  return true;
}

}  // namespace

extern "C" {

FIO_EXPORT std::int32_t nextun() {
  // Units connected by a Fortran program's own OPEN are unknown to this
  // runtime and may be handed out; connect them through fio_connect.
  for (std::int32_t unit = 10; unit <= 300; ++unit) {
    if (!fio::connected(unit)) return unit;
  }
  fio::stop(" There is no available I/O unit. ");
}

FIO_EXPORT void readpds0(const std::int32_t& iu) {
  // Line by line from the unit, which is left just after the last table
  // value's line, for a caller that reads on.
  load_table(iu, [&](zemo_file::TableFile& file) {
    fio::ListReader reader = fio::ListReader::from_unit(iu);
    return zemo_file::read_table(reader, file);
  });
}

FIO_EXPORT void setzemo(const std::int32_t& Iset) {
  const std::int32_t iset = Iset;
  zemojset.iset = iset;
  if (iset == selection.isetold) return;
  if (!build_file_name(selection, iset)) {
    {
      fio::Record line(stdout);
      line.list_text("Invalid Iset number in SetZEMO :").list_int(iset);
    }
    fio::stop();
  }
  selection.iu = nextun();
  std::string_view name(selection.tablefile, sizeof selection.tablefile);
  name = name.substr(0, name.find_last_not_of(' ') + 1);
  if (fio::open_old(selection.iu, std::string(name).c_str()) != 0) {
    {
      fio::Record line(stdout);
      line.list_text(" Data file ")
          .list_text(std::string_view(selection.tablefile, sizeof selection.tablefile))
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
    } closing{selection.iu};
    // readpds0's work on the whole file at once: the unit is closed next, so
    // nobody reads on from it.  The file's lines joined, each ended by
    // "\r\n": ListReader::from_text drops that one '\r' and gives back each
    // line as read, so the text reads as the unit does.
    load_table(selection.iu, [&](zemo_file::TableFile& file) {
      std::string text;
      for (std::string next; fio::read_line(selection.iu, next) == fio::LineStatus::line;) {
        text.append(next).append("\r\n");
      }
      return zemo_file::read_table(std::string_view(text), file);
    });
  }
  selection.isetold = iset;
  setchange.flag = 1;
}

FIO_EXPORT void polint4f(const double* xa, const double* ya, const double& xe, double& ye) {
  ye = zemo_kernel::polint4(xa, ya, xe);
}

FIO_EXPORT double partonx10(const std::int32_t& Iparton, const double& X, const double& Q) {
  const bool refresh = setchange.flag == 1;
  if (refresh) setchange.flag = 0;
  return kernel_value(kernel, refresh, Iparton, X, Q);
}

FIO_EXPORT double zemopdf(const std::int32_t& Iparton, const double& X, const double& Q) {
  const std::int32_t iparton = Iparton;
  const double x = X;
  const double q = Q;
  return guarded(iparton, x, q, [&] { return partonx10(iparton, x, q); });
}

}  // extern "C"

FIO_FORTRAN_ALIAS(std::int32_t, nextun, ())
FIO_FORTRAN_ALIAS(void, readpds0, (const std::int32_t&))
FIO_FORTRAN_ALIAS(void, setzemo, (const std::int32_t&))
FIO_FORTRAN_ALIAS(void, polint4f, (const double*, const double*, const double&, double&))
FIO_FORTRAN_ALIAS(double, partonx10, (const std::int32_t&, const double&, const double&))
FIO_FORTRAN_ALIAS(double, zemopdf, (const std::int32_t&, const double&, const double&))

namespace zemo {

double partonx10(Cache& cache, std::int32_t iparton, double x, double q) {
  return kernel_value(cache.kernel, stale(cache), iparton, x, q);
}

double zemopdf(Cache& cache, std::int32_t iparton, double x, double q) {
  return guarded(iparton, x, q,
                 [&] { return kernel_value(cache.kernel, stale(cache), iparton, x, q); });
}

}  // namespace zemo
