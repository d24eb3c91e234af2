// The error band of a quantity over a member set, at many points (C++17):
// the Hessian band, the replica band and the Monte Carlo band driven by a
// covariance of the variations' coefficients.
//
//   using namespace pdferr::uncertainty;
//   // values[m * points + i]: member m (member order) at point i.
//   const HessianBand h = hessian_band(values.data(), pairs, points, set.confidence(),
//                                      Confidence::sigmas(1));
//   const MonteCarlo mc(central, variations, n, points, factor, seed, position, draws);
//   const McColumns c = mc.run(Confidence::sigmas(1).probability());
//
// Monte Carlo model: with F0 the central values and F1..Fn the variations
// (the plus members of a Hessian set, or the replicas), a draw is c ~ N(0,
// cov) and F = F0 + sum_i c_i (F_i - F0), the terms added to F0 one after
// the other in order i = 1..n, in double precision.  The draws are split
// into fixed blocks of block_draws vectors; block b takes the generator at
// position + b * stride, stride = 16 * block_draws * n numbers, and its c
// are those of Generator::correlated with the covariance's factor.  Any
// split of the blocks over processes or jobs therefore draws the same
// vectors; sums follow the fixed order of Moments, and the interval ends
// are exact order statistics, so that every split gives the same bits.
//
// A part of a run (the blocks of part k of K) is a value (McPart) with one
// saved form, and parts saved apart are joined by one merge (merge_parts).
// Order statistics over samples held apart (in files, in processes) come
// from select_keys, which only asks each holder for counts of keys at or
// below a candidate and adds the counts up.
//
// A run that need not be saved keeps no samples at all (MonteCarlo::stream):
// the draws are fixed by their positions, so it draws them again, pass
// after pass, each pass counting the keys in bins around the wanted order
// statistics and narrowing to the bin that holds each, until the few keys
// left are collected and selected.  Its memory is bounded whatever the
// count of draws (StreamMemory), and its results are the bits of the run
// that keeps every sample.
#ifndef PDFERR_BAND_HPP
#define PDFERR_BAND_HPP

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "pdferr/uncertainty.hpp"

namespace pdferr {
namespace uncertainty {

// --- Order keys and exact selection ----------------------------------------

// A double mapped to a 64-bit key that sorts as the double does (with -0
// before +0), and back.
PDFERR_API std::uint64_t order_key(double v);
PDFERR_API double key_value(std::uint64_t key);

// Sorts keys[0..n) ascending: least significant digit first, 16 bits a
// pass; a pass whose digit is the same in every key is skipped.
PDFERR_API void sort_keys(std::uint64_t* keys, std::size_t n);

// The count of keys of sorted[0..n) (ascending) at or below key.
PDFERR_API std::uint64_t count_at_or_below(const std::uint64_t* sorted, std::size_t n,
                                           std::uint64_t key);

// One wanted order statistic: the rank-th smallest (from 0) sample of point.
struct Rank {
  std::size_t point;
  std::uint64_t rank;
};
// A holder's own count of the samples of point with a key at or below key.
using LocalCount = std::function<std::uint64_t(std::size_t point, std::uint64_t key)>;
// Adds the counts of all holders up, in place (the identity for one holder).
using SumCounts = std::function<void(std::vector<std::uint64_t>& counts)>;

// The keys of the wanted order statistics: the k-th smallest sample is the
// smallest key K with more than k samples at or below K, found by bisection
// over the 2^64 keys (64 rounds, each one count per query and holder, then
// one sum).  Every holder calls this with the same queries; each rank must
// be below the point's total count.
PDFERR_API std::vector<std::uint64_t> select_keys(const std::vector<Rank>& queries,
                                                  const LocalCount& local, const SumCounts& sum);

// The library's one quantile rule (numpy's "linear"): for the p-quantile of
// N sorted samples v, h = (N - 1) p, i = floor(h), g = h - i; the quantile
// is v[N - 1] when h >= N - 1, otherwise, with a = v[i] and b = v[i + 1],
// a + (b - a) g when g < 0.5 and b - (b - a) (1 - g) when g >= 0.5.
struct QuantileRanks {
  std::uint64_t below;  // i (N - 1 when last)
  std::uint64_t above;  // i + 1 (N - 1 when last)
  double g;
  bool last;  // h >= N - 1
};
PDFERR_API QuantileRanks quantile_ranks(std::uint64_t n, double p);
PDFERR_API double quantile_from(const QuantileRanks& r, double a, double b);

// --- The Hessian band --------------------------------------------------------

// values member-major (central, +1, -1, ...: 2 pairs + 1 members,
// values[m * points + i]); each point's errors at `from` (the set's level)
// rescaled to `to`, as hessian() and rescale() give them.
struct HessianBand {
  std::vector<double> symmetric, plus, minus;
};
PDFERR_API HessianBand hessian_band(const double* values, std::size_t pairs, std::size_t points,
                                    Confidence from, Confidence to);

// --- The replica band --------------------------------------------------------

// values member-major: the central member first when has_central, then
// the replicas (replicas >= 2, std::invalid_argument otherwise).  Per
// point: the central member (the replicas' mean where the set has none),
// the replicas' mean and standard deviation (divisor N - 1), the bits of
// mean() and standard_deviation() on that point's values, and the central
// interval at the level (central_interval()); and the count of replicas.
struct ReplicaBand {
  std::vector<double> central, mean, sd, low, high;
  std::uint64_t count = 0;
};
PDFERR_API ReplicaBand replica_band(const double* values, bool has_central, std::size_t replicas,
                                    std::size_t points, Confidence level);

// --- The Monte Carlo band ----------------------------------------------------

// The mean, standard deviation and interval ends of the draws at each point.
struct McColumns {
  std::vector<double> mean, sd, low, high;
};

// The draws of one part: their moments (width: the points) and the keys
// (order_key) of each point's samples, point-major, count per point.
struct PDFERR_API McPart {
  std::uint64_t k = 0, parts = 1;  // part k (from 0) of parts
  std::uint64_t draws = 0;         // of the whole run
  std::uint64_t points = 0, count = 0;
  Moments moments;
  std::vector<std::uint64_t> keys;
  // The caller's bytes that name the run; parts of one run carry the same.
  std::string run;

