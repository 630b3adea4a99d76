// Tests of the engine session.
#include "client/engine/session.h"

#include <sys/stat.h>

#include "client/engine/per_message.h"
#include "client/engine/status_file.h"
#include "client/engine/testing/engine_test_env.h"
#include "platform/fs.h"
#include "platform/testing/fake_window.h"

namespace kv::engine {
namespace {

using testing::connect_block;
using testing::EngineTest;
using testing::fake_api;
using testing::kTestStamp;

std::vector<std::string> shown_texts;
short record_text(const char* text) {
  shown_texts.push_back(text);
  return 0;
}

class SessionTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    shown_texts.clear();
  }
  // A password change that the mail service accepts (or refuses with `verdict`).
  static std::string password_command(const std::string& seq) {
    return "*" + seq + "WACHTWOORD\nPIN=NIEUW" + seq + "\n";
  }
};

TEST_F(SessionTest, ConnectOnlySessionSucceeds) {
  expect_open().fill = [](testing::FakeCallArgs& call) {
    EXPECT_EQ(call.open->type, CONNECTION_TCPIP);
    EXPECT_STREQ(call.open->user, "KOVUSER");
    testing::copy_field(call.info->uaName, "UA7");
  };
  expect_close();
  EXPECT_EQ(run(connect_block()), 0);
  EXPECT_EQ(status_lines(), std::vector<std::string>{line_of("*000CONNECT", "0000")});
  EXPECT_EQ(fake_api().remaining(), 0u);
  EXPECT_TRUE(journal_has("  |", "Verbinding is opgezet"));
  EXPECT_TRUE(journal_has("  |", "----- uaName              : UA7"));
  EXPECT_TRUE(journal_has("  |", "----- password            : ????????"));
  EXPECT_EQ(journal()[0].substr(0, 35), "------------------- Open  journal -");
}

TEST_F(SessionTest, MissingConnectGivesOneLineAndNoSession) {
  EXPECT_EQ(run("*001ZEND\nMID=X\n"), -1);
  EXPECT_EQ(status_lines(), std::vector<std::string>{line_of("*001ZEND", "1001")});
  EXPECT_TRUE(fake_api().calls().empty());
}

TEST_F(SessionTest, ConnectAttributeErrorEndsTheSession) {
  EXPECT_EQ(run("*000CONNECT\nPOS=KOVUSER\nSRV=s\nPNB=1\n*001LIJST\n"), -1);
  EXPECT_EQ(status_lines(), std::vector<std::string>{line_of("*000CONNECT", "1056")});
  EXPECT_TRUE(journal_has("**|", "Fout in attributen, einde programma"));
  EXPECT_TRUE(fake_api().calls().empty());
}

TEST_F(SessionTest, FailedOpenCodes) {
  status_callbacks().display_com_info = record_text;
  fake_api().expect_failure("API_open", 0);
  EXPECT_EQ(run(connect_block(password_command("001"))), -1);
  EXPECT_EQ(status_lines(), std::vector<std::string>{line_of("*000CONNECT", "1501")});
  EXPECT_TRUE(journal_has("**|", "Fout bij API_open"));
  EXPECT_EQ(shown_texts, std::vector<std::string>{"Fout tijdens openen"});
  EXPECT_EQ(fake_api().count("API_close"), 0);

  shown_texts.clear();
  fake_api().expect_failure("API_open", 29);
  EXPECT_EQ(run(connect_block()), -1);
  EXPECT_EQ(status_lines(), std::vector<std::string>{line_of("*000CONNECT", "1516")});
  EXPECT_FALSE(journal_has("**|", "Fout bij API_open"));
  EXPECT_TRUE(shown_texts.empty());

  fake_api().expect_failure("API_open", 3);
  EXPECT_EQ(run(connect_block()), -1);
  EXPECT_EQ(status_lines(), std::vector<std::string>{line_of("*000CONNECT", "1506")});
}

