// Tests of sending a message (ZEND).
#include "client/engine/cmd_zend.h"

#include <gtest/gtest.h>

#include <map>

#include "client/common/status_layout.h"
#include "client/engine/testing/engine_test_env.h"
#include "client/engine/testing/rows.h"

namespace kv::engine::testing {
namespace {

std::string prefix(const std::string& line, const std::string& expected) {
  return line.substr(0, expected.size());
}

// A status line from its fields 1.. (empty fields at the end are not written).
std::string joined(const std::map<int, std::string>& fields) {
  std::string line;
  const int last = fields.empty() ? 0 : fields.rbegin()->first;
  for (int n = 1; n <= last; ++n) {
    auto it = fields.find(n);
    if (n > 1) line += "|";
    if (it != fields.end()) line += it->second;
  }
  while (line.size() > 1 && line.back() == '|') line.pop_back();
  return line;
}

class ZendTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    dir_.write("a.txt", "aaa");
    dir_.write("b.txt", "bbbb");
  }
  std::map<int, std::string> message_fields(const std::string& id, const std::string& code) {
    return {{1, id}, {2, kTestStamp}, {3, code}, {4, "M1"}, {5, "2"}, {6, "1"}, {7, "3"},
            {8, "3"}, {9, "a.txt"}, {17, "0"}, {18, "Subject"}};
  }
  MessageOut sent_;
  FakeStep& expect_send(short result = 0, short verdict = 1) {
    FakeStep& step = fake_api().expect("API_sendMsg", result, verdict);
    step.fill = [this](FakeCallArgs& a) { sent_ = *a.out; };
    return step;
  }
};

TEST_F(ZendTest, ThreeRecipientsWithTheirKinds) {
  expect_open();
  expect_send();
  expect_close();
  EXPECT_EQ(run(connect_block() + "*001ZEND\nMID=M1\nSUB=Subject\nFIL=a.txt\nSUR=Jansen\n"
                                  "CCO\nSUR=Pietersen\nGIV=Piet\nCOU=BE\nBCO\nSUR=Klaassen\n"),
            0);
  ASSERT_EQ(status_lines().size(), 4u);
  auto f = message_fields("*001ZEND", "0000");
  f[20] = "1"; f[22] = "NL"; f[23] = "HUBADMD"; f[24] = "QRT400"; f[30] = "Jansen";
  EXPECT_EQ(status_lines()[1], joined(f));
  f[20] = "2"; f[22] = "BE"; f[30] = "Pietersen"; f[31] = "Piet";
  EXPECT_EQ(status_lines()[2], joined(f));
  f[20] = "3"; f[22] = "NL"; f[30] = "Klaassen"; f[31] = "";
  EXPECT_EQ(status_lines()[3], joined(f));

  EXPECT_EQ(sent_.recipientQtty, 3);
  EXPECT_EQ(sent_.recipients[2].type, 3);
  EXPECT_EQ(sent_.priority, 2);
  EXPECT_EQ(sent_.sensitivity, 1);
  EXPECT_EQ(sent_.notifReq, 3);
  EXPECT_EQ(sent_.reportReq, 3);
  EXPECT_EQ(sent_.replyReq, 2);
  EXPECT_EQ(sent_.bodyPartQtty, 1);
  EXPECT_EQ(sent_.bodyParts[0].type, BODYPART_FILE);
  EXPECT_EQ(std::string(sent_.bodyParts[0].fileName), dir_.file("a.txt"));
  EXPECT_EQ(std::string(sent_.ipMsgId), "M1");
  EXPECT_EQ(std::string(sent_.subject), "Subject");
  EXPECT_TRUE(journal_has("  |", "start API_sendMsg"));
  EXPECT_TRUE(journal_has("  |", "Zend akkoord"));
}

TEST_F(ZendTest, ConfiguredDefaultsAndGivenCodes) {
  dir_.write("$qrt400.prm", "PRI=1\nSEN=3\nNOT=2\nRAP=1\nORG=Acme\n");
  expect_open();
  expect_send();
  expect_send();
  expect_close();
  run(connect_block() + "*001ZEND\nMID=M1\nFIL=a.txt\nSUR=J\n*002ZEND\nMID=M2\nFIL=a.txt\n"
                        "SUR=J\nPRI=3\nSEN=2\nNOT=1\nRAP=2\nORG=\n");
  ASSERT_EQ(status_lines().size(), 3u);
  EXPECT_EQ(status_lines()[1].substr(0, 43), line_of("*001ZEND", "0000") + "|M1|1|3|2|1|a.txt");
  EXPECT_NE(status_lines()[1].find("|Acme|"), std::string::npos);
  EXPECT_EQ(status_lines()[2].substr(0, 43), line_of("*002ZEND", "0000") + "|M2|3|2|1|2|a.txt");
  EXPECT_EQ(status_lines()[2].find("Acme"), std::string::npos) << "ORG= overrides the default";
  EXPECT_EQ(sent_.priority, 3);
}

