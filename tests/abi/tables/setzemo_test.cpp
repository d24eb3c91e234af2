// Set selection: file names of every range, the reload rules, the units
// used for reading, and the evaluation entry's guards that do not end the
// process; stops left by a handler.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <utility>

#include "fio/stop_handler.hpp"
#include "fio_units.h"
#include "pdferr/table_set.hpp"
#include "pdferr/tables.h"
#include "tables_support.hpp"

namespace {

using tables_test::bits;
using tables_test::in_directory;

// A stop handler that throws, so that a test lives through a stop.
struct Stopped {};
struct StopsThrow {
  fio::StopHandler previous = fio::set_stop_handler([] { throw Stopped{}; });
  ~StopsThrow() { fio::set_stop_handler(previous); }
};

// A table told apart by its node count.
std::string table_with_nx(int nx) {
  return testsupport::pds_text(testsupport::make_table(nx, 4, 2, 2, testsupport::quadratic_value));
}

TEST(SetSelection, FileNamesOfEveryRange) {
  const std::pair<int, const char*> names[] = {
      {100, "zemo.00.pds"}, {152, "zemo.52.pds"}, {107, "zemo.07.pds"}, {200, "zemow00.pds"},
      {237, "zemow37.pds"}, {252, "zemow52.pds"}, {10, "zemo.as0.pds"}, {12, "zemo.as2.pds"},
      {19, "zemo.as9.pds"}, {20, "zemowas0.pds"}, {22, "zemowas2.pds"}, {29, "zemowas9.pds"},
      {30, "zemo.3f.pds"},  {31, "zemo.4f.pds"},  {32, "zemow3f.pds"},  {33, "zemow4f.pds"},
  };
  testsupport::TempDir dir;
  int nx = 4;
  for (const auto& [iset, name] : names) dir.write(name, table_with_nx(nx++));
  tables_test::forget_loaded_set();
  in_directory(dir, [&] {
    int expected_nx = 4;
    for (const auto& [iset, name] : names) {
      SCOPED_TRACE(name);
      setzemo(iset);
      EXPECT_EQ(zemojset.iset, iset);
      EXPECT_EQ(vokpar2.nx, expected_nx++);
      EXPECT_EQ(setchange.flag, 1);
    }
  });
}

// PDFERR_DATA_PATH in the three faces of a table set, each told apart by
// its node count: setzemo takes the working folder's file whenever there is
// one, TableSet and the C handle an explicit directory, then the path, then
// the working folder.
TEST(SetSelection, SearchPathInEveryFace) {
  testsupport::TempDir work, dir, a, b;
  const testsupport::ScopedEnvironment path("PDFERR_DATA_PATH",
                                            (":" + a.path() + ":" + b.path()).c_str());
  const auto nx_of_c_handle = [](const char* directory) {
    pdferr_table* t = nullptr;
    pdferr_table_info info{};
    EXPECT_EQ(pdferr_table_open_set(100, directory, &t, nullptr), PDFERR_OK);
    EXPECT_EQ(pdferr_table_get_info(t, &info, nullptr), PDFERR_OK);
    pdferr_table_close(t, nullptr);
    return info.nx;
  };
  // Which folders hold zemo.00.pds (nx 4 in dir, 5 in a, 6 in b, 7 in the
  // working folder), and the nx each face loads.
  struct Case {
    bool dir, a, b, work;
    int by_value, by_number, legacy;
  };
  const Case cases[] = {
      {true, true, true, true, 4, 5, 7},   {false, true, true, true, 5, 5, 7},
      {false, false, true, true, 6, 6, 7}, {false, false, false, true, 7, 7, 7},
      {false, true, true, false, 5, 5, 5},
  };
  in_directory(work, [&] {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.by_value);
      int nx = 4;
      using Place = std::pair<const testsupport::TempDir*, bool>;
      for (const auto& [folder, holds] :
           {Place{&dir, c.dir}, Place{&a, c.a}, Place{&b, c.b}, Place{&work, c.work}}) {
        std::filesystem::remove(folder->file("zemo.00.pds"));
        if (holds) folder->write("zemo.00.pds", table_with_nx(nx));
        ++nx;
      }
      EXPECT_EQ(pdferr::TableSet::from_set(100, dir.path()).nx(), c.by_value);
      EXPECT_EQ(nx_of_c_handle(dir.path().c_str()), c.by_value);
      EXPECT_EQ(pdferr::TableSet::from_set(100).nx(), c.by_number);
      EXPECT_EQ(nx_of_c_handle(nullptr), c.by_number);
      tables_test::forget_loaded_set();
      setzemo(100);
      EXPECT_EQ(vokpar2.nx, c.legacy);
    }
  });
}

