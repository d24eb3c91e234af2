// The catalogue of bad input files, run alike for every reader: each case
// puts its file in place, and a driver that loaded a valid file before must
// print its digest of the blocks, the message and the same digest again
// (nothing overwritten) and exit with status 1; the valid file then loads in
// a fresh process.  A case without a message loads normally.
#ifndef PDFERR_TESTS_BAD_FILES_HPP
#define PDFERR_TESTS_BAD_FILES_HPP

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <string>
#include <vector>

#include "process.hpp"

namespace testsupport {

struct BadFile {
  const char* what;
  FileKind kind;
  std::string text;     // the content, or the target of a link
  std::string message;  // empty: the file loads normally
  bool as_nobody = true;
  bool unit_busy = false;  // the unit the reader takes is connected elsewhere
};

struct BadFileReader {
  std::string name;        // the file the driver loads
  std::string valid_text;  // and its valid content
  // Writes the files the driver loads besides the bad one.
  std::function<void(const TempDir&)> prepare;
  // Loads a valid file, then the bad one.
  std::function<ProcessResult(const TempDir&, const BadFile&)> refuse;
  // Loads the file (as nobody on request) and prints `loaded`.
  std::function<ProcessResult(const TempDir&, bool as_nobody)> load;
  std::string loaded;
};

inline void expect_loaded(const BadFileReader& reader, const ProcessResult& r) {
  EXPECT_EQ(r.out, reader.loaded);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0);
}

inline void run_bad_files(const BadFileReader& reader, const std::vector<BadFile>& cases) {
  for (const BadFile& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    // Runs as nobody, so that permissions apply even to root.
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    reader.prepare(dir);
    place_file(dir, reader.name, c.kind, c.text);
    if (c.message.empty()) {
      expect_loaded(reader, reader.load(dir, true));
      continue;
    }
    const ProcessResult r = reader.refuse(dir, c);
    const std::string digest = r.out.substr(0, r.out.find('\n') + 1);
    EXPECT_EQ(digest.rfind("digest ", 0), 0u) << r.out;
    EXPECT_EQ(r.out, digest + c.message + "\n" + digest);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 1);

    place_file(dir, reader.name, FileKind::text, reader.valid_text);
    expect_loaded(reader, reader.load(dir, false));
  }
}

}  // namespace testsupport

#endif
