// The Hessian and Monte Carlo bands at many points, the parts of a
// distributed Monte Carlo run, their saved form and their merge.
#include "pdferr/band.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "common/words.hpp"
#include "order_keys.hpp"
#include "pdferr/generator.hpp"
#include "simd/dispatch.hpp"
#include "simd/lanes.hpp"
#include "text.hpp"

static_assert(std::endian::native == std::endian::little,
              "saved parts hold their keys as they lie in memory: little-endian words");

namespace pdferr::uncertainty {

HessianBand hessian_band(const double* values, std::size_t pairs, std::size_t points,
                         Confidence from, Confidence to) {
  std::vector<HessianErrors> e(points);
  hessian(values, pairs, points, e.data());
  HessianBand b;
  for (const HessianErrors& err : e) {
    const HessianErrors r = rescale(err, from, to);
    b.symmetric.push_back(r.symmetric);
    b.plus.push_back(r.plus);
    b.minus.push_back(r.minus);
  }
  return b;
}

// --- Replicas ----------------------------------------------------------------

ReplicaBand replica_band(const double* values, bool has_central, std::size_t replicas,
                         std::size_t points, Confidence level) {
  if (replicas < 2) {
    throw std::invalid_argument("a replica band needs at least 2 replicas; there are " +
                                std::to_string(replicas));
  }
  if (values == nullptr) throw std::invalid_argument("values is NULL");
  // Member-major values are rows of draws: replica d's values at every point.
  const double* first = values + (has_central ? points : 0);
  ReplicaBand b;
  b.count = replicas;
  if (points == 0) return b;
  Moments m(points);
  m.add(first, replicas);
  std::vector<Interval> interval(points);
  central_interval(first, replicas, points, static_cast<std::ptrdiff_t>(points), 1, level,
                   interval.data());
  for (std::size_t p = 0; p < points; ++p) {
    b.mean.push_back(m.mean(p));
    b.sd.push_back(m.standard_deviation(p));
    b.central.push_back(has_central ? values[p] : b.mean[p]);
    b.low.push_back(interval[p].low);
    b.high.push_back(interval[p].high);
  }
  return b;
}

// --- Monte Carlo -------------------------------------------------------------

namespace {

// Each value F0 + c_1 (F_1 - F0) + ... + c_n (F_n - F0), the terms added in
// order: rows[d * points + p] for the count draws of c (n a draw), shift
// variation-major; four points side by side, then one at a time.
[[gnu::always_inline]] inline void model_body(const double* f0, const double* shift, const float* c,
                                              std::size_t n, std::size_t points, std::size_t count,
                                              double* rows) {
  using simd::Quad;
  for (std::size_t d = 0; d < count; ++d) {
    double* row = rows + d * points;
    const float* cd = c + d * n;
    std::size_t p = 0;
    for (; p + 4 <= points; p += 4) {
      Quad f;
      std::memcpy(&f, f0 + p, sizeof f);
      for (std::size_t i = 0; i < n; ++i) {
        const auto ci = static_cast<double>(cd[i]);
        Quad s;
        std::memcpy(&s, shift + i * points + p, sizeof s);
        f = f + Quad{ci, ci, ci, ci} * s;
      }
      std::memcpy(row + p, &f, sizeof f);
    }
    for (; p < points; ++p) {
      double f = f0[p];
      for (std::size_t i = 0; i < n; ++i)
        f = f + static_cast<double>(cd[i]) * shift[i * points + p];
      row[p] = f;
    }
  }
}

void model_generic(const double* f0, const double* shift, const float* c, std::size_t n,
                   std::size_t points, std::size_t count, double* rows) {
  model_body(f0, shift, c, n, points, count, rows);
}

PDFERR_TARGET_AVX2 void model_avx2(const double* f0, const double* shift, const float* c,
                                   std::size_t n, std::size_t points, std::size_t count,
                                   double* rows) {
  model_body(f0, shift, c, n, points, count, rows);
}

constexpr simd::Variants<void(const double*, const double*, const float*, std::size_t, std::size_t,
                              std::size_t, double*)>
    model{model_generic, model_avx2};

}  // namespace

MonteCarlo::MonteCarlo(const double* central, const double* variations, std::size_t n,
                       std::size_t points, const float* factor, std::int32_t seed,
                       std::int64_t position, std::uint64_t draws)
    : central_(central, central + points),
      shift_(n * points),
      factor_(factor, factor + n * n),
      n_(n),
      seed_(seed),
      position_(position),
      stride_(static_cast<std::int64_t>(16 * block_draws * n)),
      draws_(draws) {
  if (draws < 2) throw std::invalid_argument("a Monte Carlo band needs at least 2 draws");
  if (n == 0) throw std::invalid_argument("a Monte Carlo band needs at least 1 variation");
  Generator::check_seed(seed);
  // The last block must start within the generator's range.
  const auto last = static_cast<std::int64_t>(blocks());
  if (position < 0 || last > (Generator::max_position - position) / stride_ - 1) {
    throw std::out_of_range(std::to_string(draws) + " draws from position " +
                            std::to_string(position) + " would pass the generator's last position");
  }
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t p = 0; p < points; ++p) {
      shift_[i * points + p] = variations[i * points + p] - central_[p];
    }
  }
}

