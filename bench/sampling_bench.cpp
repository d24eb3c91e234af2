// The random sampling toolkit against GSL and the C++ standard library.
#include <benchmark/benchmark.h>
#include <gsl/gsl_linalg.h>
#include <gsl/gsl_randist.h>
#include <gsl/gsl_rng.h>

#include <Eigen/Cholesky>
#include <Eigen/Core>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include "core/uniform.hpp"
#include "error_estimate.h"
#include "fio/record.hpp"
#include "fio/units.hpp"
#include "fio_units.h"
#include "pdferr/generator.hpp"

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

// The same draws from a generator of the caller's own.
void BM_generator_uniform(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  std::vector<float> v(n);
  pdferr::Generator g;
  for (auto _ : state) {
    g.uniform(v.data(), n);
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
}
BENCHMARK(BM_generator_uniform)->Arg(1)->Arg(2)->Arg(100)->Arg(4096);

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

// Restoring a position the way it was done before the jump-ahead: one step
// per number skipped.
void BM_rmarin_stepping(benchmark::State& state) {
  const std::int64_t pos = state.range(0);
  pdferr::sampling::LagTable g{};
  for (auto _ : state) {
    pdferr::sampling::fill(g.lags(), 54217137);
    for (std::int64_t k = 0; k < pos; ++k) pdferr::sampling::step(g.lags());
    benchmark::DoNotOptimize(g.uu);
  }
}
BENCHMARK(BM_rmarin_stepping)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_rmarin_stepping)->Arg(1000000000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_gaudev(benchmark::State& state) {
  quiet();
  const auto n = static_cast<std::int32_t>(state.range(0));
  std::vector<float> d(static_cast<std::size_t>(n));
  rmarin(54217137, 0, 0);
  for (auto _ : state) {
    gaudev(d.data(), n);
    benchmark::DoNotOptimize(d.data());
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_gaudev)->Arg(1)->Arg(100);

void BM_gsl_ratio_method(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  std::vector<float> d(n);
  gsl_rng* r = gsl_rng_alloc(gsl_rng_ranmar);
  for (auto _ : state) {
    for (std::size_t k = 0; k < n; ++k)
      d[k] = static_cast<float>(gsl_ran_gaussian_ratio_method(r, 1.0));
    benchmark::DoNotOptimize(d.data());
  }
  gsl_rng_free(r);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
}
BENCHMARK(BM_gsl_ratio_method)->Arg(1)->Arg(100)->Arg(100000);

// Deviates in bulk from a generator of the caller's own.
void BM_generator_normal(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  std::vector<float> d(n);
  pdferr::Generator g;
  for (auto _ : state) {
    g.normal(d.data(), n);
    benchmark::DoNotOptimize(d.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
}
BENCHMARK(BM_generator_normal)->Arg(100)->Arg(100000);

// Two generators on two threads against one on one: the throughput.
void BM_generator_normal_threads(benchmark::State& state) {
  constexpr std::size_t n = 10000;
  std::vector<float> d(n);
  pdferr::Generator g(20261207, std::int64_t{state.thread_index()} * 1000000000);
  for (auto _ : state) {
    g.normal(d.data(), n);
    benchmark::DoNotOptimize(d.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
}
BENCHMARK(BM_generator_normal_threads)->Threads(1)->Threads(2)->UseRealTime();

void BM_std_normal_float(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  std::vector<float> d(n);
  std::mt19937 engine(54217137);
  std::normal_distribution<float> dist;
  for (auto _ : state) {
    for (std::size_t k = 0; k < n; ++k) d[k] = dist(engine);
    benchmark::DoNotOptimize(d.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
}
BENCHMARK(BM_std_normal_float)->Arg(1)->Arg(100);

// A positive definite covariance of order n: 1 / (1 + |i - j|), plus 1 on
// the diagonal.
std::vector<float> covariance(int n) {
  std::vector<float> cov(static_cast<std::size_t>(n) * n);
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i)
      cov[i + j * n] = 1.0f / static_cast<float>(1 + std::abs(i - j)) + (i == j ? 1.0f : 0.0f);
  return cov;
}

void BM_corset(benchmark::State& state) {
  const auto n = static_cast<std::int32_t>(state.range(0));
  const std::vector<float> cov = covariance(n);
  std::vector<float> c(cov.size());
  for (auto _ : state) {
    corset(cov.data(), c.data(), n);
    benchmark::DoNotOptimize(c.data());
  }
}
BENCHMARK(BM_corset)->Arg(3)->Arg(10)->Arg(100);

void BM_gsl_cholesky(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  const std::vector<float> cov = covariance(static_cast<int>(n));
  gsl_matrix* m = gsl_matrix_alloc(n, n);
  for (auto _ : state) {
    for (std::size_t j = 0; j < n; ++j)
      for (std::size_t i = 0; i < n; ++i) gsl_matrix_set(m, i, j, cov[i + j * n]);
    gsl_linalg_cholesky_decomp1(m);
    benchmark::DoNotOptimize(m->data);
  }
  gsl_matrix_free(m);
}
BENCHMARK(BM_gsl_cholesky)->Arg(3)->Arg(10)->Arg(100);

void BM_eigen_llt(benchmark::State& state) {
  const auto n = static_cast<int>(state.range(0));
  const std::vector<float> cov = covariance(n);
  const Eigen::Map<const Eigen::MatrixXf> a(cov.data(), n, n);
  for (auto _ : state) {
    Eigen::LLT<Eigen::MatrixXf> llt(a);
    benchmark::DoNotOptimize(llt.matrixLLT().data());
  }
}
BENCHMARK(BM_eigen_llt)->Arg(3)->Arg(10)->Arg(100);

void BM_mvndev(benchmark::State& state) {
  quiet();
  const auto n = static_cast<std::int32_t>(state.range(0));
  const std::vector<float> cov = covariance(n);
  std::vector<float> c(cov.size()), x(static_cast<std::size_t>(n));
  corset(cov.data(), c.data(), n);
  rmarin(54217137, 0, 0);
  for (auto _ : state) {
    mvndev(c.data(), x.data(), n);
    benchmark::DoNotOptimize(x.data());
  }
}
BENCHMARK(BM_mvndev)->Arg(3)->Arg(10)->Arg(100);

void BM_gsl_multivariate_gaussian(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  const std::vector<float> cov = covariance(static_cast<int>(n));
  gsl_matrix* l = gsl_matrix_alloc(n, n);
  for (std::size_t j = 0; j < n; ++j)
    for (std::size_t i = 0; i < n; ++i) gsl_matrix_set(l, i, j, cov[i + j * n]);
  gsl_linalg_cholesky_decomp1(l);
  gsl_vector* mu = gsl_vector_calloc(n);
  gsl_vector* x = gsl_vector_alloc(n);
  gsl_rng* r = gsl_rng_alloc(gsl_rng_ranmar);
  for (auto _ : state) {
    gsl_ran_multivariate_gaussian(r, mu, l, x);
    benchmark::DoNotOptimize(x->data);
  }
  gsl_rng_free(r);
  gsl_vector_free(x);
  gsl_vector_free(mu);
  gsl_matrix_free(l);
}
BENCHMARK(BM_gsl_multivariate_gaussian)->Arg(3)->Arg(10)->Arg(100);

// Many vectors in one call: items are vectors.
void BM_generator_correlated(benchmark::State& state) {
  const auto np = static_cast<std::size_t>(state.range(0));
  const auto n = static_cast<std::size_t>(state.range(1));
  const std::vector<float> c = pdferr::cholesky(covariance(static_cast<int>(np)).data(), np);
  std::vector<float> x(np * n);
  pdferr::Generator g;
  for (auto _ : state) {
    g.correlated(c.data(), np, n, x.data());
    benchmark::DoNotOptimize(x.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
}
BENCHMARK(BM_generator_correlated)->Args({3, 10000})->Args({100, 10000});

// The factor with its pivots checked.
void BM_cholesky(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  const std::vector<float> cov = covariance(static_cast<int>(n));
  std::vector<float> c(cov.size());
  for (auto _ : state) {
    pdferr::cholesky(cov.data(), n, c.data());
    benchmark::DoNotOptimize(c.data());
  }
}
BENCHMARK(BM_cholesky)->Arg(100);

// rmarin over nblocks whole blocks and 12345 more: the lines and one jump.
void BM_rmarin_blocks(benchmark::State& state) {
  quiet();
  const auto blocks = static_cast<std::int32_t>(state.range(0));
  for (auto _ : state) rmarin(54217137, 12345, blocks);
}
BENCHMARK(BM_rmarin_blocks)->Arg(0)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// The lines of that rmarin alone, written the same way to the same unit.
void BM_rmarin_lines(benchmark::State& state) {
  quiet();
  const auto blocks = static_cast<std::int32_t>(state.range(0));
  for (auto _ : state) {
    {
      char text[64];
      fio::Record line(text, sizeof text);
      line.x(1).a(" RANMAR INITIALIZED: ").i(54217137, 10).x(2).i(12345, 10).i(blocks, 10);
      fio::write_line(inout.iout, line.text());
    }
    for (std::int32_t pass = 0; pass <= blocks; ++pass) {
      char text[64];
      fio::Record line(text, sizeof text);
      line.a(" RMARIN SKIPPING OVER ").i(pass < blocks ? 1000000000 : 12345, 15);
      fio::write_line(inout.iout, line.text());
    }
  }
}
BENCHMARK(BM_rmarin_lines)->Arg(0)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
