// The pieces of the module pdferr._pdferr: one registration function per
// part, and the conversions of array arguments they share.
//
// Every call on arrays converts its arguments with the interpreter held,
// computes into arrays it owns with the interpreter released, and lets the
// exceptions of the libraries reach Python through the translator of
// module.cpp (FileError, DomainError, ValueError).
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "pdferr/errors.hpp"

namespace pdferr::python {

// Python can make an object without __init__ (cls.__new__(cls), as
// unpickling does); the binding then finds memory that no constructor ran
// on.  The types bound here allocate it zeroed (pybind11 takes a class's own
// operator new), so that a flag which every constructor sets tells such an
// object apart, and it is refused with TypeError instead of read.
inline void* zeroed(std::size_t size) {
  void* p = ::operator new(size);
  std::memset(p, 0, size);
  return p;
}
[[noreturn]] inline void made_without_init(const char* type) {
  throw pybind11::type_error(std::string("this ") + type +
                             " was made without __init__: create it as pdferr." + type + "(...)");
}

namespace py = pybind11;

void register_sampling(py::module_& m);
void register_densities(py::module_& m);
void register_uncertainty(py::module_& m);
void register_legacy(py::module_& m);

// The arguments of a call on points, broadcast together as numpy does and
// copied into contiguous arrays; shape is the broadcast shape.
struct Points {
  std::vector<py::ssize_t> shape;
  std::size_t size = 0;
  std::vector<py::array> arrays;  // C-contiguous, one per argument, of that shape
  std::vector<bool> scalar;       // whether the argument held a single value
};

// Converts real arguments to float64 (any integer or floating dtype; a
// boolean, complex or other dtype is a TypeError naming the argument) and
// integer ones to int32 (a value beyond int32 becomes INT32_MAX, which no
// evaluation accepts), and broadcasts them.
enum class Kind { real, integer };
Points broadcast(const std::vector<py::handle>& args, const std::vector<Kind>& kinds,
                 const std::vector<const char*>& names);

// float32 arrays of exactly `dims` dimensions, column-major when fortran.
py::array_t<float> as_float32(py::handle obj, const char* name, int dims, bool fortran = false);

// "raise" or "nan".
OutsideDomain outside_domain(const std::string& errors);

// A new float64 array of the shape, plus a trailing axis of `extra` when
// extra is not 0.
py::array_t<double> new_result(const std::vector<py::ssize_t>& shape, py::ssize_t extra = 0);

// The result of a call on points: a float for a call on scalars, else the array.
py::object scalar_or_array(const py::array_t<double>& result, bool scalar);

}  // namespace pdferr::python
