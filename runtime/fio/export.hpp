// Symbol export for the interface of the toolkit.
//
// Every routine of the interface is exported twice: under its own name with
// C linkage, and under its gfortran name (the same name followed by an
// underscore) so that Fortran analysis code links unchanged.  Both names
// denote one and the same function.  A named block has the gfortran name
// only (see FIO_BLOCK).
#pragma once

#include "pdferr/abi.h"

// Defines the gfortran name of a routine as an alias of its C name.
#define FIO_FORTRAN_ALIAS(ret, name, params) \
  extern "C" PDFERR_API ret name##_ params __attribute__((alias(#name)));

// Emits the storage of a block that a public header declares as
//   extern name_block name __asm__("name_");
// as gfortran emits a common block: a common symbol under the gfortran name,
// of size bytes, zero at process start.  The linker makes one object of all
// the common symbols of that name, as long as the longest of them and
// aligned as the most strictly aligned, so a Fortran program may declare the
// block longer than the library does (the tail of inout is the program's
// business) and with the alignment its compiler chooses (gfortran gives 32
// or 64 bytes with -march), statically or with shared libraries, without a
// linker warning.  alignment is the least the x86-64 ABI gives an object of
// that size (16 from 16 bytes up), so that no definition of the block that a
// C program may make is less aligned.  C and C++ code reach the block under
// its own name through the header's asm label; there is no symbol of that
// name, since an alias cannot name a common symbol.
#define FIO_BLOCK(name, size, alignment)                                                \
  static_assert(sizeof(name##_block) == (size), "the size of block " #name);            \
  static_assert(alignof(name##_block) <= (alignment), "the alignment of block " #name); \
  asm(".comm " #name "_," #size "," #alignment);
