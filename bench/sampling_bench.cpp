// The random sampling toolkit against GSL and the C++ standard library.
#include <benchmark/benchmark.h>
#include <gsl/gsl_rng.h>

#include <cstdint>
#include <random>
#include <vector>

#include "error_estimate.h"
#include "fio_units.h"

namespace {

void quiet() {
  static bool done = false;
  if (done) return;
  const std::int32_t unit = 99;
  fio_connect(&unit, "/dev/null");
  inout.iout = unit;
  done = true;
}

void BM_ranmar(benchmark::State& state) {
  quiet();
  const auto n = static_cast<std::int32_t>(state.range(0));
  std::vector<float> v(static_cast<std::size_t>(n));
  rmarin(54217137, 0, 0);
  for (auto _ : state) {
    ranmar(v.data(), n);
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_ranmar)->Arg(1)->Arg(2)->Arg(100)->Arg(4096);

void BM_gsl_ranmar(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  std::vector<float> v(n);
  gsl_rng* r = gsl_rng_alloc(gsl_rng_ranmar);
  for (auto _ : state) {
    for (std::size_t k = 0; k < n; ++k) v[k] = static_cast<float>(gsl_rng_uniform(r));
    benchmark::DoNotOptimize(v.data());
  }
  gsl_rng_free(r);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
}
BENCHMARK(BM_gsl_ranmar)->Arg(1)->Arg(2)->Arg(100)->Arg(4096);

void BM_mt19937_float(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  std::vector<float> v(n);
  std::mt19937 engine(54217137);
  std::uniform_real_distribution<float> dist(0.0f, 1.0f);
  for (auto _ : state) {
    for (std::size_t k = 0; k < n; ++k) v[k] = dist(engine);
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
}
BENCHMARK(BM_mt19937_float)->Arg(1)->Arg(2)->Arg(100)->Arg(4096);

void BM_rmarin(benchmark::State& state) {
  quiet();
  const std::int64_t pos = state.range(0);
  const auto count = static_cast<std::int32_t>(pos % 1000000000);
  const auto blocks = static_cast<std::int32_t>(pos / 1000000000);
  for (auto _ : state) rmarin(54217137, count, blocks);
}
BENCHMARK(BM_rmarin)
    ->Arg(1000)
    ->Arg(1000000)
    ->Arg(1000000000)
    ->Arg(2000000005)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
