// pdferr list: what the search path holds.
#pragma once

#include <string>

namespace pdferr::cli {

// The data files of each folder of PDFERR_DATA_PATH, then of the working
// folder, in search order and by name within a folder: member-set
// descriptions (kind, members, level), table sets and grid members (their
// ranges), each loaded; a name that an earlier folder holds too is marked
// as hidden by it.  Returns the text for standard output and, in faults,
// one line for each file that does not load; a folder that cannot be read
// is a fault too.  Only the folders themselves are read, never their
// subfolders.
std::string list_data(std::string& faults);

// What the data file at path is, as list shows it ("" for a file that is
// not a data file by its name); throws what loading it throws.
std::string describe_data_file(const std::string& path);

}  // namespace pdferr::cli
