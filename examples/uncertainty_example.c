/* The error-set formulas from C: a Hessian set read from its description,
 * its members opened as grid handles, the errors at three x values at the
 * level the set states and at 90%; and two partial results of moments,
 * one through its saved bytes, merged.
 *
 *   uncertainty_example_c [DIRECTORY]   (default "band")
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "pdferr/grids.h"
#include "pdferr/uncertainty.h"

#define NX 3

static int fail(const char* what, const pdferr_error* err) {
  fprintf(stderr, "%s: %s (%s)\n", what, err->message, pdferr_status_name(err->code));
  return 1;
}

int main(int argc, char** argv) {
  const char* dir = argc > 1 ? argv[1] : "band";
  const double xs[NX] = {1e-3, 0.01, 0.1};
  const pdferr_confidence cl90 = {PDFERR_CENTRAL, 0.9};
  char path[4096];
  pdferr_error err;
  pdferr_member_set* set = NULL;
  pdferr_member_set_info info;
  pdferr_hessian_errors e[NX];
  double* values;
  size_t m;
  int i;

  snprintf(path, sizeof path, "%s/grids.members", dir);
  if (pdferr_member_set_read(path, &set, &err) != PDFERR_OK) return fail("description", &err);
  pdferr_member_set_get_info(set, &info, NULL);
  values = malloc(info.size * NX * sizeof *values);
  for (m = 0; m < info.size; ++m) {
    pdferr_member member;
    pdferr_grid* grid = NULL;
    pdferr_member_set_member(set, m, &member, NULL);
    if ((member.numbered ? pdferr_grid_open_member(member.number, info.directory, &grid, &err)
                         : pdferr_grid_open(member.path, &grid, &err)) != PDFERR_OK) {
      return fail("member", &err);
    }
    for (i = 0; i < NX; ++i) {
      double d[6];
      pdferr_grid_values(grid, xs[i], 100.0, d, NULL);
      values[m * NX + i] = d[2]; /* member-major: member m at x i */
    }
    pdferr_grid_close(grid, NULL);
  }
  if (pdferr_hessian(values, info.pairs, NX, PDFERR_ON_BAD_ERROR, e, &err) != PDFERR_OK) {
    return fail("hessian", &err);
  }
  printf("%zu pairs at %g sigma\n", info.pairs, info.confidence.value);
  for (i = 0; i < NX; ++i) {
    pdferr_hessian_errors at90 = e[i];
    pdferr_hessian_rescale(&at90, info.confidence, cl90, NULL);
    printf("x = %-6g central %.6e  symmetric %.4e  plus %.4e  minus %.4e  90%%: %.4e\n", xs[i],
           values[i], e[i].symmetric, e[i].plus, e[i].minus, at90.symmetric);
  }
  free(values);
  pdferr_member_set_close(set, NULL);

  {
    /* Draws 0..999 of one quantity: blocks 0-1 in one partial result, the
     * rest in another that travels as bytes. */
    pdferr_moments *head = NULL, *tail = NULL, *copy = NULL;
    double draws[1000], mean = 0, sd = 0;
    unsigned char* bytes;
    size_t size = 0;
    for (i = 0; i < 1000; ++i) draws[i] = (double)(i % 7);
    pdferr_moments_open(1, 0, 0, PDFERR_ON_BAD_ERROR, &head, NULL);
    pdferr_moments_open(1, 0, 2 * PDFERR_MOMENTS_BLOCK_SIZE, PDFERR_ON_BAD_ERROR, &tail, NULL);
    pdferr_moments_add(head, draws, 2 * PDFERR_MOMENTS_BLOCK_SIZE, NULL);
    pdferr_moments_add(tail, draws + 2 * PDFERR_MOMENTS_BLOCK_SIZE,
                       1000 - 2 * PDFERR_MOMENTS_BLOCK_SIZE, NULL);
    pdferr_moments_save(tail, NULL, 0, &size, NULL);
    bytes = malloc(size);
    pdferr_moments_save(tail, bytes, size, &size, NULL);
    pdferr_moments_load(bytes, size, PDFERR_ON_BAD_ERROR, &copy, NULL);
    if (pdferr_moments_merge(head, copy, &err) != PDFERR_OK) return fail("merge", &err);
    pdferr_moments_mean(head, 0, &mean, NULL);
    pdferr_moments_standard_deviation(head, 0, &sd, NULL);
    printf("1000 draws (%zu bytes carried): mean %.12f, standard deviation %.12f\n", size, mean,
           sd);
    free(bytes);
    pdferr_moments_close(head, NULL);
    pdferr_moments_close(tail, NULL);
    pdferr_moments_close(copy, NULL);
  }
  return 0;
}
