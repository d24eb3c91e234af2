#include "data.hpp"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <string>
#include <system_error>
#include <utility>
#include <variant>
#include <vector>

#include "common/text_file.hpp"

#include "common/data_path.hpp"
#include "crmath.hpp"

namespace pdferr::cli {
namespace {

std::string trim(const std::string& s) {
  const auto a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return "";
  const auto b = s.find_last_not_of(" \t\r");
  return s.substr(a, b - a + 1);
}

std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (true) {
    const auto comma = line.find(',', start);
    out.push_back(trim(line.substr(start, comma - start)));
    if (comma == std::string::npos) return out;
    start = comma + 1;
  }
}

std::string where(const std::string& path, long line, const std::string& field) {
  return path + ", line " + std::to_string(line) + ", " + field + ": ";
}

double parse(const std::string& text, const std::string& path, long line,
             const std::string& field) {
  double v = 0.0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, v);
  if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(v)) {
    throw Failure(where(path, line, field) + "\"" + text + "\" is not a finite number");
  }
  return v;
}

}  // namespace

std::vector<std::pair<long, std::string>> content_lines(const std::string& path) {
  common::TextFile in;
  if (const int e = in.open(path.c_str()); e != 0) {
    throw Failure(path + ", line 0: cannot be opened (" + common::TextFile::reason(e) + ")");
  }
  std::vector<std::pair<long, std::string>> out;
  std::string line;
  for (;;) {
    const auto status = in.next(line);
    if (status == common::TextFile::Status::end) break;
    const std::string at = path + ", line " + std::to_string(in.line_number() + 1) + ": ";
    if (status == common::TextFile::Status::read_error) {
      throw Failure(at + "read error (" + common::TextFile::reason(in.error()) + ")");
    }
    if (status == common::TextFile::Status::too_long) {
      throw Failure(at + "line longer than " + std::to_string(common::TextFile::max_line) +
                    " bytes");
    }
    const std::string t = trim(line);
    if (t.empty() || t[0] == '#') continue;
    out.emplace_back(in.line_number(), t);
  }
  if (!in.unchanged()) throw Failure(path + ", line 0: the file changed while it was read");
  return out;
}

std::string number(double v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

Points read_points(const std::string& path) {
  const auto lines = content_lines(path);
  if (lines.empty()) throw Failure(path + ", line 0: no header line \"x,Q\" or \"x,Q2\"");
  const auto header = split(lines[0].second);
  Points p;
  if (header.size() != 2 || header[0] != "x" || (header[1] != "Q" && header[1] != "Q2")) {
    throw Failure(where(path, lines[0].first, "header") + "\"" + lines[0].second +
                  "\" is not \"x,Q\" or \"x,Q2\"");
  }
  p.scale = header[1];
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const auto fields = split(lines[i].second);
    if (fields.size() != 2) {
      throw Failure(where(path, lines[i].first, "x") + std::to_string(fields.size()) +
                    " fields where 2 are expected");
    }
    const double x = parse(fields[0], path, lines[i].first, "x");
    const double s = parse(fields[1], path, lines[i].first, p.scale);
    p.x.push_back(x);
    p.q.push_back(p.scale == "Q" ? s : std::sqrt(s));
    p.q2.push_back(p.scale == "Q" ? s * s : s);
  }
  if (p.x.empty()) throw Failure(path + ", line 0: no points");
  return p;
}

Points log_points(double x_low, double x_high, int n, const std::string& scale, double value) {
  if (!(x_low > 0.0 && x_high >= x_low && n >= 1)) {
    throw Failure("--x: want 0 < LOW <= HIGH and a count of at least 1");
  }
  Points p;
  p.scale = scale;
  const double a = math::log10(x_low), b = math::log10(x_high);
  for (int i = 0; i < n; ++i) {
    const double t = n == 1 ? 0.0 : static_cast<double>(i) / (n - 1);
    p.x.push_back(i == 0 ? x_low : i == n - 1 ? x_high : math::power(10.0, a + (b - a) * t));
    p.q.push_back(scale == "Q" ? value : std::sqrt(value));
    p.q2.push_back(scale == "Q" ? value * value : value);
  }
  return p;
}

Source source_of_path(const std::string& path) {
  const std::string ext = ".pds";
  return path.size() >= ext.size() && path.compare(path.size() - ext.size(), ext.size(), ext) == 0
             ? Source::table
             : Source::grid;
}

const char* source_name(Source source) {
  return source == Source::table ? "table set" : "grid member";
}

Density::Density(Source source, const std::string& path)
    : d_(source == Source::table
             ? std::variant<pdferr::TableSet, pdferr::GridMember>(pdferr::TableSet(path))
             : std::variant<pdferr::TableSet, pdferr::GridMember>(pdferr::GridMember(path))) {}

