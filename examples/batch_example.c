/* Many points in one call from C: a band scan from a table set and from a
 * grid member, and a point outside the domain refused or answered with NaN.
 *
 *   batch_example_c [DIRECTORY]   (default: the current directory, where
 *                                  the build writes zemo.00.pds and
 *                                  PELK-GRID.NLO) */
#include <math.h>
#include <stdio.h>

#include "pdferr/grids.h"
#include "pdferr/tables.h"

#define NX 40

int main(int argc, char** argv) {
  const char* dir = argc > 1 ? argv[1] : ".";
  pdferr_table* set = NULL;
  pdferr_grid* member = NULL;
  pdferr_error err;
  double x[NX], gluon[NX], dens[6 * NX], out[3];
  const double bad[3] = {0.1, 1.5, 0.2};
  int i;

  if (pdferr_table_open_set(100, dir, &set, &err) != PDFERR_OK ||
      pdferr_grid_open_member(0, dir, &member, &err) != PDFERR_OK) {
    fprintf(stderr, "batch_example_c: %s\n", err.message);
    return 1;
  }
  /* 40 x from 1e-4 to 0.9, equally spaced in ln x. */
  for (i = 0; i < NX; ++i) x[i] = 1e-4 * pow(0.9 / 1e-4, i / (NX - 1.0));

  /* The gluon at Q = 10 and the six grid densities at Q2 = 100, each for
   * every x in one call. */
  if (pdferr_table_value_scan(set, 0, x, 10.0, NX, gluon, PDFERR_OUTSIDE_REFUSE, &err) !=
          PDFERR_OK ||
      pdferr_grid_values_scan(member, x, 100.0, NX, dens, PDFERR_OUTSIDE_REFUSE, &err) !=
          PDFERR_OK) {
    fprintf(stderr, "batch_example_c: %s\n", err.message);
    return 1;
  }
  for (i = 0; i < NX; i += 13) {
    printf("x %.4e: table gluon %.6e, grid densities %.6e .. %.6e\n", x[i], gluon[i], dens[6 * i],
           dens[6 * i + 5]);
  }

  /* A point outside the domain: the call is refused, err.index names the
   * first such point and nothing is written; or NaN there on request. */
  if (pdferr_table_value_scan(set, 0, bad, 10.0, 3, out, PDFERR_OUTSIDE_REFUSE, &err) ==
      PDFERR_DOMAIN_ERROR) {
    printf("refused at point %lld: %s\n", (long long)err.index, err.message);
  }
  pdferr_table_value_scan(set, 0, bad, 10.0, 3, out, PDFERR_OUTSIDE_NAN, NULL);
  printf("with NaN: %.6e %g %.6e\n", out[0], out[1], out[2]);

  pdferr_grid_close(member, NULL);
  pdferr_table_close(set, NULL);
  return 0;
}
