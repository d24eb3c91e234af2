// The C interface of pdferr::uncertainty: each call runs through c_call,
// which turns an exception into a status code and the caller's error
// record.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/c_status.hpp"
#include "pdferr/band.hpp"
#include "pdferr/generator.hpp"
#include "pdferr/uncertainty.h"
#include "pdferr/uncertainty.hpp"

namespace unc = pdferr::uncertainty;

struct pdferr_moments {
  unc::Moments moments;
};

struct pdferr_member_set {
  unc::MemberSet set;
};

namespace {

using pdferr::common::c_call;
using pdferr::common::require;

unc::Confidence confidence(pdferr_confidence c) {
  if (c.kind == PDFERR_CENTRAL) return unc::Confidence::central(c.value);
  if (c.kind == PDFERR_SIGMAS) return unc::Confidence::sigmas(c.value);
  throw std::invalid_argument("a confidence level is PDFERR_CENTRAL or PDFERR_SIGMAS, not " +
                              std::to_string(c.kind));
}

unc::OnBadValue on_bad_value(std::int32_t on_bad) {
  if (on_bad == PDFERR_ON_BAD_ERROR) return unc::OnBadValue::error;
  if (on_bad == PDFERR_ON_BAD_NAN) return unc::OnBadValue::nan;
  throw std::invalid_argument("on_bad is PDFERR_ON_BAD_ERROR or PDFERR_ON_BAD_NAN, not " +
                              std::to_string(on_bad));
}

// Computes one value and stores it only when the computation succeeded.
template <class Compute>
std::int32_t one_value(double* out, pdferr_error* err, Compute compute) {
  return c_call(err, [&] {
    require(out, "the output");
    const double v = compute();
    *out = v;
  });
}

}  // namespace

