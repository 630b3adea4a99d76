// Tests of the command front-ends and the attribute reset before each command.
#include "client/engine/front_ends.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "client/engine/testing/engine_test_env.h"
#include "client/engine/testing/rows.h"
#include "client/engine/attributes.h"
#include "client/engine/wait_answers.h"

namespace kv::engine::testing {
namespace {

constexpr const char* kUse = "Fout bij gebruik van attributen, skip commando";
constexpr const char* kCombination = "combinatie fout van attributen, skip commando";

class FrontEndTest : public EngineTest {
 protected:
  // Runs commands that make no messaging call and returns the status lines after CONNECT.
  std::vector<std::string> refusals(const std::string& commands) {
    fake_api().reset();
    expect_open();
    expect_close();
    run(connect_block() + commands);
    std::vector<std::string> lines = status_lines();
    if (!lines.empty()) lines.erase(lines.begin());
    return lines;
  }
  // One block of a command that is refused before any messaging call: its keyword lines, the
  // code of its status line and what that line holds after the code.
  struct Refusal {
    std::string keywords;
    std::string code;
    std::string after_code = "";
  };
  // Runs one block of `command` per refusal (tags *001, *002, ...) and checks each status line.
  void expect_refusals(const std::string& command, const std::vector<Refusal>& blocks) {
    std::string commands;
    for (std::size_t i = 0; i < blocks.size(); ++i)
      commands += tag(i, command) + "\n" + blocks[i].keywords;
    const std::vector<std::string> lines = refusals(commands);
    ASSERT_EQ(lines.size(), blocks.size()) << commands;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
      EXPECT_EQ(lines[i], line_of(tag(i, command), blocks[i].code) + blocks[i].after_code)
          << blocks[i].keywords;
    }
  }
  static std::string tag(std::size_t index, const std::string& command) {
    char number[24];
    std::snprintf(number, sizeof number, "*%03zu", index + 1);
    return number + command;
  }
  int count_journal(const std::string& text) const {
    int n = 0;
    for (const std::string& t : journal_texts()) n += t == text;
    return n;
  }
};

TEST_F(FrontEndTest, OntvangCombinations) {
  dir_.write("s.sel", "SUR=a\n");
  dir_.write("old.txt", "keep\n");
  dir_.make_dir("in");
  expect_refusals("ONTVANG", {
                                 {"ADD\n", "2514"},
                                 {"NOD\nANN=X\n", "2522"},
                                 {"NOD\nMRT>03\n", "2554"},
                                 {"FIL=old.txt\nDIR=in\n", "2508"},
                                 {"LID=1\nSUB=x\n", "2509"},
                                 {"SEL=s.sel\nMET>03\n", "2515"},
                                 {"XYZ=1\nLID=5\n", "2003"},
                             });
  EXPECT_EQ(count_journal(kUse), 4);
  EXPECT_EQ(count_journal(kCombination), 2);
  EXPECT_TRUE(journal_has("**|", "Fout in attributen, skip commando (#2)"));
  EXPECT_EQ(dir_.read("old.txt"), "keep\n") << "a refused command leaves its output file alone";
}

TEST_F(FrontEndTest, OntvangOutputFileAndSelection) {
  dir_.write("out.txt", "old\n");
  expect_open();
  expect_page({});
  expect_page({});
  expect_close();
  EXPECT_EQ(run(connect_block() + "*001ONTVANG\nFIL=out.txt\nSUR!Jansen\n"
                                  "*002ONTVANG\nFIL=new.txt\nADD\nNOD\n"),
            0);
  EXPECT_EQ(call_of("API_listMbxInNext")->filter,
            "( MSG_TYPE=MSG & IP_MSG_ID=FT?CAN*) | ( ACCESS_STATUS=NEW  & MSG_TYPE=MSG )"
            " & SUR_NAME!Jansen");
  EXPECT_EQ(call_of("API_listMbxInNext", 1)->filter,
            "( MSG_TYPE=MSG & IP_MSG_ID=FT?CAN*) | ( ACCESS_STATUS=READ & MSG_TYPE=MSG )");
  EXPECT_FALSE(dir_.exists("out.txt")) << "replaced, and removed again while empty";
  EXPECT_FALSE(dir_.exists("new.txt"));
  EXPECT_EQ(status_lines()[1], line_of("*001ONTVANG", "0000"));
}

TEST_F(FrontEndTest, LineTooLongEndsTheSession) {
  expect_open();
  expect_close();
  EXPECT_EQ(run(connect_block() + "*001ONTVANG\nREM" + std::string(271, 'x') + "\nREM" +
                std::string(272, 'x') + "\n*002LIJST\n"),
            1);
  ASSERT_EQ(status_lines().size(), 2u);
  EXPECT_EQ(status_lines()[1], line_of("*001ONTVANG", "1055"));
}

TEST_F(FrontEndTest, LijstCombinationsAndFiles) {
  dir_.write("s.sel", "SUR=a\n");
  dir_.make_dir("out");
  expect_refusals("LIJST", {
                               {"FIL=a.lst\nDIR=out\n", "2508"},
                               {"NOD\nANN=X\n", "2522"},
                               {"MRT>03\nNOD\n", "2554"},
                               {"SEL=s.sel\nMID=X\n", "2515"},
                               {"LID=1\n", "2114"},
                           });
  EXPECT_EQ(count_journal(kCombination), 3);
  EXPECT_EQ(count_journal(kUse), 1);
  EXPECT_TRUE(journal_has("**|", "Fout in attributen, skip commando (#3)"));

  dir_.write("out/qrt400.lst", "old\n");
  fake_api().reset();
  expect_open();
  expect_page(messages(1, 1));
  expect_close();
  run(connect_block() + "*001LIJST\nDIR=out\nMRT>0301\n");
  EXPECT_EQ(status_lines()[1], line_of("*001LIJST", "0000") + "|out/qrt400.lst|1");
  EXPECT_EQ(dir_.lines("out/qrt400.lst"),
            std::vector<std::string>{"1|MSG1||200306171230|1|Sender|Jan||1234|2|1|1|2|1"});
}

TEST_F(FrontEndTest, VerwijderRules) {
  dir_.write("s.sel", "SUR=a\n");
  expect_refusals("VERWIJDER", {
                                   {"LID=1\nSUB=x\n", "2509"},
                                   {"SEL=s.sel\nSUR=x\n", "2515"},
                                   {"", "2510"},
                                   {"NOD\n", "2134"},
                               });
  EXPECT_TRUE(journal_has("**|", "Fout in attributen, skip commando (#4)"));

  // With a selection every listed message is deleted, KILL messages included.
  fake_api().reset();
  expect_open();
  std::vector<Row> rows = messages(1, 1);
  Row kill;
  kill.list_id = "2";
  kill.msg_id = "FTXCAN01";
  rows.push_back(kill);
  expect_page(rows);
  fake_api().expect("API_delMsg");
  fake_api().expect_failure("API_delMsg", 5);
  expect_close();
  EXPECT_EQ(run(connect_block() + "*001VERWIJDER\nSUB=Old\n"), 1);
  EXPECT_EQ(call_of("API_listMbxInNext")->filter,
            "( ACCESS_STATUS=NEW  & MSG_TYPE=MSG ) & SUBJECT=Old");
  ASSERT_EQ(status_lines().size(), 3u);
  EXPECT_EQ(status_lines()[1], line_of("*001VERWIJDER", "0000") + "|1|MSG1");
  EXPECT_EQ(status_lines()[2], line_of("*001VERWIJDER", "1512") + "|2|FTXCAN01");
}

TEST_F(FrontEndTest, RapportRules) {
  dir_.write("s.sel", "MID=a\n");
  dir_.write("qrt400.rap", "old report\n");
  expect_refusals("RAPPORT", {
                                 {"FIL=r.rap\nDIR=.\n", "2508"},
                                 {"NOD\nMRT>03\n", "2554"},
                                 {"LID=1\nMID=x\n", "2509", "||qrt400.rap|0"},
                                 {"MID=x\nMET>03\nMRT>03\nSEL=s.sel\n", "2515", "||qrt400.rap|1"},
                             });
  EXPECT_EQ(count_journal(kCombination), 1);
  EXPECT_EQ(count_journal(kUse), 0);
  EXPECT_TRUE(dir_.exists("qrt400.rap")) << "kept while the command is refused";

  fake_api().reset();
  expect_open();
  expect_page({});
  fake_api().expect_failure("API_getMsg", 1).press_escape = true;
  expect_close();
  EXPECT_EQ(run(connect_block() + "*001RAPPORT\nMET>0301\n*002RAPPORT\nLID=4\n*003LIJST\n"), 1);
  EXPECT_EQ(call_of("API_listMbxInNext")->filter,
            "( ACCESS_STATUS=NEW  & (MSG_TYPE=NTF | MSG_TYPE=RPT) ) & MBX_ENTRY_D>99/01/03");
  ASSERT_EQ(status_lines().size(), 3u);
  EXPECT_EQ(status_lines()[1], line_of("*001RAPPORT", "0000") + "|||0")
      << "an empty mailbox leaves field 5 empty";
  EXPECT_EQ(status_lines()[2], line_of("*002RAPPORT", "1516") + "|4||0")
      << "the item's line names no report file";
  EXPECT_FALSE(dir_.exists("qrt400.rap"));
}

TEST_F(FrontEndTest, AntwoordWithoutSentMessages) {
  const auto lines = refusals("*001ANTWOORD\nXYZ\nWAI=1000\n*002ANTWOORD\nFIL=a\nDIR=.\n");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], line_of("*001ANTWOORD", "2005"));
  EXPECT_EQ(lines[1], line_of("*002ANTWOORD", "2005"));
  EXPECT_EQ(count_journal("Fout in attributen, skip commando (#6)"), 2);
}