TEST_F(SessionTest, OneFailingCommandMakesTheResultOneAndLaterCommandsRun) {
  expect_open();
  fake_api().expect("API_changeNetworkPwd");
  expect_close();
  EXPECT_EQ(run(connect_block("*001SEND\nMID=X\n\n   \n" + password_command("002"))), 1);
  EXPECT_EQ(status_lines(), (std::vector<std::string>{line_of("*000CONNECT", "0000"),
                                                      line_of("*001SEND", "2002"),
                                                      line_of("*002WACHTWOORD", "0000")}));
  EXPECT_EQ(fake_api().remaining(), 0u);
}

TEST_F(SessionTest, EverySucceedingCommandGivesZero) {
  expect_open();
  fake_api().expect("API_changeNetworkPwd");
  fake_api().expect("API_changeNetworkPwd");
  expect_close();
  EXPECT_EQ(run(connect_block(password_command("001") + "\n\n" + password_command("002"))), 0);
  EXPECT_EQ(status_lines().size(), 3u);
}

TEST_F(SessionTest, BadCommandLinesAreSkippedWithTheirCodes) {
  expect_open();
  fake_api().expect("API_changeNetworkPwd");
  expect_close();
  EXPECT_EQ(run(connect_block("*0A1ZEND\nMID=X\nFIL=Y\n*001send\nMID=X\n*002CONNECT\nPOS=X\n"
                              "*003ZEND \n*0\n" +
                              password_command("004"))),
            1);
  EXPECT_EQ(status_lines(), (std::vector<std::string>{
                                line_of("*000CONNECT", "0000"), line_of("*0A1ZEND", "2001"),
                                line_of("*001SEND", "2002"), line_of("*002CONNECT", "2004"),
                                line_of("*003ZEND ", "2002"), line_of("*0", "2001"),
                                line_of("*004WACHTWOORD", "0000")}));
  EXPECT_TRUE(journal_has("  |", "volgnummer in commando niet numeriek"));
  EXPECT_TRUE(journal_has("  |", "commando fout, skip bestand tot volgende commando"));
  EXPECT_TRUE(journal_has("  |", "Commando: >*002CONNECT<"));
}

TEST_F(SessionTest, LineLimitsBetweenCommands) {
  // 274 characters pass (as a skipped attribute line); 275 end the session after repeating the
  // last command's line with "1055"; the session is still closed.
  expect_open();
  expect_close();
  EXPECT_EQ(run(connect_block("*001SEND\nREM" + std::string(271, 'x') + "\n*002SEND\n" +
                              std::string(275, 'y') + "\n*003SEND\n")),
            1);
  EXPECT_EQ(status_lines(), (std::vector<std::string>{
                                line_of("*000CONNECT", "0000"), line_of("*001SEND", "2002"),
                                line_of("*002SEND", "2002"), line_of("*002SEND", "1055")}));
  EXPECT_TRUE(journal_has("**|", "Fout in record opdrachtenbestand (record te lang)"));

  expect_open();
  expect_close();
  EXPECT_EQ(run(connect_block("*001SEND\n*" + std::string(275, '2') + "\n*003SEND\n")), 1);
  EXPECT_EQ(status_lines(), (std::vector<std::string>{line_of("*000CONNECT", "0000"),
                                                      line_of("*001SEND", "2002"),
                                                      line_of("*001SEND", "1055")}));
}

TEST_F(SessionTest, LastCommandLineWithoutLineFeedIsNotTaken) {
  expect_open();
  expect_close();
  EXPECT_EQ(run(connect_block("*001SEND\n*002SEND")), 1);
  EXPECT_EQ(status_lines(), (std::vector<std::string>{line_of("*000CONNECT", "0000"),
                                                      line_of("*001SEND", "2002")}));
}

TEST_F(SessionTest, FatalVerdictEndsTheLoopButClosesTheSession) {
  expect_open();
  fake_api().expect_failure("API_changeNetworkPwd", 3);
  expect_close();
  EXPECT_EQ(run(connect_block(password_command("001") + password_command("002"))), 1);
  EXPECT_EQ(status_lines(), (std::vector<std::string>{line_of("*000CONNECT", "0000"),
                                                      line_of("*001WACHTWOORD", "1506")}));
  EXPECT_EQ(fake_api().count("API_changeNetworkPwd"), 1);
  EXPECT_EQ(fake_api().remaining(), 0u);
}

