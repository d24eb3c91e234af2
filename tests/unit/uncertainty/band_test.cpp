// The band library: order keys and their sort, exact selection over
// samples held apart, the quantile rule at g = 1/2, the Monte Carlo band
// against the formulas over all its draws, and saved parts.
#include "pdferr/band.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <barrier>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <ios>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "pdferr/generator.hpp"
#include "pdferr/uncertainty.h"
#include "pdferr/uncertainty.hpp"

namespace {

namespace unc = pdferr::uncertainty;

void expect_bits(double got, double want) {
  EXPECT_EQ(std::bit_cast<std::uint64_t>(got), std::bit_cast<std::uint64_t>(want))
      << got << " " << want;
}

TEST(OrderKeys, SortAsTheValuesAndGoBack) {
  const double inf = std::numeric_limits<double>::infinity();
  const double sub = std::numeric_limits<double>::denorm_min();
  const double ascending[] = {-inf, -1e300, -1.5, -sub, -0.0, 0.0, sub, 1e-300, 1.0, 2.5, inf};
  for (std::size_t i = 0; i < std::size(ascending); ++i) {
    const std::uint64_t k = unc::order_key(ascending[i]);
    expect_bits(unc::key_value(k), ascending[i]);
    if (i > 0) {
      EXPECT_LT(unc::order_key(ascending[i - 1]), k) << ascending[i];
    }
  }
}

// Keys whose digits make the sort take 1, 2 or 3 passes (an odd count
// leaves the keys in the other buffer), and a digit shared by most keys
// but not all, whose pass must not be skipped.
TEST(OrderKeys, SortTakesEveryNeededPass) {
  const std::vector<std::vector<std::uint64_t>> cases = {
      {7, 3, 9, 1, 4},                                               // digit 0 only
      {0x30007, 0x10003, 0x20009, 0x10001},                          // digits 0 and 1
      {0x500010007, 0x300020003, 0x100010009, 0x300020001},          // digits 0, 1 and 2
      {0x10005, 0x20005, 0x30005, 0x00003},                          // digit 0: 3 of 4 alike
      {0xff00000000000005, 0x0100000000000005, 0x8000000000000005},  // digit 3 only
  };
  for (const auto& c : cases) {
    std::vector<std::uint64_t> got = c, want = c;
    unc::sort_keys(got.data(), got.size());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want) << std::hex << c[0];
  }
}

// numpy.quantile([0.1, 0.7, 1.5], [0.25, 0.75]): h = 0.5, g exactly 1/2,
// where b - (b - a)(1 - g) and a + (b - a) g differ in the last bit.
TEST(Quantiles, HalfWayTakesTheUpperForm) {
  const double v[] = {0.7, 0.1, 1.5};
  expect_bits(unc::quantile(v, 3, 0.25), 0x1.9999999999999p-2);
  expect_bits(unc::quantile(v, 3, 0.75), 0x1.199999999999ap+0);
}

// The samples of two points dealt to `holders` holders (unevenly, some
// empty), each sorting its own keys; the interval ends from the selected
// order statistics are the bits of central_interval over all samples.
TEST(Selection, IntervalsOverHoldersAreThoseOfAllSamples) {
  struct Case {
    std::uint64_t n;
    std::size_t holders;
    double probability;
    bool ties;  // values on a coarse lattice, many equal
  };
  const Case cases[] = {{2, 1, 0.68, false},      {3, 4, 0.9, false},    {257, 3, 0.68, true},
                        {1000, 2, 0.6826, false}, {999, 5, 0.999, true}, {64, 7, 0.5, false}};
  std::mt19937_64 rng(20261208);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    std::normal_distribution<double> normal(0.0, 1.0);
    std::vector<std::vector<double>> all(2);
    std::vector<std::vector<std::vector<std::uint64_t>>> held(
        c.holders, std::vector<std::vector<std::uint64_t>>(2));
    for (std::size_t p = 0; p < 2; ++p) {
      for (std::uint64_t d = 0; d < c.n; ++d) {
        double v = normal(rng) * (p == 0 ? 1.0 : -3e-5);
        if (c.ties) v = std::round(v * 4.0) / 4.0;
        all[p].push_back(v);
        held[(d * d / c.n * c.holders / c.n) % c.holders][p].push_back(unc::order_key(v));
      }
      for (auto& h : held) unc::sort_keys(h[p].data(), h[p].size());
    }
    const auto every = [&](std::size_t p, std::uint64_t key) {
      std::uint64_t n = 0;
      for (const auto& h : held) n += unc::count_at_or_below(h[p].data(), h[p].size(), key);
      return n;
    };
    const unc::McColumns got =
        unc::mc_columns(2, c.n, c.probability, nullptr, every, [](std::vector<std::uint64_t>&) {});
    for (std::size_t p = 0; p < 2; ++p) {
      const unc::Interval want =
          unc::central_interval(all[p].data(), c.n, unc::Confidence::central(c.probability));
      expect_bits(got.low[p], want.low);
      expect_bits(got.high[p], want.high);
    }
  }
}

