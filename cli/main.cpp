// pdferr: data files and error bands from the command line.
//
//   pdferr check FILE...            load each file, report every bad one
//   pdferr eval FILE --points P     values at points, as CSV
//   pdferr band SET --points P ...  Hessian and Monte Carlo bands, CSV + SVG
//   pdferr merge PART...            join the parts of band --block k/K
//   pdferr list                     what PDFERR_DATA_PATH holds
//
// Exit status 0 only on success; faults go to standard error with the file,
// the line and the field.
#include <sys/resource.h>
#include <unistd.h>

#include <signal.h>
#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <iostream>
#include <limits>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "band.hpp"
#include "comm.hpp"
#include "common/output_file.hpp"
#include "crmath.hpp"
#include "data.hpp"
#include "list.hpp"
#include "nodes.hpp"
#include "pdferr/generator.hpp"
#include "pdferr/version.h"
#include "writers.hpp"

namespace cli = pdferr::cli;
namespace unc = pdferr::uncertainty;

namespace {

// Whether text is a whole number of type T, into value.
template <typename T>
bool whole_number(std::string_view text, T& value) {
  const char* end = text.data() + text.size();
  const auto r = std::from_chars(text.data(), end, value);
  return !text.empty() && r.ec == std::errc() && r.ptr == end;
}

// LOW:HIGH:N with 0 < LOW <= HIGH (finite) and N >= 1.
bool parse_range(std::string_view text, double& lo, double& hi, int& n) {
  const auto a = text.find(':');
  const auto b = a == std::string_view::npos ? a : text.find(':', a + 1);
  if (b == std::string_view::npos) return false;
  return whole_number(text.substr(0, a), lo) && whole_number(text.substr(a + 1, b - a - 1), hi) &&
         whole_number(text.substr(b + 1), n) && lo > 0.0 && hi >= lo && std::isfinite(hi) && n >= 1;
}

// k/K with 1 <= k <= K, into the part k - 1 and the count K.
bool parse_block(std::string_view text, std::uint64_t& part, std::uint64_t& parts) {
  const auto slash = text.find('/');
  if (slash == std::string_view::npos) return false;
  std::uint64_t k = 0;
  if (!whole_number(text.substr(0, slash), k) || !whole_number(text.substr(slash + 1), parts) ||
      k < 1 || k > parts) {
    return false;
  }
  part = k - 1;
  return true;
}

// Refuses an output that is one of the inputs (the same file, however
// named), before anything is written.
void refuse_overwrite(const std::vector<std::string>& inputs,
                      const std::vector<std::string>& outputs) {
  for (const std::string& out : outputs) {
    for (const std::string& in : inputs) {
      if (!in.empty() && pdferr::common::same_file(out, in)) {
        throw cli::Failure("the output " + out + " is the input " + in +
                           ": give another output; nothing was written");
      }
    }
  }
}

// The points of --points FILE, or of --x LOW:HIGH:N at --q or --q2.
struct PointOptions {
  std::string file, range;
  double q = 0.0, q2 = 0.0;

