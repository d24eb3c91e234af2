// Error-set formulas (C++17): the uncertainty of a quantity computed on
// every member of a parton density error set, or on every draw of a Monte
// Carlo run.
//
//   using namespace pdferr::uncertainty;
//   const MemberSet set = MemberSet::read("band/hessian.members");
//   std::vector<double> f = ...;  // the quantity on each member, in member order
//   HessianErrors e = hessian(f.data(), set.pairs());
//   e = rescale(e, set.confidence(), Confidence::sigmas(1));  // 90% -> 1 sigma
//
// Hessian sets: the symmetric and the two asymmetric errors, rescaling
// between confidence levels by the ratio of normal quantiles, the
// correlation of two quantities.  Replicas or draws: the mean, the standard
// deviation with N - 1, quantiles and central intervals by linear
// interpolation (numpy's default rule), the correlation.  Sums run in a
// fixed order over fixed blocks of draws (Moments), so that a run split
// over threads or processes gives the same bytes as one run.  A member set
// is described by a small text format (MemberSet).
//
// Every result is computed in 64-bit IEEE arithmetic in the order stated
// beside it; only normal_quantile's logarithm and Confidence's erf are the C
// library's.  A value that is not finite is refused (pdferr::domain_error)
// unless NaN is asked for; nothing here ends the process.
#ifndef PDFERR_UNCERTAINTY_HPP
#define PDFERR_UNCERTAINTY_HPP

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pdferr/errors.hpp"

namespace pdferr {
namespace uncertainty {

namespace detail {
struct MomentsState;
struct MemberSetData;
}  // namespace detail

// What a call on many points does with a point whose values are not all
// finite: refuse the call (domain_error naming the first such point, with
// nothing written), or give NaN for that point and compute the others.
enum class OnBadValue { error, nan };

// A confidence level: a central probability (0.9 for 90%) or a number of
// standard deviations of a normal distribution (1 sigma: 68.27%).
class PDFERR_API Confidence {
 public:
  // 0 < p < 1; std::invalid_argument otherwise.
  static Confidence central(double p);
  // n > 0 and finite; std::invalid_argument otherwise.
  static Confidence sigmas(double n);

  bool in_sigmas() const noexcept { return in_sigmas_; }
  // The value given: p, or n.
  double value() const noexcept { return value_; }
  // The central probability: p, or erf(n / sqrt(2)).
  double probability() const;
  // The half-width in standard deviations: n exactly, or the normal
  // quantile at (1 + p) / 2 (see normal_quantile).
  double z() const;

