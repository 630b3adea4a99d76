// Process-wide run state.
#include "client/common/run_state.h"

namespace kv {

RunState& run_state() {
  static RunState state;
  return state;
}

void reset_run_state() { run_state() = RunState{}; }

}  // namespace kv
