// Member-set descriptions: a line-based text format, one statement a line.
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/data_path.hpp"
#include "common/numeric.hpp"
#include "common/text_file.hpp"
#include "pdferr/uncertainty.hpp"

namespace pdferr::uncertainty {
namespace detail {

struct MemberSetData {
  MemberSet::Kind kind = MemberSet::Kind::hessian;
  MemberSet::Source source = MemberSet::Source::grid;
  std::string directory;
  std::optional<Confidence> confidence;
  bool has_central = false;
  std::size_t pairs = 0;
  std::size_t replicas = 0;
  std::vector<Member> members;  // in member order

  static MemberSet make(std::shared_ptr<const MemberSetData> data) {
    return MemberSet(std::move(data));
  }
};

}  // namespace detail

namespace {

using detail::MemberSetData;

// More members than any set holds: a guard against a range that would
// exhaust memory.
constexpr std::size_t max_members = 1000000;

struct Token {
  std::string text;
  bool quoted = false;
};

// The statements of one description, parsed as they come.
class Parser {
 public:
  Parser(std::string name, std::string base) : name_(std::move(name)), base_(std::move(base)) {}

  void line(std::string_view text, long number);
  MemberSet finish();

 private:
  [[noreturn]] void fail(const std::string& reason) const {
    throw file_error(name_, line_, keyword_, reason);
  }
  std::vector<Token> split(std::string_view text);
  void statement(const std::vector<Token>& t);
  void settings_first() const;
  void need(const std::vector<Token>& t, std::size_t count, const char* form) const;
  Confidence level(const std::vector<Token>& t) const;
  Member member(const Token& t) const;
  void check_number(std::int64_t n) const;
  void add(Member m);

  std::string name_;
  std::string base_;
  long line_ = 0;
  std::string keyword_;
  bool header_ = false;
  bool source_ = false;
  bool kind_ = false;
  bool directory_ = false;
  bool members_started_ = false;
  std::optional<Member> central_;
  std::vector<Member> plus_, minus_, replicas_;
  MemberSetData data_;
};

bool integer_text(std::string_view s) {
  std::size_t i = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
  if (i == s.size()) return false;
  for (; i < s.size(); ++i) {
    if (!common::is_digit(s[i])) return false;
  }
  return true;
}

// An integer as written; nullopt beyond 18 digits.
std::optional<std::int64_t> integer_value(std::string_view s) {
  const bool negative = s[0] == '-';
  if (s[0] == '+' || s[0] == '-') s.remove_prefix(1);
  if (s.size() > 18) return std::nullopt;
  std::int64_t v = 0;
  for (char c : s) v = v * 10 + (c - '0');
  return negative ? -v : v;
}

// A plain decimal number (digits with at most one point, at most 15
// digits) divided by 10^shift, rounded once: the mantissa and the power of
// ten are exact, so "68.27" with shift 2 is the double nearest 0.6827.
std::optional<double> decimal_value(std::string_view s, int shift) {
  std::int64_t mantissa = 0;
  int digits = 0;
  int fraction = -1;  // digits after the point; -1 before it
  for (char c : s) {
    if (c == '.' && fraction < 0) {
      fraction = 0;
      continue;
    }
    if (!common::is_digit(c) || ++digits > 15) return std::nullopt;
    mantissa = mantissa * 10 + (c - '0');
    if (fraction >= 0) ++fraction;
  }
  if (digits == 0) return std::nullopt;
  const int power = (fraction < 0 ? 0 : fraction) + shift;
  return static_cast<double>(mantissa) / common::exact_power10[power];
}

std::string join(const std::string& dir, const std::string& path) {
  if (path.empty() || path[0] == '/' || dir.empty() || dir == ".") return path;
  return dir.back() == '/' ? dir + path : dir + "/" + path;
}

// The fields of a line; the first one is the statement's keyword, which a
// fault on the line names.
std::vector<Token> Parser::split(std::string_view text) {
  std::vector<Token> out;
  std::size_t i = 0;
  while (true) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i == text.size() || text[i] == '#') return out;
    Token t;
    if (text[i] == '"') {
      t.quoted = true;
      for (++i;; ++i) {
        if (i == text.size()) fail("a quoted field is not closed");
        if (text[i] == '"') break;
        if (text[i] == '\\') {
          if (++i == text.size() || (text[i] != '"' && text[i] != '\\')) {
            fail("in a quoted field, a backslash comes before \" or \\ only");
          }
        }
        t.text += text[i];
      }
      ++i;
      if (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '#') {
        fail("a quoted field is followed by more text");
      }
    } else {
      while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '#') {
        if (text[i] == '"') fail("a quote inside a field");
        t.text += text[i++];
      }
    }
    for (const char c : t.text) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) fail("a control character");
    }
    if (out.empty()) keyword_ = t.text;
    out.push_back(std::move(t));
  }
}

