// Helpers of the core table tests: tables read from text, and the kernel's
// view of them.
#pragma once

#include <bit>
#include <cstdint>
#include <memory>
#include <string>

#include "kernel.hpp"
#include "pds_writer.hpp"
#include "table_file.hpp"

namespace tables_unit {

namespace tables = pdferr::tables;

// Bits of a double, for exact comparison.
inline std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// The lines of a text, as a file gives them.
class TextLines : public fio::LineSource {
 public:
  explicit TextLines(std::string text) : text_(std::move(text)) {}
  fio::LineStatus next(std::string& line) override {
    line.clear();
    if (pos_ >= text_.size()) return fio::LineStatus::end;
    const std::size_t end = std::min(text_.find('\n', pos_), text_.size());
    line.assign(text_, pos_, end - pos_);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    pos_ = end + 1;
    return fio::LineStatus::line;
  }
  int error() const override { return 0; }

 private:
  std::string text_;
  std::size_t pos_ = 0;
};

struct Read {
  std::unique_ptr<tables::TableData> table = std::make_unique<tables::TableData>();
  tables::Fault fault;
};

inline Read read_text(const std::string& text) {
  Read r;
  TextLines lines(text);
  r.fault = tables::read_table(lines, *r.table);
  return r;
}

// A table read through the core, as the kernel sees it.
struct CoreTable {
  Read read;
  double u[tables::max_nx + 1] = {};
  tables::XNodes patches[tables::max_nx + 1] = {};
  tables::Grid grid;

  explicit CoreTable(const testsupport::PdsTable& t) : read(read_text(testsupport::pds_text(t))) {
    const tables::TableData& d = *read.table;
    tables::u_nodes(d.xv, d.nx, u);
    tables::x_patches(u, d.nx, patches);
    grid = tables::Grid{d.alambda, d.xv, u,         d.tv,    d.values.data(),
                        d.nx,      d.nt, d.mxflvn0, d.mxval, patches};
  }

  // partonx10 on the point p: unguarded, unclamped; NaN where x is refused.
  double parton(tables::Point& p, int f, double x, double q) const {
    if (tables::locate(grid, p, x, q) != tables::XFault::none) return std::nan("");
    return tables::interpolate(grid, p, f);
  }
  double parton(int f, double x, double q) const {
    tables::Point fresh;
    return parton(fresh, f, x, q);
  }
};

}  // namespace tables_unit
