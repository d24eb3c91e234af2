/* The generator's C interface from a C program: the published numbers, the
 * position, a copy, and each refusal with its status and message. */
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "error_estimate.h"
#include "pdferr/generator.h"

#include "c_check.h"

/* A refused call: the status, the same code in the record, and a message
 * that contains the text given. */
static void refused(int32_t status, const pdferr_error* err, const char* text, const char* what) {
  check(status == PDFERR_INVALID_ARGUMENT && err->code == status, what);
  check(strstr(err->message, text) != NULL, err->message);
}

int main(void) {
  pdferr_error err;
  pdferr_generator* g = NULL;
  pdferr_generator* copy = NULL;
  float v[6];
  int32_t seed = 0;
  int64_t position = 0;
  /* The six published numbers after 20000 from the default seed. */
  const int32_t later[6] = {6533892, 14220222, 7275067, 6172232, 8354498, 10633180};
  int k;

  check(pdferr_generator_open(PDFERR_GENERATOR_DEFAULT_SEED, 19990, &g, &err) == PDFERR_OK, "open");
  check(pdferr_generator_jump(g, 10, &err) == PDFERR_OK, "jump");
  check(pdferr_generator_copy(g, &copy, NULL) == PDFERR_OK, "copy");
  check(pdferr_generator_uniform(g, v, 6, &err) == PDFERR_OK, "uniform");
  for (k = 0; k < 6; ++k) check(v[k] == (float)later[k] / 16777216.0f, "published numbers");
  check(pdferr_generator_position(g, &seed, &position, &err) == PDFERR_OK, "position");
  check(seed == 54217137 && position == 20006, "seed and position");
  check(pdferr_generator_uniform(copy, v, 1, &err) == PDFERR_OK, "copy draws");
  check(v[0] == (float)later[0] / 16777216.0f, "copy continues the sequence");
  check(pdferr_generator_close(copy, &err) == PDFERR_OK, "close the copy");
  check(pdferr_generator_uniform(g, NULL, 0, &err) == PDFERR_OK, "empty draw");

  refused(pdferr_generator_open(-60164, 0, &copy, &err), &err, "-60164", "seed");
  check(copy == NULL, "no handle after a refused open");
  refused(pdferr_generator_open(1, PDFERR_GENERATOR_MAX_POSITION + 1, &copy, &err), &err,
          "2147483648000000000", "position");
  refused(pdferr_generator_jump(g, -1, &err), &err, "-1", "negative jump");
  refused(pdferr_generator_uniform(g, NULL, 1, &err), &err, "out is NULL", "NULL buffer");
  refused(pdferr_generator_uniform(NULL, v, 1, &err), &err, "generator is NULL", "NULL handle");
  check(pdferr_generator_position(g, NULL, &position, NULL) == PDFERR_OK && position == 20006,
        "refusals leave the position");

  /* Deviates and vectors as gaudev and mvndev give them from the same
   * position, and the factor as corset gives it. */
  {
    const float cov[4] = {4.0f, 2.0f, 0.0f, 5.0f};
    const float singular[4] = {1.0f, 1.0f, 0.0f, 1.0f};
    float c[4] = {0.0f, 0.0f, 0.0f, 0.0f}, legacy_c[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float d[40], legacy[40];
    int32_t n = 40, np = 2, legacy_seed = 0, legacy_count = 0, legacy_blocks = 0;
    pdferr_generator* h = NULL;
    inout.iout = 6;
    check(pdferr_cholesky(cov, 2, c, &err) == PDFERR_OK, "cholesky");
    corset(cov, legacy_c, &np);
    check(memcmp(c, legacy_c, sizeof c) == 0, "cholesky equals corset");
    check(pdferr_generator_open(7, 3, &h, &err) == PDFERR_OK, "open for deviates");
    check(pdferr_generator_normal(h, d, 40, &err) == PDFERR_OK, "normal");
    rmarin(&(int32_t){7}, &(int32_t){3}, &(int32_t){0});
    gaudev(legacy, &n);
    check(memcmp(d, legacy, sizeof d) == 0, "normal equals gaudev");
    check(pdferr_generator_correlated(h, c, 2, 20, d, &err) == PDFERR_OK, "correlated");
    for (k = 0; k < 20; ++k) mvndev(legacy_c, legacy + 2 * k, &np);
    check(memcmp(d, legacy, sizeof d) == 0, "correlated equals mvndev");
    rmarut(&legacy_seed, &legacy_count, &legacy_blocks);
    check(pdferr_generator_position(h, NULL, &position, &err) == PDFERR_OK &&
              position == legacy_count,
          "the same position afterwards");
    check(pdferr_cholesky(singular, 2, c, &err) == PDFERR_DOMAIN_ERROR && err.index == 3 &&
              strstr(err.message, "not positive definite") != NULL,
          "singular matrix refused");
    check(c[3] == legacy_c[3], "refusal leaves the factor");
    refused(pdferr_generator_normal(h, NULL, 1, &err), &err, "out is NULL", "normal NULL");
    pdferr_generator_close(h, NULL);
  }

  check(pdferr_generator_close(g, &err) == PDFERR_OK, "close");
  check(pdferr_generator_close(NULL, &err) == PDFERR_OK, "close NULL");
  if (failures == 0) printf("generator C interface: all checks passed\n");
  return failures == 0 ? 0 : 1;
}