TEST(SetSelection, ReloadRules) {
  testsupport::TempDir dir;
  dir.write("zemo.00.pds", table_with_nx(5));
  dir.write("zemow00.pds", table_with_nx(6));
  tables_test::forget_loaded_set();
  in_directory(dir, [&] {
    setzemo(100);
    EXPECT_EQ(vokpar2.nx, 5);
    zemopdf(0, 0.5, 10.0);
    EXPECT_EQ(setchange.flag, 0);
    // The same set again touches no file and raises nothing.
    std::filesystem::remove("zemo.00.pds");
    setzemo(100);
    EXPECT_EQ(zemojset.iset, 100);
    EXPECT_EQ(setchange.flag, 0);
    // 100, 200, 100: every switch reloads.
    dir.write("zemo.00.pds", table_with_nx(7));
    setzemo(200);
    EXPECT_EQ(vokpar2.nx, 6);
    setzemo(100);
    EXPECT_EQ(vokpar2.nx, 7);
    EXPECT_EQ(vokpar1.xv[0], 0.0);
  });
}

TEST(SetSelection, ReadsOnTheLowestFreeUnitAndFreesIt) {
  testsupport::TempDir dir;
  dir.write("zemo.01.pds", table_with_nx(9));
  for (std::int32_t u = 10; u <= 14; ++u) {
    ASSERT_EQ(fio_connect(&u, dir.file("unit" + std::to_string(u)).c_str()), 0);
  }
  EXPECT_EQ(nextun(), 15);
  tables_test::forget_loaded_set();
  in_directory(dir, [&] { setzemo(101); });
  EXPECT_EQ(vokpar2.nx, 9);
  const std::int32_t u15 = 15;
  EXPECT_EQ(fio_connected(&u15), 0);
  EXPECT_EQ(nextun(), 15);
  for (std::int32_t u = 10; u <= 14; ++u) {
    EXPECT_EQ(fio_connected(&u), 1);
    fio_disconnect(&u);
  }
  EXPECT_EQ(nextun(), 10);
}

TEST(Evaluation, ClampsNegativesPassesNaNAndKeepsTheTableBlocks) {
  // Values below zero near the top of the x range.
  auto shifted = [](int ip, double x, double t) {
    return testsupport::quadratic_value(ip, x, t) * (0.9 - x);
  };
  const testsupport::PdsTable t = testsupport::make_table(20, 6, 3, 3, +shifted);
  tables_test::load(t);
  EXPECT_LT(partonx10(1, 0.999, 10.0), 0.0);
  EXPECT_EQ(bits(zemopdf(1, 0.999, 10.0)), bits(0.0));
  EXPECT_GT(zemopdf(1, 0.3, 10.0), 0.0);
  EXPECT_EQ(bits(zemopdf(1, 0.3, 10.0)), bits(partonx10(1, 0.3, 10.0)));
  EXPECT_TRUE(std::isnan(zemopdf(1, 0.3, std::numeric_limits<double>::quiet_NaN())));
  EXPECT_EQ(bits(zemopdf(-3, 0.0, 10.0)), bits(0.0));
  // Blocks kept for callers.
  EXPECT_EQ(qcdtbl.qcdi1, t.qcdi1);
  EXPECT_EQ(qcdtbl.qcdi2, 2);
  EXPECT_EQ(qcdtbl.qcdi3, 5);
  EXPECT_EQ(bits(qcdtbl.qcdr1), bits(t.qcdr1));
  EXPECT_EQ(bits(masstbl.mass[5]), bits(t.mass[5]));
  EXPECT_EQ(bits(xqrange.qmax), bits(t.qmax));
  EXPECT_EQ(bits(xqrange.xmin), bits(t.xmin));
}

