// One correlated normal vector from a Cholesky factor.
//
// This source is also shipped alone as an object module: it calls gaudev by
// its gfortran name, gaudev_, which a Fortran SUBROUTINE GAUDEV(DEVIAS,
// NDEV) or the module gaudev.o defines, and needs nothing else but the C
// stream functions for its error line.  It is compiled without exceptions,
// so it needs no C++ runtime.
#include <cstdint>
#include <cstdio>

#include "core/correlated.hpp"
#include "error_estimate.h"
#include "fio/export.hpp"
#include "fio/record.hpp"

extern "C" void gaudev_(float* devias, const std::int32_t* ndev);

namespace {
constexpr std::int32_t nmax = 100;  // the longest vector one call draws
}

extern "C" PDFERR_API void mvndev(const float* c, float* x, const std::int32_t& np) {
  const std::int32_t n = np;
  if (n > nmax) {
    fio::Record line(stdout);
    line.a(" ERROR IN MVNDEV. VECTOR LENGTH NP=").i(n, 5);
    line.a(", BUT MAXIMUM ALLOWED IS").i(nmax, 5);
    return;
  }
  if (n <= 0) return;
  float z[nmax];
  gaudev_(z, &n);
  pdferr::sampling::correlate(c, z, x, n);
}

FIO_FORTRAN_ALIAS(void, mvndev, (const float*, float*, const std::int32_t&))
