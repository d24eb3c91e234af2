// What the fuzz targets share: a private working directory for the files
// they write, standard output silenced (the readers' messages would flood the
// fuzzer's log), stops turned into an exception that the target catches, and
// a hard failure when an invariant breaks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

// Thrown by the stop handler: the toolkit asked to end the process.
struct Stopped {};

// The working directory of one fuzzing process; created on first use and
// removed at exit.
class Scratch {
 public:
  Scratch();
  // Writes the bytes to the file name in the directory; returns its path.
  std::string write(const char* name, const std::uint8_t* data, std::size_t size) const;
  const std::string& dir() const { return dir_; }

 private:
  std::string dir_;
};

// The scratch directory, set up once per process.
const Scratch& scratch();

// Makes the scratch directory the working directory while it lives (the
// grid reader opens its files by relative name); the fuzzer's own relative
// paths need the old one back afterwards.
class InScratch {
 public:
  InScratch();
  ~InScratch();
  InScratch(const InScratch&) = delete;
  InScratch& operator=(const InScratch&) = delete;

 private:
  int old_dir_;
};

// Reports a broken invariant and aborts, which the fuzzer records as a crash.
[[noreturn]] inline void fail(const char* what) {
  std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
  std::abort();
}

inline void require(bool holds, const char* what) {
  if (!holds) fail(what);
}

}  // namespace fuzz
