// Tests of the mailbox listing (LIJST) and the per-message driver.
#include "client/engine/cmd_list.h"

#include <gtest/gtest.h>

#include "client/engine/selection_file.h"
#include "client/engine/subtract_list.h"
#include "client/engine/testing/engine_test_env.h"
#include "client/engine/testing/rows.h"

namespace kv::engine::testing {
namespace {

constexpr const char* kLijstBase =
    "( MSG_TYPE=MSG & IP_MSG_ID=FT?CAN*) | ( ACCESS_STATUS=NEW  & MSG_TYPE=MSG )";

class ListTest : public EngineTest {
 protected:
  std::string filter_of_call(std::size_t n) const {
    const FakeCallArgs* call = call_of("API_listMbxInNext", n);
    return call != nullptr ? call->filter : "<no such call>";
  }
};

TEST_F(ListTest, PlainListingWritesLinesAndStatus) {
  expect_open();
  std::vector<Row> rows = messages(101, 2);
  rows[1].subject = "a|b";
  rows.push_back(report_row("103"));
  expect_page(rows);
  expect_close();
  EXPECT_EQ(run(connect_block() + "*001LIJST\n"), 0);
  EXPECT_EQ(filter_of_call(0), kLijstBase);
  EXPECT_EQ(call_of("API_listMbxInNext")->page_length, 20);
  EXPECT_EQ(call_of("API_listMbxInNext")->previous_list_id, "");
  EXPECT_EQ(dir_.lines("qrt400.lst"),
            (std::vector<std::string>{"101|MSG101||200306171230|1|Sender|Jan||1234|2|1|1|2|0",
                                      "102|MSG102||200306171230|1|Sender|Jan|a!b|1234|2|1|1|2|0",
                                      "103"}));
  ASSERT_EQ(status_lines().size(), 2u);
  EXPECT_EQ(status_lines()[1], line_of("*001LIJST", "0000") + "|qrt400.lst|0");
  EXPECT_TRUE(journal_has("  |", "start API_listMbxInNext"));
  EXPECT_TRUE(journal_has("  |", "API_listMbxInNext met listId ><"));
  EXPECT_TRUE(journal_has("  |", "API_listMbxInNext: OK"));
}

TEST_F(ListTest, SelectionAttributesAndFileNames) {
  dir_.make_dir("out");
  dir_.write("out/mine.lst", "old line\n");
  expect_open();
  expect_page({});
  expect_page(messages(1, 1));
  expect_close();
  EXPECT_EQ(run(connect_block() + "*001LIJST\nPRI=3\nMID=ABC\nNOD\n" +
                "*002LIJST\nFIL=out/mine.lst\nADD\nMET<0306\n"),
            0);
  EXPECT_EQ(filter_of_call(0),
            "( MSG_TYPE=MSG & IP_MSG_ID=FT?CAN*) | ( ACCESS_STATUS=READ & MSG_TYPE=MSG )"
            " & IP_MSG_ID=ABC & PRIORITY=URGENT");
  EXPECT_EQ(filter_of_call(1), std::string(kLijstBase) + " & MBX_ENTRY_D<00/06/03");
  ASSERT_EQ(status_lines().size(), 3u);
  EXPECT_EQ(status_lines()[1], line_of("*001LIJST", "0000") + "||1") << "nothing listed";
  EXPECT_EQ(status_lines()[2], line_of("*002LIJST", "0000") + "|out/mine.lst|0");
  EXPECT_EQ(dir_.lines("out/mine.lst").size(), 2u) << "ADD appends";
  EXPECT_EQ(dir_.lines("out/mine.lst")[0], "old line");
}

TEST_F(ListTest, SelectionFileJoinsCriteria) {
  dir_.write("sel.txt", "SUR=Jansen\n\nor\nSUR=Pietersen\nPRI=3 or\nMID!X1\n");
  dir_.write("sel2.txt", "SUR=Jansen\nor\nSUR=Pietersen\n");
  expect_open();
  expect_page({});
  expect_page({});
  expect_close();
  run(connect_block() + "*001LIJST\nSEL=sel2.txt\nNOD\n*002LIJST\nSEL=sel.txt\n");
  EXPECT_EQ(filter_of_call(0),
            "( MSG_TYPE=MSG & IP_MSG_ID=FT?CAN*) | ( ACCESS_STATUS=READ & MSG_TYPE=MSG )"
            " & (SUR_NAME=Jansen | SUR_NAME=Pietersen )");
  EXPECT_EQ(filter_of_call(1), std::string(kLijstBase) +
                                   " & (SUR_NAME=Jansen | SUR_NAME=Pietersen & PRIORITY=URGENT"
                                   " | IP_MSG_ID!X1 )");
  EXPECT_TRUE(journal_has("  |", "Selektie met inhoud van selektiebestand"));
}

TEST_F(ListTest, SelectionFileErrors) {
  auto code_of = [&](const std::string& content, int kind = kLijst) {
    dir_.write("s.sel", content);
    std::string filter = "BASE";
    std::string code;
    const int rc = append_selection_file(ctx_.home, filter, "s.sel", kind, code);
    if (rc == 0) return "ok:" + filter;
    EXPECT_EQ(filter, "BASE") << "a refused selection leaves the filter alone";
    return code;
  };
  EXPECT_EQ(code_of("sur=a\nOR\nGIV!b\n"), "ok:BASE & (SUR_NAME=a | GIV_NAME!b )");
  EXPECT_EQ(code_of("SUR=a\n" + std::string(271, 'x') + "\n"), "2007");
  EXPECT_EQ(code_of("SUR=" + std::string(40, 'x') + std::string(230, ' ') + "\n"),
            "ok:BASE & (SUR_NAME=" + std::string(17, 'x') + " )")
      << "274 characters are accepted";
  EXPECT_EQ(code_of("SUR=a\nSUR=b" + std::string(270, ' ') + "\n"), "2517");
  EXPECT_EQ(code_of("or SUR=a\n"), "2518");
  EXPECT_EQ(code_of("or\nSUR=a\n"), "2518");
  EXPECT_EQ(code_of("SUR=a or\nor SUR=b\n"), "2519");
  EXPECT_EQ(code_of("SUR=a\nor\n"), "2520");
  EXPECT_EQ(code_of("SUR=a or\n"), "2520");
  EXPECT_EQ(code_of(""), "2521");
  EXPECT_EQ(code_of("\n   \n"), "2521");
  EXPECT_EQ(code_of("XYZ=1\n"), "2007");
  EXPECT_EQ(code_of("COU=NL\n"), "2103") << "LIJST does not take COU at all";
  EXPECT_EQ(code_of("DIR=x\n"), "2623") << "LIJST takes DIR only as a plain attribute";
  EXPECT_EQ(code_of("LID=1\n", kOntvang), "2614");
  EXPECT_EQ(code_of("SUR<a\n"), "2160");
  EXPECT_EQ(code_of("SUR=\n"), "2211");
  EXPECT_EQ(code_of("PRI=5\n"), "2418");
  EXPECT_EQ(code_of("MET=0306\n"), "2450");
  EXPECT_EQ(code_of("MET>0306\n"), "ok:BASE & (MBX_ENTRY_D>99/06/03 )");
  std::string many;
  for (int i = 0; i < 30; ++i) many += "SUB=" + std::string(40, 'a' + i % 26) + "\n";
  EXPECT_EQ(code_of(many), "2523");
  std::string filter, code;
  EXPECT_EQ(append_selection_file(ctx_.home, filter, "missing.sel", kLijst, code), -1);
  EXPECT_EQ(code, "2516");
}

TEST_F(ListTest, SelectionFileErrorEndsTheCommandOnly) {
  dir_.write("bad.sel", "SUR=a\nor\n");
  expect_open();
  expect_page({});
  expect_close();
  EXPECT_EQ(run(connect_block() + "*001LIJST\nSEL=bad.sel\n*002LIJST\n"), 1);
  ASSERT_EQ(status_lines().size(), 3u);
  EXPECT_EQ(status_lines()[1], line_of("*001LIJST", "2520"));
  EXPECT_EQ(status_lines()[2], line_of("*002LIJST", "0000") + "||0");
  EXPECT_TRUE(journal_has("**|", "Fout in record selektiebestand ('SEL' attribuut)"));
  EXPECT_TRUE(journal_has("**|", "Fout in regels selektiebestand (SEL attribuut)"));
  EXPECT_FALSE(dir_.exists("qrt400.lst") && !dir_.read("qrt400.lst").empty());
}

TEST_F(ListTest, PagingFollowsFullPages) {
  expect_open();
  expect_page(messages(1, 20));
  expect_page(messages(21, 20));
  expect_page({});
  expect_close();
  EXPECT_EQ(run(connect_block() + "*001LIJST\n"), 0);
  EXPECT_EQ(call_of("API_listMbxInNext", 1)->previous_list_id, "20");
  EXPECT_EQ(call_of("API_listMbxInNext", 2)->previous_list_id, "40");
  EXPECT_EQ(dir_.lines("qrt400.lst").size(), 40u);
  EXPECT_EQ(fake_api().remaining(), 0u);
}

TEST_F(ListTest, EscapeAndFailedPages) {
  expect_open();
  expect_page(messages(1, 3));
  fake_api().expect_failure("API_listMbxInNext", 9);
  fake_api().expect_failure("API_listMbxInNext", 3);
  expect_close();
  EXPECT_EQ(run(connect_block() + "*001LIJST\n*002LIJST\n*003LIJST\n*004LIJST\n"), 1);
  ASSERT_EQ(status_lines().size(), 4u);
  EXPECT_EQ(status_lines()[1], line_of("*001LIJST", "0000") + "|qrt400.lst|0");
  EXPECT_EQ(status_lines()[2], line_of("*002LIJST", "1511"));
  EXPECT_EQ(status_lines()[3], line_of("*003LIJST", "1506")) << "fatal: the session ends";
  EXPECT_TRUE(journal_has("**|", "Fout in API_listMbxInNext"));
  EXPECT_FALSE(dir_.exists("qrt400.lst")) << "a failed listing without ADD leaves no list";

  fake_api().reset();
  expect_open();
  expect_page(messages(1, 2)).press_escape = true;
  expect_close();
  EXPECT_EQ(run(connect_block() + "*001RAPPORT\n*002LIJST\n"), 1);
  ASSERT_EQ(status_lines().size(), 2u);
  EXPECT_EQ(status_lines()[1], line_of("*001RAPPORT", "1516") + "|||0");
}

Row kill_row(const std::string& list_id, const std::string& subject) {
  Row r;
  r.list_id = list_id;
  r.msg_id = "ftXcan0001";
  r.sur_name = "Boss";
  r.subject = subject;
  return r;
}

TEST_F(ListTest, KillMessageRemovesEarlierMessage) {
  std::vector<Row> rows = messages(1, 2);
  rows[1].msg_id = "EDIORD0000012";
  rows.push_back(kill_row("3", "EDIORD0000"));
  rows.push_back(messages(4, 1)[0]);
  expect_open();
  expect_page(rows);
  Row target = messages(2, 1)[0];
  target.msg_id = "EDIORD0000012";
  target.sur_name = "BOSS";
  // Rows of other originators, should the service hand them out: a surname that only begins
  // with the KILL's, and another one.
  Row longer_name = target;
  longer_name.list_id = "8";
  longer_name.sur_name = "BOSSMAN";
  Row other_sender = target;
  other_sender.list_id = "9";
  other_sender.sur_name = "Someone";
  expect_page({longer_name, other_sender, target});
  fake_api().expect("API_delMsg");
  fake_api().expect("API_delMsg");
  expect_close();
  EXPECT_EQ(run(connect_block() + "*001LIJST\n"), 0);
  // The service keeps the search to the KILL message's own originator, the whole address.
  EXPECT_EQ(filter_of_call(1), "MSG_TYPE=MSG & IP_MSG_ID=EDIORD0000* & ORIGINATOR_OF=3");
  EXPECT_EQ(call_of("API_listMbxInNext", 1)->page_length, 5);
  EXPECT_EQ(call_of("API_delMsg", 0)->list_id, "2");
  EXPECT_EQ(call_of("API_delMsg", 1)->list_id, "3");
  const auto lines = dir_.lines("qrt400.lst");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].substr(0, 2), "1|");
  EXPECT_EQ(lines[1].substr(0, 2), "4|");
  EXPECT_EQ(status_lines()[1], line_of("*001LIJST", "0000") + "|qrt400.lst|0");
  EXPECT_TRUE(journal_has("  |", "speciaal KILL bericht in postbus"));
  EXPECT_TRUE(journal_has("  |", "Afzender: Boss"));
  EXPECT_TRUE(journal_has("  |", "gezocht wordt naar bericht met msgId: EDIORD0000"));
  EXPECT_TRUE(journal_has("  |", "bericht gevonden, wordt nu verwijderd"));
  EXPECT_TRUE(journal_has("  |", "bericht susccesvol verwijderd"));
  EXPECT_TRUE(journal_has("  |", "ListId: 2"));
  EXPECT_TRUE(journal_has("  |", "KILL bericht wordt verwijderd"));
}

