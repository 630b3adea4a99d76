// Tests of fetching from the mailbox (ONTVANG, ANTWOORD, RAPPORT).
#include "client/engine/cmd_receive.h"

#include <gtest/gtest.h>

#include "client/engine/testing/engine_test_env.h"
#include "client/engine/testing/rows.h"

namespace kv::engine::testing {
namespace {

TEST(CandidateWordTest, BaseTwentyLeastSignificantFirst) {
  EXPECT_EQ(candidate_word(0), "BBBBBBBB");
  EXPECT_EQ(candidate_word(19), "ZBBBBBBB");
  EXPECT_EQ(candidate_word(20), "BCBBBBBB");
  EXPECT_EQ(candidate_word(21), "CCBBBBBB");
  EXPECT_EQ(candidate_word(20LL * 20 * 20 * 20 * 20 * 20 * 20 * 20 - 1), "ZZZZZZZZ");
  EXPECT_EQ(candidate_word(-5), "BBBBBBBB");
}

class ReceiveTest : public EngineTest {
 protected:
  // A fetch of `list_id` that delivers a message with `files` (created on disk).
  FakeStep& expect_message(const std::string& list_id, const std::string& msg_id,
                           const std::vector<std::string>& files, const std::string& irp = "") {
    for (const std::string& f : files) dir_.write(f, "content of " + f + "\n");
    FakeStep& step = fake_api().expect("API_getMsg");
    (void)list_id;
    step.fill = [msg_id, files, irp, this](FakeCallArgs& a) {
      std::vector<std::string> full;
      for (const std::string& f : files) full.push_back(dir_.file(f));
      fill_message(*a.in, msg_id, full, irp);
    };
    return step;
  }
};

TEST_F(ReceiveTest, MessageWithThreeFiles) {
  clock_.set_epoch_seconds(21);
  expect_open();
  expect_message("5", "MSG-5", {"r1.001", "r1.002", "r1.003"});
  fake_api().expect("API_delMsg");
  expect_close();
  EXPECT_EQ(run(connect_block() + "*001ONTVANG\nLID=5\n"), 0);
  ASSERT_EQ(status_lines().size(), 2u);
  EXPECT_EQ(status_lines()[1], line_of("*001ONTVANG", "0000") + "|5|MSG-5|3|2|3|" +
                                   dir_.file("r1.001") +
                                   "||Subject of MSG-5|NL|ADMD|||||||Afzender");
  EXPECT_EQ(call_of("API_getMsg")->list_id, "5");
  EXPECT_EQ(call_of("API_getMsg")->directory, "");
  EXPECT_EQ(call_of("API_delMsg")->list_id, "5");
  const auto texts = journal_texts();
  auto at = std::find(texts.begin(), texts.end(), "bestanden geinitialiseerd");
  ASSERT_NE(at, texts.end());
  EXPECT_EQ(*(at + 1), "-------------------------");
  EXPECT_EQ(*(at + 2), "CCBBBBBB.001");
  EXPECT_EQ(*(at + 9), "CCBBBBBB.008");
  EXPECT_EQ(*(at + 10), "-------------------------");
  EXPECT_TRUE(journal_has("  |", "start API_getMsg met listId >5<"));
  EXPECT_TRUE(journal_has("  |", "API_getMsg: OK (MID=MSG-5)"));
  EXPECT_TRUE(journal_has("  |", "bestand(en) opgehaald"));
  EXPECT_TRUE(journal_has("  |", "---------------------"));
  EXPECT_TRUE(journal_has("  |", dir_.file("r1.002")));
  EXPECT_TRUE(dir_.exists("r1.003")) << "files stay where the service stored them";
}

TEST_F(ReceiveTest, CandidateWordSkipsExistingNames) {
  dir_.make_dir("in");
  clock_.set_epoch_seconds(0);
  dir_.write("in/BBBBBBBB.001", "taken");
  expect_open();
  fake_api().expect_failure("API_getMsg", 9);
  expect_close();
  run(connect_block() + "*001ONTVANG\nDIR=in\nLID=5\n");
  EXPECT_TRUE(journal_has("  |", "in/CBBBBBBB.001")) << "one second later";
  EXPECT_EQ(call_of("API_getMsg")->directory, "in/") << "as the command gives it";
  EXPECT_TRUE(dir_.exists("in/BBBBBBBB.001"));
}

TEST_F(ReceiveTest, EdiMessagesAndNopStayInTheMailbox) {
  expect_open();
  expect_message("1", "EDIORDERS01", {});
  expect_message("2", "ediorders02", {});
  expect_message("3", "OTHER", {});
  expect_message("4", "OTHER2", {});
  fake_api().expect("API_delMsg");
  expect_close();
  EXPECT_EQ(run(connect_block() + "*001ONTVANG\nLID=1\n*002ONTVANG\nLID=2\n*003ONTVANG\nLID=3\n"
                                  "NOP\n*004ONTVANG\nLID=4\n"),
            0);
  EXPECT_EQ(fake_api().count("API_delMsg"), 1);
  EXPECT_EQ(call_of("API_delMsg")->list_id, "4");
  EXPECT_EQ(status_lines()[1].substr(0, 46), line_of("*001ONTVANG", "0000") + "|1|EDIORDERS01|3|");
}

TEST_F(ReceiveTest, ReportsWithOntvangAndRapport) {
  auto fill_report = [](FakeCallArgs& a) {
    MessageIn& in = *a.in;
    in.msgType = MSGTYPE_REPORT;
    copy_field(in.ipMsgId, "REP-1");
    copy_field(in.mbxEntryTime, "05-03-02 14:30");
    in.u.report.notifyQtty = 2;
    NotifyEntry& delivered = in.u.report.entries[0];
    delivered.notifyType = 1;
    delivered.reasonCode = 7;
    copy_field(delivered.remoteDeliveryTime, "06-03-02 09:15");
    delivered.orName.type = ORNAME_FORM11;
    copy_field(delivered.orName.u.form11.countryName, "NL");
    copy_field(delivered.orName.u.form11.surName, "Jansen");
    NotifyEntry& failed = in.u.report.entries[1];
    failed.notifyType = 2;
    failed.reasonCode = 1;
    failed.diagnostic = 12;
    copy_field(failed.remoteDeliveryTime, "06-03-02 09:15");
  };
  expect_open();
  fake_api().expect("API_getMsg").fill = fill_report;
  fake_api().expect("API_getMsg").fill = fill_report;
  expect_close();
  EXPECT_EQ(run(connect_block() + "*001ONTVANG\nLID=8\n*002RAPPORT\nLID=8\n"), 1);
  ASSERT_EQ(status_lines().size(), 3u);
  EXPECT_EQ(status_lines()[1], line_of("*001ONTVANG", "1517") + "|8");
  EXPECT_TRUE(journal_has("**|", "Fout bij ontvang, ListId is niet van type 'MSG'"));
  EXPECT_TRUE(journal_has("**|", "Er zijn geen bestanden opgehaald"));
  EXPECT_EQ(status_lines()[2], line_of("*002RAPPORT", "0000") + "||qrt400.rap|0");
  EXPECT_EQ(dir_.lines("qrt400.rap"),
            (std::vector<std::string>{"REP-1|3|1|200203051430|200203060915|00|00|NL||||||||Jansen",
                                      "REP-1|3|2|200203051430||01|12"}));
  EXPECT_EQ(fake_api().count("API_delMsg"), 0);
}

TEST_F(ReceiveTest, AnnouncementFetchNeverRepeatsAnEarlierMessage) {
  expect_open();
  expect_message("5", "M5", {});
  fake_api().expect("API_delMsg");
  expect_close();
  EXPECT_EQ(run(connect_block() + "*001ONTVANG\nLID=5\n*002ONTVANG\nLID=6\nANN=PB1\n"), 1);
  ASSERT_EQ(status_lines().size(), 3u);
  EXPECT_EQ(status_lines()[2], line_of("*002ONTVANG", "1517") + "|6");
  EXPECT_TRUE(journal_has("  |", "start API_getAnnouncement (pb: PB1) met listId >6<"));
  EXPECT_EQ(fake_api().count("API_getAnnouncement"), 1);
}

TEST_F(ReceiveTest, CollectIntoFilFile) {
  dir_.write("all.txt", "old\n");
  expect_open();
  expect_message("5", "M5", {"a.001", "b.002"});
  fake_api().expect("API_delMsg");
  expect_close();
  EXPECT_EQ(run(connect_block() + "*001ONTVANG\nLID=5\nFIL=all.txt\n"), 0);
  EXPECT_EQ(dir_.read("all.txt"), "content of a.001\ncontent of b.002\n") << "replaced without ADD";
  EXPECT_FALSE(dir_.exists("a.001"));
  EXPECT_FALSE(dir_.exists("b.002"));
  EXPECT_EQ(status_lines()[1].substr(0, 50), line_of("*001ONTVANG", "0000") + "|5|M5|3|2|0|all.txt||");
}

TEST_F(ReceiveTest, FailedFetchAndEscape) {
  expect_open();
  expect_page(messages(1, 2));
  fake_api().expect_failure("API_getMsg", 9);
  expect_message("2", "M2", {});
  fake_api().expect("API_delMsg");
  fake_api().expect_failure("API_getMsg", 1).press_escape = true;
  expect_close();
  EXPECT_EQ(run(connect_block() + "*001ONTVANG\n*002ONTVANG\nLID=9\n*003LIJST\n"), 1);
  ASSERT_EQ(status_lines().size(), 4u);
  EXPECT_EQ(status_lines()[1], line_of("*001ONTVANG", "1511") + "|1|MSG1");
  const std::string next = line_of("*001ONTVANG", "0000") + "|2|M2|";
  EXPECT_EQ(status_lines()[2].substr(0, next.size()), next) << "the next listed message follows";
  EXPECT_EQ(status_lines()[3], line_of("*002ONTVANG", "1516") + "|9");
  EXPECT_TRUE(journal_has("**|", "fout in API_getMsg"));
}

TEST_F(ReceiveTest, DeleteAfterReceiptRefusedWithVerdictFive) {
  expect_open();
  expect_message("5", "M5", {});
  fake_api().expect_failure("API_delMsg", 5);
  fake_api().expect_failure("API_delMsg", 5);
  fake_api().expect("API_delMsg");
  expect_close();
  EXPECT_EQ(run(connect_block() + "*001ONTVANG\nLID=5\n*002VERWIJDER\nLID=6\n*003VERWIJDER\nLID=7\n"),
            1);
  ASSERT_EQ(status_lines().size(), 4u);
  EXPECT_EQ(status_lines()[1], line_of("*001ONTVANG", "1512") + "|5|M5|3|2|0|||Subject of M5|NL|ADMD|||||||Afzender");
  EXPECT_EQ(status_lines()[2], line_of("*002VERWIJDER", "1512"));
  EXPECT_EQ(status_lines()[3], line_of("*003VERWIJDER", "0000"));
  EXPECT_TRUE(journal_has("**|", "fout in API_delMsg"));
  EXPECT_TRUE(journal_has("  |", "start API_delMsg met listId >7<"));
  EXPECT_TRUE(journal_has("  |", "API_delMsg: OK"));
}

}  // namespace
}  // namespace kv::engine::testing
