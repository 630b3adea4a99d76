// Files of the command in hand that the handlers share with the front-ends.
#include "client/engine/command_context.h"

namespace kv::engine {

CommandContext& command_context() {
  static CommandContext context;
  return context;
}

void reset_command_context() { command_context() = CommandContext{}; }

}  // namespace kv::engine
