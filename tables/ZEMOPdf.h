/* Parton density tables: selection of a numbered table set, loading of its
 * ".pds" file, the interpolation kernel and the guarded evaluation entry.
 *
 * Call setzemo with a set number first, then zemopdf as often as wanted.
 * Every routine has C linkage and takes each argument by address; in C++ the
 * scalars are spelled as references (same ABI), so C++ callers may pass
 * values directly.  Each routine is also exported under its gfortran name,
 * the same name followed by an underscore; a block has that name only.
 *
 * Reals are IEEE 64-bit, integers signed 32-bit.  The node arrays start at
 * index 0 (xv[0] is x node 0), pdfval at index 1 (pdfval[0] is value 1).
 * The blocks are for one thread at a time: a load must not overlap an
 * evaluation or a caller reading them.
 */
#ifndef PDFERR_ZEMOPDF_H
#define PDFERR_ZEMOPDF_H

#include <stdint.h>

#include "abi.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Capacity of the table: x nodes 0..201, t nodes 0..25, 55275 values. */
#define PDFERR_ZEMO_MAX_NX 201
#define PDFERR_ZEMO_MAX_NT 25
#define PDFERR_ZEMO_MAX_VALUES 55275

/* The loaded table.  The value at x node ix, t node iq and flavour slot ip
 * (-MxFlvN0..mxval) is pdfval[((ip + MxFlvN0) * (nt + 1) + iq) * (nx + 1) + ix]
 * (0-based here).  xv[0] is always 0; tv holds t = ln(ln(Q / alambda)). */
typedef struct vokpar1_block {
  double alambda;
  double xv[PDFERR_ZEMO_MAX_NX + 1];
  double tv[PDFERR_ZEMO_MAX_NT + 1];
  double pdfval[PDFERR_ZEMO_MAX_VALUES];
} vokpar1_block;

/* Its dimensions: highest x and t node indices, the largest accepted
 * flavour number in absolute value (also the count of negative slots) and
 * the count of positive slots. */
typedef struct vokpar2_block {
  int32_t nx;
  int32_t nt;
  int32_t MxFlvN0;
  int32_t mxval;
} vokpar2_block;

/* Q and x range of the loaded set, for callers. */
typedef struct xqrange_block {
  double qini;
  double qmax;
  double xmin;
} xqrange_block;

/* The six quark masses of the loaded set, for callers. */
typedef struct masstbl_block {
  double mass[6];
} masstbl_block;

/* QCD parameters of the loaded set, for callers.  The fields are
 * contiguous; the type ends in 4 bytes of padding (8-byte alignment), as
 * gfortran also rounds the common block up to 32 bytes. */
typedef struct qcdtbl_block {
  double qcdr1;
  double qcdr2;
  int32_t qcdi1;
  int32_t qcdi2;
  int32_t qcdi3;
} qcdtbl_block;

/* 1 after every load until the kernel has rebuilt its derived x grid. */
typedef struct setchange_block {
  int32_t flag;
} setchange_block;

/* The set number last asked of setzemo. */
typedef struct zemojset_block {
  int32_t iset;
} zemojset_block;

/* Each block is one object, the symbol of its gfortran name (with the
 * trailing underscore): the library emits it as a common symbol, as gfortran
 * emits a Fortran program's common block of the same name, and the linker
 * makes them one object as long as the longest declaration, statically and
 * with shared libraries.  The asm labels below let C and C++ code write the
 * C name; there is no symbol of that name.  A C program that declares a
 * block itself uses the gfortran name, and declares it longer than here
 * only as a common symbol (__attribute__((common))). */
extern vokpar1_block vokpar1 __asm__("vokpar1_");
extern vokpar2_block vokpar2 __asm__("vokpar2_");
extern xqrange_block xqrange __asm__("xqrange_");
extern masstbl_block masstbl __asm__("masstbl_");
extern qcdtbl_block qcdtbl __asm__("qcdtbl_");
extern setchange_block setchange __asm__("setchange_");
extern zemojset_block zemojset __asm__("zemojset_");

/* Every fatal error below writes its line and ends the process with exit
 * status 1. */

/* Selects table set Iset (100..152 "zemo.NN.pds", 200..252 "zemowNN.pds",
 * 10..19 "zemo.asN.pds", 20..29 "zemowasN.pds", 30..33 "zemo.3f.pds",
 * "zemo.4f.pds", "zemow3f.pds", "zemow4f.pds") from the current directory;
 * asking again for the loaded set does nothing.  An unknown number, a
 * missing file or a faulty file ends the process with a message. */
void setzemo(PDFERR_IN(int32_t) Iset);

/* The lowest unit from 10 to 300 that is not connected (through fio_connect
 * or fio_connect_read, or, in a Fortran program linked with the toolkit's
 * Fortran library, by the program's own OPEN).  Ends the process with
 * "STOP  There is no available I/O unit. " on standard error when all are
 * taken. */
int32_t nextun(void);

/* Reads a table file open for reading on unit iu (connected by
 * fio_connect_read, or in a Fortran program linked with the toolkit's
 * Fortran library by the program's OPEN) into the blocks.  A unit that is
 * not connected, or connected for writing only, is refused with a message
 * and never written.  A faulty file ends the process with a line naming the
 * file, the line and the fault; the blocks are written only once the whole
 * table has been read and checked. */
void readpds0(PDFERR_IN(int32_t) iu);

/* Density of flavour Iparton at momentum fraction X and scale Q, never
 * negative: 0 with a message for X outside [0, 1], 0 with a one-time
 * warning for |Iparton| > MxFlvN0; Q below 0.3 ends the process, and so
 * does a call before any table set was loaded. */
double zemopdf(PDFERR_IN(int32_t) Iparton, PDFERR_IN(double) X, PDFERR_IN(double) Q);

/* The interpolation kernel behind zemopdf, unguarded and unclamped; a call
 * before any table set was loaded ends the process. */
double partonx10(PDFERR_IN(int32_t) Iparton, PDFERR_IN(double) X, PDFERR_IN(double) Q);

/* Value at xe of the cubic through (xa[k], ya[k]), k = 0..3, into ye. */
void polint4f(const double* xa, const double* ya, PDFERR_IN(double) xe, PDFERR_OUT(double) ye);

#ifdef __cplusplus
}
#endif

#endif
