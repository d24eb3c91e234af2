// Named outputs written whole or not at all: every injected failure leaves
// the old file (or its absence) as it was and no temporary behind; a
// success keeps the old file's mode and replaces the file a link names.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stdlib.h>
#include <sys/types.h>
#include <cstdlib>
#include <fstream>
#include <ios>
#include <iterator>
#include <set>
#include <string>

#include "common/output_file.hpp"

namespace {

using pdferr::common::OutputFaults;
using pdferr::common::OutputFile;
using pdferr::common::same_file;
using pdferr::common::write_whole_file;

struct Folder {
  std::string path;
  Folder() {
    char name[] = "/tmp/pdferr-output-XXXXXX";
    path = mkdtemp(name);
  }
  ~Folder() { std::system(("rm -rf '" + path + "'").c_str()); }
  std::string operator/(const std::string& name) const { return path + "/" + name; }
  std::set<std::string> names() const {
    std::set<std::string> out;
    DIR* d = opendir(path.c_str());
    while (const dirent* e = readdir(d)) {
      const std::string n = e->d_name;
      if (n != "." && n != "..") out.insert(n);
    }
    closedir(d);
    return out;
  }
};

std::string content(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

mode_t mode(const std::string& path) {
  struct stat s {};
  return stat(path.c_str(), &s) == 0 ? s.st_mode & 07777 : 0;
}

TEST(OutputFile, EveryFailureLeavesTheOldFileAndNoTemporary) {
  const std::string text(100000, 'n');
  struct Case {
    const char* name;
    OutputFaults faults;
    const char* reason;
  };
  const Case cases[] = {
      {"at byte 0", {0, false, false}, "No space left on device"},
      {"at byte 65536", {65536, false, false}, "No space left on device"},
      {"at the last byte", {99999, false, false}, "No space left on device"},
      {"at the sync", {-1, true, false}, "Input/output error"},
      {"at the rename", {-1, false, true}, "Invalid cross-device link"},
  };
  for (const Case& c : cases) {
    for (const bool old : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (old ? ", over an old file" : ", no old file"));
      const Folder f;
      if (old) {
        ASSERT_EQ(write_whole_file(f / "out", "old"), "");
      }
      EXPECT_EQ(write_whole_file(f / "out", text, c.faults),
                f / "out" + ": cannot be written (" + c.reason + ")");
      EXPECT_EQ(f.names(), old ? std::set<std::string>{"out"} : std::set<std::string>{});
      if (old) {
        EXPECT_EQ(content(f / "out"), "old");
      }
    }
  }
}

TEST(OutputFile, KeepsTheModeAndFollowsLinks) {
  const Folder f;
  ASSERT_EQ(write_whole_file(f / "a", "old"), "");
  ASSERT_EQ(chmod((f / "a").c_str(), 0640), 0);
  ASSERT_EQ(symlink("a", (f / "link").c_str()), 0);
  ASSERT_EQ(symlink("later", (f / "dangling").c_str()), 0);
  EXPECT_EQ(write_whole_file(f / "link", "new"), "");
  EXPECT_EQ(write_whole_file(f / "dangling", "made"), "");
  EXPECT_EQ(content(f / "a"), "new");
  EXPECT_EQ(mode(f / "a"), 0640u);
  EXPECT_EQ(content(f / "later"), "made");
  struct stat s {};
  ASSERT_EQ(lstat((f / "link").c_str(), &s), 0);
  EXPECT_TRUE(S_ISLNK(s.st_mode));
  EXPECT_EQ(f.names(), (std::set<std::string>{"a", "dangling", "later", "link"}));
  EXPECT_TRUE(same_file(f / "link", f / "a"));
  ASSERT_EQ(link((f / "a").c_str(), (f / "hard").c_str()), 0);
  EXPECT_TRUE(same_file(f / "hard", f / "link"));
  EXPECT_FALSE(same_file(f / "a", f / "later"));
  EXPECT_FALSE(same_file(f / "a", f / "missing"));
}

// What is not a regular file is written as it is, or refused at once.
TEST(OutputFile, SpecialFiles) {
  const Folder f;
  EXPECT_EQ(write_whole_file("/dev/null", "gone"), "");
  EXPECT_EQ(write_whole_file("/dev/full", "x"),
            "/dev/full: cannot be written (No space left on device)");
  EXPECT_EQ(write_whole_file(f.path, "x"), f.path + ": cannot be written (Is a directory)");
  ASSERT_EQ(mkfifo((f / "fifo").c_str(), 0600), 0);
  EXPECT_EQ(write_whole_file(f / "fifo", "x"),
            f / "fifo" + ": cannot be written (No such device or address)");  // no reader
  const int reader = open((f / "fifo").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_EQ(write_whole_file(f / "fifo", "through"), "");
  char buf[16] = {};
  EXPECT_EQ(read(reader, buf, sizeof buf), 7);
  close(reader);
  EXPECT_EQ(std::string(buf), "through");
}

}  // namespace
