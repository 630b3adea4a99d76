// The application's error file qrtlnk.err: one numbered Dutch line per error.
#pragma once

#include <string>

namespace kv {

// Text of catalogue entry `code` (1..54) with "%s" not filled in; empty for unknown numbers.
std::string error_catalogue_text(int code);
// The complete line (with "\n") that error `code` with `parameter` produces.
std::string format_error_line(int code, const std::string& parameter);
// Appends the line to qrtlnk.err in the application home directory.
void schrijf_QRTLNK_error_bestand(int code, const std::string& parameter);

}  // namespace kv
