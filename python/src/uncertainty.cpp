// pdferr.uncertainty: the error-set formulas on arrays.  The Python side
// (uncertainty.py) moves the member axis into place; here the values come
// as C-contiguous float64 arrays.
#include <pybind11/stl.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "bindings.hpp"
#include "pdferr/band.hpp"
#include "pdferr/generator.hpp"
#include "pdferr/uncertainty.hpp"

namespace pdferr::python {

namespace {

namespace unc = pdferr::uncertainty;

using Doubles = py::array_t<double, py::array::c_style | py::array::forcecast>;

// float64 arrays as they are, strides and all (quantiles select along any axis).
using StridedDoubles = py::array_t<double, py::array::forcecast>;

// The shape and strides (in doubles) of values (members, points).
struct Layout {
  std::size_t n, points;
  std::ptrdiff_t member_stride, point_stride;
};

Layout layout(const StridedDoubles& v) {
  if (v.ndim() != 2) throw py::value_error("values: expected 2 dimensions");
  constexpr auto size = static_cast<py::ssize_t>(sizeof(double));
  if (v.strides(0) % size != 0 || v.strides(1) % size != 0) {
    throw py::value_error("values: strides are not whole doubles");
  }
  return Layout{static_cast<std::size_t>(v.shape(0)), static_cast<std::size_t>(v.shape(1)),
                v.strides(0) / size, v.strides(1) / size};
}

// A str or os.PathLike as the file name it stands for.
std::string file_text(py::handle path) {
  py::module_ os = py::module_::import("os");
  return os.attr("fsdecode")(os.attr("fspath")(path)).cast<std::string>();
}

unc::OnBadValue on_bad(const std::string& errors) {
  return outside_domain(errors) == OutsideDomain::nan ? unc::OnBadValue::nan
                                                      : unc::OnBadValue::error;
}

void check_2d(const Doubles& a, const char* name) {
  if (a.ndim() != 2) throw py::value_error(std::string(name) + ": expected 2 dimensions");
}

// f(row) for each row of v (rows, n) into out[row]; a refused row is NaN
// with errors="nan", and names its point otherwise.
template <typename F>
py::array_t<double> per_row(const Doubles& v, const std::string& errors, F f) {
  check_2d(v, "values");
  const bool nan = on_bad(errors) == unc::OnBadValue::nan;
  const auto rows = static_cast<std::size_t>(v.shape(0));
  const auto n = static_cast<std::size_t>(v.shape(1));
  py::array_t<double> out(static_cast<py::ssize_t>(rows));
  const double* in = v.data();
  double* o = out.mutable_data();
  py::gil_scoped_release release;
  for (std::size_t r = 0; r < rows; ++r) {
    try {
      o[r] = f(in + r * n, n);
    } catch (const domain_error& e) {
      if (!nan) {
        throw domain_error("point " + std::to_string(r) + ": " + e.what(),
                           static_cast<std::ptrdiff_t>(r));
      }
      o[r] = std::numeric_limits<double>::quiet_NaN();
    }
  }
  return out;
}

std::string repr_of(py::handle h) { return py::repr(h).cast<std::string>(); }

std::string confidence_repr(const unc::Confidence& c) {
  return std::string(c.in_sigmas() ? "Confidence.sigmas(" : "Confidence.central(") +
         repr_of(py::float_(c.value())) + ")";
}

// <MemberSet: Hessian, 4 pairs and a central member, grid members, Confidence.central(0.9)>
std::string member_set_repr(const unc::MemberSet& s) {
  const bool hessian = s.kind() == unc::MemberSet::Kind::hessian;
  std::string out = "<MemberSet: " + std::string(hessian ? "Hessian, " : "replicas, ") +
                    std::to_string(hessian ? s.pairs() : s.replicas()) +
                    (hessian ? " pairs" : " replicas") +
                    (s.has_central() ? " and a central member" : "") + ", " +
                    (s.source() == unc::MemberSet::Source::table ? "table sets" : "grid members");
  if (s.source() == unc::MemberSet::Source::table) out += " in " + repr_of(py::str(s.directory()));
  return out + ", " + confidence_repr(s.confidence()) + ">";
}

// <Moments: width 3, draws 0..1000, with correlations>
std::string moments_repr(const unc::Moments& m) {
  return "<Moments: width " + std::to_string(m.width()) + ", draws " + std::to_string(m.first()) +
         ".." + std::to_string(m.end()) + (m.correlations() ? ", with correlations>" : ">");
}

}  // namespace

void register_uncertainty(py::module_& top) {
  py::module_ m = top.def_submodule("uncertainty", "The compiled part of pdferr.uncertainty.");

  py::class_<unc::Confidence>(m, "Confidence",
                              R"(A confidence level: Confidence.central(p), a central probability
(0 < p < 1), or Confidence.sigmas(n), n standard deviations (n > 0).
)")
      .def_static("central", &unc::Confidence::central, py::arg("p"),
                  "central(p) -> Confidence: the central probability p (0.9 for 90%).")
      .def_static("sigmas", &unc::Confidence::sigmas, py::arg("n"),
                  "sigmas(n) -> Confidence: n standard deviations of a normal distribution.")
      .def_property_readonly("in_sigmas", &unc::Confidence::in_sigmas)
      .def_property_readonly("value", &unc::Confidence::value)
      .def_property_readonly("probability", &unc::Confidence::probability,
                             "The central probability: p, or erf(n / sqrt(2)).")
      .def_property_readonly(
          "z", &unc::Confidence::z,
          "The half-width in standard deviations: n, or the normal quantile at (1 + p) / 2.")
      .def("__repr__", &confidence_repr);

  m.def(
      "normal_quantile",
      [](py::handle p, const std::string& errors) {
        const unc::OnBadValue bad = on_bad(errors);
        Points points = broadcast({p}, {Kind::real}, {"p"});
        py::array_t<double> result = new_result(points.shape);
        const double* in = static_cast<const double*>(points.arrays[0].data());
        double* out = result.mutable_data();
        const bool scalar = points.shape.empty();
        for (std::size_t i = 0; i < points.size; ++i) {
          try {
            out[i] = unc::normal_quantile(in[i]);
          } catch (const domain_error& e) {
            if (bad == unc::OnBadValue::nan) {
              out[i] = std::numeric_limits<double>::quiet_NaN();
            } else if (scalar) {
              throw;
            } else {
              throw domain_error("point " + std::to_string(i) + ": " + e.what(),
                                 static_cast<std::ptrdiff_t>(i));
            }
          }
        }
        return scalar_or_array(result, scalar);
      },
      py::arg("p"), py::kw_only(), py::arg("errors") = "raise",
      "normal_quantile(p, *, errors=\"raise\") -> float or array: z with Phi(z) = p at each p\n"
      "in [0, 1] (arrays broadcast); DomainError outside, or NaN there with errors=\"nan\".");
  m.def("rescale_factor", &unc::rescale_factor, py::arg("source"), py::arg("target"),
        "rescale_factor(source, target) -> float: source.z / target.z; an error at source divided\n"
        "by it is the error at target (90% to 1 sigma: 1.6448536269514715).");

  // values (2K + 1, points) -> (points, 3): symmetric, plus, minus.
  m.def("_hessian", [](const Doubles& values, const std::string& errors) {
    check_2d(values, "values");
    const auto members = static_cast<std::size_t>(values.shape(0));
    if (members % 2 != 1) {
      throw py::value_error("values: expected 2 K + 1 members (central, then pairs), got " +
                            std::to_string(members));
    }
    const auto points = static_cast<std::size_t>(values.shape(1));
    py::array_t<double> out({static_cast<py::ssize_t>(points), py::ssize_t{3}});
    static_assert(sizeof(unc::HessianErrors) == 3 * sizeof(double));
    auto* o = reinterpret_cast<unc::HessianErrors*>(out.mutable_data());
    const double* in = values.data();
    const unc::OnBadValue bad = on_bad(errors);
    py::gil_scoped_release release;
    unc::hessian(in, members / 2, points, o, bad);
    return out;
  });
  m.def("_hessian_correlation", [](const Doubles& x, const Doubles& y) {
    if (x.ndim() != 1 || y.ndim() != 1 || x.size() != y.size() || x.size() % 2 != 1) {
      throw py::value_error("x, y: expected the same 2 K + 1 members each");
    }
    return unc::hessian_correlation(x.data(), y.data(), static_cast<std::size_t>(x.size() / 2));
  });

  // values (points, n) -> (points,).
  m.def("_mean", [](const Doubles& v, const std::string& errors) {
    return per_row(v, errors, [](const double* r, std::size_t n) { return unc::mean(r, n); });
  });
  m.def("_standard_deviation", [](const Doubles& v, const std::string& errors) {
    return per_row(v, errors,
                   [](const double* r, std::size_t n) { return unc::standard_deviation(r, n); });
  });
  // values (members, points) in any layout -> (points,) or (points, 2).
  m.def("_quantile", [](const StridedDoubles& v, double p, const std::string& errors) {
    const Layout l = layout(v);
    py::array_t<double> out(static_cast<py::ssize_t>(l.points));
    double* o = out.mutable_data();
    const unc::OnBadValue bad = on_bad(errors);
    py::gil_scoped_release release;
    unc::quantile(v.data(), l.n, l.points, l.member_stride, l.point_stride, p, o, bad);
    return out;
  });
  m.def("_interval", [](const StridedDoubles& v, const unc::Confidence& c,
                        const std::string& errors) {
    const Layout l = layout(v);
    py::array_t<double> out({static_cast<py::ssize_t>(l.points), py::ssize_t{2}});
    static_assert(sizeof(unc::Interval) == 2 * sizeof(double));
    auto* o = reinterpret_cast<unc::Interval*>(out.mutable_data());
    const unc::OnBadValue bad = on_bad(errors);
    py::gil_scoped_release release;
    unc::central_interval(v.data(), l.n, l.points, l.member_stride, l.point_stride, c, o, bad);
    return out;
  });
  m.def("_correlation", [](const Doubles& x, const Doubles& y) {
    if (x.ndim() != 1 || y.ndim() != 1 || x.size() != y.size()) {
      throw py::value_error("x, y: expected two 1-dimensional arrays of the same length");
    }
    return unc::correlation(x.data(), y.data(), static_cast<std::size_t>(x.size()));
  });

  // central (points,), variations (n, points), the covariance (n, n) ->
  // (points, 4): mean, standard deviation, low, high; the
  // command's Monte Carlo band, bit for bit.
  using Floats = py::array_t<float, py::array::c_style | py::array::forcecast>;
  m.def(
      "_monte_carlo_band",
      [](const Doubles& central, const Doubles& variations, const Floats& cov, std::int64_t seed,
         std::int64_t position, std::uint64_t draws, double probability) {
        check_2d(variations, "variations");
        const auto points = static_cast<std::size_t>(central.size());
        const auto n = static_cast<std::size_t>(variations.shape(0));
        if (central.ndim() != 1 || static_cast<std::size_t>(variations.shape(1)) != points) {
          throw py::value_error("central, variations: expected (points,) and (n, points)");
        }
        if (cov.ndim() != 2 || static_cast<std::size_t>(cov.shape(0)) != n ||
            static_cast<std::size_t>(cov.shape(1)) != n) {
          throw py::value_error("cov: expected (n, n) for n = " + std::to_string(n));
        }
        pdferr::Generator::check_seed(seed);
        const std::vector<float> factor = pdferr::cholesky(cov.data(), n);
        const unc::MonteCarlo mc(central.data(), variations.data(), n, points, factor.data(),
                                 static_cast<std::int32_t>(seed), position, draws);
        py::array_t<double> out({static_cast<py::ssize_t>(points), py::ssize_t{4}});
        double* o = out.mutable_data();
        unc::McColumns c;
        {
          py::gil_scoped_release release;
          c = mc.run(probability);
        }
        for (std::size_t p = 0; p < points; ++p) {
          for (const double v : {c.mean[p], c.sd[p], c.low[p], c.high[p]}) *o++ = v;
        }
        return out;
      },
      py::arg("central"), py::arg("variations"), py::arg("cov"),
      py::arg("seed") = pdferr::Generator::default_seed, py::arg("position") = 0,
      py::arg("draws") = 10000, py::arg("probability"));

  py::class_<unc::Moments>(m, "Moments",
                           R"(Moments(width=1, *, correlations=False, first=0, errors="raise")

The moments of `width` quantities over consecutive draws, summed in a
fixed order that depends only on the draw numbers (blocks of 256 draws
combined along a fixed binary tree), so that partial results of a run
split over threads or processes merge into the bytes of one pass.
add(rows) takes rows of shape (draws, width); merge(next) appends a
partial result that starts where this one ends; save() and
Moments.load(data) carry one as bytes.  With correlations=True,
covariance(j, k) and correlation(j, k) are kept too.
)")
      .def(py::init([](std::size_t width, bool correlations, std::uint64_t first,
                       const std::string& errors) {
             unc::MomentsOptions o;
             o.correlations = correlations;
             o.first = first;
             o.on_bad = on_bad(errors);
             return unc::Moments(width, o);
           }),
           py::arg("width") = 1, py::kw_only(), py::arg("correlations") = false,
           py::arg("first") = 0, py::arg("errors") = "raise")
      .def(
          "add",
          [](unc::Moments& self, const Doubles& rows) {
            const auto w = static_cast<py::ssize_t>(self.width());
            const bool flat = rows.ndim() == 1 && w == 1;
            if (!flat && (rows.ndim() != 2 || rows.shape(1) != w)) {
              throw py::value_error("rows: expected shape (draws, " + std::to_string(w) + ")");
            }
            const auto draws = static_cast<std::size_t>(rows.shape(0));
            // With the interpreter held: a Moments has no lock of its own, and
            // two threads adding to one would race.
            self.add(rows.data(), draws);
          },
          py::arg("rows"))
      .def("merge", &unc::Moments::merge, py::arg("next"))
      .def_property_readonly("width", &unc::Moments::width)
      .def_property_readonly("correlations", &unc::Moments::correlations)
      .def_property_readonly("first", &unc::Moments::first)
      .def_property_readonly("end", &unc::Moments::end)
      .def_property_readonly("count", &unc::Moments::count)
      .def("mean", &unc::Moments::mean, py::arg("j") = 0)
      .def("variance", &unc::Moments::variance, py::arg("j") = 0)
      .def("standard_deviation", &unc::Moments::standard_deviation, py::arg("j") = 0)
      .def("covariance", &unc::Moments::covariance, py::arg("j"), py::arg("k"))
      .def("correlation", &unc::Moments::correlation, py::arg("j"), py::arg("k"))
      .def("save",
           [](const unc::Moments& self) {
             const std::vector<unsigned char> b = self.save();
             return py::bytes(reinterpret_cast<const char*>(b.data()), b.size());
           })
      .def_static(
          "load",
          [](const py::bytes& b, const std::string& errors) {
            const std::string s = b;
            return unc::Moments::load(s.data(), s.size(), on_bad(errors));
          },
          py::arg("data"), py::kw_only(), py::arg("errors") = "raise")
      .def("__repr__", &moments_repr);

  py::class_<unc::MemberSet>(m, "MemberSet", R"(A member-set description (see docs/uncertainty.md):
MemberSet.load(name), MemberSet.read(path) or MemberSet.parse(text).
load takes a name found in the folders of PDFERR_DATA_PATH, then in the
working folder ("mysets" for mysets.members), or a path holding a slash.
members lists the members in member order, numbers (found in directory)
or paths; a file that cannot be read or parsed raises FileError.
)")
      .def_static(
          "load", [](py::handle name) { return unc::MemberSet::load(file_text(name)); },
          py::arg("name"))
      .def_static(
          "read", [](py::handle path) { return unc::MemberSet::read(file_text(path)); },
          py::arg("path"))
      .def_static(
          "parse",
          [](const std::string& text, const std::string& name, const std::string& base) {
            return unc::MemberSet::parse(text, name, base);
          },
          py::arg("text"), py::arg("name") = "<text>", py::arg("base_directory") = ".")
      .def_property_readonly("kind",
                             [](const unc::MemberSet& s) {
                               return s.kind() == unc::MemberSet::Kind::hessian ? "hessian"
                                                                                : "replicas";
                             })
      .def_property_readonly("source",
                             [](const unc::MemberSet& s) {
                               return s.source() == unc::MemberSet::Source::table ? "table"
                                                                                  : "grid";
                             })
      .def_property_readonly("directory", &unc::MemberSet::directory)
      .def_property_readonly("confidence", &unc::MemberSet::confidence)
      .def_property_readonly("has_central", &unc::MemberSet::has_central)
      .def_property_readonly("pairs", &unc::MemberSet::pairs)
      .def_property_readonly("replicas", &unc::MemberSet::replicas)
      .def("__len__", &unc::MemberSet::size)
      .def("__repr__", &member_set_repr)
      .def_property_readonly("members", [](const unc::MemberSet& s) {
        py::list out;
        for (std::size_t i = 0; i < s.size(); ++i) {
          const unc::Member& member = s.member(i);
          if (member.numbered()) {
            out.append(member.number);
          } else {
            out.append(member.path);
          }
        }
        return out;
      });
}

}  // namespace pdferr::python