void MonteCarlo::part_blocks(std::uint64_t draws, std::uint64_t k, std::uint64_t parts,
                             std::uint64_t& first, std::uint64_t& end) noexcept {
  using wide = unsigned __int128;  // blocks * (k + 1) may pass 2^64
  first = static_cast<std::uint64_t>(wide{blocks(draws)} * k / parts);
  end = static_cast<std::uint64_t>(wide{blocks(draws)} * (k + 1) / parts);
}

std::uint64_t MonteCarlo::part_draws(std::uint64_t draws, std::uint64_t k,
                                     std::uint64_t parts) noexcept {
  std::uint64_t first = 0, end = 0;
  part_blocks(draws, k, parts, first, end);
  return first >= end ? 0 : std::min(end * block_draws, draws) - first * block_draws;
}

Moments MonteCarlo::part_moments(std::uint64_t k, std::uint64_t parts, std::uint64_t& first,
                                 std::uint64_t& end) const {
  part_blocks(draws_, k, parts, first, end);
  MomentsOptions mo;
  mo.first = first * block_draws;
  return Moments(central_.size(), mo);
}

void MonteCarlo::each_block(
    std::uint64_t first, std::uint64_t end,
    const std::function<void(std::uint64_t, const double*, std::size_t)>& visit,
    std::vector<float>* kept) const {
  const std::size_t points = central_.size(), n = n_;
  std::vector<float> c(block_draws * n);
  std::vector<double> rows(block_draws * points);
  std::optional<Generator> generator;
  for (std::uint64_t b = first; b < end; ++b) {
    const std::size_t count = std::min(block_draws, draws_ - b * block_draws);
    const std::size_t at = static_cast<std::size_t>(b - first) * block_draws * n;
    const float* cb = c.data();
    if (kept != nullptr && at < kept->size()) {
      cb = kept->data() + at;
    } else {
      const std::int64_t start = position_ + static_cast<std::int64_t>(b) * stride_;
      // The generator moves on from the block before: a skip of a few
      // thousand numbers costs less than a jump from the seed.
      if (!generator) {
        generator.emplace(seed_, start);
      } else {
        generator->jump(start - generator->position());
      }
      Generator& g = *generator;
      g.correlated(factor_.data(), n, count, c.data());
      if (g.position() - start > stride_) {
        throw std::logic_error(
            "block " + std::to_string(b) + " consumed " + std::to_string(g.position() - start) +
            " generator numbers, more than its stride of " + std::to_string(stride_));
      }
      if (kept != nullptr && kept->size() == at && kept->capacity() - at >= count * n) {
        kept->insert(kept->end(), c.begin(), c.begin() + static_cast<std::ptrdiff_t>(count * n));
      }
    }
    model(central_.data(), shift_.data(), cb, n, points, count, rows.data());
    visit(b, rows.data(), count);
  }
}

