// The uniform generator on explicit state: the table fill, skipping, the
// bulk draw in its processor versions, and the count.
#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "common/numeric.hpp"
#include "draw_variants.hpp"
#include "uniform.hpp"

namespace pdferr::sampling {

void fill(Lags g, std::int32_t seed) {
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

void skip(Lags g, std::int64_t n) {
  // Lags that stepping cannot produce (a block rewritten by its caller) are
  // stepped as they are; the jump and the bulk draw assume consistent ones.
  if (!lags_consistent(g)) {
    for (std::int64_t s = 0; s < n; ++s) step(g);
    return;
  }
  // Below this distance drawing in bulk and discarding the numbers (about
  // 0.3 ns a number) is cheaper than the polynomial products (about 30 us).
  constexpr std::int64_t jump_threshold = 65536;
  if (n >= jump_threshold) {
    jump(g, static_cast<std::uint64_t>(n));
    return;
  }
  float discarded[1024];
  for (std::int64_t done = 0; done < n;) {
    const auto count = static_cast<std::int32_t>(std::min<std::int64_t>(1024, n - done));
    draw(g, discarded, count);
    done += count;
  }
}

namespace {

using detail::carry_after;
using detail::carry_back;
using detail::wrap;

// Longest block of steps whose entries do not depend on one another (a step
// reads the entry written 33 steps before it), rounded down to whole vectors.
constexpr int block = 32;
// Numbers drawn per pass over the linear history below.
constexpr int segment = 32 * block;

using common::floor_mod;

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
[[gnu::always_inline]] inline void draw_body(Lags g, float* vec, std::int32_t n) {
  // A few numbers are cheaper one step at a time, without branches.
  if (n <= 4) {
    detail::draw_few(g, vec, n);
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

void draw_generic(Lags g, float* vec, std::int32_t n) { draw_body(g, vec, n); }

PDFERR_TARGET_AVX2 void draw_avx2(Lags g, float* vec, std::int32_t n) { draw_body(g, vec, n); }

}  // namespace

constinit const DrawVariants draw_variants{draw_generic, draw_avx2};

void draw_bulk(Lags g, float* vec, std::int32_t n) { draw_variants(g, vec, n); }

}  // namespace pdferr::sampling
