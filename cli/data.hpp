// The inputs of the commands: points, densities (table sets and grid
// members) and covariance matrices, read from files with every fault
// reported as the file, the line and the field.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "pdferr/grid_member.hpp"
#include "pdferr/table_set.hpp"
#include "pdferr/uncertainty.hpp"

namespace pdferr::cli {

// A fault the command reports as it is, on one line.
class Failure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Points (x, Q) for table sets and (x, Q2) for grid members: the scale is
// given as one of them and the other is formed from it (Q2 = Q * Q, or
// Q = sqrt(Q2)), so that each source gets the value as given when the
// file names its variable.
struct Points {
  std::string scale;  // "Q" or "Q2": the variable given
  std::vector<double> x;
  std::vector<double> q;
  std::vector<double> q2;
  std::size_t size() const { return x.size(); }
  const std::vector<double>& given() const { return scale == "Q" ? q : q2; }
};

// A CSV file whose first line is "x,Q" or "x,Q2" and whose other lines hold
// one point each; blank lines and lines starting with # are skipped.
Points read_points(const std::string& path);
// n points equally spaced in log x from x_low to x_high at one scale.
Points log_points(double x_low, double x_high, int n, const std::string& scale, double value);

enum class Source { table, grid };

// A ".pds" file is a table set, anything else a grid member.
Source source_of_path(const std::string& path);
const char* source_name(Source source);

// One table set or grid member, loaded through the value types.
class Density {
 public:
  Density(Source source, const std::string& path);
  Density(pdferr::TableSet table) : d_(std::move(table)) {}
  Density(pdferr::GridMember grid) : d_(std::move(grid)) {}

  Source source() const { return d_.index() == 0 ? Source::table : Source::grid; }
  const std::string& path() const;
  // Refuses a flavour (tables, -MxFlvN0..MxFlvN0) or column (grids, 1..6)
  // the density does not have.
  void check_selector(int selector) const;
  // The flavour or column at every point.
  std::vector<double> values(int selector, const Points& points) const;
  // Every flavour or column at every point, point-major.
  std::vector<double> all_values(const Points& points, std::size_t& per_point) const;
  // For a table set: whether point i lies outside the ranges of its nodes,
  // where the value is extrapolated.
  bool outside_nodes(const Points& points, std::size_t i) const;
  std::string node_ranges() const;
  const pdferr::TableSet* table() const { return std::get_if<pdferr::TableSet>(&d_); }

 private:
  std::variant<pdferr::TableSet, pdferr::GridMember> d_;
};

// Member m of a member set: a numbered member from the set's directory
// alone, so that a set never mixes in a file of the same name from
// elsewhere on the search path.
Density member_density(const pdferr::uncertainty::MemberSet& set, std::size_t m);

// Whether a file is a member-set description: its name ends in .members.
bool is_description(const std::string& path);

// The file an input names: a plain name found in the folders of
// PDFERR_DATA_PATH, then in the working folder, as it stands or else as a
// description NAME.members; a name found nowhere, or a path holding a
// slash, as it stands.
std::string input_file(const std::string& name);

// An n x n symmetric matrix from a CSV file (n lines of n numbers),
// column-major as float for the factorisation.
std::vector<float> read_matrix(const std::string& path, std::size_t& n);

// The shortest decimal that reads back to the same double.
std::string number(double v);

}  // namespace pdferr::cli
