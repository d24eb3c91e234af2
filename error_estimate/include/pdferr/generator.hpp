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

  // Writes the next n numbers to out[0..n), as ranmar draws them: multiples
  // of 2^-24 strictly between 0 and 1 (a zero is replaced by a smaller
  // positive number).  n = 0 changes nothing.  A draw that would pass
  // max_position throws std::invalid_argument and draws nothing.
  void uniform(float* out, std::size_t n);
#if __cplusplus >= 202002L
  void uniform(std::span<float> out) { uniform(out.data(), out.size()); }
#endif

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

}  // namespace pdferr
