// Files that hold a password (the user file, the command file and its kept copy) are readable by
// their owner only: they are created with mode 0600 before anything is written into them.
#pragma once

#include <string>

namespace kv {

constexpr unsigned kPrivateFileMode = 0600;

// Creates `name` in the application home directory (empty, mode `mode`), or gives an existing
// one (a file that could not be set aside) that mode, so that what a stream writes into it
// afterwards is never readable by others. False when it cannot be created.
bool create_private_file(const std::string& name, unsigned mode = kPrivateFileMode);

// Permission bits of an existing file in the application home directory, else `fallback`.
unsigned file_mode_or(const std::string& name, unsigned fallback);

}  // namespace kv
