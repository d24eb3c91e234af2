// Many points and flavours in one call against value(), one point and one
// flavour at a time: every path of the kernel (small x, interior and highest
// bin in x; below, inside and above the t nodes), x = 0, points on and beside
// the nodes, every guard; batch sizes 0, 1, the lane widths (8 points, 4
// flavours) and one either side, and large; every processor version.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "batch.hpp"
#include "isa.hpp"
#include "pdferr/table_set.hpp"
#include "process.hpp"
#include "refusal.hpp"
#include "tables_unit.hpp"

namespace {

using pdferr::OutsideDomain;
using pdferr::TableSet;
using tables_unit::bits;
using testsupport::PdsTable;
namespace tables = pdferr::tables;

const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

// value(), or NaN outside the domain.
double scalar(const TableSet& set, int f, double x, double q) {
  try {
    return set.value(f, x, q);
  } catch (const pdferr::domain_error&) {
    return nan;
  }
}

// Points over every path and guard, shuffled so that the paths mix in the
// lanes; Q values on, between and beyond the t nodes.
struct Points {
  std::vector<double> x, q;
};

Points points(const PdsTable& t, std::uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> lx(std::log(1e-7), 0.0), lq(std::log(0.3), std::log(1e7));
  std::vector<double> xs = {0.0, 1.0, 1e-300, std::nextafter(1.0, 0.0), -1e-300, 1.0000001, nan};
  for (const double node : t.xv) {
    xs.insert(xs.end(), {node, std::nextafter(node, 0.0), std::nextafter(node, 2.0)});
  }
  std::vector<double> qs = {0.3, 0.29999, t.alambda, std::nextafter(t.alambda, inf),
                            inf, -inf,    nan};
  for (const double node : t.tv) qs.push_back(t.alambda * std::exp(std::exp(node)));
  Points p;
  for (const double x : xs) p.x.push_back(x);
  for (const double q : qs) p.q.push_back(q);
  while (p.x.size() < 600) p.x.push_back(std::exp(lx(rng)));
  while (p.q.size() < p.x.size()) p.q.push_back(std::exp(lq(rng)));
  std::shuffle(p.x.begin(), p.x.end(), rng);
  std::shuffle(p.q.begin(), p.q.end(), rng);
  return p;
}

struct Shape {
  const char* name;
  int nx, nt, mxflvn0, mxval;
  double alambda;  // above 0.3, so that Q in [0.3, alambda] is asked
  double (*fn)(int, double, double);
};

const Shape shapes[] = {
    {"realistic", 40, 12, 5, 2, 0.35, testsupport::realistic_value},
    {"smallest", 3, 3, 2, 0, 0.35, testsupport::quadratic_value},  // every x on the small-x path
    {"four nodes", 4, 4, 3, 3, 0.2, testsupport::quadratic_value},
};

// Runs every version, batch size and flavour choice of the core on the
// points, paired and with one Q, against value().
TEST(Batch, EveryVersionGivesTheBitsOfValue) {
  for (const Shape& s : shapes) {
    SCOPED_TRACE(s.name);
    PdsTable t = testsupport::make_table(s.nx, s.nt, s.mxflvn0, s.mxval, s.fn);
    t.alambda = s.alambda;
    testsupport::TempDir dir;
    dir.write("t.pds", testsupport::pds_text(t));
    const TableSet set(dir.file("t.pds"));
    const tables_unit::CoreTable core(t);
    const Points p = points(t, 7);
    const int top = s.mxflvn0;
    const std::size_t nf = 2 * static_cast<std::size_t>(top) + 1;
    const std::size_t n_all = p.x.size();
    // Expected: paired, and at one Q (an interior node, the first and a
    // refused Q) for all points.
    const double one_qs[] = {p.q[0], t.alambda * std::exp(std::exp(t.tv[1])), 0.2};
    std::vector<double> paired(n_all * nf), single[3];
    for (std::size_t i = 0; i < n_all; ++i) {
      for (int f = -top; f <= top; ++f) {
        paired[i * nf + static_cast<std::size_t>(f + top)] = scalar(set, f, p.x[i], p.q[i]);
        for (int k = 0; k < 3; ++k) single[k].push_back(scalar(set, f, p.x[i], one_qs[k]));
      }
    }
    struct Flavours {
      int first, last;
    };
    const Flavours choices[] = {{-top, top}, {-top, -top}, {0, 0}, {top, top}};
    // A scan in ascending x, as a band is asked: the brackets are found from
    // the point before.
    std::vector<double> ascending;
    for (const double x : p.x) {
      if (x > 0 && x <= 1) ascending.push_back(x);
    }
    std::sort(ascending.begin(), ascending.end());
    for (const pdferr::simd::Isa isa : testsupport::runnable_isas()) {
      const auto evaluate = tables::evaluate.variant(isa);
      std::vector<double> scan(ascending.size());
      evaluate(core.grid, {ascending.data(), &one_qs[1], true, scan.size(), 1, 1, scan.data()});
      for (std::size_t i = 0; i < scan.size(); ++i) {
        ASSERT_EQ(bits(scan[i]), bits(scalar(set, 1, ascending[i], one_qs[1])))
            << testsupport::isa_name(isa) << " ascending x " << ascending[i];
      }
      for (const std::size_t n : {0, 1, 3, 4, 5, 7, 8, 9, 17, 600}) {
        for (const Flavours& c : choices) {
          for (int mode = 0; mode < 4; ++mode) {  // paired, then each one Q
            const std::size_t width = static_cast<std::size_t>(c.last - c.first + 1);
            std::vector<double> out(n * width + 1, -7.0);
            evaluate(core.grid, {p.x.data(), mode == 0 ? p.q.data() : &one_qs[mode - 1], mode > 0,
                                 n, c.first, c.last, out.data()});
            const std::vector<double>& want = mode == 0 ? paired : single[mode - 1];
            for (std::size_t i = 0; i < n; ++i) {
              for (int f = c.first; f <= c.last; ++f) {
                const double got = out[i * width + static_cast<std::size_t>(f - c.first)];
                ASSERT_EQ(bits(got), bits(want[i * nf + static_cast<std::size_t>(f + top)]))
                    << testsupport::isa_name(isa) << " n " << n << " mode " << mode << " point "
                    << i << " x " << p.x[i] << " f " << f;
              }
            }
            ASSERT_EQ(out[n * width], -7.0) << "written beyond the results";
          }
        }
      }
    }
  }
}

TEST(Batch, EvaluationPicksTheVersionForThisProcessor) {
  EXPECT_EQ(testsupport::isa_name(tables::evaluate.chosen()), testsupport::expected_isa());
}

// The calls of TableSet: a refused call names the first point outside the
// domain and writes nothing; with OutsideDomain::nan it gives NaN there.
TEST(Batch, PointsOutsideTheDomain) {
  testsupport::TempDir dir;
  PdsTable t = testsupport::make_table(20, 8, 5, 2, testsupport::realistic_value);
  t.alambda = 0.5;
  dir.write("t.pds", testsupport::pds_text(t));
  const TableSet set(dir.file("t.pds"));
  const double x[] = {0.1, 0.0, 2.0, nan, 0.5};
  const double q[] = {10.0, 10.0, 10.0, 10.0, 0.4};
  std::vector<double> out(5 * 11, -7.0);
  const auto refused = [&](auto call, std::ptrdiff_t index, const std::string& what) {
    testsupport::expect_refused(call, index, what, out, -7.0);
  };
  refused([&] { set.value(1, x, q, 5, out.data()); }, 2, "point 2: x = 2 outside [0, 1]");
  refused([&] { set.value(1, x + 3, q + 3, 2, out.data()); }, 0, "point 0: x is NaN");
  refused([&] { set.value(1, x + 4, q + 4, 1, out.data()); }, 0,
          "point 0: Q = 0.4 not above alambda = 0.5");
  refused([&] { set.value(1, x, 0.29, 5, out.data()); }, 0, "point 0: Q = 0.29 below 0.3");
  refused([&] { set.values(x, q, 5, out.data()); }, 2, "point 2: x = 2 outside [0, 1]");
  refused([&] { set.values(x, inf, 5, out.data()); }, 0, "point 0: Q is infinite");
  // A flavour beyond MxFlvN0 is no point's fault, and NaN does not answer it.
  refused([&] { set.value(6, x, q, 5, out.data(), OutsideDomain::nan); }, -1,
          "flavour 6 beyond MxFlvN0 = 5");
  // No points, nothing refused; one bad Q with no points is no fault.
  set.value(1, x, 0.2, 0, out.data());
  set.values(x, q, 0, nullptr);

  set.value(1, x, q, 5, out.data(), OutsideDomain::nan);
  const double want[] = {set.value(1, 0.1, 10.0), 0.0, nan, nan, nan};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(bits(out[i]), bits(want[i])) << i;
  set.values(x, 10.0, 5, out.data(), OutsideDomain::nan);
  for (int f = -5; f <= 5; ++f) {
    EXPECT_EQ(bits(out[5 + f]), bits(set.value(f, 0.1, 10.0))) << f;
    EXPECT_EQ(bits(out[11 + 5 + f]), bits(0.0));
    EXPECT_TRUE(std::isnan(out[22 + 5 + f]) && std::isnan(out[33 + 5 + f]));
  }
}

}  // namespace
