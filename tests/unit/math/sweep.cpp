// crmath_sweep: long checks of the correctly rounded functions against the
// oracle, in shards that can run side by side.
//   crmath_sweep logf SHARD SHARDS   the float bit patterns of shard SHARD
//                                    of SHARDS (all 2^32 over the shards)
//   crmath_sweep FN SEED COUNT       COUNT random inputs of log, exp or
//                                    pow03 drawn from SEED
// Prints the count, the differences and the accurate-path calls (with the
// first inputs that took it); exits 1 on any difference.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "accurate.hpp"
#include "crmath.hpp"
#include "oracle.hpp"

namespace {

namespace m = pdferr::math;

struct Tally {
  std::uint64_t count = 0, differences = 0, accurate = 0;
  std::vector<std::string> notes;
  void note(const char* what, double x, double r) {
    if (notes.size() < 40) {
      char line[128];
      std::snprintf(line, sizeof line, "  %s %a -> %a", what, x, r);
      notes.emplace_back(line);
    }
  }
};

bool logf_right(float x, float r) {
  if (std::isnan(x) || x < 0) return std::isnan(r);
  if (x == 0) return std::isinf(r) && r < 0;
  if (std::isinf(x)) return r == x;
  return oracle::agrees_logf(x, r);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: crmath_sweep logf SHARD SHARDS | log|exp|pow03 SEED COUNT\n");
    return 2;
  }
  const std::string fn = argv[1];
  const std::uint64_t a = std::strtoull(argv[2], nullptr, 10);
  const std::uint64_t b = std::strtoull(argv[3], nullptr, 10);
  Tally t;
  if (fn == "logf") {
    if (b == 0 || a >= b) return 2;
    const std::uint64_t first = (a << 32) / b, last = ((a + 1) << 32) / b;
    for (std::uint64_t i = first; i < last; ++i) {
      const auto bits = static_cast<std::uint32_t>(i);
      float x;
      std::memcpy(&x, &bits, sizeof x);
      const std::uint64_t before = pdferr::math::detail::accurate_calls();
      const float r = m::logf(x);
      if (pdferr::math::detail::accurate_calls() != before) {
        ++t.accurate;
        t.note("accurate", static_cast<double>(x), static_cast<double>(r));
      }
      if (!logf_right(x, r)) {
        ++t.differences;
        t.note("DIFFERS", static_cast<double>(x), static_cast<double>(r));
      }
      ++t.count;
    }
  } else {
    oracle::Fn f;
    if (fn == "log")
      f = oracle::Fn::log;
    else if (fn == "exp")
      f = oracle::Fn::exp;
    else if (fn == "pow03")
      f = oracle::Fn::pow03;
    else
      return 2;
    std::mt19937_64 g(a);
    for (std::uint64_t i = 0; i < b; ++i) {
      const double x = oracle::draw(f, g);
      const std::uint64_t before = pdferr::math::detail::accurate_calls();
      const double r = f == oracle::Fn::log   ? m::log(x)
                       : f == oracle::Fn::exp ? m::exp(x)
                                              : m::pow03(x);
      if (pdferr::math::detail::accurate_calls() != before) {
        ++t.accurate;
        t.note("accurate", x, r);
      }
      if (!oracle::agrees(f, x, r)) {
        ++t.differences;
        t.note("DIFFERS", x, r);
      }
      ++t.count;
    }
  }
  std::printf("%s %s %s: %llu inputs, %llu differences, %llu accurate-path calls\n", argv[1],
              argv[2], argv[3], static_cast<unsigned long long>(t.count),
              static_cast<unsigned long long>(t.differences),
              static_cast<unsigned long long>(t.accurate));
  for (const std::string& n : t.notes) std::printf("%s\n", n.c_str());
  return t.differences == 0 ? 0 : 1;
}