void Parser::line(std::string_view text, long number) {
  line_ = number;
  keyword_.clear();
  const std::vector<Token> t = split(text);
  if (t.empty()) return;
  if (t[0].quoted) fail("a statement starts with a keyword");
  statement(t);
}

void Parser::need(const std::vector<Token>& t, std::size_t count, const char* form) const {
  if (t.size() != count) fail(std::string("the statement is written: ") + form);
}

void Parser::settings_first() const {
  if (members_started_) fail("settings come before the members");
}

void Parser::statement(const std::vector<Token>& t) {
  const std::string& k = keyword_;
  if (!header_) {
    if (k != "pdferr-members") fail("a description starts with: pdferr-members 1");
    need(t, 2, "pdferr-members 1");
    if (t[1].text != "1")
      fail("format version " + t[1].text + " is not known; this reader knows 1");
    header_ = true;
    return;
  }
  if (k == "source") {
    settings_first();
    if (source_) fail("the source is stated twice");
    need(t, 2, "source table, or source grid");
    if (t[1].text == "table") {
      data_.source = MemberSet::Source::table;
    } else if (t[1].text == "grid") {
      data_.source = MemberSet::Source::grid;
    } else {
      fail("the source is table or grid, not " + t[1].text);
    }
    source_ = true;
  } else if (k == "directory") {
    settings_first();
    if (directory_) fail("the directory is stated twice");
    need(t, 2, "directory PATH");
    if (t[1].text.empty()) fail("an empty directory");
    data_.directory = t[1].text;
    directory_ = true;
  } else if (k == "hessian" || k == "replicas") {
    settings_first();
    if (kind_) fail("the kind of set is stated twice");
    if (k == "hessian") {
      data_.kind = MemberSet::Kind::hessian;
      data_.confidence = level(t);
    } else {
      need(t, 1, "replicas");
      data_.kind = MemberSet::Kind::replicas;
    }
    kind_ = true;
  } else if (k == "central" || k == "pair" || k == "replica") {
    if (!source_) fail("the source comes before the members");
    if (!kind_) fail("hessian or replicas comes before the members");
    members_started_ = true;
    if (k == "central") {
      need(t, 2, "central MEMBER");
      if (central_) fail("the central member is stated twice");
      central_ = member(t[1]);
    } else if (k == "pair") {
      if (data_.kind != MemberSet::Kind::hessian) fail("a replica set has no pairs");
      need(t, 4, "pair K PLUS MINUS");
      const std::string expected = std::to_string(plus_.size() + 1);
      if (t[1].quoted || t[1].text != expected) {
        fail("pair " + t[1].text + " where pair " + expected +
             " comes next: pairs are numbered 1, 2, ... in order");
      }
      plus_.push_back(member(t[2]));
      minus_.push_back(member(t[3]));
    } else {
      if (data_.kind != MemberSet::Kind::replicas) fail("a Hessian set has no replicas");
      if (t.size() < 2) fail("the statement is written: replica MEMBER... (or FIRST..LAST)");
      for (std::size_t i = 1; i < t.size(); ++i) {
        const std::string& s = t[i].text;
        const std::size_t dots = t[i].quoted ? std::string::npos : s.find("..");
        if (dots == std::string::npos) {
          add(member(t[i]));
          continue;
        }
        const std::string_view lo = std::string_view(s).substr(0, dots);
        const std::string_view hi = std::string_view(s).substr(dots + 2);
        if (!integer_text(lo) || !integer_text(hi)) fail("a range is written FIRST..LAST: " + s);
        const std::optional<std::int64_t> a = integer_value(lo), b = integer_value(hi);
        if (!a || !b || *a > *b) fail("the range " + s + " is empty or out of bounds");
        check_number(*a);
        check_number(*b);
        for (std::int64_t n = *a; n <= *b; ++n) {
          Member m;
          m.number = static_cast<std::int32_t>(n);
          if (data_.source == MemberSet::Source::table) check_number(n);
          add(std::move(m));
        }
      }
    }
    if (2 * plus_.size() + replicas_.size() + 1 > max_members) {
      fail("more than " + std::to_string(max_members) + " members");
    }
  } else if (k == "pdferr-members") {
    fail("the header is stated twice");
  } else {
    fail("unknown statement " + k);
  }
}

