// Nodes as people write them and as the files hold them: grid coordinates
// written as decimals, and table nodes too coarse for their values.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "pdferr/table_set.hpp"

namespace pdferr::cli {

// Relative distance within which a coordinate written in a CSV names a
// grid node: 0.06 names the node held as 0.05999999865889549 (2.2e-8
// apart), and the nodes themselves lie at least 4% apart.
inline constexpr double node_tolerance = 1e-6;

// The index of the node of nodes[0..n) that v names: the nearest one, when
// |v - node| <= node_tolerance * node; n when none does.
std::size_t matching_node(double v, const double* nodes, std::size_t n);

// The grid's x nodes as decimals, blank-separated: the shortest decimal of
// the single-precision value for a node held as one, of the double
// otherwise (0.06 for 0.05999999865889549).
std::string grid_x_decimals();

// What the values of a table set show about its nodes: each flavour whose
// interpolation falls to zero between two nodes of positive value (where
// the evaluation clamps a negative result to zero), or is zero on a whole
// interval next to a node of non-zero value, along x at every t node and
// along t at every x node.  One line per flavour and direction, with the
// first such interval and how many there are.
std::vector<std::string> coarse_node_warnings(const pdferr::TableSet& t);

}  // namespace pdferr::cli
