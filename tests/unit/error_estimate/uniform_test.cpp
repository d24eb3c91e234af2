// The uniform generator's core on explicit state: the table fill, the
// count, the jump-ahead, and every version of the bulk draw against single
// steps, also across a real zero of the sequence.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "core/draw_variants.hpp"
#include "core/uniform.hpp"
#include "isa.hpp"

namespace sampling = pdferr::sampling;

namespace {

using sampling::LagTable;
using sampling::Position;

TEST(GeneratorCore, DefaultSeedOnExplicitState) {
  // The published first numbers of seed 54217137, as multiples of 2^-24.
  LagTable g{};
  sampling::fill(g.lags(), sampling::default_seed);
  EXPECT_EQ(g.ilag, 97);
  EXPECT_EQ(g.jlag, 33);
  EXPECT_EQ(g.cc, 362436 * 0x1p-24f);
  float v[5];
  sampling::draw(g.lags(), v, 5);
  const std::int32_t k[5] = {1952718, 16187443, 14813785, 7054599, 8319089};
  for (int n = 0; n < 5; ++n) EXPECT_EQ(v[n], static_cast<float>(k[n]) * 0x1p-24f) << n;
}

TEST(GeneratorCore, ZeroIsReplacedFromSecondEntry) {
  // A table of zeros and a carry that steps to exactly 0: the difference is
  // 0, so the number comes from uu(2), or is 2^-48 when that is 0 too.
  LagTable g{};
  g.ilag = 97;
  g.jlag = 33;
  g.cc = sampling::cstep;
  EXPECT_EQ(sampling::next(g.lags()), 0x1p-48f);
  g.cc = sampling::cstep;
  g.uu[1] = 0.5f;
  EXPECT_EQ(sampling::next(g.lags()), 0x1p-25f);
}

TEST(GeneratorCore, CountCarriesEveryWholeBlock) {
  Position p{1, 999999998, 0};
  sampling::advance(p, 3);
  EXPECT_EQ(p.count, 1);
  EXPECT_EQ(p.block_count, 1);
  // One call of 10^9 numbers or more carries as many blocks as it holds.
  p = Position{1, 5, 4};
  sampling::advance(p, 2000000000);
  EXPECT_EQ(p.count, 5);
  EXPECT_EQ(p.block_count, 6);
  p = Position{1, 999999999, 0};
  sampling::advance(p, 2147483647);
  EXPECT_EQ(p.count, 147483646);
  EXPECT_EQ(p.block_count, 3);
}

}  // namespace

namespace {

// Plain stepping, the reference for the jump-ahead.
void step_n(LagTable& g, std::uint64_t n) {
  for (std::uint64_t s = 0; s < n; ++s) sampling::step(g.lags());
}

TEST(GeneratorJump, EqualsSteppingFromAnyState) {
  // From several starting states (lags at different places) and distances
  // around the lags 33 and 97 and far beyond.
  for (std::int32_t seed : {54217137, 1, -7, 900000000}) {
    for (std::uint64_t pre : {0u, 1u, 40u, 96u, 1000u}) {
      for (std::uint64_t n : {0u, 1u, 32u, 33u, 34u, 96u, 97u, 98u, 194u, 1000u, 65537u, 300001u}) {
        LagTable a{};
        sampling::fill(a.lags(), seed);
        step_n(a, pre);
        LagTable b = a;
        step_n(a, n);
        sampling::jump(b.lags(), n);
        ASSERT_EQ(std::memcmp(&a, &b, sizeof a), 0) << seed << " " << pre << " " << n;
      }
    }
  }
}

TEST(GeneratorJump, SkipEqualsSteppingOnBothSidesOfItsPaths) {
  // The bulk draw below the jump's threshold, in chunks of 1024, and the
  // jump from it on; lags a caller made inconsistent are stepped as they are.
  for (std::int64_t n : {0, 1, 4, 5, 1023, 1024, 1025, 65535, 65536}) {
    LagTable a{};
    sampling::fill(a.lags(), 777);
    step_n(a, 40);
    LagTable b = a;
    step_n(a, static_cast<std::uint64_t>(n));
    sampling::skip(b.lags(), n);
    ASSERT_EQ(std::memcmp(&a, &b, sizeof a), 0) << n;
  }
  LagTable a{};
  sampling::fill(a.lags(), 777);
  a.jlag = 50;
  LagTable b = a;
  step_n(a, 70000);
  sampling::skip(b.lags(), 70000);
  EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
}

TEST(GeneratorJump, ComposesOverLongDistances) {
  // Jumps add up: 2^31 + 5 in one jump equals it in three, and the state
  // after the published skip of 20000 matches the published numbers.
  LagTable a{}, b{};
  sampling::fill(a.lags(), 54217137);
  b = a;
  sampling::jump(a.lags(), 2147483653u);
  sampling::jump(b.lags(), 1000000000u);
  sampling::jump(b.lags(), 1000000000u);
  sampling::jump(b.lags(), 147483653u);
  EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
  sampling::fill(a.lags(), 54217137);
  sampling::jump(a.lags(), 20000);
  float v[6];
  sampling::draw(a.lags(), v, 6);
  const std::int32_t k[6] = {6533892, 14220222, 7275067, 6172232, 8354498, 10633180};
  for (int n = 0; n < 6; ++n) EXPECT_EQ(v[n], static_cast<float>(k[n]) * 0x1p-24f) << n;
}

}  // namespace

