// The versions of the array forms (crmath.hpp), exposed to the tests: each
// is compiled for processors with AVX2 and FMA and for all others, and the
// tests compare every version this processor runs.  Not installed.
#pragma once

#include <cstddef>

#include "simd/dispatch.hpp"

namespace pdferr::math::detail {

using ArrayVariants = simd::Variants<void(const double*, std::size_t, double*)>;
using FloatArrayVariants = simd::Variants<void(const float*, std::size_t, float*)>;

extern const ArrayVariants log_array;
extern const ArrayVariants exp_array;
extern const FloatArrayVariants logf_array;
extern const ArrayVariants pow03_array;
extern const ArrayVariants sqrt_array;

// The lanes of a vector register the array forms fill at a time.
inline constexpr std::size_t array_lanes = 4;

}  // namespace pdferr::math::detail
