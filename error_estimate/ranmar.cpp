// The uniform generator: ranmar, rmarin, rmarut and the blocks raset1, inout.
#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "draw_variants.hpp"
#include "error_estimate.h"
#include "fio/export.hpp"
#include "fio/record.hpp"
#include "fio/units.hpp"
#include "generator.hpp"

FIO_BLOCK(32, raset1_block, raset1)
FIO_BLOCK(32, inout_block, inout)

static_assert(sizeof(raset1_block) == 400);
static_assert(offsetof(raset1_block, cc) == 388);
static_assert(offsetof(raset1_block, ilag) == 392);
static_assert(offsetof(raset1_block, jlag) == 396);
static_assert(offsetof(inout_block, iout) == 4);
static_assert(sizeof(inout_block) == 4 * PDFERR_INOUT_WORDS);

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

namespace {

// Longest run of steps whose entries do not depend on one another: a step
// reads the entry written 33 steps before it.
constexpr int lane_count = 33;

// back[k] = k cstep mod cmod for k = 0..33, as exact multiples of 2^-24: the
// carry k steps on is cc - back[k], plus cmod if that is negative.
constexpr std::array<float, lane_count + 1> carry_back = [] {
  std::array<float, lane_count + 1> t{};
  for (int k = 0; k <= lane_count; ++k) {
    t[k] = static_cast<float>(std::int64_t{k} * 7654321 % 16777213) * eps24;
  }
  return t;
}();

// forward[k] = cmod - back[k], exact: the carry k steps on is also
// cc + forward[k] when cc - back[k] is negative, since both sums are exact.
constexpr std::array<float, lane_count + 1> carry_forward = [] {
  std::array<float, lane_count + 1> t{};
  for (int k = 0; k <= lane_count; ++k) t[k] = cmod - carry_back[k];
  return t;
}();

// x, plus 1 if x is negative: the wrap of a difference of two fractions.
inline float wrap(float x, float period) { return x + (x < 0.0f ? period : 0.0f); }

// The carry k steps after cc: both candidates are formed from cc at once
// and one is chosen, so that the next call's carry waits on one subtraction
// rather than on a subtraction, a comparison and an addition in a row.
inline float carry_after(float cc, int k) {
  const float down = cc - carry_back[k];
  const float up = cc + carry_forward[k];
  // A mask rather than a branch: the choice is random from call to call.
  const std::uint32_t keep = cc >= carry_back[k] ? 0xFFFFFFFFu : 0u;
  return std::bit_cast<float>((std::bit_cast<std::uint32_t>(down) & keep) |
                              (std::bit_cast<std::uint32_t>(up) & ~keep));
}

// A few numbers, as next() draws them one after another.  The carry of
// each is formed from the carry at entry (cc - k cstep mod cmod), so that
// one call's work does not wait on a chain of carry steps, and the indices
// and carry live in registers for the call.
inline void draw_few(Lags& g, float* vec, std::int32_t n) {
  std::int32_t ilag = g.ilag;
  std::int32_t jlag = g.jlag;
  const float cc0 = g.cc;
  for (std::int32_t k = 0; k < n; ++k) {
    const float uni = wrap(g.uu[ilag - 1] - g.uu[jlag - 1], 1.0f);
    g.uu[ilag - 1] = uni;
    ilag = ilag == 1 ? 97 : ilag - 1;
    jlag = jlag == 1 ? 97 : jlag - 1;
    const float cc = carry_after(cc0, k + 1);
    float u = wrap(uni - cc, 1.0f);
    if (u == 0.0f) {
      u = eps24 * g.uu[1];
      if (u == 0.0f) u = eps24 * eps24;
    }
    vec[k] = u;
  }
  g.ilag = ilag;
  g.jlag = jlag;
  g.cc = carry_after(cc0, n);
}

// Longest block of steps whose entries do not depend on one another (a step
// reads the entry written 33 steps before it), rounded down to whole vectors.
constexpr int block = 32;
// Numbers drawn per pass over the linear history below.
constexpr int segment = 32 * block;

// A mod m in [0, m).
inline std::int64_t floor_mod(std::int64_t a, std::int64_t m) {
  const std::int64_t r = a % m;
  return r < 0 ? r + m : r;
}

// Steps one block: y[k] = y[k - 97] - y[k - 33] wrapped, the carry k + 1
// steps on subtracted, into out.
template <int len>
inline void step_block(float* y, float cc0, float* out) {
  for (int k = 0; k < len; ++k) y[k] = wrap(y[k - 97] - y[k - 33], 1.0f);
  for (int k = 0; k < len; ++k) {
    const float cc = wrap(cc0 - carry_back[k + 1], cmod);
    out[k] = wrap(y[k] - cc, 1.0f);
  }
}

inline std::int32_t step_block(float* y, std::int32_t len, float cc0, float* out) {
  std::int32_t zeros = 0;
  for (std::int32_t k = 0; k < len; ++k) y[k] = wrap(y[k - 97] - y[k - 33], 1.0f);
  for (std::int32_t k = 0; k < len; ++k) {
    const float cc = wrap(cc0 - carry_back[k + 1], cmod);
    const float u = wrap(y[k] - cc, 1.0f);
    out[k] = u;
    zeros += u == 0.0f;
  }
  return zeros;
}

// The table holds the last 97 entries of the lag sequence y, the oldest at
// ilag.  Counting steps from the start of the call, y(m) for m <= 0 is the
// entry at index (ilag - m) mod 97 (0-based), and step m >= 1 writes y(m)
// there.  The draw copies the table into a linear history in that order,
// runs the recurrence along it a block of 32 steps at a time, and writes
// the last 97 entries back: the same operations on the same values as one
// step after another, so the numbers and the final state are the same bit
// for bit.  Where the processor has them, 8-lane vector instructions run
// the blocks.
[[gnu::always_inline]] inline void draw_body(Lags& g, float* vec, std::int32_t n) {
  // A few numbers are cheaper one step at a time, without branches.
  if (n <= 4) {
    draw_few(g, vec, n);
    return;
  }
  // history[j] = y(j - 96) lies at index ilag - 1 - j, taken mod 97.
  const std::int32_t ilag = g.ilag;
  float history[97 + segment];  // history[j] = y(done - 96 + j)
  for (std::int32_t j = 0; j < ilag; ++j) history[j] = g.uu[ilag - 1 - j];
  for (std::int32_t j = ilag; j < 97; ++j) history[j] = g.uu[ilag - 1 - j + 97];
  float cc = g.cc;
  std::int64_t done = 0;
  while (done < n) {
    const auto count = static_cast<std::int32_t>(std::min<std::int64_t>(segment, n - done));
    float* out = vec + done;
    std::int32_t b = 0;
    for (; b + block <= count; b += block) {
      step_block<block>(history + 97 + b, cc, out + b);
      cc = carry_after(cc, block);
    }
    std::int32_t zeros = 0;
    if (b < count) {
      zeros += step_block(history + 97 + b, count - b, cc, out + b);
      cc = wrap(cc - carry_back[count - b], cmod);
    }
    // Zeros are rare: one count over the whole run.
    for (std::int32_t k = 0; k < b; ++k) zeros += out[k] == 0.0f;
    if (zeros != 0) {
      // A zero from step m is replaced from entry 2 (index 1) as it stands
      // after that step: y(m2) for the latest m2 <= m with index(m2) = 1.
      for (std::int32_t k = 0; k < count; ++k) {
        if (out[k] != 0.0f) continue;
        const std::int64_t m = done + k + 1;
        const std::int64_t m2 = m - floor_mod(m - (ilag - 1), 97);
        const float second = history[m2 - (done - 96)];
        float uni = eps24 * second;
        if (uni == 0.0f) uni = eps24 * eps24;
        out[k] = uni;
      }
    }
    std::memmove(history, history + count, 97 * sizeof(float));
    done += count;
  }
  // y(done - 96 + j) lies at index ilag - 1 - (done + j) mod 97.
  const auto moved = static_cast<std::int32_t>(done % 97);
  const std::int32_t top = static_cast<std::int32_t>(floor_mod(ilag - 1 - moved, 97));
  for (std::int32_t j = 0; j <= top; ++j) g.uu[top - j] = history[j];
  for (std::int32_t j = top + 1; j < 97; ++j) g.uu[top - j + 97] = history[j];
  g.cc = cc;
  g.ilag = static_cast<std::int32_t>(floor_mod(g.ilag - 1 - moved, 97) + 1);
  g.jlag = static_cast<std::int32_t>(floor_mod(g.jlag - 1 - moved, 97) + 1);
}

void draw_generic(Lags& g, float* vec, std::int32_t n) { draw_body(g, vec, n); }

FIO_TARGET_AVX2 void draw_avx2(Lags& g, float* vec, std::int32_t n) { draw_body(g, vec, n); }

}  // namespace

