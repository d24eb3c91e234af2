/* Every library in one C program, each reached where it computes with the
 * toolkit's elementary functions: linked statically, their copies of the
 * functions give no duplicate definitions; linked shared, none is seen from
 * outside.  The program's own log is the C library's, untouched. */
#include <math.h>
#include <stdint.h>
#include <stdio.h>

#include <pdferr/generator.h>
#include <pdferr/grids.h>
#include <pdferr/tables.h>
#include <pdferr/uncertainty.h>
#include "c_check.h"
#include "fio_units.h"

int main(void) {
  pdferr_error err;
  pdferr_generator* g = NULL;
  pdferr_table* t = NULL;
  pdferr_grid* m = NULL;
  float d[4];
  double z = 0.0;
  check(pdferr_generator_open(1, 0, &g, &err) == PDFERR_OK, "generator opened");
  check(pdferr_generator_normal(g, d, 4, &err) == PDFERR_OK, "normal deviates");
  pdferr_generator_close(g, &err);
  check(pdferr_normal_quantile(0.975, &z, &err) == PDFERR_OK && z > 1.95 && z < 1.96,
        "normal quantile");
  check(pdferr_table_open("/nonexistent/zemo.00.pds", &t, &err) != PDFERR_OK, "no table set");
  check(pdferr_grid_open("/nonexistent/PELK-GRID.NLO", &m, &err) != PDFERR_OK, "no grid");
  check(log(1.0) == 0.0, "the C library's log");
  return failures;
}
