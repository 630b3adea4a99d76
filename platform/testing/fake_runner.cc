// A process runner for tests.
#include "platform/testing/fake_runner.h"

namespace kv::testing {

FakeRunner::FakeRunner() { process::set_runner(this); }
FakeRunner::FakeRunner(Script script) : script_(std::move(script)) { process::set_runner(this); }
FakeRunner::~FakeRunner() { process::set_runner(nullptr); }

int FakeRunner::run_and_wait(const std::string& program, const std::vector<std::string>& args,
                             const std::string& working_dir) {
  calls_.push_back(RunnerCall{program, args, working_dir});
  return script_ ? script_(calls_.back()) : 0;
}

process::Output FakeRunner::run_capture(const std::string& program,
                                        const std::vector<std::string>& args, unsigned) {
  calls_.push_back(RunnerCall{program, args, ""});
  return capture_script_ ? capture_script_(calls_.back()) : process::Output{0, ""};
}

}  // namespace kv::testing
