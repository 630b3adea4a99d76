// Dialing and hanging up the dial-up networking entry of a session through the helper program
// "kovedial" in the program directory. The helper runs in the start directory and leaves its
// outcome as the first line of "kovedial.txt" there.
#pragma once

#include <string>

namespace kv::engine {

struct EngineContext;

struct DialOutcome {
  bool connected = false;          // the session may open
  bool already_connected = false;  // "aaaa": the connection was up before; do not hang up
  std::string code;                // on failure: "4002", "4003" or the helper's code; empty when
                                   // the helper could not be started
};

// Starts "kovedial DIAL <entry>" and waits for it without a time limit, then reads its result.
DialOutcome dial(EngineContext& ctx, const std::string& entry);

// Starts "kovedial HANGUP" and waits for it; a helper that cannot be started is ignored, its
// result file is not read.
void hang_up(EngineContext& ctx);

// The first line of a result file as the dial step judges it (exposed for the tests).
DialOutcome judge_dial_result(bool file_opened, bool line_read, const std::string& line);

// Directory in which the helper runs and writes its result file.
std::string dial_start_directory(EngineContext& ctx);

}  // namespace kv::engine
