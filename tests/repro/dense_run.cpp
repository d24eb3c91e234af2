// A dense evaluation whose bytes must be the same on every processor, from
// every compiler and with every C library: 10^5 random points of a table
// set (three flavours), 10^5 grid points (six columns), 10^6 normal
// deviates and 10^5 normal quantiles, each through the legacy routines and
// through the value types, which must agree bit for bit.
//
//   dense_run            one line per part: its count and an FNV-1a digest
//   dense_run FILE       also the values' bytes, part after part, into FILE
//
// It ends with status 1, naming the first point, where the two faces differ.
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <stdlib.h>
#include <unistd.h>

#include "PELK-2008.h"
#include "ZEMOPdf.h"
#include "error_estimate.h"
#include "fio_units.h"
#include "grid_writer.hpp"
#include "pdferr/generator.hpp"
#include "pdferr/grid_member.hpp"
#include "pdferr/table_set.hpp"
#include "pdferr/uncertainty.h"
#include "pdferr/uncertainty.hpp"
#include "pds_writer.hpp"

namespace {

std::FILE* raw = nullptr;

// xorshift64 to 53-bit doubles in [0, 1): the same points everywhere,
// made without any elementary function.
struct Points {
  std::uint64_t state;
  std::uint64_t next_bits() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  }
  double next() { return static_cast<double>(next_bits() >> 11) * 0x1p-53; }
  // m 2^e with m in [1, 2) and e in [low, high), each uniform: spread over
  // the octaves as a logarithmic scale is.
  double octaves(int low, int high) {
    const int e = low + static_cast<int>(next_bits() % static_cast<std::uint64_t>(high - low));
    return std::ldexp(1.0 + next(), e);
  }
};

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }
std::uint32_t bits(float v) { return std::bit_cast<std::uint32_t>(v); }

// The legacy face's values against the value type's, bit for bit; prints
// the part's count and digest and adds its bytes to the raw file.
template <class T>
void part(const char* name, const std::vector<T>& legacy, const std::vector<T>& value_type) {
  std::uint64_t digest = 14695981039346656037u;
  for (std::size_t i = 0; i < legacy.size(); ++i) {
    if (bits(legacy[i]) != bits(value_type[i])) {
      std::printf("%s: value %zu differs between the legacy routine and the value type\n", name, i);
      std::exit(1);
    }
    const std::uint64_t b = bits(legacy[i]);
    for (std::size_t k = 0; k < sizeof(T); ++k) {
      digest = (digest ^ ((b >> (8 * k)) & 0xFF)) * 1099511628211u;
    }
  }
  if (raw != nullptr &&
      std::fwrite(legacy.data(), sizeof(T), legacy.size(), raw) != legacy.size()) {
    std::perror("dense_run: writing the values");
    std::exit(2);
  }
  std::printf("%s %zu values, digest %016llx\n", name, legacy.size(),
              static_cast<unsigned long long>(digest));
}

// A scratch folder holding one file, removed when done.
struct Scratch {
  char dir[40] = "/tmp/pdferr-dense-run-XXXXXX";
  std::string path;
  Scratch(const char* name, const std::string& text) {
    if (mkdtemp(dir) == nullptr) std::abort();
    path = std::string(dir) + "/" + name;
    testsupport::write_text(path, text);
    if (chdir(dir) != 0) std::abort();
  }
  ~Scratch() {
    std::remove(path.c_str());
    rmdir(dir);
  }
};