  void add(CLI::App* app) {
    app->add_option("--points", file, "CSV of points: a header line x,Q or x,Q2, a point a line");
    app->add_option("--x", range, "LOW:HIGH:N: N points equally spaced in log x")
        ->check(CLI::Validator(
            [](std::string& text) {
              double lo = 0.0, hi = 0.0;
              int n = 0;
              return parse_range(text, lo, hi, n) ? std::string()
                                                  : "want LOW:HIGH:N with 0 < LOW <= HIGH and a "
                                                    "count N of at least 1";
            },
            "LOW:HIGH:N"));
    app->add_option("--q", q, "the scale Q (GeV) of the --x points");
    app->add_option("--q2", q2, "the scale Q2 (GeV^2) of the --x points");
  }
  cli::Points get() const {
    if (!file.empty() && range.empty()) return cli::read_points(file);
    if (file.empty() && !range.empty() && (q > 0.0) != (q2 > 0.0)) {
      double lo = 0.0, hi = 0.0;
      int n = 0;
      parse_range(range, lo, hi, n);  // checked when parsed
      return q > 0.0 ? cli::log_points(lo, hi, n, "Q", q) : cli::log_points(lo, hi, n, "Q2", q2);
    }
    throw cli::Failure("give the points as --points FILE, or as --x LOW:HIGH:N with --q or --q2");
  }
};

void warn(const std::string& command, const std::string& text) {
  std::fprintf(stderr, "pdferr %s: warning: %s\n", command.c_str(), text.c_str());
}

int check(const std::vector<std::string>& names) {
  int bad = 0;
  for (const std::string& name : names) {
    try {
      std::string what;
      const std::string f = cli::input_file(name);
      if (cli::is_description(f)) {
        const unc::MemberSet set = unc::MemberSet::read(f);
        const bool table = set.source() == unc::MemberSet::Source::table;
        for (std::size_t m = 0; m < set.size(); ++m) {
          try {
            cli::member_density(set, m);
          } catch (const std::exception& e) {
            throw cli::Failure(f + ": member " + std::to_string(m + 1) + " of " +
                               std::to_string(set.size()) + ": " + e.what());
          }
        }
        what = std::string(set.kind() == unc::MemberSet::Kind::hessian ? "Hessian" : "replica") +
               " set of " + std::to_string(set.size()) + (table ? " table sets" : " grid members") +
               ", all loaded";
      } else if (cli::source_of_path(f) == cli::Source::table) {
        const pdferr::TableSet t(f);
        what = "table set, x nodes 0.." + std::to_string(t.nx()) + ", t nodes 0.." +
               std::to_string(t.nt()) + ", flavours " + std::to_string(-t.MxFlvN0()) + ".." +
               std::to_string(t.MxFlvN0());
        for (const std::string& w : cli::coarse_node_warnings(t)) warn("check", f + ": " + w);
      } else {
        const pdferr::GridMember g(f);
        // The fixed fields read blanks as 0, so a file of blank lines loads:
        // a column that is 0 at every node is most likely no data.
        std::array<bool, 6> zero{true, true, true, true, true, true};
        for (int i = 0; i < g.x_node_count(); ++i) {
          for (int j = 0; j < g.q2_node_count(); ++j) {
            const double x = g.x_nodes()[i], q2 = g.q2_nodes()[j];
            if (x < g.x_min() || x >= g.x_max() || q2 < g.q2_min() || q2 > g.q2_max()) continue;
            const std::array<double, 6> v = g.values(x, q2);
            for (int c = 0; c < 6; ++c) zero[c] = zero[c] && v[c] == 0.0;
          }
        }
        std::string columns;
        for (int c = 0; c < 6; ++c) columns += zero[c] ? " " + std::to_string(c + 1) : "";
        if (columns.size() == 12) {
          warn("check", f + ": every value is 0 at every node: is this the grid file meant?");
        } else if (!columns.empty()) {
          warn("check",
               f + ": column" + (columns.size() > 2 ? "s" : "") + columns + " 0 at every node");
        }
        what = "grid member, " + std::to_string(pdferr::GridMember::x_node_count()) + " x nodes, " +
               std::to_string(pdferr::GridMember::q2_node_count()) + " Q2 nodes, columns 1..6";
      }
      std::printf("%s: %s\n", f.c_str(), what.c_str());
    } catch (const std::exception& e) {
      ++bad;
      std::fprintf(stderr, "pdferr check: %s\n", e.what());
    }
  }
  std::fflush(stdout);
  if (bad > 0) {
    std::fprintf(stderr, "pdferr check: %d of %zu files are bad\n", bad, names.size());
    return 1;
  }
  return 0;
}

std::string list(const double* v, std::size_t n) {
  std::string out;
  for (std::size_t i = 0; i < n; ++i) {
    if (i != 0) out += ' ';
    out += cli::number(v[i]);
  }
  return out;
}

int inspect(const std::string& name) {
  const std::string file = cli::input_file(name);
  std::string o;
  if (cli::is_description(file)) {
    o = file + ": " + cli::describe_data_file(file) + "\n";
  } else if (cli::source_of_path(file) == cli::Source::table) {
    const pdferr::TableSet t(file);
    const auto m = t.masses();
    const int nx = t.nx(), nt = t.nt(), mf = t.MxFlvN0(), mv = t.mxval();
    std::vector<double> q;
    for (int i = 0; i <= nt; ++i)
      q.push_back(t.alambda() * pdferr::math::exp(pdferr::math::exp(t.t_nodes()[i])));
    o = file + ": table set\n" + "alambda " + cli::number(t.alambda()) + "\nmasses " +
        list(m.data(), 6) + "\nqcdi1 " + std::to_string(t.qcdi1()) + ", qcdr1 " +
        cli::number(t.qcdr1()) + ", qcdr2 " + cli::number(t.qcdr2()) + ", qcdi2 " +
        std::to_string(t.qcdi2()) + ", qcdi3 " + std::to_string(t.qcdi3()) +
        "\nstated range: qini " + cli::number(t.qini()) + ", qmax " + cli::number(t.qmax()) +
        ", xmin " + cli::number(t.xmin()) + "\ncounts: nx " + std::to_string(nx) + " (x nodes 0.." +
        std::to_string(nx) + "), nt " + std::to_string(nt) + " (t nodes 0.." + std::to_string(nt) +
        "), MxFlvN0 " + std::to_string(mf) + ", mxval " + std::to_string(mv) + ", " +
        std::to_string((nx + 1) * (nt + 1) * (mf + 1 + mv)) + " values\nslots " +
        std::to_string(-mf) + ".." + std::to_string(mv) + "; flavours " + std::to_string(-mf) +
        ".." + std::to_string(mf) + ": flavour f reads slot f" +
        (mv < mf ? ", and slot -f above " + std::to_string(mv) : std::string()) +
        "\nnode ranges: x " + cli::number(t.x_node_min()) + ".." + cli::number(t.x_node_max()) +
        ", Q " + cli::number(t.q_node_min()) + ".." + cli::number(t.q_node_max()) +
        " (extrapolated beyond)\nx nodes: " + list(t.x_nodes(), static_cast<std::size_t>(nx) + 1) +
        "\nt nodes: " + list(t.t_nodes(), static_cast<std::size_t>(nt) + 1) +
        "\nQ nodes (alambda exp(exp(t))): " + list(q.data(), q.size()) + "\n";
    for (const std::string& w : cli::coarse_node_warnings(t)) warn("inspect", file + ": " + w);
  } else {
    const pdferr::GridMember g(file);
    o = file + ": grid member\ndomain: x " + cli::number(g.x_min()) + ".." +
        cli::number(g.x_max()) + ", Q2 " + cli::number(g.q2_min()) + ".." +
        cli::number(g.q2_max()) + "\ncolumns 1..6\nx nodes (" + std::to_string(g.x_node_count()) +
        ", the last without a line: 0 there):\n  as held: " +
        list(g.x_nodes(), static_cast<std::size_t>(g.x_node_count())) +
        "\n  as decimals: " + cli::grid_x_decimals() + "\nQ2 nodes (" +
        std::to_string(g.q2_node_count()) +
        "): " + list(g.q2_nodes(), static_cast<std::size_t>(g.q2_node_count())) + "\n";
  }
  std::fwrite(o.data(), 1, o.size(), stdout);
  return 0;
}

// The density to evaluate: a file, or a numbered table set or grid member
// in a directory.
struct Which {
  std::string file, dir;
  std::optional<int> set, member;
  cli::Density load() const {
    if (file.empty() == (set.has_value() == member.has_value())) {
      throw cli::Failure("give one of FILE, --set N and --member M");
    }
    if (set) return cli::Density(pdferr::TableSet::from_set(*set, dir));
    if (member) return cli::Density(pdferr::GridMember::from_member(*member, dir));
    const std::string found = cli::input_file(file);
    return cli::Density(cli::source_of_path(found), found);
  }
};

int eval(const Which& which, const PointOptions& po, std::optional<int> selector,
         const std::string& output) {
  if (which.file.size() > 8 && which.file.compare(which.file.size() - 8, 8, ".members") == 0) {
    throw cli::Failure(which.file +
                       ": a member-set description, not a table set or grid member: give it to "
                       "pdferr band, or one of its members to eval");
  }
  const cli::Points points = po.get();
  const cli::Density d = which.load();
  const std::string& file = d.path();
  if (!output.empty()) refuse_overwrite({file, po.file}, {output});
  if (selector) d.check_selector(*selector);
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (d.outside_nodes(points, i)) {
      warn("eval", "point " + std::to_string(i + 1) + " (x " + cli::number(points.x[i]) + ", Q " +
                       cli::number(points.q[i]) + ") lies outside the nodes of " + file + " (" +
                       d.node_ranges() + "): its values are extrapolated");
    }
  }
  const bool table = d.table() != nullptr;
  std::string out = "x," + points.scale;
  std::size_t per = 0;
  const std::vector<double> all = d.all_values(points, per);
  const int offset = table ? d.table()->MxFlvN0() : -1;  // selector - offset: the index
  std::vector<int> wanted;
  if (selector) {
    wanted.push_back(*selector);
  } else {
    for (std::size_t k = 0; k < per; ++k) wanted.push_back(static_cast<int>(k) - offset);
  }
  for (int w : wanted) out += (table ? ",f" : ",c") + std::to_string(w);
  out += "\n";
  for (std::size_t i = 0; i < points.size(); ++i) {
    out += cli::number(points.x[i]) + "," + cli::number(points.given()[i]);
    for (int w : wanted) {
      out += ',';
      out += cli::number(all[i * per + static_cast<std::size_t>(w + offset)]);
    }
    out += "\n";
  }
  if (output.empty()) {
    std::fwrite(out.data(), 1, out.size(), stdout);
  } else {
    cli::write_file(output, out);
  }
  return 0;
}

