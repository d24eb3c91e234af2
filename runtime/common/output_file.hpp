// Named output files written whole or not at all.
//
// The bytes go to a temporary file in the folder of the target (after its
// symbolic links are followed), which is flushed, synced and then renamed
// over the target: a reader sees the old file or the new one, never a part.
// The temporary takes the old file's permission bits (a new file gets 0666
// less the umask).  On any failure the temporary is removed, the target is
// left as it was, and the failure is told with the system's reason.
//
// A target that exists and is not a regular file (/dev/null, a FIFO, a
// terminal) is written directly: it has no content to keep.  A FIFO without
// a reader is refused rather than waited for.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pdferr::common {

// Faults to inject, for the tests of the failure paths: the write fails with
// ENOSPC once fail_at_byte bytes are written (-1: never), the sync fails with
// EIO, the rename fails with EXDEV.
struct OutputFaults {
  long long fail_at_byte = -1;
  bool fail_sync = false;
  bool fail_rename = false;
};

class OutputFile {
 public:
  explicit OutputFile(OutputFaults faults = {}) : faults_(faults) {}
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  // An output never committed is abandoned: its temporary is removed.
  ~OutputFile() { abandon(); }

  // Starts the replacement of path.  False on failure, with message().
  bool open(const std::string& path);
  // Appends bytes.  False on failure, with message(); the output is then
  // abandoned.
  bool write(const void* data, std::size_t size);
  bool write(std::string_view text) { return write(text.data(), text.size()); }
  // Flushes, syncs and renames the temporary over the target.  False on
  // failure, with message(); the target is then as it was.
  bool commit();
  // Removes the temporary, leaving the target as it was.
  void abandon();

  // "PATH: cannot be written (REASON)" after a failure.
  const std::string& message() const { return message_; }
  // The errno of the failure.
  int error() const { return error_; }

 private:
  bool fail(int error);

  OutputFaults faults_;
  std::string path_;       // as given, for messages
  std::string target_;     // symbolic links followed
  std::string temporary_;  // empty when writing the target directly
  int fd_ = -1;
  long long written_ = 0;
  int error_ = 0;
  std::string message_;
};

// Writes text to path whole or not at all: "" on success, else the message.
std::string write_whole_file(const std::string& path, std::string_view text,
                             OutputFaults faults = {});

// Whether the two paths name the same existing file (the same device and
// inode, symbolic links followed).
bool same_file(const std::string& a, const std::string& b);

}  // namespace pdferr::common
