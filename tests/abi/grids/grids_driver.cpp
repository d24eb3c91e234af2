// Runs one scenario of the grid subsystem in its own process, so that the
// tests can check the exact output and the exit status of the fatal paths.
//
//   load ISET              pelkini(ISET), then "loaded"
//   fit X Q2               pelkini(0), pelkfit(X, Q2), the six results (%a)
//   fit_unloaded           pelkfit(0.1, 10) with nothing loaded
//   reload GOOD BAD [hold71]
//                          pelkini(GOOD), the block's digest, (unit 71
//                          connected elsewhere,) pelkini(BAD); the digest
//                          is printed again at exit
//   race N                 pelkini(0) over and over while another thread
//                          rewrites PELK-GRID.NLO N times with two members
//                          in turn; refusals go on as a handled stop; then
//                          "loads N mixed M" (M: loads of neither member)
//   strcat S1 S2 LEN       pelk_strcat into a LEN-byte field, then "[field]"
//   dfint NDIM N1 N2 ...   dfint_pelk on a grid with those node counts
// Any scenario may be preceded by "nobody", which drops root privileges so
// that file permissions apply.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "PELK-2008.h"
#include "fio/stop_handler.hpp"
#include "fio_units.h"
#include "grid_writer.hpp"
#include "process.hpp"
#include "rewrite_race.hpp"

namespace {

// FNV-1a over the bytes of the block.
std::uint64_t digest() {
  const auto* bytes = reinterpret_cast<const unsigned char*>(&pelkgrid);
  std::uint64_t h = 1469598103934665603ull;
  for (std::size_t k = 0; k < sizeof pelkgrid; ++k) {
    h = (h ^ bytes[k]) * 1099511628211ull;
  }
  return h;
}

void print_digest() { std::printf("digest %016llx\n", static_cast<unsigned long long>(digest())); }

struct Refused {};

// Loads member 0 over and over while it is rewritten: every load gives
// either member, whole, or is refused.
int race(int rewrites) {
  using namespace testsupport;
  const std::string a = grid_text(GridDecimals(coded_value));
  // Other values in the same layout: any mix of the two is a valid file.
  const std::string b = grid_text([](int c, int i, int j) {
    return Decimal{coded_value(c, i, j).m + 50000, c};
  });
  write_text("PELK-GRID.NLO", a);
  const auto start = std::chrono::steady_clock::now();
  pelkini(0);
  const auto period = gridtest::rewrite_period(std::chrono::steady_clock::now() - start);
  const std::uint64_t digest_a = digest();
  write_text("PELK-GRID.NLO", b);
  pelkini(0);
  const std::uint64_t digest_b = digest();
  fio::set_stop_handler([] { throw Refused{}; });
  int loads = 0;
  int mixed = 0;
  {
    gridtest::Rewriter rewriter("PELK-GRID.NLO", a, b, period);
    const auto end = std::chrono::steady_clock::now() + rewrites * period;
    while (std::chrono::steady_clock::now() < end) {
      try {
        pelkini(0);
        ++loads;
        mixed += digest() != digest_a && digest() != digest_b ? 1 : 0;
      } catch (const Refused&) {
      }
    }
  }
  std::printf("loads %d mixed %d\n", loads, mixed);
  return 0;
}

int usage() {
  std::fprintf(stderr, "grids_driver: unknown scenario\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "nobody") == 0) {
    if (!testsupport::drop_root_privileges()) return 2;
    --argc;
    ++argv;
  }
  if (argc < 2) return usage();
  const std::string scenario = argv[1];
  if (scenario == "load" && argc == 3) {
    pelkini(std::atoi(argv[2]));
    std::printf("loaded\n");
    return 0;
  }
  if (scenario == "fit" && argc == 4) {
    pelkini(0);
    double d[6];
    pelkfit(std::strtod(argv[2], nullptr), std::strtod(argv[3], nullptr), d[0], d[1], d[2], d[3],
            d[4], d[5]);
    for (double v : d) std::printf("%a\n", v);
    return 0;
  }
  if (scenario == "fit_unloaded") {
    double d[6];
    pelkfit(0.1, 10.0, d[0], d[1], d[2], d[3], d[4], d[5]);
    std::printf("returned\n");
    return 0;
  }
  if (scenario == "reload" && (argc == 4 || (argc == 5 && std::strcmp(argv[4], "hold71") == 0))) {
    pelkini(std::atoi(argv[2]));
    print_digest();
    std::fflush(stdout);
    std::atexit(print_digest);
    const std::int32_t unit = 71;
    if (argc == 5 && fio_connect(&unit, "held.txt") != 0) return 2;
    pelkini(std::atoi(argv[3]));
    std::printf("loaded\n");
    return 0;
  }
  if (scenario == "strcat" && argc == 5) {
    std::vector<char> field(static_cast<std::size_t>(std::atoi(argv[4])), 'x');
    pelk_strcat(argv[2], argv[3], field.data(), std::strlen(argv[2]), std::strlen(argv[3]),
                field.size());
    std::printf("[%.*s]\n", static_cast<int>(field.size()), field.data());
    return 0;
  }
  if (scenario == "race" && argc == 3) return race(std::atoi(argv[2]));
  if (scenario == "dfint" && argc >= 3) {
    const std::int32_t ndim = std::atoi(argv[2]);
    std::vector<std::int32_t> nnodes;
    for (int k = 3; k < argc; ++k) nnodes.push_back(std::atoi(argv[k]));
    nnodes.resize(8, 2);
    std::vector<double> nodes(64);
    for (std::size_t k = 0; k < nodes.size(); ++k) nodes[k] = static_cast<double>(k);
    const std::vector<double> table(256, 0.0);
    const double coord[8] = {};
    std::printf("%a\n", dfint_pelk(ndim, coord, nnodes.data(), nodes.data(), table.data()));
    return 0;
  }
  return usage();
}
