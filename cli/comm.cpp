#include "comm.hpp"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#ifdef PDFERR_CLI_MPI
#include <mpi.h>
#endif

namespace pdferr::cli {
namespace {

class Serial final : public Comm {
 public:
  int rank() const override { return 0; }
  int size() const override { return 1; }
  bool all(bool ok) override { return ok; }
  void sum(std::vector<std::uint64_t>&) override {}
  std::vector<std::vector<unsigned char>> gather(const std::vector<unsigned char>& bytes) override {
    return {bytes};
  }
};

#ifdef PDFERR_CLI_MPI
class Mpi final : public Comm {
 public:
  Mpi(int& argc, char**& argv) {
    MPI_Init(&argc, &argv);
    MPI_Comm_rank(MPI_COMM_WORLD, &rank_);
    MPI_Comm_size(MPI_COMM_WORLD, &size_);
  }
  ~Mpi() override { MPI_Finalize(); }
  int rank() const override { return rank_; }
  int size() const override { return size_; }
  bool all(bool ok) override {
    int mine = ok ? 1 : 0, every = 0;
    MPI_Allreduce(&mine, &every, 1, MPI_INT, MPI_MIN, MPI_COMM_WORLD);
    return every == 1;
  }
  void sum(std::vector<std::uint64_t>& counts) override {
    MPI_Allreduce(MPI_IN_PLACE, counts.data(), static_cast<int>(counts.size()), MPI_UINT64_T,
                  MPI_SUM, MPI_COMM_WORLD);
  }
  std::vector<std::vector<unsigned char>> gather(const std::vector<unsigned char>& bytes) override {
    const int mine = static_cast<int>(bytes.size());
    std::vector<int> sizes(static_cast<std::size_t>(size_)), offsets(sizes.size());
    MPI_Gather(&mine, 1, MPI_INT, sizes.data(), 1, MPI_INT, 0, MPI_COMM_WORLD);
    std::vector<unsigned char> all;
    if (rank_ == 0) {
      int total = 0;
      for (std::size_t r = 0; r < sizes.size(); ++r) {
        offsets[r] = total;
        total += sizes[r];
      }
      all.resize(static_cast<std::size_t>(total));
    }
    MPI_Gatherv(bytes.data(), mine, MPI_UNSIGNED_CHAR, all.data(), sizes.data(), offsets.data(),
                MPI_UNSIGNED_CHAR, 0, MPI_COMM_WORLD);
    std::vector<std::vector<unsigned char>> out;
    if (rank_ != 0) return out;
    for (std::size_t r = 0; r < sizes.size(); ++r) {
      out.emplace_back(all.begin() + offsets[r], all.begin() + offsets[r] + sizes[r]);
    }
    return out;
  }

 private:
  int rank_ = 0;
  int size_ = 1;
};
#endif

}  // namespace

bool mpi_built() {
#ifdef PDFERR_CLI_MPI
  return true;
#else
  return false;
#endif
}

std::unique_ptr<Comm> open_comm([[maybe_unused]] int& argc, [[maybe_unused]] char**& argv) {
#ifdef PDFERR_CLI_MPI
  // Started by mpirun (Open MPI, or a PMI launcher): join the job.  Started
  // alone, run as one process without initialising MPI.
  if (std::getenv("OMPI_COMM_WORLD_SIZE") != nullptr || std::getenv("PMI_SIZE") != nullptr ||
      std::getenv("PMIX_RANK") != nullptr) {
    return std::make_unique<Mpi>(argc, argv);
  }
#endif
  return std::make_unique<Serial>();
}

}  // namespace pdferr::cli
