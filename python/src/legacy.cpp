// pdferr.legacy: the process-wide routines, as the legacy callers use them.
// They keep the interpreter (their state is the process's) and may end the
// process; the Python side flushes its own streams before each call, and
// standard output is flushed after it so that lines keep their order.
#include <pybind11/stl.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <tuple>

#include "PELK-2008.h"
#include "ZEMOPdf.h"
#include "bindings.hpp"
#include "error_estimate.h"

namespace pdferr::python {

namespace {

struct FlushAfter {
  ~FlushAfter() { std::fflush(stdout); }
};

std::int32_t int_count(std::int64_t n, const char* name) {
  if (n < 0 || n > INT32_MAX) {
    throw py::value_error(std::string(name) + ": expected 0..2147483647, got " + std::to_string(n));
  }
  return static_cast<std::int32_t>(n);
}

py::array_t<float> square(py::handle a, const char* name) {
  py::array_t<float> m = as_float32(a, name, 2, true);
  if (m.shape(0) != m.shape(1))
    throw py::value_error(std::string(name) + ": expected a square matrix");
  int_count(m.shape(0), name);
  return m;
}

}  // namespace

void register_legacy(py::module_& top) {
  py::module_ m = top.def_submodule("legacy", "The compiled part of pdferr.legacy.");

  m.def("setzemo", [](std::int32_t iset) {
    FlushAfter f;
    setzemo(iset);
  });
  m.def("zemopdf", [](std::int32_t iparton, double x, double q) {
    FlushAfter f;
    return zemopdf(iparton, x, q);
  });
  m.def("pelkini", [](std::int32_t iset) {
    FlushAfter f;
    pelkini(iset);
  });
  m.def("pelkfit", [](double x, double q2) {
    FlushAfter f;
    std::array<double, 6> d{};
    pelkfit(x, q2, d[0], d[1], d[2], d[3], d[4], d[5]);
    return py::make_tuple(d[0], d[1], d[2], d[3], d[4], d[5]);
  });
  m.def("ranmar", [](std::int64_t n) {
    FlushAfter f;
    py::array_t<float> out(static_cast<py::ssize_t>(int_count(n, "n")));
    ranmar(out.mutable_data(), int_count(n, "n"));
    return out;
  });
  m.def(
      "rmarin",
      [](std::int32_t seed, std::int32_t count, std::int32_t nblocks) {
        FlushAfter f;
        rmarin(seed, count, nblocks);
      },
      py::arg("seed"), py::arg("count") = 0, py::arg("nblocks") = 0);
  m.def("rmarut", []() {
    std::int32_t seed = 0, count = 0, nblocks = 0;
    rmarut(seed, count, nblocks);
    return std::make_tuple(seed, count, nblocks);
  });
  m.def("gaudev", [](std::int64_t n) {
    FlushAfter f;
    py::array_t<float> out(static_cast<py::ssize_t>(int_count(n, "n")));
    gaudev(out.mutable_data(), int_count(n, "n"));
    return out;
  });
  m.def("corset", [](py::handle cov) {
    FlushAfter f;
    py::array_t<float> in = square(cov, "cov");
    const auto n = static_cast<std::int32_t>(in.shape(0));
    py::module_ np = py::module_::import("numpy");
    py::array_t<float> c =
        np.attr("zeros")(py::make_tuple(n, n), np.attr("float32"), py::arg("order") = "F");
    corset(in.data(), c.mutable_data(), n);
    return np.attr("ascontiguousarray")(c);
  });
  m.def("mvndev", [](py::handle c) {
    FlushAfter f;
    py::array_t<float> factor = square(c, "c");
    const auto n = static_cast<std::int32_t>(factor.shape(0));
    // Zeros where mvndev refuses the order and writes nothing.
    py::array_t<float> x = py::module_::import("numpy").attr("zeros")(n, "float32");
    mvndev(factor.data(), x.mutable_data(), n);
    return x;
  });
}

}  // namespace pdferr::python
