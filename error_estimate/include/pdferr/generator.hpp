// A uniform generator as a value: the generator of ranmar with its whole
// state in the object, so that a program may hold any number of them (one
// per thread, per job, per block of a sequence), copy them, and move each to
// any position at once.  It writes no message and never ends the process.
//
// The numbers are those of ranmar, bit for bit: Generator(seed, position)
// continues exactly where ranmar continues after
// rmarin(seed, position mod 10^9, position / 10^9), and ranmar's default
// sequence is Generator().
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "pdferr/errors.hpp"

#if __cplusplus >= 202002L
#include <span>
#endif

namespace pdferr {

class PDFERR_API Generator {
 public:
  static constexpr std::int32_t default_seed = 54217137;
  static constexpr std::int32_t max_seed = 900000000;
  // The largest position: the count a position restored by rmarin can hold,
  // (2^31 - 1) whole blocks of 10^9 and 10^9 - 1 more.
  static constexpr std::int64_t max_position = 2147483647999999999;

  // The generator seeded with seed (0..max_seed) and moved to position
  // (0..max_position) numbers after it, in O(log position).  Anything else
  // throws std::invalid_argument and names the value.
  explicit Generator(std::int32_t seed = default_seed, std::int64_t position = 0);
  // The one check of a seed: std::invalid_argument naming it unless it
  // lies in 0..max_seed (64-bit, so that a caller's wider number is checked
  // before it is narrowed).
  static void check_seed(std::int64_t seed);

  // Writes the next n numbers to out[0..n), as ranmar draws them: multiples
  // of 2^-24 strictly between 0 and 1 (a zero is replaced by a smaller
  // positive number).  n = 0 changes nothing.  A draw that would pass
  // max_position throws std::invalid_argument and draws nothing.
  void uniform(float* out, std::size_t n);
#if __cplusplus >= 202002L
  void uniform(std::span<float> out) { uniform(out.data(), out.size()); }
#endif

  // Writes n standard normal deviates to out[0..n): those gaudev writes from
  // the same position, bit for bit, and the generator ends where gaudev
  // leaves ranmar (two numbers per attempt).  n = 0 changes nothing.  If the
  // deviates would take the generator past max_position it throws
  // std::invalid_argument and stays where it was; out is then unspecified.
  void normal(float* out, std::size_t n);
#if __cplusplus >= 202002L
  void normal(std::span<float> out) { normal(out.data(), out.size()); }
#endif

  // Writes n correlated normal vectors of np elements each, vector k at
  // out[k np .. k np + np): those of n calls of mvndev with the factor, bit
  // for bit, for any np (mvndev stops at 100).  The factor is np x np,
  // column-major, and only its lower triangle with the diagonal is read
  // (see cholesky).  np or n = 0 changes nothing.  A size whose product does
  // not fit, or deviates that would pass max_position, throw
  // std::invalid_argument and leave the generator where it was.
  void correlated(const float* factor, std::size_t np, std::size_t n, float* out);

  // The seed the generator started from.
  std::int32_t seed() const noexcept;
  // The numbers drawn or skipped since the seed.
  std::int64_t position() const noexcept;

  // Skips the next n >= 0 numbers in O(log n).  A negative n, or one that
  // would pass max_position, throws std::invalid_argument and moves nothing.
  void jump(std::int64_t n);

 private:
  // The lagged table, the carry and the two lag indices, as in raset1.
  float table_[97];
  float carry_;
  std::int32_t ilag_;
  std::int32_t jlag_;
  std::int32_t seed_;
  std::int64_t position_;
};

// The Cholesky factor of the covariance cov (np x np, column-major; only
// the lower triangle with the diagonal is read), with the elements above the
// diagonal 0.  Its lower triangle is bit for bit the factor of corset.  A
// matrix whose lower triangle holds a value that is not finite, or that is
// not positive definite (a pivot cov(j, j) - sum_k c(j, k)^2 not above 0, as
// for a singular matrix), throws pdferr::domain_error: its message names the
// element (row and column, from 0) and index() is the element's offset
// i + j np, the diagonal's for a pivot.  An np whose square does not fit
// throws std::invalid_argument.
PDFERR_API std::vector<float> cholesky(const float* cov, std::size_t np);

// The same into the caller's factor: its lower triangle with the diagonal
// is written on success only, the elements above the diagonal never, and
// factor may be cov itself.
PDFERR_API void cholesky(const float* cov, std::size_t np, float* factor);

}  // namespace pdferr
