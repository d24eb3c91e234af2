// A call on many points that one bad point refuses: it throws
// pdferr::domain_error naming the point, and leaves the output untouched.
#ifndef PDFERR_TESTS_REFUSAL_HPP
#define PDFERR_TESTS_REFUSAL_HPP

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "pdferr/errors.hpp"

namespace testsupport {

// out is filled with `untouched` before the call.
template <class Call>
void expect_refused(Call call, std::ptrdiff_t index, const std::string& what,
                    const std::vector<double>& out, double untouched) {
  try {
    call();
    ADD_FAILURE() << what << ": accepted";
  } catch (const pdferr::domain_error& e) {
    EXPECT_EQ(e.index(), index);
    EXPECT_EQ(e.what(), what);
  }
  EXPECT_TRUE(std::all_of(out.begin(), out.end(), [&](double v) { return v == untouched; }))
      << what;
}

}  // namespace testsupport

#endif
