/* Parton density table sets from C: the C interface of pdferr::TableSet.
 *
 * A pdferr_table is one loaded ".pds" table file; any number may be open at
 * once, and evaluation may run in any number of threads at once.  Every
 * call returns a pdferr_status code and, when err is not NULL, fills it
 * (see pdferr/error.h); nothing here ends the process.
 *
 *   pdferr_table* set = NULL;
 *   pdferr_error err;
 *   if (pdferr_table_open_set(100, "data", &set, &err) != PDFERR_OK) ...
 *   double g;
 *   pdferr_table_value(set, 0, 0.01, 10.0, &g, &err);
 *   pdferr_table_close(set, NULL);
 */
#ifndef PDFERR_TABLES_H
#define PDFERR_TABLES_H

#include <stddef.h>
#include <stdint.h>

#include "pdferr/error.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct pdferr_table pdferr_table;

/* What a table file states, and the ranges of its nodes. */
typedef struct pdferr_table_info {
  int32_t nx;      /* x nodes 0..nx */
  int32_t nt;      /* t nodes 0..nt */
  int32_t MxFlvN0; /* flavours -MxFlvN0..MxFlvN0 */
  int32_t mxval;   /* positive flavour slots 1..mxval */
  double alambda;  /* t = ln(ln(Q / alambda)) */
  double mass[6];
  double qcdr1, qcdr2;
  int32_t qcdi1, qcdi2, qcdi3;
  double qini, qmax, xmin; /* the Q and x range the file states */
  /* The ranges the nodes span, beyond which evaluation extrapolates: x from
   * x node 1 to x node nx, Q from that of t node 0 to that of t node nt. */
  double x_node_min, x_node_max;
  double q_node_min, q_node_max;
  /* x nodes 0..nx and t nodes 0..nt, valid until the table is closed. */
  const double* x_nodes;
  const double* t_nodes;
} pdferr_table_info;

/* Loads the table file at path into *table.  PDFERR_FILE_ERROR names the
 * file, the line and the fault. */
int32_t pdferr_table_open(const char* path, pdferr_table** table, pdferr_error* err);

/* Loads set number `set` ("zemo.00.pds" for 100, ...), found in directory
 * (unless it is NULL or ""), then in the folders of PDFERR_DATA_PATH, then in
 * the working folder.  PDFERR_INVALID_ARGUMENT for a number that names no
 * set. */
int32_t pdferr_table_open_set(int32_t set, const char* directory, pdferr_table** table,
                              pdferr_error* err);

/* Frees the table; NULL is accepted. */
int32_t pdferr_table_close(pdferr_table* table, pdferr_error* err);

/* The density of flavour `flavour` at (x, q) into *value: the bits of
 * zemopdf.  PDFERR_DOMAIN_ERROR for x outside [0, 1], q below 0.3 or not
 * above alambda, q infinite, |flavour| above MxFlvN0, and NaN; *value is
 * then untouched. */
int32_t pdferr_table_value(const pdferr_table* table, int32_t flavour, double x, double q,
                           double* value, pdferr_error* err);

/* Flavours -MxFlvN0..MxFlvN0 at (x, q) into values[0..2 MxFlvN0]; count is
 * the length of values (PDFERR_INVALID_ARGUMENT if it is shorter). */
int32_t pdferr_table_values(const pdferr_table* table, double x, double q, double* values,
                            size_t count, pdferr_error* err);

/* Many points in one call: point i is (x[i], q[i]), or (x[i], q) for the
 * calls ending in _scan, i = 0..n - 1; each result has the bits of
 * pdferr_table_value for its flavour and point.  outside is a
 * pdferr_outside: PDFERR_OUTSIDE_REFUSE reports the first point outside the
 * domain (PDFERR_DOMAIN_ERROR, err->index) and writes nothing,
 * PDFERR_OUTSIDE_NAN gives NaN there.  A flavour beyond MxFlvN0 is
 * PDFERR_DOMAIN_ERROR (err->index -1).  x, q and values may be NULL when n
 * is 0; values must not overlap x or q.
 *
 * One flavour: values[i]. */
int32_t pdferr_table_value_points(const pdferr_table* table, int32_t flavour, const double* x,
                                  const double* q, size_t n, double* values, int32_t outside,
                                  pdferr_error* err);
int32_t pdferr_table_value_scan(const pdferr_table* table, int32_t flavour, const double* x,
                                double q, size_t n, double* values, int32_t outside,
                                pdferr_error* err);

/* Every flavour, point-major: flavour f at point i is values[i (2 MxFlvN0 +
 * 1) + f + MxFlvN0]; count is the length of values (PDFERR_INVALID_ARGUMENT
 * if it is shorter than n (2 MxFlvN0 + 1)). */
int32_t pdferr_table_values_points(const pdferr_table* table, const double* x, const double* q,
                                   size_t n, double* values, size_t count, int32_t outside,
                                   pdferr_error* err);
int32_t pdferr_table_values_scan(const pdferr_table* table, const double* x, double q, size_t n,
                                 double* values, size_t count, int32_t outside, pdferr_error* err);

/* The header values, node counts, nodes and ranges into *info. */
int32_t pdferr_table_get_info(const pdferr_table* table, pdferr_table_info* info,
                              pdferr_error* err);

#ifdef __cplusplus
}
#endif

#endif
