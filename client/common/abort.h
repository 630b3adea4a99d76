// Abandoning a run after a fatal application error. The failing step writes its numbered error
// (error_file.h) and throws RunAborted; the exception unwinds to the run's abort point, which runs
// the registered clean-up (abort_run of the program entry) once. Nothing after the failure point
// runs.
#pragma once

#include <functional>
#include <string>

#include "client/common/app_error.h"

namespace kv {

struct RunAborted {
  bool clean_up = true;  // false: the run found another run's files and leaves them alone
};

// The program entry registers its abort_run here; tests may register their own or none.
void set_abort_cleanup(std::function<void()> cleanup);
// Runs the registered clean-up (nothing when none is registered).
void run_abort_cleanup();

// The work of the run's abort point once RunAborted has reached it: the registered clean-up,
// unless the failure asked for none.
void clean_up_after(const RunAborted& aborted);

// Writes `error` with `parameter` to qrtlnk.err and throws RunAborted.
[[noreturn]] void fail_run(AppError error, const std::string& parameter = "");
// The same, asking the abort point for no clean-up (the busy check that finds another run in
// progress).
[[noreturn]] void fail_run_without_cleanup(AppError error, const std::string& parameter = "");

}  // namespace kv
