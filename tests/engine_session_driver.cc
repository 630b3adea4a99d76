// Runs one engine session against the real messaging interface, for the chain tests: the
// machine can start once per process, so each session of a chain is a process of its own.
// Usage: kv_engine_session_driver PROGRAM_DIR ENGINE_DIR COMMAND_FILE STATUS_FILE
#include <cstdio>

#include "client/common/home.h"
#include "client/common/run_state.h"
#include "client/engine/engine_context.h"
#include "client/engine/session_runner.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: %s PROGRAM_DIR ENGINE_DIR COMMAND_FILE STATUS_FILE\n", argv[0]);
    return 2;
  }
  kv::run_state().program_dir = argv[1];
  kv::engine::EngineContext context(kv::engine_home(), kv::engine_control(), kv::run_state());
  int result = kv::engine::run_session(context, nullptr, argv[3], argv[4], argv[2]);
  std::printf("%d\n", result);
  return 0;
}
