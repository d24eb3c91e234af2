// Generators as values: one sequence split into blocks that threads draw
// at once, each from its own generator, joined back to the serial sequence;
// and a refused seed caught as an exception.
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <thread>
#include <vector>

#include <pdferr/generator.hpp>

int main() {
  constexpr std::int32_t seed = 20261207;
  constexpr int jobs = 4;
  constexpr std::size_t block = 250000;

  // Block k holds numbers k * block + 1 .. (k + 1) * block after the seed:
  // each thread's generator starts at its block in O(log position).
  std::vector<float> numbers(jobs * block);
  std::vector<std::thread> threads;
  for (int k = 0; k < jobs; ++k) {
    threads.emplace_back([&numbers, k] {
      pdferr::Generator g(seed, static_cast<std::int64_t>(k * block));
      g.uniform(numbers.data() + k * block, block);
    });
  }
  for (std::thread& t : threads) t.join();

  // The same numbers from one generator in one pass.
  pdferr::Generator serial(seed);
  std::vector<float> check(numbers.size());
  serial.uniform(check.data(), check.size());
  const bool same = check == numbers;
  double mean = 0.0;
  for (float u : numbers) mean += static_cast<double>(u);
  mean /= static_cast<double>(numbers.size());
  std::printf("%zu numbers from %d threads, mean %.5f; serial sequence %s\n", numbers.size(), jobs,
              mean, same ? "identical" : "DIFFERS");
  std::printf("position %lld after seed %d\n", static_cast<long long>(serial.position()),
              serial.seed());

  // Seeds run from 0 to 900000000; others are refused, the process goes on.
  try {
    pdferr::Generator bad(-60164);
  } catch (const std::invalid_argument& e) {
    std::printf("refused: %s\n", e.what());
  }
  return same ? 0 : 1;
}
