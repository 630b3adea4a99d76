// Tests of the verdicts of the mail service: their result codes and what they do to a session.
#include "client/engine/verdict_map.h"

#include <gtest/gtest.h>

#include "client/engine/engine_context.h"
#include "client/engine/message_commands.h"
#include "client/engine/session_state.h"
#include "client/engine/testing/engine_test_env.h"
#include "client/engine/testing/fake_api.h"

namespace kv::engine {
namespace {

// A refused password change in a session: the verdict decides the command's status code and
// whether the session goes on with the next command or ends (still closing the session).
using testing::fake_api;

class VerdictInASession : public testing::EngineTest {};

TEST_F(VerdictInASession, DecidesTheStatusCodeAndWhetherTheSessionGoesOn) {
  struct Case {
    int verdict;
    const char* code;
    bool session_ends;
  };
  for (const Case& c : {Case{0, "1504", true}, Case{3, "1506", true}, Case{4, "1507", true},
                        Case{1, "1513", false}, Case{5, "1512", false}, Case{6, "1508", false},
                        Case{9, "1511", false}, Case{10, "1521", false}, Case{26, "1537", false},
                        Case{27, "1513", false}, Case{-1, "1513", false}}) {
    SCOPED_TRACE(c.verdict);
    fake_api().reset();
    dir_.write("qrtlnk.sts", "");
    expect_open();
    fake_api().expect_failure("API_changeNetworkPwd", c.verdict);
    if (!c.session_ends) fake_api().expect("API_changeNetworkPwd");
    expect_close();
    EXPECT_EQ(run(testing::connect_block("*001WACHTWOORD\nPIN=NIEUW1\n"
                                         "*002WACHTWOORD\nPIN=NIEUW2\n")),
              1);
    std::vector<std::string> expected = {line_of("*000CONNECT", "0000"),
                                         line_of("*001WACHTWOORD", c.code)};
    if (!c.session_ends) expected.push_back(line_of("*002WACHTWOORD", "0000"));
    EXPECT_EQ(status_lines(), expected);
    EXPECT_EQ(fake_api().remaining(), 0u);
  }
}

TEST(VerdictMapTest, MapVerdictAsksTheServiceAndLeavesTheCode) {
  HomeDirectory home;
  EngineControl control;
  RunState run;
  EngineContext context(home, control, run);
  fake_api().reset();
  fake_api().expect_failure("API_delMsg", 4);
  EXPECT_EQ(API_delMsg(nullptr, "1"), -1);
  EXPECT_EQ(map_verdict(context), -3);
  EXPECT_EQ(context.session.result_text, "1507");
  fake_api().expect_failure("API_delMsg", 9);
  API_delMsg(nullptr, "1");
  EXPECT_EQ(map_verdict(context), -1);
  EXPECT_EQ(context.session.result_text, "1511");
}

}  // namespace
}  // namespace kv::engine
