// Normal deviates from the process-wide generator.
//
// This source is also shipped alone as an object module: it needs nothing
// but ranmar and the 32-bit logarithm from the program that links it.
#include <cstdint>

#include "core/normal.hpp"
#include "error_estimate.h"
#include "fio/export.hpp"

extern "C" FIO_EXPORT void gaudev(float* devias, const std::int32_t& ndev) {
  pdferr::sampling::deviates(devias, ndev, [](float* u) {
    const std::int32_t two = 2;
    ranmar(u, two);
  });
}

FIO_FORTRAN_ALIAS(void, gaudev, (float*, const std::int32_t&))
