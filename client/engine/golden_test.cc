// A command file with all seven commands against a scripted mail service: the status file and
// the journal (from the connection block on) must equal the checked copies in testdata/. Set
// KOVENDI_UPDATE_GOLDEN=1 to write new copies after a deliberate change (and check them again).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "client/engine/testing/engine_test_env.h"
#include "client/engine/testing/rows.h"

namespace kv::engine::testing {
namespace {

std::string testdata(const std::string& name) {
  std::string here = __FILE__;
  return here.substr(0, here.find_last_of('/')) + "/testdata/" + name;
}

using kv::testing::read_file;

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream s(text);
  std::string line;
  while (std::getline(s, line)) lines.push_back(line);
  return lines;
}

class GoldenTest : public EngineTest {
 protected:
  void script() {
    expect_open().fill = [](FakeCallArgs& a) {
      copy_field(a.info->uaName, "KOVUSER");
      copy_field(a.info->defaultFFName, "Kovendi user");
      a.info->mbxInMsgQtty = 4;
    };
    // *001ZEND: sent; the alias resolves.
    fake_api().expect("API_sendMsg");
    fake_api().expect("API_aliasToOrname").fill = [](FakeCallArgs& a) {
      *a.alias_status = 3;
      a.orname->type = ORNAME_FORM11;
      copy_field(a.orname->u.form11.countryName, "BE");
      copy_field(a.orname->u.form11.adDomainName, "RTT");
      copy_field(a.orname->u.form11.surName, "Partner");
    };
    // *002LIJST: two messages and a report.
    std::vector<Row> rows = messages(11, 2);
    rows[1].subject = "Factuur";
    rows.push_back(report_row("13"));
    expect_page(rows);
    // *003ONTVANG: one message with two files, deleted after receipt.
    Row from_pietersen = messages(21, 1)[0];
    from_pietersen.sur_name = "Pietersen";
    expect_page({from_pietersen});
    fake_api().expect("API_getMsg").fill = [](FakeCallArgs& a) {
      fill_message(*a.in, "MSG21", {"RCV21.001", "RCV21.002"});
    };
    fake_api().expect("API_delMsg");
    // *004RAPPORT: one report with a delivery.
    Row rep = messages(31, 1)[0];
    rep.type = MSGTYPE_REPORT;
    expect_page({rep});
    fake_api().expect("API_getMsg").fill = [](FakeCallArgs& a) {
      a.in->msgType = MSGTYPE_REPORT;
      copy_field(a.in->ipMsgId, "ORDER0001");
      copy_field(a.in->mbxEntryTime, "09-12-26 10:29");
      a.in->u.report.notifyQtty = 1;
      NotifyEntry& e = a.in->u.report.entries[0];
      e.notifyType = 1;
      copy_field(e.remoteDeliveryTime, "09-12-26 10:28");
      e.orName.type = ORNAME_FORM11;
      copy_field(e.orName.u.form11.countryName, "NL");
      copy_field(e.orName.u.form11.surName, "Jansen");
    };
    // *005ANTWOORD: the answer to ORDER0001 arrives at the first poll.
    Row answer = messages(41, 1)[0];
    answer.in_reply_to = "ORDER0001";
    expect_page({answer});
    fake_api().expect("API_getMsg").fill = [](FakeCallArgs& a) {
      fill_message(*a.in, "ANSWER41", {"RCV41.001"}, "ORDER0001");
    };
    fake_api().expect("API_delMsg");
    // *006VERWIJDER and *007WACHTWOORD.
    fake_api().expect("API_delMsg");
    fake_api().expect("API_changeNetworkPwd");
    expect_close();
  }

  // Journal lines from the connection block on (the banner holds the machine's memory figures).
  std::vector<std::string> journal_from_connect() const {
    std::vector<std::string> lines = journal();
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].find("CONNECT met de volgende parameters") != std::string::npos) {
        return std::vector<std::string>(lines.begin() + static_cast<long>(i), lines.end());
      }
    }
    return {};
  }
};

TEST_F(GoldenTest, AllSevenCommands) {
  dir_.write("order.txt", "10 x artikel 4711\n");
  script();
  EXPECT_EQ(run(read_file(testdata("all_commands.scr"))), 0);
  EXPECT_EQ(fake_api().remaining(), 0u);
  const std::vector<std::string> status = status_lines();
  const std::vector<std::string> log = journal_from_connect();
  if (std::getenv("KOVENDI_UPDATE_GOLDEN")) {
    std::ofstream(testdata("all_commands.sts")) << dir_.read("qrtlnk.sts");
    std::ofstream out(testdata("all_commands.log"));
    for (const std::string& line : log) out << line << "\n";
    GTEST_SKIP() << "golden copies written";
  }
  const std::vector<std::string> want_status = split_lines(read_file(testdata("all_commands.sts")));
  const std::vector<std::string> want_log = split_lines(read_file(testdata("all_commands.log")));
  ASSERT_EQ(status.size(), want_status.size());
  for (std::size_t i = 0; i < status.size(); ++i) EXPECT_EQ(status[i], want_status[i]) << i;
  ASSERT_EQ(log.size(), want_log.size());
  for (std::size_t i = 0; i < log.size(); ++i) EXPECT_EQ(log[i], want_log[i]) << i;
  EXPECT_EQ(dir_.lines("qrt400.lst").size(), 3u);
  EXPECT_EQ(dir_.lines("qrt400.rap"),
            std::vector<std::string>{"ORDER0001|3|1|202612091029|202612091028|00|00|NL||||||||Jansen"});
}

}  // namespace
}  // namespace kv::engine::testing
