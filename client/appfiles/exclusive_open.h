// Opening a file of the application home directory for exclusive use, with retries while the
// process has too many files open.
#pragma once

#include <string>

namespace kv {

// Opens `name` exclusively with kv::fs::OpenFlags `flags` (a created file gets read and write
// permission). When the open fails because too many files are open, waits 5 seconds and tries
// again, at most 3 attempts in all. Returns the descriptor, or -1.
int open_exclusive_with_retries(const std::string& name, unsigned flags);

// Length of `name` measured while holding it open exclusively; -1 when it cannot be opened.
long long exclusive_file_length(const std::string& name);

// Removes `name` when its exclusively measured length is 0.
void remove_when_empty(const std::string& name);

}  // namespace kv
