// The search rule of data files: an explicit directory, the folders of
// PDFERR_DATA_PATH, the working folder; the legacy order with the working
// folder first; what the variable may hold.
#include <gtest/gtest.h>
#include <unistd.h>

#include <stdlib.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "common/data_path.hpp"

namespace {

namespace fs = std::filesystem;
using pdferr::common::data_path_folders;
using pdferr::common::find_data_file;
using pdferr::common::find_legacy_file;

// A scratch tree: folders dir, a, b and the working folder work, which
// becomes the process's working folder; PDFERR_DATA_PATH restored after.
class DataPath : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("pdferr-path-" + std::to_string(getpid()));
    for (const char* d : {"dir", "a", "b", "work"}) fs::create_directories(root_ / d);
    old_cwd_ = fs::current_path();
    fs::current_path(root_ / "work");
    if (const char* v = std::getenv("PDFERR_DATA_PATH")) old_path_ = v;
  }
  void TearDown() override {
    fs::current_path(old_cwd_);
    fs::remove_all(root_);
    if (old_path_) {
      setenv("PDFERR_DATA_PATH", old_path_->c_str(), 1);
    } else {
      unsetenv("PDFERR_DATA_PATH");
    }
  }
  std::string in(const char* folder) const { return (root_ / folder).string(); }
  void put(const char* folder, const std::string& name) const {
    std::ofstream(root_ / folder / name) << "x\n";
  }

  fs::path root_, old_cwd_;
  std::optional<std::string> old_path_;
};

TEST_F(DataPath, ExplicitDirectoryThenPathThenWorkingFolder) {
  setenv("PDFERR_DATA_PATH", (in("a") + ":" + in("b")).c_str(), 1);
  const std::string dir = in("dir");
  // Where the name is: the folders in search order, each holding it or not.
  struct Case {
    bool dir, a, b, work;
    std::string value;   // found by the value faces with the directory
    std::string legacy;  // found by the legacy routines
  };
  const std::string n = "f.pds";
  const Case cases[] = {
      {true, true, true, true, dir + "/" + n, n},
      {false, true, true, true, in("a") + "/" + n, n},
      {false, false, true, true, in("b") + "/" + n, n},
      {false, false, false, true, n, n},
      {false, false, true, false, in("b") + "/" + n, in("b") + "/" + n},
      {true, false, false, false, dir + "/" + n, n},
  };
  for (const Case& c : cases) {
    for (const char* f : {"dir", "a", "b", "work"}) fs::remove(root_ / f / n);
    if (c.dir) put("dir", n);
    if (c.a) put("a", n);
    if (c.b) put("b", n);
    if (c.work) put("work", n);
    SCOPED_TRACE(c.value);
    EXPECT_EQ(find_data_file(n, dir).value_or("none"), c.value);
    EXPECT_EQ(find_legacy_file(n), c.legacy);
  }
  // Found nowhere: nothing for the value faces, the name for the legacy ones.
  for (const char* f : {"dir", "a", "b", "work"}) fs::remove(root_ / f / n);
  EXPECT_FALSE(find_data_file(n, dir).has_value());
  EXPECT_EQ(find_legacy_file(n), n);
  // Without a directory, the path comes before the working folder.
  put("b", n);
  put("work", n);
  EXPECT_EQ(find_data_file(n).value_or("none"), in("b") + "/" + n);
  // A directory in the way is found where it stands, not passed over.
  fs::create_directory(root_ / "a" / n);
  EXPECT_EQ(find_data_file(n).value_or("none"), in("a") + "/" + n);
}

TEST_F(DataPath, WhatTheVariableMayHold) {
  // Empty entries are left out; a trailing slash is kept as given.
  setenv("PDFERR_DATA_PATH", (":" + in("a") + "::" + in("b") + "/:").c_str(), 1);
  EXPECT_EQ(data_path_folders(), (std::vector<std::string>{in("a"), in("b") + "/"}));
  put("b", "g.grid");
  EXPECT_EQ(find_data_file("g.grid").value_or("none"), in("b") + "/g.grid");
  // Nothing at all, or colons alone: the working folder alone.
  for (const char* empty : {"", ":", "::"}) {
    setenv("PDFERR_DATA_PATH", empty, 1);
    EXPECT_TRUE(data_path_folders().empty());
  }
  unsetenv("PDFERR_DATA_PATH");
  EXPECT_TRUE(data_path_folders().empty());
  EXPECT_FALSE(find_data_file("g.grid").has_value());
  // A relative entry is taken from the working folder.
  setenv("PDFERR_DATA_PATH", "../b", 1);
  EXPECT_EQ(find_data_file("g.grid").value_or("none"), "../b/g.grid");
  EXPECT_EQ(find_legacy_file("g.grid"), "../b/g.grid");
  // A name with a slash is a path: never searched.
  EXPECT_EQ(find_data_file("sub/g.grid").value_or("none"), "sub/g.grid");
  EXPECT_EQ(find_legacy_file("sub/g.grid"), "sub/g.grid");
}

}  // namespace
