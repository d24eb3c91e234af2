// The C interface of the generator: a handle around pdferr::Generator.
#include "pdferr/generator.h"

#include <cstddef>
#include <cstdint>

#include "common/c_status.hpp"
#include "pdferr/generator.hpp"

// The C header's seeds are the value type's.
static_assert(PDFERR_GENERATOR_DEFAULT_SEED == pdferr::Generator::default_seed &&
              PDFERR_GENERATOR_MAX_SEED == pdferr::Generator::max_seed);

struct pdferr_generator {
  pdferr::Generator generator;
};

using pdferr::common::c_call;
using pdferr::common::open_handle;
using pdferr::common::require;

extern "C" {

PDFERR_API std::int32_t pdferr_generator_open(std::int32_t seed, std::int64_t position,
                                              pdferr_generator** generator, pdferr_error* err) {
  return open_handle(generator, "generator", err,
                     [&] { return pdferr::Generator(seed, position); });
}

PDFERR_API std::int32_t pdferr_generator_copy(const pdferr_generator* generator,
                                              pdferr_generator** copy, pdferr_error* err) {
  return open_handle(copy, "copy", err, [&] {
    require(generator, "generator");
    return generator->generator;
  });
}

PDFERR_API std::int32_t pdferr_generator_close(pdferr_generator* generator, pdferr_error* err) {
  return c_call(err, [&] { delete generator; });
}

PDFERR_API std::int32_t pdferr_generator_uniform(pdferr_generator* generator, float* out,
                                                 std::size_t n, pdferr_error* err) {
  return c_call(err, [&] {
    require(generator, "generator");
    if (n > 0) require(out, "out");
    generator->generator.uniform(out, n);
  });
}

PDFERR_API std::int32_t pdferr_generator_normal(pdferr_generator* generator, float* out,
                                                std::size_t n, pdferr_error* err) {
  return c_call(err, [&] {
    require(generator, "generator");
    if (n > 0) require(out, "out");
    generator->generator.normal(out, n);
  });
}

PDFERR_API std::int32_t pdferr_generator_correlated(pdferr_generator* generator,
                                                    const float* factor, std::size_t np,
                                                    std::size_t n, float* out, pdferr_error* err) {
  return c_call(err, [&] {
    require(generator, "generator");
    if (np > 0 && n > 0) {
      require(factor, "factor");
      require(out, "out");
    }
    generator->generator.correlated(factor, np, n, out);
  });
}

PDFERR_API std::int32_t pdferr_cholesky(const float* cov, std::size_t np, float* factor,
                                        pdferr_error* err) {
  return c_call(err, [&] {
    if (np > 0) {
      require(cov, "cov");
      require(factor, "factor");
    }
    pdferr::cholesky(cov, np, factor);
  });
}

PDFERR_API std::int32_t pdferr_generator_jump(pdferr_generator* generator, std::int64_t n,
                                              pdferr_error* err) {
  return c_call(err, [&] {
    require(generator, "generator");
    generator->generator.jump(n);
  });
}

PDFERR_API std::int32_t pdferr_generator_position(const pdferr_generator* generator,
                                                  std::int32_t* seed, std::int64_t* position,
                                                  pdferr_error* err) {
  return c_call(err, [&] {
    require(generator, "generator");
    if (seed != nullptr) *seed = generator->generator.seed();
    if (position != nullptr) *position = generator->generator.position();
  });
}

}  // extern "C"
