// Free-form record input.  Each case was run through a gfortran-built
// program doing "read(10, *) i1, r1, r2, i2, r3" followed by a line read, and
// the values (or the failure) and the following line are those it gave.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "fio/listread.hpp"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct Outcome {
  fio::ListError error;
  std::int32_t i1, i2;
  double r1, r2, r3;
  std::string next;  // the line read after the record ("<eof>" at the end)
};

Outcome read_five(const std::string& text) {
  Outcome o{fio::ListError::none, -11, -22, -1.0, -2.0, -3.0, ""};
  fio::ListReader reader = fio::ListReader::from_text(text);
  const fio::ListItem items[] = {fio::list_item(o.i1), fio::list_item(o.r1), fio::list_item(o.r2),
                                 fio::list_item(o.i2), fio::list_item(o.r3)};
  o.error = reader.read(items).error;
  fio::ListReader::Result rest = reader.read({});
  o.next = rest.error == fio::ListError::none ? "<line>" : "<eof>";
  return o;
}

void expect_values(const Outcome& o, std::int32_t i1, double r1, double r2, std::int32_t i2,
                   double r3) {
  EXPECT_EQ(o.i1, i1);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(o.r1), std::bit_cast<std::uint64_t>(r1));
  EXPECT_EQ(std::bit_cast<std::uint64_t>(o.r2), std::bit_cast<std::uint64_t>(r2));
  EXPECT_EQ(o.i2, i2);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(o.r3), std::bit_cast<std::uint64_t>(r3));
}

TEST(ListRead, SeparatorsLinesAndTrailingText) {
  for (const char* text :
       {"1 2 3 4 5\nNEXT\n", "1,2,3,4,5 trailing junk\nNEXT\n", "1\n2\n\n3 4\n5\nNEXT\n",
        "1,\n2,3,4,5\nNEXT\n", "1\t2\t3 4 5\nNEXT\n", "1 2 3 4 5,,\nNEXT\n",
        "1 2 3 4 5 6 7\nNEXT\n", "+1 2 3 +4 5\r\nNEXT\r\n"}) {
    SCOPED_TRACE(text);
    Outcome o = read_five(text);
    EXPECT_EQ(o.error, fio::ListError::none);
    expect_values(o, 1, 2.0, 3.0, 4, 5.0);
    EXPECT_EQ(o.next, "<line>");
  }
  // The record ends on its last value: nothing after it is consumed.
  fio::ListReader reader = fio::ListReader::from_text("7\n8 9\n");
  std::int32_t a = 0, b = 0;
  const fio::ListItem one[] = {fio::list_item(a)};
  const fio::ListItem two[] = {fio::list_item(b)};
  reader.read(one);
  reader.read(two);
  EXPECT_EQ(a, 7);
  EXPECT_EQ(b, 8);
  EXPECT_EQ(reader.line_number(), 2);
}

TEST(ListRead, NullValuesRepeatCountsAndSlash) {
  Outcome o = read_five("1,,3,4,5\nNEXT\n");
  expect_values(o, 1, -1.0, 3.0, 4, 5.0);
  o = read_five("1,\n,3,4,5\nNEXT\n");  // the comma before the line end is a separator
  expect_values(o, 1, -1.0, 3.0, 4, 5.0);
  o = read_five(",2,3,4,5\nNEXT\n");
  expect_values(o, -11, 2.0, 3.0, 4, 5.0);
  // A comma first after a line end separates; one more after it is null.
  o = read_five("1\n,\n,2 3 4 5\nNEXT\n");
  expect_values(o, 1, 2.0, 3.0, 4, 5.0);
  o = read_five("1\n, ,\n,2 4 5\nNEXT\n");
  expect_values(o, 1, -1.0, -2.0, 2, 4.0);
  o = read_five("\n,,2 3 4 5\nNEXT\n");
  expect_values(o, -11, 2.0, 3.0, 4, 5.0);
  o = read_five("1 2*7.5 4 5\nNEXT\n");
  expect_values(o, 1, 7.5, 7.5, 4, 5.0);
  o = read_five("1 2* 4 5\nNEXT\n");
  expect_values(o, 1, -1.0, -2.0, 4, 5.0);
  o = read_five("1 2 /3 4 5\nNEXT\n");
  expect_values(o, 1, 2.0, -2.0, -22, -3.0);
  EXPECT_EQ(o.next, "<line>");
  o = read_five("1 2 3/ 4 5\nNEXT\n");
  expect_values(o, 1, 2.0, 3.0, -22, -3.0);

  fio::ListReader reader = fio::ListReader::from_text("1,,3 2*\n");
  double v[5] = {-1, -1, -1, -1, -1};
  fio::ListReader::Result r = reader.read_reals(v);
  EXPECT_EQ(r.error, fio::ListError::none);
  EXPECT_EQ(r.items, 5u);  // the null pair closes the record
  EXPECT_EQ(r.nulls, 3u);
  EXPECT_EQ(v[4], -1.0);
  EXPECT_EQ(reader.read_reals(v).error, fio::ListError::end_of_file);
}