namespace {

TEST(GeneratorDraw, PicksTheVersionForThisProcessor) {
  EXPECT_EQ(testsupport::isa_name(sampling::draw_variants.chosen()), testsupport::expected_isa());
}

TEST(GeneratorDraw, RunsEqualSingleStepsForEveryLengthAndPhase) {
  // Each version of the run-wise draw against one next() per number, from
  // every phase of the lags and for lengths around the run limits.
  for (const pdferr::simd::Isa isa : testsupport::runnable_isas()) {
    SCOPED_TRACE(testsupport::isa_name(isa));
    for (std::uint64_t pre = 0; pre < 97; pre += 7) {
      for (std::int32_t n : {1, 2, 3, 5, 32, 33, 34, 64, 65, 96, 97, 98, 1000, 1025, 4096}) {
        LagTable a{};
        sampling::fill(a.lags(), 20261207);
        sampling::skip(a.lags(), static_cast<std::int64_t>(pre));
        LagTable b = a;
        std::vector<float> fast(static_cast<std::size_t>(n)), slow(fast.size());
        sampling::draw_variants.variant(isa)(a.lags(), fast.data(), n);
        for (float& v : slow) v = sampling::next(b.lags());
        ASSERT_EQ(std::memcmp(fast.data(), slow.data(), fast.size() * sizeof(float)), 0)
            << pre << " " << n;
        ASSERT_EQ(std::memcmp(&a, &b, sizeof a), 0) << pre << " " << n;
      }
    }
  }
}

TEST(GeneratorDraw, CarryReachingZeroExactly) {
  // The default table with the carry at k cstep mod cmod: k steps on, the
  // carry is exactly 0, not cmod.  The k-th and the next number are pinned
  // from single steps; the short draw (k <= 4) and every bulk version
  // (k = 32, a whole block) must give them too.
  struct Case {
    int k;
    std::int32_t kth, after;  // multiples of 2^-24
  };
  for (const Case c :
       {Case{1, 11438046, 8895558}, Case{2, 1241234, 16644792}, Case{3, 8990468, 1231285},
        Case{4, 10354177, 11618667}, Case{32, 13220121, 8712273}}) {
    SCOPED_TRACE(c.k);
    LagTable start{};
    sampling::fill(start.lags(), sampling::default_seed);
    start.cc = sampling::detail::carry_back[static_cast<std::size_t>(c.k)];
    const float kth = static_cast<float>(c.kth) * 0x1p-24f;
    const float after = static_cast<float>(c.after) * 0x1p-24f;
    LagTable one = start;
    std::vector<float> v(static_cast<std::size_t>(c.k) + 8);
    for (float& x : v) x = sampling::next(one.lags());
    EXPECT_EQ(v[static_cast<std::size_t>(c.k) - 1], kth);
    EXPECT_EQ(v[static_cast<std::size_t>(c.k)], after);
    if (c.k <= 4) {
      LagTable few = start;
      std::vector<float> w(static_cast<std::size_t>(c.k));
      sampling::draw(few.lags(), w.data(), c.k);
      EXPECT_EQ(few.cc, 0.0f);
      EXPECT_EQ(w.back(), kth);
    }
    for (const pdferr::simd::Isa isa : testsupport::runnable_isas()) {
      SCOPED_TRACE(testsupport::isa_name(isa));
      LagTable bulk = start;
      std::vector<float> w(v.size());
      sampling::draw_variants.variant(isa)(bulk.lags(), w.data(),
                                           static_cast<std::int32_t>(w.size()));
      EXPECT_EQ(std::memcmp(w.data(), v.data(), v.size() * sizeof(float)), 0);
      EXPECT_EQ(bulk.cc, one.cc);
    }
  }
}

TEST(GeneratorDraw, ZeroReplacementFollowsSecondEntryWithinRun) {
  // A table of zeros with the carry at cstep: every number of the first run
  // is 0 before replacement.  Entry 2 changes within the run only if the run
  // writes it; either way the replacement must equal the single-step one.
  // Lengths of whole runs only, and with a part run after them.
  for (const pdferr::simd::Isa isa : testsupport::runnable_isas()) {
    SCOPED_TRACE(testsupport::isa_name(isa));
    const auto draw = sampling::draw_variants.variant(isa);
    for (const std::int32_t n : {32, 40, 64}) {
      // An all-zero table with the carry at cstep: the first number is 0.
      LagTable zero{};
      zero.ilag = 97;
      zero.jlag = 33;
      zero.cc = sampling::cstep;
      LagTable copy = zero;
      float first[64];
      draw(zero.lags(), first, n);
      EXPECT_EQ(first[0], 0x1p-48f) << n;
      for (std::int32_t k = 0; k < n; ++k) EXPECT_EQ(first[k], sampling::next(copy.lags())) << n;
      for (float second : {0.0f, 0.25f}) {
        for (std::int32_t ilag : {2, 3, 40, 97}) {
          LagTable a{};
          a.uu[1] = second;
          a.uu[(ilag + 32) % 97] = 0.5f;  // the entry read together with entry 2
          a.ilag = ilag;
          a.jlag = (ilag + 32) % 97 + 1;
          a.cc = sampling::cstep;
          LagTable b = a;
          float fast[64], slow[64];
          draw(a.lags(), fast, n);
          for (std::int32_t k = 0; k < n; ++k) slow[k] = sampling::next(b.lags());
          ASSERT_EQ(std::memcmp(fast, slow, sizeof(float) * static_cast<std::size_t>(n)), 0)
              << n << " " << second << " " << ilag;
        }
      }
    }
  }
}

}  // namespace

