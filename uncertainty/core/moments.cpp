// Moments of draws summed in a fixed order: per block of block_size draws,
// then pairwise along a fixed binary tree over block numbers.
//
// A partial result over draws [first, end) keeps its complete blocks as the
// maximal aligned runs of blocks it covers ("pieces": a run of 2^k blocks
// starting at a multiple of 2^k, the sums of one subtree), left to right,
// and the draws of an incomplete last block as they are.  A new piece
// joins its left neighbour while the two are the halves of one subtree, so
// the pieces of a range are the same whichever partial results it was
// built from, and so are their sums: every subtree is combined from its two
// halves, whatever the split.  The results fold the pieces left to right,
// then the incomplete block.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "common/words.hpp"
#include "finite.hpp"
#include "pdferr/uncertainty.hpp"

namespace pdferr::uncertainty {
namespace detail {

// The sums of a run of draws: n draws, the sum S_j of each quantity and the
// sums C of products of deviations from the run's means (C_jj, or the upper
// triangle C_jk, j <= k, row by row), in one vector: S then C.
struct Sums {
  std::uint64_t n = 0;
  std::vector<double> v;
};

struct Piece {
  std::uint64_t begin = 0;  // blocks [begin, end)
  std::uint64_t end = 0;
  Sums sums;
};

struct MomentsState {
  std::size_t width = 1;
  bool correlations = false;
  OnBadValue on_bad = OnBadValue::error;
  std::uint64_t first = 0;  // draws [first, end)
  std::uint64_t end = 0;
  std::vector<Piece> pieces;
  std::vector<double> open;  // the draws of the incomplete last block, row by row
  std::size_t open_rows = 0;

