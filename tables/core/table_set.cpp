// pdferr::TableSet: a checked table and the kernel, with no process-wide
// state.
#include <array>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include "batch.hpp"
#include "common/data_path.hpp"
#include "common/text_file.hpp"
#include "kernel.hpp"
#include "pdferr/table_set.hpp"
#include "table_file.hpp"

namespace pdferr {
namespace tables {

// A table as loaded by a TableSet; never changed afterwards.
struct LoadedTable {
  std::string path;
  TableData data;
  double u[max_nx + 1] = {};
  XNodes patches[max_nx + 1] = {};
  Grid grid;
  // Told apart from every other table loaded in the process, so that a cache
  // notices a change of table.
  std::uint64_t serial = 0;
};

struct CacheState {
  std::uint64_t serial = 0;  // the table whose point it keeps; 0: none
  Point point;
};

namespace {

std::atomic<std::uint64_t> last_serial{0};

std::shared_ptr<const LoadedTable> load(const std::string& path) {
  auto table = std::make_shared<LoadedTable>();
  table->path = path;
  FileLines lines;
  if (const int e = lines.open(path); e != 0) {
    throw file_error(path, 0, "", "cannot be opened (" + common::TextFile::reason(e) + ")");
  }
  if (const Fault f = read_table(lines, table->data)) {
    throw file_error(path, f.line, f.field, f.reason);
  }
  const TableData& d = table->data;
  u_nodes(d.xv, d.nx, table->u);
  x_patches(table->u, d.nx, table->patches);
  table->grid = Grid{d.alambda, d.xv, table->u,  d.tv,    d.values.data(),
                     d.nx,      d.nt, d.mxflvn0, d.mxval, table->patches};
  table->serial = ++last_serial;
  return table;
}

// What is wrong with a point outside the domain.
std::string fault_text(PointFault fault, const TableData& d, double x, double q) {
  switch (fault) {
    case PointFault::x_nan:
      return "x is NaN";
    case PointFault::q_nan:
      return "Q is NaN";
    case PointFault::x_outside:
      return "x = " + number_text(x) + " outside [0, 1]";
    case PointFault::x_tiny:
      return "x = " + number_text(x) + " between 0 and " + number_text(smallest_x) +
             ", the smallest positive x";
    case PointFault::q_below_qsml:
      return "Q = " + number_text(q) + " below 0.3";
    case PointFault::q_not_above_alambda:
      return "Q = " + number_text(q) + " not above alambda = " + number_text(d.alambda);
    case PointFault::q_inf:
      return "Q is infinite";
    case PointFault::q_overflow:
      return "Q = " + number_text(q) + " so large that Q / alambda overflows";
    case PointFault::none:
      break;
  }
  return "inside the domain";
}

// A flavour of the table: |flavour| up to MxFlvN0; throws domain_error.
void check_flavour(const TableData& d, std::int32_t flavour) {
  // In 64 bits: the magnitude of the most negative 32-bit flavour fits.
  const std::int64_t magnitude = flavour < 0 ? -std::int64_t{flavour} : flavour;
  if (magnitude > d.mxflvn0) {
    throw domain_error("flavour " + std::to_string(flavour) +
                       " beyond MxFlvN0 = " + std::to_string(d.mxflvn0));
  }
}

// The domain of an evaluation; throws domain_error outside it.
void check_domain(const TableData& d, std::int32_t flavour, double x, double q) {
  if (const PointFault f = point_fault(d.alambda, x, q); f != PointFault::none) {
    throw domain_error(fault_text(f, d, x, q));
  }
  check_flavour(d, flavour);
}

// The located point of a table in the domain: x in (0, 1] lies below onep.
void locate_in_domain(const Grid& g, Point& p, double x, double q) {
  if (locate(g, p, x, q) != XFault::none) {
    throw std::logic_error("table point refused within the domain");
  }
}

double clamped(double v) { return v < 0 ? 0.0 : v; }

// value() on the point p kept for t.
double evaluate_point(const LoadedTable& t, Point& p, std::int32_t flavour, double x, double q) {
  check_domain(t.data, flavour, x, q);
  if (x == 0) return 0.0;
  locate_in_domain(t.grid, p, x, q);
  return clamped(interpolate(t.grid, p, flavour));
}

// Flavours first..last at n points (see Request): a point outside the
// domain refuses the call before anything is written, or gives NaN.
void evaluate_points(const LoadedTable& t, const double* x, const double* q, bool one_q,
                     std::size_t n, int first, int last, double* out, OutsideDomain outside) {
  if (outside == OutsideDomain::refuse) {
    // With one Q inside the domain, only x can put a point outside it.
    const bool one_q_inside = one_q && point_fault(t.data.alambda, 0.5, q[0]) == PointFault::none;
    for (std::size_t i = 0; i < n; ++i) {
      if (one_q_inside && x_in_domain(x[i])) continue;
      const double qi = one_q ? q[0] : q[i];
      if (const PointFault f = point_fault(t.data.alambda, x[i], qi); f != PointFault::none) {
        throw domain_error("point " + std::to_string(i) + ": " + fault_text(f, t.data, x[i], qi),
                           static_cast<std::ptrdiff_t>(i));
      }
    }
  }
  evaluate(t.grid, {x, q, one_q, n, first, last, out});
}

}  // namespace
}  // namespace tables

using tables::CacheState;
using tables::LoadedTable;

TableSet::TableSet(const std::string& path) : table_(tables::load(path)) {}

TableSet::TableSet(std::shared_ptr<const LoadedTable> table) : table_(std::move(table)) {}

std::string TableSet::file_name(std::int32_t set) {
  std::string name = tables::table_file_name(set);
  if (name.empty()) {
    throw std::invalid_argument("no table set numbered " + std::to_string(set) +
                                " (sets are 10..33, 100..152 and 200..252)");
  }
  return name;
}

TableSet TableSet::from_set(std::int32_t set, const std::string& directory) {
  const std::string name = file_name(set);
  if (const auto found = common::find_data_file(name, directory)) return TableSet(*found);
  // Found nowhere: refused where it was looked for first.
  return TableSet(common::in_folder(directory, name));
}

TableSet::Cache::Cache() : state_(std::make_unique<CacheState>()) {}
TableSet::Cache::~Cache() = default;
TableSet::Cache::Cache(const Cache& other)
    : state_(std::make_unique<CacheState>(other.state_ ? *other.state_ : CacheState{})) {}
TableSet::Cache& TableSet::Cache::operator=(const Cache& other) {
  if (this != &other) *this = Cache(other);
  return *this;
}
TableSet::Cache::Cache(Cache&& other) noexcept = default;
TableSet::Cache& TableSet::Cache::operator=(Cache&& other) noexcept = default;

double TableSet::value(std::int32_t flavour, double x, double q) const {
  tables::Point point;
  return tables::evaluate_point(*table_, point, flavour, x, q);
}

double TableSet::value(Cache& cache, std::int32_t flavour, double x, double q) const {
  if (!cache.state_) cache.state_ = std::make_unique<CacheState>();
  CacheState& s = *cache.state_;
  if (s.serial != table_->serial) {
    s.point = {};
    s.serial = table_->serial;
  }
  return tables::evaluate_point(*table_, s.point, flavour, x, q);
}

void TableSet::values(double x, double q, double* out) const {
  const LoadedTable& t = *table_;
  tables::check_domain(t.data, 0, x, q);
  tables::evaluate(t.grid, {&x, &q, true, 1, -t.data.mxflvn0, t.data.mxflvn0, out});
}

void TableSet::value(std::int32_t flavour, const double* x, const double* q, std::size_t n,
                     double* out, OutsideDomain outside) const {
  tables::check_flavour(table_->data, flavour);
  tables::evaluate_points(*table_, x, q, false, n, flavour, flavour, out, outside);
}

void TableSet::value(std::int32_t flavour, const double* x, double q, std::size_t n, double* out,
                     OutsideDomain outside) const {
  tables::check_flavour(table_->data, flavour);
  tables::evaluate_points(*table_, x, &q, true, n, flavour, flavour, out, outside);
}

void TableSet::values(const double* x, const double* q, std::size_t n, double* out,
                      OutsideDomain outside) const {
  const std::int32_t top = table_->data.mxflvn0;
  tables::evaluate_points(*table_, x, q, false, n, -top, top, out, outside);
}

void TableSet::values(const double* x, double q, std::size_t n, double* out,
                      OutsideDomain outside) const {
  const std::int32_t top = table_->data.mxflvn0;
  tables::evaluate_points(*table_, x, &q, true, n, -top, top, out, outside);
}

const std::string& TableSet::path() const noexcept { return table_->path; }
double TableSet::alambda() const noexcept { return table_->data.alambda; }
std::array<double, 6> TableSet::masses() const noexcept {
  const double* m = table_->data.mass;
  return {m[0], m[1], m[2], m[3], m[4], m[5]};
}
double TableSet::qcdr1() const noexcept { return table_->data.qcdr1; }
double TableSet::qcdr2() const noexcept { return table_->data.qcdr2; }
std::int32_t TableSet::qcdi1() const noexcept { return table_->data.qcdi1; }
std::int32_t TableSet::qcdi2() const noexcept { return table_->data.qcdi2; }
std::int32_t TableSet::qcdi3() const noexcept { return table_->data.qcdi3; }
double TableSet::qini() const noexcept { return table_->data.qini; }
double TableSet::qmax() const noexcept { return table_->data.qmax; }
double TableSet::xmin() const noexcept { return table_->data.xmin; }
std::int32_t TableSet::nx() const noexcept { return table_->data.nx; }
std::int32_t TableSet::nt() const noexcept { return table_->data.nt; }
std::int32_t TableSet::MxFlvN0() const noexcept { return table_->data.mxflvn0; }
std::int32_t TableSet::mxval() const noexcept { return table_->data.mxval; }
const double* TableSet::x_nodes() const noexcept { return table_->data.xv; }
const double* TableSet::t_nodes() const noexcept { return table_->data.tv; }
double TableSet::x_node_min() const noexcept { return table_->data.xv[1]; }
double TableSet::x_node_max() const noexcept { return table_->data.xv[table_->data.nx]; }
double TableSet::q_node_min() const noexcept {
  const tables::TableData& d = table_->data;
  return tables::q_of(d.tv[0], d.alambda);
}
double TableSet::q_node_max() const noexcept {
  const tables::TableData& d = table_->data;
  return tables::q_of(d.tv[d.nt], d.alambda);
}

}  // namespace pdferr
