// Formatted output records in the manner of Fortran edit descriptors.
//
// A Record writes one line to a C stream, item by item, and ends it with a
// newline when it goes out of scope.  The stream is locked for the life of
// the record, so that a line is never interleaved with another thread's.
// A Record may also compose its line in a buffer of the caller's, for a
// line that is then written to a unit whole.
//
// Two families of items:
//   fixed format:  x(n) "nX", a(text) "A", i(value, w) "Iw",
//                  e1p(value, w, d) "1PEw.d";
//   free format:   list_text, list_int, list_real, the list-directed layout:
//                  the line starts with one blank, texts follow one another
//                  directly, every other pair of items is separated by one
//                  blank, a 32-bit integer is right-aligned in 11 columns and
//                  a 64-bit real takes 25 columns (see list_real).
//
// Everything here is inline and uses nothing but the C stream functions, so
// that a routine shipped as a stand-alone object can write its message line
// without linking the runtime library.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

  // A line composed in memory, to be written whole afterwards (to a unit,
  // by fio::write_line): the first capacity characters are kept in buffer,
  // text() gives them, and no newline is added.
  Record(char* buffer, std::size_t capacity)
      : stream_(nullptr), buffer_(buffer), capacity_(capacity) {}

  ~Record() {
    if (stream_ == nullptr) return;
    std::fputc('\n', stream_);
    std::fflush(stream_);
    funlockfile(stream_);
  }

  std::string_view text() const { return {buffer_, size_}; }
  Record(const Record&) = delete;
  Record& operator=(const Record&) = delete;

  // nX: n blanks.
  Record& x(int n) {
    for (int k = 0; k < n; ++k) put(' ');
    return *this;
  }

  // A: the text as it stands.
  Record& a(std::string_view text) {
    put(text.data(), text.size());
    return *this;
  }

  // Iw: right-aligned in w columns; w asterisks when the digits and the sign
  // do not fit.
  Record& i(std::int32_t value, int w) {
    char digits[16];
    int n = format_int(value, digits);
    if (n > w) {
      for (int k = 0; k < w; ++k) put('*');
      return *this;
    }
    x(w - n);
    put(digits, static_cast<std::size_t>(n));
    return *this;
  }

  // 1PEw.d: one digit before the point and d after it, then the exponent as
  // E, sign and two digits, or as sign and three digits when it needs three
  // (1.0000-300); right-aligned in w columns, w asterisks when it does not
  // fit.  NaN and Infinity are written as words, right-aligned.
  Record& e1p(double value, int w, int d) {
    char field[64];
    int n = format_e1p(value, d, field);
    // An infinity too wide for the field is written short.
    if (std::isinf(value) && n > w) n = copy_text(value < 0 ? "-Inf" : "Inf", field);
    put_right(field, n, w);
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

  // Free format: a 64-bit real item, 17 significant digits in 25 columns.
  // Values from 0.1 up to (not including) 1e17 in magnitude, and zero, are
  // written in fixed notation right-aligned in 20 columns and followed by 5
  // blanks (the room of an exponent); all others in scientific notation
  // with one digit before the point and a signed three-digit exponent,
  // right-aligned in 25 columns.  NaN and Infinity are right-aligned words.
  Record& list_real(double value) {
    list_separator(Item::number);
    char field[64];
    int n = format_list_real(value, field);
    put(field, static_cast<std::size_t>(n));
    return *this;
  }

  // The 25 characters of a free-format real (see list_real); out holds at
  // least 64 characters.  Returns the count written.
  static int format_list_real(double value, char* out) {
    if (std::isnan(value) || std::isinf(value)) {
      const char* word = std::isnan(value) ? "NaN" : (value < 0 ? "-Infinity" : "Infinity");
      return pad_left(word, static_cast<int>(std::strlen(word)), 25, out);
    }
    // 17 significant digits, rounded once by the C library (to nearest,
    // ties to even on the exact binary value).
    char sci[40];
    std::snprintf(sci, sizeof sci, "%.16e", value);
    const char* e = std::strchr(sci, 'e');
    const int exponent = std::atoi(e + 1);
    char body[48];
    int n = 0;
    if (value == 0 || (exponent >= -1 && exponent <= 16)) {
      // Fixed notation: the same 17 digits, the point after 1 + exponent of
      // them (always written, even with no digit after it).
      n = std::snprintf(body, sizeof body, "%#.*f", 16 - (value == 0 ? 0 : exponent), value);
      n = pad_left(body, n, 20, out);
      for (int k = 0; k < 5; ++k) out[n++] = ' ';
      return n;
    }
    const int mantissa = static_cast<int>(e - sci);
    std::memcpy(body, sci, static_cast<std::size_t>(mantissa));
    n = mantissa;
    n += std::snprintf(body + n, sizeof body - static_cast<std::size_t>(n), "E%c%03d",
                       exponent < 0 ? '-' : '+', exponent < 0 ? -exponent : exponent);
    return pad_left(body, n, 25, out);
  }

  // The characters of a 1PEw.d field before right-alignment; out holds at
  // least 64 characters.  d is taken in 1..30.  Returns the count written.
  static int format_e1p(double value, int d, char* out) {
    d = d < 1 ? 1 : (d > 30 ? 30 : d);
    if (std::isnan(value)) return copy_text("NaN", out);
    if (std::isinf(value)) return copy_text(value < 0 ? "-Infinity" : "Infinity", out);
    char sci[64];
    std::snprintf(sci, sizeof sci, "%.*e", d, value);
    const char* e = std::strchr(sci, 'e');
    const int exponent = std::atoi(e + 1);
    const int magnitude = exponent < 0 ? -exponent : exponent;
    const int mantissa = static_cast<int>(e - sci);
    std::memcpy(out, sci, static_cast<std::size_t>(mantissa));
    int n = mantissa;
    const char sign = exponent < 0 ? '-' : '+';
    if (magnitude <= 99) {
      n += std::snprintf(out + n, 8, "E%c%02d", sign, magnitude);
    } else {
      n += std::snprintf(out + n, 8, "%c%03d", sign, magnitude);
    }
    return n;
  }

 private:
  enum class Item { none, text, number };

  // The separator rule of list-directed output: a blank opens the line, and
  // a blank separates two items unless both are texts.
  void list_separator(Item next) {
    if (last_ == Item::none || !(last_ == Item::text && next == Item::text)) {
      put(' ');
    }
    last_ = next;
  }

  // Writes the n characters of field right-aligned in w columns, or w
  // asterisks when they do not fit.
  void put_right(const char* field, int n, int w) {
    if (n > w) {
      for (int k = 0; k < w; ++k) put('*');
      return;
    }
    x(w - n);
    put(field, static_cast<std::size_t>(n));
  }

  // Right-aligns the n characters of text in w columns of out (n <= w).
  static int pad_left(const char* text, int n, int w, char* out) {
    int len = 0;
    while (len < w - n) out[len++] = ' ';
    std::memcpy(out + len, text, static_cast<std::size_t>(n));
    return len + n;
  }

  static int copy_text(const char* text, char* out) {
    const int n = static_cast<int>(std::strlen(text));
    std::memcpy(out, text, static_cast<std::size_t>(n));
    return n;
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

  // The characters of the record, to the stream or into the buffer.
  void put(const char* text, std::size_t n) {
    if (stream_ != nullptr) {
      if (n > 0) std::fwrite(text, 1, n, stream_);
      return;
    }
    const std::size_t room = capacity_ - size_;
    const std::size_t take = n < room ? n : room;
    if (take > 0) std::memcpy(buffer_ + size_, text, take);
    size_ += take;
  }
  void put(char c) {
    if (stream_ != nullptr) {
      std::fputc(c, stream_);
    } else {
      put(&c, 1);
    }
  }

  std::FILE* stream_;
  char* buffer_ = nullptr;
  std::size_t capacity_ = 0;
  std::size_t size_ = 0;
  Item last_ = Item::none;
};

}  // namespace fio