  std::size_t products() const { return correlations ? width * (width + 1) / 2 : width; }
};

}  // namespace detail

namespace {

using detail::MomentsState;
using detail::Piece;
using detail::Sums;

constexpr std::uint64_t block = Moments::block_size;

// Sums over the draws of a block, one accumulator per column, each adding
// the draws in order from 0; columns are taken `lanes` at a time in local
// accumulators, so that the compiler keeps them in registers (side by side
// in vector lanes) instead of storing each partial sum.
constexpr std::size_t lanes = 8;

// out[c] = sum over d of term(d, j0 + c), for c < N.
template <std::size_t N, class Term>
void column_sums(std::size_t rows, std::size_t j0, double* out, Term term) {
  double a[N] = {};
  for (std::size_t d = 0; d < rows; ++d) {
    for (std::size_t c = 0; c < N; ++c) a[c] = a[c] + term(d, j0 + c);
  }
  for (std::size_t c = 0; c < N; ++c) out[c] = a[c];
}

// out[j - from] = sum over d of term(d, j) for every j in [from, to).
template <class Term>
void sums_over(std::size_t rows, std::size_t from, std::size_t to, double* out, Term term) {
  std::size_t j = from;
  for (; j + lanes <= to; j += lanes) column_sums<lanes>(rows, j, out + (j - from), term);
  double* o = out + (j - from);
  switch (to - j) {
    case 7:
      return column_sums<7>(rows, j, o, term);
    case 6:
      return column_sums<6>(rows, j, o, term);
    case 5:
      return column_sums<5>(rows, j, o, term);
    case 4:
      return column_sums<4>(rows, j, o, term);
    case 3:
      return column_sums<3>(rows, j, o, term);
    case 2:
      return column_sums<2>(rows, j, o, term);
    case 1:
      return column_sums<1>(rows, j, o, term);
    default:
      return;
  }
}

// The sums of `rows` draws: each S_j and C over the draws in order from 0,
// C around the means S_j / rows.
Sums leaf(const MomentsState& st, const double* x, std::size_t rows) {
  const std::size_t w = st.width;
  Sums s;
  s.n = rows;
  s.v.assign(w + st.products(), 0.0);
  double* sum = s.v.data();
  double* c = sum + w;
  sums_over(rows, 0, w, sum, [&](std::size_t d, std::size_t j) { return x[d * w + j]; });
  std::vector<double> mean(w);
  for (std::size_t j = 0; j < w; ++j) mean[j] = sum[j] / static_cast<double>(rows);
  const double* m = mean.data();
  if (!st.correlations) {
    sums_over(rows, 0, w, c, [&](std::size_t d, std::size_t j) {
      const double dev = x[d * w + j] - m[j];
      return dev * dev;
    });
    return s;
  }
  // Row j of the upper triangle: (x_j - m_j) (x_k - m_k) for k = j..w-1.
  for (std::size_t j = 0; j < w; ++j) {
    sums_over(rows, j, w, c, [&](std::size_t d, std::size_t k) {
      return (x[d * w + j] - m[j]) * (x[d * w + k] - m[k]);
    });
    c += w - j;
  }
  return s;
}

// The sums of two adjacent runs a then b (Chan, Golub and LeVeque):
//   S_j = Sa_j + Sb_j,  d_j = Sb_j / nb - Sa_j / na,  f = (na * nb) / n,
//   C_jk = (Ca_jk + Cb_jk) + (d_j * d_k) * f.
Sums combine(const MomentsState& st, const Sums& a, const Sums& b) {
  const std::size_t w = st.width;
  Sums s;
  s.n = a.n + b.n;
  s.v.resize(a.v.size());
  const double na = static_cast<double>(a.n);
  const double nb = static_cast<double>(b.n);
  const double f = na * nb / static_cast<double>(s.n);
  std::vector<double> d(w);
  for (std::size_t j = 0; j < w; ++j) {
    d[j] = b.v[j] / nb - a.v[j] / na;
    s.v[j] = a.v[j] + b.v[j];
  }
  const double* ca = a.v.data() + w;
  const double* cb = b.v.data() + w;
  double* c = s.v.data() + w;
  if (!st.correlations) {
    for (std::size_t j = 0; j < w; ++j) c[j] = (ca[j] + cb[j]) + d[j] * d[j] * f;
    return s;
  }
  std::size_t at = 0;
  for (std::size_t j = 0; j < w; ++j) {
    for (std::size_t k = j; k < w; ++k, ++at) c[at] = (ca[at] + cb[at]) + d[j] * d[k] * f;
  }
  return s;
}

// Whether a and b are the two halves of one subtree.
bool siblings(const Piece& a, const Piece& b) {
  const std::uint64_t size = a.end - a.begin;
  return b.end - b.begin == size && a.end == b.begin && a.begin % (2 * size) == 0;
}

void push(MomentsState& st, Piece p) {
  while (!st.pieces.empty() && siblings(st.pieces.back(), p)) {
    Piece& left = st.pieces.back();
    p.sums = combine(st, left.sums, p.sums);
    p.begin = left.begin;
    st.pieces.pop_back();
  }
  st.pieces.push_back(std::move(p));
}

// The sums over all the draws of a partial result.
Sums total(const MomentsState& st) {
  Sums s;
  bool any = false;
  for (const Piece& p : st.pieces) {
    s = any ? combine(st, s, p.sums) : p.sums;
    any = true;
  }
  if (st.open_rows > 0) {
    Sums tail = leaf(st, st.open.data(), st.open_rows);
    s = any ? combine(st, s, tail) : std::move(tail);
  }
  return s;
}

void check_quantity(const MomentsState& st, std::size_t j) {
  if (j >= st.width) {
    throw std::invalid_argument("quantity " + std::to_string(j) + " beyond the width " +
                                std::to_string(st.width));
  }
}

Sums total_of(const MomentsState& st, std::uint64_t at_least, const char* what) {
  if (st.end - st.first < at_least) {
    throw std::invalid_argument(std::string(what) + " needs at least " + std::to_string(at_least) +
                                " draws; there are " + std::to_string(st.end - st.first));
  }
  return total(st);
}

std::size_t product_index(const MomentsState& st, std::size_t j, std::size_t k) {
  if (!st.correlations) {
    if (j == k) return j;
    throw std::invalid_argument("covariances need the correlations option");
  }
  if (j > k) std::swap(j, k);
  // Row j of the upper triangle starts after sum_{i<j} (width - i) entries.
  return j * st.width - j * (j - 1) / 2 + (k - j);
}

// --- Bytes: little-endian 64-bit words.

constexpr char magic[8] = {'P', 'D', 'F', 'E', 'R', 'R', 'M', 'O'};
constexpr std::uint64_t format_version = 1;

void put(std::vector<unsigned char>& out, std::uint64_t w) { common::put_word(out, w); }
void put(std::vector<unsigned char>& out, double v) { common::put_real(out, v); }

struct Reader {
  const unsigned char* at;
  std::size_t left;

