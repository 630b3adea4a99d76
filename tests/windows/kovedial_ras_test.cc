// kovedial through the Remote Access Service of the system (no simulated phonebook): a hang-up
// without a connection leaves "AAAA"; an entry the phonebook does not hold leaves "4004".
#include <gtest/gtest.h>

#include "tests/blackbox.h"

namespace {

std::string result_after(const std::vector<std::string>& args) {
  kvtest::TempDir dir;
  kvtest::RunOptions options;
  options.unset_env.push_back("KOVEDIAL_PHONEBOOK");
  options.timeout_seconds = 60;
  kvtest::RunResult r = kvtest::run(kvtest::program("kovedial"), args, dir.path(), options);
  EXPECT_EQ(0, r.exit_code);
  EXPECT_EQ(0, r.signal) << "the helper waited for an operator";
  std::vector<std::string> lines = kvtest::read_lines(dir.file("kovedial.txt"));
  return lines.empty() ? "<none>" : lines[0];
}

TEST(KovedialRas, HangUpWithoutConnectionAndUnknownEntry) {
  EXPECT_EQ("AAAA", result_after({"HANGUP"}));
  EXPECT_EQ("4004", result_after({"DIAL", "Kovendi Test Entry That Does Not Exist"}));
}

}  // namespace
