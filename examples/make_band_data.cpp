// Writes the synthetic data of the error-band example into a directory:
//   make_band_data DIR
// Table sets 100 (central) and 101..104 (coefficient k at +1), grid
// members 0 (central) and +-1..+-4, and the description of the grid members
// as a member set (grids.members).  Flavour 0 of the tables and column 3 of
// the grids carry the model; the other flavours and columns carry scaled
// copies of the central density, so that every value is positive.
#include <cmath>
#include <cstdio>
#include <string>

#include "band_model.hpp"
#include "common/output_file.hpp"
#include "grid_writer.hpp"
#include "pds_writer.hpp"

namespace {

int shift = 0;  // which coefficient the table being written moves (0: none)

double table_value(int ip, double x, double t) {
  // t = ln(ln(Q / 0.2)): the table's variable; the model takes Q2.
  const double q = 0.2 * pdferr::math::exp(pdferr::math::exp(t));
  const double q2 = q * q;
  if (x <= 0.0) return 0.0;
  double v = band_model::central(x, q2);
  if (ip == 0 && shift > 0) v += band_model::variation(shift, x, q2);
  return ip == 0 ? v : v * (0.2 + 0.05 * std::abs(ip));
}

bool write(const std::string& path, const std::string& text) {
  const std::string failed = pdferr::common::write_whole_file(path, text);
  if (!failed.empty()) std::fprintf(stderr, "make_band_data: %s\n", failed.c_str());
  return failed.empty();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace testsupport;
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_band_data DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  bool ok = true;
  for (shift = 0; shift <= band_model::coefficients; ++shift) {
    // 120 x nodes: the table's cubics then follow the steep (1 - x)^8 at
    // large x as well as the grid does.
    const PdsTable table = make_table(120, 16, 5, 2, table_value);
    ok = ok && write(dir + "/zemo.0" + std::to_string(shift) + ".pds", pds_text(table));
  }
  for (int member = -band_model::coefficients; member <= band_model::coefficients; ++member) {
    const int k = member < 0 ? -member : member;
    const double sign = member < 0 ? -1.0 : 1.0;
    const std::string text = grid_text_fine([&](int c, int i, int j) {
      const double x = x_node(i);
      const double q2 = q2_node(j);
      double v = band_model::central(x, q2);
      if (c == 2 && k > 0) v += sign * band_model::variation(k, x, q2);
      return c == 2 ? v : v * (0.2 + 0.1 * c);
    });
    const std::string name = member == 0  ? "PELK-GRID.NLO"
                             : member > 0 ? "pelk-plus-0" + std::to_string(k) + ".grid"
                                          : "pelk-minus-0" + std::to_string(k) + ".grid";
    ok = ok && write(dir + "/" + name, text);
  }
  std::string members =
      "# The grid members of the error-band example: member 0, and for each of\n"
      "# the four fit coefficients the members with that coefficient moved by\n"
      "# +1 and -1 standard deviation.  The coefficients are correlated, so the\n"
      "# pairs are not independent directions.\n"
      "pdferr-members 1\nsource grid\nhessian 1 sigma\ncentral 0\n";
  for (int k = 1; k <= band_model::coefficients; ++k) {
    members +=
        "pair " + std::to_string(k) + " " + std::to_string(k) + " -" + std::to_string(k) + "\n";
  }
  ok = ok && write(dir + "/grids.members", members);
  if (!ok) {
    std::fprintf(stderr, "make_band_data: cannot write into %s\n", dir.c_str());
    return 1;
  }
  return 0;
}
