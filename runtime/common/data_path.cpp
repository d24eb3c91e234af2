#include "common/data_path.hpp"

#include <cstdlib>

#include <sys/stat.h>
#include <optional>
#include <string>
#include <vector>

namespace pdferr::common {
namespace {

bool holds(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

}  // namespace

std::vector<std::string> data_path_folders() {
  std::vector<std::string> folders;
  const char* value = std::getenv(data_path_variable);
  if (value == nullptr) return folders;
  const std::string text = value;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t colon = text.find(':', start);
    if (colon == std::string::npos) colon = text.size();
    if (colon > start) folders.push_back(text.substr(start, colon - start));
    start = colon + 1;
  }
  return folders;
}

std::string in_folder(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder == ".") return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool searched_name(const std::string& name) {
  return !name.empty() && name.find('/') == std::string::npos;
}

std::optional<std::string> find_data_file(const std::string& name, const std::string& directory) {
  if (!searched_name(name)) return name;
  if (!directory.empty()) {
    const std::string there = in_folder(directory, name);
    if (holds(there)) return there;
  }
  for (const std::string& folder : data_path_folders()) {
    const std::string there = in_folder(folder, name);
    if (holds(there)) return there;
  }
  if (holds(name)) return name;
  return std::nullopt;
}

std::string find_legacy_file(const std::string& name) {
  if (!searched_name(name) || holds(name)) return name;
  for (const std::string& folder : data_path_folders()) {
    const std::string there = in_folder(folder, name);
    if (holds(there)) return there;
  }
  return name;
}

}  // namespace pdferr::common
