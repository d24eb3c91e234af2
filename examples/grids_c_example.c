/* The six densities of a grid member from C, with the failures read from
 * status codes and the error record: a missing member and a point outside
 * the grid.
 *
 *   grids_c_example [DIRECTORY]   (default: the current directory, where
 *                                 the build writes PELK-GRID.NLO) */
#include <stdio.h>

#include "pdferr/grids.h"

int main(int argc, char** argv) {
  const char* dir = argc > 1 ? argv[1] : ".";
  pdferr_error err;
  pdferr_grid* central = NULL;
  if (pdferr_grid_open_member(0, dir, &central, &err) != PDFERR_OK) {
    fprintf(stderr, "cannot load: %s\n", err.message);
    return 1;
  }
  const double points[3][2] = {{1e-4, 10.0}, {0.01, 100.0}, {0.5, 1e4}};
  for (int k = 0; k < 3; ++k) {
    double d[6];
    if (pdferr_grid_values(central, points[k][0], points[k][1], d, &err) != PDFERR_OK) {
      fprintf(stderr, "%s\n", err.message);
      return 1;
    }
    printf("x %.3e q2 %.3e:", points[k][0], points[k][1]);
    for (int c = 0; c < 6; ++c) printf(" %.7e", d[c]);
    printf("\n");
  }

  double d[6];
  if (pdferr_grid_values(central, 0.5, 0.9, d, &err) == PDFERR_DOMAIN_ERROR) {
    printf("refused (%s): %s\n", pdferr_status_name(err.code), err.message);
  }
  pdferr_grid* missing = NULL;
  if (pdferr_grid_open_member(7, dir, &missing, &err) == PDFERR_FILE_ERROR) {
    printf("refused (%s): %s\n", pdferr_status_name(err.code), err.message);
  }
  pdferr_grid_close(central, NULL);
  return 0;
}
