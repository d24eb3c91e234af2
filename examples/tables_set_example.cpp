// Table sets as values: pdferr::TableSet.
//
//   tables_set_example [DIR]
//
// Loads set 100 (zemo.00.pds in DIR, default the current directory), tells
// what it holds, prints every flavour at a few points, and shows how a
// refused file and a point outside the domain are reported.  The build
// writes a synthetic zemo.00.pds next to this program.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "pdferr/table_set.hpp"
#include "pdferr/version.h"

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? argv[1] : ".";
  try {
    const pdferr::TableSet set = pdferr::TableSet::from_set(100, dir);
    const std::int32_t mx = set.MxFlvN0();
    std::printf("pdferr %s: %s\n", pdferr::version(), pdferr::TableSet::file_name(100).c_str());
    std::printf("%d x nodes from %g to %g, Q from %g to %g, flavours %d..%d, alambda %g\n",
                set.nx() + 1, set.x_node_min(), set.x_node_max(), set.q_node_min(),
                set.q_node_max(), -mx, mx, set.alambda());

    // Every flavour at one point: the point is located once.
    std::vector<double> f(2 * static_cast<std::size_t>(mx) + 1);
    for (const double q : {2.0, 100.0}) {
      for (const double x : {1e-3, 0.1, 0.5}) {
        set.values(x, q, f.data());
        std::printf("x = %-6g Q = %-4g", x, q);
        for (const double v : f) std::printf(" %10.4e", v);
        std::printf("\n");
      }
    }

    // A scan over Q at one x, on a cache of the caller's (one per thread).
    pdferr::TableSet::Cache cache;
    double sum = 0;
    for (int k = 0; k < 100; ++k) sum += set.value(cache, 0, 0.01, 2.0 + k);
    std::printf("gluon at x = 0.01, Q = 2..101: mean %.6g\n", sum / 100);

    // Failures are exceptions; nothing ends the process.
    try {
      set.value(0, 0.01, 0.1);
    } catch (const pdferr::domain_error& e) {
      std::printf("domain error: %s\n", e.what());
    }
    try {
      pdferr::TableSet::from_set(101, dir);
    } catch (const pdferr::file_error& e) {
      std::printf("file error: line %ld: %s\n", e.line(), e.reason().c_str());
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tables_set_example: %s\n", e.what());
    return 1;
  }
  return 0;
}
