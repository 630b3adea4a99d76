// The error that tells the application why a file could not be written. A full disk (or quota)
// is error 51, which says disk space and names the file; any other failure keeps the error that
// the step reports for it.
#pragma once

#include <string>

#include "client/common/app_error.h"

namespace kv {

struct WriteError {
  AppError error;
  std::string parameter;
};

// `failure` is an errno value of the platform's fs::Result (0 or -1: unknown).
WriteError write_error(int failure, const std::string& file, AppError otherwise,
                       const std::string& parameter);
// Writes that error to qrtlnk.err; the run goes on.
void report_write_failure(int failure, const std::string& file, AppError otherwise,
                          const std::string& parameter);
// Writes that error, runs the abort clean-up and unwinds (fail_run).
[[noreturn]] void fail_run_after_write(int failure, const std::string& file, AppError otherwise,
                                       const std::string& parameter);

}  // namespace kv
