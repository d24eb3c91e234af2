// Parton density tables against GSL's bicubic interp2d on the same grid and
// against strtod parsing of the same table file; TableSet with caches of
// their own on one and two threads; every flavour at a point, and a scan of
// many x at one Q, in one call.
#include <benchmark/benchmark.h>
#include <gsl/gsl_interp2d.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "ZEMOPdf.h"
#include "crmath.hpp"
#include "pdferr/table_set.hpp"
#include "pds_writer.hpp"
#include "scratch.hpp"

namespace {

// A table of 201 x nodes, 25 t nodes and 11 flavour slots: 55275 values,
// the capacity of the blocks.
const testsupport::PdsTable& table() {
  static const testsupport::PdsTable t =
      testsupport::make_table(200, 24, 5, 5, testsupport::realistic_value);
  return t;
}

// Sets 100 and 101 hold the same table, so that alternating between them
// loads the file on every call.
void write_sets() {
  static bool done = false;
  if (done) return;
  const std::string text = testsupport::pds_text(table());
  bench::write_file("zemo.00.pds", text);
  bench::write_file("zemo.01.pds", text);
  setzemo(100);
  done = true;
}

// Points inside the table's range, each different from the one before.
struct Point {
  double x, q;
};
const std::vector<Point>& points() {
  static const std::vector<Point> p = [] {
    std::mt19937_64 rng(2024);
    std::uniform_real_distribution<double> lx(std::log(1e-5), std::log(0.9));
    std::uniform_real_distribution<double> lq(std::log(1.5), std::log(9000.0));
    std::vector<Point> v(1024);
    for (Point& pt : v) pt = {std::exp(lx(rng)), std::exp(lq(rng))};
    return v;
  }();
  return p;
}

void BM_zemopdf_new_point(benchmark::State& state) {
  write_sets();
  const std::vector<Point>& p = points();
  std::size_t k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(zemopdf(1, p[k].x, p[k].q));
    k = (k + 1) & 1023;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_zemopdf_new_point);

// A scan over Q at one x (16 values of Q per x): the x side is kept.
void BM_zemopdf_q_scan(benchmark::State& state) {
  write_sets();
  const std::vector<Point>& p = points();
  std::size_t k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(zemopdf(1, p[k >> 4].x, p[k & 1023].q));
    k = (k + 1) & 16383;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_zemopdf_q_scan);

// Each further flavour at the point of the call before: the cached path.
void BM_zemopdf_cached_flavour(benchmark::State& state) {
  write_sets();
  const double x = 0.0123, q = 17.5;
  std::int32_t f = -5;
  for (auto _ : state) {
    benchmark::DoNotOptimize(zemopdf(f, x, q));
    f = f == 5 ? -5 : f + 1;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_zemopdf_cached_flavour);

// The same table of flavour 1 in GSL's bicubic interp2d over the same x and
// t nodes; the caller maps Q to t = ln(ln(Q / alambda)) as zemopdf does.
class GslBicubic {
 public:
  explicit GslBicubic(const testsupport::PdsTable& t) : ta_(t.tv) {
    xa_.assign(static_cast<std::size_t>(t.nx) + 1, 0.0);
    for (int i = 1; i <= t.nx; ++i)
      xa_[static_cast<std::size_t>(i)] = t.xv[static_cast<std::size_t>(i - 1)];
    // Flavour 1 is slot 1, the slot MxFlvN0 + 1 counted from 0.
    z_ = t.values.data() + static_cast<std::size_t>(t.mxflvn0 + 1) * xa_.size() * ta_.size();
    interp_ = gsl_interp2d_alloc(gsl_interp2d_bicubic, xa_.size(), ta_.size());
    gsl_interp2d_init(interp_, xa_.data(), ta_.data(), z_, xa_.size(), ta_.size());
  }
  ~GslBicubic() {
    gsl_interp_accel_free(tacc_);
    gsl_interp_accel_free(xacc_);
    gsl_interp2d_free(interp_);
  }
  GslBicubic(const GslBicubic&) = delete;
  GslBicubic& operator=(const GslBicubic&) = delete;
  double operator()(double x, double t) const {
    return gsl_interp2d_eval_extrap(interp_, xa_.data(), ta_.data(), z_, x, t, xacc_, tacc_);
  }

 private:
  std::vector<double> xa_;
  const std::vector<double>& ta_;
  const double* z_;
  gsl_interp2d* interp_;
  gsl_interp_accel* xacc_ = gsl_interp_accel_alloc();
  gsl_interp_accel* tacc_ = gsl_interp_accel_alloc();
};

void BM_gsl_bicubic(benchmark::State& state) {
  write_sets();
  const testsupport::PdsTable& t = table();
  const GslBicubic bicubic(t);
  const std::vector<Point>& p = points();
  std::size_t k = 0;
  for (auto _ : state) {
    const double tt = std::log(std::log(p[k].q / t.alambda));
    benchmark::DoNotOptimize(bicubic(p[k].x, tt));
    k = (k + 1) & 1023;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_gsl_bicubic);

// Every flavour (-5..5) at a new point: zemopdf once at the point, then
// once for each further flavour on its kept point.
void BM_zemopdf_all_flavours(benchmark::State& state) {
  write_sets();
  const std::vector<Point>& p = points();
  double out[11];
  std::size_t k = 0;
  for (auto _ : state) {
    for (std::int32_t f = -5; f <= 5; ++f) out[f + 5] = zemopdf(f, p[k].x, p[k].q);
    benchmark::DoNotOptimize(out);
    k = (k + 1) & 1023;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_zemopdf_all_flavours);

// The same through TableSet::values: the point located once, the eleven
// flavours side by side.
void BM_table_set_all_flavours(benchmark::State& state) {
  write_sets();
  const pdferr::TableSet set("zemo.00.pds");
  const std::vector<Point>& p = points();
  double out[11];
  std::size_t k = 0;
  for (auto _ : state) {
    set.values(p[k].x, p[k].q, out);
    benchmark::DoNotOptimize(out);
    k = (k + 1) & 1023;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_table_set_all_flavours);

// A band scan: 1000 x from 1e-5 to 0.9, equally spaced in ln x, at Q = 10.
constexpr double scan_q = 10.0;
const std::vector<double>& scan_x() {
  static const std::vector<double> x = [] {
    std::vector<double> v(1000);
    for (std::size_t i = 0; i < v.size(); ++i) {
      v[i] = std::exp(std::log(1e-5) + std::log(0.9 / 1e-5) * static_cast<double>(i) / 999.0);
    }
    return v;
  }();
  return x;
}

// The scan of one flavour by TableSet::value on the arrays.
void scan(benchmark::State& state, const pdferr::TableSet& set) {
  const std::vector<double>& x = scan_x();
  std::vector<double> out(x.size());
  for (auto _ : state) {
    set.value(1, x.data(), scan_q, x.size(), out.data());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(x.size()));
}

void BM_table_set_scan(benchmark::State& state) {
  write_sets();
  scan(state, pdferr::TableSet("zemo.00.pds"));
}
BENCHMARK(BM_table_set_scan);

// The same scan by GSL's bicubic interp2d on the same nodes and values (see
// BM_gsl_bicubic), t formed once for the one Q: per point.
void BM_gsl_bicubic_scan(benchmark::State& state) {
  write_sets();
  const testsupport::PdsTable& t = table();
  const GslBicubic bicubic(t);
  const std::vector<double>& x = scan_x();
  std::vector<double> out(x.size());
  for (auto _ : state) {
    const double tt = std::log(std::log(scan_q / t.alambda));
    for (std::size_t i = 0; i < x.size(); ++i) out[i] = bicubic(x[i], tt);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(x.size()));
}
BENCHMARK(BM_gsl_bicubic_scan);

// What the scan cannot do without: x^0.3 at every x, by the array form of
// the toolkit's correctly rounded x^0.3.
void BM_pow_scan(benchmark::State& state) {
  const std::vector<double>& x = scan_x();
  std::vector<double> out(x.size());
  for (auto _ : state) {
    pdferr::math::pow03(x.data(), x.size(), out.data());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(x.size()));
}
BENCHMARK(BM_pow_scan);

// Several threads on one loaded set, each scanning on its own arrays: the
// throughput of two threads against one.
void BM_table_set_scan_threads(benchmark::State& state) {
  static const pdferr::TableSet set = [] {
    write_sets();
    return pdferr::TableSet("zemo.00.pds");
  }();
  scan(state, set);
}
BENCHMARK(BM_table_set_scan_threads)->Threads(1)->Threads(2)->UseRealTime();

// TableSet::value at new points, on a cache of its own.
void BM_table_set_new_point(benchmark::State& state) {
  write_sets();
  const pdferr::TableSet set("zemo.00.pds");
  pdferr::TableSet::Cache cache;
  const std::vector<Point>& p = points();
  std::size_t k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(set.value(cache, 1, p[k].x, p[k].q));
    k = (k + 1) & 1023;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_table_set_new_point);

// Several threads on one set, each with a cache of its own, at new points:
// the throughput of two threads against one.
void BM_table_set_threads(benchmark::State& state) {
  // Loaded once, by whichever thread comes first.
  static const pdferr::TableSet set = [] {
    write_sets();
    return pdferr::TableSet("zemo.00.pds");
  }();
  pdferr::TableSet::Cache cache;
  const std::vector<Point>& p = points();
  std::size_t k = static_cast<std::size_t>(state.thread_index()) * 512;
  for (auto _ : state) {
    benchmark::DoNotOptimize(set.value(cache, 1, p[k & 1023].x, p[k & 1023].q));
    ++k;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_table_set_threads)->Threads(1)->Threads(2)->UseRealTime();

// Loading the 55275-value table (alternating sets, so every call loads).
void BM_setzemo(benchmark::State& state) {
  write_sets();
  std::int32_t set = 100;
  for (auto _ : state) {
    set = set == 100 ? 101 : 100;
    setzemo(set);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_setzemo)->Unit(benchmark::kMicrosecond);

// Loading the same table as a TableSet.
void BM_table_set_load(benchmark::State& state) {
  write_sets();
  for (auto _ : state) benchmark::DoNotOptimize(pdferr::TableSet("zemo.00.pds"));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_table_set_load)->Unit(benchmark::kMicrosecond);

// The same file read line by line and every number on it parsed with strtod
// (the header's integers too), into an array of doubles.
void BM_strtod_table(benchmark::State& state) {
  write_sets();
  std::vector<double> values(60000);
  char line[4096];
  for (auto _ : state) {
    std::FILE* f = std::fopen("zemo.00.pds", "r");
    std::size_t n = 0;
    while (std::fgets(line, sizeof line, f) != nullptr) {
      char* s = line;
      for (;;) {
        char* end = nullptr;
        const double v = std::strtod(s, &end);
        if (end == s) break;
        if (n < values.size()) values[n++] = v;
        s = end;
      }
    }
    std::fclose(f);
    benchmark::DoNotOptimize(values.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_strtod_table)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
