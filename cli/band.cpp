#include "band.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sys/types.h>
#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/output_file.hpp"
#include "crc32c.hpp"
#include "pdferr/generator.hpp"
#include "pdferr/version.h"
#include "select.hpp"

static_assert(std::endian::native == std::endian::little,
              "partial results are mapped as little-endian words");

namespace pdferr::cli {
namespace unc = pdferr::uncertainty;
namespace {

// A level as "68%" or "1 sigma".
unc::Confidence parse_level(const std::string& text) {
  try {
    std::size_t used = 0;
    const double v = std::stod(text, &used);
    const std::string rest = text.substr(used);
    if (rest == "%") return unc::Confidence::central(v / 100.0);
    if (rest == " sigma" || rest == "sigma") return unc::Confidence::sigmas(v);
  } catch (const std::exception&) {
  }
  throw Failure("--level \"" + text + "\": want \"N sigma\" or a central probability (\"90%\")");
}

// Little-endian words and strings of a saved setup or partial result.
struct Writer {
  std::vector<unsigned char> bytes;
  void word(std::uint64_t v) {
    for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<unsigned char>(v >> (8 * i)));
  }
  void real(double v) { word(std::bit_cast<std::uint64_t>(v)); }
  void text(const std::string& s) {
    word(s.size());
    bytes.insert(bytes.end(), s.begin(), s.end());
    while (bytes.size() % 8 != 0) bytes.push_back(0);
  }
  void reals(const std::vector<double>& v) {
    word(v.size());
    for (double d : v) real(d);
  }
};

// Bytes that end before what they announce.
struct EndEarly : Failure {
  using Failure::Failure;
};

struct Reader {
  const unsigned char* p;
  std::size_t left;
  std::string what;
  void need(std::uint64_t n) const {
    if (n > left) throw EndEarly(what + ": the bytes end early");
  }
  std::uint64_t word() {
    need(8);
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= static_cast<std::uint64_t>(p[i]) << (8 * i);
    p += 8;
    left -= 8;
    return v;
  }
  double real() { return std::bit_cast<double>(word()); }
  const unsigned char* skip(std::uint64_t n) {
    const std::uint64_t padded = (n + 7) / 8 * 8;
    need(padded);
    const unsigned char* at = p;
    p += padded;
    left -= padded;
    return at;
  }
  std::string text() {
    const std::uint64_t n = word();
    const unsigned char* at = skip(n);
    return std::string(reinterpret_cast<const char*>(at), n);
  }
  std::vector<double> reals() {
    const std::uint64_t n = word();
    need(n * 8);
    std::vector<double> v(n);
    for (double& d : v) d = real();
    return v;
  }
};

}  // namespace

std::vector<unsigned char> Setup::save() const {
  Writer w;
  w.text(header);
  w.text(title);
  w.text(scale);
  w.text(level);
  w.reals(x);
  w.reals(given);
  w.reals(central);
  w.word(hessian);
  w.reals(symmetric);
  w.reals(plus);
  w.reals(minus);
  w.word(monte_carlo);
  w.word(draws);
  w.real(probability);
  w.word(coefficients);
  w.word(static_cast<std::uint64_t>(seed));
  w.word(static_cast<std::uint64_t>(position));
  w.word(static_cast<std::uint64_t>(stride));
  // The factor and the shifts are not needed to merge.
  return w.bytes;
}

Setup Setup::load(const unsigned char* bytes, std::size_t size) {
  Reader r{bytes, size, "setup"};
  Setup s;
  s.header = r.text();
  s.title = r.text();
  s.scale = r.text();
  s.level = r.text();
  s.x = r.reals();
  s.given = r.reals();
  s.central = r.reals();
  s.hessian = r.word() != 0;
  s.symmetric = r.reals();
  s.plus = r.reals();
  s.minus = r.reals();
  s.monte_carlo = r.word() != 0;
  s.draws = r.word();
  s.probability = r.real();
  s.coefficients = r.word();
  s.seed = static_cast<std::int32_t>(r.word());
  s.position = static_cast<std::int64_t>(r.word());
  s.stride = static_cast<std::int64_t>(r.word());
  return s;
}

