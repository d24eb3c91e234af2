// Symbol export for the interface of the toolkit.
//
// Every routine and block of the interface is exported twice: under its own
// name with C linkage, and under its gfortran name (the same name followed
// by an underscore) so that Fortran analysis code links unchanged.  Both
// names denote one and the same function or object.
#pragma once

#define FIO_EXPORT __attribute__((visibility("default")))

// Defines the gfortran name of a routine as an alias of its C name.
#define FIO_FORTRAN_ALIAS(ret, name, params) \
  extern "C" FIO_EXPORT ret name##_ params __attribute__((alias(#name)));

// Defines a block declared in a public header as
//   extern type name __asm__("name_");
// one object under two names.  The storage carries the gfortran name
// (name_), so that a Fortran program's common block of that name is this
// very object, whether the toolkit is linked statically or as a shared
// library; C and C++ code reach it under its own name through the header's
// asm label, with no macro.  The C name is also an alias symbol of it.  The
// alignment is the one gfortran gives the common block.
#define FIO_BLOCK(alignment, type, name)   \
  extern "C" {                             \
  alignas(alignment) FIO_EXPORT type name; \
  }                                        \
  extern "C" FIO_EXPORT type pdferr_c_name_##name __asm__(#name) __attribute__((alias(#name "_")));
