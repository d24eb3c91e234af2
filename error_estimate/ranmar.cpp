// The uniform generator: ranmar, rmarin, rmarut and the blocks raset1, inout.
#include <cstddef>
#include <cstdint>

#include "error_estimate.h"
#include "fio/export.hpp"
#include "fio/record.hpp"
#include "fio/units.hpp"
#include "generator.hpp"

extern "C" {
// Aligned as gfortran aligns common blocks, so that a Fortran declaration of
// the same block links without complaint.
alignas(32) FIO_EXPORT raset1_block raset1;
alignas(32) FIO_EXPORT inout_block inout;
}
FIO_FORTRAN_BLOCK(raset1_block, raset1)
FIO_FORTRAN_BLOCK(inout_block, inout)

static_assert(sizeof(raset1_block) == 400);
static_assert(offsetof(raset1_block, cc) == 388);
static_assert(offsetof(raset1_block, ilag) == 392);
static_assert(offsetof(raset1_block, jlag) == 396);
static_assert(offsetof(inout_block, iout) == 4);
static_assert(sizeof(inout_block) == 4 * INOUT_WORDS);

namespace ranmar_core {

void fill(Lags& g, std::int32_t seed) {
  // Seed decomposition; integer division truncates toward zero and a
  // remainder takes the sign of its dividend, as the seeds have always been
  // taken (no range test).
  std::int32_t ij = seed / 30082;
  std::int32_t kl = seed - 30082 * ij;
  std::int32_t i = (ij / 177) % 177 + 2;
  std::int32_t j = ij % 177 + 2;
  std::int32_t k = (kl / 169) % 178 + 1;
  std::int32_t l = kl % 169;
  // Each entry is a 24-bit fraction built most significant bit first; i, j,
  // k and l run on from one entry to the next.
  for (int n = 0; n < 97; ++n) {
    float acc = 0.0f;
    float bit = 0.5f;
    for (int b = 0; b < 24; ++b) {
      std::int32_t m = ((i * j) % 179) * k % 179;
      i = j;
      j = k;
      k = m;
      l = (53 * l + 1) % 169;
      if ((l * m) % 64 >= 32) acc = acc + bit;
      bit = 0.5f * bit;
    }
    g.uu[n] = acc;
  }
  g.cc = cc_start;
  g.ilag = 97;
  g.jlag = 33;
}

void skip(Lags& g, std::int64_t n) {
  // Below this distance stepping is cheaper than the polynomial products.
  constexpr std::int64_t jump_threshold = 20000;
  if (n >= jump_threshold && lags_consistent(g)) {
    jump(g, static_cast<std::uint64_t>(n));
    return;
  }
  for (std::int64_t s = 0; s < n; ++s) step(g);
}

void draw(Lags& g, float* vec, std::int32_t n) {
  for (std::int32_t p = 0; p < n; ++p) vec[p] = next(g);
}

void advance(Position& p, std::int32_t n) {
  // The sum is formed in 64 bits so that a call of any size leaves a correct
  // position: as many whole blocks are carried as the count holds.
  std::int64_t count = std::int64_t{p.count} + n;
  p.block_count = static_cast<std::int32_t>(p.block_count + count / count_block);
  p.count = static_cast<std::int32_t>(count % count_block);
}

}  // namespace ranmar_core

namespace {

ranmar_core::Position position;

// Builds the table from position.seed and skips to the stored position,
// writing the initialisation and skipping lines to unit iout.
void initialise() {
  using namespace ranmar_core;
  {
    fio::Record line(fio::output_stream(inout.iout));
    line.x(1).a(" RANMAR INITIALIZED: ").i(position.seed, 10).x(2);
    line.i(position.count, 10).i(position.block_count, 10);
  }
  fill(raset1, position.seed);
  // One pass per whole block, then one for the remaining count.
  const std::int64_t passes = std::int64_t{position.block_count} + 1;
  for (std::int64_t pass = 1; pass <= passes; ++pass) {
    const std::int32_t n = pass < passes ? count_block : position.count;
    if (n <= 0) continue;
    {
      fio::Record line(fio::output_stream(inout.iout));
      line.a(" RMARIN SKIPPING OVER ").i(n, 15);
    }
    skip(raset1, n);
  }
}

}  // namespace

extern "C" {

FIO_EXPORT void ranmar(float* vec, const std::int32_t& nvec) {
  const std::int32_t n = nvec;
  if (position.count < 0) {
    position.seed = ranmar_core::default_seed;
    position.count = 0;
    position.block_count = 0;
    initialise();
  }
  // A count of zero or less draws nothing and leaves the position alone.
  if (n <= 0) return;
  ranmar_core::draw(raset1, vec, n);
  ranmar_core::advance(position, n);
}

FIO_EXPORT void rmarin(const std::int32_t& seed, const std::int32_t& count,
                       const std::int32_t& nblocks) {
  position.seed = seed;
  position.count = count > 0 ? count : 0;
  position.block_count = nblocks > 0 ? nblocks : 0;
  initialise();
}

FIO_EXPORT void rmarut(std::int32_t& seed, std::int32_t& count, std::int32_t& nblocks) {
  seed = position.seed;
  count = position.count;
  nblocks = position.block_count;
}

}  // extern "C"

FIO_FORTRAN_ALIAS(void, ranmar, (float*, const std::int32_t&))
FIO_FORTRAN_ALIAS(void, rmarin, (const std::int32_t&, const std::int32_t&, const std::int32_t&))
FIO_FORTRAN_ALIAS(void, rmarut, (std::int32_t&, std::int32_t&, std::int32_t&))