// A progress line on a terminal, once a run has taken more than a second:
// the blocks done of the pass, and the pass where there are several.
class Progress {
 public:
  Progress(bool on, std::uint64_t total)
      : on_(on && isatty(STDERR_FILENO) == 1), total_(total), start_(clock::now()), last_(start_) {}
  ~Progress() {
    if (shown_) std::fputc('\n', stderr);
  }
  void operator()(std::uint64_t done, unsigned pass = 0) {
    if (!on_) return;
    const auto now = clock::now();
    const bool last = done == total_ && shown_;  // the full bar once it was shown
    if (!last &&
        (now - start_ < std::chrono::seconds(1) || now - last_ < std::chrono::milliseconds(100))) {
      return;
    }
    last_ = now;
    shown_ = true;
    const int width = 40;
    const auto filled = static_cast<int>(width * done / std::max<std::uint64_t>(total_, 1));
    std::fprintf(stderr, "\r[%s%s] %llu of %llu blocks", std::string(filled, '#').c_str(),
                 std::string(width - filled, ' ').c_str(), static_cast<unsigned long long>(done),
                 static_cast<unsigned long long>(total_));
    if (pass > 0) std::fprintf(stderr, ", pass %u", pass);
    std::fflush(stderr);
  }

 private:
  using clock = std::chrono::steady_clock;
  bool on_;
  bool shown_ = false;
  std::uint64_t total_;
  clock::time_point start_, last_;
};

