// A Hessian error band from the members of a grid set, held side by side
// as values: the central member and the plus and minus members 1 to 4, each
// loaded once.  A missing member and a point outside the grid are reported
// as exceptions that the program handles; nothing ends it.
//
//   grid_member_example [DIRECTORY]   (default: the current directory; the
//                                      build writes the members into
//                                      examples/band)
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "pdferr/grid_member.hpp"

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? argv[1] : ".";
  using pdferr::GridMember;
  std::vector<GridMember> plus;
  std::vector<GridMember> minus;
  try {
    for (int k = 1; k <= 4; ++k) {
      plus.push_back(GridMember::from_member(k, dir));
      minus.push_back(GridMember::from_member(-k, dir));
    }
  } catch (const pdferr::file_error& e) {
    std::fprintf(stderr, "cannot load the members: %s\n", e.what());
    return 1;
  }
  const GridMember central = GridMember::from_member(0, dir);

  // Column 3 at Q2 = 100 with its symmetric Hessian half-width,
  // sqrt(sum_k ((f+_k - f-_k) / 2)^2).
  const double q2 = 100.0;
  std::printf("%10s %14s %14s\n", "x", "dens3", "half-width");
  for (const double x : {1e-4, 1e-3, 0.01, 0.1, 0.3, 0.6}) {
    const double f = central.values(x, q2)[2];
    double sum = 0.0;
    for (std::size_t k = 0; k < plus.size(); ++k) {
      const double d = (plus[k].values(x, q2)[2] - minus[k].values(x, q2)[2]) / 2;
      sum += d * d;
    }
    std::printf("%10.3e %14.7e %14.7e\n", x, f, std::sqrt(sum));
  }

  // Failures are values the program handles.
  try {
    (void)central.values(2.0, q2);
  } catch (const pdferr::domain_error& e) {
    std::printf("refused: %s\n", e.what());
  }
  try {
    (void)GridMember::from_member(5, dir);
  } catch (const pdferr::file_error& e) {
    std::printf("refused: %s\n", e.what());
  }
  return 0;
}
