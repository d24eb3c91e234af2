/* Error-set formulas from C: the C interface of pdferr::uncertainty.
 *
 * Hessian errors and their rescaling between confidence levels, the mean,
 * standard deviation, quantiles and correlation of replicas or draws,
 * partial results summed in a fixed order (pdferr_moments) and member-set
 * descriptions (pdferr_member_set).  The formulas and their order of
 * operations are those of <pdferr/uncertainty.hpp>, bit for bit.
 *
 * Every call returns a pdferr_status code and, when err is not NULL, fills
 * it (see pdferr/error.h); nothing here ends the process.  Outputs are
 * written only on success.
 *
 *   double values[9];                      central, +1, -1, ..., +4, -4
 *   pdferr_hessian_errors e;
 *   pdferr_confidence cl90 = {PDFERR_CENTRAL, 0.9}, one = {PDFERR_SIGMAS, 1.0};
 *   pdferr_hessian(values, 4, 1, PDFERR_ON_BAD_ERROR, &e, &err);
 *   pdferr_hessian_rescale(&e, cl90, one, &err);
 */
#ifndef PDFERR_UNCERTAINTY_H
#define PDFERR_UNCERTAINTY_H

#include <stddef.h>
#include <stdint.h>

#include "pdferr/error.h"

#ifdef __cplusplus
extern "C" {
#endif

/* A confidence level: a central probability 0 < value < 1, or value > 0
 * standard deviations. */
enum { PDFERR_CENTRAL = 1, PDFERR_SIGMAS = 2 };
typedef struct pdferr_confidence {
  int32_t kind; /* PDFERR_CENTRAL or PDFERR_SIGMAS; 0 where a set states none */
  double value;
} pdferr_confidence;

/* What a call on many points does with a value that is not finite: refuse
 * the call (PDFERR_DOMAIN_ERROR, err->index the first such point), or give
 * NaN for that point. */
enum { PDFERR_ON_BAD_ERROR = 0, PDFERR_ON_BAD_NAN = 1 };

/* z with Phi(z) = p, p in [0, 1]. */
int32_t pdferr_normal_quantile(double p, double* z, pdferr_error* err);

/* The half-width of a level in standard deviations, and its central
 * probability. */
int32_t pdferr_confidence_z(pdferr_confidence level, double* z, pdferr_error* err);
int32_t pdferr_confidence_probability(pdferr_confidence level, double* p, pdferr_error* err);

/* z(from) / z(to): an error at `from` divided by this is the error at `to`. */
int32_t pdferr_rescale_factor(pdferr_confidence from, pdferr_confidence to, double* factor,
                              pdferr_error* err);

typedef struct pdferr_hessian_errors {
  double symmetric; /* 0.5 sqrt(sum (F+k - F-k)^2) */
  double plus;      /* sqrt(sum max(F+k - F0, F-k - F0, 0)^2) */
  double minus;     /* sqrt(sum max(F0 - F+k, F0 - F-k, 0)^2) */
} pdferr_hessian_errors;

/* The Hessian errors at `points` points: values[m * points + i] is member m
 * (central, +1, -1, +2, -2, ...: 2 pairs + 1 members) at point i, and
 * out[i] gets the errors at point i. */
int32_t pdferr_hessian(const double* values, size_t pairs, size_t points, int32_t on_bad,
                       pdferr_hessian_errors* out, pdferr_error* err);

/* Each error of *errors divided by the factor from `from` to `to`. */
int32_t pdferr_hessian_rescale(pdferr_hessian_errors* errors, pdferr_confidence from,
                               pdferr_confidence to, pdferr_error* err);

/* The correlation of x and y, both in member order, over a Hessian set. */
int32_t pdferr_hessian_correlation(const double* x, const double* y, size_t pairs, double* r,
                                   pdferr_error* err);

/* Replicas or draws v[0..n): the mean (n >= 1), the standard deviation with
 * divisor n - 1 (n >= 2), the p-quantile by numpy's linear rule, the central
 * interval at a level, and the correlation of x and y (n >= 2). */
int32_t pdferr_replicas_mean(const double* v, size_t n, double* mean, pdferr_error* err);
int32_t pdferr_replicas_standard_deviation(const double* v, size_t n, double* sd,
                                           pdferr_error* err);
int32_t pdferr_replicas_quantile(const double* v, size_t n, double p, double* q, pdferr_error* err);
int32_t pdferr_replicas_interval(const double* v, size_t n, pdferr_confidence level, double* low,
                                 double* high, pdferr_error* err);
int32_t pdferr_replicas_correlation(const double* x, const double* y, size_t n, double* r,
                                    pdferr_error* err);

/* A partial result of moments over draws [first, end), `width` quantities
 * each, summed in a fixed order (see pdferr::uncertainty::Moments). */
typedef struct pdferr_moments pdferr_moments;

#define PDFERR_MOMENTS_BLOCK_SIZE 256

/* Opens an empty partial result starting at draw `first` (a multiple of
 * PDFERR_MOMENTS_BLOCK_SIZE); correlations != 0 keeps the products of every
 * pair of quantities. */
int32_t pdferr_moments_open(size_t width, int32_t correlations, uint64_t first, int32_t on_bad,
                            pdferr_moments** moments, pdferr_error* err);
int32_t pdferr_moments_close(pdferr_moments* moments, pdferr_error* err);
/* The next `draws` draws: rows[d * width + j] is quantity j of draw d. */
int32_t pdferr_moments_add(pdferr_moments* moments, const double* rows, size_t draws,
                           pdferr_error* err);
/* Appends next, which starts where moments ends. */
int32_t pdferr_moments_merge(pdferr_moments* moments, const pdferr_moments* next,
                             pdferr_error* err);
/* The draws covered: [*first, *end); either pointer may be NULL. */
int32_t pdferr_moments_range(const pdferr_moments* moments, uint64_t* first, uint64_t* end,
                             pdferr_error* err);
int32_t pdferr_moments_mean(const pdferr_moments* moments, size_t j, double* mean,
                            pdferr_error* err);
int32_t pdferr_moments_standard_deviation(const pdferr_moments* moments, size_t j, double* sd,
                                          pdferr_error* err);
int32_t pdferr_moments_correlation(const pdferr_moments* moments, size_t j, size_t k, double* r,
                                   pdferr_error* err);
/* The partial result as bytes: *size gets the length needed; the bytes are
 * written when capacity is at least that (bytes may be NULL to ask only). */
int32_t pdferr_moments_save(const pdferr_moments* moments, void* bytes, size_t capacity,
                            size_t* size, pdferr_error* err);
int32_t pdferr_moments_load(const void* bytes, size_t size, int32_t on_bad,
                            pdferr_moments** moments, pdferr_error* err);

/* A member-set description (the text format of docs/uncertainty.md). */
typedef struct pdferr_member_set pdferr_member_set;

enum { PDFERR_SET_HESSIAN = 1, PDFERR_SET_REPLICAS = 2 };
enum { PDFERR_SOURCE_TABLE = 1, PDFERR_SOURCE_GRID = 2 };

typedef struct pdferr_member_set_info {
  int32_t kind;                 /* PDFERR_SET_HESSIAN or PDFERR_SET_REPLICAS */
  int32_t source;               /* PDFERR_SOURCE_TABLE or PDFERR_SOURCE_GRID */
  int32_t has_central;          /* 1 if the set names a central member */
  pdferr_confidence confidence; /* Hessian: the level of the pairs; replicas: kind 0 */
  size_t pairs;                 /* Hessian: K */
  size_t replicas;              /* replicas: N */
  size_t size;                  /* members in member order */
  const char* directory;        /* valid until the set is closed */
} pdferr_member_set_info;

typedef struct pdferr_member {
  int32_t numbered; /* 1: a table set or grid member number in the set's directory */
  int32_t number;
  const char* path; /* otherwise the file; valid until the set is closed */
} pdferr_member;

/* Reads a description file; PDFERR_FILE_ERROR with err->line for a fault. */
int32_t pdferr_member_set_read(const char* path, pdferr_member_set** set, pdferr_error* err);
/* Reads the description called `name`: a path (holding a slash) as it
 * stands, a plain name as NAME.members (or NAME) found in the folders of
 * PDFERR_DATA_PATH, then in the working folder. */
int32_t pdferr_member_set_load(const char* name, pdferr_member_set** set, pdferr_error* err);
/* Parses text[0..length); a relative directory is taken from
 * base_directory (NULL, "" or "." for the current one). */
int32_t pdferr_member_set_parse(const char* text, size_t length, const char* base_directory,
                                pdferr_member_set** set, pdferr_error* err);
int32_t pdferr_member_set_close(pdferr_member_set* set, pdferr_error* err);
int32_t pdferr_member_set_get_info(const pdferr_member_set* set, pdferr_member_set_info* info,
                                   pdferr_error* err);
int32_t pdferr_member_set_member(const pdferr_member_set* set, size_t index, pdferr_member* member,
                                 pdferr_error* err);

/* The Monte Carlo band of `pdferr band --cov`, bit for bit (pdferr/band.hpp):
 * central[0..points) the central values F0, variations[i * points + p]
 * variation i + 1 at point p (n variations), cov the n x n covariance of
 * their coefficients (row by row, symmetric, positive definite), the
 * generator's seed and the position of block 0, draws >= 2 and the level.
 * Writes at each point p the draws' mean[p], standard deviation sd[p]
 * (divisor N - 1) and central interval low[p], high[p]. */
int32_t pdferr_band_monte_carlo(const double* central, const double* variations, size_t n,
                                size_t points, const float* cov, int32_t seed, int64_t position,
                                uint64_t draws, pdferr_confidence level, double* mean, double* sd,
                                double* low, double* high, pdferr_error* err);

#ifdef __cplusplus
}
#endif

#endif
