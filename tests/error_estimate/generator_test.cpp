// Generators whose state the caller owns: the same numbers as the exported
// routines, and one sequence split into blocks across threads.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "error_estimate.h"
#include "fio_units.h"
#include "generator.hpp"

namespace {

using ranmar_core::Generator;

constexpr std::int32_t seed = 1802 * 30082 + 9373;  // 54217137, the default seed

// The serial sequence from the seed's start: n numbers, drawn in calls of
// varying length so that every draw path takes part.
std::vector<float> serial(std::int32_t s, std::int64_t from, std::int32_t n) {
  Generator g;
  g.start(s, from);
  std::vector<float> v(static_cast<std::size_t>(n));
  const std::int32_t lengths[] = {1, 2, 3, 5, 33, 97, 1000, 4096};
  std::int32_t done = 0;
  for (std::size_t k = 0; done < n; ++k) {
    const std::int32_t len = std::min(lengths[k % 8], n - done);
    g.draw(v.data() + done, len);
    done += len;
  }
  return v;
}

TEST(OwnedGenerator, MatchesTheExportedRoutinesAndTheirPosition) {
  const std::int32_t unit = 99;
  if (fio_connected(&unit) == 0) fio_connect(&unit, "/dev/null");
  inout.iout = unit;
  // Positions below one block, across a block and beyond two blocks.
  const std::int64_t starts[] = {0, 19999, 20000, 999999998, 2000000005};
  for (const std::int64_t at : starts) {
    rmarin(seed + 17, static_cast<std::int32_t>(at % 1000000000),
           static_cast<std::int32_t>(at / 1000000000));
    std::vector<float> expected(300);
    ranmar(expected.data(), 300);
    Generator g;
    g.start(seed + 17, at);
    std::vector<float> got(300);
    g.draw(got.data(), 300);
    EXPECT_EQ(std::memcmp(got.data(), expected.data(), 300 * sizeof(float)), 0) << at;
    std::int32_t s = 0, count = 0, blocks = 0;
    rmarut(s, count, blocks);
    EXPECT_EQ(g.position.seed, s);
    EXPECT_EQ(g.position.count, count) << at;
    EXPECT_EQ(g.position.block_count, blocks) << at;
    EXPECT_EQ(g.offset(), at + 300);
  }
  inout.iout = 0;
}

TEST(OwnedGenerator, NeverStartedDrawsTheDefaultSequenceSilently) {
  Generator g;
  float v[5];
  EXPECT_EQ(g.position.count, -1);
  g.draw(v, 0);  // starts, as ranmar does, and draws nothing
  EXPECT_EQ(g.position.count, 0);
  g.draw(v, 5);
  const std::int32_t k[5] = {1952718, 16187443, 14813785, 7054599, 8319089};
  for (int n = 0; n < 5; ++n) EXPECT_EQ(v[n], static_cast<float>(k[n]) * 0x1p-24f) << n;
  EXPECT_EQ(g.offset(), 5);
  EXPECT_EQ(g.position.seed, seed);
}

TEST(OwnedGenerator, BlocksOnThreadsJoinToTheSerialSequence) {
  // Block k of n numbers starts at position k n; each thread owns its
  // generator.  Also from a start beyond two whole blocks of 10^9.
  constexpr std::int32_t jobs = 4;
  constexpr std::int32_t n = 25013;
  for (const std::int64_t origin : {std::int64_t{0}, std::int64_t{2000000005}}) {
    const std::vector<float> whole = serial(seed, origin, jobs * n);
    std::vector<float> joined(whole.size());
    std::vector<std::thread> pool;
    for (std::int32_t k = 0; k < jobs; ++k) {
      pool.emplace_back([&, k] {
        Generator g;
        g.start(seed, origin + std::int64_t{k} * n);
        g.draw(joined.data() + std::size_t{static_cast<std::size_t>(k)} * n, n);
      });
    }
    for (auto& t : pool) t.join();
    EXPECT_EQ(std::memcmp(joined.data(), whole.data(), whole.size() * sizeof(float)), 0) << origin;
  }
}

}  // namespace
