// Messages and fatal paths of the table subsystem, run as processes: exact
// bytes on standard output and standard error, and the exit status.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>

#include <sys/types.h>
#include <cstdio>
#include <string>
#include <vector>

#include "bad_files.hpp"
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

// A run to its end (exit status 0), or one that a fatal error stops (1).
void expect_run(const ProcessResult& r, const std::string& out, const std::string& err = "",
                int status = 0) {
  EXPECT_EQ(r.out, out);
  EXPECT_EQ(r.err, err);
  EXPECT_EQ(r.status, status);
}

void expect_stop(const ProcessResult& r, const std::string& out, const std::string& err = "") {
  expect_run(r, out, err, 1);
}

TEST(TablesProcess, RejectedSetNumbers) {
  Scenario s;
  for (int iset : {9, 34, 99, 153, 199, 253, 0, -1, -2147483647 - 1}) {
    char expected[80];
    std::snprintf(expected, sizeof expected, " Invalid Iset number in SetZEMO :%12d\n", iset);
    expect_stop(s.run({"set", std::to_string(iset), "end"}), expected);
  }
  // The initial loaded set number: returns at once, loads nothing.
  expect_run(s.run({"set", "-987", "dims"}), "dims 0 0 0 0 -987\nend\n");
}

TEST(TablesProcess, MissingFileNamePaddedTo40) {
  Scenario s;
  expect_stop(s.run({"set", "100"}), "  Data file zemo.00.pds" + std::string(29, ' ') +
                                         " cannot be opened in SetZEMO!!\n");
  {
    // Found nowhere on the search path either: the same line.
    const testsupport::TempDir shelf;
    const testsupport::ScopedEnvironment path("PDFERR_DATA_PATH", shelf.path().c_str());
    expect_stop(s.run({"set", "100"}), "  Data file zemo.00.pds" + std::string(29, ' ') +
                                           " cannot be opened in SetZEMO!!\n");
  }
  expect_stop(s.run({"set", "22"}), "  Data file zemowas2.pds" + std::string(28, ' ') +
                                        " cannot be opened in SetZEMO!!\n");
}

