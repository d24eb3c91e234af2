#include "process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdlib.h>
#include <sys/poll.h>
#include <sys/types.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ios>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace testsupport {

ProcessResult run_process(const std::vector<std::string>& argv, const std::string& cwd) {
  int out_pipe[2];
  int err_pipe[2];
  if (pipe(out_pipe) != 0 || pipe(err_pipe) != 0) throw std::runtime_error("pipe failed");
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    int devnull = open("/dev/null", O_RDONLY);
    dup2(devnull, 0);
    dup2(out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    close(out_pipe[0]);
    close(err_pipe[0]);
    if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(127);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(out_pipe[1]);
  close(err_pipe[1]);
  ProcessResult result;
  pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open_fds = 2;
  while (open_fds > 0) {
    if (poll(fds, 2, -1) < 0) break;
    for (int k = 0; k < 2; ++k) {
      if (fds[k].fd < 0 || fds[k].revents == 0) continue;
      char buf[65536];
      ssize_t n = read(fds[k].fd, buf, sizeof buf);
      if (n > 0) {
        sinks[k]->append(buf, static_cast<std::size_t>(n));
      } else {
        close(fds[k].fd);
        fds[k].fd = -1;
        --open_fds;
      }
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.status = 128 + WTERMSIG(status);
  return result;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "pdferr-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

ScopedEnvironment::ScopedEnvironment(const char* name, const char* value) : name_(name) {
  if (const char* v = std::getenv(name)) {
    had_ = true;
    old_ = v;
  }
  if (value != nullptr) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
}

ScopedEnvironment::~ScopedEnvironment() {
  if (had_) {
    setenv(name_.c_str(), old_.c_str(), 1);
  } else {
    unsetenv(name_.c_str());
  }
}

void TempDir::write(const std::string& name, const std::string& content) const {
  // A new file: one left unreadable or unwritable by an earlier case is
  // replaced whether or not this process runs as root.
  std::error_code ignored;
  std::filesystem::remove(file(name), ignored);
  std::ofstream f(file(name), std::ios::binary);
  f << content;
  f.close();
  if (!f) throw std::runtime_error("cannot write " + file(name));
}

void place_file(const TempDir& dir, const std::string& name, FileKind kind,
                const std::string& content) {
  const std::string path = dir.file(name);
  clear_file(dir, name);
  switch (kind) {
    case FileKind::missing:
      return;
    case FileKind::directory:
      std::filesystem::create_directory(path);
      return;
    case FileKind::link:
      std::filesystem::create_symlink(content, path);
      return;
    case FileKind::text:
    case FileKind::unreadable:
      dir.write(name, content);
      if (kind == FileKind::unreadable && chmod(path.c_str(), 0) != 0) {
        throw std::runtime_error("cannot take the permissions of " + path);
      }
      return;
  }
}

void clear_file(const TempDir& dir, const std::string& name) {
  std::error_code ignored;
  std::filesystem::remove(dir.file(name), ignored);
}

const std::string& long_line_file() {
  static const TempDir dir;
  static const std::string path = [] {
    const std::string p = dir.file("long-line");
    // Readable by drivers that run as nobody.
    const int fd = open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (chmod(dir.path().c_str(), 0755) != 0 || fd < 0 ||
        ftruncate(fd, (off_t{4} << 20) + 1) != 0) {
      throw std::runtime_error("cannot make " + p);
    }
    close(fd);
    return p;
  }();
  return path;
}

std::string read_file(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

bool drop_root_privileges() {
  if (geteuid() != 0) return true;
  constexpr gid_t nobody_group = 65534;
  constexpr uid_t nobody = 65534;
  return setgid(nobody_group) == 0 && setuid(nobody) == 0;
}

}  // namespace testsupport
