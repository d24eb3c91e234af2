#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "fio/runtime.hpp"
#include "fio/stop.hpp"
#include "fio/stop_handler.hpp"

namespace fio {
namespace {
int saved_argc = 0;
char** saved_argv = nullptr;
}  // namespace

void start(int argc, char** argv) {
  saved_argc = argc;
  saved_argv = argv;
}

int argument_count() { return saved_argc; }
char** argument_vector() { return saved_argv; }

void stop() { end_process(); }

void stop(std::string_view message) {
  std::fflush(stdout);
  std::fputs("STOP ", stderr);
  std::fwrite(message.data(), 1, message.size(), stderr);
  std::fputc('\n', stderr);
  end_process();
}

}  // namespace fio
