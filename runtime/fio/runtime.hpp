// Start-up of the I/O runtime for a program entry.
#pragma once

namespace fio {

// Records the command line of the program.  Nothing in the toolkit reads it
// back; it exists so that a program entry hands its arguments to the
// runtime the way a Fortran main program does.
void start(int argc, char** argv);

// The command line recorded by start (0 and null before it).
int argument_count();
char** argument_vector();

}  // namespace fio
