// Member-set descriptions: the two kinds read and resolved, every refusal
// with its line and statement, and the member numbers against the file
// names that the table and grid value types know.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "pdferr/grid_member.hpp"
#include "pdferr/table_set.hpp"
#include "pdferr/uncertainty.h"
#include "pdferr/uncertainty.hpp"
#include "process.hpp"

namespace {

using pdferr::uncertainty::Confidence;
using pdferr::uncertainty::Member;
using pdferr::uncertainty::MemberSet;

TEST(MemberSet, HessianSetReadFromItsFolder) {
  testsupport::TempDir dir;
  dir.write("set.members",
            "# a Hessian set of grid members\r\n"
            "pdferr-members 1\n"
            "source grid\n"
            "directory band   # beside this file\n"
            "hessian 90%\n"
            "\n"
            "central 0\n"
            "pair 1 1 -1\n"
            "pair 2 \"my plus.grid\" /abs/minus.grid\n"
            "pair 3 \"7\" ./8\n");
  const MemberSet s = MemberSet::read(dir.file("set.members"));
  EXPECT_EQ(s.kind(), MemberSet::Kind::hessian);
  EXPECT_EQ(s.source(), MemberSet::Source::grid);
  EXPECT_EQ(s.directory(), dir.file("band"));
  EXPECT_EQ(s.confidence().value(), 0.9);
  EXPECT_FALSE(s.confidence().in_sigmas());
  ASSERT_EQ(s.size(), 7u);
  EXPECT_EQ(s.pairs(), 3u);
  EXPECT_TRUE(s.has_central());
  const struct {
    std::int32_t number;
    std::string path;
  } expected[] = {{0, ""},
                  {1, ""},
                  {-1, ""},
                  {0, dir.file("band/my plus.grid")},
                  {0, "/abs/minus.grid"},
                  {0, dir.file("band/7")},
                  {0, dir.file("band/./8")}};
  for (std::size_t i = 0; i < s.size(); ++i) {
    EXPECT_EQ(s.member(i).number, expected[i].number) << i;
    EXPECT_EQ(s.member(i).path, expected[i].path) << i;
  }
  EXPECT_THROW(s.member(7), std::out_of_range);
}

TEST(MemberSet, ReplicaSetsWithRanges) {
  const MemberSet s = MemberSet::parse(
      "pdferr-members 1\nsource table\nreplicas\nreplica 100..103 110\nreplica 200\n", "r", "/d");
  EXPECT_EQ(s.kind(), MemberSet::Kind::replicas);
  EXPECT_EQ(s.directory(), "/d");
  EXPECT_FALSE(s.has_central());
  ASSERT_EQ(s.replicas(), 6u);
  const std::int32_t numbers[] = {100, 101, 102, 103, 110, 200};
  for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(s.member(i).number, numbers[i]);
  EXPECT_THROW(s.confidence(), std::invalid_argument);
  const MemberSet h = MemberSet::parse(
      "pdferr-members 1\nsource grid\nhessian 1.5 sigma\ncentral 0\npair 1 1 -1\n");
  EXPECT_TRUE(h.confidence().in_sigmas());
  EXPECT_EQ(h.confidence().value(), 1.5);
  EXPECT_EQ(h.directory(), ".");
  const MemberSet p =
      MemberSet::parse("pdferr-members 1\nsource grid\nhessian 68.27%\ncentral 0\npair 1 1 -1\n");
  EXPECT_EQ(p.confidence().value(), 0.6827);
}

TEST(MemberSet, RefusalsNameTheLineAndTheStatement) {
  const std::string head = "pdferr-members 1\nsource grid\nhessian 90%\n";
  const struct {
    std::string text;
    long line;
    std::string field;
    std::string reason;
  } rows[] = {
      {"", 0, "", "the description is empty: it starts with pdferr-members 1"},
      {"source grid\n", 1, "source", "a description starts with: pdferr-members 1"},
      {"pdferr-members 2\n", 1, "pdferr-members",
       "format version 2 is not known; this reader knows 1"},
      {"pdferr-members 1\nsource pdf\n", 2, "source", "the source is table or grid, not pdf"},
      {"pdferr-members 1\nhessian 90\n", 2, "hessian",
       "the statement is written: hessian 90%, or hessian 1 sigma"},
      {"pdferr-members 1\nhessian 100%\n", 2, "hessian",
       "a confidence level lies strictly between 0% and 100%"},
      {"pdferr-members 1\nhessian 0 sigma\n", 2, "hessian",
       "a number of standard deviations is a positive decimal number"},
      {head + "central 0\npair 2 1 -1\n", 5, "pair",
       "pair 2 where pair 1 comes next: pairs are numbered 1, 2, ... in order"},
      {head + "central 0\npair 1 100 -1\n", 5, "pair", "grid member 100 is beyond -99..99"},
      {head + "central 0\ncentral 0\n", 5, "central", "the central member is stated twice"},
      {head + "central 0\nsource table\n", 5, "source", "settings come before the members"},
      {head + "replica 1\n", 4, "replica", "a Hessian set has no replicas"},
      {head + "central \"open\n", 4, "central", "a quoted field is not closed"},
      {head + "central \"a\\n\"\n", 4, "central",
       "in a quoted field, a backslash comes before \" or \\ only"},
      {head + "central \"\"\n", 4, "central", "an empty path"},
      {head + "central 0 1\n", 4, "central", "the statement is written: central MEMBER"},
      {head + "members 3\n", 4, "members", "unknown statement members"},
      {head + "central 0\n", 0, "", "a Hessian set needs at least one pair"},
      {head + "pair 1 1 -1\n", 0, "", "a Hessian set needs its central member"},
      {"pdferr-members 1\nsource table\nreplicas\nreplica 30..101\n", 4, "replica",
       "table set 34 does not exist (sets 10..33, 100..152, 200..252)"},
      {"pdferr-members 1\nsource grid\nreplicas\nreplica 5..2\n", 4, "replica",
       "the range 5..2 is empty or out of bounds"},
      {"pdferr-members 1\nsource grid\nreplicas\n", 0, "",
       "a replica set needs at least one replica"},
      {"pdferr-members 1\nreplicas\ncentral 0\n", 3, "central",
       "the source comes before the members"},
  };
  for (const auto& r : rows) {
    try {
      MemberSet::parse(r.text, "d.members");
      ADD_FAILURE() << r.text;
    } catch (const pdferr::file_error& e) {
      EXPECT_EQ(e.file(), "d.members");
      EXPECT_EQ(e.line(), r.line) << r.text;
      EXPECT_EQ(e.field(), r.field) << r.text;
      EXPECT_EQ(e.reason(), r.reason) << r.text;
    }
  }
  try {
    MemberSet::read("/nonexistent/set.members");
    ADD_FAILURE();
  } catch (const pdferr::file_error& e) {
    EXPECT_STREQ(e.what(), "/nonexistent/set.members: cannot open: No such file or directory");
  }
  EXPECT_THROW(MemberSet::read("/dev/zero"), pdferr::file_error);  // a line over the limit
}

TEST(MemberSet, NumbersAreThoseThatNameFiles) {
  for (int n = -300; n <= 300; ++n) {
    const std::string m = std::to_string(n);
    for (const bool table : {true, false}) {
      bool names_file = true;
      try {
        if (table) {
          (void)pdferr::TableSet::file_name(n);
        } else {
          (void)pdferr::GridMember::file_name(n);
        }
      } catch (const std::invalid_argument&) {
        names_file = false;
      }
      bool accepted = true;
      try {
        MemberSet::parse(std::string("pdferr-members 1\nsource ") + (table ? "table" : "grid") +
                         "\nreplicas\nreplica " + m + "\n");
      } catch (const pdferr::file_error&) {
        accepted = false;
      }
      EXPECT_EQ(accepted, names_file) << (table ? "table set " : "grid member ") << n;
    }
  }
}

}  // namespace

