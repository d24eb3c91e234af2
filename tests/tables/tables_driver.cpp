// Runs a scenario of table calls, for the process tests:
//   tables_driver DIR COMMAND...
// in directory DIR, with the commands
//   set N          setzemo(N)
//   pdf F X Q      zemopdf(F, X, Q), printed as "pdf VALUE"
//   parton F X Q   partonx10(F, X, Q), printed as "parton VALUE"
//   fill A B       connects units A..B (to /dev/null)
//   nextun         prints "nextun N"
//   dims           prints "dims nx nt MxFlvN0 mxval zemojset"
// and prints "end" after the last one; a fatal path never gets there.
// Values are printed with 17 significant digits ("%.17g").
#include <unistd.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ZEMOPdf.h"
#include "fio_units.h"

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
    } else if (std::strcmp(cmd, "nextun") == 0) {
      std::printf("nextun %d\n", nextun());
    } else if (std::strcmp(cmd, "dims") == 0) {
      std::printf("dims %d %d %d %d %d\n", vokpar2.nx, vokpar2.nt, vokpar2.MxFlvN0, vokpar2.mxval,
                  zemojset.iset);
    } else {
      std::fprintf(stderr, "unknown command %s\n", cmd);
      return 2;
    }
  }
  std::printf("end\n");
  return 0;
}
