// Formatted records: fixed-format items and the free-format layout.
#include <gtest/gtest.h>

#include <stdio.h>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "fio/record.hpp"

namespace {

// Captures the lines written by fn(Record&) into a string.
template <typename Fn>
std::string capture(Fn fn) {
  char* buf = nullptr;
  std::size_t len = 0;
  std::FILE* mem = open_memstream(&buf, &len);
  {
    fio::Record rec(mem);
    fn(rec);
  }
  std::fclose(mem);
  std::string s(buf, len);
  std::free(buf);
  return s;
}

TEST(RecordFixed, IntegerFieldsRightAlignedOrAsterisks) {
  EXPECT_EQ(capture([](fio::Record& r) { r.i(54217137, 10); }), "  54217137\n");
  EXPECT_EQ(capture([](fio::Record& r) { r.i(-999999999, 10); }), "-999999999\n");
  EXPECT_EQ(capture([](fio::Record& r) { r.i(-1000000000, 10); }), "**********\n");
  EXPECT_EQ(capture([](fio::Record& r) { r.i(100000, 5); }), "*****\n");
  EXPECT_EQ(capture([](fio::Record& r) { r.i(-9999, 5); }), "-9999\n");
  EXPECT_EQ(capture([](fio::Record& r) { r.i(-2147483647 - 1, 11); }), "-2147483648\n");
  EXPECT_EQ(capture([](fio::Record& r) { r.i(0, 3); }), "  0\n");
}

TEST(RecordFixed, TextsAndBlanks) {
  EXPECT_EQ(capture([](fio::Record& r) { r.x(2).a("AB").x(1).a("").a("C"); }), "  AB C\n");
  EXPECT_EQ(capture([](fio::Record&) {}), "\n");
}

// Layouts checked against gfortran's list-directed output of the same items.
TEST(RecordFree, SeparatorsBetweenTextsAndIntegers) {
  EXPECT_EQ(
      capture([](fio::Record& r) { r.list_text("Invalid Iset number in SetZEMO :").list_int(9); }),
      " Invalid Iset number in SetZEMO :           9\n");
  EXPECT_EQ(
      capture([](fio::Record& r) { r.list_int(5).list_text("a").list_int(6).list_text("b"); }),
      "           5 a           6 b\n");
  EXPECT_EQ(capture([](fio::Record& r) { r.list_text("a").list_text("b").list_int(-7); }),
            " ab          -7\n");
  EXPECT_EQ(capture([](fio::Record& r) {
              r.list_text("l1=").list_int(12).list_text(" str1=").list_text("abc  ");
            }),
            " l1=          12  str1=abc  \n");
  EXPECT_EQ(capture([](fio::Record& r) { r.list_text(""); }), " \n");
}

// Expected fields as written by gfortran 12.2 for "print *, v" and
// "(A,1pE12.4)" of the same 64-bit values (the implementation agreed with it
// on 50000 further values, random bit patterns included, when it was built).
TEST(RecordFree, RealsFixedOrScientificLikeGfortran) {
  auto real = [](double v) { return capture([v](fio::Record& r) { r.list_real(v); }); };
  EXPECT_EQ(real(1.0), "   1.0000000000000000     \n");
  EXPECT_EQ(real(0.0), "   0.0000000000000000     \n");
  EXPECT_EQ(real(-0.0), "  -0.0000000000000000     \n");
  EXPECT_EQ(real(0.1), "  0.10000000000000001     \n");
  EXPECT_EQ(real(0.09999999999999999), "   9.9999999999999992E-002\n");
  EXPECT_EQ(real(-0.5), " -0.50000000000000000     \n");
  EXPECT_EQ(real(1e16), "   10000000000000000.     \n");
  EXPECT_EQ(real(99999999999999984.0), "   99999999999999984.     \n");
  EXPECT_EQ(real(1e17), "   1.0000000000000000E+017\n");
  EXPECT_EQ(real(-1e-300), "  -1.0000000000000000E-300\n");
  EXPECT_EQ(real(5e-324), "   4.9406564584124654E-324\n");
  EXPECT_EQ(real(0x1p-25), "   2.9802322387695312E-008\n");  // a tie, to even
  EXPECT_EQ(real(12345.6789), "   12345.678900000001     \n");
  EXPECT_EQ(real(std::numeric_limits<double>::infinity()), "                  Infinity\n");
  EXPECT_EQ(real(-std::numeric_limits<double>::infinity()), "                 -Infinity\n");
  EXPECT_EQ(real(std::numeric_limits<double>::quiet_NaN()), "                       NaN\n");
  EXPECT_EQ(capture([](fio::Record& r) { r.list_real(1.0).list_text("a").list_real(2.0); }),
            "   1.0000000000000000      a   2.0000000000000000     \n");
  EXPECT_EQ(capture([](fio::Record& r) { r.list_int(3).list_real(1.0).list_int(3); }),
            "           3   1.0000000000000000                3\n");
  EXPECT_EQ(capture([](fio::Record& r) {
              r.list_text("Q out of range in ZEMOPdf: ").list_real(0.29999);
            }),
            " Q out of range in ZEMOPdf:   0.29998999999999998     \n");
}

TEST(RecordFixed, ScaledExponentFieldsLikeGfortran) {
  auto e124 = [](double v) { return capture([v](fio::Record& r) { r.a("x = ").e1p(v, 12, 4); }); };
  EXPECT_EQ(e124(-0.5), "x =  -5.0000E-01\n");
  EXPECT_EQ(e124(0.0), "x =   0.0000E+00\n");
  EXPECT_EQ(e124(-0.0), "x =  -0.0000E+00\n");
  EXPECT_EQ(e124(1e-300), "x =   1.0000-300\n");
  EXPECT_EQ(e124(-1e-300), "x =  -1.0000-300\n");
  EXPECT_EQ(e124(9.99995e99), "x =   1.0000+100\n");  // rounding moves the exponent
  EXPECT_EQ(e124(1e99), "x =   1.0000E+99\n");
  EXPECT_EQ(e124(5e-324), "x =   4.9407-324\n");
  EXPECT_EQ(e124(1.0001), "x =   1.0001E+00\n");
  EXPECT_EQ(e124(std::numeric_limits<double>::quiet_NaN()), "x =          NaN\n");
  EXPECT_EQ(e124(-std::numeric_limits<double>::infinity()), "x =    -Infinity\n");
  EXPECT_EQ(capture([](fio::Record& r) { r.e1p(-1e-300, 9, 2); }), "-1.00-300\n");
  EXPECT_EQ(capture([](fio::Record& r) { r.e1p(-1e-300, 8, 2); }), "********\n");
}

}  // namespace
