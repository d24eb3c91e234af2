// The error band of a member set at given points, for one flavour or
// column: Hessian errors from the set's pairs, and a Monte Carlo band from
// correlated coefficient draws.
//
// Monte Carlo model: with F0 the central member and F1..Fn the variations
// (the plus members of a Hessian set, or the replicas of a replica set), a
// draw is c ~ N(0, cov) and F = F0 + sum_i c_i (F_i - F0), the terms added
// to F0 one after the other in order i = 1..n, in double precision.
//
// The draws are split into fixed blocks of block_draws vectors; block b
// takes the generator at start + b * stride, stride = 16 * block_draws * n
// numbers, more than a block consumes (an overrun is refused, never an
// overlap).  Any split of the blocks over processes or jobs therefore draws
// the same vectors; sums follow the fixed order of Moments, and the interval
// ends are exact order statistics selected without gathering the samples
// (see select.hpp), so that every split writes the same bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "data.hpp"
#include "pdferr/uncertainty.hpp"

namespace pdferr::cli {

class Comm;

inline constexpr std::uint64_t block_draws = 256;

struct BandOptions {
  std::string members;  // the member-set description
  int selector = 0;     // flavour (tables) or column (grids)
  Points points;
  std::string level = "1 sigma";
  std::string covariance;  // CSV; empty: no Monte Carlo band
  std::uint64_t draws = 10000;
  std::int32_t seed = 54217137;
  std::int64_t position = 0;  // the generator position of block 0
};

// What every process and job of a band computes alike: the points, the
// central values, the Hessian errors and the Monte Carlo inputs.
struct Setup {
  std::string header;  // the CSV's comment lines
  std::string title;   // the plot's title
  std::string scale;   // "Q" or "Q2"
  std::vector<double> x, given, central;
  bool hessian = false;
  std::vector<double> symmetric, plus, minus;
  bool monte_carlo = false;
  std::uint64_t draws = 0;
  double probability = 0.0;  // of the interval
  std::string level;
  // The Monte Carlo inputs.
  std::size_t coefficients = 0;
  std::vector<float> factor;  // Cholesky factor of the covariance
  std::vector<double> shift;  // F_i - F0, variation-major
  std::int32_t seed = 0;
  std::int64_t position = 0;
  std::int64_t stride = 0;
  // The member files read (not saved: a merge needs no inputs of the run).
  std::vector<std::string> member_files;

  std::uint64_t blocks() const { return (draws + block_draws - 1) / block_draws; }
  std::vector<unsigned char> save() const;
  static Setup load(const unsigned char* bytes, std::size_t size);
};

// Loads the members and evaluates them; warnings (points outside a table
// set's nodes) go to warn.
Setup make_setup(const BandOptions& options, const std::function<void(const std::string&)>& warn);

// The blocks [first, end) of part k of K.
void part_blocks(std::uint64_t blocks, std::uint64_t k, std::uint64_t parts, std::uint64_t& first,
                 std::uint64_t& end);

// The draws of blocks [first, end): their moments and, for every point, the
// keys of its samples (point-major, count per point), in draw order until
// sort_samples sorts each point's keys.
struct Samples {
  pdferr::uncertainty::Moments moments;
  std::vector<std::uint64_t> keys;
  std::uint64_t count = 0;
};
Samples draw_blocks(const Setup& setup, std::uint64_t first, std::uint64_t end,
                    const std::function<void(std::uint64_t done)>& progress);
void sort_samples(Samples& samples);

// The Monte Carlo columns from the merged moments (the mean and standard
// deviation, where all is given) and the selected interval ends (every
// process calls this with its own samples).
struct McBand {
  std::vector<double> mean, sd, low, high;
};
McBand finish_band(const Setup& setup, const pdferr::uncertainty::Moments* all,
                   const std::function<std::uint64_t(std::size_t, std::uint64_t)>& local_count,
                   const std::function<void(std::vector<std::uint64_t>&)>& sum);

// The band as CSV and as an SVG plot.
std::string band_csv(const Setup& setup, const McBand* mc);
std::string band_svg(const Setup& setup, const McBand* mc);

// Writes text to path; Failure if it cannot.
void write_file(const std::string& path, const std::string& text);

// Partial results of --block k/K, and their merge.
void write_partial(const std::string& path, const Setup& setup, const Samples& samples,
                   std::uint64_t k, std::uint64_t parts);
// Merges the partial files into the band; writes prefix.csv and prefix.svg.
void merge_partials(const std::vector<std::string>& paths, const std::string& prefix);

}  // namespace pdferr::cli