// A stop handler that throws lets the caller live through a faulty file: the
// blocks stay as they were and the unit is free again.
TEST(SetSelection, StopLeftByAHandler) {
  testsupport::TempDir dir;
  dir.write("zemo.01.pds", table_with_nx(7));
  dir.write("zemo.02.pds", table_with_nx(9).substr(0, 900));
  tables_test::forget_loaded_set();
  in_directory(dir, [&] {
    setzemo(101);
    const std::int32_t unit = nextun();
    {
      StopsThrow stops;
      EXPECT_THROW(setzemo(102), Stopped);
    }
    EXPECT_EQ(nextun(), unit);
    EXPECT_EQ(vokpar2.nx, 7);
    EXPECT_EQ(zemojset.iset, 102);
  });
}

// After a stop that a handler caught, the same point fails again: nothing of
// it was kept.
TEST(Evaluation, AFailedPointIsNotKept) {
  tables_test::load(testsupport::make_table(20, 6, 3, 3, testsupport::realistic_value));
  const double before = partonx10(1, 0.5, 10.0);
  StopsThrow stops;
  for (double x : {1.5, -0.5}) {
    EXPECT_THROW(partonx10(1, x, 10.0), Stopped);
    EXPECT_THROW(partonx10(1, x, 10.0), Stopped);
  }
  EXPECT_EQ(bits(partonx10(1, 0.5, 10.0)), bits(before));
}

// The table read from a unit: lines ended by CR LF read as by LF, and the
// unit is left after the last value's line, for a caller that reads on.
TEST(Readpds0, ReadsAUnitToTheLastValueWhateverTheLineEnds) {
  const testsupport::PdsTable t = testsupport::make_table(9, 4, 2, 2, testsupport::realistic_value);
  std::string crlf;
  for (const char c : testsupport::pds_text(t) + "after the table\n") {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  testsupport::TempDir dir;
  dir.write("table.pds", crlf);
  const std::int32_t unit = nextun();
  ASSERT_EQ(fio::open_old(unit, dir.file("table.pds").c_str()), 0);
  readpds0(unit);
  std::string line;
  EXPECT_EQ(fio::read_line(unit, line), fio::LineStatus::line);
  EXPECT_EQ(line, "after the table");
  fio::close(unit);
  EXPECT_EQ(vokpar2.nx, 9);
  EXPECT_EQ(bits(vokpar1.xv[9]), bits(t.xv.back()));
  EXPECT_EQ(std::memcmp(vokpar1.pdfval, t.values.data(), t.values.size() * sizeof(double)), 0);
}

// A file rewritten after its unit was opened is refused; the blocks keep the
// table before.
TEST(Readpds0, AFileRewrittenWhileReadIsRefused) {
  const testsupport::PdsTable t = testsupport::make_table(9, 4, 2, 2, testsupport::realistic_value);
  tables_test::load(t);
  testsupport::TempDir dir;
  dir.write("table.pds", table_with_nx(8));
  const std::int32_t unit = nextun();
  ASSERT_EQ(fio::open_old(unit, dir.file("table.pds").c_str()), 0);
  dir.write("table.pds", table_with_nx(10));
  {
    StopsThrow stops;
    EXPECT_THROW(readpds0(unit), Stopped);
  }
  fio::close(unit);
  EXPECT_EQ(vokpar2.nx, 9);
}

// After a load, a call at the point of the call before computes anew from the
// new table.
TEST(Evaluation, ALoadForgetsTheLastPoint) {
  testsupport::TempDir dir;
  const testsupport::PdsTable second =
      testsupport::make_table(30, 10, 4, 4, testsupport::realistic_value);
  dir.write("second.pds", testsupport::pds_text(second));
  tables_test::load(testsupport::make_table(40, 12, 5, 2, testsupport::realistic_value));
  const double x = 0.0123, q = 17.5;
  const double before = partonx10(2, x, q);
  tables_test::load(second);
  const double after = partonx10(2, x, q);
  EXPECT_NE(bits(before), bits(after));
  EXPECT_EQ(bits(after), bits(pdferr::TableSet(dir.file("second.pds")).value(2, x, q)));
  EXPECT_EQ(setchange.flag, 0);
  // A flavour outside the table's slots (only a direct call can ask): 0.
  EXPECT_EQ(bits(partonx10(-5, x, q)), bits(0.0));
}

}  // namespace
