// istrl and strcat on blank-padded fields, and the strcat overflow report.
#include <cstddef>
#include <string>

#include "grids_testing.hpp"

namespace {

using std::string_literals::operator""s;

TEST(Istrl, CountsUpToTheLastNonBlank) {
  EXPECT_EQ(istrl("abc  ", 5), 3);
  EXPECT_EQ(istrl("  ", 2), 0);
  EXPECT_EQ(istrl("", 0), 0);
  EXPECT_EQ(istrl(" a", 2), 2);
  EXPECT_EQ(istrl("ab\t", 3), 3);           // a tab is a used character
  EXPECT_EQ(istrl("ab\0 "s.data(), 4), 3);  // so is NUL
  // The declared length bounds the field, not a terminator.
  EXPECT_EQ(istrl("abcdef", 2), 2);
  EXPECT_EQ(pelk::istrl("pelk-plus- "), 10);
}

std::string join(const std::string& s1, const std::string& s2, std::size_t len) {
  std::string out(len, 'x');
  pelk::strcat(s1, s2, out.data(), len);
  return out;
}

TEST(Strcat, JoinsUsedPartsAndPads) {
  EXPECT_EQ(join("pelk-plus- ", "07", 20), "pelk-plus-07        ");
  EXPECT_EQ(join("0", "7 ", 2), "07");  // exactly full is accepted
  EXPECT_EQ(join("  ", "   ", 4), "    ");
  EXPECT_EQ(join("a ", " b", 5), "a b  ");  // leading blanks of str2 stay
  EXPECT_EQ(join("", "", 0), "");
  // The same field as str1 and str (appending in place).
  std::string name = "stem      ";
  pelk_strcat(name.data(), ".grid", name.data(), name.size(), 5, name.size());
  EXPECT_EQ(name, "stem.grid ");
}

TEST(Strcat, OverflowReportsAndStopsLeavingTheFieldAlone) {
  testsupport::TempDir dir;
  // l1 + l2 = 3 > 2: the four free-format lines, then a stop.
  auto r = gridtest::driver({"strcat", "ab ", " c", "2"}, dir.path());
  EXPECT_EQ(r.out,
            " error: l1+l2>l in strcat\n"
            " l1=           2  str1=ab \n"
            " l2=           2  str2= c\n"
            " l=           2\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 1);
  // One character less fits and is written.
  r = gridtest::driver({"strcat", "ab ", "c", "3"}, dir.path());
  EXPECT_EQ(r.out, "[abc]\n");
}

}  // namespace
