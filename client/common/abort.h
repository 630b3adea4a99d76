// Abandoning a run after a fatal application error. The failing step writes its numbered error
// (error_file.h), the registered clean-up (abort_run of the program entry) runs, and a RunAborted
// exception unwinds to the run's abort point. Nothing after the failure point runs.
#pragma once

#include <functional>
#include <string>

#include "client/common/app_error.h"

namespace kv {

struct RunAborted {};

// The program entry registers its abort_run here; tests may register their own or none.
void set_abort_cleanup(std::function<void()> cleanup);
// Runs the registered clean-up (nothing when none is registered).
void run_abort_cleanup();

// Writes `error` with `parameter` to qrtlnk.err, runs the clean-up, throws RunAborted.
[[noreturn]] void fail_run(AppError error, const std::string& parameter = "");
// The same without the clean-up (the busy check that finds another run in progress).
[[noreturn]] void fail_run_without_cleanup(AppError error, const std::string& parameter = "");

}  // namespace kv
