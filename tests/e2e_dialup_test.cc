// End to end: a run whose qrtlnk.gns names a dial-up entry (ISP=) dials through the real kovedial
// with the simulated phonebook (KOVEDIAL_PHONEBOOK, format in dialer/dialup_simulated.cc), opens
// the session and hangs up at the end; an entry that was already connected is not hung up; a
// dial error reaches the CONNECT status line as the helper's code.
#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/dial_phonebook.h"
#include "tests/e2e_support.h"

namespace {

using e2e::field;

// The run left no error, and the connect and the listing succeeded.
void expect_session(e2e::Party& alice) {
  EXPECT_FALSE(alice.exists("qrtlnk.err")) << alice.describe();
  std::vector<std::string> status = alice.status();
  ASSERT_EQ(2u, status.size()) << alice.describe();
  EXPECT_EQ("0000", field(status[0], status::kResult));
  EXPECT_EQ("0000", field(status[1], status::kResult));
}

// The run ended at the connect with the dial's `code`, and error 0054 names the dial failure.
void expect_dial_failure(e2e::Party& alice, const char* code) {
  std::vector<std::string> status = alice.status();
  ASSERT_EQ(1u, status.size()) << "no session after a failed dial" << alice.describe();
  EXPECT_EQ("*000CONNECT", field(status[0], status::kTag));
  EXPECT_EQ(code, field(status[0], status::kResult));
  std::vector<std::string> errors = alice.errors();
  ASSERT_FALSE(errors.empty()) << alice.describe();
  EXPECT_EQ(e2e::error_line("0054", e2e::kError54), errors[0]);
}

// The first child process of `pid` (0 when it has none).
int child_of(int pid) {
  std::ifstream children("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) +
                         "/children");
  int child = 0;
  children >> child;
  return child;
}

struct DialRun {
  e2e::World world;
  std::string phonebook = world.root() + "/phonebook.txt";

  // Writes the phonebook (with `head` in front) and qrtlnk.gns with ISP=`entry`, and runs a LIJST.
  kvtest::RunResult run(const std::string& entry, const std::string& head = "") {
    kvtest::write_file(phonebook, head + kvtest::kTestPhonebook);
    e2e::Party& alice = world.alice();
    alice.write_gns(world.server(), "ISP=" + entry + "\n");
    alice.request("*001LIJST\n");
    kvtest::RunOptions options;
    options.env["KOVEDIAL_PHONEBOOK"] = phonebook;
    return alice.kovendi({"/FT"}, options);
  }
  // The connection that the simulated service holds: absent when nothing was dialled or hung up
  // in this test, empty after a hang-up.
  bool state_exists() const { return kvtest::file_exists(phonebook + ".state"); }
  std::string connection() const {
    std::vector<std::string> lines = kvtest::read_lines(phonebook + ".state");
    return lines.empty() ? "" : lines[0];
  }
  std::string helper_result() {
    std::vector<std::string> lines = world.alice().lines("kovedial.txt");
    return lines.empty() ? "<none>" : lines[0];
  }
};

TEST(E2eDialUp, DialsOpensTheSessionAndHangsUp) {
  DialRun d;
  d.run("Office Line");
  e2e::Party& alice = d.world.alice();
  ASSERT_NO_FATAL_FAILURE(expect_session(alice));
  EXPECT_NE(std::string::npos, alice.read("qrt400.log").find("dial-up entry name  : Office Line"));
  // Dialled (the state file exists) and hung up (no connection left).
  EXPECT_TRUE(d.state_exists()) << "kovedial did not dial";
  EXPECT_EQ("", d.connection()) << "the connection was not hung up";
  EXPECT_EQ("AAAA", d.helper_result());
}

TEST(E2eDialUp, AlreadyConnectedEntryIsNotHungUp) {
  DialRun d;
  d.run("Office Line", "active = Office Line\n");
  e2e::Party& alice = d.world.alice();
  ASSERT_NO_FATAL_FAILURE(expect_session(alice));
  EXPECT_EQ("aaaa", d.helper_result()) << "no hang-up ran after the dial";
  EXPECT_FALSE(d.state_exists()) << "the connection was hung up: " << d.connection();
}

TEST(E2eDialUp, DialErrorReachesTheConnectLineAndTheRunHangsUp) {
  DialRun d;
  d.run("Denied");
  e2e::Party& alice = d.world.alice();
  ASSERT_NO_FATAL_FAILURE(expect_dial_failure(alice, "4691"));
  // The hang-up helper ran after the dial and rewrote the result file.
  EXPECT_EQ("AAAA", d.helper_result());
  EXPECT_EQ("", d.connection());
}

// A refused dial and a helper killed during its dial both end the run with a dial failure; a
// killed helper is never taken for a connection.
TEST(E2eDialUp, RefusedDialOrKilledHelperEndsTheRunWithoutASession) {
  DialRun d;
  d.run("Refused");
  e2e::Party& alice = d.world.alice();
  ASSERT_NO_FATAL_FAILURE(expect_dial_failure(alice, "4633"));

  alice.write_gns(d.world.server(), "ISP=Never Answers\n");
  alice.request("*001LIJST\n");
  kvtest::RunOptions options;
  options.env["KOVEDIAL_PHONEBOOK"] = d.phonebook;
  auto run = alice.start_kovendi({"/FT"}, options);
  int helper = 0;
  ASSERT_TRUE(e2e::wait_until([&] { return (helper = child_of(run->pid())) != 0; }, 60));
  ASSERT_TRUE(e2e::wait_until([&] { return alice.exists("kovedial.txt"); }, 30));
  ASSERT_EQ(0, ::kill(helper, SIGKILL)) << "the helper could not be killed";
  kvtest::RunResult r = run->wait();
  EXPECT_EQ(0, r.exit_code);
  ASSERT_NO_FATAL_FAILURE(expect_dial_failure(alice, "4005"));
  EXPECT_FALSE(alice.exists("qrtlnk.bsy"));
}

}  // namespace
