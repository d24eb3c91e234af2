// Numbers in messages, in their shortest exact form.
#pragma once

#include <charconv>
#include <string>

namespace pdferr::uncertainty::detail {

inline std::string number_text(double v) {
  char buffer[32];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
  return std::string(buffer, r.ptr);
}

}  // namespace pdferr::uncertainty::detail
