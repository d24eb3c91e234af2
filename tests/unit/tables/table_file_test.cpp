// Table files: formatting variants read to the same bits, and the faults a
// file can carry are refused with the line and the reason.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <utility>

#include "process.hpp"
#include "tables_unit.hpp"

namespace {

using tables_unit::bits;
using tables_unit::Read;
using tables_unit::read_text;
using testsupport::PdsFormat;
using testsupport::PdsTable;
namespace tables = pdferr::tables;

PdsTable small_table() { return testsupport::make_table(8, 4, 3, 2, testsupport::realistic_value); }

void expect_same(const tables::TableData& f, const PdsTable& t) {
  EXPECT_EQ(f.nx, t.nx);
  EXPECT_EQ(f.nt, t.nt);
  EXPECT_EQ(f.mxflvn0, t.mxflvn0);
  EXPECT_EQ(f.mxval, t.mxval);
  EXPECT_EQ(bits(f.alambda), bits(t.alambda));
  EXPECT_EQ(f.qcdi1, t.qcdi1);
  EXPECT_EQ(bits(f.qcdr1), bits(t.qcdr1));
  EXPECT_EQ(bits(f.qcdr2), bits(t.qcdr2));
  for (int k = 0; k < 6; ++k) EXPECT_EQ(bits(f.mass[k]), bits(t.mass[k]));
  EXPECT_EQ(bits(f.qini), bits(t.qini));
  EXPECT_EQ(bits(f.qmax), bits(t.qmax));
  EXPECT_EQ(bits(f.xmin), bits(t.xmin));
  EXPECT_EQ(bits(f.xv[0]), bits(0.0));
  for (int i = 1; i <= t.nx; ++i)
    EXPECT_EQ(bits(f.xv[i]), bits(t.xv[static_cast<std::size_t>(i - 1)]));
  for (int i = 0; i <= t.nt; ++i) EXPECT_EQ(bits(f.tv[i]), bits(t.tv[static_cast<std::size_t>(i)]));
  ASSERT_EQ(f.values.size(), t.values.size());
  EXPECT_EQ(std::memcmp(f.values.data(), t.values.data(), t.values.size() * sizeof(double)), 0);
}

TEST(TableFile, FormattingVariantsReadTheSameValues) {
  PdsTable t = small_table();
  for (int ng = 0; ng <= 3; ++ng) {
    t.ng = ng;
    for (int variant = 0; variant < 6; ++variant) {
      PdsFormat f;
      f.split_a = variant == 1;
      f.commas = variant == 2;
      f.d_exponents = variant == 3;
      f.trailing_text = variant == 4;
      f.per_line = variant == 5 ? 1 : (variant == 2 ? 4 : 7);
      SCOPED_TRACE("ng " + std::to_string(ng) + " variant " + std::to_string(variant));
      Read r = read_text(testsupport::pds_text(t, f));
      ASSERT_FALSE(r.fault) << r.fault.text;
      expect_same(*r.table, t);
    }
  }
  // Negative ng: one comment line all the same.
  t.ng = -7;
  Read r = read_text(testsupport::pds_text(t));
  ASSERT_FALSE(r.fault) << r.fault.text;
  expect_same(*r.table, t);
}

TEST(TableFile, HeaderValuesThatNeverReachTheBlocks) {
  PdsTable t = small_table();
  t.r1 = 2.0;
  t.r2 = 4.9999;
  Read a = read_text(testsupport::pds_text(t));
  EXPECT_EQ(a.table->qcdi2, 2);
  EXPECT_EQ(a.table->qcdi3, 5);
  // The first value of each pair in record D and the second of record E.
  for (double& p : t.pair_first) p = -p * 3.5;
  t.e_second = 12345.0;
  Read b = read_text(testsupport::pds_text(t));
  EXPECT_FALSE(b.fault);
  expect_same(*b.table, t);
  // Anything after the last table value is never read.
  Read c = read_text(testsupport::pds_text(t) + "garbage 1.5.5\nmore\n");
  EXPECT_FALSE(c.fault);
  EXPECT_EQ(tables::nearest_integer(2.5), 3);
  EXPECT_EQ(tables::nearest_integer(-2.5), -3);
  EXPECT_EQ(tables::nearest_integer(-2.4999), -2);
}

TEST(TableFile, CountsOutsideTheBlocksOrTooSmallForThePatch) {
  struct Case {
    int nx, nt, mxf, mxval;
    const char* what;
  } cases[] = {
      {202, 4, 0, 0, "nx = 202 outside 3 to 201"},
      {2, 4, 0, 0, "nx = 2 outside 3 to 201"},
      {-5, 4, 0, 0, "nx = -5 outside 3 to 201"},
      {8, 26, 0, 0, "nt = 26 outside 3 to 25"},
      {8, 2, 0, 0, "nt = 2 outside 3 to 25"},
      {8, 4, -1, 2, "MxFlvN0 = -1 is negative"},
      {8, 4, 2, -3, "mxval = -3 is negative"},
      {201, 25, 5, 5, "table of 57772 values exceeds 55275"},
      // Counts whose product overflows even 64 bits.
      {2147483647, 2147483647, 2147483647, 2147483647, "nx = 2147483647 outside 3 to 201"},
  };
  for (const Case& c : cases) {
    PdsTable t = small_table();
    t.nx = c.nx;
    t.nt = c.nt;
    t.mxflvn0 = c.mxf;
    t.mxval = c.mxval;
    Read r = read_text(testsupport::pds_text(t));
    EXPECT_EQ(r.fault.text, c.what);
    EXPECT_EQ(r.fault.line, 7);  // the line of record C
  }
  // The largest table that fits: 201 x 25 nodes, 10 slots.
  PdsTable big = testsupport::make_table(201, 25, 5, 4, testsupport::quadratic_value);
  ASSERT_EQ(big.values.size(), 52520u);
  Read r = read_text(testsupport::pds_text(big));
  EXPECT_FALSE(r.fault) << r.fault.text;
  expect_same(*r.table, big);
}

TEST(TableFile, ValuesEndingEarlyOrUnreadable) {
  const PdsTable t = small_table();
  PdsFormat one_per_line;
  one_per_line.per_line = 1;
  const std::string text = testsupport::pds_text(t, one_per_line);
  const std::size_t npts = t.values.size();  // 9 * 5 * 6 = 270
  // Cut after 100 table values: the header takes 2+1+1+1+1+1+3 lines, record
  // D 12, one line, record E 10 and one line: F starts on line 35.
  std::size_t pos = 0;
  for (int line = 0; line < 34 + 100; ++line) pos = text.find('\n', pos) + 1;
  Read r = read_text(text.substr(0, pos));
  EXPECT_EQ(r.fault.text,
            "100 of " + std::to_string(npts) + " table values read, then end of file");
  EXPECT_EQ(r.fault.line, 134);

  std::string bad = text;
  bad.replace(pos, bad.find('\n', pos) - pos, " 1.0x");
  r = read_text(bad);
  EXPECT_EQ(r.fault.text, "100 of 270 table values read, then unreadable real");
  EXPECT_EQ(r.fault.line, 135);

  // An empty value is reported where it stands, not where the record ends.
  std::string empty = text;
  empty.replace(pos, empty.find('\n', pos) - pos, " ,,");  // a separator, then a null
  r = read_text(empty);
  EXPECT_EQ(r.fault.text, "100 of 270 table values read, then an empty value");
  EXPECT_EQ(r.fault.line, 135);

  std::string slash = text;
  slash.replace(pos, slash.find('\n', pos) - pos, " /");
  r = read_text(slash);
  EXPECT_EQ(r.fault.text, "100 of 270 table values read, then a slash");
}

TEST(TableFile, HeaderFaults) {
  const PdsTable t = small_table();
  EXPECT_EQ(read_text("one line\n").fault.text, "end of file before record A");
  std::string text = testsupport::pds_text(t);
  // Record C with a real where an integer belongs.
  std::string c = text;
  const std::size_t cpos = c.find(" 8 4 5 1 0");
  c.replace(cpos, 10, " 8 4.0 5 1 0");
  Read r = read_text(c);
  EXPECT_EQ(r.fault.text, "unreadable integer in record C");
  EXPECT_EQ(r.fault.line, 7);
  // Record B with an empty value.
  std::string b = text;
  const std::size_t bpos = b.find(" 2 0.117");
  b.replace(bpos, b.find('\n', bpos) - bpos, " 2,,91.1876 3 2 5");
  r = read_text(b);
  EXPECT_EQ(r.fault.text, "empty value in record B");
  // Too few comment lines: record D runs into the end of the file.
  EXPECT_EQ(read_text(text.substr(0, text.find("  comment line 1"))).fault.text,
            "end of file before record D");
}

// Tables that would load but not evaluate are refused where the value
// stands.  One value per line: record A is line 3, t node i line 14 + 2i,
// x node i line 25 + i, table value k line 34 + k.
TEST(TableFile, TablesTheKernelCannotUseAreRefused) {
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  constexpr double inf = std::numeric_limits<double>::infinity();
  struct Case {
    void (*change)(PdsTable&);
    long line;
    const char* field;
    const char* reason;
  } cases[] = {
      {[](PdsTable& t) { t.alambda = 0; }, 3, "record A", "alambda = 0 is not above 0"},
      {[](PdsTable& t) { t.alambda = -0.2; }, 3, "record A", "alambda = -0.2 is not above 0"},
      {[](PdsTable& t) { t.alambda = nan; }, 3, "record A", "alambda = nan is not finite"},
      {[](PdsTable& t) { t.alambda = inf; }, 3, "record A", "alambda = inf is not finite"},
      {[](PdsTable& t) { t.tv[0] = inf; }, 14, "record D", "t node 0 = inf is not finite"},
      {[](PdsTable& t) {
         t.tv = {0.5, 1.0, 0.9, 1.5, 2.0};
       },
       18, "record D", "t node 2 = 0.9 is not above t node 1 = 1"},
      {[](PdsTable& t) { t.xv[0] = 0; }, 26, "record E", "x node 1 = 0 is not in (0, 1]"},
      {[](PdsTable& t) { t.xv[3] = nan; }, 29, "record E", "x node 4 = nan is not in (0, 1]"},
      {[](PdsTable& t) { t.xv[7] = 1.5; }, 33, "record E", "x node 8 = 1.5 is not in (0, 1]"},
      {[](PdsTable& t) { t.xv[1] = t.xv[2] = 0.25; }, 28, "record E",
       "x node 3 = 0.25 is not above x node 2 = 0.25"},
      {[](PdsTable& t) { t.values[4] = nan; }, 39, "record F", "table value 5 = nan is not finite"},
      {[](PdsTable& t) { t.values.back() = -inf; }, 304, "record F",
       "table value 270 = -inf is not finite"},
  };
  PdsFormat one_per_line;
  one_per_line.per_line = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason);
    PdsTable t = small_table();
    c.change(t);
    const Read r = read_text(testsupport::pds_text(t, one_per_line));
    EXPECT_EQ(r.fault.line, c.line);
    EXPECT_EQ(r.fault.field, c.field);
    EXPECT_EQ(r.fault.reason, c.reason);
    EXPECT_EQ(r.fault.text, std::string(c.reason) + " in " + c.field);
  }
}

