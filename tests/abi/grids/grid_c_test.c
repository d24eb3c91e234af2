/* The C interface of grid members from a plain C program, run where the
 * set-up test wrote the coded member as PELK-GRID.NLO: file errors and
 * domain errors as status codes, and the bits of pelkfit. */
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "PELK-2008.h"
#include "pdferr/grids.h"

#include "c_check.h"

int main(void) {
  pdferr_error err;
  pdferr_grid* grid = NULL;
  /* A missing member: a file error naming the file, and no handle. */
  check(pdferr_grid_open_member(5, ".", &grid, &err) == PDFERR_FILE_ERROR, "missing: status");
  check(grid == NULL && err.code == PDFERR_FILE_ERROR, "missing: handle and record");
  check(strstr(err.message, "pelk-plus-05.grid") != NULL, "missing: message");
  check(pdferr_grid_open_member(100, NULL, &grid, &err) == PDFERR_INVALID_ARGUMENT, "member 100");
  check(pdferr_grid_open("/dev/zero", &grid, &err) == PDFERR_FILE_ERROR && err.line == 0 &&
            strstr(err.message, "not a regular file") != NULL,
        "a device");

  if (pdferr_grid_open_member(0, NULL, &grid, &err) != PDFERR_OK) {
    printf("failed: open: %s\n", err.message);
    return 1;
  }
  {
    const int32_t central = 0;
    const double points[4][2] = {{1e-5, 1.0}, {3.3e-4, 2.2}, {0.1, 1000.0}, {1.0, 1e6}};
    int k;
    pelkini(&central);
    for (k = 0; k < 4; ++k) {
      double v[6], d[6];
      check(pdferr_grid_values(grid, points[k][0], points[k][1], v, &err) == PDFERR_OK, "values");
      pelkfit(&points[k][0], &points[k][1], &d[0], &d[1], &d[2], &d[3], &d[4], &d[5]);
      check(memcmp(v, d, sizeof v) == 0, "the bits of pelkfit");
    }
  }
  {
    /* Many points: the bits of pelkfit, paired and at one Q2; the first
     * point outside the domain refuses the call, or gives NaN on request. */
    const double x[3] = {3.3e-4, 0.1, 2.0}, q2[3] = {2.2, 1000.0, 10.0};
    double v[18], d[6];
    int k;
    check(pdferr_grid_values_points(grid, x, q2, 2, v, PDFERR_OUTSIDE_REFUSE, &err) == PDFERR_OK,
          "points");
    for (k = 0; k < 2; ++k) {
      pelkfit(&x[k], &q2[k], &d[0], &d[1], &d[2], &d[3], &d[4], &d[5]);
      check(memcmp(v + 6 * k, d, sizeof d) == 0, "points: the bits of pelkfit");
    }
    check(pdferr_grid_values_scan(grid, x, q2[1], 2, v, PDFERR_OUTSIDE_REFUSE, &err) == PDFERR_OK,
          "scan");
    pelkfit(&x[0], &q2[1], &d[0], &d[1], &d[2], &d[3], &d[4], &d[5]);
    check(memcmp(v, d, sizeof d) == 0, "scan: the bits of pelkfit");
    v[12] = 7;
    check(pdferr_grid_values_points(grid, x, q2, 3, v, PDFERR_OUTSIDE_REFUSE, &err) ==
                  PDFERR_DOMAIN_ERROR &&
              err.index == 2 && v[12] == 7,
          "points: refused at point 2");
    check(pdferr_grid_values_points(grid, x, q2, 3, v, PDFERR_OUTSIDE_NAN, &err) == PDFERR_OK &&
              v[12] != v[12] && v[17] != v[17],
          "points: NaN at point 2");
    check(
        pdferr_grid_values_scan(grid, NULL, 1.0, 0, NULL, PDFERR_OUTSIDE_REFUSE, &err) == PDFERR_OK,
        "no points");
    check(pdferr_grid_values_scan(grid, x, 1.0, 1, v, 2, &err) == PDFERR_INVALID_ARGUMENT,
          "outside 2");
  }
  {
    /* Out of the domain: a domain error, the values untouched. */
    double v[6] = {7, 7, 7, 7, 7, 7};
    check(pdferr_grid_values(grid, 0.5, 0.9, v, &err) == PDFERR_DOMAIN_ERROR, "q2 0.9");
    check(v[0] == 7 && err.index == -1 && strstr(err.message, "q2") != NULL, "domain record");
    check(pdferr_grid_values(grid, 2.0, 10.0, v, NULL) == PDFERR_DOMAIN_ERROR, "x 2, no record");
  }
  {
    pdferr_grid_info info;
    check(pdferr_grid_get_info(grid, &info, &err) == PDFERR_OK, "info");
    check(info.nx == 47 && info.nq == 30 && info.x_min == 1e-5 && info.x_max == 1.0 &&
              info.q2_min == 1.0 && info.q2_max == 1e6 && info.x_nodes[46] == 1.0 &&
              info.q2_nodes[0] == 0.8,
          "info values");
  }
  check(pdferr_grid_close(grid, &err) == PDFERR_OK, "close");
  check(pdferr_grid_close(NULL, NULL) == PDFERR_OK, "close NULL");
  check(pdferr_grid_values(NULL, 0.5, 10.0, NULL, &err) == PDFERR_INVALID_ARGUMENT, "NULL grid");
  if (failures != 0) return 1;
  printf("grids C interface test passed\n");
  return 0;
}
