// The error-set formulas against GSL's statistics and quantile, the
// symmetric Hessian error against Eigen's column norms, and the Monte Carlo
// band against the same band from GSL's draws, sort and quantiles.  Times
// per value (draw, replica, point) or per call.
#include <benchmark/benchmark.h>
#include <gsl/gsl_cdf.h>
#include <gsl/gsl_linalg.h>
#include <gsl/gsl_randist.h>
#include <gsl/gsl_rng.h>
#include <gsl/gsl_sort.h>
#include <gsl/gsl_statistics_double.h>

#include <Eigen/Core>

#include <algorithm>
#include <cstddef>
#include <random>
#include <vector>

#include "pdferr/band.hpp"
#include "pdferr/generator.hpp"
#include "pdferr/uncertainty.hpp"

namespace {

namespace unc = pdferr::uncertainty;

std::vector<double> normal_values(std::size_t n, unsigned seed) {
  std::mt19937_64 rng(seed);
  std::normal_distribution<double> g(1.0, 0.3);
  std::vector<double> v(n);
  for (double& x : v) x = g(rng);
  return v;
}

const std::vector<double>& probabilities() {
  static const std::vector<double> p = [] {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::vector<double> v(1024);
    for (double& x : v) x = u(rng);
    return v;
  }();
  return p;
}

void BM_normal_quantile(benchmark::State& state) {
  const std::vector<double>& p = probabilities();
  std::size_t k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(unc::normal_quantile(p[k]));
    k = (k + 1) & 1023;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_gsl_ugaussian_pinv(benchmark::State& state) {
  const std::vector<double>& p = probabilities();
  std::size_t k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(gsl_cdf_ugaussian_Pinv(p[k]));
    k = (k + 1) & 1023;
  }
  state.SetItemsProcessed(state.iterations());
}

// The mean and the standard deviation of n draws.
void BM_mean_sd(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  const std::vector<double> v = normal_values(n, 1);
  for (auto _ : state) {
    unc::Moments m;
    m.add(v.data(), n);
    benchmark::DoNotOptimize(m.mean());
    benchmark::DoNotOptimize(m.standard_deviation());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
}

void BM_gsl_mean_sd(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  const std::vector<double> v = normal_values(n, 1);
  for (auto _ : state) {
    const double mean = gsl_stats_mean(v.data(), 1, n);
    benchmark::DoNotOptimize(mean);
    benchmark::DoNotOptimize(gsl_stats_sd_m(v.data(), 1, n, mean));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
}

// The central 68% interval of n replicas.
void BM_central_interval(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  const std::vector<double> v = normal_values(n, 2);
  for (auto _ : state) {
    benchmark::DoNotOptimize(unc::central_interval(v.data(), n, unc::Confidence::central(0.68)));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
}

void BM_gsl_sorted_quantiles(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  const std::vector<double> v = normal_values(n, 2);
  std::vector<double> s(n);
  for (auto _ : state) {
    std::copy(v.begin(), v.end(), s.begin());
    gsl_sort(s.data(), 1, n);
    benchmark::DoNotOptimize(gsl_stats_quantile_from_sorted_data(s.data(), 1, n, 0.16));
    benchmark::DoNotOptimize(gsl_stats_quantile_from_sorted_data(s.data(), 1, n, 0.84));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
}

// The correlation of two quantities over n draws.
void BM_correlation(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  const std::vector<double> x = normal_values(n, 3), y = normal_values(n, 4);
  for (auto _ : state) benchmark::DoNotOptimize(unc::correlation(x.data(), y.data(), n));
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
}

void BM_gsl_correlation(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  const std::vector<double> x = normal_values(n, 3), y = normal_values(n, 4);
  for (auto _ : state) benchmark::DoNotOptimize(gsl_stats_correlation(x.data(), 1, y.data(), 1, n));
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
}

// Hessian errors of 1000 points over 50 pairs, per point: all three
// errors, against Eigen's symmetric error alone.
constexpr std::size_t pairs = 50, points = 1000;

void BM_hessian(benchmark::State& state) {
  const std::vector<double> v = normal_values((2 * pairs + 1) * points, 5);
  std::vector<unc::HessianErrors> out(points);
  for (auto _ : state) {
    unc::hessian(v.data(), pairs, points, out.data());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(points));
}

void BM_eigen_column_norms(benchmark::State& state) {
  const std::vector<double> v = normal_values((2 * pairs + 1) * points, 5);
  Eigen::MatrixXd plus(pairs, points), minus(pairs, points);
  for (std::size_t k = 0; k < pairs; ++k) {
    for (std::size_t i = 0; i < points; ++i) {
      plus(static_cast<Eigen::Index>(k), static_cast<Eigen::Index>(i)) =
          v[(2 * k + 1) * points + i];
      minus(static_cast<Eigen::Index>(k), static_cast<Eigen::Index>(i)) =
          v[(2 * k + 2) * points + i];
    }
  }
  Eigen::VectorXd out(points);
  for (auto _ : state) {
    out = 0.5 * (plus - minus).colwise().norm().transpose();
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(points));
}

// The Monte Carlo band of 50 points and 4 coefficients over N draws (per
// draw): the library's run, which keeps no draws, against the same model
// drawn by GSL (Mersenne twister, multivariate Gaussian from the Cholesky
// factor), every value kept, each point's mean and standard deviation, and
// the 16% and 84% quantiles from the values sorted by GSL, or selected by
// std::nth_element.
struct BandCase {
  static constexpr std::size_t points = 50, n = 4;
  std::vector<double> central, variations;
  std::vector<float> covariance = {1, 0.2f, 0, 0, 0.2f, 1, 0.1f, 0, 0, 0.1f, 1, 0, 0, 0, 0, 1};
  BandCase() : central(points), variations(n * points) {
    for (std::size_t p = 0; p < points; ++p) {
      central[p] = 7.0 + 0.1 * static_cast<double>(p);
      for (std::size_t i = 0; i < n; ++i) {
        variations[i * points + p] = central[p] + 0.01 * static_cast<double>((p * 7 + i * 3) % 11);
      }
    }
  }
};

void BM_mc_band(benchmark::State& state) {
  const BandCase b;
  const auto draws = static_cast<std::uint64_t>(state.range(0));
  const std::vector<float> factor = pdferr::cholesky(b.covariance.data(), BandCase::n);
  const unc::MonteCarlo mc(b.central.data(), b.variations.data(), BandCase::n, BandCase::points,
                           factor.data(), 1, 0, draws);
  for (auto _ : state) benchmark::DoNotOptimize(mc.run(0.6826894921370859));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

template <bool select>
void BM_gsl_mc_band(benchmark::State& state) {
  const BandCase b;
  const auto draws = static_cast<std::size_t>(state.range(0));
  constexpr std::size_t m = BandCase::points, n = BandCase::n;
  gsl_matrix* factor = gsl_matrix_alloc(n, n);
  for (std::size_t i = 0; i < n * n; ++i) factor->data[i] = static_cast<double>(b.covariance[i]);
  gsl_linalg_cholesky_decomp1(factor);
  gsl_vector* mu = gsl_vector_calloc(n);
  gsl_vector* c = gsl_vector_alloc(n);
  gsl_rng* rng = gsl_rng_alloc(gsl_rng_mt19937);
  std::vector<double> shift(n * m), values(m * draws);
  for (std::size_t i = 0; i < n * m; ++i) shift[i] = b.variations[i] - b.central[i % m];
  for (auto _ : state) {
    gsl_rng_set(rng, 1);
    for (std::size_t d = 0; d < draws; ++d) {
      gsl_ran_multivariate_gaussian(rng, mu, factor, c);
      for (std::size_t p = 0; p < m; ++p) {
        double f = b.central[p];
        for (std::size_t i = 0; i < n; ++i) f = f + c->data[i] * shift[i * m + p];
        values[p * draws + d] = f;
      }
    }
    for (std::size_t p = 0; p < m; ++p) {
      double* v = values.data() + p * draws;
      const double mean = gsl_stats_mean(v, 1, draws);
      benchmark::DoNotOptimize(gsl_stats_sd_m(v, 1, draws, mean));
      if (!select) {
        gsl_sort(v, 1, draws);
        benchmark::DoNotOptimize(gsl_stats_quantile_from_sorted_data(v, 1, draws, 0.15865525));
        benchmark::DoNotOptimize(gsl_stats_quantile_from_sorted_data(v, 1, draws, 0.84134475));
        continue;
      }
      for (double q : {0.15865525, 0.84134475}) {  // the two values about each end
        const auto i = static_cast<std::ptrdiff_t>(q * static_cast<double>(draws - 1));
        std::nth_element(v, v + i, v + draws);
        benchmark::DoNotOptimize(v[i]);
        benchmark::DoNotOptimize(*std::min_element(v + i + 1, v + draws));
      }
    }
  }
  gsl_rng_free(rng);
  gsl_vector_free(c);
  gsl_vector_free(mu);
  gsl_matrix_free(factor);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK(BM_normal_quantile);
BENCHMARK(BM_gsl_ugaussian_pinv);
BENCHMARK(BM_mean_sd)->Arg(100000);
BENCHMARK(BM_gsl_mean_sd)->Arg(100000);
BENCHMARK(BM_central_interval)->Arg(10000);
BENCHMARK(BM_gsl_sorted_quantiles)->Arg(10000);
BENCHMARK(BM_correlation)->Arg(100000);
BENCHMARK(BM_gsl_correlation)->Arg(100000);
BENCHMARK(BM_hessian);
BENCHMARK(BM_eigen_column_norms);
BENCHMARK(BM_mc_band)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_gsl_mc_band<false>)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_gsl_mc_band<true>)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