// A read error or a line without end is reported as such, with the system's
// reason, not as the end of the file.
TEST(TableFile, InputFailuresAreNotTheEndOfTheFile) {
  const std::pair<const char*, const char*> cases[] = {
      {"/proc/self/mem", "read error (Input/output error) before record A"},
      {testsupport::long_line_file().c_str(), "line longer than 4194304 bytes before record A"},
  };
  for (const auto& [path, text] : cases) {
    tables::FileLines lines;
    ASSERT_EQ(lines.open(path), 0) << path;
    tables::TableData table;
    const tables::Fault f = tables::read_table(lines, table);
    EXPECT_EQ(f.text, text);
    EXPECT_EQ(f.line, 1);
  }
}

// Reading ends on the line of the last table value: nothing after it is
// asked of the source, however much follows.
TEST(TableFile, ReadingStopsAtTheLastValue) {
  struct Counted : tables_unit::TextLines {
    using TextLines::TextLines;
    long taken = 0;
    fio::LineStatus next(std::string& line) override {
      ++taken;
      return TextLines::next(line);
    }
  };
  const std::string text = testsupport::pds_text(small_table());
  std::string tail;
  for (int k = 0; k < 1000; ++k) tail += "text after the table\n";
  Counted lines(text + tail);
  tables::TableData table;
  EXPECT_FALSE(tables::read_table(lines, table));
  EXPECT_EQ(lines.taken, std::count(text.begin(), text.end(), '\n'));
}

TEST(TableFile, AFileRewrittenWhileReadIsRefused) {
  struct Rewritten : tables::FileLines {
    const testsupport::TempDir* dir = nullptr;
    std::string text;
    long taken = 0;
    fio::LineStatus next(std::string& line) override {
      if (++taken == 10) dir->write("table.pds", text + "one more line\n");
      return FileLines::next(line);
    }
  };
  testsupport::TempDir dir;
  Rewritten lines;
  lines.dir = &dir;
  lines.text = testsupport::pds_text(small_table());
  dir.write("table.pds", lines.text);
  ASSERT_EQ(lines.open(dir.file("table.pds")), 0);
  tables::TableData table;
  EXPECT_EQ(tables::read_table(lines, table).text, "the file changed while it was read");
}

}  // namespace
