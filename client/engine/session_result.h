// What an engine operation returns to the command loop (an int, so that a count can stand in its
// place where an operation also counts).
#pragma once

namespace kv::engine {

enum SessionResult : int {
  kGoOn = 0,
  kRefused = -1,       // the command failed; its code is in the status record; the session goes on
  kEndSession = -2,    // a command-file line too long, or Escape
  kFatalVerdict = -3,  // the messaging interface gave a verdict after which the session ends
};

}  // namespace kv::engine
