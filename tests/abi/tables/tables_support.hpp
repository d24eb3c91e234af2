// Helpers shared by the tests of the legacy routines: loading a synthetic
// table into the process-wide blocks, running in a directory, a known set
// selection, exact comparison of doubles.
#pragma once

#include <bit>
#include <cstdint>
#include <filesystem>
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

// Runs fn with the current directory switched to dir.
template <typename Fn>
void in_directory(const testsupport::TempDir& dir, Fn fn) {
  const std::filesystem::path saved = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  fn();
  std::filesystem::current_path(saved);
}

// setzemo remembers the set it loaded for the life of the process: this
// leaves set 31 loaded, whatever was loaded before, so that a test's first
// setzemo (of any other set) loads.
inline void forget_loaded_set() {
  testsupport::TempDir dir;
  const std::string text =
      testsupport::pds_text(testsupport::make_table(4, 4, 0, 0, testsupport::quadratic_value));
  dir.write("zemo.3f.pds", text);
  dir.write("zemo.4f.pds", text);
  in_directory(dir, [] {
    setzemo(30);
    setzemo(31);
  });
}

}  // namespace tables_test
