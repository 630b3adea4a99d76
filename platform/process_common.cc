// The parts of the process facility that are the same on every platform: the environment, and
// the runner that starts programs (the system's, or one that a test installed).
#include <cstdlib>

#include "platform/process.h"
#include "platform/process_output.h"

namespace kv::process {
namespace {

Runner* g_installed = nullptr;

}  // namespace

std::string get_env(const std::string& name, bool* found) {
  const char* value = std::getenv(name.c_str());
  if (found != nullptr) *found = value != nullptr;
  return value != nullptr ? value : "";
}

Runner& runner() { return g_installed != nullptr ? *g_installed : system_runner(); }

void set_runner(Runner* replacement) { g_installed = replacement; }

Output run_capture(const std::string& program, const std::vector<std::string>& args,
                   unsigned timeout_ms) {
  return runner().run_capture(program, args, timeout_ms);
}

}  // namespace kv::process
