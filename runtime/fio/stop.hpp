// Ending the process the way a Fortran STOP does, for a fatal error: a batch
// system must see the failure, so the exit status is 1.
#pragma once

#include <string_view>

namespace fio {

// Plain stop: flushes every stream and ends the process with status 1,
// printing nothing more.
[[noreturn]] void stop();

// Stop with a message: writes "STOP " and the text as one line on standard
// error, then ends the process with status 1.
[[noreturn]] void stop(std::string_view message);

}  // namespace fio