 private:
  Confidence(bool in_sigmas, double value) : in_sigmas_(in_sigmas), value_(value) {}
  bool in_sigmas_;
  double value_;
};

// The quantile of the standard normal distribution: z with Phi(z) = p, for
// p in [0, 1] (-inf at 0, +inf at 1); domain_error for p outside [0, 1] or
// NaN.  Relative error below 7e-16 (Wichura's rational approximations).
PDFERR_API double normal_quantile(double p);

// from.z() / to.z(): an error stated at `from` divided by this is the error
// at `to`.  From 90% to 1 sigma: 1.6448536269514715 (1.644854).
PDFERR_API double rescale_factor(Confidence from, Confidence to);
PDFERR_API double rescale(double error, Confidence from, Confidence to);

// --- Hessian eigenvector sets ---------------------------------------------

// With F0 the central value and F+k, F-k the values on the members of pair
// k = 1..K, each sum taken over k in ascending order from 0:
//   symmetric = 0.5 * sqrt(sum (F+k - F-k)^2)
//   plus      = sqrt(sum max(F+k - F0, F-k - F0, 0)^2)
//   minus     = sqrt(sum max(F0 - F+k, F0 - F-k, 0)^2)
struct HessianErrors {
  double symmetric;
  double plus;
  double minus;
};

// values: the central value, then F+1, F-1, F+2, F-2, ... (2 pairs + 1
// values, the member order of a MemberSet).  domain_error if one is not
// finite.  pairs = 0 gives zero errors.
PDFERR_API HessianErrors hessian(const double* values, std::size_t pairs);

// The same at many points: values[m * points + i] is member m at point i
// (member-major: one member's values over all points, then the next), and
// out[i] gets the errors at point i, the bits of the call on one point.
PDFERR_API void hessian(const double* values, std::size_t pairs, std::size_t points,
                        HessianErrors* out, OnBadValue on_bad = OnBadValue::error);

// Each error divided by rescale_factor(from, to).
PDFERR_API HessianErrors rescale(const HessianErrors& errors, Confidence from, Confidence to);

// The correlation of two quantities X and Y over the same Hessian set, both
// in member order: with dX_k = X+k - X-k and dY_k = Y+k - Y-k,
//   sum dX_k dY_k / (sqrt(sum dX_k^2) * sqrt(sum dY_k^2)),
// which is sum dX_k dY_k / (4 symmetric(X) symmetric(Y)).  NaN when either
// quantity has no spread.
PDFERR_API double hessian_correlation(const double* x, const double* y, std::size_t pairs);

// --- Monte Carlo replicas and draws ---------------------------------------

// The mean and the standard deviation (divisor N - 1) of v[0..n), as
// Moments gives them: sums in blocks of Moments::block_size.  The mean needs
// n >= 1, the standard deviation n >= 2 (std::invalid_argument).
PDFERR_API double mean(const double* v, std::size_t n);
PDFERR_API double standard_deviation(const double* v, std::size_t n);

// The p-quantile of v[0..n) (n >= 1, p in [0, 1]) by linear interpolation
// between order statistics, numpy's default rule, bit for bit: with v
// sorted, h = (n - 1) * p, i = floor(h), g = h - i, a = v[i], b = v[i + 1]
// (v[n - 1] when i + 1 = n):  a + (b - a) * g when g < 0.5, else
// b - (b - a) * (1 - g).
PDFERR_API double quantile(const double* v, std::size_t n, double p);

// The central interval of v[0..n) at confidence c: the quantiles at
// (1 - P) / 2 and (1 + P) / 2, P = c.probability(); the same bits as
// numpy.quantile(v, [(1 - P) / 2, (1 + P) / 2]).
struct Interval {
  double low;
  double high;
};
PDFERR_API Interval central_interval(const double* v, std::size_t n, Confidence c);

// The same at many points, each with the bits of the call on that point
// alone: values[m * member_stride + i * point_stride] is value m (of n) at
// point i, strides counted in doubles (member-major values: member_stride =
// points, point_stride = 1; point-major: n and 1), and out[i] gets the
// result at point i.  Each point's order statistics are selected, not
// sorted: O(n) per point.
PDFERR_API void quantile(const double* values, std::size_t n, std::size_t points,
                         std::ptrdiff_t member_stride, std::ptrdiff_t point_stride, double p,
                         double* out, OnBadValue on_bad = OnBadValue::error);
PDFERR_API void central_interval(const double* values, std::size_t n, std::size_t points,
                                 std::ptrdiff_t member_stride, std::ptrdiff_t point_stride,
                                 Confidence c, Interval* out,
                                 OnBadValue on_bad = OnBadValue::error);

// The correlation of x[0..n) and y[0..n) (n >= 2), as Moments gives it:
// C_xy / (sqrt(C_xx) * sqrt(C_yy)) over the sums of products of deviations
// from the means.  NaN when either has no spread.
PDFERR_API double correlation(const double* x, const double* y, std::size_t n);

// Options of a Moments partial result.
struct MomentsOptions {
  // Keep the products of every pair of quantities, for covariance() and
  // correlation(): width (width + 1) / 2 sums instead of width.
  bool correlations = false;
  // The number of the first draw (a multiple of Moments::block_size).
  std::uint64_t first = 0;
  OnBadValue on_bad = OnBadValue::error;
};

// The moments of `width` quantities over consecutive draws, summed in a
// fixed order that depends only on the draw numbers: draw d belongs to block
// d / block_size; within a block the values are summed one after the other;
// blocks are combined pairwise along a fixed binary tree over block numbers
// (block pairs 2j, 2j + 1, then pairs of those, ...), and the complete
// subtrees left to right.  A partial result covers draws [first, end); one
// that ends where the next starts merges with it, in any grouping, and the
// merged result is the same bytes as one pass over all the draws.  A
// partial result is saved to bytes and loaded back, so that a distributed
// run can gather them.  A moved-from Moments may only be assigned to or
// destroyed.
class PDFERR_API Moments {
 public:
  static constexpr std::size_t block_size = 256;

  explicit Moments(std::size_t width = 1, MomentsOptions options = {});
  ~Moments();
  Moments(const Moments& other);
  Moments& operator=(const Moments& other);
  Moments(Moments&& other) noexcept;
  Moments& operator=(Moments&& other) noexcept;