namespace {

// The first number from the default seed whose difference is exactly 0
// before the replacement: number 4639169 (found by stepping from the seed
// and testing each difference; the next one is number 4836546).
constexpr std::int64_t first_zero = 4639169;

TEST(GeneratorDraw, RealZeroOfTheDefaultSequenceEqualsSingleSteps) {
  // Each version draws across the zero from a few places before it, so
  // that it falls at different places of a block and a segment, and at the
  // end of a call; single steps are the reference.
  for (const pdferr::simd::Isa isa : testsupport::runnable_isas()) {
    SCOPED_TRACE(testsupport::isa_name(isa));
    for (const std::int32_t before : {1, 2, 17, 32, 33, 96, 97, 1030}) {
      for (const std::int32_t n : {before, before + 40}) {
        LagTable a{};
        sampling::fill(a.lags(), sampling::default_seed);
        sampling::jump(a.lags(), static_cast<std::uint64_t>(first_zero - before));
        LagTable b = a;
        std::vector<float> fast(static_cast<std::size_t>(n)), slow(fast.size());
        sampling::draw_variants.variant(isa)(a.lags(), fast.data(), n);
        for (float& v : slow) v = sampling::next(b.lags());
        // The replaced zero: 2^-24 times an entry, below 2^-24.
        ASSERT_LT(slow[static_cast<std::size_t>(before - 1)], 0x1p-24f);
        ASSERT_GT(slow[static_cast<std::size_t>(before - 1)], 0.0f);
        ASSERT_EQ(std::memcmp(fast.data(), slow.data(), fast.size() * sizeof(float)), 0)
            << before << " " << n;
        ASSERT_EQ(std::memcmp(&a, &b, sizeof a), 0) << before << " " << n;
      }
    }
  }
}

TEST(GeneratorCore, SeedsOutsideTheRangeMayLeaveTheTableEmpty) {
  // The parts of such a seed can make every product modulo 179 vanish: the
  // table is all zero.  The exported routines take such seeds as they come;
  // the seeds 0..900000000 never do this.
  LagTable g{};
  sampling::fill(g.lags(), -60164);
  for (const float u : g.uu) ASSERT_EQ(u, 0.0f);
  for (const std::int32_t seed : {0, 900000000}) {
    sampling::fill(g.lags(), seed);
    int nonzero = 0;
    for (const float u : g.uu) nonzero += u != 0.0f;
    EXPECT_GT(nonzero, 80) << seed;
  }
}

}  // namespace