TEST_F(SessionTest, MissingCommandFileReturnsThroughTheRecoveryPoint) {
  dir_.write("qrtlnk.sts", "old\n");
  EXPECT_EQ(run_session(ctx_, nullptr, "nothere.scr", "qrtlnk.sts", dir_.path()), -1);
  EXPECT_FALSE(dir_.exists("qrtlnk.sts"));  // the old file was removed; no line was written
  EXPECT_TRUE(journal_has("**|", "QRT400 opdrachten bestand niet aanwezig"));
  EXPECT_TRUE(fake_api().calls().empty());
  // The next session in the same process starts cleanly.
  expect_open();
  expect_close();
  EXPECT_EQ(run(connect_block()), 0);
}

TEST_F(SessionTest, PreparationFailuresLeaveTheStatusFileAlone) {
  dir_.write("qrtlnk.sts", "old\n");
  EXPECT_EQ(run(connect_block(), "qrtlnk.sts", "qrtlnk.sts"), -1);
  EXPECT_TRUE(journal_has("**|", "Fout, opdrachten bestand is gelijk aan status bestand"));
  // The same file under another spelling is refused too.
  dir_.write("qrtlnk.sts", "old\n");
  EXPECT_EQ(run_session(ctx_, nullptr, "QRTLNK.STS", "qrtlnk.sts", dir_.path()), -1);
  EXPECT_EQ(dir_.read("qrtlnk.sts"), "old\n");

  dir_.write("$qrt400.prm", std::string(120, 'x') + "\n");
  EXPECT_EQ(run(connect_block()), -1);
  EXPECT_EQ(dir_.read("qrtlnk.sts"), "old\n");
  EXPECT_TRUE(fake_api().calls().empty());
}

TEST_F(SessionTest, WriteProtectedStatusDirectoryRefusesTheSession) {
  if (kv::testing::running_as_root()) GTEST_SKIP() << "permissions do not bind root";
  dir_.make_dir("out");
  chmod(dir_.file("out").c_str(), 0500);
  EXPECT_EQ(run(connect_block(), "qrtlnk.scr", "out/qrtlnk.sts"), -1);
  EXPECT_TRUE(journal_has("**|", "Fout, status bestand is beveiligd mbt schrijven"));
  EXPECT_TRUE(fake_api().calls().empty());
  chmod(dir_.file("out").c_str(), 0700);
}

TEST_F(SessionTest, StatusTextsGoToTheWindow) {
  struct NoHandler : WindowHandler {} handler;
  kv::testing::FakeStatusWindow window(handler);
  expect_open();
  fake_api().expect("API_changeNetworkPwd");
  expect_close();
  dir_.write("qrtlnk.scr", connect_block(password_command("001") + "*002ANTWOORD\n"));
  run_session(ctx_, &window, "qrtlnk.scr", "qrtlnk.sts", dir_.path());
  // ANTWOORD shows no text of its own.
  EXPECT_EQ(window.texts(1003), std::vector<std::string>{"WACHTWOORD"});
}

TEST_F(SessionTest, RapportOnAnEmptyMailboxLeavesFieldFiveEmpty) {
  expect_open();
  fake_api().expect("API_listMbxInNext", 0);
  expect_close();
  EXPECT_EQ(run(connect_block("*001RAPPORT\n")), 0);
  EXPECT_EQ(status_lines(), (std::vector<std::string>{line_of("*000CONNECT", "0000"),
                                                      line_of("*001RAPPORT", "0000") + "|||0"}));
}

TEST_F(SessionTest, TenThousandCommands) {
  std::string commands;
  for (int i = 0; i < 10000; ++i) commands += "*999NOPE\nREM x\n";
  expect_open();
  expect_close();
  EXPECT_EQ(run(connect_block(commands)), 1);
  EXPECT_EQ(status_lines().size(), 10001u);
}