class AntwoordTest : public FrontEndTest {
 protected:
  // A ZEND with ANS that the fake accepts.
  std::string sent(const std::string& mid) {
    dir_.write("a.txt", "a");
    fake_api().expect("API_sendMsg");
    return "*001ZEND\nMID=" + mid + "\nFIL=a.txt\nSUR=X\nANS\n";
  }
};

TEST_F(AntwoordTest, CombinationsAfterASend) {
  expect_open();
  std::string commands = sent("M1");
  expect_close();
  run(connect_block() + commands + "*002ANTWOORD\nFIL=a\nDIR=.\n");
  EXPECT_EQ(status_lines().back(), line_of("*002ANTWOORD", "2508"));
  EXPECT_TRUE(journal_has("  |", "Envelop toegevoegd in 'wachtlijst'"));

  fake_api().reset();
  expect_open();
  commands = sent("M1");
  expect_close();
  run(connect_block() + commands + "*002ANTWOORD\nADD\n*003ANTWOORD\n");
  const auto lines = status_lines();
  EXPECT_EQ(lines[lines.size() - 2], line_of("*002ANTWOORD", "2514"));
  EXPECT_EQ(lines.back(), line_of("*003ANTWOORD", "2005")) << "the list is emptied afterwards";
}

TEST_F(AntwoordTest, NoAnswerEndsWith1701AfterTwoPolls) {
  dir_.write("$qrt400.prm", "PI0=5\nPI1=5\n");
  expect_open();
  std::string commands = sent("M1");
  expect_page(messages(1, 1));
  expect_page({});
  expect_close();
  EXPECT_EQ(run(connect_block() + commands + "*002ANTWOORD\nWAI=10\n*003LIJST\nFIL=x.lst\n"), 1)
      << "1701 is not 0000";
  // The LIJST after the answer wait needs a page of its own, which the script lacks: the wait
  // must have used exactly the two pages.
  EXPECT_EQ(fake_api().count("API_listMbxInNext"), 3);
  EXPECT_EQ(call_of("API_listMbxInNext")->filter, "ACCESS_STATUS=NEW & MSG_TYPE=MSG");
  const auto lines = status_lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[2], line_of("*002ANTWOORD", "1701"));
  EXPECT_GE(clock_.total_slept_ms(), 10000u);
  EXPECT_LT(clock_.total_slept_ms(), 11000u);
  fake_api().reset();
}

