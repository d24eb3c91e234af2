// Helpers shared by the table tests: loading a synthetic table into the
// process-wide blocks, exact comparison of doubles.
#pragma once

#include <bit>
#include <cstdint>
#include <string>

#include "ZEMOPdf.h"
#include "fio/units.hpp"
#include "pds_writer.hpp"
#include "process.hpp"

namespace tables_test {

// Bits of a double, for exact comparison.
inline std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// Loads the table into the blocks the way setzemo does (read on a free unit,
// then raise setchange), whatever set is recorded as loaded.
inline void load(const testsupport::PdsTable& table, const testsupport::PdsFormat& format = {}) {
  testsupport::TempDir dir;
  dir.write("table.pds", testsupport::pds_text(table, format));
  const std::int32_t unit = nextun();
  fio::open_old(unit, dir.file("table.pds").c_str());
  readpds0(unit);
  fio::close(unit);
  setchange.flag = 1;
}

}  // namespace tables_test
