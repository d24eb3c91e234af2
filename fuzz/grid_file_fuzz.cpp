// Grid files through pelkini and GridMember.  Whatever the bytes, pelkini
// either fills the whole block, which then evaluates, or stops and leaves
// the block exactly as it was; GridMember refuses exactly the files that
// pelkini refuses, and evaluates the others to pelkfit's bits.
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "PELK-2008.h"
#include "fuzz_support.hpp"
#include "pdferr/grid_member.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Member 0 is the file "PELK-GRID.NLO" in the working directory.
  const std::string path = fuzz::scratch().write("PELK-GRID.NLO", data, size);
  static std::vector<unsigned char> before(sizeof pelkgrid);
  std::memcpy(before.data(), &pelkgrid, sizeof pelkgrid);
  bool stopped = false;
  try {
    const fuzz::InScratch in_scratch;
    pelkini(0);
  } catch (const fuzz::Stopped&) {
    stopped = true;
  }
  std::vector<pdferr::GridMember> member;
  try {
    member.emplace_back(path);
  } catch (const pdferr::file_error&) {
  }
  fuzz::require(member.empty() == stopped, "GridMember refuses what pelkini refuses");
  if (stopped) {
    fuzz::require(std::memcmp(before.data(), &pelkgrid, sizeof pelkgrid) == 0,
                  "a refused file leaves pelkgrid as it was");
    return 0;
  }
  fuzz::require(pelkgrid.nnodes[0] == PDFERR_PELK_NX && pelkgrid.nnodes[1] == PDFERR_PELK_NQ,
                "node counts");
  for (int c = 0; c < PDFERR_PELK_NCOL; ++c) {
    for (int k = 0; k < PDFERR_PELK_NQ; ++k) {
      fuzz::require(pelkgrid.denstab[c][k][PDFERR_PELK_NX - 1] == 0.0, "zero at x = 1");
    }
  }
  // The grid's corners, a node and points between nodes.
  for (double x : {1e-5, 3.3e-4, 0.06, 0.5, 0.97, 1.0}) {
    for (double q2 : {1.0, 2.2, 1000.0, 1e6}) {
      double d[6];
      pelkfit(x, q2, d[0], d[1], d[2], d[3], d[4], d[5]);
      const std::array<double, 6> v = member.front().values(x, q2);
      fuzz::require(std::memcmp(d, v.data(), sizeof d) == 0, "GridMember gives pelkfit's bits");
    }
  }
  return 0;
}
