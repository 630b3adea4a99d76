// Tests of dialing and hanging up a session's dial-up entry through the helper program.
#include "client/engine/dialup.h"

#include <sys/stat.h>

#include <new>

#include "client/engine/command_file.h"
#include "client/engine/testing/engine_test_env.h"
#include "platform/testing/fake_runner.h"
#include "platform/testing/temp_dir.h"

namespace kv::engine {
namespace {

using kv::testing::FakeRunner;
using kv::testing::RunnerCall;
using testing::connect_block;
using testing::EngineTest;
using testing::fake_api;

TEST(DialResultTest, FirstLineDecides) {
  EXPECT_EQ(judge_dial_result(false, false, "").code, "4002");
  EXPECT_EQ(judge_dial_result(true, false, "").code, "4003");
  EXPECT_EQ(judge_dial_result(true, true, "").code, "4003");
  DialOutcome up_before = judge_dial_result(true, true, "aaaa Verbinding bestond al");
  EXPECT_TRUE(up_before.connected);
  EXPECT_TRUE(up_before.already_connected);
  DialOutcome dialed = judge_dial_result(true, true, "AAAA");
  EXPECT_TRUE(dialed.connected);
  EXPECT_FALSE(dialed.already_connected);
  DialOutcome mixed = judge_dial_result(true, true, "AaAa");
  EXPECT_TRUE(mixed.connected);
  EXPECT_FALSE(mixed.already_connected);
  DialOutcome refused = judge_dial_result(true, true, "0691 Toegang geweigerd");
  EXPECT_FALSE(refused.connected);
  EXPECT_EQ(refused.code, "0691");
  EXPECT_EQ(judge_dial_result(true, true, "12").code, "12");
}

class DialSessionTest : public EngineTest {
 protected:
  // A helper stand-in that leaves `result` as the first line of its result file when dialing.
  void helper_writes(const std::string& result, const std::string& file = "kovedial.txt") {
    runner_.set_script([this, result, file](const RunnerCall& call) {
      if (call.args.at(0) == "DIAL" && !result.empty()) dir_.write(file, result + "\n");
      return 0;
    });
  }
  int run_dialled(const std::string& commands = "") {
    return run(connect_block("ISP=Kantoor lijn\n") + commands);
  }
  std::vector<std::string> helper_args() const {
    std::vector<std::string> args;
    for (const RunnerCall& call : runner_.calls()) {
      std::string joined;
      for (const std::string& a : call.args) joined += (joined.empty() ? "" : " ") + a;
      args.push_back(joined);
    }
    return args;
  }
  FakeRunner runner_;
};

TEST_F(DialSessionTest, DialledConnectionIsHungUpAtTheEnd) {
  helper_writes("AAAA");
  expect_open();
  expect_close();
  EXPECT_EQ(run_dialled(), 0);
  ASSERT_EQ(runner_.calls().size(), 2u);
  EXPECT_EQ(runner_.calls()[0].program, dir_.path() + "/kovedial");
  EXPECT_EQ(runner_.calls()[0].working_dir, dir_.path());
  EXPECT_EQ(helper_args(), (std::vector<std::string>{"DIAL Kantoor lijn", "HANGUP"}));
  EXPECT_EQ(status_lines(), std::vector<std::string>{line_of("*000CONNECT", "0000")});
  EXPECT_TRUE(journal_has("  |", "----- dial-up entry name  : Kantoor lijn"));
}

TEST_F(DialSessionTest, ExistingConnectionIsLeftAlone) {
  helper_writes("aaaa", "Kovedial.txt");  // the helper's spelling of the name
  expect_open();
  expect_close();
  EXPECT_EQ(run_dialled(), 0);
  EXPECT_EQ(helper_args(), std::vector<std::string>{"DIAL Kantoor lijn"});
}

TEST_F(DialSessionTest, HelperErrorsEndTheSessionAfterAHangUp) {
  for (const auto& [written, code] : std::vector<std::pair<std::string, std::string>>{
           {"0691 Toegang geweigerd", "0691"}, {"", "4002"}}) {
    SCOPED_TRACE(written);
    // A result file of an earlier run is not taken for this dial's outcome.
    dir_.write("kovedial.txt", "AAAA\n");
    helper_writes(written);
    EXPECT_EQ(run_dialled("*001LIJST\n"), -1);
    EXPECT_EQ(status_lines(), std::vector<std::string>{line_of("*000CONNECT", code)});
    EXPECT_EQ(helper_args().back(), "HANGUP");
    EXPECT_EQ(fake_api().count("API_open"), 0);
  }
}

// A helper that was killed during the dial leaves its start-up "AAAA": the session must not open
// as if connected, and the line it may have brought up is hung up.
TEST_F(DialSessionTest, KilledHelperIsNoConnection) {
  runner_.set_script([this](const RunnerCall& call) {
    if (call.args.at(0) == "DIAL") dir_.write("kovedial.txt", "AAAA\n");
    return call.args.at(0) == "DIAL" ? 128 + 9 : 0;
  });
  EXPECT_EQ(run_dialled("*001LIJST\n"), -1);
  EXPECT_EQ(status_lines(), std::vector<std::string>{line_of("*000CONNECT", "4005")});
  EXPECT_EQ(helper_args(), (std::vector<std::string>{"DIAL Kantoor lijn", "HANGUP"}));
  EXPECT_EQ(fake_api().count("API_open"), 0);
}

TEST_F(DialSessionTest, EmptyResultFileAndHelperThatCannotStart) {
  runner_.set_script([this](const RunnerCall&) {
    dir_.write("kovedial.txt", "");
    return 0;
  });
  EXPECT_EQ(run_dialled(), -1);
  EXPECT_EQ(status_lines(), std::vector<std::string>{line_of("*000CONNECT", "4003")});

  runner_.set_script([](const RunnerCall&) { return -1; });
  EXPECT_EQ(run_dialled(), -1);
  // No result code: field 3 stays empty.
  EXPECT_EQ(status_lines(), std::vector<std::string>{std::string("*000CONNECT|") +
                                                     testing::kTestStamp});
}

TEST_F(DialSessionTest, FailedOpenAfterDialingHangsUp) {
  helper_writes("AAAA");
  fake_api().expect_failure("API_open", 29);
  EXPECT_EQ(run_dialled(), -1);
  EXPECT_EQ(status_lines(), std::vector<std::string>{line_of("*000CONNECT", "1516")});
  EXPECT_EQ(helper_args(), (std::vector<std::string>{"DIAL Kantoor lijn", "HANGUP"}));
  EXPECT_EQ(fake_api().count("API_close"), 0);

  runner_.set_script([this](const RunnerCall& call) {
    if (call.args[0] == "DIAL") dir_.write("kovedial.txt", "aaaa\n");
    return 0;
  });
  fake_api().expect_failure("API_open", 0);
  EXPECT_EQ(run_dialled(), -1);
  EXPECT_EQ(status_lines(), std::vector<std::string>{line_of("*000CONNECT", "1501")});
  EXPECT_EQ(helper_args().back(), "DIAL Kantoor lijn");  // not dialled by us: no hang-up
}

TEST_F(DialSessionTest, MemoryShortageUnwindsToTheRecoveryPoint) {
  helper_writes("AAAA");
  // Memory runs out deep inside the engine (here: while the session is being opened).
  expect_open().fill = [](testing::FakeCallArgs&) { throw std::bad_alloc(); };
  EXPECT_EQ(run_dialled("*001LIJST\n"), -1);
  // No status line, no close of the session, no hang-up.
  EXPECT_FALSE(dir_.exists("qrtlnk.sts"));
  EXPECT_EQ(fake_api().count("API_close"), 0);
  EXPECT_EQ(helper_args(), std::vector<std::string>{"DIAL Kantoor lijn"});
  EXPECT_FALSE(ctx_.command_file.is_open());
}

// The real process layer with a stand-in helper script in the program directory.
TEST_F(EngineTest, StandInHelperScriptIsStartedAndItsResultRead) {
  if (!kv::testing::files_have_permission_bits()) GTEST_SKIP() << "the stand-in is a shell script";
  dir_.make_dir("bin");
  dir_.write("bin/kovedial",
             "#!/bin/sh\n"
             "echo \"[$1] [$2] [$#]\" >> helper-calls.txt\n"
             "if [ \"$1\" = DIAL ]; then echo 'AAAA verbonden' > KOVEDIAL.TXT; fi\n");
  chmod(dir_.file("bin/kovedial").c_str(), 0755);
  run_state().program_dir = dir_.file("bin");
  expect_open();
  expect_close();
  EXPECT_EQ(run(connect_block("ISP=Inbellen \"thuis\"\n")), 0);
  EXPECT_EQ(dir_.lines("helper-calls.txt"),
            (std::vector<std::string>{"[DIAL] [Inbellen \"thuis\"] [2]", "[HANGUP] [] [1]"}));
  EXPECT_EQ(status_lines(), std::vector<std::string>{line_of("*000CONNECT", "0000")});
}

}  // namespace
}  // namespace kv::engine
