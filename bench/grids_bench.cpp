// Parton density grids against six GSL bilinear interp2d evaluations on the
// same grid, and grid loading against strtod parsing of the same fields;
// pelkfit and pelkini beside GridMember's evaluation and loading, and a
// scan of many x at one Q2 in one call.
#include <benchmark/benchmark.h>
#include <gsl/gsl_interp2d.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "PELK-2008.h"
#include "crmath.hpp"
#include "grid_writer.hpp"
#include "pdferr/grid_member.hpp"
#include "scratch.hpp"

namespace {

// The central member, its stored tables linear in ln x and ln Q2.
void write_member() {
  static bool done = false;
  if (done) return;
  using namespace testsupport;
  bench::write_file("PELK-GRID.NLO", grid_text_fine([](int c, int i, int j) {
                      return linear_file_value(c, x_node(i), q2_node(j));
                    }));
  pelkini(0);
  done = true;
}

struct Point {
  double x, q2;
};
const std::vector<Point>& points() {
  static const std::vector<Point> p = [] {
    std::mt19937_64 rng(2024);
    std::uniform_real_distribution<double> lx(std::log(1e-5), std::log(0.99));
    std::uniform_real_distribution<double> lq(0.0, std::log(1e6));
    std::vector<Point> v(1024);
    for (Point& pt : v) pt = {std::exp(lx(rng)), std::exp(lq(rng))};
    return v;
  }();
  return p;
}

void BM_pelkfit(benchmark::State& state) {
  write_member();
  const std::vector<Point>& p = points();
  double d[6];
  std::size_t k = 0;
  for (auto _ : state) {
    pelkfit(p[k].x, p[k].q2, d[0], d[1], d[2], d[3], d[4], d[5]);
    benchmark::DoNotOptimize(d);
    k = (k + 1) & 1023;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_pelkfit);

// The same points through a GridMember of the same file.
void BM_grid_member_values(benchmark::State& state) {
  write_member();
  const pdferr::GridMember member("PELK-GRID.NLO");
  const std::vector<Point>& p = points();
  std::size_t k = 0;
  for (auto _ : state) {
    std::array<double, 6> d = member.values(p[k].x, p[k].q2);
    benchmark::DoNotOptimize(d);
    k = (k + 1) & 1023;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_grid_member_values);

// The six stored tables in GSL's bilinear interp2d on the same logarithmic
// nodes, one accelerator pair shared by the six (GSL's best case): the two
// logarithms once, then six evaluations.  No column factors are applied.
class GslBilinearSix {
 public:
  GslBilinearSix() {
    for (int c = 0; c < PDFERR_PELK_NCOL; ++c) {
      interp_[c] = gsl_interp2d_alloc(gsl_interp2d_bilinear, PDFERR_PELK_NX, PDFERR_PELK_NQ);
      gsl_interp2d_init(interp_[c], lx_, lq_, &pelkgrid.denstab[c][0][0], PDFERR_PELK_NX,
                        PDFERR_PELK_NQ);
    }
  }
  ~GslBilinearSix() {
    gsl_interp_accel_free(qacc_);
    gsl_interp_accel_free(xacc_);
    for (gsl_interp2d* i : interp_) gsl_interp2d_free(i);
  }
  GslBilinearSix(const GslBilinearSix&) = delete;
  GslBilinearSix& operator=(const GslBilinearSix&) = delete;
  // The six densities at ln x = a, ln Q2 = b.
  void operator()(double a, double b, double* d) const {
    for (int c = 0; c < PDFERR_PELK_NCOL; ++c) {
      d[c] =
          gsl_interp2d_eval(interp_[c], lx_, lq_, &pelkgrid.denstab[c][0][0], a, b, xacc_, qacc_);
    }
  }

 private:
  const double* lx_ = pelkgrid.lognodes;
  const double* lq_ = pelkgrid.lognodes + PDFERR_PELK_NX;
  gsl_interp2d* interp_[PDFERR_PELK_NCOL];
  gsl_interp_accel* xacc_ = gsl_interp_accel_alloc();
  gsl_interp_accel* qacc_ = gsl_interp_accel_alloc();
};

void BM_gsl_bilinear_six(benchmark::State& state) {
  write_member();
  const GslBilinearSix six;
  const std::vector<Point>& p = points();
  double d[6];
  std::size_t k = 0;
  for (auto _ : state) {
    six(std::log(p[k].x), std::log(p[k].q2), d);
    benchmark::DoNotOptimize(d);
    k = (k + 1) & 1023;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_gsl_bilinear_six);

// A band scan: 1000 x from 1e-5 to 0.99, equally spaced in ln x, at
// Q2 = 100.
constexpr double scan_q2 = 100.0;
const std::vector<double>& scan_x() {
  static const std::vector<double> x = [] {
    std::vector<double> v(1000);
    for (std::size_t i = 0; i < v.size(); ++i) {
      v[i] = std::exp(std::log(1e-5) + std::log(0.99 / 1e-5) * static_cast<double>(i) / 999.0);
    }
    v[0] = 1e-5;  // exp(ln 1e-5) lies just below it
    return v;
  }();
  return x;
}

// The scan through GridMember::values on the arrays: six densities per x.
void scan(benchmark::State& state, const pdferr::GridMember& member) {
  const std::vector<double>& x = scan_x();
  std::vector<double> out(6 * x.size());
  for (auto _ : state) {
    member.values(x.data(), scan_q2, x.size(), out.data());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(x.size()));
}

void BM_grid_member_scan(benchmark::State& state) {
  write_member();
  scan(state, pdferr::GridMember("PELK-GRID.NLO"));
}
BENCHMARK(BM_grid_member_scan);

// The same scan by six GSL bilinear evaluations per x (as
// BM_gsl_bilinear_six), ln Q2 formed once: per point.
void BM_gsl_bilinear_six_scan(benchmark::State& state) {
  write_member();
  const GslBilinearSix six;
  const std::vector<double>& x = scan_x();
  std::vector<double> out(6 * x.size());
  for (auto _ : state) {
    const double b = std::log(scan_q2);
    for (std::size_t i = 0; i < x.size(); ++i) six(std::log(x[i]), b, &out[6 * i]);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(x.size()));
}
BENCHMARK(BM_gsl_bilinear_six_scan);

// What the scan cannot do without: ln x and x^0.5 at every x, by the array
// forms of the toolkit's functions.
void BM_log_pow_scan(benchmark::State& state) {
  const std::vector<double>& x = scan_x();
  std::vector<double> out(2 * x.size());
  for (auto _ : state) {
    pdferr::math::log(x.data(), x.size(), out.data());
    pdferr::math::sqrt(x.data(), x.size(), out.data() + x.size());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(x.size()));
}
BENCHMARK(BM_log_pow_scan);

// Several threads on one loaded member, each scanning on its own arrays:
// the throughput of two threads against one.
void BM_grid_member_scan_threads(benchmark::State& state) {
  static const pdferr::GridMember member = [] {
    write_member();
    return pdferr::GridMember("PELK-GRID.NLO");
  }();
  scan(state, member);
}
BENCHMARK(BM_grid_member_scan_threads)->Threads(1)->Threads(2)->UseRealTime();

void BM_pelkini(benchmark::State& state) {
  write_member();
  for (auto _ : state) pelkini(0);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_pelkini)->Unit(benchmark::kMicrosecond);

void BM_grid_member_load(benchmark::State& state) {
  write_member();
  for (auto _ : state) {
    pdferr::GridMember member("PELK-GRID.NLO");
    benchmark::DoNotOptimize(member);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_grid_member_load)->Unit(benchmark::kMicrosecond);

// The same file read line by line, each of the six 12-character fields of
// a line parsed with strtod.
void BM_strtod_grid(benchmark::State& state) {
  write_member();
  static double values[1380][6];
  char line[256];
  char field[13];
  field[12] = '\0';
  for (auto _ : state) {
    std::FILE* f = std::fopen("PELK-GRID.NLO", "r");
    for (int n = 0; n < 1380 && std::fgets(line, sizeof line, f) != nullptr; ++n) {
      for (int c = 0; c < 6; ++c) {
        std::memcpy(field, line + 12 * c, 12);
        values[n][c] = std::strtod(field, nullptr);
      }
    }
    std::fclose(f);
    benchmark::DoNotOptimize(values);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_strtod_grid)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
