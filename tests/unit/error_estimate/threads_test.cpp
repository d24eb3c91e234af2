// Generators on threads: each thread owns its generator, and the blocks
// they draw join to the serial sequence.  Runs under ThreadSanitizer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "pdferr/generator.hpp"

namespace {

using pdferr::Generator;

TEST(Threads, GeneratorBlocksJoinToTheSerialSequence) {
  // Block k of n numbers starts at position origin + k n: each thread either
  // opens its generator there or jumps a copy of a shared one there.  Also
  // from beyond two whole blocks of 10^9.
  constexpr std::int32_t jobs = 4;
  constexpr std::size_t n = 25013;
  const std::size_t lengths[] = {1, 2, 3, 5, 33, 97, 1000, 4096};
  for (const std::int64_t origin : {std::int64_t{0}, std::int64_t{2000000005}}) {
    // The serial sequence, in calls of varying length so that every draw
    // path takes part.
    std::vector<float> whole(jobs * n);
    Generator serial(Generator::default_seed, origin);
    for (std::size_t done = 0, k = 0; done < whole.size(); done += lengths[k++ % 8]) {
      serial.uniform(whole.data() + done, std::min(lengths[k % 8], whole.size() - done));
    }
    const Generator shared(Generator::default_seed, origin);
    for (const bool copies : {false, true}) {
      std::vector<float> joined(whole.size());
      std::vector<std::thread> pool;
      for (std::int32_t k = 0; k < jobs; ++k) {
        pool.emplace_back([&, k] {
          const std::int64_t start = std::int64_t{k} * static_cast<std::int64_t>(n);
          Generator g = copies ? shared : Generator(Generator::default_seed, origin + start);
          if (copies) g.jump(start);
          g.uniform(joined.data() + static_cast<std::size_t>(k) * n, n);
        });
      }
      for (auto& t : pool) t.join();
      EXPECT_EQ(std::memcmp(joined.data(), whole.data(), whole.size() * sizeof(float)), 0)
          << origin << (copies ? " copies" : " opened");
    }
  }
}

}  // namespace
