// Grid files in the core: member names, the held nodes, fields read as
// decimals rounded once, and the faults of reading.
#include <gtest/gtest.h>

#include <bit>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "crmath.hpp"
#include "grid_file.hpp"
#include "grid_writer.hpp"

namespace {

namespace grids = pdferr::grids;
using grids::ReadFailure;

bool same_bits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// The lines of a text, with the end, a read error after `readable` lines
// and a file that changed, as a test sets them.
class TextLines final : public grids::LineSource {
 public:
  explicit TextLines(const std::string& text, bool unchanged = true, long readable = LONG_MAX)
      : text_(text), unchanged_(unchanged), readable_(readable) {}
  Status next(std::string& line) override {
    if (taken_ == readable_) return Status::read_error;
    if (pos_ >= text_.size()) return Status::end;
    const std::size_t end = text_.find('\n', pos_);
    line = text_.substr(pos_, end - pos_);
    pos_ = end == std::string::npos ? text_.size() : end + 1;
    ++taken_;
    return Status::line;
  }
  int error() const override { return EIO; }
  bool unchanged() const override { return unchanged_; }

 private:
  std::string text_;
  bool unchanged_;
  long readable_;
  long taken_ = 0;
  std::size_t pos_ = 0;
};

TEST(GridFile, MemberNames) {
  const struct {
    std::int32_t member;
    const char* name;
  } cases[] = {
      {0, "PELK-GRID.NLO"},         {1, "pelk-plus-01.grid"},        {-1, "pelk-minus-01.grid"},
      {9, "pelk-plus-09.grid"},     {10, "pelk-plus-10.grid"},       {-12, "pelk-minus-12.grid"},
      {-99, "pelk-minus-99.grid"},  {99, "pelk-plus-99.grid"},       {100, "pelk-plus-**.grid"},
      {-100, "pelk-minus-**.grid"}, {INT_MIN, "pelk-minus-**.grid"}, {INT_MAX, "pelk-plus-**.grid"},
  };
  for (const auto& c : cases) EXPECT_EQ(grids::member_file_name(c.member), c.name) << c.member;
}

TEST(GridFile, HeldNodesAndTheirLogarithms) {
  // Entries 21 to 46 are 32-bit floats widened; the others 64-bit decimals.
  EXPECT_TRUE(same_bits(grids::x_nodes[20], 0.05999999865889549));
  EXPECT_TRUE(same_bits(grids::x_nodes[22], 0.10000000149011612));
  EXPECT_TRUE(same_bits(grids::x_nodes[45], 0.949999988079071));
  EXPECT_TRUE(same_bits(grids::x_nodes[19], 0.045));
  const double* logs = grids::log_nodes();
  for (int i = 0; i < grids::nx; ++i) {
    EXPECT_TRUE(same_bits(grids::x_nodes[i], testsupport::x_node(i))) << i;
    EXPECT_TRUE(same_bits(logs[i], pdferr::math::log(testsupport::x_node(i)))) << i;
  }
  for (int j = 0; j < grids::nq; ++j) {
    EXPECT_TRUE(same_bits(grids::q2_nodes[j], testsupport::q2_node(j))) << j;
    EXPECT_TRUE(same_bits(logs[grids::nx + j], pdferr::math::log(testsupport::q2_node(j)))) << j;
  }
}

// Every field is its decimal rounded once, however it is written: the
// short path for the written form and the general one give the same bits.
TEST(GridFile, FieldsReadAsTheirDecimalsRoundedOnce) {
  std::mt19937_64 rng(1380);
  std::uniform_int_distribution<std::int32_t> mantissa(10000, 99999);
  std::uniform_int_distribution<int> exponent(-40, 40);
  std::vector<testsupport::Decimal> values(grids::file_lines * grids::ncol);
  for (std::size_t k = 0; k < values.size(); ++k) {
    if (k % 11 == 0) continue;  // zero
    values[k] = {mantissa(rng) * (k % 3 == 0 ? -1 : 1), exponent(rng)};
  }
  const testsupport::GridDecimals member = [&](int c, int i, int j) {
    return values[static_cast<std::size_t>((i * grids::nq + j) * grids::ncol + c)];
  };
  static grids::RawGrid raw;
  for (int layout = 0; layout <= static_cast<int>(testsupport::Layout::exponent_forms); ++layout) {
    TextLines lines(testsupport::grid_text(member, static_cast<testsupport::Layout>(layout)));
    ASSERT_EQ(grids::read_grid(lines, raw).kind, ReadFailure::none) << layout;
    for (int n = 0; n < grids::file_lines; ++n) {
      for (int c = 0; c < grids::ncol; ++c) {
        const double want = testsupport::to_double(member(c, n / grids::nq, n % grids::nq));
        ASSERT_TRUE(same_bits(raw[n / grids::nq][n % grids::nq][c], want))
            << "layout " << layout << " line " << n + 1 << " field " << c + 1;
      }
    }
  }
}

TEST(GridFile, Faults) {
  const std::string good =
      testsupport::grid_text(testsupport::GridDecimals(testsupport::coded_value));
  const std::string short_text = good.substr(0, 690 * 73);
  std::string bad = good;
  bad.replace(999 * 73 + 3 * 12, 12, "    1.2345E ");
  // The end, a read error after `readable` lines and a change, as set here;
  // the real ones of a path are GridMember's tests.
  struct Case {
    const char* what;
    std::string text;
    bool unchanged;
    long readable;
    ReadFailure want;
  };
  const Case cases[] = {
      {"short", short_text, true, LONG_MAX, {ReadFailure::short_file, 0, 690}},
      {"bad field", bad, true, LONG_MAX, {ReadFailure::bad_field, 0, 1000, 4}},
      {"read error at line 5", good, true, 4, {ReadFailure::read_error, EIO, 5}},
      // A change outweighs what it left behind, but not the device's faults.
      {"changed", good, false, LONG_MAX, {ReadFailure::changed}},
      {"changed and short", short_text, false, LONG_MAX, {ReadFailure::changed}},
      {"changed and bad", bad, false, LONG_MAX, {ReadFailure::changed}},
      {"changed, read error", good, false, 4, {ReadFailure::read_error, EIO, 5}},
  };
  static grids::RawGrid raw;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TextLines lines(c.text, c.unchanged, c.readable);
    const ReadFailure got = grids::read_grid(lines, raw);
    EXPECT_EQ(got.kind, c.want.kind);
    EXPECT_EQ(got.error, c.want.error);
    EXPECT_EQ(got.line, c.want.line);
    EXPECT_EQ(got.field, c.want.field);
  }
}

}  // namespace