TEST(TablesProcess, NoFreeUnit) {
  Scenario s;
  expect_run(s.run({"fill", "10", "299", "nextun"}), "nextun 300\nend\n");
  expect_stop(s.run({"fill", "10", "300", "nextun", "dims"}), "",
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
  expect_stop(s.run({"set", "100", "pdf", "0", "0.1", "0.29999", "end"}),
              " Q out of range in ZEMOPdf:   0.29998999999999998     \n");
  expect_stop(s.run({"set", "100", "pdf", "0", "nan", "5"}),
              "Severe error: x <= 0 in PartonX10! x =          NaN\n");
  expect_stop(s.run({"set", "100", "parton", "0", "-0.5", "5"}),
              "Severe error: x <= 0 in PartonX10! x =  -5.0000E-01\n");
  expect_stop(s.run({"set", "100", "parton", "0", "1.0001", "5"}),
              "Severe error: x > 1 in PartonX10! x =   1.0001E+00\n");
  // Just below onep the highest bin serves; at onep it is an error.
  ProcessResult r = s.run({"set", "100", "parton", "0", "1.0000100135803221", "5"});
  EXPECT_EQ(r.out.substr(0, 7), "parton ");
  expect_stop(s.run({"set", "100", "parton", "0", "1.0000100135803223", "5"}),
              "Severe error: x > 1 in PartonX10! x =   1.0000E+00\n");
}

// Tables read from a unit the caller connects: readpds0 reads a unit
// connected for reading, and a file connected for reading is never emptied
// (fio_connect refuses it with EBUSY); readpds0 refuses a unit it cannot
// read, and an evaluation before any load stops, each with a line naming
// what to call.
TEST(TablesProcess, UnitsTheCallerConnects) {
  Scenario s;
  s.table("zemo.00.pds", standard());
  const std::string text = testsupport::read_file(s.dir.file("zemo.00.pds"));
  expect_run(
      s.run({"open", "20", "zemo.00.pds", "connect", "21", "zemo.00.pds", "read", "20", "dims"}),
      "open 20 0\nconnect 21 16\ndims 20 8 5 2 0\nend\n");
  EXPECT_EQ(testsupport::read_file(s.dir.file("zemo.00.pds")), text);
  // A table read directly is evaluated, and setzemo of the set loaded
  // before loads that set again.
  const testsupport::PdsTable other =
      testsupport::make_table(12, 5, 5, 2, testsupport::quadratic_value);
  s.table("zemo.01.pds", other);
  tables_test::load(other);
  const std::string read_value = value_line("pdf", zemopdf(0, 0.1, 5.0));
  tables_test::load(standard());
  const std::string set_value = value_line("pdf", zemopdf(0, 0.1, 5.0));
  expect_run(s.run({"set", "100", "open", "20", "zemo.01.pds", "read", "20", "pdf", "0", "0.1", "5",
                    "set", "100", "pdf", "0", "0.1", "5"}),
             "open 20 0\n" + read_value + set_value + "end\n");
  expect_stop(s.run({"connect", "20", "out.log", "read", "20"}),
              "connect 20 0\n readpds0: unit 20 is connected for writing to out.log, not for "
              "reading\n");
  expect_stop(s.run({"read", "20"}),
              " readpds0: unit 20 is not connected; connect the table file for reading first\n");
  expect_stop(s.run({"pdf", "0", "0.1", "5"}),
              " zemopdf: no table set is loaded; call setzemo first\n");
  expect_stop(s.run({"parton", "0", "0.1", "5"}),
              " partonx10: no table set is loaded; call setzemo first\n");
}

// The bad-input catalogue: a faulty zemo.00.pds ends the process with one
// line naming the file and the fault, exit status 1 and the blocks exactly as
// the load before left them; the valid file, loaded afterwards in a fresh
// process, gives the expected values.  Long lines are no fault.
TEST(TablesProcess, BadTableFiles) {
  const testsupport::PdsTable t = standard();  // 20 x 8 nodes, 8 slots
  const std::string good = testsupport::pds_text(t);
  // Record A is line 3, B line 5, C line 7, D lines 11-14, E lines 16-19,
  // the table values lines 21-272.
  const auto lines = [&good](int n) {
    std::size_t end = 0;
    for (int k = 0; k < n; ++k) end = good.find('\n', end) + 1;
    return good.substr(0, end);
  };
  const auto replaced = [&good](const std::string& from, const std::string& to) {
    std::string text = good;
    return text.replace(text.find(from), from.size(), to);
  };
  const auto counts = [](int nx, int nt, int mxflvn0, int mxval) {
    testsupport::PdsTable c = testsupport::make_table(nx, nt, 1, 1, testsupport::quadratic_value);
    c.mxflvn0 = mxflvn0;
    c.mxval = mxval;
    return testsupport::pds_text(c);
  };
  const std::string long_lines =
      replaced("  comment line 0", std::string(1 << 20, 'c')) + std::string(1 << 20, ' ') + "\n";
  testsupport::PdsFormat one_line;
  one_line.per_line = 2000;
  // Tables that would load but not evaluate.
  const auto changed = [&t](void (*change)(testsupport::PdsTable&)) {
    testsupport::PdsTable c = t;
    change(c);
    return testsupport::pds_text(c);
  };
  const std::string empty_on_line_120 =
      lines(119) + " 1 ,, 3 4 5 6\n" + good.substr(lines(120).size());

  const std::string fault = " Error in table file zemo.00.pds at line ";
  const std::string cannot_open =
      "  Data file zemo.00.pds" + std::string(29, ' ') + " cannot be opened in SetZEMO!!";
  using Kind = testsupport::FileKind;
  const std::vector<testsupport::BadFile> cases = {
      {"empty", Kind::text, "", fault + "0: end of file before record A"},
      {"cut after record A", Kind::text, lines(3), fault + "3: end of file before record B"},
      {"cut after record B", Kind::text, lines(5), fault + "5: end of file before record C"},
      {"cut after record C", Kind::text, lines(7), fault + "7: end of file before record D"},
      {"cut inside record D", Kind::text, lines(12), fault + "12: end of file in record D"},
      {"cut after record D", Kind::text, lines(14), fault + "14: end of file before record E"},
      {"cut after record E", Kind::text, lines(19), fault + "19: end of file before record F"},
      {"cut before the values", Kind::text, lines(20),
       fault + "20: 0 of 1512 table values read, then end of file"},
      {"values ending early", Kind::text, lines(120),
       fault + "120: 600 of 1512 table values read, then end of file"},
      {"letters in record A", Kind::text, replaced(" 2 4.9999", " two 4.9999"),
       fault + "3: unreadable real in record A"},
      {"letters among the values", Kind::text,
       lines(120) + " 1.0x\n" + good.substr(lines(120).size()),
       fault + "121: 600 of 1512 table values read, then unreadable real"},
      {"a real in an integer field", Kind::text, replaced(" 20 8 5 1 0", " 20 8.0 5 1 0"),
       fault + "7: unreadable integer in record C"},
      {"an integer beyond 32 bits", Kind::text, replaced(" 20 8 5 1 0", " 20 8 5 4294967296 0"),
       fault + "7: integer out of range in record C"},
      {"nx beyond the blocks", Kind::text, counts(250, 4, 1, 1),
       fault + "7: nx = 250 outside 3 to 201"},
      {"values beyond pdfval", Kind::text, counts(201, 25, 5, 5),
       fault + "7: table of 57772 values exceeds 55275"},
      {"negative mxval", Kind::text, counts(8, 4, 1, -3), fault + "7: mxval = -3 is negative"},
      {"lines of 1 MB", Kind::text, long_lines, ""},
      {"the table values on one line", Kind::text, testsupport::pds_text(t, one_line), ""},
      {"a directory", Kind::directory, "", cannot_open},
      {"no read permission", Kind::unreadable, good, cannot_open},
      {"x nodes not ascending", Kind::text,
       changed([](testsupport::PdsTable& c) { c.xv[3] = c.xv[4] = 0.125; }),
       fault + "17: x node 5 = 0.125 is not above x node 4 = 0.125 in record E"},
      {"alambda 0", Kind::text, changed([](testsupport::PdsTable& c) { c.alambda = 0; }),
       fault + "3: alambda = 0 is not above 0 in record A"},
      {"a table value not finite", Kind::text,
       changed([](testsupport::PdsTable& c) { c.values[599] = std::nan(""); }),
       fault + "120: table value 600 = nan is not finite in record F"},
      {"an empty value", Kind::text, empty_on_line_120,
       fault + "120: 595 of 1512 table values read, then an empty value"},
      // Read as nobody, /proc/self/mem would not open at all.
      {"a read error", Kind::link, "/proc/self/mem",
       fault + "1: read error (Input/output error) before record A", false},
      {"a line without end", Kind::link, testsupport::long_line_file(),
       fault + "1: line longer than 4194304 bytes before record A"},
  };

  // The expected values of the valid file, computed in this process.
  tables_test::load(t);
  const std::vector<std::string> points = {"pdf",  "0",   "0.1", "5", "pdf", "-5",
                                           "0.01", "100", "pdf", "2", "0.5", "2"};
  const std::string values = value_line("pdf", zemopdf(0, 0.1, 5.0)) +
                             value_line("pdf", zemopdf(-5, 0.01, 100.0)) +
                             value_line("pdf", zemopdf(2, 0.5, 2.0)) + "end\n";

  const auto run = [](const testsupport::TempDir& dir, std::vector<std::string> commands) {
    commands.insert(commands.begin(), {TABLES_DRIVER, dir.path()});
    return testsupport::run_process(commands);
  };
  testsupport::BadFileReader reader;
  reader.name = "zemo.00.pds";
  reader.valid_text = good;
  reader.prepare = [&good](const testsupport::TempDir& dir) {
    dir.write("zemow00.pds", good);  // set 200, loaded first
  };
  reader.refuse = [&run](const testsupport::TempDir& dir, const testsupport::BadFile& c) {
    std::vector<std::string> commands = {"set", "200", "guard", "set", "100", "end"};
    if (c.as_nobody) commands.insert(commands.begin(), "nobody");
    return run(dir, commands);
  };
  reader.load = [&run, &points](const testsupport::TempDir& dir, bool as_nobody) {
    std::vector<std::string> commands = {"set", "100"};
    if (as_nobody) commands.insert(commands.begin(), "nobody");
    commands.insert(commands.end(), points.begin(), points.end());
    return run(dir, commands);
  };
  reader.loaded = values;
  testsupport::run_bad_files(reader, cases);
}

// setzemo reads no further than the line of the last table value: a valid
// table followed by a gigabyte of lines (sparse, 256 lines of 4 MiB - 1 NUL
// bytes) loads within an address space of 256 MB; /dev/urandom, not a
// regular file, is refused at once.  (The limit is not applied under the sanitizers, which
// reserve far more address space.)
TEST(TablesProcess, ReadingEndsAtTheLastValue) {
  Scenario s;
  const testsupport::PdsTable t = standard();
  const std::string good = testsupport::pds_text(t);
  s.dir.write("zemo.00.pds", good);
  const int fd = open(s.dir.file("zemo.00.pds").c_str(), O_WRONLY);
  ASSERT_GE(fd, 0);
  for (off_t k = 1; k <= 256; ++k) {
    ASSERT_EQ(pwrite(fd, "\n", 1, static_cast<off_t>(good.size()) + k * (off_t{4} << 20) - 1), 1);
  }
  close(fd);
  tables_test::load(t);
  expect_run(s.run({"limit", "256", "set", "100", "pdf", "0", "0.1", "5"}),
             value_line("pdf", zemopdf(0, 0.1, 5.0)) + "end\n");

  ASSERT_EQ(symlink("/dev/urandom", s.dir.file("zemo.01.pds").c_str()), 0);
  const ProcessResult r = s.run({"limit", "256", "set", "101"});
  EXPECT_NE(r.out.find("cannot be opened in SetZEMO!!"), std::string::npos) << r.out;
  EXPECT_EQ(r.status, 1);
}

}  // namespace
