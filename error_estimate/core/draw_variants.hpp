// The versions of the bulk draw, for the tests.
#pragma once

#include <cstdint>

#include "simd/dispatch.hpp"
#include "uniform.hpp"

namespace pdferr::sampling {

// draw, compiled for processors with AVX2 and for all others; draw calls
// the one this processor runs.
using DrawVariants = simd::Variants<void(Lags, float*, std::int32_t)>;
extern const DrawVariants draw_variants;

}  // namespace pdferr::sampling
