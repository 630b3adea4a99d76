// Tests of reading the engine command file.
#include "client/engine/command_file.h"

#include <cstring>

#include "client/common/home.h"
#include "client/engine/status_file.h"
#include "client/engine/testing/engine_test_env.h"

namespace kv::engine {
namespace {

using testing::EngineTest;

short display_stub(const char*) { return 0; }
short escape_stub() { return 0; }

class ConnectBlockTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ctx_.session.engine_dir = dir_.path();
    ctx_.home.set(dir_.path());
    ASSERT_TRUE(allocate_session_records(ctx_));
    ctx_.session.command_file_name = "cmd.scr";
    journal_settings().enabled = true;
  }
  void TearDown() override {
    ctx_.command_file.close();
    EngineTest::TearDown();
  }
  int read_block(const std::string& content) {
    dir_.write("cmd.scr", content);
    record_ = empty_status_record();
    return ctx_.command_file.read_connect_block(ctx_, record_);
  }
  // Result and code of a block made of the first line and `attributes`.
  std::string code_of(const std::string& attributes) {
    int rc = read_block("*000CONNECT\n" + attributes);
    return std::to_string(rc) + ":" + result_code(record_);
  }
  const OpenSession& open() const { return *ctx_.session.open_parameters; }
  std::string record_;
};

TEST_F(ConnectBlockTest, CompleteBlockFillsTheOpenParameters) {
  status_callbacks().display_com_info = display_stub;
  status_callbacks().check_escape = escape_stub;
  ASSERT_EQ(read_block("*000connect   \n\n   \nREM x\nPOS=USER1\r\nPIN=secret\nSRV=host.nl\n"
                       "PNB=70000\nPAT=45\nDTT=abc\nISP=Kantoor lijn\n*001ZEND\n"),
            0);
  EXPECT_EQ(field(record_, status::kTag), "*000CONNECT");
  EXPECT_EQ(field(record_, status::kStamp), testing::kTestStamp);
  EXPECT_EQ(result_code(record_), "");
  EXPECT_EQ(open().type, CONNECTION_TCPIP);
  EXPECT_STREQ(open().user, "USER1");
  EXPECT_STREQ(open().password, "secret");
  EXPECT_STREQ(open().server, "host.nl");
  EXPECT_EQ(open().portNb, 70000 - 65536);  // taken as an unsigned short
  EXPECT_EQ(open().p4AnswerTimeout, 45);
  EXPECT_EQ(open().dataTransferTimeout, 0);  // no digits: 0
  EXPECT_EQ(open().displayComInfo, &display_stub);
  EXPECT_EQ(open().checkEscape, &escape_stub);
  EXPECT_EQ(ctx_.session.dialup_entry, "Kantoor lijn");
  // The command line is left for the command loop.
  std::string line;
  EXPECT_EQ(ctx_.command_file.read_attribute_line(line), AttributeRead::end);
  EXPECT_TRUE(journal_has("  |", "Commando: >*000CONNECT<"));
  EXPECT_TRUE(journal_has("  |", "Check attributen van commando"));
}

TEST_F(ConnectBlockTest, DefaultsAndTheUnexaminedOperator) {
  ASSERT_EQ(read_block("*000CONNECT\nPOSxABC\nPIN=X\nSRV=S\nPNB=1\n"), 0);
  EXPECT_STREQ(open().user, "ABC");
  EXPECT_EQ(open().p4AnswerTimeout, 30);
  EXPECT_EQ(open().dataTransferTimeout, 8);
  EXPECT_EQ(ctx_.session.dialup_entry, "");
}

TEST_F(ConnectBlockTest, FirstLineMustBeConnect) {
  EXPECT_EQ(read_block(" *000CONNECT\nPOS=A\n"), -2);
  EXPECT_EQ(result_code(record_), "1001");
  EXPECT_EQ(field(record_, status::kTag), " *000CONNECT");
  EXPECT_TRUE(journal_has("**|", "CONNECT commando ontbreekt"));
  EXPECT_EQ(read_block("*001ZEND\n"), -2);
  EXPECT_EQ(result_code(record_), "1001");
  EXPECT_EQ(read_block(""), -2);
  EXPECT_EQ(result_code(record_), "1001");
  EXPECT_EQ(read_block(std::string("\x01\xff\0junk", 7)), -2);
  EXPECT_EQ(result_code(record_), "1001");
}

TEST_F(ConnectBlockTest, RequiredKeywordsInOrder) {
  EXPECT_EQ(code_of("PIN=X\nSRV=S\nPNB=1\n"), "-1:1055");
  EXPECT_EQ(code_of("POS=A\nSRV=S\nPNB=1\n"), "-1:1056");
  EXPECT_EQ(code_of("POS=A\nPIN=X\n"), "-1:1050");
  EXPECT_EQ(code_of("POS=A\nPIN=X\nPNB=1\n"), "-1:1058");
  EXPECT_EQ(code_of("POS=A\nPIN=X\nSRV=S\n"), "-1:1059");
  EXPECT_EQ(code_of(""), "-1:1055");
}

