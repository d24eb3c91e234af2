// The processor versions of the vector paths, for the tests: which one the
// dispatch must choose in this run, and which ones a test can call here.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "fio/dispatch.hpp"

namespace testsupport {

inline std::string isa_name(fio::Isa isa) { return isa == fio::Isa::avx2 ? "avx2" : "generic"; }

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
inline std::vector<fio::Isa> runnable_isas() {
  std::vector<fio::Isa> isas{fio::Isa::generic};
  if (fio::processor_isa() != fio::Isa::generic) isas.push_back(fio::processor_isa());
  return isas;
}

}  // namespace testsupport