TEST_F(SessionTest, JunkAfterTheConnectBlock) {
  expect_open();
  expect_close();
  std::string junk;
  for (int c = 1; c < 256; ++c) junk += static_cast<char>(c == '\n' || c == '*' ? 'z' : c);
  EXPECT_EQ(run(connect_block("*001SEND\n" + junk + "\n" + std::string(10, '\0') + "\n")), 1);
  EXPECT_EQ(status_lines().size(), 2u);
}

// The per-message driver on its own, against the fake mailbox.
class PerMessageTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_TRUE(allocate_session_records(ctx_));
    ctx_.session.status_file_path = dir_.file("qrtlnk.sts");
    static int handle;
    ctx_.session.session_handle = &handle;
  }
  static void list(const std::vector<std::pair<std::string, std::string>>& rows) {
    fake_api().expect("API_listMbxInNext", static_cast<short>(rows.size())).fill =
        [rows](testing::FakeCallArgs& call) {
          for (std::size_t i = 0; i < rows.size(); ++i) {
            testing::copy_field(call.page[i].listId, rows[i].first);
            testing::copy_field(call.page[i].ipMsgId, rows[i].second);
            call.page[i].msgType = 1;
          }
        };
  }
  std::vector<std::string> work_files() const {
    std::vector<std::string> found;
    for (const std::string& name : fs::list_directory(dir_.path())) {
      if (name.rfind("TM", 0) == 0) found.push_back(name);
    }
    return found;
  }
};

TEST_F(PerMessageTest, EmptyMailboxForRapportLeavesFieldFiveEmpty) {
  engine_control().command_kind = kRapport;
  std::string record = start_status_line("*001RAPPORT");
  set_field(record, status::rapport::kReportFile, "qrt400.rap");
  set_field(record, status::rapport::kReadFlag, "0");
  list({});
  EXPECT_EQ(for_each_listed_message(ctx_, record), 0);
  EXPECT_EQ(dir_.lines("qrtlnk.sts"),
            std::vector<std::string>{std::string("*001RAPPORT|") + kTestStamp + "|0000|||0"});
  EXPECT_TRUE(work_files().empty());
}

TEST_F(PerMessageTest, VerwijderDeletesEveryListedMessage) {
  engine_control().command_kind = kVerwijder;
  std::string record = start_status_line("*002VERWIJDER");
  list({{"L1", "MID1"}, {"L2", "MID2"}});
  fake_api().expect_failure("API_delMsg", 1);
  fake_api().expect("API_delMsg");
  // The first delete fails; the second message is still deleted.
  EXPECT_EQ(for_each_listed_message(ctx_, record), 0);
  std::vector<std::string> lines = dir_.lines("qrtlnk.sts");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].substr(0, 35), std::string("*002VERWIJDER|") + kTestStamp + "|1513|L1|");
  EXPECT_EQ(lines[1].substr(0, 35), std::string("*002VERWIJDER|") + kTestStamp + "|0000|L2|");
  EXPECT_EQ(fake_api().history()[1].list_id, "L1");
  EXPECT_EQ(fake_api().history()[2].list_id, "L2");
  EXPECT_TRUE(work_files().empty());
}

TEST_F(PerMessageTest, FatalVerdictOfAMessageEndsTheCommand) {
  engine_control().command_kind = kOntvang;
  std::string record = start_status_line("*003ONTVANG");
  list({{"L1", "MID1"}, {"L2", "MID2"}});
  fake_api().expect_failure("API_getMsg", 3);
  EXPECT_EQ(for_each_listed_message(ctx_, record), -3);
  EXPECT_EQ(fake_api().count("API_getMsg"), 1);
  std::vector<std::string> lines = dir_.lines("qrtlnk.sts");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].substr(0, 38), std::string("*003ONTVANG|") + kTestStamp + "|1506|L1|MID1");
  EXPECT_TRUE(work_files().empty());
}

TEST_F(PerMessageTest, FatalListingResultIsPassedOn) {
  engine_control().command_kind = kOntvang;
  std::string record = start_status_line("*003ONTVANG");
  fake_api().expect_failure("API_listMbxInNext", 4);
  EXPECT_EQ(for_each_listed_message(ctx_, record), -3);
  EXPECT_TRUE(work_files().empty());
}

}  // namespace
}  // namespace kv::engine
