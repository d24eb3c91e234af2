// The C interface of pdferr::GridMember: each call runs through c_call,
// which turns an exception into a status code and the caller's error
// record.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/c_status.hpp"
#include "pdferr/grid_member.hpp"
#include "pdferr/grids.h"

struct pdferr_grid {
  pdferr::GridMember member;
};

namespace {

using pdferr::common::c_call;
using pdferr::common::open_handle;
using pdferr::common::outside_domain;
using pdferr::common::require;
using pdferr::common::require_points;

}  // namespace

extern "C" {

PDFERR_API int32_t pdferr_grid_open(const char* path, pdferr_grid** grid, pdferr_error* err) {
  return open_handle(grid, "grid", err, [&] {
    require(path, "path");
    return pdferr::GridMember(path);
  });
}

PDFERR_API int32_t pdferr_grid_open_member(int32_t member, const char* directory,
                                           pdferr_grid** grid, pdferr_error* err) {
  return open_handle(grid, "grid", err, [&] {
    return pdferr::GridMember::from_member(member, directory != nullptr ? directory : "");
  });
}

PDFERR_API int32_t pdferr_grid_close(pdferr_grid* grid, pdferr_error* err) {
  return c_call(err, [&] { delete grid; });
}

PDFERR_API int32_t pdferr_grid_values(const pdferr_grid* grid, double x, double q2,
                                      double values[6], pdferr_error* err) {
  return c_call(err, [&] {
    require(grid, "grid");
    require(values, "values");
    const std::array<double, 6> d = grid->member.values(x, q2);
    for (std::size_t c = 0; c < d.size(); ++c) values[c] = d[c];
  });
}

PDFERR_API int32_t pdferr_grid_values_points(const pdferr_grid* grid, const double* x,
                                             const double* q2, size_t n, double* values,
                                             int32_t outside, pdferr_error* err) {
  return c_call(err, [&] {
    require(grid, "grid");
    require_points(n, x, q2, values);
    grid->member.values(x, q2, n, values, outside_domain(outside));
  });
}

PDFERR_API int32_t pdferr_grid_values_scan(const pdferr_grid* grid, const double* x, double q2,
                                           size_t n, double* values, int32_t outside,
                                           pdferr_error* err) {
  return c_call(err, [&] {
    require(grid, "grid");
    require_points(n, x, &q2, values);
    grid->member.values(x, q2, n, values, outside_domain(outside));
  });
}

PDFERR_API int32_t pdferr_grid_get_info(const pdferr_grid* grid, pdferr_grid_info* info,
                                        pdferr_error* err) {
  return c_call(err, [&] {
    require(grid, "grid");
    require(info, "info");
    using pdferr::GridMember;
    *info = pdferr_grid_info{GridMember::x_min(),        GridMember::x_max(),
                             GridMember::q2_min(),       GridMember::q2_max(),
                             GridMember::x_node_count(), GridMember::q2_node_count(),
                             GridMember::x_nodes(),      GridMember::q2_nodes()};
  });
}

}  // extern "C"
