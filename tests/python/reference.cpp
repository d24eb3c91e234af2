// The C++ results the Python tests compare with, bit for bit: raw values
// read from standard input, raw results written to standard output.
//
//   reference uniform|normal SEED POSITION N        -> N float32
//   reference correlated SEED POSITION N NP         NP x NP float32 (column-major) -> N NP float32
//   reference table PATH N                          N int32 flavours, N x, N q -> N float64
//   reference grid PATH N                           N x, N q2 -> 6 N float64
//   reference hessian MEMBERS POINTS                member-major values -> 3 POINTS float64
//
// Tables, grids and Hessian errors are evaluated one point at a time (NaN
// where the point is refused), so that they check the calls on many points.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "pdferr/generator.hpp"
#include "pdferr/grid_member.hpp"
#include "pdferr/table_set.hpp"
#include "pdferr/uncertainty.hpp"

namespace {

template <typename T>
std::vector<T> read(std::size_t n) {
  std::vector<T> v(n);
  if (n != 0 && std::fread(v.data(), sizeof(T), n, stdin) != n) {
    std::fprintf(stderr, "reference: short input\n");
    std::exit(2);
  }
  return v;
}

template <typename T>
void write(const std::vector<T>& v) {
  std::fwrite(v.data(), sizeof(T), v.size(), stdout);
}

std::size_t number(const char* text) { return std::strtoull(text, nullptr, 10); }

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  if ((what == "uniform" || what == "normal" || what == "correlated") && argc >= 5) {
    pdferr::Generator g(std::atoi(argv[2]), std::atoll(argv[3]));
    const std::size_t n = number(argv[4]);
    if (what == "correlated" && argc == 6) {
      const std::size_t np = number(argv[5]);
      const std::vector<float> factor = pdferr::cholesky(read<float>(np * np).data(), np);
      std::vector<float> out(n * np);
      g.correlated(factor.data(), np, n, out.data());
      write(out);
      return 0;
    }
    std::vector<float> out(n);
    if (what == "uniform") g.uniform(out.data(), n);
    if (what == "normal") g.normal(out.data(), n);
    write(out);
    return 0;
  }
  if (what == "table" && argc == 4) {
    const pdferr::TableSet set(argv[2]);
    const std::size_t n = number(argv[3]);
    const std::vector<std::int32_t> f = read<std::int32_t>(n);
    const std::vector<double> x = read<double>(n), q = read<double>(n);
    std::vector<double> out(n, nan);
    for (std::size_t i = 0; i < n; ++i) {
      try {
        out[i] = set.value(f[i], x[i], q[i]);
      } catch (const pdferr::domain_error&) {
      }
    }
    write(out);
    return 0;
  }
  if (what == "grid" && argc == 4) {
    const pdferr::GridMember member(argv[2]);
    const std::size_t n = number(argv[3]);
    const std::vector<double> x = read<double>(n), q2 = read<double>(n);
    std::vector<double> out(6 * n, nan);
    for (std::size_t i = 0; i < n; ++i) {
      try {
        const std::array<double, 6> d = member.values(x[i], q2[i]);
        for (int c = 0; c < 6; ++c) out[6 * i + c] = d[c];
      } catch (const pdferr::domain_error&) {
      }
    }
    write(out);
    return 0;
  }
  if (what == "hessian" && argc == 4) {
    const std::size_t members = number(argv[2]), points = number(argv[3]);
    const std::vector<double> v = read<double>(members * points);
    std::vector<double> out;
    for (std::size_t i = 0; i < points; ++i) {
      std::vector<double> one;
      for (std::size_t m = 0; m < members; ++m) one.push_back(v[m * points + i]);
      const pdferr::uncertainty::HessianErrors e =
          pdferr::uncertainty::hessian(one.data(), members / 2);
      out.insert(out.end(), {e.symmetric, e.plus, e.minus});
    }
    write(out);
    return 0;
  }
  std::fprintf(stderr, "usage: see the top of reference.cpp\n");
  return 2;
}
