// I/O units: small integers that name streams and files.
//
// Unit 0 is standard error, unit 5 standard input and unit 6 standard
// output; they are always connected (this runtime reads no standard input).  Any other unit is
// connected by open_old (read an existing file) or by the public fio_connect call. Writing to a
// unit that nobody connected creates the file "fort.N" on first use, as a Fortran program would.
#pragma once

#include <cstdio>
#include <string>

#include "common/text_file.hpp"

namespace fio {

inline constexpr int stderr_unit = 0;
inline constexpr int stdin_unit = 5;
inline constexpr int stdout_unit = 6;

// The stream behind an output unit (never null: a unit that cannot be
// connected falls back to standard error, so no message is lost).
std::FILE* output_stream(int unit);

// Whether the unit is connected to a stream or file.
bool connected(int unit);

// Connects unit to the existing file path for reading, positioned at its
// first line.  Returns 0, or the errno of the failed open.  A unit that is
// already connected is refused with EBUSY, a directory with EISDIR.
int open_old(int unit, const char* path);

using LineStatus = pdferr::common::TextFile::Status;

// Reads the next line of a unit connected by open_old into line, without
// its newline (a carriage return before the newline is dropped too).  A
// unit that is not connected for reading is at its end.  On
// LineStatus::read_error, read_error(unit) gives the errno.
LineStatus read_line(int unit, std::string& line);
int read_error(int unit);

// Whether the file a unit reads is still the one opened, unchanged (true
// for a unit that reads no file).
bool unchanged(int unit);

// The file name a unit was connected with ("" for the standard streams and
// for units that are not connected).
std::string unit_name(int unit);

// Disconnects unit (closing its file); a unit that is not connected, or one
// of the standard streams, is left alone.
void close(int unit);

}  // namespace fio
