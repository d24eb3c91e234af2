// I/O units: small integers that name streams and files.
//
// Unit 0 is standard error, unit 5 standard input and unit 6 standard
// output; they are always connected.  This runtime keeps a table of the
// units it connects itself: files it reads (open_old, connect_read) and
// files it writes (connect_write).  In a Fortran program that links the
// toolkit's Fortran library every other unit is the program's own unit of
// the same number (fio/fortran_units.hpp): a line written to it goes to the
// program's unit, a unit the program opened counts as connected and may be
// read, and connect_read and connect_write connect the program's unit.
// Elsewhere a line written to a unit that nobody connected goes to the file
// "fort.N", created on first use, as a Fortran program would do.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "common/text_file.hpp"

namespace fio {

inline constexpr int stderr_unit = 0;
inline constexpr int stdin_unit = 5;
inline constexpr int stdout_unit = 6;

// Writes text and a newline to unit, as one line.  A unit that cannot take
// the line (connected for reading, a negative number, standard input) passes
// it to standard error, so that no message is lost.
void write_line(int unit, std::string_view text);

// Whether the unit is connected to a stream or file.
bool connected(int unit);

// Whether read_line can read the unit: a unit connected for reading (in a
// Fortran program also one the program opened for reading and writing).
bool readable(int unit);

// Whether the unit is connected for writing only.
bool write_only(int unit);

// Connects unit to the existing file path for reading, in this runtime's
// own table (also in a Fortran program), positioned at its first line.
// Returns 0, or the errno of the failed open.  A unit that is already
// connected is refused with EBUSY, a directory with EISDIR.
int open_old(int unit, const char* path);

// The public connections (fio_connect_read, fio_connect): an existing file
// for reading only, or a file created or emptied for writing.  Return 0 or
// an errno value: EINVAL for a negative unit or a standard one, EBUSY for a
// unit already connected, and for writing also EBUSY when the file is
// connected to some unit for reading, so that a file being read is never
// emptied.
int connect_read(int unit, const char* path);
int connect_write(int unit, const char* path);

using LineStatus = pdferr::common::TextFile::Status;

// Reads the next line of a readable unit into line, without its newline (a
// carriage return before the newline is dropped too).  A unit that is not
// readable is at its end.  On LineStatus::read_error, read_error(unit) gives
// the errno.
LineStatus read_line(int unit, std::string& line);
int read_error(int unit);

// Whether the file a unit reads is still the one opened, unchanged (true
// for a unit whose file this runtime did not open).
bool unchanged(int unit);

// The file name a unit is connected to ("" for the standard streams and
// for units that are not connected).
std::string unit_name(int unit);

// Disconnects unit (closing its file); a unit that is not connected, or one
// of the standard streams, is left alone.
void close(int unit);

}  // namespace fio
