#include "crc32c.hpp"

#include <array>
#include <cstddef>
#include <cstdint>

namespace pdferr::cli {
namespace {

// The reflected polynomial 0x1EDC6F41, one byte a step: entry b is the
// remainder of b shifted through eight steps of the division.
constexpr std::array<std::uint32_t, 256> table = [] {
  std::array<std::uint32_t, 256> t{};
  for (std::uint32_t b = 0; b < 256; ++b) {
    std::uint32_t r = b;
    for (int i = 0; i < 8; ++i) r = (r >> 1) ^ ((r & 1u) != 0 ? 0x82F63B78u : 0u);
    t[b] = r;
  }
  return t;
}();

}  // namespace

std::uint32_t crc32c(std::uint32_t crc, const void* bytes, std::size_t n) {
  const auto* p = static_cast<const unsigned char*>(bytes);
  // The register starts and ends inverted, so that leading and trailing
  // zero bytes count.
  std::uint32_t r = ~crc;
  for (std::size_t i = 0; i < n; ++i) r = (r >> 8) ^ table[(r ^ p[i]) & 0xFFu];
  return ~r;
}

}  // namespace pdferr::cli
