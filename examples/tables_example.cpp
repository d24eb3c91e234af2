// Parton densities from a numbered table set.
//
//   tables_example [DIR]
//
// Selects set 100 (the table file zemo.00.pds, looked up in the current
// directory, or in DIR when given) and prints the density of every flavour
// at a few momentum fractions x and scales Q.  The build writes a synthetic
// zemo.00.pds next to this program.
#include <unistd.h>

#include <cstdint>
#include <cstdio>

#include "ZEMOPdf.h"

int main(int argc, char** argv) {
  if (argc > 1 && chdir(argv[1]) != 0) {
    std::fprintf(stderr, "tables_example: cannot change to directory %s\n", argv[1]);
    return 1;
  }
  setzemo(100);
  const std::int32_t mx = vokpar2.MxFlvN0;
  std::printf("Set %d: %d x nodes, %d t nodes, flavours %d..%d, Q from %g to %g\n", zemojset.iset,
              vokpar2.nx + 1, vokpar2.nt + 1, -mx, mx, xqrange.qini, xqrange.qmax);
  const double xs[] = {1e-4, 1e-3, 1e-2, 0.1, 0.3, 0.7};
  const double qs[] = {2.0, 10.0, 100.0};
  for (double q : qs) {
    std::printf("\nQ = %g\n%9s", q, "x");
    for (std::int32_t f = -mx; f <= mx; ++f) std::printf("  %10d", f);
    std::printf("\n");
    for (double x : xs) {
      std::printf("%9.1e", x);
      // All flavours at one point: the kernel locates (x, Q) once.
      for (std::int32_t f = -mx; f <= mx; ++f) std::printf("  %10.4e", zemopdf(f, x, q));
      std::printf("\n");
    }
  }
  return 0;
}