namespace {

// A description by name: NAME.members (or NAME) in the folders of
// PDFERR_DATA_PATH, then in the working folder; a path as it stands.  Its
// numbered members are found in its own folder.
TEST(MemberSet, LoadedByName) {
  testsupport::TempDir work, a, b;
  const testsupport::ScopedEnvironment path("PDFERR_DATA_PATH",
                                            (a.path() + ":" + b.path()).c_str());
  const auto text = [](int pairs) {
    std::string t = "pdferr-members 1\nsource grid\nhessian 1 sigma\ncentral 0\n";
    for (int k = 1; k <= pairs; ++k)
      t += "pair " + std::to_string(k) + " " + std::to_string(k) + " -" + std::to_string(k) + "\n";
    return t;
  };
  b.write("mysets.members", text(2));
  work.write("mysets.members", text(3));
  work.write("plain", text(4));
  const std::filesystem::path saved = std::filesystem::current_path();
  std::filesystem::current_path(work.path());
  EXPECT_EQ(MemberSet::locate("mysets"), b.file("mysets.members"));
  EXPECT_EQ(MemberSet::load("mysets").pairs(), 2u);
  EXPECT_EQ(MemberSet::load("mysets.members").pairs(), 2u);
  EXPECT_EQ(MemberSet::load("mysets").directory(), b.path());
  EXPECT_EQ(MemberSet::load("./mysets.members").pairs(), 3u);  // a path: as it stands
  a.write("mysets.members", text(1));
  EXPECT_EQ(MemberSet::load("mysets").pairs(), 1u);
  EXPECT_EQ(MemberSet::load("plain").pairs(), 4u);  // no plain.members: the name itself
  pdferr_member_set* set = nullptr;
  pdferr_member_set_info info{};
  ASSERT_EQ(pdferr_member_set_load("mysets", &set, nullptr), PDFERR_OK);
  ASSERT_EQ(pdferr_member_set_get_info(set, &info, nullptr), PDFERR_OK);
  EXPECT_EQ(info.pairs, 1u);
  pdferr_member_set_close(set, nullptr);
  pdferr_error err{};
  EXPECT_EQ(pdferr_member_set_load("absent", &set, &err), PDFERR_FILE_ERROR);
  EXPECT_STREQ(
      err.message,
      "absent: no description absent.members in PDFERR_DATA_PATH or in the working folder");
  EXPECT_EQ(set, nullptr);
  std::filesystem::current_path(saved);
}

}  // namespace
