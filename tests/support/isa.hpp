// The processor versions of the vector paths, for the tests: which one the
// dispatch must choose in this run, and which ones a test can call here.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "simd/dispatch.hpp"

namespace testsupport {

inline std::string isa_name(pdferr::simd::Isa isa) {
  return isa == pdferr::simd::Isa::avx2 ? "avx2" : "generic";
}

// The version a call must run: the one PDFERR_EXPECT_ISA names where the run
// sets it (CI does, for each emulated processor), else the widest one that
// the processor reports.
inline std::string expected_isa() {
  if (const char* named = std::getenv("PDFERR_EXPECT_ISA")) return named;
#if defined(__x86_64__)
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") ? "avx2" : "generic";
#else
  return "generic";
#endif
}

// The versions this processor runs: the generic one, and the chosen one if
// it is another.
inline std::vector<pdferr::simd::Isa> runnable_isas() {
  std::vector<pdferr::simd::Isa> isas{pdferr::simd::Isa::generic};
  if (pdferr::simd::processor_isa() != pdferr::simd::Isa::generic)
    isas.push_back(pdferr::simd::processor_isa());
  return isas;
}

}  // namespace testsupport
