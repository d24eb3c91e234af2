// The processes of a run: one (serial) or the ranks of an MPI job.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace pdferr::cli {

class Comm {
 public:
  virtual ~Comm() = default;
  virtual int rank() const = 0;
  virtual int size() const = 0;
  // True when every process passes true.
  virtual bool all(bool ok) = 0;
  // Element-wise sums over the processes, in place, on every process.
  virtual void sum(std::vector<std::uint64_t>& counts) = 0;
  // Each process's bytes, in rank order, on rank 0 (empty elsewhere).
  virtual std::vector<std::vector<unsigned char>> gather(
      const std::vector<unsigned char>& bytes) = 0;
};

// The MPI job this process belongs to when started by an MPI launcher and
// built with MPI, otherwise a single process.  MPI is finalised when the
// object goes.
std::unique_ptr<Comm> open_comm(int& argc, char**& argv);

// Whether this program was built with MPI.
bool mpi_built();

}  // namespace pdferr::cli
