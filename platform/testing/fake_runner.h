// A process runner for tests: records every start and answers with a scripted callback (which
// may, for example, write the result file that the real program would leave, or give the output
// that a captured program prints). While it exists
// it is the runner of the process.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/process.h"

namespace kv::testing {

struct RunnerCall {
  std::string program;
  std::vector<std::string> args;
  std::string working_dir;
};

class FakeRunner : public process::Runner {
 public:
  using Script = std::function<int(const RunnerCall& call)>;
  using CaptureScript = std::function<process::Output(const RunnerCall& call)>;

  FakeRunner();
  explicit FakeRunner(Script script);
  ~FakeRunner() override;
  FakeRunner(const FakeRunner&) = delete;
  FakeRunner& operator=(const FakeRunner&) = delete;

  int run_and_wait(const std::string& program, const std::vector<std::string>& args,
                   const std::string& working_dir) override;
  // Recorded with an empty working directory; answers exit status 0 and no output unless scripted.
  process::Output run_capture(const std::string& program, const std::vector<std::string>& args,
                              unsigned timeout_ms) override;

  void set_script(Script script) { script_ = std::move(script); }
  void set_capture_script(CaptureScript script) { capture_script_ = std::move(script); }
  const std::vector<RunnerCall>& calls() const { return calls_; }

 private:
  Script script_;
  CaptureScript capture_script_;
  std::vector<RunnerCall> calls_;
};

}  // namespace kv::testing