TEST_F(ZendTest, FailedSendsAndEscape) {
  expect_open();
  expect_send(-1, 7);
  expect_send(-1, 4);
  expect_close();
  EXPECT_EQ(run(connect_block() + "*001ZEND\nMID=M1\nSUB=Subject\nFIL=a.txt\nSUR=A\nCCO\nSUR=B\n"
                                  "*002ZEND\nMID=M2\nFIL=a.txt\nALI=X\n*003ZEND\nMID=M3\n"),
            1);
  ASSERT_EQ(status_lines().size(), 4u);
  const std::string failed = line_of("*001ZEND", "1509") + "|M1|2|1|3|3|a.txt|";
  EXPECT_EQ(prefix(status_lines()[1], failed), failed);
  EXPECT_EQ(prefix(status_lines()[2], failed), failed);
  EXPECT_EQ(status_lines()[3], line_of("*002ZEND", "1507") + "|M2|2|1|3|3|a.txt||||||||0|||1|X");
  EXPECT_TRUE(journal_has("**|", "fout in 'ZEND' opdracht"));

  fake_api().reset();
  expect_open();
  expect_send(-1, 29).press_escape = true;
  expect_close();
  EXPECT_EQ(run(connect_block() + "*001ZEND\nMID=M1\nFIL=a.txt\nSUR=A\n*002LIJST\n"), 1);
  ASSERT_EQ(status_lines().size(), 2u);
  const std::string stopped = line_of("*001ZEND", "1516") + "|M1|";
  EXPECT_EQ(prefix(status_lines()[1], stopped), stopped);
  EXPECT_FALSE(journal_has("**|", "fout in 'ZEND' opdracht"));
}

TEST_F(ZendTest, DeleteOptionRemovesSentFiles) {
  dir_.write("VQKEEP.TXT", "keep me");
  expect_open();
  expect_send();
  expect_close();
  run(connect_block() + "*001ZEND\nMID=M1\nFIL=a.txt\nFIL=VQKEEP.TXT\nFIL=B.TXT\nDEL\nSUR=A\n");
  EXPECT_FALSE(dir_.exists("a.txt"));
  EXPECT_FALSE(dir_.exists("b.txt"));
  EXPECT_TRUE(dir_.exists("VQKEEP.TXT"));
  const auto texts = journal_texts();
  auto at = std::find(texts.begin(), texts.end(), "De volgende bestanden worden verwijderd:");
  ASSERT_NE(at, texts.end());
  EXPECT_EQ(*(at - 1), "De verwijder optie is opgegeven");
  EXPECT_EQ(*(at + 1), std::string(40, '-'));
  EXPECT_EQ(*(at + 2), "a.txt");
  EXPECT_EQ(*(at + 3), "VQKEEP.TXT");
  EXPECT_EQ(*(at + 4), "B.TXT");
  EXPECT_EQ(*(at + 5), std::string(40, '-'));
  EXPECT_EQ(StatusRecord(status_lines()[1]).str(status::zend::kDelete), "1");
}

TEST_F(ZendTest, InterchangeDistributionListAndAliases) {
  dir_.write("i.edi", "UNB+");
  expect_open();
  expect_send();
  expect_send();
  FakeStep& resolve = fake_api().expect("API_aliasToOrname");
  resolve.fill = [](FakeCallArgs& a) {
    *a.alias_status = 3;
    a.orname->type = ORNAME_FORM11;
    copy_field(a.orname->u.form11.countryName, "DE");
    copy_field(a.orname->u.form11.surName, "Resolved");
  };
  fake_api().expect_failure("API_aliasToOrname", 9);
  expect_close();
  EXPECT_EQ(run(connect_block() + "*001ZEND\nMID=M1\nFIL=a.txt\nDIF=i.edi\nSUR=PARTNER\n"
                                  "*002ZEND\nMID=M2\nFIL=a.txt\nALI=AL1\nCCO\nALI=AL2\nCCO\n"
                                  "ALI=AL3\nCCO\nDIS=LIST\n"),
            0);
  ASSERT_EQ(status_lines().size(), 6u);
  EXPECT_EQ(StatusRecord(status_lines()[1]).str(status::zend::kFirstFile), "a.txt");
  EXPECT_EQ(StatusRecord(status_lines()[1]).str(nth_field(status::zend::kFirstFile, 1)), "i.edi");
  EXPECT_EQ(StatusRecord(status_lines()[1]).str(status::zend::kRecipientKind), "5");
  EXPECT_EQ(StatusRecord(status_lines()[1]).str(status::zend::kAlias), "");
  EXPECT_EQ(StatusRecord(status_lines()[1]).str(status::zend::kSurname), "PARTNER");
  EXPECT_TRUE(status_lines()[1].size() < 200);
  EXPECT_EQ(StatusRecord(status_lines()[2]).str(status::zend::kAlias), "AL1");
  EXPECT_EQ(StatusRecord(status_lines()[2]).str(status::zend::kCountry), "DE");
  EXPECT_EQ(StatusRecord(status_lines()[2]).str(status::zend::kSurname), "Resolved");
  EXPECT_EQ(StatusRecord(status_lines()[3]).str(status::zend::kAlias), "AL2");
  EXPECT_EQ(StatusRecord(status_lines()[3]).str(status::zend::kCountry), "");
  EXPECT_EQ(StatusRecord(status_lines()[3]).str(status::kResult), "0000")
      << "kept on a failed resolution";
  EXPECT_EQ(StatusRecord(status_lines()[4]).str(status::zend::kAlias), "AL3");
  EXPECT_EQ(fake_api().count("API_aliasToOrname"), 2) << "no resolution after a failed one";
  EXPECT_EQ(StatusRecord(status_lines()[5]).str(status::zend::kRecipientKind), "4");
  EXPECT_EQ(StatusRecord(status_lines()[5]).str(status::zend::kAlias), "") << "a list is no alias";
  EXPECT_EQ(StatusRecord(status_lines()[5]).str(status::zend::kCountry), "");
}

