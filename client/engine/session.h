// The engine session: runs the command file against the mail service and writes the status file.
#pragma once

#include <string>

namespace kv {

class StatusWindow;

// -1 when the session could not be prepared or connected; otherwise 0 when every status line
// carries "0000", 1 when at least one carries another code.
int qrt400_session(StatusWindow* window, const std::string& command_file,
                   const std::string& status_file);

// After qrt400_session: 0 when every status line reached the status file; otherwise the errno
// value of the platform's failure (-1 when unknown) with which the first lost line failed.
int qrt400_status_write_failure();

}  // namespace kv
