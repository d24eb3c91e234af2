#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "fio/stop.hpp"
#include "fio/stop_handler.hpp"

namespace fio {

void stop() { end_process(); }

void stop(std::string_view message) {
  std::fflush(stdout);
  std::fputs("STOP ", stderr);
  std::fwrite(message.data(), 1, message.size(), stderr);
  std::fputc('\n', stderr);
  end_process();
}

}  // namespace fio
