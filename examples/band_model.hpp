// The synthetic model behind the error-band example: a central density and
// four variations, one per fit coefficient, written as a table set (central
// set 100 and one set per +1 sigma variation, 101 to 104) and as a grid set
// (central member 0 and members +k and -k).  Nothing here comes from any
// real data set.
#pragma once

#include <cmath>

namespace band_model {

inline constexpr int coefficients = 4;

// Central density at momentum fraction x and scale Q2 (GeV^2).
inline double central(double x, double q2) {
  const double l = std::log(q2);
  return 0.45 * std::pow(x, -1.15 + 0.01 * l) * std::pow(1.0 - x, 5.0 + 0.2 * l) * (1.0 + 0.05 * l);
}

// The change of the density when coefficient k (1..4) moves by one unit.
inline double variation(int k, double x, double q2) {
  const double g = central(x, q2);
  const double lx = std::log(x);
  switch (k) {
    case 1:
      return 0.06 * g * (1.0 - 2.0 * x);
    case 2:
      return 0.04 * g * (lx / std::log(1e-4));
    case 3:
      return 0.05 * g * std::sin(3.0 * x);
    default:
      return 0.02 * g * std::log(q2) / 10.0;
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
