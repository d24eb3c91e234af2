// Conversions of array arguments: dtypes checked, then broadcast and copied
// into contiguous arrays that the computation reads without the interpreter.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "bindings.hpp"

namespace pdferr::python {

namespace {

std::string dtype_name(const py::array& a) { return py::str(a.dtype()).cast<std::string>(); }

// The argument as an array whose dtype kind is one of `kinds` ('i', 'u', 'f').
py::array checked_array(py::handle obj, const char* name, const std::string& kinds,
                        const char* expected) {
  py::module_ np = py::module_::import("numpy");
  py::array a = np.attr("asarray")(obj);
  const char kind = a.dtype().kind();
  if (kinds.find(kind) == std::string::npos) {
    throw py::type_error(std::string(name) + ": expected " + expected + ", got dtype " +
                         dtype_name(a));
  }
  return a;
}

}  // namespace

Points broadcast(const std::vector<py::handle>& args, const std::vector<Kind>& kinds,
                 const std::vector<const char*>& names) {
  py::module_ np = py::module_::import("numpy");
  constexpr std::int64_t int32_max = std::numeric_limits<std::int32_t>::max();
  constexpr std::int64_t int32_min = std::numeric_limits<std::int32_t>::min();
  Points points;
  std::vector<py::array> converted;
  py::list shapes;
  for (std::size_t i = 0; i < args.size(); ++i) {
    py::array a = kinds[i] == Kind::real ? checked_array(args[i], names[i], "iuf", "real numbers")
                                         : checked_array(args[i], names[i], "iu", "integers");
    if (kinds[i] == Kind::integer) {
      // Values beyond int32 would wrap in a plain cast: they become one
      // that is out of every range instead.
      py::object in_range =
          np.attr("logical_and")(a.attr("__ge__")(int32_min), a.attr("__le__")(int32_max));
      a = np.attr("where")(in_range, a, int32_max);
    }
    points.scalar.push_back(a.size() == 1);
    shapes.append(a.attr("shape"));
    converted.push_back(a);
  }
  py::tuple shape = np.attr("broadcast_shapes")(*shapes);
  for (py::handle d : shape) points.shape.push_back(d.cast<py::ssize_t>());
  points.size = 1;
  for (py::ssize_t d : points.shape) points.size *= static_cast<std::size_t>(d);
  for (std::size_t i = 0; i < converted.size(); ++i) {
    py::object dtype = kinds[i] == Kind::real ? np.attr("float64") : np.attr("int32");
    py::object wide = np.attr("broadcast_to")(converted[i], shape);
    points.arrays.push_back(np.attr("ascontiguousarray")(wide, dtype));
  }
  return points;
}

py::array_t<float> as_float32(py::handle obj, const char* name, int dims, bool fortran) {
  py::module_ np = py::module_::import("numpy");
  py::array a = checked_array(obj, name, "iuf", "real numbers");
  if (a.ndim() != dims) {
    throw py::value_error(std::string(name) + ": expected " + std::to_string(dims) +
                          "-dimensional array, got shape " +
                          py::str(a.attr("shape")).cast<std::string>());
  }
  // A private copy: the computation reads it without the interpreter.
  return np.attr("array")(a, np.attr("float32"), py::arg("order") = fortran ? "F" : "C");
}

OutsideDomain outside_domain(const std::string& errors) {
  if (errors == "raise") return OutsideDomain::refuse;
  if (errors == "nan") return OutsideDomain::nan;
  throw py::value_error("errors: expected 'raise' or 'nan', got '" + errors + "'");
}

py::array_t<double> new_result(const std::vector<py::ssize_t>& shape, py::ssize_t extra) {
  std::vector<py::ssize_t> full = shape;
  if (extra != 0) full.push_back(extra);
  return py::array_t<double>(full);
}

py::object scalar_or_array(const py::array_t<double>& result, bool scalar) {
  if (scalar) return py::float_(*result.data());
  return result;
}

}  // namespace pdferr::python
