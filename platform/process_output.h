// Running a program and collecting what it prints (used by back ends that drive a system tool).
#pragma once

#include <string>
#include <vector>

#include "platform/process.h"

namespace kv::process {

// runner().run_capture: runs `program` (looked up in PATH when it has no "/") with `args` and
// waits for it; gives up and kills it after `timeout_ms` (0: no limit).
Output run_capture(const std::string& program, const std::vector<std::string>& args,
                   unsigned timeout_ms);

}  // namespace kv::process

namespace kv::process::posix {

// What the system's runner does for run_capture.
Output capture_output(const std::string& program, const std::vector<std::string>& args,
                      unsigned timeout_ms);

}  // namespace kv::process::posix
