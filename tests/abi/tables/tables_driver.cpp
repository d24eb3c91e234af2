// Runs a scenario of table calls, for the process tests:
//   tables_driver DIR COMMAND...
// in directory DIR, with the commands
//   set N          setzemo(N)
//   pdf F X Q      zemopdf(F, X, Q), printed as "pdf VALUE"
//   parton F X Q   partonx10(F, X, Q), printed as "parton VALUE"
//   fill A B       connects units A..B (to /dev/null)
//   connect U F    fio_connect(U, F), printed as "connect U STATUS"
//   open U F       fio_connect_read(U, F), printed as "open U STATUS"
//   read U         readpds0(U)
//   nextun         prints "nextun N"
//   dims           prints "dims nx nt MxFlvN0 mxval zemojset"
//   guard          prints "digest H" of the blocks a load writes, and again
//                  at exit, however the process ends
//   nobody         drops root privileges, so that file permissions apply
//   limit MB       limits the address space to MB megabytes (not under the
//                  sanitizers, which reserve far more)
// and prints "end" after the last one; a fatal path never gets there.
// Values are printed with 17 significant digits ("%.17g").
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ZEMOPdf.h"
#include "fio_units.h"
#include "process.hpp"

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif
#else
constexpr bool sanitized = false;
#endif

// FNV-1a over the bytes of the blocks that a load writes.
void print_digest() {
  std::uint64_t h = 1469598103934665603ull;
  const auto add = [&h](const void* block, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(block);
    for (std::size_t k = 0; k < size; ++k) h = (h ^ bytes[k]) * 1099511628211ull;
  };
  add(&vokpar1, sizeof vokpar1);
  add(&vokpar2, sizeof vokpar2);
  add(&xqrange, sizeof xqrange);
  add(&masstbl, sizeof masstbl);
  add(&qcdtbl, sizeof qcdtbl);
  std::printf("digest %016llx\n", static_cast<unsigned long long>(h));
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || chdir(argv[1]) != 0) return 2;
  for (int k = 2; k < argc; ++k) {
    const char* cmd = argv[k];
    auto arg = [&](int n) { return argv[k + n]; };
    if (std::strcmp(cmd, "set") == 0) {
      setzemo(static_cast<std::int32_t>(std::atoi(arg(1))));
      k += 1;
    } else if (std::strcmp(cmd, "pdf") == 0 || std::strcmp(cmd, "parton") == 0) {
      const std::int32_t f = std::atoi(arg(1));
      const double x = std::strtod(arg(2), nullptr);
      const double q = std::strtod(arg(3), nullptr);
      const bool pdf = cmd[1] == 'd';
      const double v = pdf ? zemopdf(f, x, q) : partonx10(f, x, q);
      std::printf("%s %.17g\n", cmd, v);
      k += 3;
    } else if (std::strcmp(cmd, "fill") == 0) {
      for (std::int32_t u = std::atoi(arg(1)); u <= std::atoi(arg(2)); ++u)
        fio_connect(&u, "/dev/null");
      k += 2;
    } else if (std::strcmp(cmd, "connect") == 0 || std::strcmp(cmd, "open") == 0) {
      const std::int32_t unit = std::atoi(arg(1));
      const bool reading = cmd[0] == 'o';
      const std::int32_t status =
          reading ? fio_connect_read(&unit, arg(2)) : fio_connect(&unit, arg(2));
      std::printf("%s %d %d\n", cmd, unit, status);
      k += 2;
    } else if (std::strcmp(cmd, "read") == 0) {
      readpds0(static_cast<std::int32_t>(std::atoi(arg(1))));
      k += 1;
    } else if (std::strcmp(cmd, "nextun") == 0) {
      std::printf("nextun %d\n", nextun());
    } else if (std::strcmp(cmd, "dims") == 0) {
      std::printf("dims %d %d %d %d %d\n", vokpar2.nx, vokpar2.nt, vokpar2.MxFlvN0, vokpar2.mxval,
                  zemojset.iset);
    } else if (std::strcmp(cmd, "guard") == 0) {
      print_digest();
      std::atexit(print_digest);
    } else if (std::strcmp(cmd, "limit") == 0) {
      if (!sanitized) {
        const rlim_t bytes = static_cast<rlim_t>(std::atol(arg(1))) << 20;
        const rlimit limit = {bytes, bytes};
        if (setrlimit(RLIMIT_AS, &limit) != 0) return 2;
      }
      k += 1;
    } else if (std::strcmp(cmd, "nobody") == 0) {
      if (!testsupport::drop_root_privileges()) return 2;
    } else {
      std::fprintf(stderr, "unknown command %s\n", cmd);
      return 2;
    }
  }
  std::printf("end\n");
  return 0;
}
