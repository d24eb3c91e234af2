// Little-endian 64-bit words: the saved forms of moments, of band parts and
// of the command's run descriptions, the same bytes on every machine.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pdferr::common {

inline void put_word(std::vector<unsigned char>& out, std::uint64_t w) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<unsigned char>(w >> (8 * i)));
}

inline void put_real(std::vector<unsigned char>& out, double v) {
  put_word(out, std::bit_cast<std::uint64_t>(v));
}

// The count n, then bytes[0..n), padded with zeros to a whole word.
inline void put_bytes(std::vector<unsigned char>& out, const void* bytes, std::size_t n) {
  put_word(out, n);
  const auto* b = static_cast<const unsigned char*>(bytes);
  out.insert(out.end(), b, b + n);
  while (out.size() % 8 != 0) out.push_back(0);
}

// The word of the eight bytes at b.
inline std::uint64_t get_word(const unsigned char* b) {
  std::uint64_t w = 0;
  for (int i = 0; i < 8; ++i) w |= std::uint64_t{b[i]} << (8 * i);
  return w;
}

}  // namespace pdferr::common
