#include "band.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sys/types.h>
#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "common/output_file.hpp"
#include "common/words.hpp"
#include "pdferr/generator.hpp"
#include "pdferr/version.h"

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
  void word(std::uint64_t v) { common::put_word(bytes, v); }
  void real(double v) { common::put_real(bytes, v); }
  void text(const std::string& s) { common::put_bytes(bytes, s.data(), s.size()); }
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
    const std::uint64_t v = common::get_word(p);
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

std::vector<unsigned char> BandInputs::save() const {
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

BandInputs BandInputs::load(const unsigned char* bytes, std::size_t size) {
  Reader r{bytes, size, "setup"};
  BandInputs s;
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

BandInputs make_inputs(const BandOptions& o, const std::function<void(const std::string&)>& warn) {
  const unc::MemberSet set = unc::MemberSet::load(o.members);
  const unc::Confidence level = parse_level(o.level);
  const bool table = set.source() == unc::MemberSet::Source::table;
  const bool hessian = set.kind() == unc::MemberSet::Kind::hessian;
  BandInputs s;
  s.scale = o.points.scale;
  s.x = o.points.x;
  s.given = o.points.given();
  s.level = o.level;
  s.probability = level.probability();
  s.hessian = hessian;
  s.monte_carlo = !o.covariance.empty();
  s.replica = !hessian && !s.monte_carlo;
  if (s.replica && set.replicas() < 2) {
    throw Failure(o.members + ": a replica band needs at least 2 replicas");
  }
  if (!set.has_central() && !s.replica) {
    throw Failure(o.members + ": the band needs the set's central member");
  }

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
  if (s.replica) {
    std::vector<double> member_major;
    for (const auto& v : values) member_major.insert(member_major.end(), v.begin(), v.end());
    s.replicas =
        unc::replica_band(member_major.data(), set.has_central(), set.replicas(), points, level);
    s.central = s.replicas.central;
  }
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
    unc::HessianBand h =
        unc::hessian_band(member_major.data(), set.pairs(), points, set.confidence(), level);
    s.symmetric = std::move(h.symmetric);
    s.plus = std::move(h.plus);
    s.minus = std::move(h.minus);
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
    std::vector<float> factor;
    try {
      factor = pdferr::cholesky(cov.data(), n);
    } catch (const pdferr::domain_error& e) {
      throw Failure(o.covariance + ": " + e.what());
    }
    if (o.draws < 2) throw Failure("--draws: a Monte Carlo band needs at least 2 draws");
    std::vector<double> variations;
    for (std::size_t i = 1; i <= n; ++i) {
      const std::vector<double>& f = values[hessian ? 2 * i - 1 : i];
      variations.insert(variations.end(), f.begin(), f.end());
    }
    try {
      s.run.emplace(s.central.data(), variations.data(), n, points, factor.data(), o.seed,
                    o.position, o.draws);
    } catch (const std::out_of_range&) {
      throw Failure("--draws " + std::to_string(o.draws) + " from position " +
                    std::to_string(o.position) + " would pass the generator's last position");
    }
    s.coefficients = n;
    s.draws = o.draws;
    s.seed = o.seed;
    s.position = o.position;
    s.stride = s.run->stride();
    s.header += "# monte carlo: " + std::to_string(o.draws) + " draws of " + std::to_string(n) +
                " coefficients, covariance " + o.covariance + "\n# generator seed " +
                std::to_string(o.seed) + ", starting position " + std::to_string(o.position) +
                "; blocks of " + std::to_string(unc::MonteCarlo::block_draws) +
                " draws, block b from position " + std::to_string(o.position) + " + b * " +
                std::to_string(s.stride) + "\n";
  }
  return s;
}

unc::McPart draw_part(const BandInputs& s, std::uint64_t k, std::uint64_t parts,
                      const std::function<void(std::uint64_t)>& progress) {
  try {
    return s.run->draw(k, parts, progress);
  } catch (const std::bad_alloc&) {
    const std::uint64_t count = unc::MonteCarlo::part_draws(s.draws, k, parts);
    const std::uint64_t points = s.x.size();
    const std::uint64_t need = count * points;  // 8 bytes a draw and point
    throw Failure("this part's " + std::to_string(count) + " draws at " + std::to_string(points) +
                  " points need " +
                  (points != 0 && need / points != count ? std::string("more")
                                                         : std::to_string(need / 131072)) +
                  " MiB of samples (8 bytes a draw and point), more than this process can " +
                  "have: split the draws over more MPI ranks or --block parts");
  }
}

std::string band_csv(const BandInputs& s, const unc::McColumns* mc) {
  std::string out = s.header + "x," + s.scale + ",central";
  if (s.replica) out += ",replica_mean,replica_sd,replica_low,replica_high,replicas";
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
    if (s.replica) {
      const unc::ReplicaBand& r = s.replicas;
      for (double v : {r.mean[p], r.sd[p], r.low[p], r.high[p]}) field(v);
      out += ',' + std::to_string(r.count);
    }
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

void write_partial(const std::string& path, const BandInputs& inputs, unc::McPart& part) {
  const std::vector<unsigned char> run = inputs.save();
  part.run.assign(run.begin(), run.end());
  common::OutputFile f;
  bool written = f.open(path);
  if (written) {
    part.write([&](const void* bytes, std::size_t n) { written = written && f.write(bytes, n); });
  }
  if (!written || !f.commit()) throw Failure(f.message());
}

namespace {

// A partial file, its keys read where they lie (see McPartView).
class PartFile {
 public:
  explicit PartFile(const std::string& p) : path_(p) {
    // Without O_NONBLOCK, opening a FIFO would wait for a writer.
    fd_ = ::open(p.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) throw Failure(p + ": cannot be opened (" + std::strerror(errno) + ")");
    try {
      struct stat st {};
      if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        throw Failure(path_ + ": not a regular file");
      }
      view_.emplace([this](void* out, std::uint64_t n, std::uint64_t at) { read_at(out, n, at); },
                    static_cast<std::uint64_t>(st.st_size));
    } catch (const std::invalid_argument& e) {
      ::close(fd_);
      throw Failure(path_ + ": " + e.what());
    } catch (...) {
      ::close(fd_);
      throw;
    }
  }
  ~PartFile() { ::close(fd_); }
  PartFile(const PartFile&) = delete;
  PartFile& operator=(const PartFile&) = delete;
  const unc::McPartView& view() const { return *view_; }

 private:
  void read_at(void* out, std::uint64_t bytes, std::uint64_t at) const {
    auto* o = static_cast<unsigned char*>(out);
    while (bytes > 0) {
      const ssize_t n = ::pread(fd_, o, bytes, static_cast<off_t>(at));
      if (n <= 0) throw Failure(path_ + ": read error or a file cut short");
      o += n;
      at += static_cast<std::uint64_t>(n);
      bytes -= static_cast<std::uint64_t>(n);
    }
  }
  std::string path_;
  int fd_ = -1;
  std::optional<unc::McPartView> view_;
};

}  // namespace

void merge_partials(const std::vector<std::string>& paths, const std::string& prefix) {
  std::vector<std::unique_ptr<PartFile>> files;
  std::vector<const unc::McPartView*> views;
  for (const std::string& p : paths) {
    files.push_back(std::make_unique<PartFile>(p));
    views.push_back(&files.back()->view());
  }
  const std::string& run = views[0]->run();
  unc::McColumns mc;
  BandInputs s;
  try {
    s = BandInputs::load(reinterpret_cast<const unsigned char*>(run.data()), run.size());
    mc = unc::merge_parts(views, paths, s.probability);
  } catch (const std::invalid_argument& e) {
    throw Failure(e.what());
  }
  write_file(prefix + ".csv", band_csv(s, &mc));
  write_file(prefix + ".svg", band_svg(s, &mc));
}

}  // namespace pdferr::cli
