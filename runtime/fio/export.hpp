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

// Defines the gfortran name of a block as an alias of its C name.
#define FIO_FORTRAN_BLOCK(type, name) \
  extern "C" FIO_EXPORT type name##_ __attribute__((alias(#name)));
