// The error-estimation stage of an analysis, end to end, on bundled
// synthetic data (written by make_band_data into this program's directory).
//
// Four fit coefficients with a known covariance move a parton density: the
// table sets give the central density (set 100) and its change for each
// coefficient at +1 (sets 101..104); the grid members, listed in the member
// set grids.members, give the central density (member 0) and the changes
// at +1 and -1 (members +-1..+-4).
//
// Monte Carlo band: correlated coefficient vectors a are drawn with corset
// and mvndev, and f(x) = f0(x) + sum_k a_k (f_k(x) - f0(x)) from the tables;
// the band is the mean (pdferr::uncertainty::Moments, sums in a fixed
// order) and the central 68% interval of the draws at each x (linear
// interpolation between order statistics).
// Hessian band: the symmetric Hessian formula of pdferr::uncertainty,
// 1/2 sqrt(sum_j (F+_j - F-_j)^2), wants pairs along independent
// directions; the grid pairs move correlated coefficients.  With the factor
// L of their covariance C = L L^T (corset), direction j moves the
// coefficients by column j of L, and for this linear model its members are
// F+-_j = F0 +- sum_k L_kj (F+_k - F-_k) / 2.  The band is then
// sqrt(d^T C d) with d_k = (F+_k - F-_k) / 2.
//
// Output: a table on standard output, with how closely the tables and the
// grids agree on the central density, then error_band.csv and
// error_band.svg; a file it cannot write is an error (exit status 1).
// The run is reproducible: it prints the generator position it starts from.
#include <stdio.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "PELK-2008.h"
#include "ZEMOPdf.h"
#include "band_model.hpp"
#include "common/output_file.hpp"
#include "error_estimate.h"
#include "pdferr/grid_member.hpp"
#include "pdferr/uncertainty.hpp"

