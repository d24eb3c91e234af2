// Free-form record input.  The first bytes choose a record shape (how many
// items, which of them integers, lines skipped between records); the rest is
// the text.  Records are read until the text runs out; every outcome must be
// consistent with the record asked for.
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "fio/listread.hpp"
#include "fuzz_support.hpp"

namespace {

constexpr std::size_t shape_bytes = 6;
constexpr int max_records = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < shape_bytes) return 0;
  // Byte 0: item count (0 to 40) and whether only reals are read; bytes 1 to
  // 4: integer items by bit; byte 5: lines skipped before each record by bit.
  const std::size_t count = data[0] % 41;
  const bool reals_only = (data[0] & 0x80) != 0;
  std::uint32_t integer_bits = 0;
  std::memcpy(&integer_bits, data + 1, 4);
  const std::uint8_t skip_bits = data[5];
  const std::string_view text(reinterpret_cast<const char*>(data + shape_bytes),
                              size - shape_bytes);

  std::vector<std::int32_t> integers(count, -7);
  std::vector<double> reals(count, -7.0);
  std::vector<fio::ListItem> items;
  for (std::size_t k = 0; k < count; ++k) {
    const bool integer = !reals_only && ((integer_bits >> (k % 32)) & 1u) != 0;
    items.push_back(integer ? fio::list_item(integers[k]) : fio::list_item(reals[k]));
  }

  fio::ListReader reader = fio::ListReader::from_text(text);
  long last_line = 0;
  for (int n = 0; n < max_records; ++n) {
    if (((skip_bits >> (n % 8)) & 1u) != 0 && !reader.skip_line()) break;
    const fio::ListReader::Result r = reals_only ? reader.read_reals(reals) : reader.read(items);
    fuzz::require(r.items <= count, "no more items than asked for");
    fuzz::require(r.nulls <= r.items, "nulls are items");
    if (r.error == fio::ListError::none && !r.slash) {
      fuzz::require(r.items == count, "a complete record has every item");
    }
    fuzz::require(!fio::describe(r.error).empty(), "every error is described");
    fuzz::require(reader.line_number() >= last_line, "lines are taken in order");
    last_line = reader.line_number();
    if (r.error == fio::ListError::end_of_file) break;
  }
  return 0;
}
