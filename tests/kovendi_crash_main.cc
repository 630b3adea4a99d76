// kovendi built for the crash tests: the same program, with the crash switch of the power-cut
// simulator (platform/testing/power_cut.h) read from the environment, so that a test can kill a
// run or cut its power at a chosen file operation, or count the file operations of a run.
#include <string>
#include <vector>

#include "client/startup/program_entry.h"
#include "platform/testing/power_cut.h"

int main(int argc, char** argv) {
  kv::testing::CrashSwitch crash_switch;
  std::vector<std::string> parameters;
  for (int i = 1; i < argc; ++i) parameters.emplace_back(argv[i]);
  return kv::program_entry(parameters);
}
