// Loads the central member of a grid set and prints the six parton
// densities at a few points.  The build writes a synthetic member,
// PELK-GRID.NLO, next to this program; run it from that directory.
#include <cstdio>

#include "PELK-2008.h"

int main() {
  pelkini(0);
  const double points[][2] = {{1e-4, 10.0}, {0.01, 100.0}, {0.1, 1000.0}, {0.5, 1e4}};
  std::printf("%10s %10s %14s %14s %14s %14s %14s %14s\n", "x", "q2", "dens1", "dens2", "dens3",
              "dens4", "dens5", "dens6");
  for (const auto& p : points) {
    double d[6];
    pelkfit(p[0], p[1], d[0], d[1], d[2], d[3], d[4], d[5]);
    std::printf("%10.3e %10.3e", p[0], p[1]);
    for (double v : d) std::printf(" %14.7e", v);
    std::printf("\n");
  }
  return 0;
}
