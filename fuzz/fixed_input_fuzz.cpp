// Fixed-field input by an E edit descriptor.  The first bytes choose the
// descriptor and the field count; the rest is one record.  Besides staying
// within the record and the value array, every field written in the plain
// form sign, digits, point, digits and an optional exponent E with up to four
// digits must read as the C library rounds that decimal: once, to nearest.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "fio/fixedread.hpp"
#include "fuzz_support.hpp"

namespace {

constexpr std::size_t descriptor_bytes = 4;
constexpr int max_fields = 8;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The C-library text of a plain field (blanks removed), with the scale
// factor applied when it has no exponent; empty when the field is not plain.
std::string plain_decimal(std::string_view field, int scale) {
  std::string s;
  for (char c : field) {
    if (c != ' ') s += c;
  }
  std::size_t p = 0;
  if (p < s.size() && (s[p] == '+' || s[p] == '-')) ++p;
  int digits = 0;
  while (p < s.size() && is_digit(s[p])) ++p, ++digits;
  if (p == s.size() || s[p] != '.') return {};
  ++p;
  while (p < s.size() && is_digit(s[p])) ++p, ++digits;
  if (digits == 0) return {};
  if (p == s.size()) return s + "e" + std::to_string(-scale);
  if (s[p] != 'E') return {};
  ++p;
  if (p < s.size() && (s[p] == '+' || s[p] == '-')) ++p;
  const std::size_t exponent_digits = s.size() - p;
  if (exponent_digits == 0 || exponent_digits > 4) return {};
  for (; p < s.size(); ++p) {
    if (!is_digit(s[p])) return {};
  }
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < descriptor_bytes) return 0;
  const fio::EditE edit{data[0] % 140 + 1, data[1] % 10, static_cast<int>(data[2] % 7) - 3};
  const int count = data[3] % max_fields + 1;
  const std::string_view record(reinterpret_cast<const char*>(data + descriptor_bytes),
                                size - descriptor_bytes);

  double values[max_fields];
  const int bad = fio::read_e_fields(record, edit, values, count);
  fuzz::require(bad >= 0 && bad <= count, "bad field position within the count");

  // The whole record as one field, against the C library.
  double value = -7.0;
  const bool read = fio::read_e_field(record, edit.decimals, edit.scale, value);
  if (record.size() <= fio::max_field_chars) {
    const std::string plain = plain_decimal(record, edit.scale);
    if (!plain.empty()) {
      fuzz::require(read, "a plain field is readable");
      const double expected = std::strtod(plain.c_str(), nullptr);
      fuzz::require(std::memcmp(&value, &expected, sizeof value) == 0,
                    "a plain field reads as the C library rounds it");
    }
  } else {
    fuzz::require(!read, "an overlong field is refused");
  }
  return 0;
}