const std::string& Density::path() const {
  return std::visit([](const auto& d) -> const std::string& { return d.path(); }, d_);
}

void Density::check_selector(int selector) const {
  if (const auto* t = table()) {
    if (selector < -t->MxFlvN0() || selector > t->MxFlvN0()) {
      throw Failure("flavour " + std::to_string(selector) + " is outside " +
                    std::to_string(-t->MxFlvN0()) + ".." + std::to_string(t->MxFlvN0()) + " of " +
                    path());
    }
  } else if (selector < 1 || selector > 6) {
    throw Failure("column " + std::to_string(selector) + " is outside 1..6 of a grid member");
  }
}

std::vector<double> Density::values(int selector, const Points& points) const {
  std::vector<double> out(points.size());
  if (const auto* t = table()) {
    t->value(selector, points.x.data(), points.q.data(), points.size(), out.data());
  } else {
    std::size_t per = 0;
    const std::vector<double> all = all_values(points, per);
    for (std::size_t i = 0; i < points.size(); ++i) out[i] = all[i * per + selector - 1];
  }
  return out;
}

std::vector<double> Density::all_values(const Points& points, std::size_t& per_point) const {
  std::vector<double> out;
  if (const auto* t = table()) {
    per_point = static_cast<std::size_t>(2 * t->MxFlvN0() + 1);
    out.resize(per_point * points.size());
    t->values(points.x.data(), points.q.data(), points.size(), out.data());
  } else {
    per_point = 6;
    out.resize(6 * points.size());
    std::get<pdferr::GridMember>(d_).values(points.x.data(), points.q2.data(), points.size(),
                                            out.data());
  }
  return out;
}

bool Density::outside_nodes(const Points& points, std::size_t i) const {
  const auto* t = table();
  if (t == nullptr) return false;
  const double x = points.x[i], q = points.q[i];
  return x < t->x_node_min() || x > t->x_node_max() || q < t->q_node_min() || q > t->q_node_max();
}

std::string Density::node_ranges() const {
  const auto* t = table();
  if (t == nullptr) return "";
  return "x " + number(t->x_node_min()) + ".." + number(t->x_node_max()) + ", Q " +
         number(t->q_node_min()) + ".." + number(t->q_node_max());
}

Density member_density(const pdferr::uncertainty::MemberSet& set, std::size_t m) {
  using pdferr::uncertainty::MemberSet;
  const pdferr::uncertainty::Member& member = set.member(m);
  const bool table = set.source() == MemberSet::Source::table;
  if (!member.numbered()) return Density(table ? Source::table : Source::grid, member.path);
  const std::string name = table ? pdferr::TableSet::file_name(member.number)
                                 : pdferr::GridMember::file_name(member.number);
  return Density(table ? Source::table : Source::grid,
                 pdferr::common::in_folder(set.directory(), name));
}

bool is_description(const std::string& path) {
  const std::string suffix = ".members";
  return path.size() > suffix.size() &&
         path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string input_file(const std::string& name) {
  if (auto found = pdferr::common::find_data_file(name)) return *found;
  if (is_description(name)) return name;
  return pdferr::common::find_data_file(name + ".members").value_or(name);
}

std::vector<float> read_matrix(const std::string& path, std::size_t& n) {
  const auto lines = content_lines(path);
  n = lines.size();
  if (n == 0) throw Failure(path + ", line 0: no matrix rows");
  std::vector<float> m(n * n);
  for (std::size_t i = 0; i < n; ++i) {
    const auto fields = split(lines[i].second);
    if (fields.size() != n) {
      throw Failure(where(path, lines[i].first, "row " + std::to_string(i + 1)) +
                    std::to_string(fields.size()) + " columns in a matrix of " + std::to_string(n) +
                    " rows");
    }
    for (std::size_t j = 0; j < n; ++j) {
      const std::string field = "column " + std::to_string(j + 1);
      const double v = parse(fields[j], path, lines[i].first, field);
      m[i + j * n] = static_cast<float>(v);
      if (!std::isfinite(m[i + j * n])) {
        throw Failure(where(path, lines[i].first, field) + "beyond the single precision range");
      }
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      if (m[i + j * n] != m[j + i * n]) {
        throw Failure(where(path, lines[i].first, "column " + std::to_string(j + 1)) +
                      "the matrix is not symmetric: row " + std::to_string(i + 1) + ", column " +
                      std::to_string(j + 1) + " differs from row " + std::to_string(j + 1) +
                      ", column " + std::to_string(i + 1));
      }
    }
  }
  return m;
}

}  // namespace pdferr::cli
