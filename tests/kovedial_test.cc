// kovedial run for real with a simulated phonebook: the result line it leaves in kovedial.txt.
#include <gtest/gtest.h>
#include <signal.h>

#include "tests/blackbox.h"
#include "tests/dial_phonebook.h"

namespace {

using kvtest::RunOptions;
using kvtest::TempDir;

struct Dial {
  TempDir dir;
  std::string phonebook() const { return dir.file("phonebook.txt"); }
  Dial(const std::string& extra = "") {
    kvtest::write_file(phonebook(), extra + kvtest::kTestPhonebook);
  }

  kvtest::RunResult run(std::vector<std::string> args, RunOptions options = {}) {
    options.env["KOVEDIAL_PHONEBOOK"] = phonebook();
    return kvtest::run(kvtest::program("kovedial"), args, dir.path(), options);
  }
  std::string result() const {
    auto lines = kvtest::read_lines(dir.file("kovedial.txt"));
    return lines.empty() ? "<none>" : lines[0];
  }
  std::string connection() const {
    auto lines = kvtest::read_lines(phonebook() + ".state");
    return lines.empty() ? "" : lines[0];
  }
};

TEST(Kovedial, UnrecognisedCommandLineLeavesAAAAAfterAboutFourSeconds) {
  for (auto args : std::vector<std::vector<std::string>>{{"DIAL"}, {"HANGUP", "extra"}, {}}) {
    Dial d;
    auto r = d.run(args);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(d.result(), "AAAA");
    EXPECT_GE(r.seconds, 3.8);
    EXPECT_LT(r.seconds, 8.0);
    EXPECT_EQ(kvtest::read_file(d.dir.file("kovedial.txt")), "AAAA\n");
  }
}

TEST(Kovedial, SuccessfulDialThenHangUp) {
  Dial d;
  auto r = d.run({"dial", "Office Line"});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(d.result(), "AAAA");
  EXPECT_EQ(d.connection(), "Office Line");

  // A second dial finds the connection up.
  d.run({"DIAL", "Office Line"});
  EXPECT_EQ(d.result(), "aaaa");

  d.run({"HangUp"});
  EXPECT_EQ(d.result(), "AAAA");
  EXPECT_EQ(d.connection(), "");
}

TEST(Kovedial, RefusedDials) {
  Dial d;
  d.run({"DIAL", "office line"});  // differs only in letter case
  EXPECT_EQ(d.result(), "4004");
  d.run({"DIAL", std::string(300, 'x')});
  EXPECT_EQ(d.result(), "4004");
  d.run({"DIAL", "Office \"Line\""});
  EXPECT_EQ(d.result(), "4004");
  d.run({"DIAL", "No Password"});
  EXPECT_EQ(d.result(), "4006");
  d.run({"DIAL", "Denied"});
  EXPECT_EQ(d.result(), "4691");
  EXPECT_EQ(d.connection(), "");

  Dial already("active = Somewhere\n");
  already.run({"DIAL", "Office Line"});
  EXPECT_EQ(already.result(), "aaaa");

  Dial missing;
  kvtest::write_file(missing.phonebook(), "\x01\x02garbage[[[\n=\n");
  missing.run({"DIAL", "Office Line"});
  EXPECT_EQ(missing.result(), "4004");
}

TEST(Kovedial, HangUpWithoutConnectionLeavesAAAA) {
  Dial d;
  auto r = d.run({"hangup"});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(d.result(), "AAAA");
}

TEST(Kovedial, InterruptDuringDialCancels) {
  Dial d;
  RunOptions options;
  options.send_signal = SIGINT;
  options.signal_after_ms = 2000;
  auto r = d.run({"DIAL", "Never Answers"}, options);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(d.result(), "4005");
  EXPECT_EQ(d.connection(), "");
}

// Nobody watches the helper: a refused dial and a failed hang-up leave their codes and the helper
// ends after its closing wait; closing it (SIGTERM) during a dial leaves 4005.
TEST(Kovedial, UnattendedFailuresEndWithTheirCodes) {
  const std::string entries = "[Sticky]\npassword = secret\nhangup_error = 668\n\n";
  RunOptions quick;
  quick.timeout_seconds = 30;
  Dial d(entries);
  auto r = d.run({"DIAL", "Refused"}, quick);
  EXPECT_EQ(r.signal, 0) << "the helper waited for an operator";
  EXPECT_EQ(d.result(), "4633");
  EXPECT_LT(r.seconds, 10.0);

  Dial up("active = Sticky\n" + entries);
  r = up.run({"HANGUP"}, quick);
  EXPECT_EQ(r.signal, 0) << "the helper waited for an operator";
  EXPECT_EQ(up.result(), "4668");
  EXPECT_LT(r.seconds, 10.0);

  RunOptions closing = quick;
  closing.send_signal = SIGTERM;
  closing.signal_after_ms = 2000;
  r = d.run({"DIAL", "Never Answers"}, closing);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(d.result(), "4005");
  EXPECT_EQ(d.connection(), "");
}

}  // namespace
