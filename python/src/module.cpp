// The compiled part of the Python package pdferr.  The exceptions of the
// libraries become those of pdferr._errors: file_error a FileError (an
// OSError with the file, line, field and reason), domain_error a
// DomainError (a ValueError with the index of the first bad point);
// std::invalid_argument is a ValueError, as pybind11 makes it.
#include <exception>
#include "bindings.hpp"
#include "pdferr/version.h"

namespace py = pybind11;

PYBIND11_MODULE(_pdferr, m) {
  py::options options;
  options.disable_function_signatures();  // the docstrings give them
  m.doc() = "The compiled part of pdferr; use the package pdferr.";
  m.attr("version") = pdferr::version();

  // Held for the life of the process.
  py::module_ errors = py::module_::import("pdferr._errors");
  static PyObject* file_error = py::object(errors.attr("FileError")).release().ptr();
  static PyObject* domain_error = py::object(errors.attr("DomainError")).release().ptr();
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const pdferr::file_error& e) {
      py::object error = py::reinterpret_borrow<py::object>(file_error)(
          e.what(), e.file(), e.line(), e.field(), e.reason());
      PyErr_SetObject(file_error, error.ptr());
    } catch (const pdferr::domain_error& e) {
      py::object error =
          py::reinterpret_borrow<py::object>(domain_error)(e.what(), static_cast<long>(e.index()));
      PyErr_SetObject(domain_error, error.ptr());
    }
  });

  pdferr::python::register_sampling(m);
  pdferr::python::register_densities(m);
  pdferr::python::register_uncertainty(m);
  pdferr::python::register_legacy(m);
}
