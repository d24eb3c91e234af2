/* Public unit calls of the I/O runtime, for C, C++ and Fortran callers.
 *
 * Unit 0 is standard error and unit 6 standard output.  Analysis code
 * connects other unit numbers to files here, for instance to send the
 * generator's messages to a log file through the second word of the block
 * inout, or to open a table file for readpds0.  All arguments are passed by
 * address; each call is also exported with a trailing underscore, and the
 * file name then takes its length as a hidden trailing argument (trailing
 * blanks are dropped).
 *
 * In a Fortran program linked with the toolkit's Fortran library
 * (pdferr-fortran) the units are the program's own: these calls connect the
 * program's unit of that number, and units the program opens itself count
 * as connected.
 */
#ifndef PDFERR_FIO_UNITS_H
#define PDFERR_FIO_UNITS_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Connects unit to the file path (a NUL-terminated name), created or
 * emptied for writing.  Returns 0, or an errno value: EBUSY when the unit is
 * connected already or the file is connected to a unit for reading (a file
 * being read is never emptied), EINVAL for a negative unit or one of 0, 5,
 * 6. */
int32_t fio_connect(const int32_t* unit, const char* path);

/* Connects unit to the existing file path for reading only, positioned at
 * its first line; the file is never written or truncated.  readpds0 reads
 * such a unit.  Returns 0, or an errno value: ENOENT for a missing file,
 * EISDIR for a directory, EBUSY when the unit is connected already, EINVAL
 * for a negative unit or one of 0, 5, 6, and for a file that is not a
 * regular file (a FIFO, a device). */
int32_t fio_connect_read(const int32_t* unit, const char* path);

/* Closes the file connected to unit and frees the number.  Returns 0, or
 * EINVAL when the unit is not connected or is a standard stream. */
int32_t fio_disconnect(const int32_t* unit);

/* 1 if unit is connected, 0 otherwise. */
int32_t fio_connected(const int32_t* unit);

#ifdef __cplusplus
}
#endif

#endif
