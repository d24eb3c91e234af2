// The object module mvndev linked alone: this test supplies gaudev under its
// gfortran name.
#include <gtest/gtest.h>

#include <cstdint>

#include "error_estimate.h"

namespace {
int calls = 0;
}

// Deviates 1, 2, 3, ... so that x = c z can be checked exactly.
extern "C" void gaudev_(float* devias, const std::int32_t* ndev) {
  ++calls;
  for (std::int32_t k = 0; k < *ndev; ++k) devias[k] = static_cast<float>(k + 1);
}

namespace {

TEST(MvndevModule, LowerTriangleTimesDeviates) {
  // c = [1 . .; 2 3 .; 4 5 6] (upper triangle poisoned, never read).
  const float nan = __builtin_nanf("");
  const float c[9] = {1, 2, 4, nan, 3, 5, nan, nan, 6};
  float x[3];
  calls = 0;
  mvndev(c, x, 3);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(x[0], 1.0f);
  EXPECT_EQ(x[1], 2.0f + 3.0f * 2.0f);
  EXPECT_EQ(x[2], 4.0f + 5.0f * 2.0f + 6.0f * 3.0f);
}

TEST(MvndevModule, LimitAndEmptyOrderDrawNothing) {
  float c[1] = {1.0f};
  float x[1] = {-2.0f};
  calls = 0;
  mvndev(c, x, 0);
  testing::internal::CaptureStdout();
  mvndev(c, x, 101);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            " ERROR IN MVNDEV. VECTOR LENGTH NP=  101, BUT MAXIMUM ALLOWED IS  100\n");
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(x[0], -2.0f);
}

}  // namespace
