// Table files: formatting variants read to the same bits, and the faults a
// file can carry are refused with the line and the reason.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "pdsfile.hpp"
#include "tables_support.hpp"

namespace {

using tables_test::bits;
using testsupport::PdsFormat;
using testsupport::PdsTable;
using zemo_file::TableFile;

struct Read {
  std::unique_ptr<TableFile> file = std::make_unique<TableFile>();
  zemo_file::Fault fault;
};

Read read_text(const std::string& text) {
  Read r;
  fio::ListReader reader = fio::ListReader::from_text(text);
  r.fault = zemo_file::read_table(reader, *r.file);
  return r;
}

PdsTable small_table() { return testsupport::make_table(8, 4, 3, 2, testsupport::realistic_value); }

void expect_same(const TableFile& f, const PdsTable& t) {
  EXPECT_EQ(f.dims.nx, t.nx);
  EXPECT_EQ(f.dims.nt, t.nt);
  EXPECT_EQ(f.dims.MxFlvN0, t.mxflvn0);
  EXPECT_EQ(f.dims.mxval, t.mxval);
  EXPECT_EQ(bits(f.alambda), bits(t.alambda));
  EXPECT_EQ(f.qcd.qcdi1, t.qcdi1);
  EXPECT_EQ(bits(f.qcd.qcdr1), bits(t.qcdr1));
  EXPECT_EQ(bits(f.qcd.qcdr2), bits(t.qcdr2));
  for (int k = 0; k < 6; ++k) EXPECT_EQ(bits(f.masses.mass[k]), bits(t.mass[k]));
  EXPECT_EQ(bits(f.range.qini), bits(t.qini));
  EXPECT_EQ(bits(f.range.qmax), bits(t.qmax));
  EXPECT_EQ(bits(f.range.xmin), bits(t.xmin));
  EXPECT_EQ(bits(f.xv[0]), bits(0.0));
  for (int i = 1; i <= t.nx; ++i)
    EXPECT_EQ(bits(f.xv[i]), bits(t.xv[static_cast<std::size_t>(i - 1)]));
  for (int i = 0; i <= t.nt; ++i) EXPECT_EQ(bits(f.tv[i]), bits(t.tv[static_cast<std::size_t>(i)]));
  ASSERT_EQ(f.npts, static_cast<std::int32_t>(t.values.size()));
  EXPECT_EQ(std::memcmp(f.values, t.values.data(), t.values.size() * sizeof(double)), 0);
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
      ASSERT_FALSE(r.fault) << r.fault.what;
      expect_same(*r.file, t);
    }
  }
  // Negative ng: one comment line all the same.
  t.ng = -7;
  Read r = read_text(testsupport::pds_text(t));
  ASSERT_FALSE(r.fault) << r.fault.what;
  expect_same(*r.file, t);
}

TEST(TableFile, HeaderValuesThatNeverReachTheBlocks) {
  PdsTable t = small_table();
  t.r1 = 2.0;
  t.r2 = 4.9999;
  Read a = read_text(testsupport::pds_text(t));
  EXPECT_EQ(a.file->qcd.qcdi2, 2);
  EXPECT_EQ(a.file->qcd.qcdi3, 5);
  // The first value of each pair in record D and the second of record E.
  for (double& p : t.pair_first) p = -p * 3.5;
  t.e_second = 12345.0;
  Read b = read_text(testsupport::pds_text(t));
  EXPECT_FALSE(b.fault);
  expect_same(*b.file, t);
  // Anything after the last table value is never read.
  Read c = read_text(testsupport::pds_text(t) + "garbage 1.5.5\nmore\n");
  EXPECT_FALSE(c.fault);
  EXPECT_EQ(zemo_file::nearest_integer(2.5), 3);
  EXPECT_EQ(zemo_file::nearest_integer(-2.5), -3);
  EXPECT_EQ(zemo_file::nearest_integer(-2.4999), -2);
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
    EXPECT_EQ(r.fault.what, c.what);
    EXPECT_EQ(r.fault.line, 7);  // the line of record C
  }
  // The largest table that fits: 201 x 25 nodes, 10 slots.
  PdsTable big = testsupport::make_table(201, 25, 5, 4, testsupport::quadratic_value);
  ASSERT_EQ(big.values.size(), 52520u);
  Read r = read_text(testsupport::pds_text(big));
  EXPECT_FALSE(r.fault) << r.fault.what;
  expect_same(*r.file, big);
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
  EXPECT_EQ(r.fault.what,
            "100 of " + std::to_string(npts) + " table values read, then end of file");
  EXPECT_EQ(r.fault.line, 134);

  std::string bad = text;
  bad.replace(pos, bad.find('\n', pos) - pos, " 1.0x");
  r = read_text(bad);
  EXPECT_EQ(r.fault.what, "100 of 270 table values read, then unreadable real");
  EXPECT_EQ(r.fault.line, 135);

  std::string empty = text;
  empty.replace(pos, empty.find('\n', pos) - pos, " ,,");  // a separator, then a null
  r = read_text(empty);
  EXPECT_EQ(r.fault.what, "269 of 270 table values read, then an empty value");

  std::string slash = text;
  slash.replace(pos, slash.find('\n', pos) - pos, " /");
  r = read_text(slash);
  EXPECT_EQ(r.fault.what, "100 of 270 table values read, then a slash");
}

TEST(TableFile, HeaderFaults) {
  const PdsTable t = small_table();
  EXPECT_EQ(read_text("one line\n").fault.what, "end of file before record A");
  std::string text = testsupport::pds_text(t);
  // Record C with a real where an integer belongs.
  std::string c = text;
  const std::size_t cpos = c.find(" 8 4 5 1 0");
  c.replace(cpos, 10, " 8 4.0 5 1 0");
  Read r = read_text(c);
  EXPECT_EQ(r.fault.what, "unreadable integer in record C");
  EXPECT_EQ(r.fault.line, 7);
  // Record B with an empty value.
  std::string b = text;
  const std::size_t bpos = b.find(" 2 0.117");
  b.replace(bpos, b.find('\n', bpos) - bpos, " 2,,91.1876 3 2 5");
  r = read_text(b);
  EXPECT_EQ(r.fault.what, "empty value in record B");
  // Too few comment lines: record D runs into the end of the file.
  EXPECT_EQ(read_text(text.substr(0, text.find("  comment line 1"))).fault.what,
            "end of file before record D");
}

}  // namespace