TEST_F(ZendTest, FrontEndRefusals) {
  dir_.write("i.edi", "UNB+");
  expect_open();
  expect_close();
  EXPECT_EQ(run(connect_block() + "*001ZEND\nFIL=a.txt\nSUR=A\n"
                                  "*002ZEND\nMID=M2\nSUR=A\n"
                                  "*003ZEND\nMID=M3\nFIL=a.txt\nALI=X\nSUR=A\n"
                                  "*004ZEND\nMID=M4\nFIL=a.txt\nDIF=i.edi\nALI=X\nCCO\nALI=Y\n"
                                  "*005ZEND\nMID=M5\nDIR=.\nSUR=A\nREM skipped\n"
                                  "*006ZEND\nMID=M6\nFIL=a.txt\nSUR=A\nCCO\n"),
            1);
  const auto lines = status_lines();
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[1], line_of("*001ZEND", "2504"));
  EXPECT_EQ(lines[2], line_of("*002ZEND", "2505") + "|M2");
  EXPECT_EQ(lines[3], line_of("*003ZEND", "2502") + "|M3");
  EXPECT_EQ(lines[4], line_of("*004ZEND", "2512") + "|M4");
  EXPECT_EQ(lines[5], line_of("*005ZEND", "2123"));
  EXPECT_EQ(lines[6], line_of("*006ZEND", "2507") + "|M6");
  EXPECT_TRUE(journal_has("**|", "Fout bij gebruik van attributen, skip commando"));
  EXPECT_TRUE(journal_has("**|", "Fout in attributen, skip commando (#1)"));
  EXPECT_EQ(fake_api().count("API_sendMsg"), 0);
}

TEST_F(ZendTest, EdifactEnvelopeSizeLimit) {
  dir_.write("big1.edi", std::string(2095104 - 4, 'e'));
  expect_open();
  expect_send();
  expect_close();
  EXPECT_EQ(run(connect_block() + "*001ZEND\nMID=edi0001\nFIL=big1.edi\nFIL=b.txt\nSUR=P\n" +
                "*002ZEND\nMID=EDI0002\nFIL=big1.edi\nFIL=a.txt\nFIL=b.txt\nALI=P\nDEL\n" +
                "*003ZEND\nMID=EDI0003\nFIL=big1.edi\nFIL=b.txt\nFIL=a.txt\nSUR=Sur\nORG=\nPRI=1\n"),
            1);
  const auto lines = status_lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(StatusRecord(lines[1]).str(status::kResult), "0000")
      << "exactly 2095104 bytes are sent";
  EXPECT_EQ(lines[2], line_of("*002ZEND", "3072") +
                          "|EDI0002|2|1|3|3|big1.edi|a.txt|b.txt||||||1||||P");
  EXPECT_EQ(lines[3], line_of("*003ZEND", "3072") +
                          "|EDI0003|1|1|3|3|big1.edi|b.txt|a.txt||||||0|||||NL|HUBADMD|QRT400||||||Sur");
  EXPECT_TRUE(journal_has("**|", "EDIFACT envelop is te groot (max. 2095104 bytes"));
  EXPECT_TRUE(dir_.exists("a.txt")) << "a refused send removes nothing";
}

}  // namespace
}  // namespace kv::engine::testing
