/* Parton density grids: loading one member of the grid set into the block
 * pelkgrid, multilinear interpolation, evaluation of the six densities, and
 * two routines on blank-padded text fields.
 *
 * Every routine has C linkage and takes each argument by address; in C++ the
 * scalars are spelled as references (same ABI), so C++ callers may pass
 * values directly.  Each routine is also exported under its gfortran name,
 * the same name followed by an underscore; the block has that name only.
 *
 * Reals are IEEE 64-bit floats, integers signed 32-bit; arrays are the
 * caller's, 1-based in the descriptions below, column-major.
 *
 * Text fields.  A text field is a pointer to its first byte and its declared
 * length; it is padded on the right with blanks and has no terminator.  The
 * lengths come last, by value, in the order of the fields: exactly the way
 * gfortran passes character arguments, so that one function serves both
 * names.
 *
 * The name strcat.  The join routine cannot take the C name strcat, which
 * belongs to the C library.  It is exported as pelk_strcat for C callers and
 * as strcat_ for gfortran callers (CALL STRCAT(STR1, STR2, STR)), and C++
 * callers find it as pelk::strcat.  A program may use the C library's strcat
 * and this one side by side.
 */
#ifndef PDFERR_PELK_2008_H
#define PDFERR_PELK_2008_H

#include <stddef.h>
#include <stdint.h>

#include "abi.h"

#ifdef __cplusplus
#include <string_view>
extern "C" {
#endif

/* Node counts of the grids. */
#define PDFERR_PELK_NX 47 /* x nodes, 1e-5 to 1 */
#define PDFERR_PELK_NQ 30 /* Q2 nodes, 0.8 to 1e6 */
#define PDFERR_PELK_NCOL 6

/* The loaded member, shared with analysis code (Fortran: COMMON /pelkgrid/
 * denstab(47,30,6), nnodes(2), lognodes(77)).  All zero until pelkini has
 * loaded a member.
 *   denstab[c][k][l]: column c+1 at x node l+1 and Q2 node k+1, divided by
 *                     the column's load factor; zero at x node 47;
 *   nnodes:           47, 30;
 *   lognodes:         ln of the 47 x nodes, then ln of the 30 Q2 nodes. */
typedef struct pelkgrid_block {
  double denstab[PDFERR_PELK_NCOL][PDFERR_PELK_NQ][PDFERR_PELK_NX];
  int32_t nnodes[2];
  double lognodes[PDFERR_PELK_NX + PDFERR_PELK_NQ];
} pelkgrid_block;

/* Each block is one object, the symbol of its gfortran name (with the
 * trailing underscore): the library emits it as a common symbol, as gfortran
 * emits a Fortran program's common block of the same name, and the linker
 * makes them one object as long as the longest declaration, statically and
 * with shared libraries.  The asm labels below let C and C++ code write the
 * C name; there is no symbol of that name.  A C program that declares a
 * block itself uses the gfortran name, and declares it longer than here
 * only as a common symbol (__attribute__((common))). */
extern pelkgrid_block pelkgrid __asm__("pelkgrid_");

/* The used length of a text field: its length without trailing blanks
 * (only the blank byte 0x20 counts as a blank). */
int32_t istrl(const char* str, size_t str_len);

/* str = the used part of str1 followed by the used part of str2, blank
 * padded to len.  When the two used parts do not fit, writes a four-line
 * report to standard output and stops the process (exit status 1), leaving
 * str unchanged. */
void pelk_strcat(const char* str1, const char* str2, char* str, size_t len1, size_t len2,
                 size_t len);

/* Loads member iset of the grid set from its file in the current directory
 * (0: "PELK-GRID.NLO"; 1..99: pelk-plus-NN.grid; -1..-99:
 * pelk-minus-NN.grid) into pelkgrid, reading it on unit 71.  A missing,
 * short, malformed or unreadable file, one with a line over 4 MiB and one
 * rewritten while it is read end the process with a message naming the file
 * (and the line) on standard output, exit status 1; pelkgrid is then
 * untouched.  pdferr/grid_member.hpp and pdferr/grids.h load members as
 * values instead, which report faults to the caller. */
void pelkini(PDFERR_IN(int32_t) iset);

/* Multilinear interpolation of table (column-major, nnodes(1) x ... x
 * nnodes(ndim) values) on the ascending node coordinates nodes (dimension
 * after dimension) at the point coord(1..ndim); linear extrapolation
 * outside the nodes.  ndim must lie in 1..5 and every nnodes(i) be at least
 * 2; otherwise the process stops with a message. */
double dfint_pelk(PDFERR_IN(int32_t) ndim, const double* coord, const int32_t* nnodes,
                  const double* nodes, const double* table);

/* The six densities of the loaded member at x (1e-5..1) and q2 (1..1e6).
 * Out-of-range x or q2, or no member loaded, stops the process with a
 * message. */
void pelkfit(PDFERR_IN(double) x, PDFERR_IN(double) q2, PDFERR_OUT(double) dens1,
             PDFERR_OUT(double) dens2, PDFERR_OUT(double) dens3, PDFERR_OUT(double) dens4,
             PDFERR_OUT(double) dens5, PDFERR_OUT(double) dens6);

#ifdef __cplusplus
}

namespace pelk {

/* The used length of a text field. */
int32_t istrl(std::string_view str);

/* Joins the used parts of str1 and str2 into the len bytes at str; stops
 * the process with the overflow report when they do not fit, as strcat. */
void strcat(std::string_view str1, std::string_view str2, char* str, size_t len);

}  // namespace pelk
#endif

#endif
