// Where data files are found by name: the one search rule of every face.
//
// PDFERR_DATA_PATH holds folders separated by colons.  Empty entries are
// left out (they never stand for the working folder, which every search
// takes in anyway); a relative entry is taken from the working folder at the
// time of the search, as the shell takes it.  Only the folders themselves
// are looked at, never their subfolders, and a name is a plain file name: a
// name holding a slash is a path, used as it stands and never searched.
//
// A folder holds a name when an entry of that name exists there (whatever
// it is, so that a directory or an unreadable file in the way is reported
// where it stands, not passed over).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pdferr::common {

inline constexpr const char* data_path_variable = "PDFERR_DATA_PATH";

// The folders of PDFERR_DATA_PATH in order, empty entries left out.
std::vector<std::string> data_path_folders();

// The file `name` in `folder` ("" or "." for the working folder: the name
// alone).
std::string in_folder(const std::string& folder, const std::string& name);

// Whether a file name is searched for (it holds no slash and is not empty).
bool searched_name(const std::string& name);

// Where the toolkit's value faces (TableSet, GridMember, MemberSet, their C
// handles, Python and the command) find `name`: in `directory` when it is
// not empty, then in the folders of PDFERR_DATA_PATH, then in the working
// folder; the first that holds it.  Nothing when none does.  A name that is
// not searched is returned as it stands.
std::optional<std::string> find_data_file(const std::string& name,
                                          const std::string& directory = "");

// Where the legacy routines (setzemo, pelkini) find `name`: in the working
// folder first, so that a program behaves as it always did; only a name
// absent there is looked for in the folders of PDFERR_DATA_PATH.  The name
// itself when no folder holds it.
std::string find_legacy_file(const std::string& name);

}  // namespace pdferr::common
