// The engine session: runs the command file against the mail service and writes the status file.
#pragma once

#include <string>

namespace kv {

class StatusWindow;

// -1 when the session could not be prepared or connected; otherwise 0 when every status line
// carries "0000", 1 when at least one carries another code.
int qrt400_session(StatusWindow* window, const std::string& command_file,
                   const std::string& status_file);

}  // namespace kv