extern "C" {

PDFERR_API int32_t pdferr_normal_quantile(double p, double* z, pdferr_error* err) {
  return one_value(z, err, [&] { return unc::normal_quantile(p); });
}

PDFERR_API int32_t pdferr_confidence_z(pdferr_confidence level, double* z, pdferr_error* err) {
  return one_value(z, err, [&] { return confidence(level).z(); });
}

PDFERR_API int32_t pdferr_confidence_probability(pdferr_confidence level, double* p,
                                                 pdferr_error* err) {
  return one_value(p, err, [&] { return confidence(level).probability(); });
}

PDFERR_API int32_t pdferr_rescale_factor(pdferr_confidence from, pdferr_confidence to,
                                         double* factor, pdferr_error* err) {
  return one_value(factor, err,
                   [&] { return unc::rescale_factor(confidence(from), confidence(to)); });
}

PDFERR_API int32_t pdferr_hessian(const double* values, size_t pairs, size_t points, int32_t on_bad,
                                  pdferr_hessian_errors* out, pdferr_error* err) {
  return c_call(err, [&] {
    const unc::OnBadValue policy = on_bad_value(on_bad);
    if (points == 0) return;
    require(values, "values");
    require(out, "out");
    std::vector<unc::HessianErrors> e(points);
    unc::hessian(values, pairs, points, e.data(), policy);
    for (std::size_t i = 0; i < points; ++i) out[i] = {e[i].symmetric, e[i].plus, e[i].minus};
  });
}

PDFERR_API int32_t pdferr_hessian_rescale(pdferr_hessian_errors* errors, pdferr_confidence from,
                                          pdferr_confidence to, pdferr_error* err) {
  return c_call(err, [&] {
    require(errors, "errors");
    const unc::HessianErrors e =
        unc::rescale(unc::HessianErrors{errors->symmetric, errors->plus, errors->minus},
                     confidence(from), confidence(to));
    *errors = {e.symmetric, e.plus, e.minus};
  });
}

PDFERR_API int32_t pdferr_hessian_correlation(const double* x, const double* y, size_t pairs,
                                              double* r, pdferr_error* err) {
  return one_value(r, err, [&] { return unc::hessian_correlation(x, y, pairs); });
}

PDFERR_API int32_t pdferr_replicas_mean(const double* v, size_t n, double* mean,
                                        pdferr_error* err) {
  return one_value(mean, err, [&] { return unc::mean(v, n); });
}

PDFERR_API int32_t pdferr_replicas_standard_deviation(const double* v, size_t n, double* sd,
                                                      pdferr_error* err) {
  return one_value(sd, err, [&] { return unc::standard_deviation(v, n); });
}

PDFERR_API int32_t pdferr_replicas_quantile(const double* v, size_t n, double p, double* q,
                                            pdferr_error* err) {
  return one_value(q, err, [&] { return unc::quantile(v, n, p); });
}

PDFERR_API int32_t pdferr_replicas_interval(const double* v, size_t n, pdferr_confidence level,
                                            double* low, double* high, pdferr_error* err) {
  return c_call(err, [&] {
    require(low, "low");
    require(high, "high");
    const unc::Interval i = unc::central_interval(v, n, confidence(level));
    *low = i.low;
    *high = i.high;
  });
}

PDFERR_API int32_t pdferr_replicas_correlation(const double* x, const double* y, size_t n,
                                               double* r, pdferr_error* err) {
  return one_value(r, err, [&] { return unc::correlation(x, y, n); });
}

PDFERR_API int32_t pdferr_band_monte_carlo(const double* central, const double* variations,
                                           size_t n, size_t points, const float* cov, int32_t seed,
                                           int64_t position, uint64_t draws,
                                           pdferr_confidence level, double* mean, double* sd,
                                           double* low, double* high, pdferr_error* err) {
  return c_call(err, [&] {
    require(central, "central");
    require(variations, "variations");
    require(cov, "cov");
    for (double* out : {mean, sd, low, high}) require(out, "mean, sd, low and high");
    const std::vector<float> factor = pdferr::cholesky(cov, n);
    const unc::MonteCarlo mc(central, variations, n, points, factor.data(), seed, position, draws);
    const unc::McColumns c = mc.run(confidence(level).probability());
    std::copy(c.mean.begin(), c.mean.end(), mean);
    std::copy(c.sd.begin(), c.sd.end(), sd);
    std::copy(c.low.begin(), c.low.end(), low);
    std::copy(c.high.begin(), c.high.end(), high);
  });
}

PDFERR_API int32_t pdferr_moments_open(size_t width, int32_t correlations, uint64_t first,
                                       int32_t on_bad, pdferr_moments** moments,
                                       pdferr_error* err) {
  return c_call(err, [&] {
    require(moments, "moments");
    *moments = nullptr;
    unc::MomentsOptions options;
    options.correlations = correlations != 0;
    options.first = first;
    options.on_bad = on_bad_value(on_bad);
    *moments = new pdferr_moments{unc::Moments(width, options)};
  });
}

PDFERR_API int32_t pdferr_moments_close(pdferr_moments* moments, pdferr_error* err) {
  return c_call(err, [&] { delete moments; });
}

PDFERR_API int32_t pdferr_moments_add(pdferr_moments* moments, const double* rows, size_t draws,
                                      pdferr_error* err) {
  return c_call(err, [&] {
    require(moments, "moments");
    moments->moments.add(rows, draws);
  });
}

PDFERR_API int32_t pdferr_moments_merge(pdferr_moments* moments, const pdferr_moments* next,
                                        pdferr_error* err) {
  return c_call(err, [&] {
    require(moments, "moments");
    require(next, "next");
    moments->moments.merge(next->moments);
  });
}

PDFERR_API int32_t pdferr_moments_range(const pdferr_moments* moments, uint64_t* first,
                                        uint64_t* end, pdferr_error* err) {
  return c_call(err, [&] {
    require(moments, "moments");
    if (first != nullptr) *first = moments->moments.first();
    if (end != nullptr) *end = moments->moments.end();
  });
}

PDFERR_API int32_t pdferr_moments_mean(const pdferr_moments* moments, size_t j, double* mean,
                                       pdferr_error* err) {
  return one_value(mean, err, [&] {
    require(moments, "moments");
    return moments->moments.mean(j);
  });
}

PDFERR_API int32_t pdferr_moments_standard_deviation(const pdferr_moments* moments, size_t j,
                                                     double* sd, pdferr_error* err) {
  return one_value(sd, err, [&] {
    require(moments, "moments");
    return moments->moments.standard_deviation(j);
  });
}

PDFERR_API int32_t pdferr_moments_correlation(const pdferr_moments* moments, size_t j, size_t k,
                                              double* r, pdferr_error* err) {
  return one_value(r, err, [&] {
    require(moments, "moments");
    return moments->moments.correlation(j, k);
  });
}

PDFERR_API int32_t pdferr_moments_save(const pdferr_moments* moments, void* bytes, size_t capacity,
                                       size_t* size, pdferr_error* err) {
  return c_call(err, [&] {
    require(moments, "moments");
    require(size, "size");
    const std::vector<unsigned char> saved = moments->moments.save();
    *size = saved.size();
    if (bytes != nullptr && capacity >= saved.size()) {
      std::memcpy(bytes, saved.data(), saved.size());
    } else if (bytes != nullptr) {
      throw std::invalid_argument("the buffer holds " + std::to_string(capacity) +
                                  " bytes; the partial result needs " +
                                  std::to_string(saved.size()));
    }
  });
}

PDFERR_API int32_t pdferr_moments_load(const void* bytes, size_t size, int32_t on_bad,
                                       pdferr_moments** moments, pdferr_error* err) {
  return c_call(err, [&] {
    require(moments, "moments");
    *moments = nullptr;
    *moments = new pdferr_moments{unc::Moments::load(bytes, size, on_bad_value(on_bad))};
  });
}

PDFERR_API int32_t pdferr_member_set_read(const char* path, pdferr_member_set** set,
                                          pdferr_error* err) {
  return c_call(err, [&] {
    require(set, "set");
    *set = nullptr;
    require(path, "path");
    *set = new pdferr_member_set{unc::MemberSet::read(path)};
  });
}

PDFERR_API int32_t pdferr_member_set_load(const char* name, pdferr_member_set** set,
                                          pdferr_error* err) {
  return c_call(err, [&] {
    require(set, "set");
    *set = nullptr;
    require(name, "name");
    *set = new pdferr_member_set{unc::MemberSet::load(name)};
  });
}

PDFERR_API int32_t pdferr_member_set_parse(const char* text, size_t length,
                                           const char* base_directory, pdferr_member_set** set,
                                           pdferr_error* err) {
  return c_call(err, [&] {
    require(set, "set");
    *set = nullptr;
    if (length > 0) require(text, "text");
    const std::string_view t = length > 0 ? std::string_view(text, length) : std::string_view();
    *set = new pdferr_member_set{
        unc::MemberSet::parse(t, "<text>", base_directory != nullptr ? base_directory : ".")};
  });
}

PDFERR_API int32_t pdferr_member_set_close(pdferr_member_set* set, pdferr_error* err) {
  return c_call(err, [&] { delete set; });
}

PDFERR_API int32_t pdferr_member_set_get_info(const pdferr_member_set* set,
                                              pdferr_member_set_info* info, pdferr_error* err) {
  return c_call(err, [&] {
    require(set, "set");
    require(info, "info");
    const unc::MemberSet& s = set->set;
    pdferr_member_set_info i{};
    i.kind = s.kind() == unc::MemberSet::Kind::hessian ? PDFERR_SET_HESSIAN : PDFERR_SET_REPLICAS;
    i.source =
        s.source() == unc::MemberSet::Source::table ? PDFERR_SOURCE_TABLE : PDFERR_SOURCE_GRID;
    i.has_central = s.has_central() ? 1 : 0;
    if (s.kind() == unc::MemberSet::Kind::hessian) {
      const unc::Confidence c = s.confidence();
      i.confidence = {c.in_sigmas() ? PDFERR_SIGMAS : PDFERR_CENTRAL, c.value()};
    }
    i.pairs = s.pairs();
    i.replicas = s.replicas();
    i.size = s.size();
    i.directory = s.directory().c_str();
    *info = i;
  });
}

PDFERR_API int32_t pdferr_member_set_member(const pdferr_member_set* set, size_t index,
                                            pdferr_member* member, pdferr_error* err) {
  return c_call(err, [&] {
    require(set, "set");
    require(member, "member");
    if (index >= set->set.size()) {
      throw std::invalid_argument("member " + std::to_string(index) + " of a set of " +
                                  std::to_string(set->set.size()));
    }
    const unc::Member& m = set->set.member(index);
    *member = {m.numbered() ? 1 : 0, m.number, m.numbered() ? nullptr : m.path.c_str()};
  });
}

}  // extern "C"
