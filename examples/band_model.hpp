// The synthetic model behind the error-band example: a central density and
// four variations, one per fit coefficient, written as a table set (central
// set 100 and one set per +1 sigma variation, 101 to 104) and as a grid set
// (central member 0 and members +k and -k).  Nothing here comes from any
// real data set.  Its logarithms and powers are the toolkit's own, so that
// the data files have the same bits on every machine.
#pragma once

#include <cmath>

#include "crmath.hpp"

namespace band_model {

inline constexpr int coefficients = 4;

// Central density at momentum fraction x and scale Q2 (GeV^2): a
// valence-like shape sqrt(x) (1 - x)^8 times a smooth factor that is linear
// in ln(1/x) and in ln Q2.  Both representations hold it well: the grid
// divides column 3 by sqrt(x) (1 - x)^8 and interpolates the rest linearly
// in (ln x, ln Q2), and the table's cubics in x^0.3 and ln(ln(Q / 0.2))
// follow it closely over the nodes.
inline double central(double x, double q2) {
  const double y = (1.0 - x) * (1.0 - x);
  const double shape = std::sqrt(x) * ((y * y) * (y * y));  // sqrt(x) (1 - x)^8
  return 2.0 * shape * (1.0 - 0.25 * pdferr::math::log(x)) * (1.0 + 0.1 * pdferr::math::log(q2));
}

// The change of the density when coefficient k (1..4) moves by one unit.
inline double variation(int k, double x, double q2) {
  const double g = central(x, q2);
  const double lx = pdferr::math::log(x);
  switch (k) {
    case 1:
      return 0.06 * g * (1.0 - 2.0 * x);
    case 2:
      return 0.04 * g * (lx / pdferr::math::log(1e-4));
    case 3:
      return 0.05 * g * (3.0 * x * (1.0 - x));
    default:
      return 0.02 * g * pdferr::math::log(q2) / 10.0;
  }
}

// Covariance of the four coefficients (symmetric, positive definite),
// column-major.
inline constexpr float covariance[coefficients * coefficients] = {
    1.00f,  0.30f, -0.20f, 0.10f,   //
    0.30f,  1.00f, 0.40f,  0.00f,   //
    -0.20f, 0.40f, 1.00f,  -0.25f,  //
    0.10f,  0.00f, -0.25f, 1.00f,
};

}  // namespace band_model