// The distinct messages of the processes, printed by rank 0; true when
// all went well (a process may fail without a message of its own, when
// another's failure stopped it).
bool agree(cli::Comm& comm, const std::string& error, bool ok = true) {
  if (comm.all(ok && error.empty())) return true;
  const auto all = comm.gather(std::vector<unsigned char>(error.begin(), error.end()));
  std::set<std::string> seen;
  for (const auto& e : all) {
    const std::string m(e.begin(), e.end());
    if (!m.empty() && seen.insert(m).second) std::fprintf(stderr, "pdferr band: %s\n", m.c_str());
  }
  return false;
}

// With --timing: each process's wall and processor seconds per phase and
// its peak resident memory, on standard error in rank order.
class Timing {
 public:
  explicit Timing(bool on) : on_(on), wall_(clock::now()), processor_(processor()) {}
  void phase(const std::string& name) {
    if (!on_) return;
    const auto now = clock::now();
    const double cpu = processor();
    char buf[128];
    std::snprintf(buf, sizeof buf, "%s %.3f s (processor %.3f s), ", name.c_str(),
                  std::chrono::duration<double>(now - wall_).count(), cpu - processor_);
    line_ += buf;
    wall_ = now;
    processor_ = cpu;
  }
  void report(cli::Comm& comm, std::uint64_t draws) {
    if (!on_) return;
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    const std::string mine = "pdferr band: rank " + std::to_string(comm.rank()) + ": " +
                             std::to_string(draws) + " draws, " + line_ + "peak resident " +
                             std::to_string(u.ru_maxrss / 1024) + " MiB\n";
    for (const auto& line : comm.gather(std::vector<unsigned char>(mine.begin(), mine.end()))) {
      std::fwrite(line.data(), 1, line.size(), stderr);
    }
  }