Setup make_setup(const BandOptions& o, const std::function<void(const std::string&)>& warn) {
  const unc::MemberSet set = unc::MemberSet::load(o.members);
  const unc::Confidence level = parse_level(o.level);
  const bool table = set.source() == unc::MemberSet::Source::table;
  const bool hessian = set.kind() == unc::MemberSet::Kind::hessian;
  Setup s;
  s.scale = o.points.scale;
  s.x = o.points.x;
  s.given = o.points.given();
  s.level = o.level;
  s.probability = level.probability();
  s.hessian = hessian;
  s.monte_carlo = !o.covariance.empty();
  if (!hessian && !s.monte_carlo) {
    throw Failure(o.members + ": a replica set gives a Monte Carlo band: give the covariance of " +
                  "its variations with --cov");
  }
  if (!set.has_central()) throw Failure(o.members + ": the band needs the set's central member");

  // Every member at every point, in member order.
  const std::size_t points = o.points.size();
  std::vector<std::vector<double>> values;
  std::vector<bool> warned(points, false);
  for (std::size_t m = 0; m < set.size(); ++m) {
    const Density d = member_density(set, m);
    s.member_files.push_back(d.path());
    d.check_selector(o.selector);
    values.push_back(d.values(o.selector, o.points));
    for (std::size_t i = 0; i < points; ++i) {
      if (warned[i] || !d.outside_nodes(o.points, i)) continue;
      warned[i] = true;
      warn("point " + std::to_string(i + 1) + " (x " + number(o.points.x[i]) + ", Q " +
           number(o.points.q[i]) + ") lies outside the nodes of " + d.path() + " (" +
           d.node_ranges() + "): its values are extrapolated");
    }
  }
  s.central = values[0];
  const std::string what = table ? "flavour " : "column ";
  const std::string set_name = o.members.substr(o.members.find_last_of('/') + 1);
  s.title = set_name + ": " + (table ? "table sets, " : "grid members, ") + what +
            std::to_string(o.selector);
  s.header = "# pdferr " + std::string(pdferr_version()) + " band\n# members " + o.members + ": " +
             (hessian ? "Hessian set of " + std::to_string(set.pairs()) + " pairs"
                      : "replica set of " + std::to_string(set.replicas()) + " replicas") +
             ", " + (table ? "table sets, " : "grid members, ") + what +
             std::to_string(o.selector) + "\n# level " + o.level + " (probability " +
             number(s.probability) + ")\n";

  if (hessian) {
    std::vector<double> member_major;
    for (const auto& v : values) member_major.insert(member_major.end(), v.begin(), v.end());
    std::vector<unc::HessianErrors> e(points);
    unc::hessian(member_major.data(), set.pairs(), points, e.data());
    for (const auto& err : e) {
      const unc::HessianErrors r = unc::rescale(err, set.confidence(), level);
      s.symmetric.push_back(r.symmetric);
      s.plus.push_back(r.plus);
      s.minus.push_back(r.minus);
    }
  }

  if (s.monte_carlo) {
    // The variations: the plus members of the pairs, or the replicas.
    const std::size_t n = hessian ? set.pairs() : set.replicas();
    std::size_t order = 0;
    const std::vector<float> cov = read_matrix(o.covariance, order);
    if (order != n) {
      throw Failure(o.covariance + ", line 0: a covariance of order " + std::to_string(order) +
                    " for " + std::to_string(n) + " variations in " + o.members);
    }
    try {
      s.factor = pdferr::cholesky(cov.data(), n);
    } catch (const pdferr::domain_error& e) {
      throw Failure(o.covariance + ": " + e.what());
    }
    if (o.draws < 2) throw Failure("--draws: a Monte Carlo band needs at least 2 draws");
    s.coefficients = n;
    s.draws = o.draws;
    s.seed = o.seed;
    s.position = o.position;
    s.stride = static_cast<std::int64_t>(16 * block_draws * n);
    for (std::size_t i = 1; i <= n; ++i) {
      const std::vector<double>& f = values[hessian ? 2 * i - 1 : i];
      for (std::size_t p = 0; p < points; ++p) s.shift.push_back(f[p] - s.central[p]);
    }
    // The last block must start within the generator's range.
    const auto last = static_cast<std::int64_t>(s.blocks());
    if (o.position < 0 || last > (pdferr::Generator::max_position - o.position) / s.stride - 1) {
      throw Failure("--draws " + std::to_string(o.draws) + " from position " +
                    std::to_string(o.position) + " would pass the generator's last position");
    }
    pdferr::Generator(o.seed, o.position);  // refuses a seed out of range
    s.header += "# monte carlo: " + std::to_string(o.draws) + " draws of " + std::to_string(n) +
                " coefficients, covariance " + o.covariance + "\n# generator seed " +
                std::to_string(o.seed) + ", starting position " + std::to_string(o.position) +
                "; blocks of " + std::to_string(block_draws) + " draws, block b from position " +
                std::to_string(o.position) + " + b * " + std::to_string(s.stride) + "\n";
  }
  return s;
}

