// The client's own files in the application home directory. A file that the application names
// for the client to write (an output file, or the application file of /U=) must never be one of
// them: writing it would lose or mix up the records they hold.
#pragma once

#include <string>

#include "client/common/app_error.h"

namespace kv {

// True when `name` (against the application home directory) is, or leads to (a symbolic link,
// another letter case, a path through ".."), the receive store, the send queue with its block
// file, the busy file, the status or error file or the user file (also through a hard link), or
// a part file that a record of the receive store names.
bool is_own_file(const std::string& name);

// Ends the run with `error` when `name` is one of the client's own files.
void refuse_own_file(const std::string& name, AppError error);

}  // namespace kv
