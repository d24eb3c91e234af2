/* A generator through the C interface: open it at a stored position, draw,
 * report the position for the next run, and read a refusal's status. */
#include <stdint.h>
#include <stdio.h>

#include <pdferr/generator.h>

int main(void) {
  pdferr_error err;
  pdferr_generator* g = NULL;
  float u[4];
  int32_t seed = 0;
  int64_t position = 0;
  int k;

  /* Continue the default sequence after 20000 numbers. */
  if (pdferr_generator_open(PDFERR_GENERATOR_DEFAULT_SEED, 20000, &g, &err) != PDFERR_OK) {
    fprintf(stderr, "%s\n", err.message);
    return 1;
  }
  pdferr_generator_uniform(g, u, 4, NULL);
  for (k = 0; k < 4; ++k) printf("u%d = %.9f\n", k + 1, (double)u[k]);
  pdferr_generator_position(g, &seed, &position, NULL);
  printf("resume with seed %d at position %lld\n", (int)seed, (long long)position);
  pdferr_generator_close(g, NULL);

  /* A seed outside 0..900000000: a status and a message, no handle. */
  if (pdferr_generator_open(-1, 0, &g, &err) != PDFERR_OK) {
    printf("status %d (%s): %s\n", (int)err.code, pdferr_status_name(err.code), err.message);
  }
  return g == NULL ? 0 : 1;
}
