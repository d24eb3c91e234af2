// Runs one scenario of the random sampling toolkit in a fresh process, so
// that the tests see exactly what a program of the user's would print.
// Numbers are printed as integers k with value k * 2^-24 (uniforms) or as
// bit patterns (deviates), so that the transcripts compare exactly.
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "error_estimate.h"

namespace {

void print_uniforms(const float* v, int n) {
  for (int k = 0; k < n; ++k) std::printf("%.0f\n", static_cast<double>(v[k]) * 16777216.0);
}

void print_position() {
  std::int32_t seed = 0, count = 0, blocks = 0;
  rmarut(seed, count, blocks);
  std::printf("position %d %d %d\n", seed, count, blocks);
}

std::int32_t arg(char** argv, int k) { return static_cast<std::int32_t>(std::atol(argv[k])); }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const char* scenario = argv[1];
  float v[16];
  if (std::strcmp(scenario, "fresh") == 0) {
    // Position before any call, then the first draw without rmarin.
    print_position();
    ranmar(v, 5);
    print_uniforms(v, 5);
    print_position();
  } else if (std::strcmp(scenario, "restore") == 0) {
    // rmarin with the three given integers, then draw the given count.
    rmarin(arg(argv, 2), arg(argv, 3), arg(argv, 4));
    const std::int32_t n = arg(argv, 5);
    std::vector<float> w(static_cast<std::size_t>(n > 0 ? n : 1));
    ranmar(w.data(), n);
    print_uniforms(w.data(), n);
    print_position();
  } else if (std::strcmp(scenario, "report") == 0) {
    // Draw a number of values one call at a time, report, draw five more.
    std::vector<float> w(static_cast<std::size_t>(arg(argv, 2)));
    for (float& x : w) ranmar(&x, 1);
    print_position();
    ranmar(v, 5);
    print_uniforms(v, 5);
  } else if (std::strcmp(scenario, "iout") == 0) {
    // Messages follow the unit in the second word of inout when written.
    inout.iout = arg(argv, 2);
    rmarin(54217137, 3, 0);
    inout.iout = 0;
    ranmar(v, 1);
    print_position();
  } else if (std::strcmp(scenario, "ranmar-zero") == 0) {
    // Counts of zero and less on a generator never initialised, then one.
    ranmar(v, 0);
    ranmar(v, -3);
    print_position();
    ranmar(v, 1);
    print_position();
  } else if (std::strcmp(scenario, "gaudev-zero") == 0) {
    gaudev(v, 0);
    print_position();
  } else if (std::strcmp(scenario, "mvndev") == 0) {
    // The factor 2, 1, 2 of the covariance 4; 2, 5 and one draw of order np.
    const std::int32_t np = arg(argv, 2);
    static float c[100 * 100];
    static float x[100];
    for (float& e : x) e = -7.0f;
    for (std::int32_t i = 0; i < np && np <= 100; ++i) c[i + i * np] = 2.0f;
    if (np >= 2) c[1] = 1.0f;
    mvndev(c, x, np);
    std::printf("x1 %08x\n", std::bit_cast<std::uint32_t>(x[0]));
    print_position();
  } else {
    return 2;
  }
  return 0;
}
