// The run for the mode that the command line chose.
#pragma once

#include <string>

namespace kv {

// Exactly one of: update of QRTLNK.RCV (/U=), update of QRTLNK.SND (/C), retrieve (/R, /RT), or
// the normal communication run.
void run_dispatcher(const std::string& command_file, const std::string& status_file);

// Removes the copy of the command file that the normal run keeps for the next start.
void remove_command_file_copy();

}  // namespace kv