McPart MonteCarlo::draw(std::uint64_t k, std::uint64_t parts,
                        const std::function<void(std::uint64_t)>& progress) const {
  const std::size_t points = central_.size();
  std::uint64_t first = 0, end = 0;
  McPart out;
  out.moments = part_moments(k, parts, first, end);
  out.k = k;
  out.parts = parts;
  out.draws = draws_;
  out.points = points;
  out.count = part_draws(draws_, k, parts);
  // 8 bytes a draw and point.
  const std::uint64_t need = out.count * points;
  if (points != 0 && need / points != out.count) throw std::bad_alloc();
  out.keys.resize(need);
  each_block(first, end, [&](std::uint64_t b, const double* rows, std::size_t count) {
    const std::uint64_t at = (b - first) * block_draws;
    for (std::size_t d = 0; d < count; ++d) {
      for (std::size_t p = 0; p < points; ++p) {
        out.keys[p * out.count + at + d] = detail::key_of(rows[d * points + p]);
      }
    }
    out.moments.add(rows, count);
    if (progress) progress(b + 1 - first);
  });
  return out;
}

McColumns mc_columns(std::size_t points, std::uint64_t draws, double probability,
                     const Moments* all, const LocalCount& local, const SumCounts& sum) {
  const detail::IntervalRanks wanted(draws, probability);
  std::vector<Rank> queries;
  for (std::size_t p = 0; p < points; ++p) {
    for (std::uint64_t r : wanted.ranks()) queries.push_back({p, r});
  }
  const std::vector<std::uint64_t> keys = select_keys(queries, local, sum);
  McColumns b;
  for (std::size_t p = 0; p < points && all != nullptr; ++p) {
    b.mean.push_back(all->mean(p));
    b.sd.push_back(all->standard_deviation(p));
  }
  wanted.ends(keys, points, b.low, b.high);
  return b;
}

McColumns stream_columns(const Moments* all, const McStream& share) {
  McColumns c;
  for (std::size_t p = 0; all != nullptr && p < all->width(); ++p) {
    c.mean.push_back(all->mean(p));
    c.sd.push_back(all->standard_deviation(p));
  }
  c.low = share.low;
  c.high = share.high;
  return c;
}

McColumns MonteCarlo::run(double probability) const {
  const McStream s = stream(0, 1, probability, [](std::vector<std::uint64_t>&) {});
  return stream_columns(&s.moments, s);
}

// --- Parts -------------------------------------------------------------------

namespace {

constexpr char part_magic[8] = {'P', 'D', 'F', 'E', 'R', 'R', 'B', 'P'};
constexpr std::uint64_t part_version = 2;

using common::put_bytes;
using common::put_word;

[[noreturn]] void refuse(const std::string& why) { throw std::invalid_argument(why); }

// Words of a part's head, read through the caller's reader in pieces.
struct HeadReader {
  const McPartView::Read& read;
  std::uint64_t at, size;
  std::uint64_t word() {
    if (size - at < 8) refuse("the bytes end early");
    unsigned char b[8];
    read(b, 8, at);
    at += 8;
    return common::get_word(b);
  }
  std::string bytes() {
    const std::uint64_t n = word();
    if (n > size - at) refuse("the bytes end early");
    const std::uint64_t padded = (n + 7) / 8 * 8;
    if (padded > size - at) refuse("the bytes end early");
    std::string s(n, '\0');
    read(s.data(), n, at);
    at += padded;
    return s;
  }
};

}  // namespace

void McPart::sort() {
  for (std::uint64_t p = 0; p < points; ++p) sort_keys(keys.data() + p * count, count);
}

