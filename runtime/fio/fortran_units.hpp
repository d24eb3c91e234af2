// The units of a Fortran program, through the toolkit's Fortran library.
//
// A Fortran program keeps its I/O units in the Fortran runtime's own table.
// When it links the toolkit's Fortran library (libpdferr_fortran, a bridge
// compiled with gfortran), the functions below are defined, and the I/O
// runtime uses that table for every unit it does not read itself: a message
// to unit N goes to the program's unit N, after the program's own lines
// there; nextun sees the units the program opened; readpds0 reads a unit the
// program opened; fio_connect connects a unit the program writes to as well.
// A C or C++ program does not link the bridge: the weak references are null
// and the runtime keeps its own units.
//
// Every function takes its arguments by value and returns a Fortran I/O
// status: 0 when done, a positive value on an error.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

// -1 for a number that is not a unit, 0 for a unit not connected; else 1,
// plus fortran_readable when the unit may be read, plus fortran_writable
// when it may be written.
std::int32_t pdferr_fortran_unit_state(std::int32_t unit) __attribute__((weak));

// Writes the length bytes of text as one record (line) on unit.
std::int32_t pdferr_fortran_write(std::int32_t unit, const char* text, std::size_t length)
    __attribute__((weak));

// Reads on from the current record of unit into buffer, at most capacity
// bytes, their count in length: 0 when the record ended (the next call reads
// the next record), fortran_more when the buffer is full and the record goes
// on, -1 at the end of the file, a positive status on an error.
std::int32_t pdferr_fortran_read(std::int32_t unit, char* buffer, std::size_t capacity,
                                 std::size_t* length) __attribute__((weak));

// The file name unit is connected to, in buffer (at most capacity bytes);
// returns its length, 0 when the unit has no file name.
std::size_t pdferr_fortran_name(std::int32_t unit, char* buffer, std::size_t capacity)
    __attribute__((weak));

// Connects unit to the file named by the length bytes of path: an existing
// file for reading only (reading != 0), else a file created or emptied for
// writing only.
std::int32_t pdferr_fortran_open(std::int32_t unit, const char* path, std::size_t length,
                                 std::int32_t reading) __attribute__((weak));

// Closes unit.
std::int32_t pdferr_fortran_close(std::int32_t unit) __attribute__((weak));

// The unit the file at path (length bytes) is connected to, -1 if none.
std::int32_t pdferr_fortran_file_unit(const char* path, std::size_t length) __attribute__((weak));
}

namespace fio::fortran {

inline constexpr std::int32_t fortran_readable = 2;
inline constexpr std::int32_t fortran_writable = 4;
inline constexpr std::int32_t fortran_more = 1;

// Whether the program links the bridge.
inline bool linked() { return pdferr_fortran_unit_state != nullptr; }

}  // namespace fio::fortran