void part_blocks(std::uint64_t blocks, std::uint64_t k, std::uint64_t parts, std::uint64_t& first,
                 std::uint64_t& end) {
  using wide = unsigned __int128;  // blocks * (k + 1) may pass 2^64
  first = static_cast<std::uint64_t>(wide{blocks} * k / parts);
  end = static_cast<std::uint64_t>(wide{blocks} * (k + 1) / parts);
}

Samples draw_blocks(const Setup& s, std::uint64_t first, std::uint64_t end,
                    const std::function<void(std::uint64_t)>& progress) {
  const std::size_t points = s.x.size(), n = s.coefficients;
  const std::uint64_t first_draw = first * block_draws;
  const std::uint64_t end_draw = std::min(end * block_draws, s.draws);
  unc::MomentsOptions mo;
  mo.first = first_draw;
  Samples out{unc::Moments(points, mo), {}, end_draw > first_draw ? end_draw - first_draw : 0};
  // The share of samples this process keeps: 8 bytes a draw and point.
  const std::uint64_t need = out.count * points;
  try {
    if (points != 0 && need / points != out.count) throw std::bad_alloc();
    out.keys.resize(need);
  } catch (const std::bad_alloc&) {
    throw Failure("this part's " + std::to_string(out.count) + " draws at " +
                  std::to_string(points) + " points need " + std::to_string(need / 131072) +
                  " MiB of samples (8 bytes a draw and point), more than this process can " +
                  "have: split the draws over more MPI ranks or --block parts");
  }
  std::vector<float> c(block_draws * n);
  std::vector<double> rows(block_draws * points);
  for (std::uint64_t b = first; b < end; ++b) {
    const std::uint64_t d0 = b * block_draws;
    const std::size_t count = std::min(block_draws, s.draws - d0);
    const std::int64_t start = s.position + static_cast<std::int64_t>(b) * s.stride;
    pdferr::Generator g(s.seed, start);
    g.correlated(s.factor.data(), n, count, c.data());
    if (g.position() - start > s.stride) {
      throw Failure("block " + std::to_string(b) + " consumed " +
                    std::to_string(g.position() - start) +
                    " generator numbers, more than its stride of " + std::to_string(s.stride));
    }
    for (std::size_t d = 0; d < count; ++d) {
      const float* cd = c.data() + d * n;
      for (std::size_t p = 0; p < points; ++p) {
        double f = s.central[p];
        for (std::size_t i = 0; i < n; ++i) {
          const double term = static_cast<double>(cd[i]) * s.shift[i * points + p];
          f = f + term;
        }
        rows[d * points + p] = f;
        out.keys[p * out.count + (d0 + d - first_draw)] = order_key(f);
      }
    }
    out.moments.add(rows.data(), count);
    progress(b + 1 - first);
  }
  return out;
}

namespace {

// Sorts a[0..n) by least significant digit first, 16 bits a pass, with
// tmp as the other buffer; a pass whose digit is the same in every key is
// skipped (the high bits of one point's samples mostly are).
void radix_sort(std::uint64_t* a, std::size_t n, std::vector<std::uint64_t>& tmp) {
  tmp.resize(n);
  std::uint64_t* from = a;
  std::uint64_t* to = tmp.data();
  std::vector<std::size_t> count(1 << 16);
  for (int shift = 0; shift < 64; shift += 16) {
    std::fill(count.begin(), count.end(), 0);
    for (std::size_t i = 0; i < n; ++i) ++count[(from[i] >> shift) & 0xffff];
    if (n == 0 || count[(from[0] >> shift) & 0xffff] == n) continue;
    std::size_t sum = 0;
    for (std::size_t& c : count) {
      const std::size_t here = c;
      c = sum;
      sum += here;
    }
    for (std::size_t i = 0; i < n; ++i) to[count[(from[i] >> shift) & 0xffff]++] = from[i];
    std::swap(from, to);
  }
  if (from != a) std::copy(from, from + n, a);
}

}  // namespace

