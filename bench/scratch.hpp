// A scratch directory for the files a benchmark loads: created under the
// system's temporary directory, made the working directory (the table and
// grid routines look their files up there), removed at exit.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace bench {

inline const std::filesystem::path& scratch_dir() {
  static const std::filesystem::path dir = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "pdferr-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("mkdtemp");
      std::exit(1);
    }
    std::filesystem::current_path(pattern);
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(scratch_dir(), ec);
    });
    return std::filesystem::path(pattern);
  }();
  return dir;
}

inline void write_file(const std::string& name, const std::string& text) {
  std::ofstream(scratch_dir() / name, std::ios::binary) << text;
}

inline std::string read_file(const std::string& name) {
  std::ifstream in(scratch_dir() / name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace bench
