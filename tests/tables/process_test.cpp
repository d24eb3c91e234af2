// Messages and fatal paths of the table subsystem, run as processes: exact
// bytes on standard output and standard error, and the exit status.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tables_support.hpp"

namespace {

using testsupport::ProcessResult;

struct Scenario {
  testsupport::TempDir dir;
  ProcessResult run(std::vector<std::string> commands) const {
    commands.insert(commands.begin(), {TABLES_DRIVER, dir.path()});
    return testsupport::run_process(commands);
  }
  void table(const std::string& name, const testsupport::PdsTable& t,
             const testsupport::PdsFormat& f = {}) const {
    dir.write(name, testsupport::pds_text(t, f));
  }
};

testsupport::PdsTable standard() {
  return testsupport::make_table(20, 8, 5, 2, testsupport::realistic_value);
}

std::string value_line(const char* tag, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s %.17g\n", tag, v);
  return buf;
}

void expect_run(const ProcessResult& r, const std::string& out, const std::string& err = "") {
  EXPECT_EQ(r.out, out);
  EXPECT_EQ(r.err, err);
  EXPECT_EQ(r.status, 0);
}

TEST(TablesProcess, RejectedSetNumbers) {
  Scenario s;
  for (int iset : {9, 34, 99, 153, 199, 253, 0, -1, -2147483647 - 1}) {
    char expected[80];
    std::snprintf(expected, sizeof expected, " Invalid Iset number in SetZEMO :%12d\n", iset);
    expect_run(s.run({"set", std::to_string(iset), "end"}), expected);
  }
  // The initial loaded set number: returns at once, loads nothing.
  expect_run(s.run({"set", "-987", "dims"}), "dims 0 0 0 0 -987\nend\n");
}

TEST(TablesProcess, MissingFileNamePaddedTo40) {
  Scenario s;
  expect_run(s.run({"set", "100"}),
             "  Data file zemo.00.pds" + std::string(29, ' ') + " cannot be opened in SetZEMO!!\n");
  expect_run(s.run({"set", "22"}), "  Data file zemowas2.pds" + std::string(28, ' ') +
                                       " cannot be opened in SetZEMO!!\n");
}

TEST(TablesProcess, NoFreeUnit) {
  Scenario s;
  expect_run(s.run({"fill", "10", "299", "nextun"}), "nextun 300\nend\n");
  expect_run(s.run({"fill", "10", "300", "nextun", "dims"}), "",
             "STOP  There is no available I/O unit. \n");
}

TEST(TablesProcess, EvaluationMessagesAndWarningOnce) {
  Scenario s;
  const testsupport::PdsTable t = standard();
  s.table("zemo.00.pds", t);
  tables_test::load(t);
  const double v5 = zemopdf(-5, 0.1, 5.0);
  const double v03 = zemopdf(0, 0.1, 0.3);
  expect_run(s.run({"set", "100", "pdf", "0",   "-1e-300", "5", "pdf", "0", "1.0000001", "5",
                    "pdf", "9",   "-1",  "0.1", "pdf",     "6", "0.1", "5", "pdf",       "-6",
                    "0.1", "5",   "pdf", "-5",  "0.1",     "5", "pdf", "0", "0.1",       "0.3",
                    "pdf", "0",   "1",   "5",   "pdf",     "0", "0",   "5"}),
             " X out of range in ZEMOPdf:   -1.0000000000000000E-300\npdf 0\n"
             " X out of range in ZEMOPdf:    1.0000001000000001     \npdf 0\n"
             " X out of range in ZEMOPdf:   -1.0000000000000000     \npdf 0\n"
             " Warning: Iparton out of range in ZEMOPdf! \n"
             " Iparton, MxFlvN0:            6           5\npdf 0\n"
             "pdf 0\n" +
                 value_line("pdf", v5) + value_line("pdf", v03) +
                 value_line("pdf", zemopdf(0, 1.0, 5.0)) + "pdf 0\nend\n");
}

TEST(TablesProcess, FatalEvaluations) {
  Scenario s;
  s.table("zemo.00.pds", standard());
  expect_run(s.run({"set", "100", "pdf", "0", "0.1", "0.29999", "end"}),
             " Q out of range in ZEMOPdf:   0.29998999999999998     \n");
  expect_run(s.run({"set", "100", "pdf", "0", "nan", "5"}),
             "Severe error: x <= 0 in PartonX10! x =          NaN\n");
  expect_run(s.run({"set", "100", "parton", "0", "-0.5", "5"}),
             "Severe error: x <= 0 in PartonX10! x =  -5.0000E-01\n");
  expect_run(s.run({"set", "100", "parton", "0", "1.0001", "5"}),
             "Severe error: x > 1 in PartonX10! x =   1.0001E+00\n");
  // Just below onep the highest bin serves; at onep it is an error.
  ProcessResult r = s.run({"set", "100", "parton", "0", "1.0000100135803221", "5"});
  EXPECT_EQ(r.out.substr(0, 7), "parton ");
  expect_run(s.run({"set", "100", "parton", "0", "1.0000100135803223", "5"}),
             "Severe error: x > 1 in PartonX10! x =   1.0000E+00\n");
}

TEST(TablesProcess, FaultyTableFilesNameTheFile) {
  Scenario s;
  testsupport::PdsTable big = standard();
  big.nx = 250;
  s.table("zemo.00.pds", big);
  expect_run(s.run({"set", "100", "end"}),
             " Error in table file zemo.00.pds at line 7: nx = 250 outside 3 to 201\n");

  testsupport::PdsTable t = standard();
  std::string text = testsupport::pds_text(t);
  text.resize(text.size() - 200);
  text.resize(text.rfind('\n') + 1);
  s.dir.write("zemow37.pds", text);
  ProcessResult r = s.run({"set", "237", "end"});
  EXPECT_EQ(r.out.rfind(" Error in table file zemow37.pds at line ", 0), 0u) << r.out;
  EXPECT_NE(r.out.find(" of 1512 table values read, then end of file\n"), std::string::npos)
      << r.out;
  EXPECT_EQ(r.status, 0);

  s.dir.write("zemo.as3.pds", "only a line\n");
  expect_run(s.run({"set", "13"}),
             " Error in table file zemo.as3.pds at line 1: end of file before record A\n");
}

}  // namespace
