// Grid files: names by member number, the held node values, loading into
// pelkgrid, the formatting variants and the failures of a bad file.
#include <climits>
#include <cstring>
#include <string>

#include "grids_testing.hpp"
#include "pelk_core.hpp"

namespace {

using gridtest::same_bits;
using testsupport::Layout;

std::string name_of(std::int32_t iset) {
  char field[pelk::name_length];
  pelk::grid_file_name(iset, field);
  return std::string(field, pelk::name_length);
}

TEST(GridFileName, ByMemberNumber) {
  EXPECT_EQ(name_of(0), "PELK-GRID.NLO       ");
  EXPECT_EQ(name_of(1), "pelk-plus-01.grid   ");
  EXPECT_EQ(name_of(-1), "pelk-minus-01.grid  ");
  EXPECT_EQ(name_of(3), "pelk-plus-03.grid   ");
  EXPECT_EQ(name_of(9), "pelk-plus-09.grid   ");
  EXPECT_EQ(name_of(10), "pelk-plus-10.grid   ");
  EXPECT_EQ(name_of(-12), "pelk-minus-12.grid  ");
  EXPECT_EQ(name_of(-99), "pelk-minus-99.grid  ");
  // Magnitudes that do not fit two digits.
  EXPECT_EQ(name_of(100), "pelk-plus-**.grid   ");
  EXPECT_EQ(name_of(-100), "pelk-minus-**.grid  ");
  EXPECT_EQ(name_of(INT_MIN), "pelk-minus-**.grid  ");
  EXPECT_EQ(name_of(INT_MAX), "pelk-plus-**.grid   ");
}

TEST(GridNodes, HeldValues) {
  // Entries 21 to 46 are 32-bit floats widened; the others 64-bit decimals.
  EXPECT_TRUE(same_bits(pelk::x_nodes[20], 0.05999999865889549));
  EXPECT_TRUE(same_bits(pelk::x_nodes[22], 0.10000000149011612));
  EXPECT_TRUE(same_bits(pelk::x_nodes[45], 0.949999988079071));
  EXPECT_TRUE(same_bits(pelk::x_nodes[19], 0.045));
  EXPECT_TRUE(same_bits(pelk::x_nodes[46], 1.0));
  for (int i = 0; i < pelk::nx; ++i) {
    EXPECT_TRUE(same_bits(pelk::x_nodes[i], testsupport::x_node(i))) << i;
  }
  for (int j = 0; j < pelk::nq; ++j) {
    EXPECT_TRUE(same_bits(pelk::q2_nodes[j], testsupport::q2_node(j))) << j;
  }
}

class GridLoad : public gridtest::InScratchDir {};

TEST_F(GridLoad, FillsTheBlockFromTheCodedMember) {
  write("pelk-plus-07.grid", gridtest::coded_member());
  pelkini(7);
  EXPECT_EQ(pelkgrid.nnodes[0], 47);
  EXPECT_EQ(pelkgrid.nnodes[1], 30);
  EXPECT_TRUE(same_bits(pelkgrid.lognodes[0], std::log(1e-5)));
  EXPECT_TRUE(same_bits(pelkgrid.lognodes[46], 0.0));
  EXPECT_TRUE(same_bits(pelkgrid.lognodes[47], std::log(0.8)));
  EXPECT_TRUE(same_bits(pelkgrid.lognodes[76], std::log(1e6)));
  EXPECT_TRUE(same_bits(pelkgrid.lognodes[20], std::log(0.05999999865889549)));

  // Line 1 holds p1..p6 = 1.0000E+00 ... 1.0000E+05.
  const double u = 1.0 - 1e-5;
  EXPECT_TRUE(same_bits(pelkgrid.denstab[0][0][0], 1.0 / ((u * u * u) * 1e-5)));
  EXPECT_TRUE(
      same_bits(pelkgrid.denstab[5][0][0], 1e5 / (std::pow(1e-5, 0.5) * (u * (u * u) * (u * u)))));
  // Every field lands where its code says: line 31 is x node 2, Q2 node 1.
  for (int c = 0; c < 6; ++c) {
    for (int k = 0; k < 30; ++k) {
      for (int l = 0; l < 46; ++l) {
        const double file = testsupport::to_double(testsupport::coded_value(c, l, k));
        const double expect = file / testsupport::load_factor(c, testsupport::x_node(l));
        ASSERT_TRUE(same_bits(pelkgrid.denstab[c][k][l], expect)) << c << ' ' << k << ' ' << l;
      }
      EXPECT_EQ(std::bit_cast<std::uint64_t>(pelkgrid.denstab[c][k][46]), 0u);
    }
  }
}

TEST_F(GridLoad, EveryWayOfWritingTheFieldsGivesTheSameBlock) {
  // Random five-digit decimals of both signs over 13 decades, and zeros.
  std::uint64_t state = 12345;
  auto next = [&state] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::uint32_t>(state >> 33);
  };
  std::vector<testsupport::Decimal> values(1380 * 6);
  for (auto& d : values) {
    const std::uint32_t r = next();
    if (r % 7 == 0) continue;  // zero
    d.m = static_cast<std::int32_t>(10000 + r % 90000) * (r % 3 == 0 ? -1 : 1);
    d.e = static_cast<int>(next() % 13) - 6;
  }
  const testsupport::GridDecimals member = [&](int c, int i, int j) {
    return values[static_cast<std::size_t>((i * 30 + j) * 6 + c)];
  };
  write("PELK-GRID.NLO", testsupport::grid_text(member, Layout::standard));
  pelkini(0);
  std::vector<unsigned char> standard(sizeof pelkgrid);
  std::memcpy(standard.data(), &pelkgrid, sizeof pelkgrid);