void tables() {
  constexpr std::size_t n = 100000;
  const Scratch s("zemo.00.pds", testsupport::pds_text(testsupport::make_table(
                                     60, 16, 5, 2, testsupport::realistic_value)));
  setzemo(100);
  const pdferr::TableSet set(s.path);
  Points p{0x9E3779B97F4A7C15u};
  std::vector<double> x(n), q(n);
  for (std::size_t i = 0; i < n; ++i) {
    x[i] = p.octaves(-20, 0);  // [2^-20, 1)
    q[i] = p.octaves(0, 15);   // [1, 2^15)
  }
  std::vector<double> legacy, value_type;
  for (const std::int32_t flavour : {-2, 0, 2}) {
    std::vector<double> out(n);
    set.value(flavour, x.data(), q.data(), n, out.data());
    value_type.insert(value_type.end(), out.begin(), out.end());
    for (std::size_t i = 0; i < n; ++i) legacy.push_back(zemopdf(flavour, x[i], q[i]));
  }
  part("tables", legacy, value_type);
}

void grids() {
  constexpr std::size_t n = 100000;
  const Scratch s("PELK-GRID.NLO", testsupport::grid_text_fine([](int c, int i, int j) {
                    return testsupport::linear_file_value(c, testsupport::x_node(i),
                                                          testsupport::q2_node(j));
                  }));
  pelkini(0);
  const pdferr::GridMember member(s.path);
  Points p{0xD1B54A32D192ED03u};
  std::vector<double> x(n), q2(n);
  for (std::size_t i = 0; i < n; ++i) {
    x[i] = p.octaves(-16, 0);  // [2^-16, 1)
    do {
      q2[i] = p.octaves(0, 20);  // [1, 1e6] of [1, 2^20)
    } while (q2[i] > 1e6);
  }
  std::vector<double> legacy(6 * n), value_type(6 * n);
  member.values(x.data(), q2.data(), n, value_type.data());
  for (std::size_t i = 0; i < n; ++i) {
    double* d = &legacy[6 * i];
    pelkfit(x[i], q2[i], d[0], d[1], d[2], d[3], d[4], d[5]);
  }
  part("grids", legacy, value_type);
}

void deviates() {
  constexpr std::int32_t n = 1000000;
  const std::int32_t quiet = 99;
  fio_connect(&quiet, "/dev/null");
  inout.iout = quiet;
  rmarin(20, 0, 0);
  std::vector<float> legacy(n), value_type(n);
  gaudev(legacy.data(), n);
  pdferr::Generator g(20, 0);
  g.normal(value_type.data(), n);
  part("deviates", legacy, value_type);
}

// The normal quantile (its tails take the logarithm) and the probability of
// a level in standard deviations (erf), through the C interface and the
// C++ one.
void quantiles() {
  constexpr std::size_t n = 100000;
  Points p{0x2545F4914F6CDD1Du};
  std::vector<double> c(n), cpp(n);
  for (std::size_t i = 0; i < n; ++i) {
    const double u = p.next();
    // Half of the points far in the tails, down to 2^-997.
    const double prob = i % 2 == 0 ? u : p.octaves(-997, -1);
    pdferr_error err;
    if (pdferr_normal_quantile(prob, &c[i], &err) != PDFERR_OK) std::abort();
    cpp[i] = pdferr::uncertainty::normal_quantile(prob);
  }
  part("quantiles", c, cpp);
  std::vector<double> cp(n / 10), cppp(n / 10);
  for (std::size_t i = 0; i < cp.size(); ++i) {
    const pdferr_confidence level{PDFERR_SIGMAS, 8.0 * p.next() + 1e-3};
    pdferr_error err;
    if (pdferr_confidence_probability(level, &cp[i], &err) != PDFERR_OK) std::abort();
    cppp[i] = pdferr::uncertainty::Confidence::sigmas(level.value).probability();
  }
  part("probabilities", cp, cppp);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2) {
    std::fprintf(stderr, "usage: dense_run [FILE]\n");
    return 2;
  }
  if (argc == 2 && (raw = std::fopen(argv[1], "wb")) == nullptr) {
    std::perror(argv[1]);
    return 2;
  }
  tables();
  grids();
  deviates();
  quantiles();
  if (raw != nullptr && std::fclose(raw) != 0) {
    std::perror(argv[1]);
    return 2;
  }
  return 0;
}
