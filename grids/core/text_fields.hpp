// Fixed-length text fields as the legacy routines pass them: used lengths
// and joins.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace pdferr::grids {

// Used length: the length without trailing blanks (only 0x20 is a blank).
std::int32_t used_length(std::string_view field);

// Joins the used parts of str1 and str2 into str[0..len), blank padded.
// Returns false, writing nothing, when they do not fit.  str may be the
// storage of str1.
bool join(std::string_view str1, std::string_view str2, char* str, std::size_t len);

}  // namespace pdferr::grids