void McPart::write(const std::function<void(const void*, std::size_t)>& out) const {
  std::vector<unsigned char> head(part_magic, part_magic + sizeof part_magic);
  put_word(head, part_version);
  put_word(head, k);
  put_word(head, parts);
  put_word(head, draws);
  put_bytes(head, run.data(), run.size());
  const std::vector<unsigned char> m = moments.save();
  put_bytes(head, m.data(), m.size());
  put_word(head, points);
  put_word(head, count);
  out(head.data(), head.size());
  std::uint32_t crc = crc32c(head.data(), head.size());
  // The keys as they lie in memory: little-endian words (checked above).
  if (!keys.empty()) {
    out(keys.data(), 8 * keys.size());
    crc = crc32c(keys.data(), 8 * keys.size(), crc);
  }
  std::vector<unsigned char> tail;
  put_word(tail, crc);
  out(tail.data(), tail.size());
}

std::vector<unsigned char> McPart::save() const {
  std::vector<unsigned char> bytes;
  write([&bytes](const void* b, std::size_t n) {
    const auto* c = static_cast<const unsigned char*>(b);
    bytes.insert(bytes.end(), c, c + n);
  });
  return bytes;
}

McPartView::McPartView(const Read& read, std::uint64_t size) : read_(read) { open(size); }

McPartView::McPartView(std::vector<unsigned char> bytes) : bytes_(std::move(bytes)) {
  read_ = [this](void* out, std::uint64_t n, std::uint64_t at) {
    std::memcpy(out, bytes_.data() + at, n);
  };
  open(bytes_.size());
}

void McPartView::open(std::uint64_t size) {
  char magic[8] = {};
  if (size >= 8) read_(magic, 8, 0);
  if (size < 8 || std::memcmp(magic, part_magic, 8) != 0) {
    refuse("not a partial result of pdferr band --block");
  }
  HeadReader r{read_, 8, size};
  if (r.word() != part_version) refuse("a partial result of another version");
  k_ = r.word();
  parts_ = r.word();
  draws_ = r.word();
  run_ = r.bytes();
  const std::string m = r.bytes();
  moments_ = Moments::load(m.data(), m.size());
  points_ = r.word();
  count_ = r.word();
  keys_at_ = r.at;
  if (k_ >= parts_) {
    refuse("part " + std::to_string(k_ + 1) + " of " + std::to_string(parts_) + " does not exist");
  }
  const std::uint64_t room = (size - keys_at_) / 8;
  if (room == 0 || (points_ != 0 && count_ > (room - 1) / points_)) refuse("the keys end early");
  if (room - 1 != points_ * count_ || (size - keys_at_) % 8 != 0) {
    refuse("bytes after the keys");
  }
  if (points_ != moments_.width() || count_ != moments_.count()) {
    refuse("the keys do not match the moments");
  }
  // One pass over the whole part: its CRC-32C, each point's order and sum
  // of values, and the fences.  A part whose CRC-32C fails is reported so,
  // whatever else is wrong with it.
  std::string wrong;
  per_point_ = (count_ + fence - 1) / fence;
  fences_.resize(points_ * per_point_);
  std::vector<unsigned char> head(keys_at_);
  read_(head.data(), keys_at_, 0);
  std::uint32_t crc = crc32c(head.data(), head.size());
  std::vector<std::uint64_t> run(std::size_t{1} << 14);
  for (std::uint64_t p = 0; p < points_; ++p) {
    double sum = 0.0, absolute = 0.0;
    std::uint64_t previous = 0;
    for (std::uint64_t i = 0; i < count_;) {
      const std::uint64_t n = std::min<std::uint64_t>(run.size(), count_ - i);
      read_(run.data(), 8 * n, keys_at_ + 8 * (p * count_ + i));
      crc = crc32c(run.data(), 8 * n, crc);
      for (std::uint64_t j = 0; j < n; ++j, ++i) {
        const std::uint64_t key = run[j];
        if (i > 0 && key < previous && wrong.empty()) {
          wrong = "point " + std::to_string(p + 1) + ": the keys are not sorted";
        }
        previous = key;
        if (i % fence == 0) fences_[p * per_point_ + i / fence] = key;
        const double v = key_value(key);
        sum = sum + v;
        absolute = absolute + std::fabs(v);
      }
    }
    if (count_ == 0) continue;
    // Both sums of N values lie within (N - 1) u of the sum of their
    // absolute values from the exact sum; each division adds u: the means
    // differ by at most 2 N u A (A the mean of the absolute values), here
    // taken twice for the rounding of this test itself.
    const auto count = static_cast<double>(count_);
    const double mean = sum / count, expected = moments_.mean(p);
    const double bound = 4.0 * count * 0x1p-53 * (absolute / count);
    if (!(std::fabs(mean - expected) <= bound) && wrong.empty()) {
      wrong = ("point " + std::to_string(p + 1) + ": the keys' mean " + detail::number_text(mean) +
               " disagrees with the moments' " + detail::number_text(expected));
    }
  }
  unsigned char tail[8];
  read_(tail, 8, size - 8);
  std::uint64_t stored = 0;
  for (int i = 0; i < 8; ++i) stored |= std::uint64_t{tail[i]} << (8 * i);
  if (stored != crc) refuse("the CRC-32C does not match the content");
  if (!wrong.empty()) refuse(wrong);
}

