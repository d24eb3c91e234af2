// Correlated fit parameters: factorise a covariance matrix once, draw many
// parameter vectors, and check that their sample covariance reproduces it.
// Then report the generator's position and show that restoring it gives the
// same following vectors, as a batch job restarted from its log would.
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "error_estimate.h"

namespace {

constexpr int np = 5;
constexpr int ndraw = 100000;

// Covariance of five fit parameters (symmetric, positive definite), stored
// column-major: cov[i + j * np] is row i, column j.
constexpr float sigma[np] = {0.5f, 1.2f, 0.08f, 2.0f, 0.3f};
constexpr float rho[np][np] = {
    {1.0f, 0.6f, -0.3f, 0.1f, 0.0f},  {0.6f, 1.0f, -0.2f, 0.4f, 0.2f},
    {-0.3f, -0.2f, 1.0f, 0.0f, 0.5f}, {0.1f, 0.4f, 0.0f, 1.0f, -0.4f},
    {0.0f, 0.2f, 0.5f, -0.4f, 1.0f},
};

void print_vector(const float* x) {
  for (int i = 0; i < np; ++i) std::printf(" %12.7f", static_cast<double>(x[i]));
  std::printf("\n");
}

}  // namespace

int main() {
  float cov[np * np];
  for (int j = 0; j < np; ++j)
    for (int i = 0; i < np; ++i) cov[i + j * np] = rho[i][j] * sigma[i] * sigma[j];

  float c[np * np] = {};
  corset(cov, c, np);

  // Seed the generator explicitly; its message goes to standard output.
  inout.iout = 6;
  rmarin(20261207, 0, 0);

  double mean[np] = {};
  double sum[np * np] = {};
  float x[np];
  for (int n = 0; n < ndraw; ++n) {
    mvndev(c, x, np);
    for (int i = 0; i < np; ++i) {
      mean[i] += static_cast<double>(x[i]);
      for (int j = 0; j <= i; ++j)
        sum[i + j * np] += static_cast<double>(x[i]) * static_cast<double>(x[j]);
    }
  }
  for (double& m : mean) m /= ndraw;

  std::printf("\n%d correlated vectors of %d parameters\n\n", ndraw, np);
  std::printf("  i  j      input cov     sample cov   (sample - input) / (sigma_i sigma_j)\n");
  for (int j = 0; j < np; ++j) {
    for (int i = j; i < np; ++i) {
      const double input = static_cast<double>(cov[i + j * np]);
      const double sample = sum[i + j * np] / ndraw - mean[i] * mean[j];
      const double scale =
          std::sqrt(static_cast<double>(cov[i + i * np]) * static_cast<double>(cov[j + j * np]));
      // Relative to the diagonal scale, so that zero correlations read sanely.
      std::printf("  %d  %d  %13.6e  %13.6e  %+9.5f\n", i + 1, j + 1, input, sample,
                  (sample - input) / scale);
    }
  }

  std::int32_t seed = 0, count = 0, blocks = 0;
  rmarut(seed, count, blocks);
  std::printf("\nposition: seed %d, count %d, blocks %d\n", seed, count, blocks);
  std::printf("next three vectors:\n");
  float first[3][np];
  for (auto& v : first) {
    mvndev(c, v, np);
    print_vector(v);
  }

  std::printf("\nrestoring the position with rmarin:\n");
  rmarin(seed, count, blocks);
  bool same = true;
  for (auto& v : first) {
    mvndev(c, x, np);
    print_vector(x);
    for (int i = 0; i < np; ++i) same = same && x[i] == v[i];
  }
  std::printf("\nrestored vectors %s\n", same ? "identical, bit for bit" : "DIFFER");
  return same ? 0 : 1;
}
