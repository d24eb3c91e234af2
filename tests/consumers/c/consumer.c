/* A C analysis program: every argument by address. */
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "PELK-2008.h"
#include "ZEMOPdf.h"
#include "error_estimate.h"
#include "pdferr/uncertainty.h"

static void hex32(const char* label, const float* v, int n) {
  printf("%s", label);
  for (int k = 0; k < n; ++k) {
    uint32_t b;
    memcpy(&b, &v[k], sizeof b);
    printf(" %08X", (unsigned)b);
  }
  printf("\n");
}

static void hex64(const char* label, const double* v, int n) {
  printf("%s", label);
  for (int k = 0; k < n; ++k) {
    uint64_t b;
    memcpy(&b, &v[k], sizeof b);
    printf(" %016llX", (unsigned long long)b);
  }
  printf("\n");
}

int main(void) {
  const int32_t seed = 54217137, zero = 0, five = 5, two = 2;
  inout.iout = 6;
  rmarin(&seed, &zero, &zero);
  printf("raset1 %d %d\n", raset1.ilag, raset1.jlag);
  float u[5];
  ranmar(u, &five);
  printf("ranmar");
  for (int k = 0; k < 5; ++k) printf(" %d", (int)(u[k] * 16777216.0f));
  printf("\n");
  rmarin(&seed, &zero, &zero);
  float d[5];
  gaudev(d, &five);
  hex32("gaudev", d, 5);
  const float cov[4] = {4.0f, 2.0f, 0.0f, 5.0f};
  float c[4] = {0};
  float x[2];
  corset(cov, c, &two);
  mvndev(c, x, &two);
  hex32("mvndev", x, 2);

  const int32_t set = 100;
  setzemo(&set);
  printf("vokpar2 %d %d %d %d\n", vokpar2.nx, vokpar2.nt, vokpar2.MxFlvN0, vokpar2.mxval);
  const double qs[2] = {10.0, 100.0};
  const double xv = 0.01;
  for (int k = 0; k < 2; ++k) {
    double f[11];
    for (int32_t flavour = -5; flavour <= 5; ++flavour)
      f[flavour + 5] = zemopdf(&flavour, &xv, &qs[k]);
    hex64("zemopdf", f, 11);
  }

  pelkini(&zero);
  printf("pelkgrid %d %d\n", pelkgrid.nnodes[0], pelkgrid.nnodes[1]);
  const double q2 = 100.0;
  double r[6];
  pelkfit(&xv, &q2, &r[0], &r[1], &r[2], &r[3], &r[4], &r[5]);
  hex64("pelkfit", r, 6);
  char name[20];
  pelk_strcat("pelk-plus- ", "07", name, 11, 2, sizeof name);
  /* The C library's strcat is untouched. */
  char plain[16] = "ab";
  strcat(plain, "cd");
  printf("strcat %.*s %d\n", istrl(name, sizeof name), name, istrl(name, sizeof name));
  /* The error-set formulas: central 10, pair (13, 9). */
  const double members[] = {10, 13, 9};
  pdferr_hessian_errors e;
  const int32_t status = pdferr_hessian(members, 1, 1, PDFERR_ON_BAD_ERROR, &e, NULL);
  return strcmp(plain, "abcd") != 0 || status != PDFERR_OK || e.plus != 3.0;
}
