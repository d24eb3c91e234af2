/* Parton density grids from C: the C interface of pdferr::GridMember.
 *
 * A pdferr_grid is one loaded grid member; any number may be open at once,
 * and evaluation may run in any number of threads at once.  Every call
 * returns a pdferr_status code and, when err is not NULL, fills it (see
 * pdferr/error.h); nothing here ends the process.
 *
 *   pdferr_grid* central = NULL;
 *   pdferr_error err;
 *   if (pdferr_grid_open_member(0, "grids", &central, &err) != PDFERR_OK) ...
 *   double d[6];
 *   pdferr_grid_values(central, 0.01, 100.0, d, &err);
 *   pdferr_grid_close(central, NULL);
 */
#ifndef PDFERR_GRIDS_H
#define PDFERR_GRIDS_H

#include <stddef.h>
#include <stdint.h>

#include "pdferr/error.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct pdferr_grid pdferr_grid;

/* The domain of evaluation and the nodes, the same for every member. */
typedef struct pdferr_grid_info {
  double x_min, x_max;    /* x from 1e-5 to 1 */
  double q2_min, q2_max;  /* q2 from 1 to 1e6 */
  int32_t nx, nq;         /* 47 x nodes, 30 Q2 nodes */
  const double* x_nodes;  /* ascending, 1e-5 to 1 */
  const double* q2_nodes; /* ascending, 0.8 to 1e6 */
} pdferr_grid_info;

/* Loads the grid file at path into *grid (NULL unless it succeeds).
 * PDFERR_FILE_ERROR names the file, the line and the fault. */
int32_t pdferr_grid_open(const char* path, pdferr_grid** grid, pdferr_error* err);

/* Loads member `member` (0: "PELK-GRID.NLO", 1..99: "pelk-plus-NN.grid",
 * -1..-99: "pelk-minus-NN.grid"), found in directory (unless it is NULL or
 * ""), then in the folders of PDFERR_DATA_PATH, then in the working folder.
 * PDFERR_INVALID_ARGUMENT for a number beyond 99. */
int32_t pdferr_grid_open_member(int32_t member, const char* directory, pdferr_grid** grid,
                                pdferr_error* err);

/* Frees the grid; NULL is accepted. */
int32_t pdferr_grid_close(pdferr_grid* grid, pdferr_error* err);

/* The six densities at (x, q2) into values[0..5]: the bits of pelkfit.
 * PDFERR_DOMAIN_ERROR for x outside [1e-5, 1], q2 outside [1, 1e6], and
 * NaN; values is then untouched. */
int32_t pdferr_grid_values(const pdferr_grid* grid, double x, double q2, double values[6],
                           pdferr_error* err);

/* Many points in one call: point i is (x[i], q2[i]), or (x[i], q2) for
 * pdferr_grid_values_scan, i = 0..n - 1; its six densities go to
 * values[6 i .. 6 i + 5] with the bits of pdferr_grid_values.  outside is a
 * pdferr_outside: PDFERR_OUTSIDE_REFUSE reports the first point outside the
 * domain (PDFERR_DOMAIN_ERROR, err->index) and writes nothing,
 * PDFERR_OUTSIDE_NAN gives six NaN there.  x, q2 and values may be NULL
 * when n is 0; values must not overlap x or q2. */
int32_t pdferr_grid_values_points(const pdferr_grid* grid, const double* x, const double* q2,
                                  size_t n, double* values, int32_t outside, pdferr_error* err);
int32_t pdferr_grid_values_scan(const pdferr_grid* grid, const double* x, double q2, size_t n,
                                double* values, int32_t outside, pdferr_error* err);

/* The domain and the nodes into *info. */
int32_t pdferr_grid_get_info(const pdferr_grid* grid, pdferr_grid_info* info, pdferr_error* err);

#ifdef __cplusplus
}
#endif

#endif
