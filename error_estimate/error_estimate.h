/* Random sampling toolkit: uniform generator with a restorable position,
 * normal deviates, covariance factorisation and correlated normal vectors.
 *
 * Every routine has C linkage and takes each argument by address; in C++ the
 * scalars are spelled as references (same ABI), so C++ callers may pass
 * values directly.  Each routine is also exported under its gfortran name,
 * the same name followed by an underscore; a block has that name only.
 *
 * Reals are IEEE 32-bit floats, integers signed 32-bit; arrays are the
 * caller's, 1-based in the descriptions below, matrices column-major with
 * leading dimension np.
 */
#ifndef PDFERR_ERROR_ESTIMATE_H
#define PDFERR_ERROR_ESTIMATE_H

#include <stdint.h>

#include "abi.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The generator's lagged table and carry, shared with analysis code.
 * All zero until the generator is first initialised. */
typedef struct raset1_block {
  float uu[97]; /* the lagged table of fractions, multiples of 2^-24 */
  float cc;     /* the carry sequence, in [0, cmod) */
  int32_t ilag; /* 1..97: the entry the next step overwrites */
  int32_t jlag; /* 1..97: the second entry the next step reads */
} raset1_block;

/* Words shared with the calling program; the generator reads only iout,
 * the unit that receives its two messages (0 standard error, 6 standard
 * output).  Its other words and its length are the program's business: a
 * program may declare it longer than PDFERR_INOUT_WORDS (see below). */
#define PDFERR_INOUT_WORDS 1024
typedef struct inout_block {
  int32_t inp;
  int32_t iout;
  int32_t more[PDFERR_INOUT_WORDS - 2];
} inout_block;

/* Each block is one object, the symbol of its gfortran name (with the
 * trailing underscore): the library emits it as a common symbol, as gfortran
 * emits a Fortran program's common block of the same name, and the linker
 * makes them one object as long as the longest declaration, statically and
 * with shared libraries.  The asm labels below let C and C++ code write the
 * C name; there is no symbol of that name.  A C program that declares a
 * block itself uses the gfortran name, and declares it longer than here
 * only as a common symbol (__attribute__((common))). */
extern raset1_block raset1 __asm__("raset1_");
extern inout_block inout __asm__("inout_");

/* Fills vec(1..nvec) with the next nvec uniform numbers in (0, 1);
 * initialises with the default seed 54217137 first if nothing has.  nvec <= 0
 * draws nothing, initialises nothing and changes nothing. */
void ranmar(float* vec, PDFERR_IN(int32_t) nvec);

/* Initialises from seed and skips nblocks * 1000000000 + count numbers
 * (negative counts as 0).  Any seed is taken, but use 0..900000000: some
 * seeds outside that range (for example -60164) fill the table with zeros,
 * and the numbers of such a generator are biased. */
void rmarin(PDFERR_IN(int32_t) seed, PDFERR_IN(int32_t) count, PDFERR_IN(int32_t) nblocks);

/* Reports the seed and the position as count and whole blocks of
 * 1000000000; rmarin with these three values restores the position. */
void rmarut(PDFERR_OUT(int32_t) seed, PDFERR_OUT(int32_t) count, PDFERR_OUT(int32_t) nblocks);

/* Fills devias(1..ndev) with standard normal deviates. */
void gaudev(float* devias, PDFERR_IN(int32_t) ndev);

/* Cholesky factor c (lower triangle with diagonal) of the covariance cov. */
void corset(const float* cov, float* c, PDFERR_IN(int32_t) np);

/* One correlated normal vector x = c z from the factor c; np at most 100. */
void mvndev(const float* c, float* x, PDFERR_IN(int32_t) np);

#ifdef __cplusplus
}
#endif

#endif