 private:
  using clock = std::chrono::steady_clock;
  static double processor() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           1e-6 * static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec);
  }
  bool on_;
  clock::time_point wall_;
  double processor_;
  std::string line_;
};

// The part k of K that --block k/K names (0 of 1 without it), checked
// against the run's draws.
void block_of(const std::string& block, const cli::BandOptions& o, std::uint64_t& k,
              std::uint64_t& parts) {
  k = 0;
  parts = 1;
  if (block.empty()) return;
  parse_block(block, k, parts);  // checked when parsed
  if (o.covariance.empty()) throw cli::Failure("--block splits the draws: give --cov");
  // Parts beyond the blocks are empty, which merges well; parts beyond
  // the draws could never all be written.
  if (parts > o.draws) {
    throw cli::Failure("--block " + block + ": K parts of " + std::to_string(o.draws) +
                       " draws: K may be at most the count of draws");
  }
}

// The band's CSV and SVG as PREFIX.csv and PREFIX.svg (mc null: no Monte
// Carlo columns), and the line that names them.
void write_band(const std::string& prefix, const cli::BandInputs& s, const unc::McColumns* mc) {
  cli::write_file(prefix + ".csv", cli::band_csv(s, mc));
  cli::write_file(prefix + ".svg", cli::band_svg(s, mc));
  std::printf("written: %s.csv, %s.svg\n", prefix.c_str(), prefix.c_str());
  std::fflush(stdout);
}

// The Monte Carlo columns: the moments of the ranks' parts merged in rank
// order (which is draw order) on rank 0, the interval ends as every rank
// has them.
unc::McColumns gather_columns(cli::Comm& comm, const cli::BandInputs& s,
                              const unc::McStream& part) {
  const auto saved = comm.gather(part.moments.save());
  unc::Moments all(s.x.size());
  for (const auto& bytes : saved) {
    const unc::Moments moments = unc::Moments::load(bytes.data(), bytes.size());
    if (moments.count() > 0) all.merge(moments);
  }  // (nothing on the other ranks)
  return unc::stream_columns(comm.rank() == 0 ? &all : nullptr, part);
}

int band(int& argc, char**& argv, cli::BandOptions o, const PointOptions& po,
         const std::string& block, std::string output, bool timed) {
  std::uint64_t k = 0, parts = 1;
  block_of(block, o, k, parts);
  const std::unique_ptr<cli::Comm> comm = cli::open_comm(argc, argv);
  if (comm->size() > 1 && !block.empty()) {
    throw cli::Failure("--block is for runs without MPI: start one process per block");
  }
  const bool lead = comm->rank() == 0;
  Timing timing(timed);
  if (output.empty()) output = "band";
  const std::string part_name =
      output + "-" + std::to_string(k + 1) + "-of-" + std::to_string(parts) + ".part";
  // Every process reads the inputs; a fault is said once, by rank 0.
  std::string error;
  cli::BandInputs s;
  try {
    o.points = po.get();
    s = cli::make_inputs(o, [&](const std::string& w) {
      if (lead) warn("band", w);
    });
    std::vector<std::string> inputs = s.member_files;
    inputs.insert(inputs.end(), {o.members, po.file, o.covariance});
    refuse_overwrite(inputs, block.empty()
                                 ? std::vector<std::string>{output + ".csv", output + ".svg"}
                                 : std::vector<std::string>{part_name});
  } catch (const std::exception& e) {
    error = e.what();
  }
  if (!agree(*comm, error)) return 1;
  timing.phase("set-up");
  if (!s.monte_carlo) {
    if (lead) write_band(output, s, nullptr);
    return 0;
  }
  if (comm->size() > 1) {
    k = static_cast<std::uint64_t>(comm->rank());
    parts = static_cast<std::uint64_t>(comm->size());
  }
  std::uint64_t first = 0, end = 0;
  unc::MonteCarlo::part_blocks(s.draws, k, parts, first, end);
  if (lead) {
    std::printf("generator: seed %d, starting position %lld (this part: %lld), stride %lld\n",
                s.seed, static_cast<long long>(s.position),
                static_cast<long long>(s.position + static_cast<std::int64_t>(first) * s.stride),
                static_cast<long long>(s.stride));
    std::fflush(stdout);
  }
  if (!block.empty()) {
    unc::McPart part;
    try {
      Progress progress(lead, end - first);
      part = cli::draw_part(s, k, parts, [&](std::uint64_t done) { progress(done); });
    } catch (const std::exception& e) {
      error = e.what();
    }
    if (!agree(*comm, error)) return 1;
    timing.phase("draws");
    part.sort();
    timing.phase("sort");
    cli::write_partial(part_name, s, part);
    std::printf("written: %s (part %llu of %llu)\n", part_name.c_str(),
                static_cast<unsigned long long>(k + 1), static_cast<unsigned long long>(parts));
    timing.report(*comm, part.count);
    return 0;
  }
  // The run keeps no draws: the interval ends come from passes that draw
  // the blocks again, the counts added up over the ranks.
  unc::McStream part;
  bool ok = true;
  try {
    Progress progress(lead, end - first);
    part = s.run->stream(
        k, parts, s.probability, [&](std::vector<std::uint64_t>& c) { comm->sum(c); },
        [&](unsigned pass, std::uint64_t done) { progress(done, pass); });
  } catch (const unc::FailedElsewhere&) {
    ok = false;
  } catch (const std::exception& e) {
    error = e.what();
  }
  if (!agree(*comm, error, ok)) return 1;
  timing.phase("draws and intervals (" + std::to_string(part.passes) + " passes)");
  const unc::McColumns mc = gather_columns(*comm, s, part);
  timing.phase("moments");
  if (lead) write_band(output, s, &mc);
  timing.phase("output");
  timing.report(*comm, unc::MonteCarlo::part_draws(s.draws, k, parts));
  return 0;
}

