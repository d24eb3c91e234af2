// Table evaluation on a bracket cache owned by the caller (C++ only).
//
// The process-wide zemopdf and partonx10 keep one cache of brackets and
// coefficients, so they serve one thread at a time.  A zemo::Cache is the
// same cache as a value of the caller's: once a table is loaded, several
// threads may evaluate it at once, each on a cache of its own.  The results
// are those of zemopdf and partonx10 bit for bit, with the same messages
// and fatal paths; the flavour warning is still written once per process.
// A load (setzemo, readpds0) must not overlap any evaluation; a cache notices
// a load that happened since its last use and rebuilds its nodes.
#pragma once

#include <cstdint>

#include "kernel.hpp"

// Part of the installed C++ interface: exported from the shared library too.
#pragma GCC visibility push(default)

namespace zemo {

struct Cache {
  zemo_kernel::KernelState kernel;
  std::uint64_t load = 0;  // the load its nodes were built for; 0: none yet
};

// zemopdf(Iparton, X, Q) on the caller's cache.
double zemopdf(Cache& cache, std::int32_t iparton, double x, double q);

// partonx10(Iparton, X, Q) on the caller's cache: unguarded and unclamped.
double partonx10(Cache& cache, std::int32_t iparton, double x, double q);

}  // namespace zemo

#pragma GCC visibility pop