  // Sorts each point's keys (sort_keys), as a saved part needs them.
  void sort();
  // The saved form: the 8-byte magic "PDFERRBP", then little-endian 64-bit
  // words: the version (2), k, parts, draws, the length of run and its
  // bytes (padded with zeros to a word), the length of the saved moments
  // and their bytes (Moments::save, padded), points, count, the sorted
  // keys, and last the CRC-32C of every byte before it.
  std::vector<unsigned char> save() const;
  // The same bytes handed to out piece by piece, the keys where they lie.
  void write(const std::function<void(const void* bytes, std::size_t n)>& out) const;
};

// The CRC-32C (Castagnoli: reflected polynomial 0x82F63B78, initial value
// and final xor 0xFFFFFFFF) of bytes[0..n), continued from crc, the value
// of the bytes before (0 for none).  "123456789" gives 0xE3069283.
PDFERR_API std::uint32_t crc32c(const void* bytes, std::size_t n, std::uint32_t crc = 0);

// A saved part read where it lies: read(out, n, offset) puts the n bytes at
// offset into out or throws.  Opening reads the part once and refuses it
// (std::invalid_argument saying what is wrong) unless: the CRC-32C agrees,
// k < parts, the keys fill the part exactly, each point's keys are sorted,
// their count is the count of draws of part k of parts, and their mean
// agrees with the moments' within the rounding bound of both sums (4 N u
// times the mean of the absolute values, u = 2^-53).  It keeps every 512th
// key of each point, so that counting needs 1/512 of the part's size.
class PDFERR_API McPartView {
 public:
  using Read = std::function<void(void* out, std::uint64_t n, std::uint64_t offset)>;
  McPartView(const Read& read, std::uint64_t size);
  // A part saved in memory (kept by the view).
  explicit McPartView(std::vector<unsigned char> bytes);

  std::uint64_t k() const noexcept { return k_; }
  std::uint64_t parts() const noexcept { return parts_; }
  std::uint64_t draws() const noexcept { return draws_; }
  std::uint64_t points() const noexcept { return points_; }
  std::uint64_t count() const noexcept { return count_; }
  const Moments& moments() const noexcept { return moments_; }
  const std::string& run() const noexcept { return run_; }
  // The keys of point at or below key.
  std::uint64_t count_at_or_below(std::size_t point, std::uint64_t key) const;

