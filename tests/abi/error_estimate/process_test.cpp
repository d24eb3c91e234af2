// The random sampling toolkit seen from outside: messages on each stream,
// byte for byte, exit status, and positions carried from one process to the
// next.
#include <gtest/gtest.h>

#include <cstddef>
#include <sstream>
#include <string>
#include <vector>

#include "process.hpp"

using testsupport::run_process;

namespace {

const std::string driver = EE_DRIVER;
const std::string init_default = "  RANMAR INITIALIZED:   54217137           0         0\n";

TEST(GeneratorProcess, FirstDrawInitialisesWithDefaultSeed) {
  auto r = run_process({driver, "fresh"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, init_default);
  // The published first five numbers of the default seed, then the count.
  EXPECT_EQ(r.out,
            "position 0 -1 0\n1952718\n16187443\n14813785\n7054599\n8319089\n"
            "position 54217137 5 0\n");
}

TEST(GeneratorProcess, RestoreSkipsWithMessages) {
  // The published six numbers after 20000 from the default seed.
  auto r = run_process({driver, "restore", "54217137", "20000", "0", "6"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err,
            "  RANMAR INITIALIZED:   54217137       20000         0\n"
            " RMARIN SKIPPING OVER           20000\n");
  EXPECT_EQ(r.out,
            "6533892\n14220222\n7275067\n6172232\n8354498\n10633180\n"
            "position 54217137 20006 0\n");
}

TEST(GeneratorProcess, NegativeCountsTakenAsZeroAndSeedOverflowsField) {
  auto r = run_process({driver, "restore", "54217137", "-5", "-7", "1"});
  EXPECT_EQ(r.err, init_default);
  EXPECT_EQ(r.out, "1952718\nposition 54217137 1 0\n");
  // A seed below -999999999 does not fit I10; no range test is made.
  r = run_process({driver, "restore", "-1000000000", "0", "0", "0"});
  EXPECT_EQ(r.err, "  RANMAR INITIALIZED: **********           0         0\n");
  EXPECT_EQ(r.out, "position -1000000000 0 0\n");
}

TEST(GeneratorProcess, CountCarriesIntoBlocks) {
  // 999999998 skipped, then 3 drawn: the count passes the block of 10^9.
  auto r = run_process({driver, "restore", "54217137", "999999998", "0", "3"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err,
            "  RANMAR INITIALIZED:   54217137   999999998         0\n"
            " RMARIN SKIPPING OVER       999999998\n");
  EXPECT_NE(r.out.find("position 54217137 1 1\n"), std::string::npos) << r.out;
}

TEST(GeneratorProcess, WholeBlocksSkippedOnePassEach) {
  auto r = run_process({driver, "restore", "12345", "5", "2", "1"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err,
            "  RANMAR INITIALIZED:      12345           5         2\n"
            " RMARIN SKIPPING OVER      1000000000\n"
            " RMARIN SKIPPING OVER      1000000000\n"
            " RMARIN SKIPPING OVER               5\n");
  EXPECT_NE(r.out.find("position 12345 6 2\n"), std::string::npos) << r.out;
}

TEST(GeneratorProcess, PositionRestoredInAnotherProcess) {
  // Odd counts drawn one at a time; the report from one process restores the
  // same following numbers in a second process.
  for (const char* n : {"1", "97", "12345"}) {
    auto first = run_process({driver, "report", n});
    ASSERT_EQ(first.status, 0);
    std::string head = first.out.substr(0, first.out.find('\n'));
    std::string seed, count, blocks, word;
    std::istringstream(head) >> word >> seed >> count >> blocks;
    auto second = run_process({driver, "restore", seed, count, blocks, "5"});
    std::string tail = first.out.substr(first.out.find('\n') + 1);
    EXPECT_EQ(second.out.substr(0, tail.size()), tail) << "after " << n;
  }
}

TEST(GeneratorProcess, PositionsBeyond2To31RestoredInAnotherProcess) {
  // 20 numbers from 2999999990 on cross into the fourth block of 10^9; a new
  // process restored at 3000000000 draws the last 10 of them again and ends
  // at the same position, for the default seed and for the largest one.
  for (const char* seed : {"54217137", "2147483647"}) {
    auto first = run_process({driver, "restore", seed, "999999990", "2", "20"});
    ASSERT_EQ(first.status, 0);
    auto second = run_process({driver, "restore", seed, "0", "3", "10"});
    std::size_t skip = 0;
    for (int k = 0; k < 10; ++k) skip = first.out.find('\n', skip) + 1;
    EXPECT_EQ(second.out, first.out.substr(skip)) << "seed " << seed;
    EXPECT_EQ(second.out.substr(second.out.rfind("position")),
              std::string("position ") + seed + " 10 3\n");
  }
}

TEST(GeneratorProcess, MessagesFollowUnitInInout) {
  auto r = run_process({driver, "iout", "6"});
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "  RANMAR INITIALIZED:   54217137           3         0\n"
            " RMARIN SKIPPING OVER               3\n"
            "position 54217137 4 0\n");
  // Any other unit that the program did not connect goes to "fort.N".
  testsupport::TempDir dir;
  r = run_process({driver, "iout", "42"}, dir.path());
  EXPECT_EQ(r.out, "position 54217137 4 0\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(testsupport::read_file(dir.file("fort.42")),
            "  RANMAR INITIALIZED:   54217137           3         0\n"
            " RMARIN SKIPPING OVER               3\n");
}

TEST(GeneratorProcess, ZeroCountLeavesGeneratorUninitialised) {
  // No initialisation and no line until a call draws a number.
  auto r = run_process({driver, "ranmar-zero"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, init_default);
  EXPECT_EQ(r.out, "position 0 -1 0\nposition 54217137 1 0\n");
}

TEST(DeviatesProcess, ZeroCountLeavesGeneratorUninitialised) {
  auto r = run_process({driver, "gaudev-zero"});
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "position 0 -1 0\n");
}

TEST(VectorsProcess, LengthLimitMessage) {
  auto r = run_process({driver, "mvndev", "101"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  // x untouched (-7 = 0xc0e00000), nothing drawn, so no initialisation.
  EXPECT_EQ(r.out,
            " ERROR IN MVNDEV. VECTOR LENGTH NP=  101, BUT MAXIMUM ALLOWED IS  100\n"
            "x1 c0e00000\nposition 0 -1 0\n");
  r = run_process({driver, "mvndev", "100000"});
  EXPECT_EQ(r.out,
            " ERROR IN MVNDEV. VECTOR LENGTH NP=*****, BUT MAXIMUM ALLOWED IS  100\n"
            "x1 c0e00000\nposition 0 -1 0\n");
  r = run_process({driver, "mvndev", "100"});
  EXPECT_EQ(r.err, init_default);
  EXPECT_NE(r.out.find("position 54217137"), std::string::npos);
  for (const char* np : {"0", "-3"}) {
    r = run_process({driver, "mvndev", np});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "x1 c0e00000\nposition 0 -1 0\n");
  }
}

TEST(ToyProcess, PrintsNothingWhateverItsArguments) {
  for (auto args :
       {std::vector<std::string>{TOY}, std::vector<std::string>{TOY, "-x", "a b", ""}}) {
    auto r = run_process(args);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
  }
}

}  // namespace

#ifdef EE_FORTRAN
namespace {
TEST(FortranInterface, GfortranProgramLinksAndAgrees) {
  auto r = testsupport::run_process({EE_FORTRAN});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  // Messages go to unit 6 as the program asked through inout.
  EXPECT_EQ(r.out,
            "fresh          0         -1          0\n"
            "  RANMAR INITIALIZED:   54217137           0         0\n"
            "block  97  33    362436\n"
            "ranmar   1952718  16187443  14813785   7054599   8319089\n"
            "rmarut   54217137          5          0\n"
            "  RANMAR INITIALIZED:   54217137           0         0\n"
            "gaudev BE1E3368 3E891609 BEEF6835 3F17126A 3FD52133\n"
            "corset   2.0   1.0  -1.0   2.0\n"
            "  RANMAR INITIALIZED:   54217137           0         0\n"
            "mvndev BE9E3368 3EC3125E\n"
            " ERROR IN MVNDEV. VECTOR LENGTH NP=  101, BUT MAXIMUM ALLOWED IS  100\n"
            "unit 20: own line\n"
            "unit 20:   RANMAR INITIALIZED:   54217137           2         0\n"
            "unit 20:  RMARIN SKIPPING OVER               2\n"
            "unit 20: own line after\n");
}
}  // namespace
#endif
