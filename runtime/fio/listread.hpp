// Free-form (list-directed) record input.
//
// A ListReader takes lines from a LineSource (a file, an input unit) or from
// a text held in memory, and reads records of values from them in the manner
// of a Fortran list-directed READ:
//
// - A record begins at the start of the next unread line.  Values are
//   separated by blanks (a tab counts as a blank), by a comma with optional
//   blanks around it, or by line ends; a record may spread over as many
//   lines as it needs, and blank lines are skipped.
// - As soon as the last value of the record has been read, the rest of that
//   line is discarded: the next record or text line begins on a fresh line.
// - Integer items take integers only: an optional sign and decimal digits,
//   within the 32-bit range ("1.5" and "1e3" are unreadable integers).
// - Real items take an optional sign, digits with or without a decimal point
//   (at least one digit), and an optional exponent introduced by E, D or Q
//   (either case) or by its sign alone ("1.0+3" is 1000); also Inf, Infinity
//   and NaN (with or without a parenthesised payload) in any case.  The value
//   is the correctly rounded 64-bit real (overflow gives an infinity).
// - Repeat counts: "r*v" stands for r copies of v, "r*" for r null values;
//   r is an unsigned integer from 1 to 2^31 - 1 ("0*4" is an error).
//   Copies beyond the end of the record are dropped.
// - Null values leave their item unchanged: "r*", and a comma that opens
//   the record, follows another comma (with only blanks or line ends
//   between) or follows a comma that came first after a line end.  A comma
//   after a value, or the first comma after a line end, is a plain
//   separator: "1,<eol>,2" has a null between 1 and 2, "1<eol>,<eol>,2" has
//   none, "<eol>,2" starts with 2.
// - A slash ends the record at once: the remaining items are left unchanged
//   and the rest of the line is discarded.  (gfortran misreads a slash that
//   opens a continuation line when text follows it, reading "/+4" as 4 or
//   failing on "/x"; here such a slash ends the record like any other.)
// - Anything else in a value (for instance "3abc") makes it unreadable; the
//   read stops there with the items before it assigned.
//
// These are the rules gfortran follows for the same input: the reader gave
// the same values or the same failure as a gfortran-built program on 9000
// random records of reals and 3000 of integers (numbers well and badly
// formed, commas, blanks, line ends, repeat counts), the slash quirk above
// aside.  The reader reports each outcome in
// a Result, so that the caller decides what a null value, an early slash or
// an unreadable value means for its data; it never ends the process itself.
//
// Records of reals take plain numbers (the C library's own form, followed by
// a separator or the line end) without looking at them twice; anything else
// takes the general path.  Both give the same values and outcomes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "common/text_file.hpp"

namespace fio {

using LineStatus = pdferr::common::TextFile::Status;

// Where a ListReader takes its lines from.
class LineSource {
 public:
  virtual ~LineSource() = default;
  // The next line into line, without its line end (and without a carriage
  // return before it).
  virtual LineStatus next(std::string& line) = 0;
  // The errno of a read error.
  virtual int error() const = 0;
  // Whether the input is still the one it was when reading began (a file
  // not rewritten since it was opened).
  virtual bool unchanged() const { return true; }
};

enum class ListError {
  none,
  end_of_file,       // the input ended before the record was complete
  bad_integer,       // an integer item got something other than an integer
  integer_overflow,  // an integer outside the 32-bit range
  bad_real,          // a real item got something that is not a number
  zero_repeat,       // a repeat count of 0
  repeat_overflow,   // a repeat count beyond the 32-bit range
  read_error,        // the input failed (read_errno() gives the reason)
  line_too_long,     // a line longer than any input of the toolkit holds
  refused,           // the caller's check refused a value that was read
};

// A short description of an error ("end of file", "unreadable integer", ...).
std::string_view describe(ListError error);

// One item of a record: the address of a 32-bit integer or a 64-bit real.
struct ListItem {
  enum class Kind { integer, real };
  Kind kind;
  void* target;
};

inline ListItem list_item(std::int32_t& v) { return {ListItem::Kind::integer, &v}; }
inline ListItem list_item(double& v) { return {ListItem::Kind::real, &v}; }

class ListReader {
 public:
  // Outcome of one record.
  struct Result {
    ListError error = ListError::none;
    std::size_t items = 0;  // items dealt with: assigned or left by a null
    std::size_t nulls = 0;  // items among them left unchanged by a null value
    bool slash = false;     // a slash ended the record before its last item
    // The first null value: its item and the line where it stands.
    std::size_t null_item = 0;
    long null_line = 0;
  };

  // A check of each real of read_reals as it is stored: values holds the
  // record so far, k the index of the value just read.  Returning false
  // refuses it: the record stops there with ListError::refused, items
  // counts the values before it and line_number() is its line.
  using RealCheck = bool (*)(std::span<const double> values, std::size_t k);

  // Lines from a source, which must outlive the reader.
  static ListReader from_source(LineSource& source);
  // Lines from a text in memory (lines end at '\n'; a '\r' before it is
  // dropped; a last line without '\n' counts).  The text must outlive the
  // reader.
  static ListReader from_text(std::string_view text);

  // Consumes exactly one line and ignores it; false at the end of input,
  // and when the input failed (input_error() tells which).
  bool skip_line();

  // Why the last line could not be taken: none (the end of the input),
  // read_error or line_too_long; and the errno of a read error.
  ListError input_error() const { return input_error_; }
  int read_errno() const { return read_errno_; }

  // Reads one record into items, in order.
  Result read(std::span<const ListItem> items);

  // Reads one record of reals only into values, in order, each checked by
  // check (if any) as it is read.
  Result read_reals(std::span<double> values, RealCheck check = nullptr);

  // The number of lines taken from the input so far: after a failed read,
  // the line that held the offending value (the last line, at the end of
  // input; the line that could not be read, when the input failed).
  long line_number() const { return line_number_; }

 private:
  ListReader() = default;
  bool next_line();
  // The error of a record cut short by the end of its input.
  ListError end_error() const {
    return input_error_ != ListError::none ? input_error_ : ListError::end_of_file;
  }
  template <typename Store>
  Result read_record(std::size_t count, Store& store);

  LineSource* source_ = nullptr;
  std::string_view text_;   // the rest of the memory text
  std::string buffer_;      // the current line, when read from a source
  std::string_view line_;   // the current line
  std::size_t pos_ = 0;     // position within line_
  bool have_line_ = false;  // a line is current (read, not discarded)
  long line_number_ = 0;
  ListError input_error_ = ListError::none;
  int read_errno_ = 0;
};

}  // namespace fio
