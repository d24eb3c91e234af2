// Normal deviates in bulk and correlated products many vectors at a time,
// each in a generic and an AVX2 version.
#include "batch.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "correlated.hpp"
#include "crmath.hpp"
#include "normal.hpp"
#include "simd/lanes.hpp"
#include "uniform.hpp"

namespace pdferr::sampling {

namespace {

// Attempts screened side by side: their quick tests and ratios do not
// depend on one another.
constexpr int screen_block = 32;

// The quick tests of len attempts.  verdict[k] is 1 for a quick acceptance,
// 0 for a quick rejection and 2 for the band between them, where only the
// exact test decides; ratio[k] is v / u(1).  Every value is formed as in
// attempt(), in the same order.
template <int len>
[[gnu::always_inline]] inline void screen(const float* u, float* ratio, std::int32_t* verdict) {
  using namespace leva;
  for (int k = 0; k < len; ++k) {
    const float u1 = u[2 * k];
    const float u2 = u[2 * k + 1];
    const float v = (u2 - shift) * scale;
    const float x = u1 - s;
    const float y = std::fabs(v) - t;
    const float q = x * x + y * (a * y - b * x);
    ratio[k] = v / u1;
    // q < r1 and q > r2 exclude each other (r1 < r2): 1, 0 or 2.
    const std::int32_t quick = q < r1;
    const std::int32_t outside = q > r2;
    verdict[k] = 2 - quick - 2 * outside;
  }
}

// Stores the accepted ratios of len screened attempts at out[accepted...]:
// each ratio is written at the next free place, and the place moves on only
// if the attempt is accepted (acceptance is random, so a branch on it would
// be mispredicted often).  The band is rare: its exact test is attempt()'s,
// with the logarithms of the block's band attempts formed together by the
// array form of logf (the bits of the scalar one).
[[gnu::always_inline]] inline std::int32_t keep(const float* u, const float* ratio,
                                                const std::int32_t* verdict, std::int32_t len,
                                                float* out, std::int32_t accepted) {
  float band_u[screen_block], band_log[screen_block];
  std::int32_t in_band = 0;
  for (std::int32_t k = 0; k < len; ++k) {
    band_u[in_band] = u[2 * k];
    in_band += verdict[k] == 2 ? 1 : 0;
  }
  if (in_band > 0) math::logf(band_u, static_cast<std::size_t>(in_band), band_log);
  std::int32_t band = 0;
  for (std::int32_t k = 0; k < len; ++k) {
    std::int32_t take = verdict[k];
    if (take == 2) [[unlikely]] {
      take = band_test(u + 2 * k, band_log[band++]) ? 1 : 0;
    }
    out[accepted] = ratio[k];
    accepted += take;
  }
  return accepted;
}

[[gnu::always_inline]] inline std::int32_t attempts_body(const float* u, std::int32_t attempts,
                                                         float* out) {
  float ratio[screen_block];
  std::int32_t verdict[screen_block];
  std::int32_t accepted = 0;
  std::int32_t done = 0;
  for (; done + screen_block <= attempts; done += screen_block) {
    screen<screen_block>(u + 2 * done, ratio, verdict);
    accepted = keep(u + 2 * done, ratio, verdict, screen_block, out, accepted);
  }
  // The last few one at a time, as gaudev makes them.
  for (; done < attempts; ++done) {
    float deviate = 0.0f;
    const bool take = attempt(u + 2 * done, deviate);
    out[accepted] = deviate;
    accepted += take ? 1 : 0;
  }
  return accepted;
}

std::int32_t attempts_generic(const float* u, std::int32_t attempts, float* out) {
  return attempts_body(u, attempts, out);
}

PDFERR_TARGET_AVX2 std::int32_t attempts_avx2(const float* u, std::int32_t attempts, float* out) {
  return attempts_body(u, attempts, out);
}

constexpr int lanes = product_lanes;

// Eight lanes of 32-bit floats: one AVX register, two SSE registers.  Each
// lane's multiplication and addition are those of one float.
using Lanes8 = simd::Vec<float, 8>;
constexpr int rows_of_8 = lanes / 8;

[[gnu::always_inline]] inline void product_body(const float* packed, std::ptrdiff_t n,
                                                const float* zt, float* out, std::int32_t count) {
  for (std::ptrdiff_t i = 0; i < n; ++i) {
    const float* row = packed + i * (i + 1) / 2;
    // The sums of one element of every vector, each running upward in j
    // from 0.0; the vectors are independent, so their sums go side by side.
    Lanes8 acc[rows_of_8];
    for (Lanes8& a : acc) a = Lanes8{};
    for (std::ptrdiff_t j = 0; j <= i; ++j) {
      const float cij = row[j];
      const Lanes8 c = {cij, cij, cij, cij, cij, cij, cij, cij};
      for (int r = 0; r < rows_of_8; ++r) {
        Lanes8 z;
        __builtin_memcpy(&z, zt + j * lanes + 8 * r, sizeof z);
        acc[r] = acc[r] + c * z;
      }
    }
    float sums[lanes];
    __builtin_memcpy(sums, acc, sizeof sums);
    for (std::int32_t k = 0; k < count; ++k) out[k * n + i] = sums[k];
  }
}

void product_generic(const float* packed, std::ptrdiff_t n, const float* zt, float* out,
                     std::int32_t count) {
  product_body(packed, n, zt, out, count);
}

PDFERR_TARGET_AVX2 void product_avx2(const float* packed, std::ptrdiff_t n, const float* zt,
                                     float* out, std::int32_t count) {
  product_body(packed, n, zt, out, count);
}

}  // namespace

constinit const AttemptVariants attempt_variants{attempts_generic, attempts_avx2};
constinit const ProductVariants product_variants{product_generic, product_avx2};

std::int64_t normal_bulk(Lags g, float* out, std::int64_t n, std::int64_t budget) {
  // Every deviate takes at least one attempt, so a chunk of as many
  // attempts as deviates remain is used whole: the numbers are drawn in
  // bulk, and the generator still stops right after the last attempt made.
  constexpr std::int32_t chunk = 2048;
  float u[2 * chunk];
  std::int64_t used = 0;
  std::int64_t done = 0;
  while (done < n) {
    const auto attempts = static_cast<std::int32_t>(std::min<std::int64_t>(chunk, n - done));
    if (2 * std::int64_t{attempts} > budget - used) return -1;
    draw(g, u, 2 * attempts);
    used += 2 * attempts;
    done += attempt_variants(u, attempts, out + done);
  }
  return used;
}

std::int64_t correlated_bulk(Lags g, const float* c, std::ptrdiff_t np, std::int64_t n, float* out,
                             std::int64_t budget) {
  if (np <= 0 || n <= 0) return 0;
  // The deviates of vector k are deviates k np .. (k + 1) np - 1 of one
  // stream, as n calls of mvndev draw them.  Blocks of up to 32 vectors go
  // side by side (a last block of fewer is filled up with zeros); the last
  // few vectors, fewer than would pay for a block, go one at a time.
  constexpr std::int64_t fewest = 8;
  std::int64_t used = 0;
  std::int64_t k = 0;
  if (n >= fewest) {
    std::vector<float> packed(static_cast<std::size_t>(np * (np + 1) / 2));
    for (std::ptrdiff_t i = 0; i < np; ++i) {
      for (std::ptrdiff_t j = 0; j <= i; ++j) packed[i * (i + 1) / 2 + j] = c[i + j * np];
    }
    std::vector<float> z(static_cast<std::size_t>(lanes * np));
    std::vector<float> zt(z.size());
    while (n - k >= fewest) {
      const auto count = static_cast<std::int32_t>(std::min<std::int64_t>(lanes, n - k));
      const std::int64_t step = normal_bulk(g, z.data(), count * np, budget - used);
      if (step < 0) return -1;
      used += step;
      for (int lane = 0; lane < lanes; ++lane) {
        for (std::ptrdiff_t j = 0; j < np; ++j) {
          zt[j * lanes + lane] = lane < count ? z[lane * np + j] : 0.0f;
        }
      }
      product_variants(packed.data(), np, zt.data(), out + k * np, count);
      k += count;
    }
  }
  std::vector<float> z(static_cast<std::size_t>(np));
  for (; k < n; ++k) {
    const std::int64_t step = normal_bulk(g, z.data(), np, budget - used);
    if (step < 0) return -1;
    used += step;
    correlate(c, z.data(), out + k * np, static_cast<std::int32_t>(np));
  }
  return used;
}

}  // namespace pdferr::sampling
