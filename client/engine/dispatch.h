// The command dispatch: which front-end runs a recognised command line, and what status text the
// window shows for it.
#pragma once

#include <array>
#include <string>

#include "client/engine/engine_control.h"
#include "client/engine/session_result.h"

namespace kv::engine {

struct EngineContext;

// A command front-end: gets the command's status record with fields 1 and 2 set, reads and
// checks the command's attribute lines, runs the handler and writes the status line(s).
// Returns 0 (or the handler's non-negative result) to go on with the next command, -2 or -3 to
// end the session (a too-long line or Escape; a fatal verdict).
using FrontEnd = int (*)(EngineContext& ctx, std::string& status_record);

struct CommandEntry {
  const char* name;         // command name as it stands in the command line, upper case
  CommandKind kind;
  const char* status_text;  // shown in the window before the front-end runs; nullptr: none
  FrontEnd front_end;
};

// The seven commands, in the order of their command kinds.
const std::array<CommandEntry, 7>& command_table();
// Exact comparison with the upper-cased name; nullptr when it is none of the seven.
const CommandEntry* find_command(const std::string& name);

// Clears the attribute marks, shows the status text, runs the front-end; afterwards (ANTWOORD)
// the sent-message list is emptied. Returns the front-end's result as the command loop sees it.
SessionResult dispatch_command(EngineContext& ctx, const CommandEntry& entry,
                               std::string& status_record);

}  // namespace kv::engine
