// Table files through readpds0, on a unit as setzemo opens it, and through
// pdferr::TableSet.  Whatever the bytes, the reader either loads a table
// within the limits of the blocks, which then evaluates without reading
// outside them, or stops and leaves every block exactly as it was; TableSet
// accepts the same files and gives the same bits.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "ZEMOPdf.h"
#include "fio/units.hpp"
#include "fuzz_support.hpp"
#include "pdferr/table_set.hpp"

namespace {

// The blocks a load writes, byte for byte (into a buffer kept from one run
// to the next: large allocations on every run would cost more than the run).
void snapshot(std::vector<unsigned char>& bytes) {
  bytes.clear();
  const auto add = [&bytes](const void* block, std::size_t size) {
    const auto* p = static_cast<const unsigned char*>(block);
    bytes.insert(bytes.end(), p, p + size);
  };
  add(&vokpar1, sizeof vokpar1);
  add(&vokpar2, sizeof vokpar2);
  add(&xqrange, sizeof xqrange);
  add(&masstbl, sizeof masstbl);
  add(&qcdtbl, sizeof qcdtbl);
}

void check_loaded(const pdferr::TableSet& set) {
  const vokpar2_block& d = vokpar2;
  fuzz::require(d.nx >= 3 && d.nx <= PDFERR_ZEMO_MAX_NX, "nx within the blocks");
  fuzz::require(d.nt >= 3 && d.nt <= PDFERR_ZEMO_MAX_NT, "nt within the blocks");
  fuzz::require(d.MxFlvN0 >= 0 && d.mxval >= 0, "flavour counts not negative");
  const std::int64_t npts =
      std::int64_t{d.nx + 1} * (d.nt + 1) * (std::int64_t{d.MxFlvN0} + 1 + d.mxval);
  fuzz::require(npts <= PDFERR_ZEMO_MAX_VALUES, "table within pdfval");
  fuzz::require(vokpar1.xv[0] == 0.0, "xv(0) is 0");
  fuzz::require(
      set.nx() == d.nx && set.nt() == d.nt && set.MxFlvN0() == d.MxFlvN0 && set.mxval() == d.mxval,
      "TableSet counts as the blocks");
  // Every path of the kernel on whatever nodes and values the file held:
  // x = 0, small x, interior, the highest bins; t below, inside and above.
  setchange.flag = 1;
  const std::int32_t top = d.MxFlvN0 < 8 ? d.MxFlvN0 : 8;
  for (double q : {0.3, 1.3, 91.0, 1e8}) {
    for (double x : {0.0, 1e-7, 1e-3, 0.2, 0.7, 0.999, 1.0}) {
      for (std::int32_t f = -top; f <= top; ++f) {
        try {
          const double v = zemopdf(f, x, q);
          fuzz::require(!(v < 0), "zemopdf never negative");
          if (q > set.alambda()) {
            const double w = set.value(f, x, q);
            fuzz::require(std::memcmp(&v, &w, sizeof v) == 0, "TableSet gives the bits of zemopdf");
          }
        } catch (const fuzz::Stopped&) {
          // The kernel's own fatal paths are allowed on such tables.
        }
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = fuzz::scratch().write("table.pds", data, size);
  static std::vector<unsigned char> before;
  static std::vector<unsigned char> after;
  snapshot(before);
  const std::int32_t unit = nextun();
  fuzz::require(fio::open_old(unit, path.c_str()) == 0, "input file opens");
  bool stopped = false;
  try {
    readpds0(unit);
  } catch (const fuzz::Stopped&) {
    stopped = true;
  }
  fio::close(unit);
  std::optional<pdferr::TableSet> set;
  try {
    set.emplace(path);
  } catch (const pdferr::file_error&) {
  }
  fuzz::require(set.has_value() != stopped, "TableSet accepts what readpds0 accepts");
  if (stopped) {
    snapshot(after);
    fuzz::require(after == before, "a refused file leaves the blocks as they were");
  } else {
    check_loaded(*set);
  }
  return 0;
}