void Parser::add(Member m) {
  if (replicas_.size() >= max_members)
    fail("more than " + std::to_string(max_members) + " members");
  replicas_.push_back(std::move(m));
}

Confidence Parser::level(const std::vector<Token>& t) const {
  const char* form = "hessian 90%, or hessian 1 sigma";
  if (t.size() == 2 && !t[1].quoted && t[1].text.size() > 1 && t[1].text.back() == '%') {
    const std::string_view v = std::string_view(t[1].text).substr(0, t[1].text.size() - 1);
    const std::optional<double> p = decimal_value(v, 2);
    if (!p || !(*p > 0.0 && *p < 1.0)) fail("a confidence level lies strictly between 0% and 100%");
    return Confidence::central(*p);
  }
  if (t.size() == 3 && t[2].text == "sigma") {
    const std::optional<double> n = decimal_value(t[1].text, 0);
    if (!n || !(*n > 0.0)) fail("a number of standard deviations is a positive decimal number");
    return Confidence::sigmas(*n);
  }
  fail(std::string("the statement is written: ") + form);
}

void Parser::check_number(std::int64_t n) const {
  if (data_.source == MemberSet::Source::grid) {
    if (n < -99 || n > 99) fail("grid member " + std::to_string(n) + " is beyond -99..99");
    return;
  }
  // The set numbers that name a table file.
  if (!((n >= 10 && n <= 33) || (n >= 100 && n <= 152) || (n >= 200 && n <= 252))) {
    fail("table set " + std::to_string(n) + " does not exist (sets 10..33, 100..152, 200..252)");
  }
}

Member Parser::member(const Token& t) const {
  Member m;
  if (!t.quoted && integer_text(t.text)) {
    const std::optional<std::int64_t> n = integer_value(t.text);
    if (!n) fail("member number " + t.text + " is out of bounds");
    check_number(*n);
    m.number = static_cast<std::int32_t>(*n);
    return m;
  }
  if (t.text.empty()) fail("an empty path");
  m.path = t.text;
  return m;
}

