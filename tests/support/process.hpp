// Running a program as a child process and capturing what it leaves behind:
// the exact bytes on standard output and standard error, and the exit status.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

struct ProcessResult {
  std::string out;  // bytes written to standard output
  std::string err;  // bytes written to standard error
  int status = -1;  // exit status, or 128 + signal number
};

// Runs argv[0] with the given arguments in directory cwd (empty: the current
// one), with standard input closed.
ProcessResult run_process(const std::vector<std::string>& argv, const std::string& cwd = "");

// A fresh, empty directory under the system's temporary directory; removed
// with its content when the object goes out of scope.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  void write(const std::string& name, const std::string& content) const;

 private:
  std::string path_;
};

// Sets an environment variable (or removes it, for nullptr) for its own
// life, and restores what was there before.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value);
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::string name_, old_;
  bool had_ = false;
};

// How a bad input file stands in a directory: as text, absent, a directory
// of its name, text without read permission, or a symbolic link.
enum class FileKind { text, missing, directory, unreadable, link };

// Puts NAME into DIR as KIND, with CONTENT as its text (a link's target);
// clear_file() takes away what was put, so that the valid file can follow.
void place_file(const TempDir& dir, const std::string& name, FileKind kind,
                const std::string& content);
void clear_file(const TempDir& dir, const std::string& name);

// The whole content of a file ("" if it cannot be read).
std::string read_file(const std::string& path);

// For drivers run by root: becomes the user nobody, so that file permissions
// apply (root reads any file).  Returns false if that fails.
bool drop_root_privileges();

}  // namespace testsupport
