// pdferr.Generator and pdferr.cholesky.
#include <pybind11/stl.h>

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "bindings.hpp"
#include "docs.hpp"
#include "pdferr/generator.hpp"

namespace pdferr::python {

namespace {

// A generator shared by Python threads: the draws run without the
// interpreter, so each object has its own lock.
struct PyGenerator {
  Generator generator;
  std::mutex lock;
  bool ready = true;  // false in zeroed memory that no constructor ran on

  explicit PyGenerator(std::int32_t seed, std::int64_t position) : generator(seed, position) {}
  Generator& g() {
    if (!ready) made_without_init("Generator");
    return generator;
  }
  static void* operator new(std::size_t size) { return zeroed(size); }
  static void operator delete(void* p) { ::operator delete(p); }
};

std::size_t count_of(std::int64_t n) {
  if (n < 0) throw py::value_error("n: expected a count >= 0, got " + std::to_string(n));
  return static_cast<std::size_t>(n);
}

// Runs draw(g) on the generator without the interpreter.
template <typename Draw>
void locked(PyGenerator& self, Draw draw) {
  Generator& g = self.g();
  py::gil_scoped_release release;
  std::lock_guard<std::mutex> hold(self.lock);
  draw(g);
}

}  // namespace

void register_sampling(py::module_& m) {
  py::class_<PyGenerator>(m, "Generator", doc::generator)
      .def(py::init([](std::int64_t seed, std::int64_t position) {
             Generator::check_seed(seed);  // std::invalid_argument: ValueError
             return new PyGenerator(static_cast<std::int32_t>(seed), position);
           }),
           py::arg("seed") = Generator::default_seed, py::arg("position") = 0)
      .def_property_readonly(
          "seed",
          [](PyGenerator& self) {
            std::lock_guard<std::mutex> hold(self.lock);
            return self.g().seed();
          },
          doc::seed)
      .def_property(
          "position",
          [](PyGenerator& self) {
            std::lock_guard<std::mutex> hold(self.lock);
            return self.g().position();
          },
          [](PyGenerator& self, std::int64_t position) {
            std::lock_guard<std::mutex> hold(self.lock);
            self.g() = Generator(self.g().seed(), position);
          },
          doc::position)
      .def(
          "jump",
          [](PyGenerator& self, std::int64_t n) {
            std::lock_guard<std::mutex> hold(self.lock);
            self.g().jump(n);
          },
          py::arg("n"), doc::jump)
      .def(
          "uniform",
          [](PyGenerator& self, std::int64_t n) {
            py::array_t<float> out(static_cast<py::ssize_t>(count_of(n)));
            float* data = out.mutable_data();
            locked(self, [&](Generator& g) { g.uniform(data, static_cast<std::size_t>(n)); });
            return out;
          },
          py::arg("n"), doc::uniform)
      .def(
          "normal",
          [](PyGenerator& self, std::int64_t n) {
            py::array_t<float> out(static_cast<py::ssize_t>(count_of(n)));
            float* data = out.mutable_data();
            locked(self, [&](Generator& g) { g.normal(data, static_cast<std::size_t>(n)); });
            return out;
          },
          py::arg("n"), doc::normal)
      .def(
          "correlated",
          [](PyGenerator& self, py::handle cov, std::int64_t n) {
            py::array_t<float> c = as_float32(cov, "cov", 2, true);
            const py::ssize_t np_ = c.shape(0);
            if (c.shape(1) != np_) {
              throw py::value_error("cov: expected a square matrix, got shape (" +
                                    std::to_string(np_) + ", " + std::to_string(c.shape(1)) + ")");
            }
            py::array_t<float> out({static_cast<py::ssize_t>(count_of(n)), np_});
            float* data = out.mutable_data();
            const float* cov_data = c.data();
            const std::size_t order = static_cast<std::size_t>(np_);
            locked(self, [&](Generator& g) {
              const std::vector<float> factor = cholesky(cov_data, order);
              g.correlated(factor.data(), order, static_cast<std::size_t>(n), data);
            });
            return out;
          },
          py::arg("cov"), py::arg("n"), doc::correlated)
      .def("__repr__",
           [](PyGenerator& self) {
             std::lock_guard<std::mutex> hold(self.lock);
             return "Generator(seed=" + std::to_string(self.g().seed()) +
                    ", position=" + std::to_string(self.g().position()) + ")";
           })
      .def(py::pickle(
          [](PyGenerator& self) {
            std::lock_guard<std::mutex> hold(self.lock);
            return py::make_tuple(self.g().seed(), self.g().position());
          },
          [](const py::tuple& state) {
            if (state.size() != 2 || !py::isinstance<py::int_>(state[0]) ||
                !py::isinstance<py::int_>(state[1])) {
              throw py::value_error("Generator: expected (seed, position), two integers");
            }
            std::int64_t seed = 0, position = 0;
            try {
              seed = state[0].cast<std::int64_t>();
              position = state[1].cast<std::int64_t>();
            } catch (const py::cast_error&) {
              throw py::value_error("Generator: seed or position beyond 64 bits");
            }
            Generator::check_seed(seed);
            return new PyGenerator(static_cast<std::int32_t>(seed), position);
          }));

  m.def(
      "cholesky",
      [](py::handle cov) -> py::object {
        py::array_t<float> c = as_float32(cov, "cov", 2, true);
        const py::ssize_t n = c.shape(0);
        if (c.shape(1) != n) throw py::value_error("cov: expected a square matrix");
        // Zeros above the diagonal; the factor fills the rest.
        py::module_ np = py::module_::import("numpy");
        py::array_t<float> factor =
            np.attr("zeros")(py::make_tuple(n, n), np.attr("float32"), py::arg("order") = "F");
        const float* in = c.data();
        float* out = factor.mutable_data();
        {
          py::gil_scoped_release release;
          cholesky(in, static_cast<std::size_t>(n), out);
        }
        return np.attr("ascontiguousarray")(factor);
      },
      py::arg("cov"), doc::cholesky);
}

}  // namespace pdferr::python