void sort_samples(Samples& samples) {
  const std::size_t points = samples.count == 0 ? 0 : samples.keys.size() / samples.count;
  std::vector<std::uint64_t> tmp;
  for (std::size_t p = 0; p < points; ++p) {
    radix_sort(samples.keys.data() + p * samples.count, samples.count, tmp);
  }
}

McBand finish_band(const Setup& s, const unc::Moments* all,
                   const std::function<std::uint64_t(std::size_t, std::uint64_t)>& local_count,
                   const std::function<void(std::vector<std::uint64_t>&)>& sum) {
  const std::size_t points = s.x.size();
  const QuantileRanks low = quantile_ranks(s.draws, (1.0 - s.probability) / 2.0);
  const QuantileRanks high = quantile_ranks(s.draws, (1.0 + s.probability) / 2.0);
  std::vector<Rank> queries;
  for (std::size_t p = 0; p < points; ++p) {
    for (std::uint64_t r : {low.below, low.above, high.below, high.above})
      queries.push_back({p, r});
  }
  const std::vector<std::uint64_t> keys = select_keys(queries, local_count, sum);
  McBand b;
  for (std::size_t p = 0; p < points; ++p) {
    if (all != nullptr) {
      b.mean.push_back(all->mean(p));
      b.sd.push_back(all->standard_deviation(p));
    }
    b.low.push_back(quantile_from(low, key_value(keys[4 * p]), key_value(keys[4 * p + 1])));
    b.high.push_back(quantile_from(high, key_value(keys[4 * p + 2]), key_value(keys[4 * p + 3])));
  }
  return b;
}

std::string band_csv(const Setup& s, const McBand* mc) {
  std::string out = s.header + "x," + s.scale + ",central";
  if (s.hessian) out += ",hessian,hessian_plus,hessian_minus";
  if (mc != nullptr) out += ",mc_mean,mc_sd,mc_low,mc_high";
  out += "\n";
  for (std::size_t p = 0; p < s.x.size(); ++p) {
    const auto field = [&out](double v) {
      out += ',';
      out += number(v);
    };
    out += number(s.x[p]);
    for (double v : {s.given[p], s.central[p]}) field(v);
    if (s.hessian) {
      for (double v : {s.symmetric[p], s.plus[p], s.minus[p]}) field(v);
    }
    if (mc != nullptr) {
      for (double v : {mc->mean[p], mc->sd[p], mc->low[p], mc->high[p]}) field(v);
    }
    out += "\n";
  }
  return out;
}

void write_file(const std::string& path, const std::string& text) {
  if (const std::string e = common::write_whole_file(path, text); !e.empty()) throw Failure(e);
}

void write_partial(const std::string& path, const Setup& setup, const Samples& samples,
                   std::uint64_t k, std::uint64_t parts) {
  Writer w;
  const char magic[] = "PDFERRBP";
  w.bytes.assign(magic, magic + 8);
  // The format: 2 ends the file with the CRC-32C of all the bytes before.
  w.word(2);
  w.word(k);
  w.word(parts);
  const std::vector<unsigned char> s = setup.save();
  w.text(std::string(s.begin(), s.end()));
  const std::vector<unsigned char> m = samples.moments.save();
  w.text(std::string(m.begin(), m.end()));
  w.word(setup.x.size());
  w.word(samples.count);
  // The keys as they lie in memory: little-endian words (checked above).
  const std::uint32_t crc = crc32c(crc32c(0, w.bytes.data(), w.bytes.size()), samples.keys.data(),
                                   8 * samples.keys.size());
  Writer tail;
  tail.word(crc);
  common::OutputFile f;
  if (!f.open(path) || !f.write(w.bytes.data(), w.bytes.size()) ||
      !f.write(samples.keys.data(), 8 * samples.keys.size()) ||
      !f.write(tail.bytes.data(), tail.bytes.size()) || !f.commit()) {
    throw Failure(f.message());
  }
}

namespace {

// A partial result, its keys searched where they lie in the file: every
// fence-th key of each point is kept in memory, and a count reads the one
// run of fence keys between two kept ones (4 KB), so that merging needs
// 1/512 of the parts' size in memory.
struct Partial {
  static constexpr std::uint64_t fence = 512;
  std::string path;
  int fd = -1;
  std::uint64_t k = 0, parts = 0, points = 0, count = 0;
  std::string setup;
  unc::Moments moments;
  std::uint64_t keys_at = 0;          // file offset of the keys
  std::vector<std::uint64_t> fences;  // key i * fence of each point, point-major
  std::uint64_t per_point = 0;        // fences per point

