// The C interface of pdferr::TableSet: each call runs through c_call, which
// turns an exception into a status code and the caller's error record.
#include <cstddef>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>

#include "common/c_status.hpp"
#include "pdferr/table_set.hpp"
#include "pdferr/tables.h"

struct pdferr_table {
  pdferr::TableSet set;
};

namespace {

using pdferr::common::c_call;
using pdferr::common::open_handle;
using pdferr::common::outside_domain;
using pdferr::common::require;
using pdferr::common::require_points;

// values of count entries holds every flavour at n points.
void require_room(const pdferr::TableSet& set, std::size_t n, std::size_t count) {
  const std::size_t flavours = 2 * static_cast<std::size_t>(set.MxFlvN0()) + 1;
  if (n > count / flavours) {
    throw std::invalid_argument("values holds " + std::to_string(count) + " of the " +
                                std::to_string(flavours) + " flavours at " + std::to_string(n) +
                                " points");
  }
}

}  // namespace

extern "C" {

PDFERR_API int32_t pdferr_table_open(const char* path, pdferr_table** table, pdferr_error* err) {
  return open_handle(table, "table", err, [&] {
    require(path, "path");
    return pdferr::TableSet(path);
  });
}

PDFERR_API int32_t pdferr_table_open_set(int32_t set, const char* directory, pdferr_table** table,
                                         pdferr_error* err) {
  return open_handle(table, "table", err, [&] {
    return pdferr::TableSet::from_set(set, directory != nullptr ? directory : "");
  });
}

PDFERR_API int32_t pdferr_table_close(pdferr_table* table, pdferr_error* err) {
  return c_call(err, [&] { delete table; });
}

PDFERR_API int32_t pdferr_table_value(const pdferr_table* table, int32_t flavour, double x,
                                      double q, double* value, pdferr_error* err) {
  return c_call(err, [&] {
    require(table, "table");
    require(value, "value");
    *value = table->set.value(flavour, x, q);
  });
}

PDFERR_API int32_t pdferr_table_values(const pdferr_table* table, double x, double q,
                                       double* values, size_t count, pdferr_error* err) {
  return c_call(err, [&] {
    require(table, "table");
    require(values, "values");
    const std::size_t needed = 2 * static_cast<std::size_t>(table->set.MxFlvN0()) + 1;
    if (count < needed) {
      throw std::invalid_argument("values holds " + std::to_string(count) + " of the " +
                                  std::to_string(needed) + " flavours");
    }
    table->set.values(x, q, values);
  });
}

PDFERR_API int32_t pdferr_table_value_points(const pdferr_table* table, int32_t flavour,
                                             const double* x, const double* q, size_t n,
                                             double* values, int32_t outside, pdferr_error* err) {
  return c_call(err, [&] {
    require(table, "table");
    require_points(n, x, q, values);
    table->set.value(flavour, x, q, n, values, outside_domain(outside));
  });
}

PDFERR_API int32_t pdferr_table_value_scan(const pdferr_table* table, int32_t flavour,
                                           const double* x, double q, size_t n, double* values,
                                           int32_t outside, pdferr_error* err) {
  return c_call(err, [&] {
    require(table, "table");
    require_points(n, x, &q, values);
    table->set.value(flavour, x, q, n, values, outside_domain(outside));
  });
}

PDFERR_API int32_t pdferr_table_values_points(const pdferr_table* table, const double* x,
                                              const double* q, size_t n, double* values,
                                              size_t count, int32_t outside, pdferr_error* err) {
  return c_call(err, [&] {
    require(table, "table");
    require_points(n, x, q, values);
    require_room(table->set, n, count);
    table->set.values(x, q, n, values, outside_domain(outside));
  });
}

PDFERR_API int32_t pdferr_table_values_scan(const pdferr_table* table, const double* x, double q,
                                            size_t n, double* values, size_t count, int32_t outside,
                                            pdferr_error* err) {
  return c_call(err, [&] {
    require(table, "table");
    require_points(n, x, &q, values);
    require_room(table->set, n, count);
    table->set.values(x, q, n, values, outside_domain(outside));
  });
}

PDFERR_API int32_t pdferr_table_get_info(const pdferr_table* table, pdferr_table_info* info,
                                         pdferr_error* err) {
  return c_call(err, [&] {
    require(table, "table");
    require(info, "info");
    const pdferr::TableSet& s = table->set;
    pdferr_table_info i{};
    i.nx = s.nx();
    i.nt = s.nt();
    i.MxFlvN0 = s.MxFlvN0();
    i.mxval = s.mxval();
    i.alambda = s.alambda();
    const auto masses = s.masses();
    for (std::size_t k = 0; k < 6; ++k) i.mass[k] = masses[k];
    i.qcdr1 = s.qcdr1();
    i.qcdr2 = s.qcdr2();
    i.qcdi1 = s.qcdi1();
    i.qcdi2 = s.qcdi2();
    i.qcdi3 = s.qcdi3();
    i.qini = s.qini();
    i.qmax = s.qmax();
    i.xmin = s.xmin();
    i.x_node_min = s.x_node_min();
    i.x_node_max = s.x_node_max();
    i.q_node_min = s.q_node_min();
    i.q_node_max = s.q_node_max();
    i.x_nodes = s.x_nodes();
    i.t_nodes = s.t_nodes();
    *info = i;
  });
}

}  // extern "C"