constinit const DrawVariants draw_variants{draw_generic, draw_avx2};

void draw(Lags& g, float* vec, std::int32_t n) { draw_variants(g, vec, n); }

void generate(Lags& g, Position& p, float* vec, std::int32_t n) {
  // A few numbers go straight to the short draw, without the dispatch of
  // the vector versions.
  if (n <= 4) {
    draw_few(g, vec, n);
  } else {
    draw(g, vec, n);
  }
  advance(p, n);
}

void advance(Position& p, std::int32_t n) {
  // The sum is formed in 64 bits so that a call of any size leaves a correct
  // position: as many whole blocks are carried as the count holds.
  const std::int64_t count = std::int64_t{p.count} + n;
  if (count < count_block) {
    p.count = static_cast<std::int32_t>(count);
    return;
  }
  p.block_count = static_cast<std::int32_t>(p.block_count + count / count_block);
  p.count = static_cast<std::int32_t>(count % count_block);
}

void Generator::start(std::int32_t seed, std::int64_t n) {
  const std::int64_t at = n > 0 ? n : 0;
  position.seed = seed;
  position.count = static_cast<std::int32_t>(at % count_block);
  position.block_count = static_cast<std::int32_t>(at / count_block);
  fill(lags, seed);
  skip(lags, at);
}

void Generator::draw(float* vec, std::int32_t n) {
  if (position.count < 0) start(default_seed, 0);
  if (n <= 0) return;
  generate(lags, position, vec, n);
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
  ranmar_core::generate(raset1, position, vec, n);
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
