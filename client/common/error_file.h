// The application's error file qrtlnk.err: one numbered Dutch line per error.
//
// A run that fails must always leave its code, also on a full disk: at its start the run reserves
// room for its error lines (a small file beside qrtlnk.err), which it gives back when an error
// line cannot be written otherwise. When qrtlnk.err cannot be written at all (a home directory
// the run may not write), the line goes to standard error and to the system log, with the
// directory and the reason.
#pragma once

#include <string>

#include "client/common/app_error.h"

namespace kv {

// The complete line (with "\n") that error number `code` with `parameter` produces; a number
// outside the catalogue (app_error.h) gets the text for an unknown error.
std::string format_error_line(int code, const std::string& parameter);
// Appends the line to qrtlnk.err in the application home directory (see above when it cannot).
void schrijf_QRTLNK_error_bestand(AppError error, const std::string& parameter);

// Start of a run: removes qrtlnk.err, so that it holds only this run's errors. When an old one
// cannot be removed, this run's errors go to standard error and the system log instead.
void start_error_file();
// Reserves the room for this run's error lines; false when not even that room can be had.
// Reserves that killed runs left behind are removed.
bool reserve_error_room();
// Gives the reserved room back (at the end of the run); false when none was held.
bool release_error_room();
// Work-file names of the reserves ("KVER" and six characters).
bool is_error_reserve(const std::string& name);

// Tells the operator what the application cannot be told through qrtlnk.err (a refusal that
// names another user, an error file that cannot be written): one line on standard error and in
// the system log.
void report_to_operator(const std::string& text);

}  // namespace kv
