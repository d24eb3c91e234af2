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
//   race N                 pelkini(0) and GridMember loads of member 0 in
//                          turn while another thread rewrites it N times
//                          with two members in turn; refusals go on as a
//                          handled stop or exception; then
//                          "loads N mixed M" (M: loads of neither member)
//   strcat S1 S2 LEN       pelk_strcat into a LEN-byte field, then "[field]"
//   dfint NDIM N1 N2 ...   dfint_pelk on a grid with those node counts
// Any scenario may be preceded by "nobody", which drops root privileges so
// that file permissions apply.
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <ctime>
#include <functional>

#include "PELK-2008.h"
#include "fio/stop_handler.hpp"
#include "fio_units.h"
#include "grid_writer.hpp"
#include "pdferr/grid_member.hpp"
#include "process.hpp"

namespace {

// FNV-1a over bytes, going on from h.
std::uint64_t fnv(const void* data, std::size_t size, std::uint64_t h = 1469598103934665603ull) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (std::size_t k = 0; k < size; ++k) h = (h ^ bytes[k]) * 1099511628211ull;
  return h;
}

std::uint64_t digest() { return fnv(&pelkgrid, sizeof pelkgrid); }

// The same for a GridMember: its densities at the nodes, from Q2 = 1 up.
std::uint64_t digest(const pdferr::GridMember& m) {
  std::uint64_t h = fnv(nullptr, 0);
  for (int i = 0; i < PDFERR_PELK_NX - 1; ++i) {
    for (int j = 1; j < PDFERR_PELK_NQ; ++j) {
      const std::array<double, 6> v = m.values(m.x_nodes()[i], m.q2_nodes()[j]);
      h = fnv(v.data(), sizeof v, h);
    }
  }
  return h;
}

void print_digest() { std::printf("digest %016llx\n", static_cast<unsigned long long>(digest())); }

struct Refused {};

// Rewrites PELK-GRID.NLO with the two texts in turn until stop: each time
// truncated, written whole and given a modification time of its own, so
// that a reader that compares size and time before and after reading sees
// every rewrite that happened meanwhile, however coarse the file system's
// clock.
void rewrite(const std::string (&text)[2], std::chrono::microseconds period,
             const std::atomic<bool>& stop) {
  for (int k = 0; !stop; ++k) {
    const std::string& t = text[k % 2];
    const int fd = open("PELK-GRID.NLO", O_WRONLY | O_CLOEXEC);
    if (fd >= 0 && ftruncate(fd, 0) == 0 &&
        pwrite(fd, t.data(), t.size(), 0) == static_cast<ssize_t>(t.size())) {
      const timespec stamp{1000000000 + k, 0};
      const timespec times[2] = {stamp, stamp};
      futimens(fd, times);
    }
    if (fd >= 0) close(fd);
    std::this_thread::sleep_for(period);
  }
}

// Loads member 0 over and over while it is rewritten, by pelkini and as a
// GridMember in turn: every load gives either member, whole, or is refused.
int race(int rewrites) {
  using namespace testsupport;
  // Two members of other values in the same layout: any mix of the two is
  // a valid file.
  const std::string text[2] = {grid_text(GridDecimals(coded_value)),
                               grid_text([](int c, int i, int j) {
                                 return Decimal{coded_value(c, i, j).m + 50000, c};
                               })};
  std::uint64_t whole[2][2];  // [member][pelkini, GridMember]
  // Between two rewrites a few loads, so that most loads meet no rewrite
  // and some meet one, on fast and on instrumented builds alike.
  auto period = std::chrono::microseconds(10000);
  for (int m = 0; m < 2; ++m) {
    write_text("PELK-GRID.NLO", text[m]);
    const auto start = std::chrono::steady_clock::now();
    pelkini(0);
    const auto load = std::chrono::steady_clock::now() - start;
    period = std::max(period, 4 * std::chrono::duration_cast<std::chrono::microseconds>(load));
    whole[m][0] = digest();
    whole[m][1] = digest(pdferr::GridMember("PELK-GRID.NLO"));
  }
  fio::set_stop_handler([] { throw Refused{}; });
  int loads = 0;
  int mixed = 0;
  {
    std::atomic<bool> stop{false};
    std::thread writer(rewrite, std::cref(text), period, std::cref(stop));
    const auto end = std::chrono::steady_clock::now() + rewrites * period;
    for (int k = 0; std::chrono::steady_clock::now() < end; ++k) {
      try {
        std::uint64_t h = 0;
        if (k % 2 == 0) {
          pelkini(0);
          h = digest();
        } else {
          h = digest(pdferr::GridMember("PELK-GRID.NLO"));
        }
        ++loads;
        mixed += h != whole[0][k % 2] && h != whole[1][k % 2] ? 1 : 0;
      } catch (const Refused&) {
      } catch (const pdferr::file_error& e) {
        std::printf("GridMember: %s\n", e.what());
      }
    }
    stop = true;
    writer.join();
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
