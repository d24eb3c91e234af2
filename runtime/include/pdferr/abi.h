/* The conventions of the toolkit's interface, shared by its headers.
 *
 * PDFERR_IN(T) and PDFERR_OUT(T) spell a scalar argument passed by address:
 * a pointer in C, a reference in C++ (the same ABI), so that C++ callers may
 * pass values directly.  PDFERR_API marks what a shared library exports.
 */
#ifndef PDFERR_ABI_H
#define PDFERR_ABI_H

#ifdef __cplusplus
#define PDFERR_IN(T) const T&
#define PDFERR_OUT(T) T&
#else
#define PDFERR_IN(T) const T*
#define PDFERR_OUT(T) T*
#endif

#define PDFERR_API __attribute__((visibility("default")))

#endif
