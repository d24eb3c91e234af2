// Formatted output records in the manner of Fortran edit descriptors.
//
// A Record writes one line to a C stream, item by item, and ends it with a
// newline when it goes out of scope.  The stream is locked for the life of
// the record, so that a line is never interleaved with another thread's.
//
// Two families of items:
//   fixed format:  x(n) "nX", a(text) "A", i(value, w) "Iw";
//   free format:   list_text, list_int, the list-directed layout: the line
//                  starts with one blank, texts follow one another directly,
//                  every other pair of items is separated by one blank, and
//                  a 32-bit integer is right-aligned in 11 columns.
//
// Everything here is inline and uses nothing but the C stream functions, so
// that a routine shipped as a stand-alone object can write its message line
// without linking the runtime library.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>

// gfortran's own flush of a unit, present only when the program links the
// Fortran runtime: a Fortran caller's buffered lines on the same standard
// stream then come out before ours, in the order they were written.
extern "C" void _gfortran_flush_i4(int* unit) __attribute__((weak));

namespace fio {

class Record {
 public:
  explicit Record(std::FILE* stream) : stream_(stream) {
    if (_gfortran_flush_i4 != nullptr && (stream_ == stdout || stream_ == stderr)) {
      int unit = stream_ == stdout ? 6 : 0;
      _gfortran_flush_i4(&unit);
    }
    flockfile(stream_);
  }
  ~Record() {
    std::fputc('\n', stream_);
    std::fflush(stream_);
    funlockfile(stream_);
  }
  Record(const Record&) = delete;
  Record& operator=(const Record&) = delete;

  // nX: n blanks.
  Record& x(int n) {
    for (int k = 0; k < n; ++k) std::fputc(' ', stream_);
    return *this;
  }

  // A: the text as it stands.
  Record& a(std::string_view text) {
    if (!text.empty()) std::fwrite(text.data(), 1, text.size(), stream_);
    return *this;
  }

  // Iw: right-aligned in w columns; w asterisks when the digits and the sign
  // do not fit.
  Record& i(std::int32_t value, int w) {
    char digits[16];
    int n = format_int(value, digits);
    if (n > w) {
      for (int k = 0; k < w; ++k) std::fputc('*', stream_);
      return *this;
    }
    x(w - n);
    std::fwrite(digits, 1, static_cast<std::size_t>(n), stream_);
    return *this;
  }

  // Free format: a text item.
  Record& list_text(std::string_view text) {
    list_separator(Item::text);
    return a(text);
  }

  // Free format: a 32-bit integer item.
  Record& list_int(std::int32_t value) {
    list_separator(Item::number);
    return i(value, 11);
  }

 private:
  enum class Item { none, text, number };

  // The separator rule of list-directed output: a blank opens the line, and
  // a blank separates two items unless both are texts.
  void list_separator(Item next) {
    if (last_ == Item::none || !(last_ == Item::text && next == Item::text)) {
      std::fputc(' ', stream_);
    }
    last_ = next;
  }

  // Decimal digits of value with a leading minus where needed; returns the
  // count of characters written to out (at most 11).
  static int format_int(std::int32_t value, char* out) {
    char rev[12];
    int n = 0;
    // Work in the negative range: it holds every 32-bit value.
    std::int32_t v = value < 0 ? value : -value;
    do {
      rev[n++] = static_cast<char>('0' - v % 10);
      v /= 10;
    } while (v != 0);
    int len = 0;
    if (value < 0) out[len++] = '-';
    while (n > 0) out[len++] = rev[--n];
    return len;
  }

  std::FILE* stream_;
  Item last_ = Item::none;
};

}  // namespace fio