  // The next `draws` draws, `width` values each: rows[d * width + j] is
  // quantity j of draw d.  A value that is not finite throws domain_error
  // (index: its quantity) and adds nothing, or with OnBadValue::nan is taken
  // as NaN, so that its quantity's results are NaN.
  void add(const double* rows, std::size_t draws);
  // One draw of a single quantity (width 1).
  void add(double value);

  // Appends `next`, which must start where this ends, have the same width
  // and options, and this must end on a block boundary unless next is
  // empty; std::invalid_argument otherwise.
  void merge(const Moments& next);

  std::size_t width() const noexcept;
  bool correlations() const noexcept;
  std::uint64_t first() const noexcept;
  std::uint64_t end() const noexcept;
  std::uint64_t count() const noexcept { return end() - first(); }

  // With N draws, S_j the sum of quantity j and C_jk the sum of products of
  // deviations from the means (both in the fixed order):
  //   mean S_j / N (N >= 1), variance C_jj / (N - 1), standard deviation
  //   its square root, covariance C_jk / (N - 1) (N >= 2), correlation
  //   C_jk / (sqrt(C_jj) * sqrt(C_kk)).
  // std::invalid_argument for too few draws, a quantity beyond the width,
  // or covariance/correlation without the correlations option.
  double mean(std::size_t j = 0) const;
  double variance(std::size_t j = 0) const;
  double standard_deviation(std::size_t j = 0) const;
  double covariance(std::size_t j, std::size_t k) const;
  double correlation(std::size_t j, std::size_t k) const;

  // The partial result as bytes (little-endian, the same on every machine)
  // and back; load refuses bytes that are not a saved partial result with
  // std::invalid_argument.
  std::vector<unsigned char> save() const;
  static Moments load(const void* bytes, std::size_t size, OnBadValue on_bad = OnBadValue::error);

 private:
  std::unique_ptr<detail::MomentsState> state_;
};

// --- Member sets ----------------------------------------------------------

// One member of a set: a table set or grid member number, found in the
// set's directory, or the path of its file.
struct Member {
  std::int32_t number = 0;  // when path is empty
  std::string path;         // the file, joined to the set's directory when relative
  bool numbered() const noexcept { return path.empty(); }
};

// A member set as described in the text format of docs/uncertainty.md:
//
//   pdferr-members 1
//   source grid          # or: table
//   directory band       # optional; relative to the description's folder
//   hessian 90%          # pairs at 90% confidence; or: hessian 1 sigma; or: replicas
//   central 0
//   pair 1 1 -1          # pair k, its plus and its minus member
//   pair 2 2 -2
//
// Members in member order: the central member (required for Hessian sets,
// optional for replicas), then +1, -1, +2, -2, ... or the replicas.
class PDFERR_API MemberSet {
 public:
  enum class Kind { hessian, replicas };
  enum class Source { table, grid };

  // Reads the description in the file at path; a relative directory is
  // taken from the file's folder.  A file that cannot be read or parsed
  // throws file_error with its line, its statement and the reason.
  static MemberSet read(const std::string& path);
  // The description called `name`, wherever it is kept: a path (a name
  // holding a slash) is read as it stands; a plain name is looked for as
  // NAME.members (as NAME when it ends in .members, or when no NAME.members
  // is found) in the folders of PDFERR_DATA_PATH, then in the working
  // folder.  locate() gives the file load() reads; a name found nowhere
  // throws file_error.
  static MemberSet load(const std::string& name);
  static std::string locate(const std::string& name);
  // Parses a description; `name` labels its errors, and a relative
  // directory is taken from base_directory ("" or "." for the current one).
  static MemberSet parse(std::string_view text, const std::string& name = "<text>",
                         const std::string& base_directory = ".");

  Kind kind() const noexcept;
  Source source() const noexcept;
  // Where numbered members are found ("." for the current directory).
  const std::string& directory() const noexcept;
  // The level the Hessian pairs stand for; std::invalid_argument for replicas.
  Confidence confidence() const;

  bool has_central() const noexcept;
  std::size_t pairs() const noexcept;     // Hessian: K; replicas: 0
  std::size_t replicas() const noexcept;  // replicas: N; Hessian: 0
  // All members in member order, and one of them (std::out_of_range beyond).
  std::size_t size() const noexcept;
  const Member& member(std::size_t index) const;

 private:
  friend struct detail::MemberSetData;
  explicit MemberSet(std::shared_ptr<const detail::MemberSetData> data);
  std::shared_ptr<const detail::MemberSetData> data_;
};

}  // namespace uncertainty
}  // namespace pdferr

#endif
