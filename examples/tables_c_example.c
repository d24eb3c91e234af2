/* Table sets from C: pdferr_table.
 *
 *   tables_c_example [DIR]
 *
 * Loads set 100 (zemo.00.pds in DIR, default the current directory), prints
 * its ranges and the gluon at a few points, and shows how a failure is
 * reported: a status code and the caller's error record. */
#include <stdio.h>

#include "pdferr/tables.h"

int main(int argc, char** argv) {
  const char* dir = argc > 1 ? argv[1] : ".";
  pdferr_table* set = NULL;
  pdferr_table_info info;
  pdferr_error err;
  const double xs[3] = {1e-3, 0.1, 0.5};
  double g;
  int k;

  if (pdferr_table_open_set(100, dir, &set, &err) != PDFERR_OK) {
    fprintf(stderr, "tables_c_example: %s\n", err.message);
    return 1;
  }
  pdferr_table_get_info(set, &info, NULL);
  printf("%d x nodes from %g to %g, Q from %g to %g, flavours %d..%d\n", info.nx + 1,
         info.x_node_min, info.x_node_max, info.q_node_min, info.q_node_max, -info.MxFlvN0,
         info.MxFlvN0);
  for (k = 0; k < 3; ++k) {
    if (pdferr_table_value(set, 0, xs[k], 10.0, &g, &err) == PDFERR_OK) {
      printf("gluon at x = %g, Q = 10: %.6e\n", xs[k], g);
    }
  }
  if (pdferr_table_value(set, 0, 1.5, 10.0, &g, &err) != PDFERR_OK) {
    printf("%s: %s\n", pdferr_status_name(err.code), err.message);
  }
  pdferr_table_close(set, NULL);
  return 0;
}
