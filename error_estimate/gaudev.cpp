// Normal deviates from the process-wide generator.
//
// This source is also shipped alone as an object module, which a Fortran or
// C program links with a generator of its own: it calls ranmar by its
// gfortran name, ranmar_, which a Fortran SUBROUTINE RANMAR(VEC, NVEC)
// defines (a C program defines ranmar_ with two pointer arguments), and it
// needs nothing else but a 32-bit logarithm by its C name, logf, which the
// C library or the program supplies.  It is compiled without exceptions, so
// it needs no C++ runtime.  The library compiles this source with
// PDFERR_GAUDEV_OWN_LOGF: its gaudev takes the toolkit's own logf, as every
// other deviate of the library does.
#include <math.h>

#include <cstdint>

#include "core/normal.hpp"
#include "error_estimate.h"
#include "fio/export.hpp"

extern "C" void ranmar_(float* vec, const std::int32_t* nvec);

namespace {
#ifdef PDFERR_GAUDEV_OWN_LOGF
constexpr float (*log32)(float) = pdferr::math::logf;
#else
constexpr float (*log32)(float) = ::logf;
#endif
}  // namespace

extern "C" PDFERR_API void gaudev(float* devias, const std::int32_t& ndev) {
  pdferr::sampling::deviates<log32>(devias, ndev, [](float* u) {
    const std::int32_t two = 2;
    ranmar_(u, &two);
  });
}

FIO_FORTRAN_ALIAS(void, gaudev, (float*, const std::int32_t&))
