// The toolkit's correctly rounded functions against the C library's, one
// call at a time over 4096 inputs of the domains the toolkit uses: x in
// (0, 1] for the logarithms and x^0.3 (table nodes, uniform deviates), y in
// [-20, 20] for the exponential; and the array forms over the same inputs,
// per element, against the same scalar calls of the C library (x^0.5
// against pow(x, 0.5), the general power function the grids once took).
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "crmath.hpp"

namespace {

constexpr std::size_t count = 4096;

template <typename T>
std::vector<T> inputs(T lo, T hi) {
  std::mt19937_64 g(11);
  std::uniform_real_distribution<T> u(lo, hi);
  std::vector<T> v(count);
  for (T& x : v) {
    x = u(g);
    if (x == 0) x = hi;
  }
  return v;
}

template <typename T, typename F>
void run(benchmark::State& state, const std::vector<T>& xs, F f) {
  for (auto _ : state) {
    T sum = 0;
    for (T x : xs) sum += f(x);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(xs.size()));
}

const std::vector<double> unit = inputs(0.0, 1.0);
const std::vector<float> unit_f = inputs(0.0f, 1.0f);
const std::vector<double> exponents = inputs(-20.0, 20.0);
const std::vector<double> erf_args = inputs(-4.0, 4.0);

void BM_cr_log(benchmark::State& s) {
  run(s, unit, [](double x) { return pdferr::math::log(x); });
}
void BM_libc_log(benchmark::State& s) {
  run(s, unit, [](double x) { return std::log(x); });
}
void BM_cr_logf(benchmark::State& s) {
  run(s, unit_f, [](float x) { return pdferr::math::logf(x); });
}
void BM_libc_logf(benchmark::State& s) {
  run(s, unit_f, [](float x) { return std::log(x); });
}
void BM_cr_exp(benchmark::State& s) {
  run(s, exponents, [](double x) { return pdferr::math::exp(x); });
}
void BM_libc_exp(benchmark::State& s) {
  run(s, exponents, [](double x) { return std::exp(x); });
}
void BM_cr_pow03(benchmark::State& s) {
  run(s, unit, [](double x) { return pdferr::math::pow03(x); });
}
void BM_libc_pow03(benchmark::State& s) {
  run(s, unit, [](double x) { return std::pow(x, 0.3); });
}
void BM_cr_erf(benchmark::State& s) {
  run(s, erf_args, [](double x) { return pdferr::math::erf(x); });
}
void BM_libc_erf(benchmark::State& s) {
  run(s, erf_args, [](double x) { return std::erf(x); });
}

// An array form over all inputs into out, per element.
template <typename T, typename F>
void run_array(benchmark::State& state, const std::vector<T>& xs, F f) {
  std::vector<T> out(xs.size());
  for (auto _ : state) {
    f(xs.data(), xs.size(), out.data());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(xs.size()));
}

void BM_array_log(benchmark::State& s) {
  run_array(s, unit, [](const double* x, std::size_t n, double* o) { pdferr::math::log(x, n, o); });
}
void BM_array_logf(benchmark::State& s) {
  run_array(s, unit_f,
            [](const float* x, std::size_t n, float* o) { pdferr::math::logf(x, n, o); });
}
void BM_array_exp(benchmark::State& s) {
  run_array(s, exponents,
            [](const double* x, std::size_t n, double* o) { pdferr::math::exp(x, n, o); });
}
void BM_array_pow03(benchmark::State& s) {
  run_array(s, unit,
            [](const double* x, std::size_t n, double* o) { pdferr::math::pow03(x, n, o); });
}
void BM_array_sqrt(benchmark::State& s) {
  run_array(s, unit,
            [](const double* x, std::size_t n, double* o) { pdferr::math::sqrt(x, n, o); });
}
void BM_libc_pow05(benchmark::State& s) {
  run(s, unit, [](double x) { return std::pow(x, 0.5); });
}

}  // namespace

BENCHMARK(BM_array_log);
BENCHMARK(BM_array_logf);
BENCHMARK(BM_array_exp);
BENCHMARK(BM_array_pow03);
BENCHMARK(BM_array_sqrt);
BENCHMARK(BM_libc_pow05);
BENCHMARK(BM_cr_log);
BENCHMARK(BM_libc_log);
BENCHMARK(BM_cr_logf);
BENCHMARK(BM_libc_logf);
BENCHMARK(BM_cr_exp);
BENCHMARK(BM_libc_exp);
BENCHMARK(BM_cr_pow03);
BENCHMARK(BM_libc_pow03);
BENCHMARK(BM_cr_erf);
BENCHMARK(BM_libc_erf);

BENCHMARK_MAIN();
