// A fixed run of the toolkit whose output is the exact bits of every result.
// Built by different compilers at different optimisation levels, it must
// print the same bytes: the arithmetic may never be regrouped.
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <unistd.h>

#include <stdlib.h>
#include <cstdlib>
#include <string>

#include "PELK-2008.h"
#include "ZEMOPdf.h"
#include "crmath.hpp"
#include "error_estimate.h"
#include "fio_units.h"
#include "grid_writer.hpp"
#include "pdferr/generator.hpp"
#include "pdferr/uncertainty.hpp"
#include "pds_writer.hpp"

namespace {

void print_bits(const char* label, const float* v, int n) {
  std::printf("%s", label);
  for (int k = 0; k < n; ++k) std::printf(" %08x", std::bit_cast<std::uint32_t>(v[k]));
  std::printf("\n");
}

void sampling() {
  const std::int32_t quiet = 99;
  fio_connect(&quiet, "/dev/null");
  inout.iout = quiet;

  rmarin(123456789, 4321, 0);
  std::vector<float> u(2000);
  ranmar(u.data(), 2000);
  print_bits("ranmar", u.data(), 2000);

  std::vector<float> d(2000);
  gaudev(d.data(), 2000);
  print_bits("gaudev", d.data(), 2000);

  // A dense covariance of order 30 and a hundred vectors.
  constexpr int n = 30;
  std::vector<float> cov(n * n), c(n * n);
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i)
      cov[i + j * n] = (i == j ? 2.0f : 0.0f) + 1.0f / static_cast<float>(1 + i + j);
  corset(cov.data(), c.data(), n);
  print_bits("corset", c.data(), n * n);
  std::vector<float> x(n);
  for (int k = 0; k < 100; ++k) {
    mvndev(c.data(), x.data(), n);
    print_bits("mvndev", x.data(), n);
  }
  std::int32_t seed = 0, count = 0, blocks = 0;
  rmarut(seed, count, blocks);
  std::printf("rmarut %d %d %d\n", seed, count, blocks);

  // The same in bulk, from a generator of its own.
  pdferr::Generator g(123456789, 4321);
  g.normal(d.data(), 2000);
  print_bits("normal", d.data(), 2000);
  const std::vector<float> factor = pdferr::cholesky(cov.data(), n);
  std::vector<float> many(40 * n);
  g.correlated(factor.data(), n, 40, many.data());
  for (int k = 0; k < 40; ++k) print_bits("correlated", many.data() + k * n, n);
  std::printf("position %lld\n", static_cast<long long>(g.position()));
}

void print_bits(const char* label, const double* v, int n) {
  std::printf("%s", label);
  for (int k = 0; k < n; ++k)
    std::printf(" %016llx", static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(v[k])));
  std::printf("\n");
}

// A synthetic grid member written to a scratch directory and evaluated on a
// lattice of points between the nodes.
void grids() {
  char dir[] = "/tmp/pdferr-fixed-run-XXXXXX";
  if (mkdtemp(dir) == nullptr) std::abort();
  const std::string path = std::string(dir) + "/PELK-GRID.NLO";
  testsupport::write_text(path, testsupport::grid_text_fine([](int c, int i, int j) {
                            return testsupport::linear_file_value(c, testsupport::x_node(i),
                                                                  testsupport::q2_node(j));
                          }));
  if (chdir(dir) != 0) std::abort();
  pelkini(0);
  std::remove(path.c_str());
  rmdir(dir);
  for (int i = 0; i <= 40; ++i) {
    for (int j = 0; j <= 24; ++j) {
      const double x = 1e-5 * pdferr::math::power(1e5, i / 40.0);
      const double q2 = pdferr::math::power(1e6, j / 24.0);
      double d[6];
      pelkfit(x, q2, d[0], d[1], d[2], d[3], d[4], d[5]);
      print_bits("pelkfit", d, 6);
    }
  }
}

// A synthetic table set, evaluated for every flavour on a lattice of points
// that covers the small-x, interior and highest-bin paths and t beyond both
// ends of the table.
void tables() {
  char dir[] = "/tmp/pdferr-fixed-run-XXXXXX";
  if (mkdtemp(dir) == nullptr) std::abort();
  const std::string path = std::string(dir) + "/zemo.00.pds";
  const testsupport::PdsTable table =
      testsupport::make_table(60, 16, 5, 2, testsupport::realistic_value);
  testsupport::write_text(path, testsupport::pds_text(table));
  if (chdir(dir) != 0) std::abort();
  setzemo(100);
  std::remove(path.c_str());
  rmdir(dir);
  for (int i = 0; i <= 30; ++i) {
    for (double q : {1.0, 1.3, 2.0, 10.0, 91.0, 1000.0, 10000.0, 30000.0}) {
      const double x = pdferr::math::power(1e-6, 1.0 - i / 30.0);
      double f[11];
      for (int flavour = -5; flavour <= 5; ++flavour) f[flavour + 5] = zemopdf(flavour, x, q);
      print_bits("zemopdf", f, 11);
    }
  }
}

// The error-set formulas on numbers from a fixed integer sequence: the
// normal quantile, Hessian errors at many points, quantiles, and moments
// with their saved bytes (as an FNV-1a digest).
void uncertainty() {
  namespace unc = pdferr::uncertainty;
  std::uint64_t state = 88172645463325252u;
  auto next = [&] {  // xorshift64, to 53-bit doubles in [0, 1)
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return static_cast<double>(state >> 11) * 0x1p-53;
  };
  std::vector<double> z;
  for (const double p : {1e-300, 1e-12, 0.01, 0.3, 0.5, 0.84, 0.95, 0.999}) {
    z.push_back(unc::normal_quantile(p));
  }
  z.push_back(unc::rescale_factor(unc::Confidence::central(0.9), unc::Confidence::sigmas(1)));
  print_bits("quantile", z.data(), static_cast<int>(z.size()));

  constexpr std::size_t pairs = 10, points = 200;
  std::vector<double> values((2 * pairs + 1) * points);
  for (double& v : values) v = 1.0 + 0.1 * next();
  std::vector<unc::HessianErrors> e(points);
  unc::hessian(values.data(), pairs, points, e.data());
  for (const unc::HessianErrors& h : e) {
    const double three[] = {h.symmetric, h.plus, h.minus};
    print_bits("hessian", three, 3);
  }

  std::vector<double> draws(3 * 3000);
  for (std::size_t d = 0; d < 3000; ++d) {
    draws[3 * d] = next() - 0.5;
    draws[3 * d + 1] = draws[3 * d] + next();
    draws[3 * d + 2] = 1e3 * next();
  }
  unc::MomentsOptions o;
  o.correlations = true;
  unc::Moments m(3, o);
  m.add(draws.data(), 3000);
  const double stats[] = {
      m.mean(0),
      m.mean(2),
      m.standard_deviation(1),
      m.correlation(0, 1),
      unc::quantile(draws.data(), 3000, 0.3),
      unc::central_interval(draws.data(), 3000, unc::Confidence::sigmas(1)).low};
  print_bits("moments", stats, 6);
  std::uint64_t digest = 14695981039346656037u;
  for (const unsigned char b : m.save()) digest = (digest ^ b) * 1099511628211u;
  std::printf("moments saved %016llx\n", static_cast<unsigned long long>(digest));
}

}  // namespace

int main() {
  sampling();
  tables();
  grids();
  uncertainty();
  return 0;
}
