// The generator as a value: its ranges, its position, jumps and copies.
// Its numbers are compared with ranmar's in the routines' tests.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "pdferr/generator.hpp"

namespace {

using pdferr::Generator;

constexpr std::int64_t max_position = Generator::max_position;

std::vector<float> draw(Generator& g, std::size_t n) {
  std::vector<float> v(n);
  g.uniform(v.data(), n);
  return v;
}

bool same(const std::vector<float>& a, const std::vector<float>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

TEST(GeneratorValue, RefusesWhatLiesOutsideItsRanges) {
  // Each case must throw std::invalid_argument whose text names the value,
  // and leave a generator it was called on where it was.
  struct Case {
    const char* name;
    std::function<void(Generator&)> call;
    const char* named;
  };
  const Case cases[] = {
      {"negative seed", [](Generator&) { Generator(-1); }, "-1"},
      {"seed that empties the table", [](Generator&) { Generator(-60164); }, "-60164"},
      {"seed above the range", [](Generator&) { Generator(900000001); }, "900000001"},
      {"negative position", [](Generator&) { Generator(1, -1); }, "-1"},
      {"position beyond the count", [](Generator&) { Generator(1, max_position + 1); },
       "2147483648000000000"},
      {"negative jump", [](Generator& g) { g.jump(-5); }, "-5"},
      {"jump beyond the count", [](Generator& g) { g.jump(max_position); }, "1000"},
      {"draw beyond the count",
       [](Generator& g) {
         g.jump(max_position - 1000 - 3);
         std::vector<float> v(4);
         g.uniform(v.data(), 4);
       },
       "passes the largest position"},
  };
  for (const Case& c : cases) {
    Generator g(7, 1000);
    try {
      c.call(g);
      ADD_FAILURE() << c.name << ": nothing thrown";
    } catch (const std::invalid_argument& e) {
      EXPECT_NE(std::string(e.what()).find(c.named), std::string::npos)
          << c.name << ": " << e.what();
    }
    EXPECT_GE(g.position(), 1000) << c.name;
    EXPECT_LE(g.position(), max_position) << c.name;
  }
  // The ends of the ranges are taken; the default is ranmar's seed.
  EXPECT_EQ(Generator().seed(), 54217137);
  EXPECT_EQ(Generator(0).position(), 0);
  EXPECT_EQ(Generator(Generator::max_seed, max_position).position(), max_position);
}

TEST(GeneratorValue, JumpsCopiesAndEmptyDrawsKeepTheSequence) {
  // A jump of n equals drawing n; a copy continues the same sequence
  // independently; a draw of nothing changes nothing.
  Generator drawn(31415926, 123);
  Generator jumped = drawn;
  const std::vector<float> head = draw(drawn, 54321);
  jumped.jump(54000);
  const std::vector<float> tail = draw(jumped, 321);
  EXPECT_TRUE(same(tail, std::vector<float>(head.end() - 321, head.end())));
  EXPECT_EQ(jumped.position(), drawn.position());

  Generator copy = drawn;
  drawn.uniform(nullptr, 0);
  drawn.jump(0);
  EXPECT_EQ(drawn.position(), copy.position());
  const std::vector<float> a = draw(drawn, 1000);
  const std::vector<float> b = draw(copy, 1000);
  EXPECT_TRUE(same(a, b));
}

}  // namespace
