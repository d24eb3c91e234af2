#include "common/output_file.hpp"

#include <atomic>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

namespace pdferr::common {
namespace {

// The folder part of path ("." for a bare name) and the name in it.
void split_path(const std::string& path, std::string& folder, std::string& name) {
  const auto slash = path.find_last_of('/');
  // Filled by count and character: g++ 12 at -O3 warns falsely of
  // overlapping copies in the assignment of a string literal here.
  if (slash == std::string::npos) {
    folder.assign(1, '.');
    name = path;
  } else if (slash == 0) {
    folder.assign(1, '/');
    name = path.substr(1);
  } else {
    folder = path.substr(0, slash);
    name = path.substr(slash + 1);
  }
}

// path with its symbolic links followed to the file they end at, which need
// not exist; 0 or the errno (ELOOP for a cycle).
int follow_links(const std::string& path, std::string& out) {
  out = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat info {};
    if (lstat(out.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return 0;
    std::string link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
    const ssize_t n = readlink(out.c_str(), link.data(), link.size());
    if (n < 0) return errno != 0 ? errno : EIO;
    if (static_cast<std::size_t>(n) >= link.size()) return ENAMETOOLONG;  // changed meanwhile
    link.resize(static_cast<std::size_t>(n));
    if (link.empty() || link[0] != '/') {
      std::string folder, name;
      split_path(out, folder, name);
      link = folder + "/" + link;
    }
    out = link;
  }
  return ELOOP;
}

bool write_all(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (w == 0) {
      errno = EIO;
      return false;
    }
    p += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

}  // namespace

bool OutputFile::fail(int error) {
  error_ = error != 0 ? error : EIO;
  message_ = path_ + ": cannot be written (" + std::strerror(error_) + ")";
  abandon();
  return false;
}

bool OutputFile::open(const std::string& path) {
  abandon();
  path_ = path;
  error_ = 0;
  message_.clear();
  written_ = 0;
  if (const int e = follow_links(path, target_); e != 0) return fail(e);
  struct stat old {};
  const bool exists = stat(target_.c_str(), &old) == 0;
  if (exists && S_ISDIR(old.st_mode)) return fail(EISDIR);
  if (exists && !S_ISREG(old.st_mode)) {
    // A device or FIFO: written as it is.  Without O_NONBLOCK a FIFO with
    // no reader would wait for one; with it, the open fails (ENXIO).
    fd_ = ::open(target_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0) return fail(errno);
    const int flags = fcntl(fd_, F_GETFL);
    if (flags < 0 || fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0) return fail(errno);
    return true;
  }
  std::string folder, name;
  split_path(target_, folder, name);
  // A hidden name beside the target; the name is shortened so that the
  // temporary's name stays within the system's limit of 255 bytes.
  const std::string stem = folder + "/." + name.substr(0, 200) + ".tmp" +
                           std::to_string(static_cast<long>(getpid())) + "-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    static std::atomic<unsigned> counter{0};
    std::string candidate = stem + std::to_string(counter++);
    fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd_ >= 0) {
      temporary_ = std::move(candidate);
      break;
    }
    if (errno != EEXIST) return fail(errno);
  }
  if (fd_ < 0) return fail(EEXIST);
  if (exists) {
    // The old file's owner (where this process may set it) and mode.
    if (fchown(fd_, old.st_uid, old.st_gid) != 0) {
      // Not permitted to anyone but the superuser: the writer owns the file.
    }
    if (fchmod(fd_, old.st_mode & 07777) != 0) return fail(errno);
  }
  return true;
}

bool OutputFile::write(const void* data, std::size_t size) {
  if (fd_ < 0) return error_ == 0 ? fail(EBADF) : false;
  const char* p = static_cast<const char*>(data);
  if (faults_.fail_at_byte >= 0 && written_ + static_cast<long long>(size) > faults_.fail_at_byte) {
    const auto room = static_cast<std::size_t>(faults_.fail_at_byte - written_);
    if (!write_all(fd_, p, room)) return fail(errno);
    written_ += static_cast<long long>(room);
    return fail(ENOSPC);
  }
  if (!write_all(fd_, p, size)) return fail(errno);
  written_ += static_cast<long long>(size);
  return true;
}

bool OutputFile::commit() {
  if (fd_ < 0) return error_ == 0 ? fail(EBADF) : false;
  if (temporary_.empty()) {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0 ? true : fail(errno);
  }
  if (faults_.fail_sync) return fail(EIO);
  if (fsync(fd_) != 0) return fail(errno);
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) return fail(errno);
  if (faults_.fail_rename) return fail(EXDEV);
  if (std::rename(temporary_.c_str(), target_.c_str()) != 0) return fail(errno);
  temporary_.clear();
  // The rename itself made durable; a folder that cannot be synced (some
  // file systems refuse it) leaves the file written all the same.
  std::string folder, name;
  split_path(target_, folder, name);
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    if (fsync(dir) != 0) {
      // See above.
    }
    ::close(dir);
  }
  return true;
}

void OutputFile::abandon() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
}

std::string write_whole_file(const std::string& path, std::string_view text, OutputFaults faults) {
  OutputFile out(faults);
  if (out.open(path) && out.write(text) && out.commit()) return {};
  return out.message();
}

bool same_file(const std::string& a, const std::string& b) {
  struct stat sa {
  }, sb{};
  return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

}  // namespace pdferr::common