TEST(Crc32c, StandardCheckValue) {
  EXPECT_EQ(unc::crc32c("123456789", 9), 0xE3069283u);
  // Continued over two pieces: the value of the whole.
  EXPECT_EQ(unc::crc32c("6789", 4, unc::crc32c("12345", 5)), 0xE3069283u);
}

// Three points, two variations; 700 draws: blocks of 256, 256 and 188.
struct SmallRun {
  const double central[3] = {1.0, -2.0, 0.5};
  const double variations[6] = {1.5, -1.0, 0.5, 0.5, -2.5, 0.75};
  const std::vector<float> factor =
      pdferr::cholesky(std::vector<float>{1, 0.5f, 0.5f, 2}.data(), 2);
  const unc::MonteCarlo mc{central, variations, 2, 3, factor.data(), 1234, 77, 700};
};

// The band over all draws in one process: the mean, standard deviation and
// interval of each point's values are those of the library's formulas on
// the draws' values, each F = F0 + c1 (F1 - F0) + c2 (F2 - F0) from the
// generator at position 77 + b * 8192 for block b.
TEST(MonteCarlo, BandIsTheFormulasOverAllDraws) {
  const SmallRun r;
  EXPECT_EQ(r.mc.stride(), 8192);
  std::vector<std::vector<double>> values(3);
  for (std::uint64_t b = 0; b < 3; ++b) {
    const std::size_t count = b < 2 ? 256 : 188;
    pdferr::Generator g(1234, 77 + static_cast<std::int64_t>(b) * 8192);
    std::vector<float> c(2 * count);
    g.correlated(r.factor.data(), 2, count, c.data());
    for (std::size_t d = 0; d < count; ++d) {
      for (std::size_t p = 0; p < 3; ++p) {
        double f = r.central[p];
        for (std::size_t i = 0; i < 2; ++i) {
          f = f + static_cast<double>(c[2 * d + i]) * (r.variations[i * 3 + p] - r.central[p]);
        }
        values[p].push_back(f);
      }
    }
  }
  const unc::Confidence level = unc::Confidence::sigmas(1);
  const unc::McColumns got = r.mc.run(level.probability());
  for (std::size_t p = 0; p < 3; ++p) {
    SCOPED_TRACE(p);
    expect_bits(got.mean[p], unc::mean(values[p].data(), 700));
    expect_bits(got.sd[p], unc::standard_deviation(values[p].data(), 700));
    const unc::Interval want = unc::central_interval(values[p].data(), 700, level);
    expect_bits(got.low[p], want.low);
    expect_bits(got.high[p], want.high);
  }
  // The C interface, from the covariance.
  const float cov[4] = {1, 0.5f, 0.5f, 2};
  double c[4][3];
  const pdferr_confidence one_sigma{PDFERR_SIGMAS, 1.0};
  ASSERT_EQ(pdferr_band_monte_carlo(r.central, r.variations, 2, 3, cov, 1234, 77, 700, one_sigma,
                                    c[0], c[1], c[2], c[3], nullptr),
            0);
  for (std::size_t p = 0; p < 3; ++p) {
    for (const auto& [got_c, want] : {std::pair{c[0][p], got.mean[p]},
                                      {c[1][p], got.sd[p]},
                                      {c[2][p], got.low[p]},
                                      {c[3][p], got.high[p]}}) {
      expect_bits(got_c, want);
    }
  }
  // Saved parts of any split merge to the same bits.
  for (std::uint64_t parts : {1, 2, 5}) {
    std::vector<unc::McPartView> views;
    views.reserve(parts);
    std::vector<const unc::McPartView*> held;
    std::vector<std::string> names;
    for (std::uint64_t k = parts; k-- > 0;) {
      unc::McPart part = r.mc.draw(k, parts);
      part.sort();
      views.emplace_back(part.save());
      held.push_back(&views.back());
      names.push_back("part " + std::to_string(k));
    }
    const unc::McColumns merged = unc::merge_parts(held, names, level.probability());
    for (std::size_t p = 0; p < 3; ++p) {
      expect_bits(merged.mean[p], got.mean[p]);
      expect_bits(merged.low[p], got.low[p]);
      expect_bits(merged.high[p], got.high[p]);
    }
  }
}