// A KILL subject is another party's text: one too short to name a message, or one that would
// change the search filter ("X* | MSG_TYPE=MSG" selects every message), is not searched for.
TEST_F(ListTest, KillMessageWithUnusableSubjectOnlyRemovesItself) {
  expect_open();
  expect_page({kill_row("7", "EDIORD00"), kill_row("8", "X* | MSG_TYPE=MSG"),
               kill_row("9", "EDIORD(0000)")});
  for (int i = 0; i < 3; ++i) fake_api().expect("API_delMsg");
  expect_close();
  EXPECT_EQ(run(connect_block() + "*001LIJST\n"), 0);
  EXPECT_EQ(call_of("API_listMbxInNext", 1), nullptr) << "a search with the subject";
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(call_of("API_delMsg", i)->list_id, std::to_string(7 + i));
  }
  EXPECT_TRUE(journal_has("**|", "lengte veld subject is korter dan 9 posities"));
  EXPECT_TRUE(journal_has("**|", "veld subject bevat selektietekens"));
  EXPECT_TRUE(journal_has("**|", "bericht wordt niet opgezocht"));
  EXPECT_EQ(status_lines()[1], line_of("*001LIJST", "0000") + "||0");

  // A subject that would add its own criteria to the search is not searched either.
  for (const char* subject : {"EDI* | MSG_TYPE=MSG", "EDIORD0000&x", "EDI(ORD)00"}) {
    SCOPED_TRACE(subject);
    fake_api().reset();
    expect_open();
    expect_page({kill_row("7", subject)});
    fake_api().expect("API_delMsg");
    expect_close();
    EXPECT_EQ(run(connect_block() + "*001LIJST\n"), 0);
    EXPECT_EQ(fake_api().count("API_listMbxInNext"), 1);
    EXPECT_EQ(call_of("API_delMsg")->list_id, "7");
  }
}