// Standard output flushed and closed: a write that failed on the way (a
// full disk, a closed pipe) makes the status 1 with a message.
int finish(const std::string& command, int status) {
  const bool failed = std::ferror(stdout) != 0;
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0;
  const int reason = errno;
  const bool closed = std::fclose(stdout) == 0;
  if (failed || !flushed || !closed) {
    std::fprintf(stderr, "%s: standard output: cannot be written (%s)\n", command.c_str(),
                 reason != 0 ? std::strerror(reason) : "a write failed");
    return 1;
  }
  return status;
}

// A count of draws: a whole number of at least 2.
std::string draws_fault(std::string& text) {
  std::uint64_t n = 0;
  if (whole_number(text, n) && n >= 2) return {};
  return "want a count of at least 2 draws (and at most " +
         std::to_string(std::numeric_limits<std::uint64_t>::max()) + ")";
}

// A whole number in [0, high], with the message of this command whatever
// CLI11's version (its own range check words it differently from release
// to release).
CLI::Validator whole_up_to(std::uint64_t high) {
  return CLI::Validator(
      [high](std::string& text) {
        std::uint64_t n = 0;
        if (whole_number(text, n) && n <= high) return std::string();
        return "Value " + text + " not in range 0 to " + std::to_string(high);
      },
      "0 to " + std::to_string(high));
}

// A subcommand: the parser fills its options (each subcommand's own, held
// by its run function), run() does the work and gives the exit status.
struct Subcommand {
  CLI::App* app;
  std::function<int()> run;
};

Subcommand add_check(CLI::App& app) {
  auto files = std::make_shared<std::vector<std::string>>();
  CLI::App* cmd = app.add_subcommand(
      "check",
      "Load each file (.pds table set, .members member set, otherwise grid member) and "
      "report every bad one with its line and field");
  cmd->add_option("FILE", *files,
                  "files to check; a plain name is looked for on PDFERR_DATA_PATH, then here "
                  "(mysets for mysets.members)")
      ->required();
  return {cmd, [files] { return check(*files); }};
}

