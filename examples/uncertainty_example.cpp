// The error-set formulas of pdferr::uncertainty: a Hessian set read from
// its description, its errors at the level it states and at 90%; then the
// statistics of Monte Carlo draws computed as a distributed run would,
// in partial results that are saved, gathered and merged, with the same
// bytes as one pass.
//
//   uncertainty_example [DIRECTORY]   (default "band", where the build
//                                      writes the members and grids.members)
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "pdferr/generator.hpp"
#include "pdferr/grid_member.hpp"
#include "pdferr/uncertainty.hpp"

namespace unc = pdferr::uncertainty;

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? argv[1] : "band";

  // --- A Hessian set: column 3 of every member at a few x, member-major.
  const unc::MemberSet set = unc::MemberSet::read(dir + "/grids.members");
  const std::vector<double> xs = {1e-3, 0.01, 0.1, 0.5};
  const double q2 = 100.0;
  std::vector<double> values;  // values[m * xs.size() + i]: member m at x i
  for (std::size_t m = 0; m < set.size(); ++m) {
    const unc::Member& member = set.member(m);
    // A numbered member from the set's own folder alone.
    const pdferr::GridMember g =
        member.numbered() ? pdferr::GridMember(set.directory() + "/" +
                                               pdferr::GridMember::file_name(member.number))
                          : pdferr::GridMember(member.path);
    for (const double x : xs) values.push_back(g.values(x, q2)[2]);
  }
  // The formulas as they stand take the pairs as independent directions.
  // (The pairs of this synthetic set move correlated coefficients:
  // error_band.cpp turns them into independent ones first.)
  std::vector<unc::HessianErrors> e(xs.size());
  unc::hessian(values.data(), set.pairs(), xs.size(), e.data());
  const unc::Confidence cl90 = unc::Confidence::central(0.9);
  std::printf("%zu pairs, stated at %g sigma; 90%% is %.7f sigma\n", set.pairs(),
              set.confidence().z(), cl90.z());
  std::printf("%8s %13s %11s %11s %11s %11s\n", "x", "central", "symmetric", "plus", "minus",
              "sym. 90%");
  for (std::size_t i = 0; i < xs.size(); ++i) {
    const unc::HessianErrors at90 = unc::rescale(e[i], set.confidence(), cl90);
    std::printf("%8.3g %13.6e %11.4e %11.4e %11.4e %11.4e\n", xs[i], values[i], e[i].symmetric,
                e[i].plus, e[i].minus, at90.symmetric);
  }

  // --- Monte Carlo draws of two quantities, in four partial results of
  // 2560 draws each (as four jobs would compute them), saved to bytes.
  constexpr std::uint64_t per_job = 10 * unc::Moments::block_size;
  auto draw = [](pdferr::Generator& g, double* row) {
    float u[3];
    g.uniform(u, 3);
    row[0] = static_cast<double>(u[0]) + static_cast<double>(u[1]);  // triangular on (0, 2)
    row[1] = row[0] + 0.5 * static_cast<double>(u[2]);
  };
  std::vector<std::vector<unsigned char>> saved;
  unc::MomentsOptions options;
  options.correlations = true;
  for (std::uint64_t job = 0; job < 4; ++job) {
    pdferr::Generator g(20261208, static_cast<std::int64_t>(3 * job * per_job));
    options.first = job * per_job;
    unc::Moments part(2, options);
    for (std::uint64_t d = 0; d < per_job; ++d) {
      double row[2];
      draw(g, row);
      part.add(row, 1);
    }
    saved.push_back(part.save());
  }
  // Gathered and merged in order, they are one pass over all the draws.
  options.first = 0;
  unc::Moments all(2, options);
  for (const std::vector<unsigned char>& bytes : saved) {
    all.merge(unc::Moments::load(bytes.data(), bytes.size()));
  }
  pdferr::Generator g(20261208);
  unc::Moments one_pass(2, options);
  std::vector<double> first_quantity;
  for (std::uint64_t d = 0; d < 4 * per_job; ++d) {
    double row[2];
    draw(g, row);
    one_pass.add(row, 1);
    first_quantity.push_back(row[0]);
  }
  const unc::Interval i68 = unc::central_interval(first_quantity.data(), first_quantity.size(),
                                                  unc::Confidence::sigmas(1));
  std::printf("%llu draws: mean %.9f, standard deviation %.9f, correlation %.6f\n",
              static_cast<unsigned long long>(all.count()), all.mean(0), all.standard_deviation(0),
              all.correlation(0, 1));
  std::printf("central 1-sigma interval of the first: [%.6f, %.6f]\n", i68.low, i68.high);
  std::printf("merged partial results %s one pass\n",
              all.save() == one_pass.save() ? "identical to" : "DIFFERENT FROM");
  return 0;
}