namespace {

constexpr int nk = band_model::coefficients;
constexpr int nx = 17;
constexpr int ndraw = 20000;
constexpr double q = 10.0;  // GeV: Q2 = 100
constexpr std::int32_t seed = 20261208;

struct Row {
  double x = 0.0;
  double central = 0.0;  // tables, set 100
  double mc_mean = 0.0;  // Monte Carlo band
  double mc_low = 0.0;   // the central 68% interval
  double mc_high = 0.0;  //   (16% to 84%)
  double grid_central = 0.0;
  double hessian = 0.0;  // symmetric Hessian half-width, grid members
};

// Column 3 of a grid member at every x.
std::vector<double> grid_column3(const pdferr::uncertainty::Member& member,
                                 const std::string& directory, const std::vector<double>& xs) {
  // A numbered member from the set's own folder alone.
  const pdferr::GridMember m =
      member.numbered()
          ? pdferr::GridMember(directory + "/" + pdferr::GridMember::file_name(member.number))
          : pdferr::GridMember(member.path);
  std::vector<double> out;
  for (double x : xs) out.push_back(m.values(x, q * q)[2]);
  return out;
}

// Flavour 0 of table set `set` at every x.
std::vector<double> table_flavour0(std::int32_t set, const std::vector<double>& xs) {
  setzemo(set);
  std::vector<double> out;
  for (double x : xs) out.push_back(zemopdf(0, x, q));
  return out;
}

// An output file's text, gathered in memory: the file is written whole
// or not at all when it is closed.
std::FILE* open_output(char** text, std::size_t* size) { return open_memstream(text, size); }

// Writes the gathered text to the file name; false, with a message, if it
// cannot be written whole (the old file, if any, is then left as it was).
bool close_output(std::FILE* f, char** text, std::size_t* size, const char* name) {
  const bool gathered = std::fclose(f) == 0;
  const std::string failed = gathered ? pdferr::common::write_whole_file(name, {*text, *size})
                                      : std::string(name) + ": out of memory";
  std::free(*text);
  if (!failed.empty()) {
    std::fprintf(stderr, "error_band: %s\n", failed.c_str());
    return false;
  }
  return true;
}

bool write_csv(const std::vector<Row>& rows) {
  char* text = nullptr;
  std::size_t size = 0;
  std::FILE* f = open_output(&text, &size);
  if (f == nullptr) return false;
  std::fprintf(f, "x,central,mc_mean,mc_low68,mc_high68,grid_central,hessian_halfwidth\n");
  for (const Row& r : rows) {
    std::fprintf(f, "%.6e,%.9e,%.9e,%.9e,%.9e,%.9e,%.9e\n", r.x, r.central, r.mc_mean, r.mc_low,
                 r.mc_high, r.grid_central, r.hessian);
  }
  return close_output(f, &text, &size, "error_band.csv");
}

// The bands relative to the central density, against log10 x.
bool write_svg(const std::vector<Row>& rows) {
  char* text = nullptr;
  std::size_t size = 0;
  std::FILE* f = open_output(&text, &size);
  if (f == nullptr) return false;
  const double w = 720, h = 420, left = 70, right = 20, top = 30, bottom = 50;
  double lo = 1.0, hi = 1.0;
  for (const Row& r : rows) {
    lo = std::min({lo, r.mc_low / r.central, 1.0 - r.hessian / r.grid_central});
    hi = std::max({hi, r.mc_high / r.central, 1.0 + r.hessian / r.grid_central});
  }
  lo -= 0.1 * (hi - lo);
  hi += 0.1 * (hi - lo);
  auto px = [&](double x) { return left + (std::log10(x) + 4.0) / 4.0 * (w - left - right); };
  auto py = [&](double v) { return top + (hi - v) / (hi - lo) * (h - top - bottom); };
  std::fprintf(f,
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%g\" height=\"%g\" "
               "font-family=\"sans-serif\" font-size=\"12\">\n",
               w, h);
  std::fprintf(f, "<rect width=\"%g\" height=\"%g\" fill=\"white\"/>\n", w, h);
  std::fprintf(f,
               "<text x=\"%g\" y=\"18\">Density at Q = %g GeV relative to the central one: "
               "Monte Carlo 68%% band (blue) and Hessian band (red)</text>\n",
               left, q);
  // The Monte Carlo band as a filled polygon: upper edge left to right,
  // lower edge back.
  std::fprintf(f, "<polygon fill=\"#9ecae1\" stroke=\"none\" points=\"");
  for (const Row& r : rows) std::fprintf(f, "%.1f,%.1f ", px(r.x), py(r.mc_high / r.central));
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
    std::fprintf(f, "%.1f,%.1f ", px(it->x), py(it->mc_low / it->central));
  }
  std::fprintf(f, "\"/>\n");
  for (double sign : {1.0, -1.0}) {
    std::fprintf(f,
                 "<polyline fill=\"none\" stroke=\"#d62728\" stroke-width=\"2\" "
                 "stroke-dasharray=\"6,4\" points=\"");
    for (const Row& r : rows) {
      std::fprintf(f, "%.1f,%.1f ", px(r.x), py(1.0 + sign * r.hessian / r.grid_central));
    }
    std::fprintf(f, "\"/>\n");
  }
  std::fprintf(f, "<polyline fill=\"none\" stroke=\"black\" points=\"");
  for (const Row& r : rows) std::fprintf(f, "%.1f,%.1f ", px(r.x), py(r.mc_mean / r.central));
  std::fprintf(f, "\"/>\n");
  // Axes, ticks and labels.
  std::fprintf(f,
               "<rect x=\"%g\" y=\"%g\" width=\"%g\" height=\"%g\" fill=\"none\" "
               "stroke=\"black\"/>\n",
               left, top, w - left - right, h - top - bottom);
  for (int e = -4; e <= 0; ++e) {
    const double x = std::pow(10.0, e);
    std::fprintf(f, "<text x=\"%.1f\" y=\"%g\" text-anchor=\"middle\">1e%d</text>\n", px(x),
                 h - bottom + 18, e);
  }
  // Ticks at multiples of a step of 1, 2 or 5 times a power of ten, about
  // five of them.
  const double raw = (hi - lo) / 5.0;
  const double decade = std::pow(10.0, std::floor(std::log10(raw)));
  const double step = raw / decade < 2.0   ? decade
                      : raw / decade < 5.0 ? 2.0 * decade
                                           : 5.0 * decade;
  for (double v = std::ceil(lo / step) * step; v <= hi; v += step) {
    std::fprintf(f, "<text x=\"%g\" y=\"%.1f\" text-anchor=\"end\">%.2f</text>\n", left - 6,
                 py(v) + 4, v);
  }
  std::fprintf(f, "<text x=\"%g\" y=\"%g\" text-anchor=\"middle\">x</text>\n",
               (left + w - right) / 2, h - 12);
  std::fprintf(f, "</svg>\n");
  return close_output(f, &text, &size, "error_band.svg");
}

}  // namespace