Subcommand add_eval(CLI::App& app) {
  struct Options {
    Which which;
    PointOptions points;
    std::optional<int> selector;
    std::string output;
  };
  auto o = std::make_shared<Options>();
  CLI::App* cmd =
      app.add_subcommand("eval", "Values of a table set or grid member at points, as CSV");
  cmd->add_option("FILE", o->which.file,
                  "a .pds table set or a grid member; a plain name is looked for on "
                  "PDFERR_DATA_PATH, then here");
  cmd->add_option("--set", o->which.set, "table set N (10..33, 100..152, 200..252)");
  cmd->add_option("--member", o->which.member, "grid member M (-99..99)");
  cmd->add_option("--dir", o->which.dir,
                  "where --set and --member are looked for first, before the folders of "
                  "PDFERR_DATA_PATH and the working folder");
  o->points.add(cmd);
  cmd->add_option("--flavour,--column", o->selector,
                  "one flavour (tables, -MxFlvN0..MxFlvN0) or column (grids, 1..6); default all");
  cmd->add_option("-o,--output", o->output, "write the CSV here instead of standard output");
  return {cmd, [o] { return eval(o->which, o->points, o->selector, o->output); }};
}

Subcommand add_band(CLI::App& app, int& argc, char**& argv) {
  struct Options {
    cli::BandOptions band;
    PointOptions points;
    std::string block, output;
    bool timed = false;
  };
  auto o = std::make_shared<Options>();
  CLI::App* cmd = app.add_subcommand(
      "band", "Hessian and Monte Carlo error bands of a member set at points: CSV and SVG");
  cmd->add_option("MEMBERS", o->band.members,
                  "the member-set description: a path, or a name on PDFERR_DATA_PATH or here "
                  "(mysets for mysets.members)")
      ->required();
  o->points.add(cmd);
  cmd->add_option("--flavour,--column", o->band.selector,
                  "flavour (tables) or column (grids, 1..6)")
      ->required();
  cmd->add_option("--level", o->band.level,
                  "level of both bands: \"N sigma\" (\"1 sigma\" is 68.27%) or a central "
                  "probability (\"90%\")")
      ->capture_default_str();
  cmd->add_option("--cov", o->band.covariance,
                  "CSV covariance of the variations' coefficients: a Monte Carlo band");
  cmd->add_option("--draws", o->band.draws, "Monte Carlo draws")
      ->capture_default_str()
      ->check(CLI::Validator(draws_fault, "COUNT"));
  cmd->add_option("--seed", o->band.seed, "generator seed")
      ->capture_default_str()
      ->check(whole_up_to(pdferr::Generator::max_seed));
  cmd->add_option("--position", o->band.position, "generator position of the first block")
      ->capture_default_str()
      ->check(whole_up_to(pdferr::Generator::max_position));
  cmd->add_option("--block", o->block, "k/K: draw part k of K and write it as a partial result")
      ->check(CLI::Validator(
          [](std::string& text) {
            std::uint64_t k = 0, parts = 0;
            return parse_block(text, k, parts) ? std::string()
                                               : "want k/K with whole numbers 1 <= k <= K";
          },
          "k/K"));
  cmd->add_flag("--timing", o->timed,
                "print each process's time per phase and peak memory on standard error");
  cmd->add_option("-o,--output", o->output,
                  "output prefix: PREFIX.csv and PREFIX.svg, or PREFIX-k-of-K.part with --block");
  return {cmd, [o, &argc, &argv] {
            return band(argc, argv, o->band, o->points, o->block, o->output, o->timed);
          }};
}

Subcommand add_inspect(CLI::App& app) {
  auto file = std::make_shared<std::string>();
  CLI::App* cmd = app.add_subcommand(
      "inspect",
      "The kind of a file, its header values, nodes, flavour slots or columns, ranges (a "
      "description: its kind, members and level)");
  cmd->add_option("FILE", *file,
                  "a .pds table set, a grid member or a description; a plain name is looked for "
                  "on PDFERR_DATA_PATH, then here")
      ->required();
  return {cmd, [file] { return inspect(*file); }};
}

