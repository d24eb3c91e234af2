// Blank-padded text fields: used length and join.
#include <cstdint>
#include <cstring>
#include <string_view>

#include "text_fields.hpp"

namespace pdferr::grids {

std::int32_t used_length(std::string_view field) {
  std::size_t k = field.size();
  while (k > 0 && field[k - 1] == ' ') --k;
  return static_cast<std::int32_t>(k);
}

bool join(std::string_view str1, std::string_view str2, char* str, std::size_t len) {
  const std::size_t l1 = static_cast<std::size_t>(used_length(str1));
  const std::size_t l2 = static_cast<std::size_t>(used_length(str2));
  if (l1 + l2 > len) return false;
  // memmove: str may be the same field as str1 (joining onto a name in
  // place), and the copy of str1 then stays where it is.
  if (l1 != 0) std::memmove(str, str1.data(), l1);
  if (l2 != 0) std::memmove(str + l1, str2.data(), l2);
  if (l1 + l2 < len) std::memset(str + l1 + l2, ' ', len - l1 - l2);
  return true;
}

}  // namespace pdferr::grids
