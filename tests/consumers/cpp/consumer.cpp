// A C++17 analysis program: scalars are passed as values.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "PELK-2008.h"
#include "ZEMOPdf.h"
#include "error_estimate.h"

#include <pdferr/generator.hpp>
#include <pdferr/table_set.hpp>
#include <pdferr/uncertainty.hpp>

namespace {
template <typename Bits, typename Real>
Bits bits(Real v) {
  static_assert(sizeof(Bits) == sizeof(Real));
  Bits b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}
void hex32(const char* label, const float* v, int n) {
  std::printf("%s", label);
  for (int k = 0; k < n; ++k) std::printf(" %08X", bits<std::uint32_t>(v[k]));
  std::printf("\n");
}
void hex64(const char* label, const double* v, int n) {
  std::printf("%s", label);
  for (int k = 0; k < n; ++k) {
    std::printf(" %016llX", static_cast<unsigned long long>(bits<std::uint64_t>(v[k])));
  }
  std::printf("\n");
}
}  // namespace

int main() {
  inout.iout = 6;
  rmarin(54217137, 0, 0);
  std::printf("raset1 %d %d\n", raset1.ilag, raset1.jlag);
  float u[5];
  ranmar(u, 5);
  std::printf("ranmar");
  for (float v : u) std::printf(" %d", static_cast<int>(v * 16777216.0f));
  std::printf("\n");
  rmarin(54217137, 0, 0);
  float d[5];
  gaudev(d, 5);
  hex32("gaudev", d, 5);
  const float cov[4] = {4.0f, 2.0f, 0.0f, 5.0f};
  float c[4] = {};
  float x[2];
  corset(cov, c, 2);
  mvndev(c, x, 2);
  hex32("mvndev", x, 2);

  setzemo(100);
  std::printf("vokpar2 %d %d %d %d\n", vokpar2.nx, vokpar2.nt, vokpar2.MxFlvN0, vokpar2.mxval);
  for (double q : {10.0, 100.0}) {
    double f[11];
    for (int flavour = -5; flavour <= 5; ++flavour) f[flavour + 5] = zemopdf(flavour, 0.01, q);
    hex64("zemopdf", f, 11);
  }

  pelkini(0);
  std::printf("pelkgrid %d %d\n", pelkgrid.nnodes[0], pelkgrid.nnodes[1]);
  double r[6];
  pelkfit(0.01, 100.0, r[0], r[1], r[2], r[3], r[4], r[5]);
  hex64("pelkfit", r, 6);
  char name[20];
  pelk_strcat("pelk-plus- ", "07", name, 11, 2, sizeof name);
  std::printf("strcat %.*s %d\n", istrl(name, sizeof name), name, istrl(name, sizeof name));

  // The C++ interface: a generator and a table cache of the caller's own.
  pdferr::Generator generator(54217137, 20000);
  float next = 0.0f;
  generator.uniform(&next, 1);
  const pdferr::TableSet set = pdferr::TableSet::from_set(100);
  pdferr::TableSet::Cache cache;
  const double members[] = {10, 13, 9};  // central, +1, -1
  const bool own_ok = next == 6533892 * 0x1p-24f &&
                      set.value(cache, 0, 0.01, 10.0) == zemopdf(0, 0.01, 10.0) &&
                      pdferr::uncertainty::hessian(members, 1).plus == 3.0;
  return own_ok ? 0 : 1;
}
