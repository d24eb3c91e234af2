// Table set and grid member files written from values on their nodes: from
// a CSV file, or from a smooth built-in model for tests and demonstrations.
// Nothing here comes from any physics data set.
#pragma once

#include <string>

namespace pdferr::cli {

// A ".pds" table file from a CSV of values on the nodes: a header line
// "x,Q,s-M,...,sV" naming the flavour slots -M..V in order (M = MxFlvN0,
// V = mxval), then one line per node pair (x, Q), in any order, every pair
// of the x and Q values present exactly once.  Rows at x = 0 give x node
// 0; without them its values are 0.  Every real is written in the shortest
// form that reads back to it, so the file loads back to the very doubles.
std::string table_from_csv(const std::string& path, double alambda);

// The built-in model: 60 x nodes (equally spaced in x^0.3 from 1e-5 to 1)
// and 16 t nodes (Q from 1.3 to 10^4 GeV), MxFlvN0 5, mxval 2, slot ip at
// (x, Q) = (0.3 + 0.05 |ip| + 0.2 [ip > 0]) x^-1.2 (1 - x)^(3 + t / 2)
// (1 + t / 10) with t = ln(ln(Q / alambda)), times (1 + vary (1 - 2 x)).
std::string table_model(double alambda, double vary);

// A grid member file from a CSV "x,Q2,c1,...,c6" with one line per node
// pair (x node 1..46, Q2 node 1..30; the values `pdferr make-grid --nodes`
// lists), in any order.  Each field holds a blank and the most significant
// digits its other 11 columns allow: 6 for a positive value (relative
// error at most 5e-6), 5 for a negative one (5e-5); the format itself
// writes 5.
std::string grid_from_csv(const std::string& path);

// The built-in model: column c (1..6) at (x, Q2) = 0.4 c x^-1.1 (1 - x)^4
// (1 + 0.03 ln Q2), times (1 + vary (1 - 2 x)).
std::string grid_model(double vary);

// The grid's node pairs as CSV "x,Q2", in the order of the file.
std::string grid_nodes_csv();

}  // namespace pdferr::cli
