// The run and its abort mechanism. A fatal application error writes its numbered line and throws
// kv::RunAborted, which start_run (during the run) or the program entry (during start-up)
// catches: that catch is the run's abort point, where abort_run (registered as the abort
// clean-up) runs.
#pragma once

#include <string>

namespace kv {

// Holds qrtlnk.bsy open for reading (as a registered stream, so that closing every open stream
// closes it too).
void hold_busy_file();

// Performs the run: returns the engine result, or 1 when the run was abandoned.
int start_run(const std::string& command_file, const std::string& status_file);

// Closes every open stream and removes qrtlnk.bsy; once the command line has been accepted, also
// protects qrtlnk.snd and qrtlnk.rcv and merges the interchange list.
void abort_run();

}  // namespace kv