  for (Layout layout : {Layout::short_lines, Layout::inner_blanks, Layout::no_exponent,
                        Layout::no_point, Layout::exponent_forms}) {
    std::memset(&pelkgrid, 0, sizeof pelkgrid);
    write("pelk-minus-02.grid", testsupport::grid_text(member, layout));
    pelkini(-2);
    EXPECT_EQ(std::memcmp(standard.data(), &pelkgrid, sizeof pelkgrid), 0)
        << "layout " << static_cast<int>(layout);
  }
}

TEST_F(GridLoad, ExtraLinesAndColumnsAreIgnored) {
  std::string text = gridtest::coded_member();
  write("pelk-plus-01.grid", text);
  pelkini(1);
  std::vector<unsigned char> plain(sizeof pelkgrid);
  std::memcpy(plain.data(), &pelkgrid, sizeof pelkgrid);
  // Characters after column 72 on every line, and a line 1381.
  std::string wide;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t end = text.find('\n', pos);
    wide += text.substr(pos, end - pos) + "  9.9999E+99 garbage\n";
    pos = end + 1;
  }
  wide += "this line is never read\n";
  write("pelk-plus-01.grid", wide);
  std::memset(&pelkgrid, 0, sizeof pelkgrid);
  pelkini(1);
  EXPECT_EQ(std::memcmp(plain.data(), &pelkgrid, sizeof pelkgrid), 0);
}

// A file that cannot be used ends the process with one line naming it, exit
// status 0, and the block as it was.
class GridFileFailure : public ::testing::Test {
 protected:
  testsupport::TempDir dir;
  void SetUp() override { dir.write("pelk-plus-01.grid", gridtest::coded_member()); }
  testsupport::ProcessResult reload(const std::string& bad) {
    return gridtest::driver({"reload", "1", bad}, dir.path());
  }
  // The digest line printed before the failing load, then again at exit.
  static void expect_untouched(const testsupport::ProcessResult& r, const std::string& message) {
    const std::size_t first = r.out.find('\n');
    const std::string digest = r.out.substr(0, first + 1);
    EXPECT_EQ(digest.rfind("digest ", 0), 0u) << r.out;
    EXPECT_EQ(r.out, digest + message + "\n" + digest);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
  }
};

TEST_F(GridFileFailure, MissingFile) {
  expect_untouched(reload("-7"),
                   "pelkini: cannot open grid file pelk-minus-07.grid: No such file or directory");
  auto r = gridtest::driver({"load", "100"}, dir.path());
  EXPECT_EQ(r.out, "pelkini: cannot open grid file pelk-plus-**.grid: No such file or directory\n");
}

TEST_F(GridFileFailure, ShortFile) {
  std::string text = gridtest::coded_member();
  text.resize(text.size() / 2);
  text.resize(text.rfind('\n') + 1);  // 690 whole lines
  dir.write("pelk-plus-02.grid", text);
  expect_untouched(reload("2"),
                   "pelkini: grid file pelk-plus-02.grid ends after line 690; it needs 1380 lines");
  dir.write("PELK-GRID.NLO", "");
  auto r = gridtest::driver({"load", "0"}, dir.path());
  EXPECT_EQ(r.out, "pelkini: grid file PELK-GRID.NLO ends after line 0; it needs 1380 lines\n");
}

TEST_F(GridFileFailure, MalformedField) {
  std::string text = gridtest::coded_member();
  // Line 1000, field 4 (columns 37-48): an exponent letter without digits.
  const std::size_t line = 999 * 73;
  text.replace(line + 36, 12, "    1.2345E ");
  dir.write("pelk-plus-03.grid", text);
  expect_untouched(reload("3"),
                   "pelkini: bad number in field 4 of line 1000 of grid file pelk-plus-03.grid");
}

}  // namespace
