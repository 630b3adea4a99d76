// Tests of the engine configuration $qrt400.prm and the journal blocks that describe a session.
#include "client/engine/engine_config.h"

#include <cstring>

#include "client/engine/testing/engine_test_env.h"

namespace kv::engine {
namespace {

using testing::EngineTest;

class EngineConfigTest : public EngineTest {
 protected:
  const EngineSettings& read(const std::string& content) {
    dir_.write("$qrt400.prm", content);
    EXPECT_EQ(read_engine_config(ctx_), 1);
    return ctx_.settings;
  }
};

TEST_F(EngineConfigTest, DefaultsWithoutAFile) {
  ctx_.settings.country = "XX";
  journal_settings().enabled = false;
  EXPECT_EQ(read_engine_config(ctx_), 1);
  const EngineSettings& s = ctx_.settings;
  EXPECT_EQ(s.country, "NL");
  EXPECT_EQ(s.prmd, "QRT400");
  EXPECT_EQ(s.admd, "HUBADMD");
  EXPECT_EQ(s.organisation, "");
  EXPECT_EQ(s.sensitivity, 1);
  EXPECT_EQ(s.priority, 2);
  EXPECT_EQ(s.notification, 3);
  EXPECT_EQ(s.report, 3);
  EXPECT_EQ(s.wait_seconds, 300);
  EXPECT_EQ(s.x_ind, 1);
  EXPECT_EQ(s.y_ind, 24);
  EXPECT_EQ(s.l_ind, 80);
  EXPECT_EQ(s.no_ind, 0);
  EXPECT_EQ(s.f_col, 7);
  EXPECT_EQ(s.b_col, 0);
  EXPECT_EQ(s.poll_first, 5);
  EXPECT_EQ(s.poll_later, 5);
  EXPECT_TRUE(journal_settings().enabled);
  EXPECT_FALSE(journal_settings().maximal);
  EXPECT_EQ(journal_settings().file_name, "qrt400.log");
}

TEST_F(EngineConfigTest, KeysTextsAndLimits) {
  const EngineSettings& s =
      read("cou=BE\nADM = X\nPMD=" + std::string(16, 'p') + "\nORG=" + std::string(65, 'o') +
           "\nOUA=Inkoop\nOUB=" + std::string(32, 'b') + "\nOUC=" + std::string(33, 'c') +
           "\nOUD=D\r\nnonsense line\nVERYLONGKEYNAME=1\n\n   \nPRI=3   \n");
  EXPECT_EQ(s.country, "BE");
  EXPECT_EQ(s.admd, "HUBADMD");  // blanks around the key make it unknown
  EXPECT_EQ(s.prmd, std::string(16, 'p'));
  EXPECT_EQ(s.organisation, "");  // over-long text ignored
  EXPECT_EQ(s.unit_a, "Inkoop");
  EXPECT_EQ(s.unit_b, std::string(32, 'b'));
  EXPECT_EQ(s.unit_c, "");
  EXPECT_EQ(s.unit_d, "D");
  EXPECT_EQ(s.priority, 3);
}

TEST_F(EngineConfigTest, NumericRanges) {
  EXPECT_EQ(read("WAI=0\n").wait_seconds, 300);
  EXPECT_EQ(read("WAI=901\n").wait_seconds, 300);
  EXPECT_EQ(read("WAI=900\n").wait_seconds, 900);
  EXPECT_EQ(read("WAI=1\n").wait_seconds, 1);
  EXPECT_EQ(read("PI0=2\n").poll_first, 5);
  EXPECT_EQ(read("PI0=101\n").poll_first, 100);
  EXPECT_EQ(read("PI1=5000\n").poll_later, 800);
  EXPECT_EQ(read("PI1=99999999999999999999\n").poll_later, 800);
  EXPECT_EQ(read("PI1=abc\n").poll_later, 5);
  EXPECT_EQ(read("B_COL=20\n").b_col, 7);
  EXPECT_EQ(read("B_COL=-1\n").b_col, 7);
  EXPECT_EQ(read("F_COL=12\nB_COL=3\n").b_col, 3);
  EXPECT_EQ(read("F_COL=16\n").f_col, 7);
  EXPECT_EQ(read("X_IND=70\n").l_ind, 11);
  EXPECT_EQ(read("X_IND=81\n").x_ind, 1);
  EXPECT_EQ(read("Y_IND=26\n").y_ind, 24);
  EXPECT_EQ(read("L_IND=0\n").l_ind, 80);
  EXPECT_EQ(read("NO_IND=1\n").no_ind, 1);
  EXPECT_EQ(read("NO_IND=2\n").no_ind, 0);
  EXPECT_EQ(read("SEN=4\n").sensitivity, 4);
  EXPECT_EQ(read("SEN=5\n").sensitivity, 1);
  EXPECT_EQ(read("PRI=0\n").priority, 2);
  EXPECT_EQ(read("NOT=1\n").notification, 1);
  EXPECT_EQ(read("RAP=9\n").report, 3);
  // Later lines override earlier ones; a last line without a line feed counts.
  EXPECT_EQ(read("WAI=10\nWAI=20").wait_seconds, 20);
}

TEST_F(EngineConfigTest, JournalSwitches) {
  read("LOGGING=nee\n");
  EXPECT_FALSE(journal_settings().enabled);
  read("LOGGING=YES\n");
  EXPECT_TRUE(journal_settings().enabled);
  read("LOGGING=MAXI\n");
  EXPECT_TRUE(journal_settings().enabled);
  EXPECT_FALSE(journal_settings().maximal);
  read("LOGGING=max\n");
  EXPECT_TRUE(journal_settings().enabled);
  EXPECT_TRUE(journal_settings().maximal);
  read("LOGGING=NO\n");
  EXPECT_FALSE(journal_settings().enabled);
}

TEST_F(EngineConfigTest, PreviousJournalsAreRemovedExceptVqJournals) {
  dir_.write("qrt400.log", "old");
  dir_.write("VQSITE.LOG", "kept");
  dir_.write("vqempty.log", "");
  read("LOGFILE=VQSITE.LOG\n");
  EXPECT_FALSE(dir_.exists("qrt400.log"));
  EXPECT_EQ(dir_.read("VQSITE.LOG"), "kept");
  EXPECT_EQ(journal_settings().file_name, "VQSITE.LOG");
  read("LOGFILE=vqempty.log\n");
  EXPECT_FALSE(dir_.exists("vqempty.log"));
  read("LOGFILE=" + std::string(65, 'l') + "\n");
  EXPECT_EQ(journal_settings().file_name, "qrt400.log");
}

TEST_F(EngineConfigTest, OverLongLineFailsWithTheProductLine) {
  dir_.write("$qrt400.prm", "WAI=10\n" + std::string(99, 'x') + "\n");
  EXPECT_EQ(read_engine_config(ctx_), 1);  // 99 characters are still a line
  dir_.write("$qrt400.prm", "REM=" + std::string(96, 'x') + "\nWAI=10\n");
  EXPECT_EQ(read_engine_config(ctx_), 0);
  EXPECT_EQ(journal_texts(),
            (std::vector<std::string>{journal()[0], "", "KOVENDI v6.2.2 2003/06/17", "",
                                      "Recordlengte te lang in parameter ($qrt400.prm) bestand"}));
  EXPECT_EQ(journal()[0].substr(0, 35), "------------------- Open  journal -");
  EXPECT_EQ(journal()[4].substr(0, 3), "**|");
}

TEST_F(EngineConfigTest, BannerConnectParametersAndSessionInfo) {
  read("COU=DE\nWAI=120\n");
  journal_open("qrt400.log");
  write_session_banner(ctx_);
  std::vector<std::string> t = journal_texts();
  ASSERT_EQ(t.size(), 33u);
  EXPECT_EQ(t[1], "");
  EXPECT_EQ(t[2], "      KOVENDI v6.2.2 2003/06/17");
  EXPECT_EQ(t[3], "");
  EXPECT_EQ(t[4], "");
  EXPECT_EQ(t[5], "      API versie  300");
  EXPECT_EQ(t[6], "");
  EXPECT_EQ(t[7], "Geheugen overzicht bij opstarten ----------");
  EXPECT_EQ(t[8].substr(0, 36), "----- Percent of memory in use    : ");
  EXPECT_EQ(t[9].substr(0, 36), "----- Bytes of physical memory    : ");
  // The real size is printed, also beyond 32 bits.
  EXPECT_GT(std::stoull(t[9].substr(36)), 0ull);
  EXPECT_EQ(t[14].substr(0, 36), "----- Free user bytes             : ");
  EXPECT_GT(std::stoull(t[13].substr(36)), 4294967295ull);
  EXPECT_EQ(t[15], std::string(43, '-'));
  EXPECT_EQ(t[16], "----- default parameters en opties---------");
  EXPECT_EQ(t[17], "----- Countryname         : DE");
  EXPECT_EQ(t[18], "----- ADMD name           : HUBADMD");
  EXPECT_EQ(t[19], "----- PRMD name           : QRT400");
  EXPECT_EQ(t[24], "----- Org. Unit-D         : ");
  EXPECT_EQ(t[25], "----- priority kode       : 2");
  EXPECT_EQ(t[29], "----- waittime            : 120");
  EXPECT_EQ(t[31], "----- pollinterval t1     : 5");
  EXPECT_EQ(t[32], std::string(43, '-'));

  ASSERT_TRUE(allocate_session_records(ctx_));
  OpenSession& open = *ctx_.session.open_parameters;
  open.type = CONNECTION_TCPIP;
  testing::copy_field(open.server, "mail.example.nl");
  open.portNb = 65535;
  open.p4AnswerTimeout = 30;
  open.dataTransferTimeout = -8;
  testing::copy_field(open.user, "KOVUSER");
  testing::copy_field(open.password, "GEHEIM");
  ctx_.session.dialup_entry = "Kantoor";
  write_connect_parameters(ctx_);
  SessionInfo& info = *ctx_.session.session_info;
  testing::copy_field(info.uaName, "UA1");
  info.uaId = -5;
  info.sessionId = 12;
  // An unterminated text field is read up to its end.
  std::memset(info.defaultFFName, 'F', sizeof info.defaultFFName);
  info.mbxInNewMsgQtty = 3;
  write_session_info(ctx_);
  t = journal_texts();
  std::vector<std::string> tail(t.begin() + 33, t.end());
  EXPECT_EQ(tail, (std::vector<std::string>{
                      "CONNECT met de volgende parameters---------",
                      "----- communicatie        : TCP/IP",
                      "----- dial-up entry name  : Kantoor",
                      "----- server              : mail.example.nl",
                      "----- portNb              : 65535",
                      "----- p4AnswerTimeout     : 30",
                      "----- dataTransferTimeout : -8",
                      "----- user                : KOVUSER",
                      "----- password            : ????????",
                      std::string(43, '-'),
                      "Session Info-------------------------------",
                      "----- uaName              : UA1",
                      "----- uaId                : -5",
                      "----- sessionId           : 12",
                      "----- defaultFFName       : " + std::string(33, 'F'),
                      "----- mbxMaxMsgQtty       : 0",
                      "----- mbxInMsgQtty        : 0",
                      "----- mbxInLostMsgQtty    : 0",
                      "----- mbxInNewMsgQtty     : 3",
                      "----- mbxOutMsgQtty       : 0",
                      std::string(43, '-'),
                  }));
  // The password itself is nowhere in the journal.
  EXPECT_EQ(dir_.read("qrt400.log").find("GEHEIM"), std::string::npos);
}

}  // namespace
}  // namespace kv::engine