TEST_F(ListTest, KillLeavesListEmptyAndNotFound) {
  Row target = messages(2, 1)[0];
  target.msg_id = "EDIORD0000012";
  target.sur_name = "Boss";
  expect_open();
  expect_page({target, kill_row("3", "EDIORD0000")});
  expect_page({target});
  fake_api().expect("API_delMsg");
  fake_api().expect("API_delMsg");
  // A second KILL naming a message that is not there.
  expect_page({kill_row("5", "NOTHERE123")});
  expect_page({});
  fake_api().expect("API_delMsg");
  expect_close();
  EXPECT_EQ(run(connect_block() + "*001LIJST\n*002LIJST\nFIL=second.lst\n"), 0);
  EXPECT_FALSE(dir_.exists("qrt400.lst")) << "subtract_list removes a list without lines";
  EXPECT_EQ(status_lines()[1], line_of("*001LIJST", "0000") + "||0");
  EXPECT_TRUE(journal_has("  |", "het te verwijderen bericht, staat niet in de postbus"));
}

TEST_F(ListTest, SubtractListKeepsOtherLinesInAnyOrder) {
  dir_.write("list.lst", "1|a\n2 |b\n3|c\n4|d\n");
  dir_.write("rm.txt", "4\n2\n");
  EXPECT_EQ(subtract_list(ctx_, "list.lst", "rm.txt"), 2);
  EXPECT_EQ(dir_.read("list.lst"), "1|a\n3|c\n");
  dir_.write("rm.txt", "1\n3\n");
  EXPECT_EQ(subtract_list(ctx_, "list.lst", "rm.txt"), 0);
  EXPECT_FALSE(dir_.exists("list.lst"));
  clock_.set_local_time(2026, 3, 7, 1, 2, 3);
  dir_.write("QLX_0703.001", "x");
  EXPECT_EQ(dated_list_name(ctx_), "QLX_0703.002");
}

}  // namespace
}  // namespace kv::engine::testing
