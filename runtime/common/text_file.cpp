#include "common/text_file.hpp"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <memory>
#include <string>

namespace pdferr::common {
namespace {

bool same_stamp(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

}  // namespace

TextFile::~TextFile() { close(); }

std::string TextFile::reason(int error) {
  return error == not_regular ? "not a regular file" : std::strerror(error);
}

int TextFile::open(const char* path) {
  close();
  // Without O_NONBLOCK, opening a FIFO would wait for a writer.
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return errno != 0 ? errno : EIO;
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    const int e = errno;
    ::close(fd);
    return e;
  }
  // A directory has no lines: refused here, it would read as an empty file.
  if (S_ISDIR(info.st_mode)) {
    ::close(fd);
    return EISDIR;
  }
  // A FIFO, device or socket may never end, or change as it is read.
  if (!S_ISREG(info.st_mode)) {
    ::close(fd);
    return not_regular;
  }
  fd_ = fd;
  path_ = path;
  opened_ = info;
  if (!buffer_) buffer_ = std::make_unique<char[]>(buffer_size);
  return 0;
}

void TextFile::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  path_.clear();
  error_ = 0;
  line_number_ = 0;
  begin_ = end_ = 0;
  at_end_ = false;
}

bool TextFile::refill() {
  if (at_end_) return false;
  for (;;) {
    const ssize_t n = ::read(fd_, buffer_.get(), buffer_size);
    if (n > 0) {
      begin_ = 0;
      end_ = static_cast<std::size_t>(n);
      return true;
    }
    if (n == 0) {
      at_end_ = true;
      return false;
    }
    if (errno == EINTR) continue;
    error_ = errno != 0 ? errno : EIO;
    return false;
  }
}

TextFile::Status TextFile::next(std::string& line) {
  line.clear();
  if (fd_ < 0) return Status::end;
  if (error_ != 0) return Status::read_error;
  bool any = false;
  for (;;) {
    if (begin_ == end_ && !refill()) {
      if (error_ != 0) return Status::read_error;
      if (!any) return Status::end;
      break;  // a last line without a newline
    }
    any = true;
    const char* from = buffer_.get() + begin_;
    const std::size_t available = end_ - begin_;
    const void* newline = std::memchr(from, '\n', available);
    const std::size_t take =
        newline != nullptr ? static_cast<std::size_t>(static_cast<const char*>(newline) - from)
                           : available;
    if (line.size() + take > max_line) {
      error_ = 0;
      return Status::too_long;
    }
    line.append(from, take);
    begin_ += take;
    if (newline != nullptr) {
      ++begin_;
      break;
    }
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  ++line_number_;
  return Status::line;
}

bool TextFile::unchanged() const {
  if (fd_ < 0) return true;
  struct stat now {};
  if (fstat(fd_, &now) != 0 || !same_stamp(opened_, now)) return false;
  struct stat at_path {};
  return stat(path_.c_str(), &at_path) == 0 && same_stamp(opened_, at_path);
}

}  // namespace pdferr::common