  explicit Partial(const std::string& p) : path(p) {
    // Without O_NONBLOCK, opening a FIFO would wait for a writer.
    fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) throw Failure(p + ": cannot be opened (" + std::strerror(errno) + ")");
    try {
      read_header();
    } catch (...) {
      ::close(fd);
      throw;
    }
  }
  ~Partial() { ::close(fd); }
  Partial(const Partial&) = delete;
  Partial& operator=(const Partial&) = delete;

  void read_at(void* out, std::uint64_t bytes, std::uint64_t at) const {
    auto* o = static_cast<unsigned char*>(out);
    while (bytes > 0) {
      const ssize_t n = ::pread(fd, o, bytes, static_cast<off_t>(at));
      if (n <= 0) throw Failure(path + ": read error or a file cut short");
      o += n;
      at += static_cast<std::uint64_t>(n);
      bytes -= static_cast<std::uint64_t>(n);
    }
  }

  void read_header() {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) throw Failure(path + ": not a regular file");
    const auto size = static_cast<std::uint64_t>(st.st_size);
    // The header ends where the keys begin: read it in growing pieces.
    std::vector<unsigned char> head(static_cast<std::size_t>(std::min<std::uint64_t>(size, 65536)));
    read_at(head.data(), head.size(), 0);
    if (head.size() < 8 || std::memcmp(head.data(), "PDFERRBP", 8) != 0) {
      throw Failure(path + ": not a partial result of pdferr band --block");
    }
    for (;;) {
      Reader r{head.data() + 8, head.size() - 8, path};
      try {
        if (r.word() != 2) throw Failure(path + ": a partial result of another version");
        k = r.word();
        parts = r.word();
        setup = r.text();
        const std::string mb = r.text();
        moments = unc::Moments::load(mb.data(), mb.size());
        points = r.word();
        count = r.word();
        keys_at = head.size() - r.left;
        break;
      } catch (const EndEarly&) {
        if (head.size() == size) throw;  // the bytes end early in the whole file
        head.resize(static_cast<std::size_t>(std::min<std::uint64_t>(size, 4 * head.size())));
        read_at(head.data(), head.size(), 0);
      } catch (const std::invalid_argument& e) {
        throw Failure(path + ": " + e.what());
      }
    }
    if (k >= parts)
      throw Failure(path + ": part " + std::to_string(k + 1) + " of " + std::to_string(parts) +
                    " does not exist");
    // The keys, then the checksum.
    const std::uint64_t key_bytes = size - keys_at < 8 ? 0 : size - keys_at - 8;
    if (size - keys_at < 8 || (points != 0 && count > key_bytes / 8 / points)) {
      throw Failure(path + ": the keys end early");
    }
    if (key_bytes != points * count * 8) throw Failure(path + ": bytes after the keys");
    check_content(size);
    // The fences, one pass over the keys.
    per_point = (count + fence - 1) / fence;
    fences.resize(points * per_point);
    for (std::uint64_t p = 0; p < points; ++p) {
      for (std::uint64_t f = 0; f < per_point; ++f) {
        read_at(&fences[p * per_point + f], 8, keys_at + 8 * (p * count + f * fence));
      }
    }
  }

  // The checksum over the whole file, then what an edit of the keys would
  // break: each point's keys ascend, and their mean is the moments' mean
  // within the rounding of the two sums.  Summed in any order, n values f
  // carry an error of at most (n - 1) u sum |f| (u = 2^-53), so the two
  // means, each a sum divided by n, differ by at most about 2 u sum |f|:
  // 4 u sum |f| allows twice that.
  void check_content(std::uint64_t size) const {
    std::uint32_t crc = 0;
    std::vector<std::uint64_t> buffer(1 << 17);
    for (std::uint64_t at = 0; at < keys_at;) {
      const std::uint64_t n = std::min<std::uint64_t>(keys_at - at, 8 * buffer.size());
      read_at(buffer.data(), n, at);
      crc = crc32c(crc, buffer.data(), n);
      at += n;
    }
    std::vector<double> sum(points, 0.0), magnitude(points, 0.0);
    std::uint64_t previous = 0;
    const std::uint64_t keys = points * count;
    for (std::uint64_t i = 0; i < keys;) {
      const std::uint64_t n = std::min<std::uint64_t>(keys - i, buffer.size());
      read_at(buffer.data(), 8 * n, keys_at + 8 * i);
      crc = crc32c(crc, buffer.data(), 8 * n);
      for (std::uint64_t j = 0; j < n; ++j, ++i) {
        const std::uint64_t p = i / count;
        const std::uint64_t key = buffer[j];
        if (i % count != 0 && key < previous) {
          throw Failure(path + ": point " + std::to_string(p + 1) +
                        ": its keys are not in ascending order");
        }
        previous = key;
        const double v = key_value(key);
        sum[p] = sum[p] + v;
        magnitude[p] = magnitude[p] + std::fabs(v);
      }
    }
    std::uint64_t stored = 0;
    read_at(&stored, 8, size - 8);
    if (stored != crc) {
      throw Failure(path + ": damaged: its checksum does not match its content");
    }
    if (count == 0) return;
    constexpr double u = 0x1p-53;
    for (std::uint64_t p = 0; p < points; ++p) {
      const double mean = sum[p] / static_cast<double>(count);
      const double recorded = moments.mean(p);
      if (!(std::fabs(mean - recorded) <= 4 * u * magnitude[p])) {
        throw Failure(path + ": point " + std::to_string(p + 1) +
                      ": its keys do not agree with its moments (mean " + number(mean) +
                      " against " + number(recorded) + ")");
      }
    }
  }

  // The keys of point p at or below key.
  std::uint64_t count_at_or_below_key(std::uint64_t p, std::uint64_t key) const {
    const std::uint64_t* f = fences.data() + p * per_point;
    const auto j = static_cast<std::uint64_t>(std::upper_bound(f, f + per_point, key) - f);
    if (j == 0) return 0;  // below the first key
    const std::uint64_t first = (j - 1) * fence;
    const std::uint64_t n = std::min(fence, count - first);
    std::uint64_t run[fence];
    read_at(run, 8 * n, keys_at + 8 * (p * count + first));
    return first + pdferr::cli::count_at_or_below(run, n, key);
  }
};

}  // namespace

