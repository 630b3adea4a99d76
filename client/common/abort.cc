// Abandoning a run: error line, clean-up, unwind.
#include "client/common/abort.h"

#include "client/common/error_file.h"

namespace kv {
namespace {

std::function<void()>& cleanup_slot() {
  static std::function<void()> cleanup;
  return cleanup;
}

bool g_cleanup_running = false;

}  // namespace

void set_abort_cleanup(std::function<void()> cleanup) { cleanup_slot() = std::move(cleanup); }

void run_abort_cleanup() {
  // A failure inside the clean-up (it may itself write an error) must not start it again.
  if (g_cleanup_running || !cleanup_slot()) return;
  g_cleanup_running = true;
  try {
    cleanup_slot()();
  } catch (const RunAborted&) {
  }
  g_cleanup_running = false;
}

void clean_up_after(const RunAborted& aborted) {
  if (aborted.clean_up) run_abort_cleanup();
}

void fail_run(AppError error, const std::string& parameter) {
  schrijf_QRTLNK_error_bestand(error, parameter);
  throw RunAborted{};
}

void fail_run_without_cleanup(AppError error, const std::string& parameter) {
  schrijf_QRTLNK_error_bestand(error, parameter);
  throw RunAborted{false};
}

}  // namespace kv
