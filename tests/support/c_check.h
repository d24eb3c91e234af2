/* The C tests' check: a condition that fails is printed and counted, and
 * main returns the count. */
#ifndef PDFERR_TESTS_C_CHECK_H
#define PDFERR_TESTS_C_CHECK_H

#include <stdio.h>

static int failures = 0;

static void check(int ok, const char* what) {
  if (!ok) {
    printf("failed: %s\n", what);
    ++failures;
  }
}

#endif