MemberSet Parser::finish() {
  line_ = 0;
  keyword_.clear();
  if (!header_) fail("the description is empty: it starts with pdferr-members 1");
  if (!source_) fail("no source statement (source table, or source grid)");
  if (!kind_) fail("no hessian or replicas statement");
  const std::string base = base_.empty() ? "." : base_;
  if (!directory_ || data_.directory == ".") {
    data_.directory = base;
  } else {
    data_.directory = join(base, data_.directory);
  }
  auto resolve = [&](Member m) {
    if (!m.numbered()) m.path = join(data_.directory, m.path);
    return m;
  };
  data_.has_central = central_.has_value();
  if (central_) data_.members.push_back(resolve(*central_));
  if (data_.kind == MemberSet::Kind::hessian) {
    if (!central_) fail("a Hessian set needs its central member");
    if (plus_.empty()) fail("a Hessian set needs at least one pair");
    data_.pairs = plus_.size();
    for (std::size_t k = 0; k < plus_.size(); ++k) {
      data_.members.push_back(resolve(plus_[k]));
      data_.members.push_back(resolve(minus_[k]));
    }
  } else {
    if (replicas_.empty()) fail("a replica set needs at least one replica");
    data_.replicas = replicas_.size();
    for (const Member& m : replicas_) data_.members.push_back(resolve(m));
  }
  return MemberSetData::make(std::make_shared<const MemberSetData>(std::move(data_)));
}

// The folder of a file path: "." for a bare name.
std::string folder_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

MemberSet::MemberSet(std::shared_ptr<const detail::MemberSetData> data) : data_(std::move(data)) {}

MemberSet MemberSet::parse(std::string_view text, const std::string& name,
                           const std::string& base_directory) {
  Parser p(name, base_directory);
  long number = 0;
  while (!text.empty()) {
    const std::size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    p.line(line, ++number);
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
  }
  return p.finish();
}

MemberSet MemberSet::read(const std::string& path) {
  common::TextFile file;
  if (const int e = file.open(path.c_str()); e != 0) {
    throw file_error(path, 0, "", std::string("cannot open: ") + std::strerror(e));
  }
  Parser p(path, folder_of(path));
  std::string line;
  while (true) {
    switch (file.next(line)) {
      case common::TextFile::Status::line:
        p.line(line, file.line_number());
        continue;
      case common::TextFile::Status::end:
        break;
      case common::TextFile::Status::read_error:
        throw file_error(path, file.line_number() + 1, "",
                         std::string("read error: ") + std::strerror(file.error()));
      case common::TextFile::Status::too_long:
        throw file_error(
            path, file.line_number() + 1, "",
            "line longer than " + std::to_string(common::TextFile::max_line) + " bytes");
    }
    break;
  }
  if (!file.unchanged()) throw file_error(path, 0, "", "the file changed while it was read");
  return p.finish();
}

std::string MemberSet::locate(const std::string& name) {
  if (!common::searched_name(name)) return name;
  const std::string suffix = ".members";
  const bool suffixed = name.size() > suffix.size() &&
                        name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
  if (!suffixed) {
    if (auto found = common::find_data_file(name + suffix)) return *found;
  }
  if (auto found = common::find_data_file(name)) return *found;
  throw file_error(name, 0, "",
                   "no description " + (suffixed ? name : name + suffix) + " in " +
                       common::data_path_variable + " or in the working folder");
}

MemberSet MemberSet::load(const std::string& name) { return read(locate(name)); }

MemberSet::Kind MemberSet::kind() const noexcept { return data_->kind; }
MemberSet::Source MemberSet::source() const noexcept { return data_->source; }
const std::string& MemberSet::directory() const noexcept { return data_->directory; }

Confidence MemberSet::confidence() const {
  if (!data_->confidence) throw std::invalid_argument("a replica set states no confidence level");
  return *data_->confidence;
}

bool MemberSet::has_central() const noexcept { return data_->has_central; }
std::size_t MemberSet::pairs() const noexcept { return data_->pairs; }
std::size_t MemberSet::replicas() const noexcept { return data_->replicas; }
std::size_t MemberSet::size() const noexcept { return data_->members.size(); }

const Member& MemberSet::member(std::size_t index) const {
  if (index >= data_->members.size()) {
    throw std::out_of_range("member " + std::to_string(index) + " of a set of " +
                            std::to_string(data_->members.size()));
  }
  return data_->members[index];
}

}  // namespace pdferr::uncertainty
