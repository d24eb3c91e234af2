#include "fio/stop_handler.hpp"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace fio {
namespace {
std::atomic<StopHandler> installed{nullptr};
}  // namespace

StopHandler set_stop_handler(StopHandler handler) noexcept { return installed.exchange(handler); }

void end_process() {
  std::fflush(stdout);
  std::fflush(stderr);
  if (StopHandler handler = installed.load()) handler();
  std::exit(stop_status);
}

}  // namespace fio
