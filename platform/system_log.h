// The system log: where a run reports what it could write nowhere else (an error file in a home
// directory that cannot be written, a refusal that names another user).
#pragma once

#include <string>

namespace kv::system_log {

// Writes `text` as one line at error priority under `program`'s name (syslog on POSIX systems,
// which the journal also collects). Nothing is reported when no system log is available.
void write_error(const std::string& program, const std::string& text);

}  // namespace kv::system_log
