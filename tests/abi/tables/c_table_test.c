/* pdferr_table from plain C: the bits of zemopdf, the header values, and
 * every failure as a status code with its message.  Runs in a directory
 * holding the bundled synthetic set zemo.00.pds (60 x nodes, 16 t nodes,
 * MxFlvN0 = 5, mxval = 2). */
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "ZEMOPdf.h"
#include "pdferr/tables.h"

#include "c_check.h"

/* The call's status, and the record's code and message. */
static void expect_error(int32_t status, const pdferr_error* err, int32_t code, const char* message,
                         const char* what) {
  check(status == code && err->code == code && strcmp(err->message, message) == 0, what);
  if (strcmp(err->message, message) != 0) printf("  message: %s\n", err->message);
}

int main(void) {
  pdferr_table* set = NULL;
  pdferr_error err;
  pdferr_table_info info;
  const int32_t set100 = 100;
  const double x = 0.1, q = 10.0;
  double v = -1.0, all[11];
  int32_t f;
  FILE* bad;

  if (pdferr_table_open_set(100, ".", &set, &err) != PDFERR_OK) {
    printf("failed: open_set: %s\n", err.message);
    return 1;
  }
  check(pdferr_table_get_info(set, &info, &err) == PDFERR_OK, "get_info");
  check(info.nx == 60 && info.nt == 16 && info.MxFlvN0 == 5 && info.mxval == 2, "counts");
  check(info.x_nodes[0] == 0.0 && info.x_nodes[60] == 1.0 && info.x_node_max == 1.0, "x nodes");
  check(info.alambda == 0.2 && info.qcdi2 == 2 && info.qcdi3 == 5, "header values");

  setzemo(&set100);
  check(pdferr_table_values(set, x, q, all, 11, &err) == PDFERR_OK, "values");
  for (f = -5; f <= 5; ++f) {
    const double legacy = zemopdf(&f, &x, &q);
    check(pdferr_table_value(set, f, x, q, &v, &err) == PDFERR_OK, "value");
    check(memcmp(&v, &legacy, sizeof v) == 0 && memcmp(&all[f + 5], &legacy, sizeof v) == 0,
          "the bits of zemopdf");
  }

  {
    /* Many points: the bits of zemopdf, paired and at one Q, one flavour
     * and all; the first point outside the domain refuses the call, or
     * gives NaN on request. */
    const double xs[3] = {0.1, 3e-4, 2.0}, qs[3] = {10.0, 2.5, 10.0};
    double one[3], every[33];
    int k;
    const int32_t gluon = 0;
    check(
        pdferr_table_value_points(set, 0, xs, qs, 2, one, PDFERR_OUTSIDE_REFUSE, &err) == PDFERR_OK,
        "value_points");
    check(pdferr_table_values_scan(set, xs, q, 2, every, 22, PDFERR_OUTSIDE_REFUSE, &err) ==
              PDFERR_OK,
          "values_scan");
    for (k = 0; k < 2; ++k) {
      const double legacy = zemopdf(&gluon, &xs[k], &qs[k]);
      check(memcmp(&one[k], &legacy, sizeof legacy) == 0, "value_points: the bits of zemopdf");
      for (f = -5; f <= 5; ++f) {
        const double at_q = zemopdf(&f, &xs[k], &q);
        check(memcmp(&every[11 * k + f + 5], &at_q, sizeof at_q) == 0,
              "values_scan: the bits of zemopdf");
      }
    }
    check(pdferr_table_value_scan(set, 0, xs, q, 3, one, PDFERR_OUTSIDE_NAN, &err) == PDFERR_OK &&
              one[2] != one[2],
          "value_scan: NaN at point 2");
    expect_error(pdferr_table_values_points(set, xs, qs, 3, every, 33, PDFERR_OUTSIDE_REFUSE, &err),
                 &err, PDFERR_DOMAIN_ERROR, "point 2: x = 2 outside [0, 1]",
                 "values_points: refused");
    check(err.index == 2, "values_points: the first bad point");
    expect_error(pdferr_table_values_scan(set, xs, q, 3, every, 32, PDFERR_OUTSIDE_NAN, &err), &err,
                 PDFERR_INVALID_ARGUMENT, "values holds 32 of the 11 flavours at 3 points",
                 "values_scan: short buffer");
    check(pdferr_table_value_points(set, 0, NULL, NULL, 0, NULL, PDFERR_OUTSIDE_REFUSE, &err) ==
              PDFERR_OK,
          "no points");
  }

  v = -1.0;
  expect_error(pdferr_table_value(set, 6, x, q, &v, &err), &err, PDFERR_DOMAIN_ERROR,
               "flavour 6 beyond MxFlvN0 = 5", "flavour out of range");
  check(v == -1.0, "value untouched");
  check(pdferr_table_value(set, 0, 1.5, q, &v, NULL) == PDFERR_DOMAIN_ERROR, "without a record");
  {
    const double tiny = 1e-200;
    expect_error(pdferr_table_value(set, 0, tiny, q, &v, &err), &err, PDFERR_DOMAIN_ERROR,
                 "x = 1e-200 between 0 and 1e-150, the smallest positive x", "tiny x");
  }
  expect_error(pdferr_table_values(set, x, q, all, 10, &err), &err, PDFERR_INVALID_ARGUMENT,
               "values holds 10 of the 11 flavours", "short buffer");

  pdferr_table* other = set;
  expect_error(pdferr_table_open("no-such.pds", &other, &err), &err, PDFERR_FILE_ERROR,
               "no-such.pds: cannot be opened (No such file or directory)", "missing file");
  check(other == NULL && err.line == 0, "no table, no line");
  bad = fopen("refused.pds", "w");
  fputs("title\ntitle\n 2 5 0 0 0 0 1.3 4.5 174\n", bad);
  fclose(bad);
  expect_error(pdferr_table_open("refused.pds", &other, &err), &err, PDFERR_FILE_ERROR,
               "refused.pds, line 3, record A: alambda = 0 is not above 0", "refused file");
  check(err.line == 3, "line of the fault");
  remove("refused.pds");
  expect_error(pdferr_table_open_set(34, NULL, &other, &err), &err, PDFERR_INVALID_ARGUMENT,
               "no table set numbered 34 (sets are 10..33, 100..152 and 200..252)", "set 34");
  expect_error(pdferr_table_open(NULL, &other, &err), &err, PDFERR_INVALID_ARGUMENT, "path is NULL",
               "NULL path");

  check(pdferr_table_close(set, &err) == PDFERR_OK && pdferr_table_close(NULL, NULL) == PDFERR_OK,
        "close");
  if (failures != 0) return 1;
  printf("c table interface ok\n");
  return 0;
}