int main() {
  namespace unc = pdferr::uncertainty;
  std::vector<double> xs;
  for (int i = 0; i < nx; ++i) xs.push_back(std::pow(10.0, -4.0 + 3.9 * i / (nx - 1)));

  // Densities of every set and member at the x values.
  const std::vector<double> f0 = table_flavour0(100, xs);
  std::vector<std::vector<double>> shift(nk);
  for (int k = 0; k < nk; ++k) {
    const std::vector<double> fk = table_flavour0(101 + k, xs);
    for (int i = 0; i < nx; ++i) shift[k].push_back(fk[i] - f0[i]);
  }
  const unc::MemberSet grids = unc::MemberSet::read("grids.members");
  std::vector<std::vector<double>> members;  // in member order: 0, +1, -1, ...
  for (std::size_t m = 0; m < grids.size(); ++m) {
    members.push_back(grid_column3(grids.member(m), grids.directory(), xs));
  }
  const std::vector<double>& g0 = members[0];

  // Correlated coefficient vectors.
  float c[nk * nk] = {};
  corset(band_model::covariance, c, nk);
  inout.iout = 6;
  rmarin(seed, 0, 0);
  std::int32_t s = 0, count = 0, blocks = 0;
  rmarut(s, count, blocks);
  std::printf("generator position at start: seed %d, count %d, blocks %d\n", s, count, blocks);
  std::vector<std::vector<double>> samples(nx);
  unc::Moments moments(nx);  // one quantity per x
  float a[nk];
  double row[nx];
  for (int n = 0; n < ndraw; ++n) {
    mvndev(c, a, nk);
    for (int i = 0; i < nx; ++i) {
      double f = f0[i];
      for (int k = 0; k < nk; ++k) f += static_cast<double>(a[k]) * shift[k][i];
      samples[i].push_back(f);
      row[i] = f;
    }
    moments.add(row, 1);
  }

  // The Hessian members along independent directions, member-major:
  // F0, then F+_j and F-_j for j = 1..nk, each over every x.
  std::vector<double> hessian_values(static_cast<std::size_t>(2 * nk + 1) * nx);
  for (int i = 0; i < nx; ++i) hessian_values[i] = g0[i];
  for (int j = 0; j < nk; ++j) {
    for (int i = 0; i < nx; ++i) {
      double move = 0.0;
      for (int k = j; k < nk; ++k) {
        const double half = 0.5 * (members[2 * k + 1][i] - members[2 * k + 2][i]);
        move += static_cast<double>(c[k + j * nk]) * half;
      }
      hessian_values[(2 * j + 1) * nx + i] = g0[i] + move;
      hessian_values[(2 * j + 2) * nx + i] = g0[i] - move;
    }
  }
  std::vector<unc::HessianErrors> hessian(nx);
  unc::hessian(hessian_values.data(), nk, nx, hessian.data());

  std::vector<Row> rows;
  const unc::Confidence band68 = unc::Confidence::central(0.68);
  for (int i = 0; i < nx; ++i) {
    Row r;
    r.x = xs[i];
    r.central = f0[i];
    r.mc_mean = moments.mean(i);
    const unc::Interval band = unc::central_interval(samples[i].data(), samples[i].size(), band68);
    r.mc_low = band.low;
    r.mc_high = band.high;
    r.grid_central = g0[i];
    r.hessian = hessian[i].symmetric;
    rows.push_back(r);
  }

  std::printf("\nDensity at Q = %g GeV, %d correlated draws of %d coefficients\n", q, ndraw, nk);
  std::printf("%10s %13s | %13s %9s %9s | %13s %9s\n", "x", "central", "MC mean", "68% low",
              "68% high", "grid central", "Hessian");
  std::printf("%10s %13s | %13s %9s %9s | %13s %9s\n", "", "(tables)", "", "(rel.)", "(rel.)", "",
              "(rel.)");
  for (const Row& r : rows) {
    std::printf("%10.3e %13.6e | %13.6e %+9.5f %+9.5f | %13.6e %9.5f\n", r.x, r.central, r.mc_mean,
                r.mc_low / r.central - 1.0, r.mc_high / r.central - 1.0, r.grid_central,
                r.hessian / r.grid_central);
  }
  // The two representations of the central density side by side.
  double apart = 0.0;
  for (const Row& r : rows) apart = std::max(apart, std::abs(r.central / r.grid_central - 1.0));
  std::printf("\ncentral values of tables and grids agree within %.1e (relative)\n", apart);

  const bool csv = write_csv(rows);
  const bool svg = write_svg(rows);  // tried even when the table failed
  if (!csv || !svg) return 1;
  std::printf("\nwritten: error_band.csv, error_band.svg\n");
  return 0;
}
