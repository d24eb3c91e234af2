// pdferr.TableSet and pdferr.GridMember: loaded files as values, evaluated
// on numpy arrays without the interpreter.
#include <pybind11/stl.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <string>

#include "bindings.hpp"
#include "docs.hpp"
#include "pdferr/grid_member.hpp"
#include "pdferr/table_set.hpp"

namespace pdferr::python {

namespace {

// A loaded file, and its absolute path for pickling (the object pickles as
// that path and loads the file again when unpickled).
template <typename Value>
struct Loaded {
  Value loaded;
  std::string absolute;
  bool ready = true;  // false in zeroed memory that no constructor ran on

  const Value& value() const {
    if (!ready) made_without_init(std::is_same_v<Value, TableSet> ? "TableSet" : "GridMember");
    return loaded;
  }
  static void* operator new(std::size_t size) { return zeroed(size); }
  static void operator delete(void* p) { ::operator delete(p); }
};

std::string absolute_path(const std::string& path) {
  return py::module_::import("os").attr("path").attr("abspath")(path).cast<std::string>();
}

std::string path_text(py::handle path) {
  py::module_ os = py::module_::import("os");
  return os.attr("fsdecode")(os.attr("fspath")(path)).cast<std::string>();
}

// The path of a pickled state (path,).
py::handle pickled_path(const py::tuple& state) {
  if (state.size() != 1 ||
      !(py::isinstance<py::str>(state[0]) || py::isinstance<py::bytes>(state[0]))) {
    throw py::value_error("expected the state (path,) that pickling gives");
  }
  return state[0];
}

// A set or member number; a bool is refused, as is anything not an integer.
bool is_number(py::handle obj) {
  return py::isinstance<py::int_>(obj) && !py::isinstance<py::bool_>(obj);
}

std::int32_t number_of(py::handle obj) {
  int overflow = 0;
  const long long n = PyLong_AsLongLongAndOverflow(obj.ptr(), &overflow);
  if (overflow != 0 || n < INT32_MIN || n > INT32_MAX) {
    const std::string text = py::str(obj).cast<std::string>();
    PyErr_SetString(
        PyExc_OverflowError,
        ("number " + text + " beyond the 32-bit range of set and member numbers").c_str());
    throw py::error_already_set();
  }
  return static_cast<std::int32_t>(n);
}

// A refusal of points[offset..] named by the index of the whole call.
domain_error shifted(const domain_error& e, std::size_t offset) {
  if (e.index() < 0 || offset == 0) return e;
  const std::ptrdiff_t index = e.index() + static_cast<std::ptrdiff_t>(offset);
  std::string what = e.what();
  const std::string prefix = "point " + std::to_string(e.index()) + ": ";
  if (what.rfind(prefix, 0) == 0) {
    what = "point " + std::to_string(index) + ": " + what.substr(prefix.size());
  }
  return domain_error(what, index);
}

// A refusal of a call on one point (scalar arguments) names no index.
domain_error single(const domain_error& e) {
  std::string what = e.what();
  if (what.rfind("point 0: ", 0) == 0) what = what.substr(9);
  return domain_error(what);
}

// Runs compute(), with a refusal of a call on scalars naming no point.
template <typename F>
void evaluate(bool scalar, F compute) {
  try {
    compute();
  } catch (const domain_error& e) {
    if (scalar) throw single(e);
    throw;
  }
}

using Tables = Loaded<TableSet>;
using Grids = Loaded<GridMember>;

Tables* load_table(py::handle path_or_number, py::handle directory) {
  if (is_number(path_or_number)) {
    TableSet set = TableSet::from_set(number_of(path_or_number), path_text(directory));
    return new Tables{set, absolute_path(set.path())};
  }
  TableSet set(path_text(path_or_number));
  return new Tables{set, absolute_path(set.path())};
}

Grids* load_grid(py::handle path_or_member, py::handle directory) {
  if (is_number(path_or_member)) {
    GridMember member = GridMember::from_member(number_of(path_or_member), path_text(directory));
    return new Grids{member, absolute_path(member.path())};
  }
  GridMember member(path_text(path_or_member));
  return new Grids{member, absolute_path(member.path())};
}

py::object table_values(const Tables& self, py::handle flavour, py::handle x, py::handle q,
                        const std::string& errors) {
  const OutsideDomain outside = outside_domain(errors);
  Points p =
      broadcast({flavour, x, q}, {Kind::integer, Kind::real, Kind::real}, {"flavour", "x", "q"});
  py::array_t<double> result = new_result(p.shape);
  const std::int32_t* f = static_cast<const std::int32_t*>(p.arrays[0].data());
  const double* xs = static_cast<const double*>(p.arrays[1].data());
  const double* qs = static_cast<const double*>(p.arrays[2].data());
  double* out = result.mutable_data();
  const bool one_q = p.scalar[2];
  evaluate(p.shape.empty(), [&] {
    py::gil_scoped_release release;
    // One call per run of points of the same flavour.
    for (std::size_t start = 0, end = 0; start < p.size; start = end) {
      for (end = start + 1; end < p.size && f[end] == f[start];) ++end;
      try {
        if (one_q) {
          self.value().value(f[start], xs + start, qs[0], end - start, out + start, outside);
        } else {
          self.value().value(f[start], xs + start, qs + start, end - start, out + start, outside);
        }
      } catch (const domain_error& e) {
        throw shifted(e, start);
      }
    }
  });
  return scalar_or_array(result, p.shape.empty());
}

// The width values of every broadcast point (x, q) from the value type's
// calls on many points, on one Q or on Q paired with each x, without the
// interpreter lock.
template <class Value>
py::array_t<double> values_at(const Value& value, py::ssize_t width, py::handle x, py::handle q,
                              const char* q_name, const std::string& errors) {
  const OutsideDomain outside = outside_domain(errors);
  Points p = broadcast({x, q}, {Kind::real, Kind::real}, {"x", q_name});
  py::array_t<double> result = new_result(p.shape, width);
  const double* xs = static_cast<const double*>(p.arrays[0].data());
  const double* qs = static_cast<const double*>(p.arrays[1].data());
  double* out = result.mutable_data();
  const bool one_q = p.scalar[1];
  if (p.size == 0) return result;  // no Q to read
  evaluate(p.shape.empty(), [&] {
    py::gil_scoped_release release;
    if (one_q) {
      value.values(xs, qs[0], p.size, out, outside);
    } else {
      value.values(xs, qs, p.size, out, outside);
    }
  });
  return result;
}

py::array_t<double> table_all_flavours(const Tables& self, py::handle x, py::handle q,
                                       const std::string& errors) {
  return values_at(self.value(), 2 * self.value().MxFlvN0() + 1, x, q, "q", errors);
}

py::array_t<double> grid_values(const Grids& self, py::handle x, py::handle q2,
                                const std::string& errors) {
  return values_at(self.value(), 6, x, q2, "q2", errors);
}

py::array_t<double> copy_of(const double* data, std::size_t n) {
  py::array_t<double> a(static_cast<py::ssize_t>(n));
  std::copy(data, data + n, a.mutable_data());
  return a;
}

}  // namespace

void register_densities(py::module_& m) {
  py::module_ collections = py::module_::import("collections");
  py::object ranges = collections.attr("namedtuple")("Ranges", "x q");
  m.attr("Ranges") = ranges;
  py::object grid_ranges = collections.attr("namedtuple")("GridRanges", "x q2");
  m.attr("GridRanges") = grid_ranges;

  py::class_<Tables>(m, "TableSet", doc::table_set)
      .def(py::init(&load_table), py::arg("path_or_number"), py::arg("directory") = "")
      .def_static("file_name", &TableSet::file_name, py::arg("number"),
                  "The file name of set ``number`` (\"zemo.00.pds\" for 100).")
      .def("values", &table_values, py::arg("flavour"), py::arg("x"), py::arg("q"), py::kw_only(),
           py::arg("errors") = "raise", doc::table_values)
      .def("all_flavours", &table_all_flavours, py::arg("x"), py::arg("q"), py::kw_only(),
           py::arg("errors") = "raise", doc::all_flavours)
      .def_property_readonly("path", [](const Tables& t) { return t.value().path(); })
      .def_property_readonly("max_flavour", [](const Tables& t) { return t.value().MxFlvN0(); })
      .def_property_readonly("flavours",
                             [](const Tables& t) {
                               py::module_ np = py::module_::import("numpy");
                               const int mx = t.value().MxFlvN0();
                               return np.attr("arange")(-mx, mx + 1, py::arg("dtype") = "int32");
                             })
      .def_property_readonly("alambda", [](const Tables& t) { return t.value().alambda(); })
      .def_property_readonly("masses", [](const Tables& t) { return t.value().masses(); })
      .def_property_readonly(
          "ranges",
          [ranges](const Tables& t) {
            const TableSet& s = t.value();
            return ranges(py::make_tuple(s.x_node_min(), s.x_node_max()),
                          py::make_tuple(s.q_node_min(), s.q_node_max()));
          },
          doc::table_ranges)
      .def_property_readonly("x_nodes",
                             [](const Tables& t) {
                               return copy_of(t.value().x_nodes(),
                                              static_cast<std::size_t>(t.value().nx()) + 1);
                             })
      .def_property_readonly("t_nodes",
                             [](const Tables& t) {
                               return copy_of(t.value().t_nodes(),
                                              static_cast<std::size_t>(t.value().nt()) + 1);
                             })
      .def("__copy__", [](const Tables& t) { return Tables(t); })
      .def("__deepcopy__", [](const Tables& t, py::handle) { return Tables(t); })
      .def("__repr__",
           [](const Tables& t) {
             return "TableSet(" + py::repr(py::str(t.value().path())).cast<std::string>() + ")";
           })
      .def(py::pickle(
          [](const Tables& t) {
            t.value();
            return py::make_tuple(t.absolute);
          },
          [](const py::tuple& state) { return load_table(pickled_path(state), py::str(".")); }));

  py::class_<Grids>(m, "GridMember", doc::grid_member)
      .def(py::init(&load_grid), py::arg("path_or_member"), py::arg("directory") = "")
      .def_static("file_name", &GridMember::file_name, py::arg("number"),
                  "The file name of member ``number`` (\"pelk-plus-03.grid\" for 3).")
      .def("values", &grid_values, py::arg("x"), py::arg("q2"), py::kw_only(),
           py::arg("errors") = "raise", doc::grid_values)
      .def_property_readonly("path", [](const Grids& g) { return g.value().path(); })
      .def_property_readonly_static(
          "ranges",
          [grid_ranges](py::handle) {
            return grid_ranges(py::make_tuple(GridMember::x_min(), GridMember::x_max()),
                               py::make_tuple(GridMember::q2_min(), GridMember::q2_max()));
          })
      .def_property_readonly_static("x_nodes",
                                    [](py::handle) {
                                      return copy_of(
                                          GridMember::x_nodes(),
                                          static_cast<std::size_t>(GridMember::x_node_count()));
                                    })
      .def_property_readonly_static("q2_nodes",
                                    [](py::handle) {
                                      return copy_of(
                                          GridMember::q2_nodes(),
                                          static_cast<std::size_t>(GridMember::q2_node_count()));
                                    })
      .def("__copy__", [](const Grids& g) { return Grids(g); })
      .def("__deepcopy__", [](const Grids& g, py::handle) { return Grids(g); })
      .def("__repr__",
           [](const Grids& g) {
             return "GridMember(" + py::repr(py::str(g.value().path())).cast<std::string>() + ")";
           })
      .def(py::pickle(
          [](const Grids& g) {
            g.value();
            return py::make_tuple(g.absolute);
          },
          [](const py::tuple& state) { return load_grid(pickled_path(state), py::str(".")); }));
}

}  // namespace pdferr::python
