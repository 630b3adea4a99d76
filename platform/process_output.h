// Running a program and collecting what it prints (used by back ends that drive a system tool).
#pragma once

#include <string>
#include <vector>

namespace kv::process {

struct Output {
  int exit_status = -1;   // -1 when the program could not be started or was killed
  std::string text;       // standard output and standard error together
};

// Runs `program` (looked up in PATH when it has no "/") with `args` and waits for it; gives up
// and kills it after `timeout_ms` (0: no limit).
Output run_capture(const std::string& program, const std::vector<std::string>& args,
                   unsigned timeout_ms);

}  // namespace kv::process