  std::uint64_t word() {
    if (left < 8) throw std::invalid_argument("saved moments: the bytes end early");
    const std::uint64_t w = common::get_word(at);
    at += 8;
    left -= 8;
    return w;
  }
  double real() { return std::bit_cast<double>(word()); }
};

[[noreturn]] void refuse(const std::string& why) {
  throw std::invalid_argument("saved moments: " + why);
}

}  // namespace

Moments::Moments(std::size_t width, MomentsOptions options)
    : state_(std::make_unique<MomentsState>()) {
  if (width == 0) throw std::invalid_argument("the width of moments must be at least 1");
  if (width > (std::size_t{1} << 24))
    throw std::invalid_argument("the width of moments is too large");
  if (options.first % block != 0) {
    throw std::invalid_argument("a partial result starts at a multiple of " +
                                std::to_string(block) + " draws, not at " +
                                std::to_string(options.first));
  }
  state_->width = width;
  state_->correlations = options.correlations;
  state_->on_bad = options.on_bad;
  state_->first = state_->end = options.first;
}

Moments::~Moments() = default;
Moments::Moments(const Moments& other) : state_(std::make_unique<MomentsState>(*other.state_)) {}
Moments& Moments::operator=(const Moments& other) {
  if (this != &other) state_ = std::make_unique<MomentsState>(*other.state_);
  return *this;
}
Moments::Moments(Moments&& other) noexcept = default;
Moments& Moments::operator=(Moments&& other) noexcept = default;

void Moments::add(const double* rows, std::size_t draws) {
  MomentsState& st = *state_;
  if (draws == 0) return;
  if (rows == nullptr) throw std::invalid_argument("rows is NULL");
  const std::size_t w = st.width;
  if (draws > std::numeric_limits<std::uint64_t>::max() - st.end) {
    throw std::invalid_argument("the draw count passes 2^64");
  }
  const std::size_t values = draws * w;
  const bool all_finite = !detail::any_not_finite(rows, values);
  if (!all_finite && st.on_bad == OnBadValue::error) {
    std::size_t i = 0;
    while (std::isfinite(rows[i])) ++i;
    throw domain_error("draw " + std::to_string(st.end + i / w) + ", quantity " +
                           std::to_string(i % w) + ": the value is not finite",
                       static_cast<std::ptrdiff_t>(i % w));
  }
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  st.open.resize(block * w);
  for (std::size_t d = 0; d < draws;) {
    const std::size_t take = std::min<std::size_t>(draws - d, block - st.open_rows);
    const double* from = rows + d * w;
    // A whole block that needs no cleaning is summed where it lies.
    const bool in_place = all_finite && st.open_rows == 0 && take == block;
    double* to = st.open.data() + st.open_rows * w;
    if (!all_finite) {
      for (std::size_t i = 0; i < take * w; ++i) to[i] = std::isfinite(from[i]) ? from[i] : nan;
    } else if (!in_place) {
      std::memcpy(to, from, take * w * sizeof(double));
    }
    d += take;
    st.end += take;
    st.open_rows += take;
    if (st.open_rows == block) {
      const std::uint64_t b = (st.end - 1) / block;
      push(st, Piece{b, b + 1, leaf(st, in_place ? from : st.open.data(), block)});
      st.open_rows = 0;
    }
  }
}

void Moments::add(double value) {
  if (state_->width != 1) throw std::invalid_argument("one value is one draw of width 1 only");
  add(&value, 1);
}

void Moments::merge(const Moments& next) {
  MomentsState& st = *state_;
  const MomentsState& nx = *next.state_;
  if (nx.width != st.width || nx.correlations != st.correlations) {
    throw std::invalid_argument("merged partial results differ in width or options");
  }
  if (nx.first != st.end) {
    throw std::invalid_argument("the next partial result starts at draw " +
                                std::to_string(nx.first) + ", not at draw " +
                                std::to_string(st.end) + " where this one ends");
  }
  if (nx.end == nx.first) return;
  if (st.open_rows != 0) {
    throw std::invalid_argument("this partial result ends inside a block, at draw " +
                                std::to_string(st.end) + "; only the last one may");
  }
  const std::vector<Piece> pieces = nx.pieces;  // next may be this very object
  for (const Piece& p : pieces) push(st, p);
  st.open = nx.open;
  st.open_rows = nx.open_rows;
  st.end = nx.end;
}

std::size_t Moments::width() const noexcept { return state_->width; }
bool Moments::correlations() const noexcept { return state_->correlations; }
std::uint64_t Moments::first() const noexcept { return state_->first; }
std::uint64_t Moments::end() const noexcept { return state_->end; }

double Moments::mean(std::size_t j) const {
  check_quantity(*state_, j);
  const Sums s = total_of(*state_, 1, "the mean");
  return s.v[j] / static_cast<double>(s.n);
}

double Moments::variance(std::size_t j) const { return covariance(j, j); }

double Moments::standard_deviation(std::size_t j) const { return std::sqrt(variance(j)); }

double Moments::covariance(std::size_t j, std::size_t k) const {
  const MomentsState& st = *state_;
  check_quantity(st, j);
  check_quantity(st, k);
  const std::size_t at = st.width + product_index(st, j, k);
  const Sums s = total_of(st, 2, j == k ? "the variance" : "the covariance");
  return s.v[at] / static_cast<double>(s.n - 1);
}

double Moments::correlation(std::size_t j, std::size_t k) const {
  const MomentsState& st = *state_;
  check_quantity(st, j);
  check_quantity(st, k);
  const std::size_t w = st.width;
  const std::size_t jk = w + product_index(st, j, k);
  const std::size_t jj = w + product_index(st, j, j);
  const std::size_t kk = w + product_index(st, k, k);
  const Sums s = total_of(st, 2, "the correlation");
  return s.v[jk] / (std::sqrt(s.v[jj]) * std::sqrt(s.v[kk]));
}

// Layout: the magic "PDFERRMO", then 64-bit words: the format version, the
// width, correlations (0 or 1), first, end, the number of pieces; each
// piece's first and end block and its sums (S then C); the draws of the
// incomplete last block, row by row.  The draw counts follow from the
// ranges.
std::vector<unsigned char> Moments::save() const {
  const MomentsState& st = *state_;
  std::vector<unsigned char> out(magic, magic + sizeof magic);
  put(out, format_version);
  put(out, std::uint64_t{st.width});
  put(out, std::uint64_t{st.correlations ? 1u : 0u});
  put(out, st.first);
  put(out, st.end);
  put(out, std::uint64_t{st.pieces.size()});
  for (const Piece& p : st.pieces) {
    put(out, p.begin);
    put(out, p.end);
    for (double v : p.sums.v) put(out, v);
  }
  for (std::size_t i = 0; i < st.open_rows * st.width; ++i) put(out, st.open[i]);
  return out;
}

Moments Moments::load(const void* bytes, std::size_t size, OnBadValue on_bad) {
  if (bytes == nullptr) throw std::invalid_argument("bytes is NULL");
  const auto* at = static_cast<const unsigned char*>(bytes);
  if (size < sizeof magic || std::memcmp(at, magic, sizeof magic) != 0) {
    refuse("not a saved partial result");
  }
  Reader r{at + sizeof magic, size - sizeof magic};
  if (r.word() != format_version) refuse("unknown format version");
  const std::uint64_t width = r.word();
  const std::uint64_t correlations = r.word();
  if (width == 0 || width > (std::uint64_t{1} << 24) || correlations > 1) refuse("bad header");
  MomentsOptions options;
  options.correlations = correlations == 1;
  options.first = r.word();
  options.on_bad = on_bad;
  if (options.first % block != 0) refuse("the first draw is not on a block boundary");
  Moments m(width, options);
  MomentsState& st = *m.state_;
  st.end = r.word();
  if (st.end < st.first) refuse("the range ends before it starts");
  const std::uint64_t count = r.word();
  const std::size_t sums = st.width + st.products();
  std::uint64_t next = st.first / block;
  for (std::uint64_t i = 0; i < count; ++i) {
    Piece p;
    p.begin = r.word();
    p.end = r.word();
    const std::uint64_t blocks = p.end - p.begin;
    if (p.begin != next || p.end <= p.begin || !std::has_single_bit(blocks) ||
        p.begin % blocks != 0 || blocks > std::numeric_limits<std::uint64_t>::max() / block) {
      refuse("piece " + std::to_string(i) + " is not the next aligned run of blocks");
    }
    if (!st.pieces.empty() && siblings(st.pieces.back(), p)) {
      refuse("pieces " + std::to_string(i - 1) + " and " + std::to_string(i) + " are not joined");
    }
    if (r.left / 8 < sums) refuse("the bytes end early");
    p.sums.n = blocks * block;
    p.sums.v.resize(sums);
    for (double& v : p.sums.v) v = r.real();
    next = p.end;
    st.pieces.push_back(std::move(p));
  }
  if (next > st.end / block || st.end - next * block >= block) {
    refuse("the range does not match its blocks");
  }
  st.open_rows = static_cast<std::size_t>(st.end - next * block);
  st.open.assign(block * st.width, 0.0);
  if (r.left != 8 * st.open_rows * st.width) refuse("the length does not match the range");
  for (std::size_t i = 0; i < st.open_rows * st.width; ++i) st.open[i] = r.real();
  return m;
}

}  // namespace pdferr::uncertainty
