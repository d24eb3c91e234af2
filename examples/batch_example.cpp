// Many points in one call: a band scan from a table set and from a grid
// member, every flavour at a point, and a point outside the domain refused
// or answered with NaN.
//
//   batch_example [DIRECTORY]   (default: the current directory, where the
//                                build writes zemo.00.pds and PELK-GRID.NLO)
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "pdferr/grid_member.hpp"
#include "pdferr/table_set.hpp"

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? argv[1] : ".";
  try {
    const pdferr::TableSet set = pdferr::TableSet::from_set(100, dir);
    const pdferr::GridMember member = pdferr::GridMember::from_member(0, dir);

    // 40 x from 1e-4 to 0.9, equally spaced in ln x.
    std::vector<double> x(40);
    for (std::size_t i = 0; i < x.size(); ++i) {
      x[i] = 1e-4 * std::pow(0.9 / 1e-4, static_cast<double>(i) / 39.0);
    }

    // The gluon (flavour 0) at Q = 10 at every x, in one call: what depends
    // on Q alone is formed once.
    std::vector<double> gluon(x.size());
    set.value(0, x.data(), 10.0, x.size(), gluon.data());
    // The six densities of the grid member at Q2 = 100, six per x.
    std::vector<double> dens(6 * x.size());
    member.values(x.data(), 100.0, x.size(), dens.data());
    for (std::size_t i = 0; i < x.size(); i += 13) {
      std::printf("x %.4e: table gluon %.6e, grid densities %.6e .. %.6e\n", x[i], gluon[i],
                  dens[6 * i], dens[6 * i + 5]);
    }

    // Every flavour at points paired with their own Q, point-major: flavour
    // f at point i is all[i (2 MxFlvN0 + 1) + f + MxFlvN0].
    const int mx = set.MxFlvN0();
    const std::size_t nf = 2 * static_cast<std::size_t>(mx) + 1;
    const double px[2] = {0.01, 0.3}, pq[2] = {2.0, 100.0};
    std::vector<double> all(2 * nf);
    set.values(px, pq, 2, all.data());
    for (std::size_t i = 0; i < 2; ++i) {
      std::printf("x %g Q %g: flavours %d..%d:", px[i], pq[i], -mx, mx);
      for (std::size_t f = 0; f < nf; ++f) std::printf(" %.4e", all[i * nf + f]);
      std::printf("\n");
    }

    // A point outside the domain refuses the call, naming the first such
    // point and writing nothing; or, on request, gives NaN there.
    const double bad[3] = {0.1, 1.5, 0.2};
    double out[3];
    try {
      set.value(0, bad, 10.0, 3, out);
    } catch (const pdferr::domain_error& e) {
      std::printf("refused at point %td: %s\n", e.index(), e.what());
    }
    set.value(0, bad, 10.0, 3, out, pdferr::OutsideDomain::nan);
    std::printf("with NaN: %.6e %g %.6e\n", out[0], out[1], out[2]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "batch_example: %s\n", e.what());
    return 1;
  }
  return 0;
}
