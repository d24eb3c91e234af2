// Formatted records: fixed-format items and the free-format layout.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
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

}  // namespace
