/* The object modules gaudev.o and mvndev.o linked into a C program that
 * supplies the generator, ranmar_ (the gfortran name the modules call), and
 * nothing else: built by cc with libm only, no C++ runtime.  The uniform
 * numbers are (13 k mod 97 + 1) / 128 for k = 1, 2, ..., exact in 32 bits,
 * as generator.f supplies them. */
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "error_estimate.h"

static int32_t k = 0;

void ranmar_(float* vec, const int32_t* nvec) {
  for (int32_t n = 0; n < *nvec; ++n) {
    ++k;
    vec[n] = (float)((13 * k) % 97 + 1) / 128.0f;
  }
}

static void hex(const char* label, const float* v, int n) {
  printf("%s", label);
  for (int i = 0; i < n; ++i) {
    uint32_t b;
    memcpy(&b, &v[i], sizeof b);
    printf(" %08X", (unsigned)b);
  }
  printf("\n");
}

int main(void) {
  const int32_t five = 5, two = 2, many = 101;
  const float c[4] = {2.0f, 1.0f, 0.0f, 2.0f};
  float d[5], x[2];
  gaudev(d, &five);
  hex("gaudev", d, 5);
  mvndev(c, x, &two);
  hex("mvndev", x, 2);
  printf("uniforms %d\n", (int)k);
  mvndev(c, x, &many);
  return 0;
}
