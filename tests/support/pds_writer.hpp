// Synthetic ".pds" table files of known content, for tests and examples.
//
// A PdsTable holds every value a table file carries; pds_text lays it out as
// a table file, with formatting variants that a reader must take in its
// stride (records split over lines, commas, D exponents, text after the last
// value of a record).  Every real is written with 17 significant digits, so
// the values read back are the very doubles of the PdsTable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct PdsTable {
  // Record A.
  double r1 = 2.0;
  double r2 = 4.9999;
  double alambda = 0.2;
  double mass[6] = {0.0, 0.0, 0.0, 1.3, 4.5, 174.0};
  // Record B.
  std::int32_t qcdi1 = 2;
  double qcdr1 = 0.118;
  double qcdr2 = 91.1876;
  std::int32_t mxflvn0 = 5;
  std::int32_t mxval = 2;
  std::int32_t unused_b = 5;
  // Record C.
  std::int32_t nx = 0;
  std::int32_t nt = 0;
  std::int32_t unused_c3 = 5;
  std::int32_t ng = 1;
  std::int32_t unused_c5 = 0;
  // Record D: qini, qmax, then (pair_first[i], tv[i]) for i = 0..nt.
  double qini = 1.3;
  double qmax = 10000.0;
  std::vector<double> pair_first;
  std::vector<double> tv;
  // Record E: xmin, e_second, then the x nodes 1..nx.
  double xmin = 1e-5;
  double e_second = 0.0;
  std::vector<double> xv;  // x nodes 1..nx (xv[0] is node 1)
  // Record F.
  std::vector<double> values;  // npts values, x fastest, then t, then slot
};

struct PdsFormat {
  int per_line = 6;                 // values per line in records D, E and F
  bool commas = false;              // values separated by ", " instead of blanks
  bool d_exponents = false;         // every real in the form 1.2345678901234567D+00
  bool trailing_text = false;       // a remark after the last value of each record
  bool split_a = false;             // record A on two lines (four values, then five)
  std::int32_t comment_lines = -1;  // lines between C and D; -1: max(ng + 2, 1)
};

// Count of table values: (nx + 1)(nt + 1)(MxFlvN0 + 1 + mxval).
std::int64_t pds_npts(const PdsTable& t);

// x nodes 1..nx from xmin to 1, equally spaced in u = x^0.3; t nodes 0..nt
// equally spaced in t = ln(ln(Q / alambda)) from qini to qmax.
void set_nodes(PdsTable& t, std::int32_t nx, std::int32_t nt);

// Value of slot ip at (x, t) of the quadratic table: a product of a
// quadratic in u = x^0.3 and a quadratic in t, scaled by the slot.
double quadratic_value(int ip, double x, double t);

// Value of slot ip at (x, t) of the realistic table: x^-1.2 (1 - x)^3
// shapes with a slow rise in t, positive inside (0, 1).
double realistic_value(int ip, double x, double t);

// A table of the given shape whose values come from fn(ip, x, t) at the
// nodes (x node 0 is x = 0; its value is written as fn at x = 0, or 0 where
// fn is not finite there).
PdsTable make_table(std::int32_t nx, std::int32_t nt, std::int32_t mxflvn0, std::int32_t mxval,
                    double (*fn)(int, double, double));

// The text of the table file.
std::string pds_text(const PdsTable& t, const PdsFormat& f = {});

}  // namespace testsupport