TEST_F(AntwoordTest, AnswerIsReceivedAndWaitTimeOutlivesTheCommand) {
  expect_open();
  std::string commands = sent("M1-ANSWERED-ABCDEF");
  Row answer = messages(7, 1)[0];
  answer.in_reply_to = "m1-answered-ab";
  expect_page({messages(6, 1)[0], answer});
  FakeStep& get = fake_api().expect("API_getMsg");
  get.fill = [](FakeCallArgs& a) { fill_message(*a.in, "ANSWER", {}, "M1-ANSWERED-AB"); };
  fake_api().expect("API_delMsg");
  expect_close();
  EXPECT_EQ(run(connect_block() + commands + "*002ANTWOORD\nWAI=20\n"), 0);
  EXPECT_EQ(call_of("API_getMsg")->list_id, "7");
  const auto lines = status_lines();
  ASSERT_EQ(lines.size(), 3u);
  const std::string received = line_of("*002ANTWOORD", "0000") + "|7|ANSWER|3|2|0||";
  EXPECT_EQ(lines[2].substr(0, received.size()), received);
  EXPECT_EQ(clock_.total_slept_ms() / 1000, 5u) << "one poll after PI0";
  EXPECT_EQ(last_run_->attributes.value(kAttrWAI), "20");
}