TEST(ListRead, NumberForms) {
  Outcome o = read_five("1 1d3 1.0+3 4 .5e-2\nNEXT\n");
  expect_values(o, 1, 1000.0, 1000.0, 4, 0.005);
  o = read_five("1 5. +5 4 -1.e5\nNEXT\n");
  expect_values(o, 1, 5.0, 5.0, 4, -1e5);
  o = read_five("1 1D-3 1q3 -2147483648 0.1E+0\nNEXT\n");
  expect_values(o, 1, 1e-3, 1000.0, -2147483647 - 1, 0.1);
  o = read_five("1 inf -Infinity 4 nan\nNEXT\n");
  EXPECT_EQ(o.r1, kInf);
  EXPECT_EQ(o.r2, -kInf);
  EXPECT_TRUE(std::isnan(o.r3));
  // A plus sign before Inf, Infinity and NaN, also among reals only.
  o = read_five("1 +Inf +NaN 4 +infinity\nNEXT\n");
  EXPECT_EQ(o.r1, kInf);
  EXPECT_TRUE(std::isnan(o.r2) && !std::signbit(o.r2));
  EXPECT_EQ(o.r3, kInf);
  fio::ListReader reader = fio::ListReader::from_text("+Inf -INF +nan nan(1) +1.5 +-1\n");
  double v[6] = {};
  EXPECT_EQ(reader.read_reals(v).error, fio::ListError::bad_real);
  EXPECT_EQ(v[0], kInf);
  EXPECT_EQ(v[1], -kInf);
  EXPECT_TRUE(std::isnan(v[2]) && std::isnan(v[3]));
  EXPECT_EQ(v[4], 1.5);
  // Correct rounding, also where a short reader would err.
  o = read_five("1 2.2250738585072011e-308 9007199254740993 4 1e400\n");
  expect_values(o, 1, 2.2250738585072011e-308, 9007199254740992.0, 4, kInf);
}

TEST(ListRead, UnreadableValuesStopTheRead) {
  struct Case {
    const char* text;
    fio::ListError error;
    std::int32_t i1;
  } cases[] = {
      {"1.5 2 3 4 5\n", fio::ListError::bad_integer, -11},
      {"1e3 2 3 4 5\n", fio::ListError::bad_integer, -11},
      {"1 2 3 3000000000 5\n", fio::ListError::integer_overflow, 1},
      {"1 2 3abc 4 5\n", fio::ListError::bad_real, 1},
      {"1 2 3 0*4 5\n", fio::ListError::zero_repeat, 1},
      {"1 2 3 2147483648*4 5\n", fio::ListError::repeat_overflow, 1},
      {"1 2 . 4 5\n", fio::ListError::bad_real, 1},
      {"1 2 1e 4 5\n", fio::ListError::bad_real, 1},
      {"1 2 3 4\n", fio::ListError::end_of_file, 1},
      {"", fio::ListError::end_of_file, -11},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Outcome o = read_five(c.text);
    EXPECT_EQ(o.error, c.error);
    EXPECT_EQ(o.i1, c.i1);
  }
  // Values before the bad one are assigned, and the line is reported.
  fio::ListReader reader = fio::ListReader::from_text("head\n1 2\n3 x 5\n");
  double v[4] = {};
  EXPECT_TRUE(reader.skip_line());
  fio::ListReader::Result r = reader.read_reals(v);
  EXPECT_EQ(r.error, fio::ListError::bad_real);
  EXPECT_EQ(r.items, 3u);
  EXPECT_EQ(v[2], 3.0);
  EXPECT_EQ(reader.line_number(), 3);
}

// Records of reals take plain numbers by a shorter path: on random records
// it gives the values and outcomes of the general path (reals as items).
TEST(ListRead, RealsAsTheGeneralPathReadsThem) {
  const char* const pieces[] = {"1.5", "-2e-3", "+4",    "7",  "1d3", "1.0+3", "inf", "+NaN",
                                "nan", "3*2.5", "2*",    ",",  ",,",  "/",     "x",   "1.5x",
                                "\n",  "\r\n",  "1e400", "-0", ".5",  "5.",    "1e",  "0*4"};
  std::mt19937_64 rng(55275);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1), length(0, 30);
  for (int trial = 0; trial < 3000; ++trial) {
    std::string text;
    for (std::size_t k = length(rng); k > 0; --k) text.append(pieces[pick(rng)]).append(" ");
    const std::size_t count = 1 + trial % 12;
    std::vector<double> fast(count, -1.0), general(count, -1.0);
    std::vector<fio::ListItem> items;
    for (double& g : general) items.push_back(fio::list_item(g));
    fio::ListReader a = fio::ListReader::from_text(text);
    fio::ListReader b = fio::ListReader::from_text(text);
    const fio::ListReader::Result ra = a.read_reals(fast);
    const fio::ListReader::Result rb = b.read(items);
    SCOPED_TRACE(text);
    ASSERT_EQ(ra.error, rb.error);
    ASSERT_EQ(ra.items, rb.items);
    ASSERT_EQ(ra.nulls, rb.nulls);
    ASSERT_EQ(ra.slash, rb.slash);
    ASSERT_EQ(ra.null_item, rb.null_item);
    ASSERT_EQ(ra.null_line, rb.null_line);
    ASSERT_EQ(a.line_number(), b.line_number());
    ASSERT_EQ(std::memcmp(fast.data(), general.data(), count * sizeof(double)), 0);
  }
}

}  // namespace
