// Reading a text file line by line, bounded and with every failure told
// apart: the end of the file, a read error with the system's reason, and a
// line longer than any file of the toolkit holds.  Memory stays bounded by
// the longest line, however long the file: a reader stops where its data
// ends and never takes in the rest.
//
// The file's identity, size and modification time are taken when it is
// opened; unchanged() compares them with the file as it is now, so that a
// file rewritten while it was read is refused rather than loaded as a mix.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include <sys/stat.h>

namespace pdferr::common {

class TextFile {
 public:
  // Longest line accepted, newline excluded: a whole table of 55275 values
  // of some 24 characters each may stand on one line.
  static constexpr std::size_t max_line = 4u << 20;
  static constexpr std::size_t buffer_size = 1u << 16;

  enum class Status { line, end, read_error, too_long };

  TextFile() = default;
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;
  ~TextFile();

  // What open() returns for a file that is not a regular file (a FIFO, a
  // device, a socket): no errno tells it, so a value beyond them does.
  static constexpr int not_regular = 0x10000;
  // The text of a failure of open(): the system's, or "not a regular file".
  static std::string reason(int error);

  // Opens path for reading.  Returns 0, or the errno of the failure: a
  // directory is refused with EISDIR, any other file that is not a regular
  // file with not_regular.  A FIFO or device never makes the open wait.
  int open(const char* path);
  void close();
  bool is_open() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }

  // The next line into line, without its newline and without one carriage
  // return before it.  On read_error, error() gives the errno.
  Status next(std::string& line);
  int error() const { return error_; }
  // Lines taken so far.
  long line_number() const { return line_number_; }

  // Whether the file at its path is still the one opened, with the same
  // size and modification time.
  bool unchanged() const;

  // The file as it was when opened (device and inode tell it apart).
  const struct stat& opened() const { return opened_; }

 private:
  // Refills the buffer; false at the end of the file or on an error.
  bool refill();

  int fd_ = -1;
  std::string path_;
  struct stat opened_ {};
  int error_ = 0;
  long line_number_ = 0;
  // Bytes read ahead of the lines taken: buffer_[begin_, end_).
  std::unique_ptr<char[]> buffer_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  bool at_end_ = false;
};

}  // namespace pdferr::common
