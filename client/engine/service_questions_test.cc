// Tests of the open questions that killed runs left, asked in a later session.
#include "client/engine/service_questions.h"

#include <gtest/gtest.h>

#include "client/common/open_questions.h"
#include "client/common/pin_scramble.h"
#include "client/common/run_intent.h"
#include "client/engine/testing/engine_test_env.h"
#include "client/engine/testing/rows.h"
#include "platform/file_lock.h"
#include "platform/fs.h"

namespace kv::engine::testing {
namespace {

const std::string kMailbox = "KOVUSER@mail.example.nl";

std::string scrambled(const std::string& password) {
  std::string text = password;
  scramble_pin(text);
  return text;
}

class QuestionsTest : public EngineTest {
 protected:
  void TearDown() override {
    set_intent_descriptor(-1);
    if (record_fd_ >= 0) fs::close_descriptor(record_fd_);
    EngineTest::TearDown();
  }
  // An intent record the session writes into, as the run's busy file.
  void keep_record() {
    record_fd_ = fs::create_new_file(dir_.file("record"), 0600);
    set_intent_descriptor(record_fd_, dir_.file("record"));
  }
  std::string record() const { return dir_.read("record"); }
  std::vector<Question> questions() const { return read_questions(dir_.file(kQuestionsFile)); }

  int record_fd_ = -1;
};

// A killed run of this mailbox left a password change, a send and a fetch open, and another
// mailbox a send: the session logs in with the new password or else the old one, asks for the
// send, fetches the item again and records every answer; the other mailbox's question stays.
TEST_F(QuestionsTest, OpenQuestionsOfTheMailboxAreAskedAndAnswered) {
  write_questions(dir_.file(kQuestionsFile),
                  {{question::kPassword, {kMailbox, scrambled("NIEUW")}, ""},
                   {question::kSend, {kMailbox, "MID-1", "1000", "202612091000", "", ""}, ""},
                   {question::kSend, {"OTHER@mail.example.nl", "MID-2", "1000", "", "", ""}, ""},
                   {question::kFetch, {kMailbox, "7", "M", "", ""}, ""}});
  dir_.write("part.001", "received\n");
  fake_api().expect_failure("API_open", 6).fill = [](FakeCallArgs& call) {
    EXPECT_STREQ(call.open->password, "NIEUW");
  };
  expect_open().fill = [](FakeCallArgs& call) { EXPECT_STREQ(call.open->password, "GEHEIM"); };
  fake_api().expect("API_acceptedSince").fill = [](FakeCallArgs& call) {
    EXPECT_EQ(call.text, "MID-1");
    EXPECT_EQ(call.since, 1000);
    *call.accepted = 1;
  };
  fake_api().expect("API_getMsg").fill = [this](FakeCallArgs& call) {
    EXPECT_EQ(call.list_id, "7");
    fill_message(*call.in, "MID-7", {dir_.file("part.001")}, "");
  };
  fake_api().expect("API_delMsg");
  expect_close();
  EXPECT_EQ(run(connect_block()), 0);

  const std::vector<Question> answered = questions();
  ASSERT_EQ(answered.size(), 4u);
  EXPECT_EQ(answered[0].answer, question::kOldWorks);
  EXPECT_EQ(answered[1].answer, question::kAccepted);
  EXPECT_TRUE(answered[2].open());
  EXPECT_EQ(answered[3].answer, question::kFetchedAgain);
  const std::vector<std::string> lines = status_lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].substr(0, lines[1].find("|MID-7|")), line_of("*000ONTVANG", "0000") + "|7");
}

// What a killed run must find in its record is there before the service hears of it: the send
// with its time and status-file offset, the fetch, the new password scrambled; the send is
// settled only once its status line is on disk.
TEST_F(QuestionsTest, EveryServiceStepIsRecordedBeforeItIsAsked) {
  keep_record();
  clock_.set_epoch_seconds(5000);
  expect_open();
  fake_api().expect("API_sendMsg").fill = [this](FakeCallArgs&) {
    const std::string now = record();
    EXPECT_NE(now.find("SEND *001ZEND|MID-S|5000|"), std::string::npos) << now;
    EXPECT_EQ(now.find("SENT"), std::string::npos) << now;
  };
  fake_api().expect("API_getMsg").fill = [this](FakeCallArgs& call) {
    EXPECT_NE(record().find("FETCH *002ONTVANG|9|M|"), std::string::npos) << record();
    fill_message(*call.in, "MID-9", {}, "");
  };
  fake_api().expect("API_delMsg");
  fake_api().expect("API_changeNetworkPwd").fill = [this](FakeCallArgs&) {
    EXPECT_NE(record().find("PIN " + scrambled("NIEUW") + "|"), std::string::npos) << record();
  };
  expect_close();
  EXPECT_EQ(run(connect_block() +
                "*001ZEND\nMID=MID-S\nSUR=Jansen\nORG=ACME\nFIL=qrtlnk.scr\n"
                "*002ONTVANG\nLID=9\n*003WACHTWOORD\nPIN=NIEUW\n"),
            0);
  const std::string done = record();
  EXPECT_NE(done.find("USER " + kMailbox), std::string::npos) << done;
  EXPECT_LT(done.find("SEND "), done.find("SENT MID-S")) << done;
  EXPECT_EQ(done.find("NIEUW"), std::string::npos) << "a plain password in the record";
}

}  // namespace
}  // namespace kv::engine::testing
