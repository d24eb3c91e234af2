// Line input of files: every outcome told apart, memory bounded; and the C
// interface's mapping of exceptions to status codes.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <stdio.h>
#include <stdlib.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ios>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/c_status.hpp"
#include "common/text_file.hpp"

namespace {

using pdferr::common::TextFile;
using Status = TextFile::Status;

std::string temp_file(const std::string& content) {
  char name[] = "/tmp/text_file_test_XXXXXX";
  const int fd = mkstemp(name);
  std::FILE* f = fdopen(fd, "wb");
  std::fwrite(content.data(), 1, content.size(), f);
  std::fclose(f);
  return name;
}

std::vector<std::string> lines_of(const std::string& path) {
  TextFile file;
  EXPECT_EQ(file.open(path.c_str()), 0);
  std::vector<std::string> lines;
  std::string line;
  while (file.next(line) == Status::line) lines.push_back(line);
  EXPECT_EQ(file.line_number(), static_cast<long>(lines.size()));
  return lines;
}

TEST(TextFile, LinesAsWrittenWhateverTheirEnds) {
  const std::string nul("a\0b", 3);
  // CR LF and LF ends, an empty line, an embedded NUL, a last line without
  // a newline, and a line across several read buffers.
  const std::string long_line(TextFile::buffer_size * 2 + 7, 'x');
  const std::string path = temp_file("one\r\ntwo\n\n" + nul + "\n" + long_line + "\r\nlast\rline");
  const std::vector<std::string> expected = {"one", "two", "", nul, long_line, "last\rline"};
  EXPECT_EQ(lines_of(path), expected);
  std::remove(path.c_str());
}

TEST(TextFile, FailuresToldApartFromTheEnd) {
  TextFile file;
  EXPECT_EQ(file.open("/nonexistent/file"), ENOENT);
  EXPECT_EQ(file.open("/tmp"), EISDIR);

  // A read error: reading a process's own memory at offset 0 fails.
  ASSERT_EQ(file.open("/proc/self/mem"), 0);
  std::string line;
  EXPECT_EQ(file.next(line), Status::read_error);
  EXPECT_EQ(file.error(), EIO);

  // An endless line stops at the bound, with bounded memory.
  const std::string long_line = temp_file(std::string(TextFile::max_line + 1, 'a'));
  ASSERT_EQ(file.open(long_line.c_str()), 0);
  EXPECT_EQ(file.next(line), Status::too_long);
  EXPECT_LE(line.size(), TextFile::max_line);
  std::remove(long_line.c_str());

  // What is not a regular file is refused at once: a FIFO without a writer
  // would make the open wait, a device may never end.
  const std::string fifo = long_line + ".fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const char* path : {fifo.c_str(), "/dev/zero", "/dev/null"}) {
    EXPECT_EQ(file.open(path), TextFile::not_regular) << path;
  }
  std::remove(fifo.c_str());
  EXPECT_EQ(TextFile::reason(TextFile::not_regular), "not a regular file");
}

TEST(TextFile, ARewrittenFileIsNoticed) {
  const std::string path = temp_file("first\nsecond\n");
  TextFile file;
  ASSERT_EQ(file.open(path.c_str()), 0);
  EXPECT_TRUE(file.unchanged());
  std::ofstream(path, std::ios::app) << "third\n";
  EXPECT_FALSE(file.unchanged());
  // Replaced by another file under the same name.
  ASSERT_EQ(file.open(path.c_str()), 0);
  const std::string other = temp_file("first\nsecond\n");
  ASSERT_EQ(std::rename(other.c_str(), path.c_str()), 0);
  EXPECT_FALSE(file.unchanged());
  std::remove(path.c_str());
}

TEST(CStatus, EachExceptionItsCode) {
  using pdferr::common::c_call;
  pdferr_error err{};
  EXPECT_EQ(c_call(&err, [] {}), PDFERR_OK);
  EXPECT_EQ(err.code, PDFERR_OK);
  EXPECT_STREQ(err.message, "");

  EXPECT_EQ(c_call(&err, [] { throw pdferr::file_error("t.pds", 12, "record C", "bad"); }),
            PDFERR_FILE_ERROR);
  EXPECT_EQ(err.line, 12);
  EXPECT_STREQ(err.message, "t.pds, line 12, record C: bad");

  EXPECT_EQ(c_call(&err, [] { throw pdferr::domain_error("x = 2 outside [0, 1]", 7); }),
            PDFERR_DOMAIN_ERROR);
  EXPECT_EQ(err.index, 7);
  EXPECT_EQ(c_call(&err, [] { throw std::invalid_argument("seed"); }), PDFERR_INVALID_ARGUMENT);
  EXPECT_EQ(c_call(&err, [] { throw std::bad_alloc(); }), PDFERR_OUT_OF_MEMORY);
  EXPECT_EQ(c_call(nullptr, [] { throw 1; }), PDFERR_INTERNAL_ERROR);

  // A message longer than the record is cut short, terminated.
  c_call(&err, [] { throw std::invalid_argument(std::string(5000, 'm')); });
  EXPECT_EQ(std::string(err.message).size(), sizeof err.message - 1);
}

}  // namespace
