// pdferr::Generator: the core's generator on the object's own state, with
// the seed and position checked.
#include "pdferr/generator.hpp"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "core/uniform.hpp"

namespace pdferr {

namespace {

// Numbers per call of the core's draw, whose count is a 32-bit integer.
constexpr std::size_t draw_chunk = std::size_t{1} << 30;

[[noreturn]] void refuse(const std::string& what) { throw std::invalid_argument(what); }

std::string range_text(std::int64_t low, std::int64_t high) {
  return std::to_string(low) + ".." + std::to_string(high);
}

}  // namespace

// For seeds in 0..max_seed the four values that build the table lie in
// 1..178, so their products modulo the prime 179 never vanish and the table
// is never all zero, as it can be for other seeds.
Generator::Generator(std::int32_t seed, std::int64_t position)
    : table_{}, carry_(0.0f), ilag_(0), jlag_(0), seed_(seed), position_(0) {
  if (seed < 0 || seed > max_seed) {
    refuse("generator seed " + std::to_string(seed) + " is outside " + range_text(0, max_seed));
  }
  if (position < 0 || position > max_position) {
    refuse("generator position " + std::to_string(position) + " is outside " +
           range_text(0, max_position));
  }
  const sampling::Lags lags{table_, carry_, ilag_, jlag_};
  sampling::fill(lags, seed);
  sampling::skip(lags, position);
  position_ = position;
}

void Generator::uniform(float* out, std::size_t n) {
  if (n == 0) return;
  if (n > static_cast<std::uint64_t>(max_position - position_)) {
    refuse("drawing " + std::to_string(n) + " numbers from position " + std::to_string(position_) +
           " passes the largest position " + std::to_string(max_position));
  }
  const sampling::Lags lags{table_, carry_, ilag_, jlag_};
  for (std::size_t done = 0; done < n;) {
    const std::size_t count = n - done < draw_chunk ? n - done : draw_chunk;
    sampling::draw(lags, out + done, static_cast<std::int32_t>(count));
    done += count;
  }
  position_ += static_cast<std::int64_t>(n);
}

std::int32_t Generator::seed() const noexcept { return seed_; }

std::int64_t Generator::position() const noexcept { return position_; }

void Generator::jump(std::int64_t n) {
  if (n < 0 || n > max_position - position_) {
    refuse("a jump of " + std::to_string(n) + " from position " + std::to_string(position_) +
           " leaves " + range_text(0, max_position));
  }
  sampling::skip({table_, carry_, ilag_, jlag_}, n);
  position_ += n;
}

}  // namespace pdferr