TEST(CountdownTextTest, PluralFromTwoSeconds) {
  EXPECT_EQ(countdown_text(5), "5 seconden wachten...");
  EXPECT_EQ(countdown_text(2), "2 seconden wachten...");
  EXPECT_EQ(countdown_text(1), "1 seconde wachten...");
}

TEST_F(FrontEndTest, Wachtwoord) {
  expect_open();
  fake_api().expect("API_changeNetworkPwd");
  fake_api().expect_failure("API_changeNetworkPwd", 8);
  expect_close();
  EXPECT_EQ(run(connect_block() + "*001WACHTWOORD\n*002WACHTWOORD\nPIN=nieuw1\n"
                                  "*003WACHTWOORD\nPIN=NIEUW2\n*004WACHTWOORD\nPIN=geheim\n"),
            1);
  const auto lines = status_lines();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[1], line_of("*001WACHTWOORD", "2513"));
  EXPECT_EQ(lines[2], line_of("*002WACHTWOORD", "0000"));
  EXPECT_EQ(lines[3], line_of("*003WACHTWOORD", "1510"));
  EXPECT_EQ(lines[4], line_of("*004WACHTWOORD", "2440"));
  EXPECT_EQ(call_of("API_changeNetworkPwd")->text, "NIEUW1");
  EXPECT_TRUE(journal_has("**|", "PIN attribuut ontbreekt, skip commando"));
  EXPECT_TRUE(journal_has("  |", "start API_changeNetworkPwd"));
  EXPECT_TRUE(journal_has("  |", "API_changeNetworkPwd: OK"));
  EXPECT_TRUE(journal_has("**|", "fout in API_changeNetworkPwd"));
  EXPECT_TRUE(journal_has("**|", "Fout in attributen, skip commando (#7)"));
}

TEST_F(FrontEndTest, EscapeDuringDeleteEndsTheSession) {
  expect_open();
  fake_api().expect_failure("API_delMsg", 1).press_escape = true;
  expect_close();
  EXPECT_EQ(run(connect_block() + "*001VERWIJDER\nLID=3\n*002LIJST\n"), 1);
  ASSERT_EQ(status_lines().size(), 2u);
  EXPECT_EQ(status_lines()[1], line_of("*001VERWIJDER", "1516"));
}

}  // namespace
}  // namespace kv::engine::testing
