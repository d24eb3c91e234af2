// Formatted input of real numbers by the rules of an E edit descriptor
// ("kPEw.d"), as a Fortran formatted READ of a sequential file applies them
// with blanks ignored (the default for a file opened without BLANK=).
//
// A record is cut into fields of w characters; a short record reads as if
// padded with blanks, characters after the last field are ignored, and a
// comma inside a field ends that field early (the next field starts after
// the comma).  Within a field:
//   - blanks are ignored everywhere; an empty or all-blank field, or one that
//     holds a bare sign only, reads as +0;
//   - an optional sign, then digits with at most one decimal point;
//   - an optional exponent: a letter E, D or Q (either case) or a bare sign,
//     then an optional sign and decimal digits.  After the letter at least
//     one character must follow in the field, and after the exponent's sign
//     too; an exponent of blanks only is 0;
//   - without a decimal point the digits carry d implied decimals;
//   - without an exponent the value is divided by 10^k (the scale factor);
//   - with an exponent e, |e - (d if there is no decimal point)| must not
//     exceed 9999;
//   - INF, INFINITY and NAN (either case, after an optional sign, optionally
//     NAN(...)) read as infinity and quiet NaN; only blanks may follow.
// Anything else is a bad field.
//
// Each value is the decimal number of the field rounded once, to nearest
// even, to a 64-bit float.  Fields in the form the descriptor writes
// ("  1.2345E-02") take a short path with the same result.
#pragma once

#include <string_view>

namespace fio {

// The input edit descriptor kPEw.d: field width w, implied decimals d and
// scale factor k.
struct EditE {
  int width;
  int decimals;
  int scale;
};

// Converts the characters of one field (as cut from its record, without the
// padding).  Returns false for a bad field; value is then left alone.
// Fields longer than max_field_chars are bad.
inline constexpr std::size_t max_field_chars = 128;
bool read_e_field(std::string_view field, int decimals, int scale, double& value);

// Reads count fields of the descriptor from one record into values[0..count).
// Returns 0, or the 1-based position of the first bad field (the fields
// before it are stored).
int read_e_fields(std::string_view record, const EditE& edit, double* values, int count);

}  // namespace fio
