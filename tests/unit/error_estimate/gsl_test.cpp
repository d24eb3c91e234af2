// The 24-bit stream against GSL's generator of the same name, which seeds
// and steps it the same way: the same integers k (value k 2^-24) for the
// first 5 million numbers from the default seed and another, except where
// the difference is 0, which GSL returns as 0 and the generator replaces.
#include <gsl/gsl_rng.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "pdferr/generator.hpp"

namespace {

TEST(GslCrossCheck, SameStreamAndZerosWhereTheGeneratorReplacesThem) {
  // The numbers (1-based) where GSL returns 0 and the generator a replaced
  // value below 2^-24, from single steps of this generator: 4639169 and
  // 4836546 from the default seed, 3434911 from 20261207.
  struct Case {
    std::int32_t seed;
    std::vector<std::int64_t> zeros;
  };
  const Case cases[] = {{54217137, {4639169, 4836546}}, {20261207, {3434911}}};
  constexpr std::size_t n = 5000000;
  for (const Case& c : cases) {
    pdferr::Generator g(c.seed);
    std::vector<float> v(n);
    g.uniform(v.data(), n);
    gsl_rng* r = gsl_rng_alloc(gsl_rng_ranmar);
    gsl_rng_set(r, static_cast<unsigned long>(c.seed));
    std::int64_t differ = 0;
    std::vector<std::int64_t> zeros;
    for (std::size_t k = 0; k < n; ++k) {
      const unsigned long got = gsl_rng_get(r);
      if (got == 0) {
        zeros.push_back(static_cast<std::int64_t>(k) + 1);
        differ += !(v[k] > 0.0f && v[k] < 0x1p-24f);
      } else {
        differ += v[k] != static_cast<float>(got) * 0x1p-24f;
      }
    }
    gsl_rng_free(r);
    EXPECT_EQ(differ, 0) << c.seed;
    EXPECT_EQ(zeros, c.zeros) << c.seed;
  }
}

}  // namespace
