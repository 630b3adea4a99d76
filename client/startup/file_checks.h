// File-name checks of the command line and of the TMP directory. Relative names resolve against
// the application home directory; "/" and "\" are both separators; a drive-qualified name
// ("X:...") is recognised; its drive can be selected only where the system has drives.
#pragma once

#include <string>

namespace kv {

// 1 when the name has no drive or its drive can be selected, else 0.
int drive_exists(const std::string& name);
// 1 when the name is an existing directory or a bare drive ("X:"), else 0.
int is_directory(const std::string& name);
// 1 when a file can be created in `directory` (which ends in a separator, is a bare drive, or is
// empty for the home directory), else 0.
int directory_writable(const std::string& directory);
// 1 when the name can serve as an output file, else 0. Leaves nothing behind.
int name_writable(const std::string& name);

// True for "X:" (a bare drive) and for "X:\" or "X:/" (a drive root).
bool is_bare_drive(const std::string& name);
bool is_drive_root(const std::string& name);
bool is_separator(char c);

}  // namespace kv
