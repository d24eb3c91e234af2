// Where a stop ends the process.
//
// Every stop of the toolkit (fio::stop, with or without a message) writes
// what it has to write and then ends the process through end_process.  A
// program that must live through a stop, such as a fuzzing harness that feeds
// one reader faulty input after faulty input, installs a handler: it runs in
// place of the ending and leaves by throwing (or by longjmp).  A handler that
// returns ends the process all the same, so without a handler, or with one
// that returns, a stop behaves as it always does: exit status 1.
#pragma once

namespace fio {

using StopHandler = void (*)();

// The exit status of every stop: each one ends the process on an error.
inline constexpr int stop_status = 1;

// Installs handler (null: none) and returns the one installed before.
StopHandler set_stop_handler(StopHandler handler) noexcept;

// Ends the process as a stop does: standard output and standard error are
// flushed, the handler (if any) runs, then the process exits with
// stop_status.
[[noreturn]] void end_process();

}  // namespace fio
