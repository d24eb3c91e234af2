// CRC-32C (Castagnoli): the checksum of the parts of a split band run.  It
// catches accidental damage (a disk, a transfer, a cut), not a deliberate
// edit, which merge's consistency checks are for.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pdferr::cli {

// The CRC-32C of bytes[0..n) continuing from crc, the value of the bytes
// before them (0 for none): crc32c(crc32c(0, a), b) is the CRC of a then b.
std::uint32_t crc32c(std::uint32_t crc, const void* bytes, std::size_t n);

}  // namespace pdferr::cli
