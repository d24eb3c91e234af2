// The shorter path for the table values against the list reader alone, on
// table files in every format the writer knows and on the same files with
// characters replaced, lines cut, blank lines and line ends put in.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "pdsfile.hpp"
#include "tables_support.hpp"

namespace {

using zemo_file::TableFile;

struct Read {
  std::unique_ptr<TableFile> file = std::make_unique<TableFile>();
  zemo_file::Fault fault;
};

// Both readers start from the same earlier content, which empty values
// leave in place.
void prefill(TableFile& f) {
  for (int k = 0; k < PDFERR_ZEMO_MAX_VALUES; ++k) f.values[k] = -1.0 - k;
}

Read straightforward(const std::string& text) {
  Read r;
  prefill(*r.file);
  fio::ListReader reader = fio::ListReader::from_text(text);
  r.fault = zemo_file::read_table(reader, *r.file);
  return r;
}

Read shorter(const std::string& text) {
  Read r;
  prefill(*r.file);
  r.fault = zemo_file::read_table(std::string_view(text), *r.file);
  return r;
}

TEST(TableValues, ShorterPathReadsAsTheListReader) {
  std::mt19937_64 rng(55275);
  std::uniform_int_distribution<int> pick(0, 999);
  const std::string replacements = " ,/*+-.eEdD0123456789\t\rxn";
  const std::string insertions[] = {"\n", "\n\n", " ,", ",\n,", "\r\n", " 2*", "/", "\t"};
  const testsupport::PdsTable t = testsupport::make_table(9, 4, 2, 2, testsupport::realistic_value);
  int differing_texts = 0;
  for (int trial = 0; trial < 2000; ++trial) {
    testsupport::PdsFormat format;
    format.per_line = 1 + pick(rng) % 8;
    format.commas = pick(rng) % 5 == 0;
    format.d_exponents = pick(rng) % 5 == 0;
    format.trailing_text = pick(rng) % 4 == 0;
    std::string text = testsupport::pds_text(t, format);
    // Changes within the table values mostly: the last two thirds.
    const std::size_t from = text.size() / 3;
    const int changes = pick(rng) % 4;
    for (int c = 0; c < changes; ++c) {
      const std::size_t at =
          from + static_cast<std::size_t>(pick(rng)) * (text.size() - from) / 1000;
      switch (pick(rng) % 3) {
        case 0:
          text[at] = replacements[static_cast<std::size_t>(pick(rng)) % replacements.size()];
          break;
        case 1:
          text.insert(at, insertions[static_cast<std::size_t>(pick(rng)) % 8]);
          break;
        default:
          text.resize(at);
          break;
      }
    }
    if (pick(rng) % 10 == 0) {
      // Every line ended by "\r\n", as a file from another system.
      std::string crlf;
      for (const char ch : text) {
        if (ch == '\n') crlf += '\r';
        crlf += ch;
      }
      text = crlf;
    }
    const Read a = straightforward(text);
    const Read b = shorter(text);
    ASSERT_EQ(a.fault.what, b.fault.what) << trial << "\n" << text;
    ASSERT_EQ(a.fault.line, b.fault.line) << trial << "\n" << text;
    ASSERT_EQ(std::memcmp(a.file->values, b.file->values, sizeof a.file->values), 0)
        << trial << "\n"
        << text;
    if (a.fault) ++differing_texts;
  }
  // The changes reach the faults often enough to test them.
  EXPECT_GT(differing_texts, 200);
}

TEST(TableValues, ReadFromAUnitLeavesItAfterTheLastValue) {
  // readpds0 called directly reads no further than the line of the last
  // table value, so that its caller may read on from the unit.
  const testsupport::PdsTable t = testsupport::make_table(9, 4, 2, 2, testsupport::realistic_value);
  testsupport::TempDir dir;
  dir.write("table.pds", testsupport::pds_text(t) + "after the table\n");
  const std::int32_t unit = nextun();
  ASSERT_EQ(fio::open_old(unit, dir.file("table.pds").c_str()), 0);
  readpds0(unit);
  std::string line;
  EXPECT_EQ(fio::read_line(unit, line), fio::LineStatus::line);
  EXPECT_EQ(line, "after the table");
  fio::close(unit);
  EXPECT_EQ(std::memcmp(vokpar1.pdfval, t.values.data(), t.values.size() * sizeof(double)), 0);
}

}  // namespace
