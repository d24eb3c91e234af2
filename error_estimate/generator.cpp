// pdferr::Generator: the core's generator on the object's own state, with
// the seed and position checked.
#include "pdferr/generator.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/batch.hpp"
#include "core/uniform.hpp"

namespace pdferr {

// ranmar's default seed, once for the core and the value type.
static_assert(Generator::default_seed == sampling::default_seed);

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
void Generator::check_seed(std::int64_t seed) {
  if (seed < 0 || seed > max_seed) {
    refuse("generator seed " + std::to_string(seed) + " is outside " + range_text(0, max_seed));
  }
}

Generator::Generator(std::int32_t seed, std::int64_t position)
    : table_{}, carry_(0.0f), ilag_(0), jlag_(0), seed_(seed), position_(0) {
  check_seed(seed);
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

void Generator::normal(float* out, std::size_t n) {
  if (n == 0) return;
  // Above this many deviates the numbers alone pass max_position.
  if (n > static_cast<std::uint64_t>(max_position / 2)) {
    refuse("drawing " + std::to_string(n) + " deviates passes the largest position " +
           std::to_string(max_position));
  }
  const Generator before = *this;
  const std::int64_t used = sampling::normal_bulk(
      {table_, carry_, ilag_, jlag_}, out, static_cast<std::int64_t>(n), max_position - position_);
  if (used < 0) {
    *this = before;
    refuse("drawing " + std::to_string(n) + " deviates from position " + std::to_string(position_) +
           " passes the largest position " + std::to_string(max_position));
  }
  position_ += used;
}

void Generator::correlated(const float* factor, std::size_t np, std::size_t n, float* out) {
  if (np == 0 || n == 0) return;
  // Sizes whose products do not fit the counts and offsets.
  constexpr auto most = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  if (np > most / np || n > most / 2 / np) {
    refuse("correlated vectors: " + std::to_string(n) + " vectors of " + std::to_string(np) +
           " elements do not fit");
  }
  const Generator before = *this;
  const std::int64_t used = sampling::correlated_bulk(
      {table_, carry_, ilag_, jlag_}, factor, static_cast<std::ptrdiff_t>(np),
      static_cast<std::int64_t>(n), out, max_position - position_);
  if (used < 0) {
    *this = before;
    refuse("drawing " + std::to_string(n) + " vectors of " + std::to_string(np) +
           " elements from position " + std::to_string(position_) +
           " passes the largest position " + std::to_string(max_position));
  }
  position_ += used;
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

namespace {

std::string element_text(std::ptrdiff_t row, std::ptrdiff_t column) {
  return "(" + std::to_string(row) + ", " + std::to_string(column) + ")";
}

std::string value_text(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
  return text;
}

// The factor of cov into c (np x np), or the refusal.
void factor_into(const float* cov, std::size_t np, float* c) {
  const auto n = static_cast<std::ptrdiff_t>(np);
  const sampling::FactorRefusal r = sampling::factor_checked(cov, c, n);
  const std::ptrdiff_t at = r.row + r.column * n;
  switch (r.kind) {
    case sampling::FactorRefusal::none:
      return;
    case sampling::FactorRefusal::not_finite:
      throw domain_error("cholesky: element " + element_text(r.row, r.column) +
                             " of the covariance is " + value_text(r.value),
                         at);
    case sampling::FactorRefusal::pivot:
      throw domain_error(
          "cholesky: the covariance is not positive definite: the pivot of "
          "element " +
              element_text(r.row, r.column) + " is " + value_text(r.value),
          at);
  }
}

}  // namespace

std::vector<float> cholesky(const float* cov, std::size_t np) {
  constexpr auto most = static_cast<std::size_t>(std::numeric_limits<std::ptrdiff_t>::max());
  if (np != 0 && np > most / sizeof(float) / np) {
    refuse("cholesky: a matrix of order " + std::to_string(np) + " does not fit");
  }
  std::vector<float> c(np * np, 0.0f);
  factor_into(cov, np, c.data());
  return c;
}

void cholesky(const float* cov, std::size_t np, float* factor) {
  // Through a factor of its own, so that a refused matrix leaves the
  // caller's as it was, and cov may be the caller's factor.
  const std::vector<float> c = cholesky(cov, np);
  for (std::size_t j = 0; j < np; ++j) {
    for (std::size_t i = j; i < np; ++i) factor[i + j * np] = c[i + j * np];
  }
}

}  // namespace pdferr
