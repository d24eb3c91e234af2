#include "list.hpp"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <exception>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/data_path.hpp"
#include "data.hpp"
#include "pdferr/grid_member.hpp"
#include "pdferr/table_set.hpp"
#include "pdferr/uncertainty.hpp"

namespace pdferr::cli {
namespace {

namespace unc = pdferr::uncertainty;

bool ends_with(const std::string& s, const std::string& suffix) {
  return s.size() > suffix.size() &&
         s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The numbers whose files the toolkit names, by file name.
std::map<std::string, std::int32_t> numbered_names() {
  std::map<std::string, std::int32_t> names;
  for (const auto& [low, high] : {std::pair{10, 33}, std::pair{100, 152}, std::pair{200, 252}}) {
    for (std::int32_t n = low; n <= high; ++n) names[pdferr::TableSet::file_name(n)] = n;
  }
  for (std::int32_t m = -99; m <= 99; ++m) names[pdferr::GridMember::file_name(m)] = m;
  return names;
}

std::string level_text(const unc::Confidence& c) {
  return c.in_sigmas() ? number(c.value()) + " sigma" : number(100 * c.value()) + "%";
}

// What one data file is, loaded; "" for a file that is not a data file.
std::string describe(const std::string& name, const std::string& path,
                     const std::map<std::string, std::int32_t>& numbers) {
  const auto number_of = numbers.find(name);
  // Appended rather than joined by +: g++ 12 at -O3 warns of overlapping
  // copies in " " + std::to_string(...).
  std::string numbered;
  if (number_of != numbers.end()) numbered.append(" ").append(std::to_string(number_of->second));
  if (is_description(name)) {
    const unc::MemberSet set = unc::MemberSet::read(path);
    const bool hessian = set.kind() == unc::MemberSet::Kind::hessian;
    const bool table = set.source() == unc::MemberSet::Source::table;
    std::string what = "member set \"" + name.substr(0, name.size() - 8) +
                       "\": " + (hessian ? "Hessian, " : "replicas, ") +
                       std::to_string(set.size()) + (table ? " table sets" : " grid members");
    if (hessian) {
      what += " (central and " + std::to_string(set.pairs()) +
              (set.pairs() == 1 ? " pair), " : " pairs), ") + level_text(set.confidence());
    } else {
      what +=
          set.has_central() ? " (central and " + std::to_string(set.replicas()) + " replicas)" : "";
    }
    return what;
  }
  if (ends_with(name, ".pds")) {
    const pdferr::TableSet t(path);
    return "table set" + numbered + ": x " + number(t.x_node_min()) + ".." +
           number(t.x_node_max()) + ", Q " + number(t.q_node_min()) + ".." +
           number(t.q_node_max()) + ", flavours " + std::to_string(-t.MxFlvN0()) + ".." +
           std::to_string(t.MxFlvN0());
  }
  if (ends_with(name, ".grid") || name == pdferr::GridMember::file_name(0)) {
    const pdferr::GridMember g(path);
    return "grid member" + numbered + ": x " + number(g.x_min()) + ".." + number(g.x_max()) +
           ", Q2 " + number(g.q2_min()) + ".." + number(g.q2_max());
  }
  return "";
}

// The names in a folder that are not folders themselves, sorted; errno of
// a failure to read it in error.
std::vector<std::string> names_in(const std::string& folder, int& error) {
  std::vector<std::string> names;
  error = 0;
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
  if (!dir) {
    error = errno;
    return names;
  }
  while (const dirent* entry = readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat info {};
    const std::string path = pdferr::common::in_folder(folder, name);
    if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) continue;
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

std::string describe_data_file(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return describe(slash == std::string::npos ? path : path.substr(slash + 1), path,
                  numbered_names());
}

std::string list_data(std::string& faults) {
  const std::vector<std::string> path = pdferr::common::data_path_folders();
  std::string out = std::string(pdferr::common::data_path_variable) + ": ";
  if (path.empty()) {
    out += "not set or empty; the working folder alone is searched\n";
  } else {
    for (std::size_t i = 0; i < path.size(); ++i) out += (i == 0 ? "" : ":") + path[i];
    out += "\n";
  }
  std::vector<std::string> folders = path;
  folders.emplace_back(".");
  const auto numbers = numbered_names();
  std::map<std::string, std::string> first_seen;  // name: the folder that holds it first
  for (std::size_t f = 0; f < folders.size(); ++f) {
    const std::string& folder = folders[f];
    const bool working = f + 1 == folders.size();
    out += "\n" + folder + (working ? " (the working folder)" : "") + "\n";
    int error = 0;
    const std::vector<std::string> names = names_in(folder, error);
    if (error != 0) {
      out += "  (cannot be read: " + std::string(std::strerror(error)) + ")\n";
      faults += folder + ": cannot be read: " + std::strerror(error) + "\n";
      continue;
    }
    bool any = false;
    for (const std::string& name : names) {
      const std::string file = pdferr::common::in_folder(folder, name);
      std::string what;
      try {
        what = describe(name, file, numbers);
      } catch (const std::exception& e) {
        what = "does not load";
        faults += std::string(e.what()) + "\n";
      }
      if (what.empty()) continue;
      any = true;
      out += "  " + name + ": " + what;
      const auto [at, fresh] = first_seen.emplace(name, folder);
      if (!fresh) out += " (hidden by the one in " + at->second + ")";
      out += "\n";
    }
    if (!any) out += "  (no data files)\n";
  }
  return out;
}

}  // namespace pdferr::cli
