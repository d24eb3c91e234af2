// Fixed-field E input ("(6(1PE12.4))").  Each expected value or refusal is
// what a gfortran READ with that format gives for the same characters
// (checked with gfortran 12 on the same fields, hex patterns compared).
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

#include "fio/fixedread.hpp"

namespace {

constexpr fio::EditE e12_4{12, 4, 1};

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// The field read by 1PE12.4; NaN-free expectations compared bit for bit.
void expect_field(const std::string& field, double want) {
  double got = -777.0;
  ASSERT_TRUE(fio::read_e_field(field, 4, 1, got)) << "[" << field << "]";
  EXPECT_EQ(bits(got), bits(want)) << "[" << field << "] " << got << " vs " << want;
}

void expect_bad(const std::string& field) {
  double got = -777.0;
  EXPECT_FALSE(fio::read_e_field(field, 4, 1, got)) << "[" << field << "]";
  EXPECT_EQ(got, -777.0);
}

TEST(FixedRead, ExponentForms) {
  expect_field("  1.2345E-02", 0.012345);
  expect_field("  1.2345D-02", 0.012345);
  expect_field("  1.2345e-02", 0.012345);
  expect_field("  1.2345q-02", 0.012345);
  expect_field("   1.2345-02", 0.012345);  // a bare sign opens the exponent
  expect_field("   1.2345+02", 123.45);
  expect_field("  -1.2345E+2", -123.45);
  expect_field("  1.0E+  ", 1.0);  // exponent sign, then blanks: 0
  expect_field("E5", 0.0);         // no digits at all reads as zero
  expect_field("-E5", -0.0);
  expect_bad("  1.2345E");
  expect_bad("  1.2345E ");
  expect_bad("  1.2345E+");
  expect_bad("1.0d");
  expect_bad("1+");
  expect_bad("1E+E5");
  expect_bad("1.2345E--2");
  expect_bad("1.0E5.");
}

TEST(FixedRead, BlanksPointAndScaleFactor) {
  expect_field(" 1.2 345E-0 2", 0.012345);  // blanks anywhere are ignored
  expect_field(" - 1. 5", -0.15);
  expect_field("      1.2345", 0.12345);  // no exponent: divided by 10
  expect_field("       12345", 0.12345);  // no point: four implied decimals
  expect_field("     12345E2", 123.45);   // implied decimals, no scale factor
  expect_field("12", 0.00012);
  expect_field(" 1e3", 0.1);
  expect_field("            ", 0.0);
  expect_field("", 0.0);
  expect_field("-", 0.0);  // a bare sign is an unsigned zero
  expect_field("-.", -0.0);
  expect_field("-0.0", -0.0);
  expect_bad("1.2.3");
  expect_bad(" 1.2345\tE-02");
  expect_bad("1.0x");
}

TEST(FixedRead, OneCorrectRoundingEverywhere) {
  // Halfway-hard and range-end cases, against strtod of the same decimal.
  expect_field("1.2345678901", 0.12345678901);
  expect_field("0.1000000000", std::strtod("0.01", nullptr));
  expect_field("9.007199E15", 9.007199e15);
  expect_field("  1.0E-310", 1e-310);  // subnormal
  expect_field("  1.0E+0400", std::numeric_limits<double>::infinity());
  expect_field("  1.0-400", 0.0);
  expect_field("1.E9999", std::numeric_limits<double>::infinity());
  expect_field("1E10003", std::numeric_limits<double>::infinity());
  expect_bad("1E10004");  // beyond the exponent range once the decimals count
  expect_bad("1.E-10000");
  expect_field("1.E-9999", 0.0);
  // The written form on either side of 15 digits, and far beyond.
  expect_field("1.23456789012345E+00", 1.23456789012345);
  expect_field("-1.234567890123456E+00", -1.234567890123456);
  expect_field("123456789012345678901234567890.E-29", 1.2345678901234567890123456789);
  expect_field("0.000000000000000000001E+21", 1.0);
}

TEST(FixedRead, InfinityAndNan) {
  expect_field("  Inf", std::numeric_limits<double>::infinity());
  expect_field("-infinity", -std::numeric_limits<double>::infinity());
  double v = 0;
  ASSERT_TRUE(fio::read_e_field("  NaN", 4, 1, v));
  EXPECT_EQ(bits(v), 0x7FF8000000000000u);
  ASSERT_TRUE(fio::read_e_field("-nan(1)", 4, 1, v));
  EXPECT_EQ(bits(v), 0xFFF8000000000000u);
  expect_bad("Infx");
  expect_bad("N a N");
  expect_bad("Inf 5");  // refused here; trailing text is never a number
}

TEST(FixedRead, RecordsPadCutAndStopAtCommas) {
  double v[6];
  std::string line = "  1.2345E-02  6.7890E+00";
  ASSERT_EQ(fio::read_e_fields(line, e12_4, v, 6), 0);
  EXPECT_EQ(v[0], 0.012345);
  EXPECT_EQ(v[1], 6.789);
  for (int k = 2; k < 6; ++k) EXPECT_EQ(bits(v[k]), 0u);  // short line: zeros
  line.assign(72, ' ');
  line += "1.0E+00";
  ASSERT_EQ(fio::read_e_fields(line, e12_4, v, 6), 0);
  for (double x : v) EXPECT_EQ(bits(x), 0u);  // beyond column 72: ignored
  // A comma ends its field; the next one starts after it.
  ASSERT_EQ(fio::read_e_fields("1.5,2.5", e12_4, v, 6), 0);
  EXPECT_EQ(v[0], 0.15);
  EXPECT_EQ(v[1], 0.25);
  ASSERT_EQ(fio::read_e_fields("  1.2345E-02,  2.0", e12_4, v, 6), 0);
  EXPECT_EQ(v[1], 0.0);
  EXPECT_EQ(v[2], 0.2);
  // The position of the first bad field.
  EXPECT_EQ(fio::read_e_fields("  1.0E+00     1.0E", e12_4, v, 6), 2);
}

}  // namespace
