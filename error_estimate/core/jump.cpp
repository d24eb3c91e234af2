// Jump-ahead of the uniform generator.
//
// The table entries are multiples of 2^-24; as integers k (value k 2^-24)
// the lag sequence is y(n) = y(n - 97) - y(n - 33) mod 2^24, whose
// characteristic polynomial is P(z) = z^97 + z^64 - 1.  If the 97 entries
// the next step sees are y(-96) .. y(0), then y(m) = sum_j c_j y(j - 96),
// where c_j are the coefficients of z^(m + 96) mod P(z) over the integers
// mod 2^24.  z^(m + 96) is formed by squaring and multiplying, so a jump of n
// steps costs about 2 log2(n) products of polynomials of degree 96.
//
// The carry sequence is an arithmetic sequence: as an integer C (value
// C 2^-24) each step takes C to C - 7654321 mod 16777213, so n steps take it
// to C - n 7654321 mod 16777213.
//
// Both are exact: the stepping arithmetic in 32-bit floats is exact on these
// multiples, so the state after a jump equals, bit for bit, the state after
// n single steps.
#include <array>
#include <cstdint>

#include "common/numeric.hpp"
#include "uniform.hpp"

namespace pdferr::sampling {
namespace {

constexpr int lag = 97;
constexpr std::uint32_t mask24 = 0xFFFFFF;

// A polynomial of degree below 97, coefficients mod 2^32 (and so mod 2^24:
// unsigned arithmetic wraps, and 2^24 divides 2^32).
using Poly = std::array<std::uint32_t, lag>;

// a * b mod P(z).
Poly multiply(const Poly& a, const Poly& b) {
  std::array<std::uint32_t, 2 * lag - 1> full{};
  for (int i = 0; i < lag; ++i) {
    const std::uint32_t ai = a[i];
    if (ai == 0) continue;
    for (int j = 0; j < lag; ++j) full[i + j] += ai * b[j];
  }
  // z^d = z^(d - 97) (1 - z^64): from the top down, so that every term
  // moved below 97 is final and every term still above is reduced later.
  for (int d = 2 * lag - 2; d >= lag; --d) {
    const std::uint32_t c = full[d];
    full[d - lag] += c;
    full[d - 33] -= c;
  }
  Poly r;
  for (int i = 0; i < lag; ++i) r[i] = full[i];
  return r;
}

// z a mod P(z).
Poly shift(const Poly& a) {
  Poly r;
  const std::uint32_t top = a[lag - 1];
  for (int i = lag - 1; i > 0; --i) r[i] = a[i - 1];
  r[0] = top;
  r[64] -= top;
  return r;
}

// z^e mod P(z).
Poly power_of_z(std::uint64_t e) {
  Poly r{};
  r[0] = 1;
  for (int bit = 63; bit >= 0; --bit) {
    r = multiply(r, r);
    if ((e >> bit) & 1) r = shift(r);
  }
  return r;
}

using common::floor_mod;

}  // namespace

bool lags_consistent(const Lags& g) {
  // Both indices run down together, jlag 33 places after ilag (mod 97).
  return g.ilag >= 1 && g.ilag <= lag && g.jlag == floor_mod(g.ilag + 32, lag) + 1;
}

void jump(Lags g, std::uint64_t n) {
  // Entry holding y(m), counted from the step about to be made: y(0) is the
  // newest entry, y(-96) the oldest (at ilag), y(1) goes where y(-96) was.
  const std::int64_t ilag = g.ilag;
  auto position = [ilag](std::int64_t m) { return floor_mod(ilag - m, lag); };

  std::array<std::uint32_t, lag> start;  // start[j] = y(j - 96) as an integer
  for (int j = 0; j < lag; ++j) {
    start[j] = static_cast<std::uint32_t>(g.uu[position(j - 96)] * 16777216.0f);
  }

  // The window y(n - 96) .. y(n): z^n, then one shift per later value.
  Poly c = power_of_z(n);
  for (int k = 0; k < lag; ++k) {
    std::uint32_t y = 0;
    for (int j = 0; j < lag; ++j) y += c[j] * start[j];
    const std::int64_t m = static_cast<std::int64_t>(n % lag) - 96 + k;
    g.uu[position(m)] = static_cast<float>(y & mask24) * eps24;
    c = shift(c);
  }
  // Only the residue of n mod 97 matters for the positions above: m is
  // taken mod 97 there, and n - 96 + k is congruent to it.

  const std::int64_t steps_mod = static_cast<std::int64_t>(n % lag);
  g.ilag = static_cast<std::int32_t>(floor_mod(g.ilag - 1 - steps_mod, lag) + 1);
  g.jlag = static_cast<std::int32_t>(floor_mod(g.jlag - 1 - steps_mod, lag) + 1);

  constexpr std::int64_t carry_mod = 16777213;  // cmod as an integer
  constexpr std::int64_t carry_step = 7654321;  // cstep as an integer
  const auto carry = static_cast<std::int64_t>(g.cc * 16777216.0f);
  const std::int64_t back = static_cast<std::int64_t>(n % carry_mod) * carry_step % carry_mod;
  g.cc = static_cast<float>(floor_mod(carry - back, carry_mod)) * eps24;
}

}  // namespace pdferr::sampling
