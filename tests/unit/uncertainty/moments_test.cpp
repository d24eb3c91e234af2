// Moments summed in a fixed order: the same bytes however the draws are
// split into partial results, merged or saved, and the refusals.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "pdferr/uncertainty.hpp"

namespace {

using namespace pdferr::uncertainty;
constexpr std::size_t block = Moments::block_size;

MomentsOptions with_correlations(std::uint64_t first = 0) {
  MomentsOptions o;
  o.correlations = true;
  o.first = first;
  return o;
}

// A partial result over draws [from, to) of rows (width 3).
Moments part(const std::vector<double>& rows, std::size_t from, std::size_t to) {
  Moments m(3, with_correlations(from));
  m.add(rows.data() + 3 * from, to - from);
  return m;
}

TEST(Moments, SameBytesWhateverTheSplit) {
  const std::size_t n = 37 * block + 100;
  std::mt19937_64 rng(5);
  std::normal_distribution<double> g(3.0, 2.0);
  std::vector<double> rows(3 * n);
  for (std::size_t d = 0; d < n; ++d) {
    rows[3 * d] = g(rng);
    rows[3 * d + 1] = 0.5 * rows[3 * d] + g(rng);
    rows[3 * d + 2] = 1e6 + g(rng);
  }
  const Moments whole = part(rows, 0, n);
  const std::vector<unsigned char> bytes = whole.save();

  Moments one_by_one(3, with_correlations());
  for (std::size_t d = 0; d < n; ++d) one_by_one.add(rows.data() + 3 * d, 1);
  EXPECT_EQ(one_by_one.save(), bytes);

  // Splits at block boundaries, the partial results merged left to right,
  // right to left, and through their saved bytes.
  const std::vector<std::vector<std::size_t>> splits = {{0, n},
                                                        {0, block, n},
                                                        {0, 5 * block, 6 * block, 19 * block, n},
                                                        {0, 3 * block, 37 * block, n}};
  for (const auto& s : splits) {
    std::vector<Moments> parts;
    for (std::size_t i = 0; i + 1 < s.size(); ++i) parts.push_back(part(rows, s[i], s[i + 1]));
    Moments left = parts[0];
    for (std::size_t i = 1; i < parts.size(); ++i) left.merge(parts[i]);
    EXPECT_EQ(left.save(), bytes) << s.size() - 1 << " parts, left to right";
    Moments right = parts.back();
    for (std::size_t i = parts.size() - 1; i-- > 0;) {
      Moments m = parts[i];
      m.merge(right);
      right = m;
    }
    EXPECT_EQ(right.save(), bytes) << s.size() - 1 << " parts, right to left";
    Moments loaded(3, with_correlations());
    for (const Moments& p : parts) {
      const std::vector<unsigned char> b = p.save();
      loaded.merge(Moments::load(b.data(), b.size()));
    }
    EXPECT_EQ(loaded.save(), bytes) << s.size() - 1 << " parts, saved and loaded";
  }
  EXPECT_EQ(whole.count(), n);
  EXPECT_NEAR(whole.mean(0), 3.0, 0.1);
  EXPECT_NEAR(whole.standard_deviation(2), 2.0, 0.1);
  EXPECT_NEAR(whole.correlation(0, 1), 0.5 * 2 / std::sqrt(0.25 * 4 + 4), 0.03);
  EXPECT_EQ(whole.correlation(1, 0), whole.correlation(0, 1));
}

TEST(Moments, ExactSumsOfIntegers) {
  // Draws 0..N-1: mean (N - 1) / 2 and, with every combination exact at
  // power-of-two block counts, C = N (N^2 - 1) / 12 to the bit.
  for (const std::size_t n : {std::size_t{2}, block, 2 * block, 4 * block}) {
    std::vector<double> v(n);
    for (std::size_t d = 0; d < n; ++d) v[d] = static_cast<double>(d);
    Moments m;
    m.add(v.data(), n);
    const double nn = static_cast<double>(n);
    EXPECT_EQ(m.mean(), (nn - 1) / 2) << n;
    EXPECT_EQ(m.variance(), nn * (nn * nn - 1) / 12 / (nn - 1)) << n;
    EXPECT_EQ(mean(v.data(), n), m.mean());
    EXPECT_EQ(standard_deviation(v.data(), n), std::sqrt(m.variance()));
  }
}

TEST(Moments, Refusals) {
  EXPECT_THROW(Moments(0), std::invalid_argument);
  MomentsOptions off;
  off.first = 100;
  EXPECT_THROW(Moments(1, off), std::invalid_argument);

  Moments a;
  for (int d = 0; d < 10; ++d) a.add(d);
  Moments gap(1, with_correlations(block));
  EXPECT_THROW(a.merge(gap), std::invalid_argument);  // options differ
  MomentsOptions next;
  next.first = block;
  Moments b(1, next);
  b.add(1.0);
  EXPECT_THROW(a.merge(b), std::invalid_argument);  // a ends inside block 0, at draw 10
  EXPECT_THROW(Moments().mean(), std::invalid_argument);
  EXPECT_THROW(Moments(2).covariance(0, 1), std::invalid_argument);  // without the option
  EXPECT_THROW(a.mean(1), std::invalid_argument);
  Moments two(2);
  EXPECT_THROW(two.add(1.0), std::invalid_argument);

  // A value that is not finite: refused with its quantity, nothing added;
  // or NaN for that quantity alone.
  const double rows[] = {1, 2, 3, std::numeric_limits<double>::infinity()};
  try {
    two.add(rows, 2);
    ADD_FAILURE();
  } catch (const pdferr::domain_error& e) {
    EXPECT_EQ(e.index(), 1);
    EXPECT_STREQ(e.what(), "draw 1, quantity 1: the value is not finite");
  }
  EXPECT_EQ(two.count(), 0u);
  MomentsOptions nan;
  nan.on_bad = OnBadValue::nan;
  Moments lenient(2, nan);
  lenient.add(rows, 2);
  EXPECT_EQ(lenient.mean(0), 2.0);
  EXPECT_TRUE(std::isnan(lenient.mean(1)));

  // Bytes that are not a saved partial result.
  std::vector<unsigned char> bytes = a.save();
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 8), "PDFERRMO");
  EXPECT_EQ(Moments::load(bytes.data(), bytes.size()).save(), bytes);
  for (const std::size_t cut :
       {std::size_t{0}, std::size_t{7}, std::size_t{20}, bytes.size() - 1}) {
    EXPECT_THROW(Moments::load(bytes.data(), cut), std::invalid_argument) << cut;
  }
  bytes.push_back(0);
  EXPECT_THROW(Moments::load(bytes.data(), bytes.size()), std::invalid_argument);
  // Two blocks left as two pieces instead of one subtree.
  Moments c;
  std::vector<double> v(2 * block, 1.0);
  c.add(v.data(), v.size());
  std::vector<unsigned char> joined = c.save();
  ASSERT_EQ(joined.size(), 8 * 7 + 8 * 4u);  // header, one piece of 2 blocks
  std::vector<unsigned char> split(joined.begin(), joined.begin() + 8 * 7);
  split[8 * 6] = 2;  // two pieces
  auto word = [&](std::uint64_t w) {
    for (int i = 0; i < 8; ++i) split.push_back(static_cast<unsigned char>(w >> (8 * i)));
  };
  for (std::uint64_t b0 : {0, 1}) {
    word(b0);
    word(b0 + 1);
    for (double s : {256.0, 0.0}) word(std::bit_cast<std::uint64_t>(s));
  }
  EXPECT_THROW(Moments::load(split.data(), split.size()), std::invalid_argument);
}

}  // namespace
