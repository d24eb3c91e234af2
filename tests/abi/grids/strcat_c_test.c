/* A C program that uses the C library's strcat and the grid subsystem's
 * join side by side: both link, and each does its own job. */
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "PELK-2008.h"

int main(void) {
  int failures = 0;
  char c_string[32] = "pelk-";
  strcat(c_string, "plus-");
  if (strcmp(c_string, "pelk-plus-") != 0) {
    printf("libc strcat gave [%s]\n", c_string);
    ++failures;
  }

  char field[20];
  memset(field, 'x', sizeof field);
  pelk_strcat("pelk-plus- ", "07", field, 11, 2, sizeof field);
  if (memcmp(field, "pelk-plus-07        ", 20) != 0) {
    printf("pelk_strcat gave [%.20s]\n", field);
    ++failures;
  }
  if (istrl(field, sizeof field) != 12) {
    printf("istrl gave %d\n", (int)istrl(field, sizeof field));
    ++failures;
  }

  /* The block as C sees it. */
  if (sizeof pelkgrid != 68304 || pelkgrid.nnodes[0] != 0) {
    printf("pelkgrid layout or initial value wrong\n");
    ++failures;
  }
  /* Arguments by address: a one-dimensional interpolation. */
  const int32_t ndim = 1, n = 3;
  const double nodes[3] = {0, 1, 2}, table[3] = {0, 10, 40}, coord = 1.5;
  if (dfint_pelk(&ndim, &coord, &n, nodes, table) != 25.0) {
    printf("dfint_pelk wrong\n");
    ++failures;
  }
  return failures == 0 ? 0 : 1;
}
