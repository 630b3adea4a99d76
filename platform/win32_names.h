// Names on Windows: the program works with 8-bit names (the bytes the application gives, in the
// ANSI code page) whose separator is "/"; the system's wide-character API takes UTF-16 names
// with "\", and paths of 248 characters or more only in their "\\?\" form. Private to platform/.
#pragma once

#include <string>
#include <vector>

namespace kv::win32 {

// ANSI code page to UTF-16 and back. `lossy` tells whether a character had no ANSI form.
std::wstring widen(const std::string& text);
std::string narrow(const std::wstring& text, bool* lossy = nullptr);

// The name the wide API is given for `path`: made absolute and normalised by the system, in
// its long form when it is long. Empty for a name that must not reach the file system: a
// device ("CON", "NUL", "COM1", ...), an alternate data stream ("file:stream"), or a name that
// has no UTF-16 form.
std::wstring system_path(const std::string& path);
// A name that the system gave, as the program uses it: "\\?\" removed, "/" separators, in the
// ANSI code page (through the short 8.3 name when the long one has no ANSI form).
std::string program_path(const std::wstring& path);

// The errno value that corresponds to a Windows error code.
int errno_from(unsigned long error);

// The command line that hands `args` to `program` as they are: each word quoted when it is empty
// or holds a blank, a tab or a quote, backslashes doubled where a quote follows (the rule by which
// the C run-time library of the started program splits it again).
std::string command_line(const std::string& program, const std::vector<std::string>& args);

}  // namespace kv::win32