// Adds the holders' count vectors up as an all-reduce does: each holder
// posts its vector and, once all have, takes the sum.
class ThreadSum {
 public:
  explicit ThreadSum(std::size_t holders)
      : posted_(holders), sync_(static_cast<std::ptrdiff_t>(holders)) {}
  void operator()(std::size_t k, std::vector<std::uint64_t>& c) {
    posted_[k] = c;
    sync_.arrive_and_wait();
    std::fill(c.begin(), c.end(), 0);
    for (const auto& v : posted_) {
      if (v.size() != c.size()) throw std::logic_error("holders out of step");
      for (std::size_t i = 0; i < c.size(); ++i) c[i] += v[i];
    }
    sync_.arrive_and_wait();
  }

 private:
  std::vector<std::vector<std::uint64_t>> posted_;
  std::barrier<> sync_;
};

// A run that keeps no draws, over 1 and 4 holders (threads) and with
// memory bounds from the defaults down to two bins a window and four keys
// collected, gives the bits of the run that keeps and sorts every draw:
// at 1 sigma, and at a level whose ends lie beyond the first block's
// values (or, with fewer draws than a block, at its very ends).  The
// points: a spread of values; every draw equal; values about zero; values
// near the largest doubles; three values a few ulps apart; values that
// cross zero through the subnormals.
TEST(MonteCarlo, StreamedRunIsTheKeptRun) {
  const double central[6] = {1.0, 2.0, 0.0, 1e300, 1.0, -1e-300};
  const double variations[12] = {1.5,  2.0, 1e-3,  1.5e300, 1.0 + 0x1p-52, -2e-300,
                                 0.25, 2.0, -2e-3, 0.5e300, 1.0 - 0x1p-52, 0.0};
  const std::vector<float> factor =
      pdferr::cholesky(std::vector<float>{1, 0.5f, 0.5f, 2}.data(), 2);
  const std::pair<std::uint64_t, double> runs[] = {
      {3000, unc::Confidence::sigmas(1).probability()}, {3000, 0.9999}, {200, 0.9999}};
  const unc::StreamMemory bounds[] = {{}, {8, 4, 0}, {64, 100, 1000}};
  for (const auto& run : runs) {
    const std::uint64_t draws = run.first;
    const double probability = run.second;
    const unc::MonteCarlo mc{central, variations, 2, 6, factor.data(), 99, 5, draws};
    unc::McPart all = mc.draw(0, 1);
    all.sort();
    const unc::McColumns want = unc::mc_columns(
        6, draws, probability, &all.moments,
        [&](std::size_t p, std::uint64_t key) {
          return unc::count_at_or_below(all.keys.data() + p * draws, draws, key);
        },
        [](std::vector<std::uint64_t>&) {});
    for (const unc::StreamMemory& memory : bounds) {
      for (std::size_t holders : {1, 4}) {
        SCOPED_TRACE(std::to_string(draws) + " draws at " + std::to_string(probability) + ", " +
                     std::to_string(memory.counters) + " counters, " + std::to_string(holders) +
                     " holders");
        ThreadSum sum(holders);
        std::vector<unc::McStream> got(holders);
        std::vector<std::thread> threads;
        for (std::size_t k = 0; k < holders; ++k) {
          threads.emplace_back([&, k] {
            got[k] = mc.stream(
                k, holders, probability, [&](std::vector<std::uint64_t>& c) { sum(k, c); }, nullptr,
                memory);
          });
        }
        for (std::thread& t : threads) t.join();
        unc::Moments moments(6);
        for (const unc::McStream& g : got) {
          if (g.moments.count() > 0) moments.merge(g.moments);
          EXPECT_EQ(g.passes, got[0].passes);
        }
        for (std::size_t p = 0; p < 6; ++p) {
          SCOPED_TRACE(p);
          expect_bits(moments.mean(p), want.mean[p]);
          expect_bits(moments.standard_deviation(p), want.sd[p]);
          for (const unc::McStream& g : got) {
            expect_bits(g.low[p], want.low[p]);
            expect_bits(g.high[p], want.high[p]);
          }
        }
      }
    }
  }
  // A holder that fails in a pass takes part in its sum and throws; the
  // others learn of it there and throw FailedElsewhere.
  const unc::MonteCarlo mc{central, variations, 2, 6, factor.data(), 99, 5, 3000};
  const double probability = 0.68;
  ThreadSum sum(2);
  std::string said[2];
  std::vector<std::thread> threads;
  for (std::size_t k = 0; k < 2; ++k) {
    threads.emplace_back([&, k] {
      try {
        mc.stream(
            k, 2, probability, [&](std::vector<std::uint64_t>& c) { sum(k, c); },
            [k](unsigned pass, std::uint64_t) {
              if (k == 1 && pass == 2) throw std::runtime_error("stopped");
            });
      } catch (const unc::FailedElsewhere&) {
        said[k] = "elsewhere";
      } catch (const std::exception& e) {
        said[k] = e.what();
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(said[0], "elsewhere");
  EXPECT_EQ(said[1], "stopped");
}

// A saved part changed by accident or by hand is refused, saying what is
// wrong; edits that recompute the CRC-32C are caught by the keys' checks.
TEST(Parts, ChangedPartsAreRefused) {
  const SmallRun r;
  unc::McPart part = r.mc.draw(0, 2);
  part.sort();
  const std::vector<unsigned char> good = part.save();
  EXPECT_NO_THROW(unc::McPartView{good});
  const std::size_t keys_at = good.size() - 8 - 8 * part.keys.size();
  const auto resealed = [](std::vector<unsigned char> b) {
    const std::uint64_t crc = unc::crc32c(b.data(), b.size() - 8);
    for (int i = 0; i < 8; ++i) b[b.size() - 8 + i] = static_cast<unsigned char>(crc >> (8 * i));
    return b;
  };
  struct Case {
    const char* what;
    std::vector<unsigned char> bytes;
    const char* message;
  };
  std::vector<Case> cases;
  {
    std::vector<unsigned char> b = good;
    b[keys_at + 8 * 100 + 3] ^= 0x10;  // one bit of a key flipped
    cases.push_back({"flipped", b, "the CRC-32C does not match the content"});
  }
  {
    std::vector<unsigned char> b = good;
    b.resize(b.size() - 8);  // cut short
    cases.push_back({"cut", b, "the keys end early"});
  }
  {
    // Every key of point 2 set to its largest: sorted still, the mean moved.
    std::vector<unsigned char> b = good;
    const std::size_t at = keys_at + 8 * part.count;
    for (std::uint64_t i = 0; i + 1 < part.count; ++i) {
      std::copy(b.begin() + at + 8 * (part.count - 1), b.begin() + at + 8 * part.count,
                b.begin() + at + 8 * i);
    }
    cases.push_back({"largest", resealed(b), "point 2: the keys' mean "});
  }
  {
    std::vector<unsigned char> b = good;
    std::swap_ranges(b.begin() + keys_at, b.begin() + keys_at + 8, b.begin() + keys_at + 8 * 9);
    cases.push_back({"unsorted", resealed(b), "point 1: the keys are not sorted"});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      unc::McPartView view(c.bytes);
      ADD_FAILURE() << "accepted";
    } catch (const std::invalid_argument& e) {
      EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << e.what();
    }
  }
}

}  // namespace
