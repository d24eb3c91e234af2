// The uniform generator's routines ranmar, rmarin, rmarut and the blocks
// raset1 and inout: the generator's state in the process-wide block, its
// position in persistent values, and the two message lines.  The arithmetic
// is the core's.
#include <cstddef>
#include <cstdint>

#include "core/uniform.hpp"
#include "error_estimate.h"
#include "fio/export.hpp"
#include "fio/record.hpp"
#include "fio/units.hpp"

FIO_BLOCK(raset1, 400, 16)
FIO_BLOCK(inout, 4096, 16)

static_assert(offsetof(raset1_block, cc) == 388);
static_assert(offsetof(raset1_block, ilag) == 392);
static_assert(offsetof(raset1_block, jlag) == 396);
static_assert(offsetof(inout_block, iout) == 4);
static_assert(4096 == 4 * PDFERR_INOUT_WORDS);

namespace {

namespace sampling = pdferr::sampling;

// Seed, count and whole blocks since the last initialisation; a count of -1
// until the first.
sampling::Position position;

sampling::Lags block_lags() { return {raset1.uu, raset1.cc, raset1.ilag, raset1.jlag}; }

// Builds the table from position.seed and skips to the stored position,
// writing the initialisation and skipping lines to unit iout.
void initialise() {
  {
    char text[64];
    fio::Record line(text, sizeof text);
    line.x(1).a(" RANMAR INITIALIZED: ").i(position.seed, 10).x(2);
    line.i(position.count, 10).i(position.block_count, 10);
    fio::write_line(inout.iout, line.text());
  }
  sampling::fill(block_lags(), position.seed);
  // One line per pass: per whole block, then for the remaining count.  The
  // passes together skip the whole distance, which one jump crosses.
  const std::int64_t passes = std::int64_t{position.block_count} + 1;
  for (std::int64_t pass = 1; pass <= passes; ++pass) {
    const std::int32_t n = pass < passes ? sampling::count_block : position.count;
    if (n <= 0) continue;
    {
      char text[64];
      fio::Record line(text, sizeof text);
      line.a(" RMARIN SKIPPING OVER ").i(n, 15);
      fio::write_line(inout.iout, line.text());
    }
  }
  sampling::skip(block_lags(), sampling::offset(position));
}

}  // namespace

extern "C" {

PDFERR_API void ranmar(float* vec, const std::int32_t& nvec) {
  const std::int32_t n = nvec;
  // A count of zero or less draws nothing: it neither initialises the
  // generator nor moves its position.
  if (n <= 0) return;
  if (position.count < 0) {
    position.seed = sampling::default_seed;
    position.count = 0;
    position.block_count = 0;
    initialise();
  }
  sampling::generate(block_lags(), position, vec, n);
}

PDFERR_API void rmarin(const std::int32_t& seed, const std::int32_t& count,
                       const std::int32_t& nblocks) {
  position.seed = seed;
  position.count = count > 0 ? count : 0;
  position.block_count = nblocks > 0 ? nblocks : 0;
  initialise();
}

PDFERR_API void rmarut(std::int32_t& seed, std::int32_t& count, std::int32_t& nblocks) {
  seed = position.seed;
  count = position.count;
  nblocks = position.block_count;
}

}  // extern "C"

FIO_FORTRAN_ALIAS(void, ranmar, (float*, const std::int32_t&))
FIO_FORTRAN_ALIAS(void, rmarin, (const std::int32_t&, const std::int32_t&, const std::int32_t&))
FIO_FORTRAN_ALIAS(void, rmarut, (std::int32_t&, std::int32_t&, std::int32_t&))
