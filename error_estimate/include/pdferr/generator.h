/* A uniform generator as a handle, for C programs and language bindings.
 *
 * The generator of ranmar with its whole state behind the handle: the
 * numbers are ranmar's, bit for bit.  A generator opened with seed s at
 * position p continues where ranmar continues after
 * rmarin(s, p mod 10^9, p / 10^9).  Nothing here writes a message or ends
 * the process.
 *
 * Every call returns a pdferr_status code (PDFERR_OK = 0) and, if err is
 * not NULL, fills the record err with the code and a message.  A handle is
 * for one thread at a time; different handles are independent.
 */
#ifndef PDFERR_GENERATOR_H
#define PDFERR_GENERATOR_H

#include <stddef.h>
#include <stdint.h>

#include "pdferr/error.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct pdferr_generator pdferr_generator;

enum {
  PDFERR_GENERATOR_DEFAULT_SEED = 54217137, /* ranmar's seed when none is given */
  PDFERR_GENERATOR_MAX_SEED = 900000000     /* seeds run from 0 to this */
};

/* The largest position: (2^31 - 1) whole blocks of 10^9 and 10^9 - 1 more. */
#define PDFERR_GENERATOR_MAX_POSITION INT64_C(2147483647999999999)

/* Opens a generator seeded with seed (0..PDFERR_GENERATOR_MAX_SEED) and
 * moved to position (0..PDFERR_GENERATOR_MAX_POSITION) numbers after it.
 * On success *generator is the new handle; on failure it is NULL and the
 * status is PDFERR_INVALID_ARGUMENT. */
int32_t pdferr_generator_open(int32_t seed, int64_t position, pdferr_generator** generator,
                              pdferr_error* err);

/* A second, independent generator in the state of the first. */
int32_t pdferr_generator_copy(const pdferr_generator* generator, pdferr_generator** copy,
                              pdferr_error* err);

/* Frees the handle; NULL is accepted and does nothing. */
int32_t pdferr_generator_close(pdferr_generator* generator, pdferr_error* err);

/* Writes the next n uniform numbers to out[0..n): multiples of 2^-24
 * strictly between 0 and 1.  n = 0 changes nothing.  A draw that would pass
 * the largest position draws nothing and reports PDFERR_INVALID_ARGUMENT. */
int32_t pdferr_generator_uniform(pdferr_generator* generator, float* out, size_t n,
                                 pdferr_error* err);

/* Writes n standard normal deviates to out[0..n): those gaudev writes from
 * the same position, bit for bit, and the generator ends where gaudev
 * leaves ranmar.  n = 0 changes nothing.  Deviates that would pass the
 * largest position report PDFERR_INVALID_ARGUMENT and leave the generator
 * where it was (out is then unspecified). */
int32_t pdferr_generator_normal(pdferr_generator* generator, float* out, size_t n,
                                pdferr_error* err);

/* Writes n correlated normal vectors of np elements, vector k at
 * out[k*np .. k*np + np): those of n calls of mvndev with the factor (np x
 * np, column-major, lower triangle read), bit for bit, for any np.  np or
 * n = 0 changes nothing; sizes that do not fit and deviates that would pass
 * the largest position report PDFERR_INVALID_ARGUMENT and leave the
 * generator where it was. */
int32_t pdferr_generator_correlated(pdferr_generator* generator, const float* factor, size_t np,
                                    size_t n, float* out, pdferr_error* err);

/* Skips the next n >= 0 numbers. */
int32_t pdferr_generator_jump(pdferr_generator* generator, int64_t n, pdferr_error* err);

/* The seed and the count of numbers drawn or skipped since it; either
 * pointer may be NULL. */
int32_t pdferr_generator_position(const pdferr_generator* generator, int32_t* seed,
                                  int64_t* position, pdferr_error* err);

/* The Cholesky factor of the covariance cov (np x np, column-major; only
 * the lower triangle with the diagonal is read) into factor: its lower
 * triangle with the diagonal, bit for bit that of corset, written on
 * success only; the elements above the diagonal are never written, and
 * factor may be cov.  A lower triangle with a value that is not finite, or a
 * matrix that is not positive definite (a pivot not above 0, as for a
 * singular matrix), reports PDFERR_DOMAIN_ERROR with the element's offset
 * i + j*np in err->index (the diagonal's for a pivot) and the row and column
 * in the message. */
int32_t pdferr_cholesky(const float* cov, size_t np, float* factor, pdferr_error* err);

#ifdef __cplusplus
}
#endif

#endif
