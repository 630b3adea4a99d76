// The application's error file qrtlnk.err: one numbered Dutch line per error.
#pragma once

#include <string>

#include "client/common/app_error.h"

namespace kv {

// The complete line (with "\n") that error number `code` with `parameter` produces; a number
// outside the catalogue (app_error.h) gets the text for an unknown error.
std::string format_error_line(int code, const std::string& parameter);
// Appends the line to qrtlnk.err in the application home directory.
void schrijf_QRTLNK_error_bestand(AppError error, const std::string& parameter);

}  // namespace kv
