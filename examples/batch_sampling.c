/* Batch sampling from C: a checked factor, 1000 correlated vectors and
 * 1000 deviates in one call each, and a singular matrix refused. */
#include <stdint.h>
#include <stdio.h>

#include <pdferr/generator.h>

enum { NP = 2, N = 1000 };

int main(void) {
  const float cov[NP * NP] = {4.0f, 2.0f, 0.0f, 5.0f}; /* column-major, lower triangle read */
  const float singular[NP * NP] = {1.0f, 1.0f, 0.0f, 1.0f};
  float factor[NP * NP] = {0.0f, 0.0f, 0.0f, 0.0f};
  static float x[NP * N], d[N];
  pdferr_error err;
  pdferr_generator* g = NULL;
  int64_t position = 0;

  if (pdferr_cholesky(cov, NP, factor, &err) != PDFERR_OK ||
      pdferr_generator_open(PDFERR_GENERATOR_DEFAULT_SEED, 0, &g, &err) != PDFERR_OK ||
      pdferr_generator_correlated(g, factor, NP, N, x, &err) != PDFERR_OK ||
      pdferr_generator_normal(g, d, N, &err) != PDFERR_OK) {
    fprintf(stderr, "%s\n", err.message);
    return 1;
  }
  pdferr_generator_position(g, NULL, &position, NULL);
  printf("factor %g %g %g; first vector %.7f %.7f; position %lld\n", (double)factor[0],
         (double)factor[1], (double)factor[3], (double)x[0], (double)x[1], (long long)position);

  if (pdferr_cholesky(singular, NP, factor, &err) == PDFERR_DOMAIN_ERROR) {
    printf("status %d, index %lld: %s\n", err.code, (long long)err.index, err.message);
  }
  pdferr_generator_close(g, NULL);
  return 0;
}
