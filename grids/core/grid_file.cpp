// Grid files: the constant node tables, member names and reading the 1380
// fixed-field lines.
#include <cmath>
#include <cstdint>
#include <string>

#include "crmath.hpp"
#include "fio/fixedread.hpp"
#include "grid_file.hpp"

namespace pdferr::grids {
namespace {

// Entries 21 to 46 of the x nodes are held as 32-bit floats widened to 64
// bits, e.g. 0.06 as 0.05999999865889549, 0.1 as 0.10000000149011612.
constexpr double held(float x) { return static_cast<double>(x); }

// Each line: six fields of the descriptor 1PE12.4.
constexpr fio::EditE grid_field{field_width, 4, 1};

// A grid file opened by path.
class FileLines final : public LineSource {
 public:
  int open(const std::string& path) { return file_.open(path.c_str()); }
  Status next(std::string& line) override { return file_.next(line); }
  int error() const override { return file_.error(); }
  bool unchanged() const override { return file_.unchanged(); }

 private:
  pdferr::common::TextFile file_;
};

}  // namespace

// clang-format off
const double x_nodes[nx] = {
    // 1 to 20: the nearest 64-bit values.
    1e-5,   4e-5, 6.7e-5, 1e-4,   1.4e-4, 2e-4, 3e-4,  4.5e-4, 6.7e-4, 1e-3,
    1.4e-3, 2e-3, 3e-3,   4.5e-3, 6.7e-3, 0.01, 0.014, 0.02,   0.03,   0.045,
    // 21 to 46: the nearest 32-bit floats.
    held(0.06f),  held(0.08f),  held(0.1f),   held(0.125f), held(0.15f),
    held(0.175f), held(0.2f),   held(0.225f), held(0.25f),  held(0.275f),
    held(0.3f),   held(0.325f), held(0.35f),  held(0.375f), held(0.4f),
    held(0.45f),  held(0.5f),   held(0.55f),  held(0.6f),   held(0.65f),
    held(0.7f),   held(0.75f),  held(0.8f),   held(0.85f),  held(0.9f),
    held(0.95f),
    // 47: x = 1.
    1.0};

const double q2_nodes[nq] = {
    0.8,  1,    1.25,  1.5,   2,     2.5,  4,     6.4,   10,    15,
    25,   40,   64,    100,   180,   320,  580,   1000,  1800,  3200,
    5800, 1e4,  1.8e4, 3.2e4, 5.8e4, 1e5,  1.8e5, 3.2e5, 5.8e5, 1e6};
// clang-format on

const std::int32_t node_counts[2] = {nx, nq};

const double* log_nodes() {
  struct Logs {
    double v[nx + nq];
    Logs() {
      math::log(x_nodes, nx, v);
      math::log(q2_nodes, nq, v + nx);
    }
  };
  static const Logs logs;
  return logs.v;
}

std::string member_file_name(std::int32_t member) {
  if (member == 0) return "PELK-GRID.NLO";
  // The magnitude in 64 bits: the most negative member has none in 32.
  const std::int64_t m = member > 0 ? std::int64_t{member} : -std::int64_t{member};
  std::string name = member > 0 ? "pelk-plus-" : "pelk-minus-";
  if (m > 99) {
    name += "**";
  } else {
    name += static_cast<char>('0' + m / 10);
    name += static_cast<char>('0' + m % 10);
  }
  return name + ".grid";
}

ReadFailure read_grid(LineSource& lines, RawGrid& raw) {
  using Status = LineSource::Status;
  ReadFailure failure;
  std::string line;
  line.reserve(128);
  for (int n = 0; n < file_lines; ++n) {
    const Status status = lines.next(line);
    if (status != Status::line) {
      failure.kind = status == Status::read_error ? ReadFailure::read_error
                     : status == Status::too_long ? ReadFailure::line_too_long
                                                  : ReadFailure::short_file;
      failure.error = status == Status::read_error ? lines.error() : 0;
      failure.line = status == Status::end ? n : n + 1;
      break;
    }
    const int bad = fio::read_e_fields(line, grid_field, raw[n / nq][n % nq], ncol);
    if (bad != 0) {
      failure.kind = ReadFailure::bad_field;
      failure.line = n + 1;
      failure.field = bad;
      break;
    }
  }
  // A file rewritten under the reader may look short or malformed, or load
  // as a mix of two members: whatever was read, it is refused as changed.
  // A read error or an endless line is the device's own fault and stays.
  const bool data_fault =
      failure.kind == ReadFailure::read_error || failure.kind == ReadFailure::line_too_long;
  if (!data_fault && !lines.unchanged()) failure = ReadFailure{ReadFailure::changed};
  return failure;
}

ReadFailure read_grid_file(const std::string& path, RawGrid& raw) {
  FileLines lines;
  const int opened = lines.open(path);
  if (opened != 0) return ReadFailure{ReadFailure::open, opened};
  return read_grid(lines, raw);
}

}  // namespace pdferr::grids