 private:
  void open(std::uint64_t size);
  static constexpr std::uint64_t fence = 512;
  Read read_;
  std::vector<unsigned char> bytes_;
  std::uint64_t k_ = 0, parts_ = 1, draws_ = 0, points_ = 0, count_ = 0, keys_at_ = 0;
  std::uint64_t per_point_ = 0;
  Moments moments_;
  std::string run_;
  std::vector<std::uint64_t> fences_;  // key i * fence of each point, point-major
};

// The Monte Carlo band from the parts of one run, each with the name that
// labels it in messages, in any order: std::invalid_argument unless they
// are the K parts of one run (the same K, draws and run bytes, each k
// once).  The interval is the central one at probability.
PDFERR_API McColumns merge_parts(const std::vector<const McPartView*>& parts,
                                 const std::vector<std::string>& names, double probability);

// The columns of a run of `draws` draws from the moments of all of them
// (null: mean and sd left empty) and the holders' counts (select_keys).
PDFERR_API McColumns mc_columns(std::size_t points, std::uint64_t draws, double probability,
                                const Moments* all, const LocalCount& local, const SumCounts& sum);

// What MonteCarlo::stream holds at once over all points, whatever the
// count of draws.
struct StreamMemory {
  // Histogram counters (8 bytes each), shared out over the points' bins;
  // a pass is fastest while they stay in the processor's cache.
  std::size_t counters = std::size_t{1} << 16;
  // Keys collected for the last selection (8 bytes each), over all holders.
  std::uint64_t keys = std::uint64_t{1} << 22;
  // A holder's coefficients kept from the first pass for the next ones (4
  // bytes each, n a draw): the draws beyond them are drawn again.
  std::size_t coefficients = std::size_t{1} << 24;
};

// One holder's share of a streamed run: the moments of its part (merge the
// parts' moments in part order for the run's) and the run's interval ends,
// the same on every holder.
struct McStream {
  Moments moments;
  std::vector<double> low, high;
  unsigned passes = 0;  // over the part's blocks
};

// The columns of a streamed run: the mean and standard deviation from the
// moments of all its draws (the holders' moments merged in part order; null:
// left empty) and the interval ends of a holder's share.
PDFERR_API McColumns stream_columns(const Moments* all, const McStream& share);

// Thrown by MonteCarlo::stream on a holder whose own passes went well when
// another holder's failed; the holder that failed throws its own error.
class PDFERR_API FailedElsewhere : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class PDFERR_API MonteCarlo {
 public:
  static constexpr std::uint64_t block_draws = 256;

  // central[0..points), variations variation-major (variations[i * points
  // + p]: variation i at point p), the covariance's Cholesky factor (n x n,
  // see cholesky()), the generator's seed and position of block 0, and
  // draws >= 2 (std::invalid_argument otherwise).  Blocks that would pass
  // the generator's last position throw std::out_of_range; a seed out of
  // range is refused as Generator refuses it.
  MonteCarlo(const double* central, const double* variations, std::size_t n, std::size_t points,
             const float* factor, std::int32_t seed, std::int64_t position, std::uint64_t draws);

  std::size_t points() const noexcept { return central_.size(); }
  std::size_t coefficients() const noexcept { return n_; }
  std::uint64_t draws() const noexcept { return draws_; }
  std::int32_t seed() const noexcept { return seed_; }
  std::int64_t position() const noexcept { return position_; }
  std::int64_t stride() const noexcept { return stride_; }
  std::uint64_t blocks() const noexcept { return blocks(draws_); }
  static std::uint64_t blocks(std::uint64_t draws) noexcept {
    return (draws + block_draws - 1) / block_draws;
  }
  // The blocks [first, end) of part k of parts, and the draws they hold.
  static void part_blocks(std::uint64_t draws, std::uint64_t k, std::uint64_t parts,
                          std::uint64_t& first, std::uint64_t& end) noexcept;
  static std::uint64_t part_draws(std::uint64_t draws, std::uint64_t k,
                                  std::uint64_t parts) noexcept;

  // The draws of part k of parts, keys unsorted; progress(done) after each
  // of its blocks.  std::bad_alloc where the keys do not fit;
  // std::logic_error when a block takes more generator numbers than its
  // stride.
  McPart draw(std::uint64_t k, std::uint64_t parts,
              const std::function<void(std::uint64_t done)>& progress = nullptr) const;

  // Part k of parts of the run without its samples, in passes over its
  // blocks (see above).  Every holder calls this with the same arguments
  // and its own k; sum adds a vector of counts over the holders, in place,
  // once a pass and in select_keys.  progress(pass, done) after each block
  // of a pass (passes from 1).  A holder that fails (a value that Moments
  // refuses, a progress that throws) still takes part in the pass's sum,
  // so that no holder waits for it, and throws its error; the others throw
  // FailedElsewhere.
  McStream stream(std::uint64_t k, std::uint64_t parts, double probability, const SumCounts& sum,
                  const std::function<void(unsigned pass, std::uint64_t done)>& progress = nullptr,
                  StreamMemory memory = {}) const;

  // The whole band in this process (stream with one holder).
  McColumns run(double probability) const;

 private:
  // The blocks [first, end) of part k of parts, and empty moments of
  // their draws.
  Moments part_moments(std::uint64_t k, std::uint64_t parts, std::uint64_t& first,
                       std::uint64_t& end) const;
  // Each block b of [first, end) drawn: visit(b, rows, count), the values
  // draw-major (rows[d * points + p]) for the block's count draws.  With
  // kept, the coefficients of the blocks it holds (from first on) are taken
  // from it, and those of the next blocks drawn are added to it while its
  // capacity lasts.
  void each_block(
      std::uint64_t first, std::uint64_t end,
      const std::function<void(std::uint64_t b, const double* rows, std::size_t count)>& visit,
      std::vector<float>* kept = nullptr) const;

  std::vector<double> central_, shift_;
  std::vector<float> factor_;
  std::size_t n_;
  std::int32_t seed_;
  std::int64_t position_, stride_;
  std::uint64_t draws_;
};

}  // namespace uncertainty
}  // namespace pdferr

#endif