std::uint64_t McPartView::count_at_or_below(std::size_t p, std::uint64_t key) const {
  const std::uint64_t* f = fences_.data() + p * per_point_;
  const auto j = static_cast<std::uint64_t>(std::upper_bound(f, f + per_point_, key) - f);
  if (j == 0) return 0;  // below the first key
  const std::uint64_t first = (j - 1) * fence;
  const std::uint64_t n = std::min(fence, count_ - first);
  std::uint64_t run[fence];
  read_(run, 8 * n, keys_at_ + 8 * (p * count_ + first));
  return first + uncertainty::count_at_or_below(run, n, key);
}

McColumns merge_parts(const std::vector<const McPartView*>& parts,
                      const std::vector<std::string>& names, double probability) {
  if (parts.empty() || names.size() != parts.size()) refuse("merge_parts: no parts, or no names");
  const McPartView& lead = *parts[0];
  const std::uint64_t total = lead.parts();
  if (parts.size() != total) {
    refuse(std::to_string(parts.size()) + " partial results given where " + names[0] +
           " is one of " + std::to_string(total));
  }
  std::vector<std::size_t> by_k(total, parts.size());
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const McPartView& p = *parts[i];
    if (p.parts() != total || p.draws() != lead.draws() || p.points() != lead.points() ||
        p.run() != lead.run()) {
      refuse(names[i] + " is a part of another run than " + names[0]);
    }
    if (by_k[p.k()] != parts.size()) {
      refuse(names[i] + " and " + names[by_k[p.k()]] + " are both part " +
             std::to_string(p.k() + 1) + " of " + std::to_string(total));
    }
    by_k[p.k()] = i;
  }
  Moments all(lead.points());
  for (std::uint64_t k = 0; k < total; ++k) {
    const McPartView& p = *parts[by_k[k]];
    std::uint64_t first = 0, end = 0;
    MonteCarlo::part_blocks(lead.draws(), k, total, first, end);
    const std::uint64_t draws = MonteCarlo::part_draws(lead.draws(), k, total);
    if (p.count() != draws ||
        (draws > 0 && p.moments().first() != first * MonteCarlo::block_draws)) {
      refuse(names[by_k[k]] + " does not hold the draws of its part");
    }
    if (draws > 0) all.merge(p.moments());
  }
  const auto local = [&parts](std::size_t point, std::uint64_t key) {
    std::uint64_t n = 0;
    for (const McPartView* q : parts) n += q->count_at_or_below(point, key);
    return n;
  };
  return mc_columns(lead.points(), lead.draws(), probability, &all, local,
                    [](std::vector<std::uint64_t>&) {});
}

}  // namespace pdferr::uncertainty
