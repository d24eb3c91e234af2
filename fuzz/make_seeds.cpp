// Writes the seed corpora of the fuzz targets, made by the synthetic data
// generators of the tests:
//   make_seeds DIR
// fills DIR/table_file, DIR/grid_file, DIR/list_input and DIR/fixed_input.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "grid_writer.hpp"
#include "pds_writer.hpp"

namespace {

namespace fs = std::filesystem;

void write(const fs::path& dir, const std::string& name, const std::string& bytes) {
  fs::create_directories(dir);
  std::ofstream(dir / name, std::ios::binary) << bytes;
}

// The shape bytes of the free-form target (count, integer bits, skip bits),
// then the text.
std::string list_seed(unsigned char count, std::uint32_t integers, unsigned char skips,
                      const std::string& text) {
  std::string s(1, static_cast<char>(count));
  for (int k = 0; k < 4; ++k) s += static_cast<char>((integers >> (8 * k)) & 0xFF);
  s += static_cast<char>(skips);
  return s + text;
}

// The descriptor bytes of the fixed-field target (width, decimals, scale
// + 3, count - 1), then the record.
std::string fixed_seed(int width, int decimals, int scale, int count, const std::string& record) {
  std::string s;
  s += static_cast<char>(width - 1);
  s += static_cast<char>(decimals);
  s += static_cast<char>(scale + 3);
  s += static_cast<char>(count - 1);
  return s + record;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const fs::path root = argv[1];
  using namespace testsupport;

  // Table files: small tables in every formatting variant.
  const PdsTable small = make_table(8, 4, 3, 2, realistic_value);
  const PdsTable smooth = make_table(5, 3, 1, 1, quadratic_value);
  PdsFormat commas;
  commas.commas = true;
  PdsFormat d_exponents;
  d_exponents.d_exponents = true;
  PdsFormat remarks;
  remarks.trailing_text = true;
  remarks.split_a = true;
  PdsFormat one_per_line;
  one_per_line.per_line = 1;
  const fs::path tables = root / "table_file";
  write(tables, "plain.pds", pds_text(small));
  write(tables, "commas.pds", pds_text(small, commas));
  write(tables, "d_exponents.pds", pds_text(smooth, d_exponents));
  write(tables, "remarks.pds", pds_text(smooth, remarks));
  write(tables, "one_per_line.pds", pds_text(smooth, one_per_line));

  // Grid files: the coded member in every layout, and the linear member.
  const fs::path grids = root / "grid_file";
  const GridDecimals coded(coded_value);
  write(grids, "standard.grid", grid_text(coded));
  write(grids, "short_lines.grid", grid_text(coded, Layout::short_lines));
  write(grids, "inner_blanks.grid", grid_text(coded, Layout::inner_blanks));
  write(grids, "no_exponent.grid", grid_text(coded, Layout::no_exponent));
  write(grids, "no_point.grid", grid_text(coded, Layout::no_point));
  write(grids, "exponent_forms.grid", grid_text(coded, Layout::exponent_forms));
  write(grids, "linear.grid", grid_text_fine([](int c, int i, int j) {
          return linear_file_value(c, x_node(i), q2_node(j));
        }));

  // Free-form records: the header of a table file read as its records are,
  // and records with every kind of separator, null, repeat and slash.
  const fs::path list = root / "list_input";
  const std::string table_text = pds_text(small);
  write(list, "record_a", list_seed(9, 0, 0b11, table_text));
  write(list, "record_b",
        list_seed(6, 0b111001, 0b1, table_text.substr(table_text.find("  IOrd"))));
  write(list, "record_c", list_seed(5, 0b11111, 0b1, table_text.substr(table_text.find("  NX"))));
  write(list, "separators",
        list_seed(0x80 | 8, 0, 0, " 1.5, 2d3\n,3*7 ,, 4*\n-1.0+3 1e-400 inf NaN\n"));
  write(list, "integers",
        list_seed(6, 0xFFFFFFFF, 0, "1 -2147483648 2*+7\n , 9/ trailing\n3 4 5 6 7 8\n"));

  // Fixed fields: lines of grid files in their layouts, and descriptors of
  // other widths.
  const fs::path fixed = root / "fixed_input";
  const std::string standard = grid_text(coded);
  const std::string blanks = grid_text(coded, Layout::inner_blanks);
  const std::string forms = grid_text(coded, Layout::exponent_forms);
  write(fixed, "standard", fixed_seed(12, 4, 1, 6, standard.substr(0, standard.find('\n'))));
  write(fixed, "inner_blanks", fixed_seed(12, 4, 1, 6, blanks.substr(0, blanks.find('\n'))));
  write(fixed, "exponent_forms", fixed_seed(12, 4, 1, 6, forms.substr(0, forms.find('\n'))));
  write(fixed, "plain", fixed_seed(20, 3, 0, 1, "  -1.2345678901234E-05"));
  write(fixed, "specials", fixed_seed(10, 2, -2, 4, "  INFINITY  -nan(0x1)1234567,  12E+4   "));
  return 0;
}
