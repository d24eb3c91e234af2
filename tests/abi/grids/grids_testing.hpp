// Helpers shared by the grid tests: a scratch working directory, the
// scenario driver, and an independent implementation of the interpolation
// and evaluation formulas for bit-for-bit comparison.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "PELK-2008.h"
#include "crmath.hpp"
#include "grid_writer.hpp"
#include "process.hpp"

namespace gridtest {

// Runs the test in a fresh directory (grid files are looked up in the
// current directory), restoring the old one afterwards.
class InScratchDir : public ::testing::Test {
 protected:
  void SetUp() override {
    char buf[4096];
    ASSERT_NE(getcwd(buf, sizeof buf), nullptr);
    old_dir_ = buf;
    ASSERT_EQ(chdir(dir_.path().c_str()), 0);
  }
  void TearDown() override { ASSERT_EQ(chdir(old_dir_.c_str()), 0); }
  void write(const std::string& name, const std::string& text) { dir_.write(name, text); }
  const testsupport::TempDir& dir() const { return dir_; }

 private:
  testsupport::TempDir dir_;
  std::string old_dir_;
};

inline testsupport::ProcessResult driver(const std::vector<std::string>& args,
                                         const std::string& cwd) {
  std::vector<std::string> argv{GRIDS_DRIVER};
  argv.insert(argv.end(), args.begin(), args.end());
  return testsupport::run_process(argv, cwd);
}

inline bool same_bits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// Multilinear interpolation written from its definition: the corners are
// numbered 2^ndim - 1 down to 0, bit ndim-1-i of the number telling whether
// dimension i takes its upper node.
inline double reference_dfint(int ndim, const double* coord, const std::int32_t* nnodes,
                              const double* nodes, const double* table) {
  int upper[5];
  double w[5];
  int offset = 0;
  for (int i = 0; i < ndim; ++i) {
    const double* dim = nodes + offset;
    int b = nnodes[i] - 1;
    for (int k = 0; k < nnodes[i]; ++k) {
      if (dim[k] >= coord[i]) {
        b = k;
        break;
      }
    }
    if (b == 0) b = 1;
    upper[i] = b;
    w[i] = (dim[b] - coord[i]) / (dim[b] - dim[b - 1]);
    offset += nnodes[i];
  }
  double sum = 0.0;
  for (int corner = (1 << ndim) - 1; corner >= 0; --corner) {
    double factor = 1.0;
    long index = 0;
    long stride = 1;
    for (int i = 0; i < ndim; ++i) {
      const bool up = ((corner >> (ndim - 1 - i)) & 1) != 0;
      factor = (up ? 1.0 - w[i] : w[i]) * factor;
      index += (up ? upper[i] : upper[i] - 1) * stride;
      stride *= nnodes[i];
    }
    sum = table[index] * factor + sum;
  }
  return sum;
}

// The six densities from the block, written from their definitions.
inline void reference_pelkfit(double x, double q2, double (&dens)[6]) {
  const double point[2] = {pdferr::math::log(x), pdferr::math::log(q2)};
  double t[6];
  for (int c = 0; c < 6; ++c) {
    t[c] =
        reference_dfint(2, point, pelkgrid.nnodes, pelkgrid.lognodes, &pelkgrid.denstab[c][0][0]);
  }
  const double u = 1.0 - x;
  const double u3 = (u * u) * u;
  const double u4 = (u * u) * (u * u);
  const double u8 = ((u * u) * (u * u)) * ((u * u) * (u * u));
  const double u5 = (u * u) * (u * (u * u));
  const double root = std::sqrt(x);
  dens[0] = (t[0] * u3) * x;
  dens[1] = (t[1] * u4) * x;
  dens[2] = root * (t[2] * u8);
  dens[3] = root * (t[3] * u8);
  dens[4] = root * (t[4] * u8);
  dens[5] = root * (t[5] * u5);
}

// The coded member: every field tells its column, x node and Q2 node.
inline std::string coded_member() {
  return testsupport::grid_text(testsupport::GridDecimals(testsupport::coded_value));
}

}  // namespace gridtest