void merge_partials(const std::vector<std::string>& paths, const std::string& prefix) {
  std::vector<std::unique_ptr<Partial>> parts;
  for (const std::string& p : paths) parts.push_back(std::make_unique<Partial>(p));
  const std::uint64_t total = parts[0]->parts;
  if (parts.size() != total) {
    throw Failure(std::to_string(parts.size()) + " partial results given where " + paths[0] +
                  " is one of " + std::to_string(total));
  }
  std::vector<const Partial*> by_k(total, nullptr);
  for (const auto& p : parts) {
    if (p->parts != total || p->setup != parts[0]->setup) {
      throw Failure(p->path + " is a part of another run than " + paths[0]);
    }
    if (by_k[p->k] != nullptr) {
      throw Failure(p->path + " and " + by_k[p->k]->path + " are both part " +
                    std::to_string(p->k + 1) + " of " + std::to_string(total));
    }
    by_k[p->k] = p.get();
  }
  const Setup s = Setup::load(reinterpret_cast<const unsigned char*>(parts[0]->setup.data()),
                              parts[0]->setup.size());
  unc::Moments all(s.x.size());
  for (std::uint64_t k = 0; k < total; ++k) {
    std::uint64_t first = 0, end = 0;
    part_blocks(s.blocks(), k, total, first, end);
    const std::uint64_t draws =
        first >= end ? 0 : std::min(end * block_draws, s.draws) - first * block_draws;
    if (by_k[k]->count != draws || by_k[k]->points != s.x.size()) {
      throw Failure(by_k[k]->path + " does not hold the draws of its part");
    }
    if (draws > 0) all.merge(by_k[k]->moments);
  }
  const auto local = [&](std::size_t p, std::uint64_t key) {
    std::uint64_t n = 0;
    for (const Partial* q : by_k) n += q->count_at_or_below_key(p, key);
    return n;
  };
  const McBand mc = finish_band(s, &all, local, [](std::vector<std::uint64_t>&) {});
  write_file(prefix + ".csv", band_csv(s, &mc));
  write_file(prefix + ".svg", band_svg(s, &mc));
}

}  // namespace pdferr::cli
