// The routine corset: the Cholesky factor of a covariance matrix.
#include <cstdint>

#include "core/correlated.hpp"
#include "error_estimate.h"
#include "fio/export.hpp"

extern "C" PDFERR_API void corset(const float* cov, float* c, const std::int32_t& np) {
  pdferr::sampling::factor(cov, c, np);
}

FIO_FORTRAN_ALIAS(void, corset, (const float*, float*, const std::int32_t&))