// make-table and make-grid: the same options but for the table's scale and
// the grid's node template.
std::array<Subcommand, 2> add_make(CLI::App& app) {
  struct Options {
    std::string csv, output;
    double alambda = 0.2, vary = 0.0;
    bool model = false, nodes = false;
  };
  auto o = std::make_shared<Options>();
  CLI::App* table_cmd = app.add_subcommand(
      "make-table", "Write a .pds table set from a CSV of values on the nodes, or from a model");
  CLI::App* grid_cmd = app.add_subcommand(
      "make-grid", "Write a grid member from a CSV of values on the nodes, or from a model");
  for (CLI::App* c : {table_cmd, grid_cmd}) {
    c->add_option("--csv", o->csv,
                  c == table_cmd
                      ? "values on the nodes: a header x,Q,s-M,...,sV, a node pair a line"
                      : "values on the nodes: a header x,Q2,c1,...,c6, 1380 lines");
    c->add_flag("--model", o->model, "the built-in smooth model instead of a CSV");
    c->add_option("--vary", o->vary, "the model times (1 + VARY (1 - 2x))")->capture_default_str();
    c->add_option("-o,--output", o->output, "the file to write")->required();
  }
  table_cmd->add_option("--alambda", o->alambda, "the scale of t = ln(ln(Q / alambda))")
      ->capture_default_str();
  grid_cmd->add_flag("--nodes", o->nodes,
                     "write the node pairs as CSV x,Q2 (a template for --csv) instead");
  const auto make = [o](bool table) {
    refuse_overwrite({o->csv}, {o->output});
    std::string text;
    if (!table && o->nodes) {
      text = cli::grid_nodes_csv();
    } else if (o->model && o->csv.empty()) {
      text = table ? cli::table_model(o->alambda, o->vary) : cli::grid_model(o->vary);
    } else if (!o->model && !o->csv.empty()) {
      text = table ? cli::table_from_csv(o->csv, o->alambda) : cli::grid_from_csv(o->csv);
    } else {
      throw cli::Failure("give one of --csv FILE and --model");
    }
    cli::write_file(o->output, text);
    return 0;
  };
  return {Subcommand{table_cmd, [make] { return make(true); }},
          Subcommand{grid_cmd, [make] { return make(false); }}};
}

Subcommand add_list(CLI::App& app) {
  CLI::App* cmd = app.add_subcommand(
      "list",
      "What the folders of PDFERR_DATA_PATH and the working folder hold, in search order: "
      "member sets, table sets and grid members");
  return {cmd, [] {
            std::string faults;
            const std::string text = cli::list_data(faults);
            std::fwrite(text.data(), 1, text.size(), stdout);
            std::fprintf(stderr, "%s", faults.c_str());
            return faults.empty() ? 0 : 1;
          }};
}

Subcommand add_merge(CLI::App& app) {
  struct Options {
    std::vector<std::string> parts;
    std::string output = "band";
  };
  auto o = std::make_shared<Options>();
  CLI::App* cmd =
      app.add_subcommand("merge", "Join the K partial results of band --block k/K into the band");
  cmd->add_option("PART", o->parts, "the partial results, in any order")->required();
  cmd->add_option("-o,--output", o->output, "output prefix")->capture_default_str();
  return {cmd, [o] {
            refuse_overwrite(o->parts, {o->output + ".csv", o->output + ".svg"});
            cli::merge_partials(o->parts, o->output);
            std::printf("written: %s.csv, %s.svg\n", o->output.c_str(), o->output.c_str());
            return 0;
          }};
}

}  // namespace

int main(int argc, char** argv) {
  // A file size limit shows as a failed write (EFBIG), which is reported and
  // leaves the old file in place, rather than as a signal that ends the
  // process with a temporary file left behind.
  std::signal(SIGXFSZ, SIG_IGN);

  CLI::App app{"pdferr: parton density data files and error bands"};
  app.set_version_flag("--version", std::string("pdferr ") + pdferr_version() +
#ifdef PDFERR_CLI_MPI
                                        ", with MPI"
#else
                                        ", without MPI"
#endif
  );
  app.require_subcommand(1);
  // In the order of the help text.
  std::vector<Subcommand> subcommands{add_check(app), add_eval(app), add_band(app, argc, argv),
                                      add_inspect(app)};
  for (Subcommand& c : add_make(app)) subcommands.push_back(std::move(c));
  subcommands.push_back(add_list(app));
  subcommands.push_back(add_merge(app));

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return finish("pdferr", app.exit(e));
  }
  const std::string command = "pdferr " + app.get_subcommands().front()->get_name();
  try {
    for (const Subcommand& c : subcommands) {
      if (c.app->parsed()) return finish(command, c.run());
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", command.c_str(), e.what());
    return finish(command, 1);
  }
  return finish(command, 1);
}
