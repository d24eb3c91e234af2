// One correlated normal vector from a Cholesky factor.
//
// This source is also shipped alone as an object module: it needs nothing
// but gaudev (and the C stream functions for its error line) from the
// program that links it.
#include <cstdint>
#include <cstdio>

#include "core/correlated.hpp"
#include "error_estimate.h"
#include "fio/export.hpp"
#include "fio/record.hpp"

namespace {
constexpr std::int32_t nmax = 100;  // the longest vector one call draws
}

extern "C" FIO_EXPORT void mvndev(const float* c, float* x, const std::int32_t& np) {
  const std::int32_t n = np;
  if (n > nmax) {
    fio::Record line(stdout);
    line.a(" ERROR IN MVNDEV. VECTOR LENGTH NP=").i(n, 5);
    line.a(", BUT MAXIMUM ALLOWED IS").i(nmax, 5);
    return;
  }
  if (n <= 0) return;
  float z[nmax];
  gaudev(z, n);
  pdferr::sampling::correlate(c, z, x, n);
}

FIO_FORTRAN_ALIAS(void, mvndev, (const float*, float*, const std::int32_t&))
