#include "fio/listread.hpp"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>

#include "common/numeric.hpp"

namespace fio {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool ends_value(char c) { return is_blank(c) || c == ',' || c == '/'; }
using pdferr::common::is_digit;

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equals_lower(std::string_view s, std::string_view word) {
  if (s.size() != word.size()) return false;
  for (std::size_t k = 0; k < s.size(); ++k) {
    if (lower(s[k]) != word[k]) return false;
  }
  return true;
}

ListError parse_integer(std::string_view tok, std::int32_t& out) {
  std::size_t k = 0;
  bool negative = false;
  if (k < tok.size() && (tok[k] == '+' || tok[k] == '-')) negative = tok[k++] == '-';
  if (k == tok.size()) return ListError::bad_integer;
  // Accumulated in 64 bits and capped: the 32-bit range holds -2^31 too.
  const std::int64_t limit = negative ? std::int64_t{1} << 31 : (std::int64_t{1} << 31) - 1;
  std::int64_t v = 0;
  bool overflow = false;
  for (; k < tok.size(); ++k) {
    if (!is_digit(tok[k])) return ListError::bad_integer;
    v = v * 10 + (tok[k] - '0');
    if (v > limit) {
      overflow = true;
      v = limit;
    }
  }
  if (overflow) return ListError::integer_overflow;
  out = static_cast<std::int32_t>(negative ? -v : v);
  return ListError::none;
}

ListError parse_real(std::string_view tok, double& out) {
  // Most values are in the C library's own form ("-1.25e-3", "0.5", "inf",
  // "nan(1)"), perhaps after a plus sign, which that form lacks: read them
  // in place; anything else (D or Q exponents, "1.0+3", values out of range)
  // takes the rewriting path below.
  const std::string_view body = !tok.empty() && tok[0] == '+' ? tok.substr(1) : tok;
  if (!body.empty() && (body.size() == tok.size() || (body[0] != '+' && body[0] != '-'))) {
    double v = 0;
    const auto [end, ec] =
        std::from_chars(body.data(), body.data() + body.size(), v, std::chars_format::general);
    if (ec == std::errc() && end == body.data() + body.size()) {
      out = v;
      return ListError::none;
    }
  }
  std::size_t k = 0;
  bool negative = false;
  if (k < tok.size() && (tok[k] == '+' || tok[k] == '-')) negative = tok[k++] == '-';
  const std::string_view word = tok.substr(k);
  if (equals_lower(word, "inf") || equals_lower(word, "infinity")) {
    out = negative ? -std::numeric_limits<double>::infinity()
                   : std::numeric_limits<double>::infinity();
    return ListError::none;
  }
  if (equals_lower(word, "nan")) {
    out = std::numeric_limits<double>::quiet_NaN();
    return ListError::none;
  }
  // The token rewritten in the form the C library reads: sign, mantissa,
  // "e", exponent.  A short buffer serves every ordinary number.
  char small[128];
  std::string large;
  char* buf = small;
  if (tok.size() + 4 > sizeof small) {
    large.resize(tok.size() + 4);
    buf = large.data();
  }
  std::size_t n = 0;
  if (negative) buf[n++] = '-';
  int digits = 0;
  bool point = false;
  for (; k < tok.size(); ++k) {
    const char c = tok[k];
    if (is_digit(c)) {
      ++digits;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
    buf[n++] = c;
  }
  if (digits == 0) return ListError::bad_real;
  if (k < tok.size()) {
    const char c = lower(tok[k]);
    if (c == 'e' || c == 'd' || c == 'q') {
      ++k;
    } else if (c != '+' && c != '-') {
      return ListError::bad_real;
    }
    buf[n++] = 'e';
    if (k < tok.size() && (tok[k] == '+' || tok[k] == '-')) buf[n++] = tok[k++];
    if (k == tok.size()) return ListError::bad_real;
    for (; k < tok.size(); ++k) {
      if (!is_digit(tok[k])) return ListError::bad_real;
      buf[n++] = tok[k];
    }
  }
  double v = 0;
  const auto [end, ec] = std::from_chars(buf, buf + n, v, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    // Overflow to infinity and underflow to zero, as the C library rounds.
    buf[n] = '\0';
    v = std::strtod(buf, nullptr);
  } else if (ec != std::errc() || end != buf + n) {
    return ListError::bad_real;
  }
  out = v;
  return ListError::none;
}

// Stores for read_record: the kind of item k and its assignment.
struct ItemStore {
  std::span<const ListItem> items;
  ListError put(std::size_t k, std::string_view tok) const {
    const ListItem& item = items[k];
    if (item.kind == ListItem::Kind::integer) {
      return parse_integer(tok, *static_cast<std::int32_t*>(item.target));
    }
    return parse_real(tok, *static_cast<double*>(item.target));
  }
  ListError bad(std::size_t k) const {
    return items[k].kind == ListItem::Kind::integer ? ListError::bad_integer : ListError::bad_real;
  }
};

struct RealStore {
  std::span<double> values;
  ListReader::RealCheck check;
  ListError put(std::size_t k, std::string_view tok) const {
    const ListError e = parse_real(tok, values[k]);
    if (e != ListError::none) return e;
    return accept(k);
  }
  ListError bad(std::size_t) const { return ListError::bad_real; }
  ListError accept(std::size_t k) const {
    return check == nullptr || check(values.first(k + 1), k) ? ListError::none : ListError::refused;
  }
};

}  // namespace

std::string_view describe(ListError error) {
  switch (error) {
    case ListError::none:
      return "no error";
    case ListError::end_of_file:
      return "end of file";
    case ListError::bad_integer:
      return "unreadable integer";
    case ListError::integer_overflow:
      return "integer out of range";
    case ListError::bad_real:
      return "unreadable real";
    case ListError::zero_repeat:
      return "zero repeat count";
    case ListError::repeat_overflow:
      return "repeat count out of range";
    case ListError::read_error:
      return "read error";
    case ListError::line_too_long:
      return "line too long";
    case ListError::refused:
      return "refused value";
  }
  return "unknown error";
}

ListReader ListReader::from_source(LineSource& source) {
  ListReader r;
  r.source_ = &source;
  return r;
}

ListReader ListReader::from_text(std::string_view text) {
  ListReader r;
  r.text_ = text;
  return r;
}

bool ListReader::next_line() {
  if (source_ != nullptr) {
    const LineStatus status = source_->next(buffer_);
    if (status != LineStatus::line) {
      // The line that failed counts, once: a fault is reported where it
      // stands.
      if (status != LineStatus::end && input_error_ == ListError::none) {
        input_error_ =
            status == LineStatus::read_error ? ListError::read_error : ListError::line_too_long;
        read_errno_ = status == LineStatus::read_error ? source_->error() : 0;
        ++line_number_;
      }
      return false;
    }
    line_ = buffer_;
  } else {
    if (text_.empty()) return false;
    const std::size_t end = text_.find('\n');
    if (end == std::string_view::npos) {
      line_ = text_;
      text_ = {};
    } else {
      line_ = text_.substr(0, end);
      text_.remove_prefix(end + 1);
    }
    if (!line_.empty() && line_.back() == '\r') line_.remove_suffix(1);
  }
  pos_ = 0;
  have_line_ = true;
  ++line_number_;
  return true;
}

bool ListReader::skip_line() {
  have_line_ = false;
  if (!next_line()) return false;
  have_line_ = false;
  return true;
}

template <typename Store>
ListReader::Result ListReader::read_record(std::size_t count, Store& store) {
  Result r;
  // A record starts on a fresh line; an empty record still takes one.
  have_line_ = false;
  if (count == 0) {
    if (!skip_line()) r.error = end_error();
    return r;
  }
  // What came last, for the commas: a comma after the start of the record,
  // after another comma or after a comma that followed a line end stands for
  // a null value; a comma after a value, or first after a line end, is a
  // plain separator.  A line end after a comma keeps the comma's effect.
  enum class Last { start, value, line_end, comma_after_line_end, comma } last = Last::start;
  const auto add_nulls = [&](std::size_t n) {
    if (r.nulls == 0) {
      r.null_item = r.items;
      r.null_line = line_number_;
    }
    r.items += n;
    r.nulls += n;
  };
  const auto fail = [&](ListError e) {
    r.error = e;
    have_line_ = false;
    return r;
  };
  while (r.items < count) {
    while (true) {
      if (!have_line_ && !next_line()) {
        r.error = end_error();
        return r;
      }
      while (pos_ < line_.size() && is_blank(line_[pos_])) ++pos_;
      if (pos_ < line_.size()) break;
      have_line_ = false;
      if (last != Last::comma) last = Last::line_end;
    }
    const char c = line_[pos_];
    if constexpr (std::is_same_v<Store, RealStore>) {
      // A plain number: the C library's form up to a separator or the line
      // end.  Its characters hold no repeat count, comma or slash, and the
      // general path would read the same characters as one value to the same
      // double (parse_real reads such a token in place).
      if (c != '+' && c != ',' && c != '/') {
        const char* const end = line_.data() + line_.size();
        double v = 0;
        const auto [stop, ec] = std::from_chars(line_.data() + pos_, end, v);
        if (ec == std::errc() && (stop == end || ends_value(*stop))) {
          store.values[r.items] = v;
          if (const ListError e = store.accept(r.items); e != ListError::none) return fail(e);
          ++r.items;
          pos_ = static_cast<std::size_t>(stop - line_.data());
          last = Last::value;
          continue;
        }
      }
    }
    if (c == ',') {
      ++pos_;
      if (last == Last::value) {
        last = Last::comma;
      } else if (last == Last::line_end) {
        last = Last::comma_after_line_end;
      } else {
        add_nulls(1);
        last = Last::comma;
      }
      continue;
    }
    if (c == '/') {
      r.slash = true;
      break;
    }
    const std::size_t start = pos_;
    while (pos_ < line_.size() && !ends_value(line_[pos_])) ++pos_;
    std::string_view tok = line_.substr(start, pos_ - start);
    last = Last::value;
    std::size_t repeat = 1;
    const std::size_t star = tok.find('*');
    if (star != std::string_view::npos) {
      if (star == 0) return fail(store.bad(r.items));
      // Counts up to the 32-bit range are taken; larger ones are an error.
      std::int64_t r64 = 0;
      for (std::size_t k = 0; k < star; ++k) {
        if (!is_digit(tok[k])) return fail(store.bad(r.items));
        r64 = r64 * 10 + (tok[k] - '0');
        if (r64 > std::numeric_limits<std::int32_t>::max()) {
          return fail(ListError::repeat_overflow);
        }
      }
      repeat = static_cast<std::size_t>(r64);
      if (repeat == 0) return fail(ListError::zero_repeat);
      tok.remove_prefix(star + 1);
      if (tok.empty()) {
        // r null values.
        add_nulls(repeat < count - r.items ? repeat : count - r.items);
        continue;
      }
    }
    for (std::size_t k = 0; k < repeat && r.items < count; ++k) {
      const ListError e = store.put(r.items, tok);
      if (e != ListError::none) return fail(e);
      ++r.items;
    }
  }
  // The rest of the line is discarded.
  have_line_ = false;
  return r;
}

ListReader::Result ListReader::read(std::span<const ListItem> items) {
  ItemStore store{items};
  return read_record(items.size(), store);
}

ListReader::Result ListReader::read_reals(std::span<double> values, RealCheck check) {
  RealStore store{values, check};
  return read_record(values.size(), store);
}

}  // namespace fio
