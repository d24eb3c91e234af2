// The error band of a member set at given points, for one flavour or
// column: the members' values from table sets or grid members, handed to
// the band library (pdferr/band.hpp), whose Monte Carlo model, blocks and
// exact interval ends make every split of a run write the same bytes; and
// the band's files.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data.hpp"
#include "pdferr/band.hpp"
#include "pdferr/generator.hpp"
#include "pdferr/uncertainty.hpp"

namespace pdferr::cli {

class Comm;

struct BandOptions {
  std::string members;  // the member-set description
  int selector = 0;     // flavour (tables) or column (grids)
  Points points;
  std::string level = "1 sigma";
  std::string covariance;  // CSV; empty: no Monte Carlo band
  std::uint64_t draws = 10000;
  std::int32_t seed = pdferr::Generator::default_seed;
  std::int64_t position = 0;  // the generator position of block 0
};

// The inputs of a band as every process and job of it holds them alike:
// the texts of its files, the points, the members' central values there,
// the Hessian columns and the Monte Carlo run.
struct BandInputs {
  std::string header;  // the CSV's comment lines
  std::string title;   // the plot's title
  std::string scale;   // "Q" or "Q2"
  std::vector<double> x, given, central;
  bool hessian = false;
  std::vector<double> symmetric, plus, minus;
  // A replica set without --cov: its replica band.
  bool replica = false;
  pdferr::uncertainty::ReplicaBand replicas;
  bool monte_carlo = false;
  std::uint64_t draws = 0;
  double probability = 0.0;  // of the interval
  std::string level;
  std::size_t coefficients = 0;
  std::int32_t seed = 0;
  std::int64_t position = 0;
  std::int64_t stride = 0;
  // The run (not saved: a merge needs no inputs of the run).
  std::optional<pdferr::uncertainty::MonteCarlo> run;
  // The member files read (not saved either).
  std::vector<std::string> member_files;

  // The bytes that name a run in its parts, and back.
  std::vector<unsigned char> save() const;
  static BandInputs load(const unsigned char* bytes, std::size_t size);
};

// Loads the members and evaluates them; warnings (points outside a table
// set's nodes) go to warn.
BandInputs make_inputs(const BandOptions& options,
                       const std::function<void(const std::string&)>& warn);

// The draws of part k of K (keys unsorted); Failure where this process
// cannot hold them.
pdferr::uncertainty::McPart draw_part(const BandInputs& inputs, std::uint64_t k,
                                      std::uint64_t parts,
                                      const std::function<void(std::uint64_t done)>& progress);

// The band as CSV and as an SVG plot.
std::string band_csv(const BandInputs& inputs, const pdferr::uncertainty::McColumns* mc);
std::string band_svg(const BandInputs& inputs, const pdferr::uncertainty::McColumns* mc);

// Writes text to path; Failure if it cannot.
void write_file(const std::string& path, const std::string& text);

// Partial results of --block k/K, and their merge.
// (The part takes the inputs' saved bytes as its run.)
void write_partial(const std::string& path, const BandInputs& inputs,
                   pdferr::uncertainty::McPart& part);
// Merges the partial files into the band; writes prefix.csv and prefix.svg.
void merge_partials(const std::vector<std::string>& paths, const std::string& prefix);

}  // namespace pdferr::cli
