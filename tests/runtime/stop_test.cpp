// Stops end the process with status 1 whether or not a handler is installed,
// unless the handler leaves by throwing: then the caller lives on.
#include <gtest/gtest.h>

#include "fio/stop.hpp"
#include "fio/stop_handler.hpp"

namespace {

struct Stopped {};

[[noreturn]] void throw_stopped() { throw Stopped{}; }
void return_at_once() {}

TEST(StopDeathTest, EndsWithStatusOneUnlessTheHandlerThrows) {
  EXPECT_EXIT(fio::stop(" no handler "), testing::ExitedWithCode(1), "^STOP  no handler \n$");
  EXPECT_EXIT(
      {
        fio::set_stop_handler(return_at_once);
        fio::stop("returning handler");
      },
      testing::ExitedWithCode(1), "^STOP returning handler\n$");

  EXPECT_EQ(fio::set_stop_handler(throw_stopped), nullptr);
  EXPECT_THROW(fio::stop(), Stopped);
  testing::internal::CaptureStderr();
  EXPECT_THROW(fio::stop("thrown"), Stopped);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "STOP thrown\n");
  EXPECT_EQ(fio::set_stop_handler(nullptr), throw_stopped);
}

}  // namespace
