// Process facility: where the program lies, the environment, and starting a program and waiting
// for it.
#pragma once

#include <string>
#include <vector>

namespace kv::process {

// Directory of the running executable (/proc/self/exe), without a trailing separator.
std::string program_directory();

// Value of an environment variable; `found` tells whether it was set.
std::string get_env(const std::string& name, bool* found = nullptr);

struct Output {
  int exit_status = -1;   // -1 when the program could not be started or was killed
  std::string text;       // standard output and standard error together
};

class Runner {
 public:
  virtual ~Runner() = default;
  // Starts `program` (a path, or a bare name searched in PATH) with `args` (the arguments after
  // the program name) in `working_dir` (empty: the current directory), no inherited descriptors
  // beyond the standard ones, and waits for it without a time limit. Returns its exit status
  // (128 + the signal number when a signal ended it), or -1 when it could not be started.
  virtual int run_and_wait(const std::string& program, const std::vector<std::string>& args,
                           const std::string& working_dir) = 0;
  // Runs `program` (looked up in PATH when it has no "/") with `args` and collects what it
  // prints; gives up and kills it after `timeout_ms` (0: no limit).
  virtual Output run_capture(const std::string& program, const std::vector<std::string>& args,
                             unsigned timeout_ms) = 0;
};

Runner& runner();
Runner& system_runner();          // the real one
void set_runner(Runner* runner);  // tests; nullptr restores the real one

}  // namespace kv::process