TEST_F(ConnectBlockTest, KeywordCodes) {
  const std::string ok = "POS=A\nPIN=X\nSRV=S\nPNB=1\n";
  // Too short (no value).
  EXPECT_EQ(code_of("POS=\n"), "-1:1013");
  EXPECT_EQ(code_of("PIN\n"), "-1:1014");
  EXPECT_EQ(code_of("PAT=\n"), "-1:1020");
  EXPECT_EQ(code_of("DTT \n"), "-1:1021");
  EXPECT_EQ(code_of("SRV=\n"), "-1:1025");
  EXPECT_EQ(code_of("PNB=\n"), "-1:1026");
  EXPECT_EQ(code_of("ISP=\n"), "-1:5002");
  // Twice.
  EXPECT_EQ(code_of("POS=A\nPOS=B\n"), "-1:1033");
  EXPECT_EQ(code_of("PIN=A\npin=B\n"), "-1:1034");
  EXPECT_EQ(code_of("PAT=1\nPAT=2\n"), "-1:1040");
  EXPECT_EQ(code_of("DTT=1\nDTT=2\n"), "-1:1041");
  EXPECT_EQ(code_of("SRV=a\nSRV=b\n"), "-1:1045");
  EXPECT_EQ(code_of("PNB=1\nPNB=2\n"), "-1:1046");
  EXPECT_EQ(code_of("ISP=a\nISP=b\n"), "-1:5003");
  // Too long, at the limits.
  EXPECT_EQ(code_of("POS=" + std::string(8, 'u') + "\nPIN=X\nSRV=S\nPNB=1\n"), "0:");
  EXPECT_EQ(code_of("POS=" + std::string(9, 'u') + "\n"), "-1:1005");
  EXPECT_EQ(code_of("PIN=" + std::string(15, 'p') + "\nPOS=A\nSRV=S\nPNB=1\n"), "0:");
  EXPECT_EQ(code_of("PIN=" + std::string(16, 'p') + "\n"), "-1:1006");
  EXPECT_EQ(code_of("SRV=" + std::string(64, 's') + "\nPOS=A\nPIN=X\nPNB=1\n"), "0:");
  EXPECT_EQ(code_of("SRV=" + std::string(65, 's') + "\n"), "-1:1053");
  EXPECT_EQ(code_of("ISP=" + std::string(32, 'i') + "\n" + ok), "0:");
  EXPECT_EQ(code_of("ISP=" + std::string(33, 'i') + "\n"), "-1:1104");
  // The transport security of a networked service: mode and root certificate.
  EXPECT_EQ(code_of("TLS=\n"), "-1:1028");
  EXPECT_EQ(code_of("CRT=\n"), "-1:1027");
  EXPECT_EQ(code_of("TLS=ON\nTLS=ON\n"), "-1:1048");
  EXPECT_EQ(code_of("CRT=a\nCRT=b\n"), "-1:1047");
  EXPECT_EQ(code_of("TLS=OFF\n"), "-1:1057");
  EXPECT_EQ(code_of("CRT=" + std::string(196, 'c') + "\n"), "-1:1054");
  EXPECT_EQ(code_of("TLS=on\nCRT=" + std::string(195, 'c') + "\n" + ok), "0:");
  EXPECT_STREQ(open().tlsMode, "ON");
  EXPECT_EQ(std::string(open().rootCertificate), std::string(195, 'c'));
  EXPECT_EQ(code_of(ok), "0:");
  EXPECT_STREQ(open().tlsMode, "");
  EXPECT_STREQ(open().rootCertificate, "");
  // Unknown keywords, comments.
  EXPECT_EQ(code_of("XYZ=1\n"), "-1:1009");
  EXPECT_EQ(code_of("PO\n"), "-1:1009");
  EXPECT_EQ(code_of("REM\nrem anything at all\n" + ok), "0:");
}

TEST_F(ConnectBlockTest, LineLimitsAndTheLastLineWithoutLineFeed) {
  const std::string ok = "POS=A\nPIN=X\nSRV=S\nPNB=1\n";
  EXPECT_EQ(code_of(ok + "REM" + std::string(271, 'r') + "\n"), "0:");  // 274 characters
  EXPECT_EQ(code_of(ok + "REM" + std::string(272, 'r') + "\n"), "-2:1055");
  EXPECT_TRUE(journal_has("**|", "Fout in record opdrachtenbestand (record te lang)"));
  // A last attribute line without a line feed is not taken.
  EXPECT_EQ(code_of("POS=A\nPIN=X\nSRV=S\nPNB=1"), "-1:1059");
  // A first line that is too long: field 1 holds its first 14 characters as read.
  EXPECT_EQ(read_block("*000connect" + std::string(300, 'x') + "\n"), -2);
  EXPECT_EQ(field(record_, status::kTag), "*000connectxxx");
  EXPECT_EQ(result_code(record_), "1055");
}

TEST_F(ConnectBlockTest, MissingCommandFileAbandonsTheSession) {
  ctx_.session.command_file_name = "nothere.scr";
  std::string record = empty_status_record();
  EXPECT_THROW(ctx_.command_file.read_connect_block(ctx_, record), SessionAbandoned);
  EXPECT_TRUE(journal_has("**|", "QRT400 opdrachten bestand niet aanwezig"));
  EXPECT_FALSE(ctx_.command_file.is_open());
}

}  // namespace
}  // namespace kv::engine
