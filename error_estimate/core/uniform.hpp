// The arithmetic of the uniform generator, on explicit state.
//
// The state is a lagged table of 97 fractions, a carry and two indices.
// The exported routines keep it in the process-wide block raset1, a
// Generator in its own private members; both reach it through the view
// Lags, so that one set of functions serves both without either knowing
// the other's layout.  Nothing here checks a seed or writes a message.
//
// Every table entry, the carry and every number drawn is a multiple of 2^-24
// in [0, 1), so every addition and subtraction below is exact in 32-bit
// floats and the sequence is the same on every IEEE machine.
#pragma once

#include <array>
#include <bit>
#include <cstdint>

namespace pdferr::sampling {

// The generator's state where its owner keeps it.
struct Lags {
  float* uu;           // the 97 entries; uu[0] is entry 1
  float& cc;           // the carry, in [0, cmod)
  std::int32_t& ilag;  // 1..97: the entry the next step overwrites
  std::int32_t& jlag;  // 1..97: the second entry the next step reads
};

// The state held by value, for scratch work and tests.
struct LagTable {
  float uu[97];
  float cc;
  std::int32_t ilag;
  std::int32_t jlag;

  Lags lags() { return {uu, cc, ilag, jlag}; }
};

// Position of the generator: block_count * count_block + count numbers after
// the initialisation with seed.  count = -1 means never initialised.
struct Position {
  std::int32_t seed = 0;
  std::int32_t count = -1;
  std::int32_t block_count = 0;
};

inline constexpr std::int32_t default_seed = 54217137;
inline constexpr std::int32_t count_block = 1000000000;

inline constexpr float eps24 = 0x1p-24f;           // 5.9604644775390625e-08
inline constexpr float cc_start = 362436 * eps24;  // 0.0216028690338134765625
inline constexpr float cstep = 7654321 * eps24;    // 0.456233084201812744140625
inline constexpr float cmod = 16777213 * eps24;    // (2^24 - 3) * 2^-24

// One step of the lagged-Fibonacci and carry sequences; returns the new
// table entry (before the carry is subtracted).
inline float step(Lags g) {
  float uni = g.uu[g.ilag - 1] - g.uu[g.jlag - 1];
  if (uni < 0.0f) uni = uni + 1.0f;
  g.uu[g.ilag - 1] = uni;
  g.ilag = g.ilag - 1;
  if (g.ilag == 0) g.ilag = 97;
  g.jlag = g.jlag - 1;
  if (g.jlag == 0) g.jlag = 97;
  g.cc = g.cc - cstep;
  if (g.cc < 0.0f) g.cc = g.cc + cmod;
  return uni;
}

// One number drawn: a step, less the carry, never 0.
inline float next(Lags g) {
  float uni = step(g) - g.cc;
  if (uni < 0.0f) uni = uni + 1.0f;
  if (uni == 0.0f) {
    uni = eps24 * g.uu[1];
    if (uni == 0.0f) uni = eps24 * eps24;
  }
  return uni;
}

// Builds the table from the seed and resets carry and lags.  Any seed is
// taken; for seeds outside 0..900000000 the seed's parts can leave the
// table all zero (for example -60164), and the numbers are then biased.
void fill(Lags g, std::int32_t seed);

// Advances the lags and the carry by n >= 0 steps, discarding the numbers:
// by drawing in bulk for short distances, by jump-ahead for long ones.
void skip(Lags g, std::int64_t n);

// Advances the lags and the carry by n steps in O(log n) polynomial
// products; the result equals n single steps bit for bit.  Needs consistent
// lags (see lags_consistent).
void jump(Lags g, std::uint64_t n);

// Whether ilag and jlag are a pair that stepping can produce.
bool lags_consistent(const Lags& g);

// Fills vec[0..n) with the next n numbers (n > 4), as next() one after
// another would, on the processor's widest vector version.
void draw_bulk(Lags g, float* vec, std::int32_t n);

// The short draw, inline so that the calls of a few numbers at a time
// (two per normal deviate) keep the state's addresses in registers.
namespace detail {

// Longest run of steps whose entries do not depend on one another: a step
// reads the entry written 33 steps before it.
inline constexpr int lane_count = 33;

// back[k] = k cstep mod cmod for k = 0..33, as exact multiples of 2^-24: the
// carry k steps on is cc - back[k], plus cmod if that is negative.
inline constexpr std::array<float, lane_count + 1> carry_back = [] {
  std::array<float, lane_count + 1> t{};
  for (int k = 0; k <= lane_count; ++k) {
    t[k] = static_cast<float>(std::int64_t{k} * 7654321 % 16777213) * eps24;
  }
  return t;
}();

// forward[k] = cmod - back[k], exact: the carry k steps on is also
// cc + forward[k] when cc - back[k] is negative, since both sums are exact.
inline constexpr std::array<float, lane_count + 1> carry_forward = [] {
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
inline void draw_few(Lags g, float* vec, std::int32_t n) {
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

}  // namespace detail

// Fills vec[0..n) with the next n numbers (n > 0), as next() one after
// another would.
inline void draw(Lags g, float* vec, std::int32_t n) {
  if (n <= 4) {
    detail::draw_few(g, vec, n);
  } else {
    draw_bulk(g, vec, n);
  }
}

// Advances the count by n >= 0 numbers drawn, carrying whole blocks.
inline void advance(Position& p, std::int32_t n) {
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

// Draws n > 0 numbers into vec[0..n) and advances the count: the work of
// one ranmar call on an initialised generator.
inline void generate(Lags g, Position& p, float* vec, std::int32_t n) {
  draw(g, vec, n);
  advance(p, n);
}

// The numbers drawn or skipped since the seed.
inline std::int64_t offset(const Position& p) {
  return std::int64_t{p.block_count} * count_block + p.count;
}

}  // namespace pdferr::sampling
