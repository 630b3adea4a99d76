// Black-box tests of the request translation and the send queue in a real normal run: kovendi
// with the embedded message store behind it, in a fresh home directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/blackbox.h"
#include "tests/e2e_support.h"

namespace {

using e2e::field;
using e2e::interchange;

class NormalRun : public ::testing::Test {
 protected:
  void SetUp() override {
    e2e::create_store(dir_.path(), dir_.file("store"));
    store("add-alias", {"BOBBY", "bob"});
    kvtest::write_file(dir_.file("qrtlnk.gns"), "POS=alice\nPIN=secret1\nSRV=file:store\nPNB=1\n");
  }

  void store(const std::string& command, std::vector<std::string> args) {
    args.insert(args.begin(), {command, dir_.file("store")});
    kvtest::RunResult r = kvtest::run(kvtest::program("kovendi-store"), args, dir_.path());
    ASSERT_EQ(0, r.exit_code) << r.err;
  }

  kvtest::RunResult kovendi(const std::vector<std::string>& args) {
    kvtest::RunResult r = kvtest::run(kvtest::program("kovendi"), args, dir_.path());
    EXPECT_EQ(0, r.exit_code);
    return r;
  }

  kvtest::TempDir dir_;
};

TEST_F(NormalRun, PlainAndEdifactSendsAreTranslatedSentAndRecorded) {
  kvtest::write_file(dir_.file("note.txt"), "Hello Bob\n");
  std::string third = interchange("NOBODY", "3");
  kvtest::write_file(dir_.file("orders.edi"),
                     "UNA:+.? '\n" + interchange("BOBBY", "1") + interchange("BOBBY", "2") + third);
  kvtest::write_file(dir_.file("qrtlnk.scr"),
                     "*001ZEND\nMID=PLAIN\nORG=SHOP\nSUR=Bakker\nFIL=note.txt\n"
                     "*002ZEND\nAPP=ORD\nMID=EDI\nFIL=orders.edi\n");
  kovendi({"/FT", "/A=APX"});
  EXPECT_FALSE(kvtest::file_exists(dir_.file("qrtlnk.err"))) << kvtest::read_file(dir_.file("qrtlnk.err"));

  // The command file the engine ran, kept as qrt_lnk.old with its password scrambled.
  std::vector<std::string> commands = kvtest::read_lines(dir_.file("qrt_lnk.old"));
  ASSERT_GE(commands.size(), 4u);
  EXPECT_EQ("*000CONNECT", commands[0]);
  EXPECT_EQ("POS=alice", commands[1]);
  EXPECT_EQ("PIN=", commands[2].substr(0, 4));
  EXPECT_GE(static_cast<unsigned char>(commands[2][4]), 128u) << "no plain password is kept";
  EXPECT_EQ("SRV=file:store", commands[3]);
  EXPECT_EQ(commands[2], kvtest::read_lines(dir_.file("qrtlnk.gns"))[1]);
  std::vector<std::string> aliases;
  int edifact_sends = 0;
  for (const std::string& line : commands) {
    if (line == "*002ZEND") ++edifact_sends;
    if (line.rfind("ALI=", 0) == 0) aliases.push_back(line);
  }
  EXPECT_EQ(3, edifact_sends);
  EXPECT_EQ((std::vector<std::string>{"ALI=BOBBY", "ALI=BOBBY", "ALI=NOBODY"}), aliases);

  // QRTLNK.SND: the plain send and one record per interchange, completed from the status file.
  std::vector<std::string> snd = kvtest::read_lines(dir_.file("qrtlnk.snd"));
  ASSERT_EQ(4u, snd.size());
  EXPECT_EQ("APX", field(snd[0], snd::kApplication));
  EXPECT_EQ("0000", field(snd[0], snd::kResultCode));
  EXPECT_EQ("PLAIN", field(snd[0], snd::kMessageId).substr(0, 5));
  EXPECT_EQ("Bakker", field(snd[0], snd::kSurname));
  for (std::size_t i = 1; i < 4; ++i) {
    EXPECT_EQ("ORD", field(snd[i], snd::kApplication));
    EXPECT_EQ(12u, field(snd[i], snd::kResultStamp).size());
    EXPECT_EQ("EDIINSORD", field(snd[i], snd::kMessageId).substr(0, 9));
    EXPECT_EQ("1", field(snd[i], snd::kDelete));
    EXPECT_EQ("1", field(snd[i], snd::kDeliveryState));
  }
  EXPECT_EQ("0000", field(snd[1], snd::kResultCode));
  EXPECT_EQ("0000", field(snd[2], snd::kResultCode));
  EXPECT_NE("0000", field(snd[3], snd::kResultCode));
  EXPECT_EQ("BOBBY", field(snd[1], snd::kAlias));
  EXPECT_EQ("1,M1", field(snd[1], snd::kSubject));

  // The interchange that could not be sent is all that is left of the application's file; the
  // work files and the interchange list are gone, and QRTLNK.SAV keeps the unfinished block.
  EXPECT_EQ(third, kvtest::read_file(dir_.file("orders.edi")));
  for (const std::string& name : kvtest::list_dir(dir_.path())) {
    EXPECT_FALSE(name.rfind("KV", 0) == 0) << name;
  }
  EXPECT_EQ("*002ZEND\nAPP=ORD\nMID=EDI\nFIL=orders.edi\n", kvtest::read_file(dir_.file("qrtlnk.sav")));
}

TEST_F(NormalRun, FailedConnectionGives2006AndCleanUpRemovesFailedRecords) {
  kvtest::write_file(dir_.file("qrtlnk.gns"), "POS=alice\nPIN=wrongpw\nSRV=file:store\nPNB=1\n");
  kvtest::write_file(dir_.file("qrtlnk.scr"), "*001ZEND\nMID=M1\nALI=BOBBY\nCCO\nALI=BOBBY\n");
  kovendi({"/FT"});
  std::vector<std::string> snd = kvtest::read_lines(dir_.file("qrtlnk.snd"));
  ASSERT_EQ(2u, snd.size());
  for (const std::string& record : snd) EXPECT_EQ("2006", field(record, snd::kResultCode));
  EXPECT_EQ("2", field(snd[1], snd::kRecipientKind));

  // /C without options: every failed record of the standard application goes.
  kovendi({"/FT", "/C", "/FIL=removed.txt"});
  EXPECT_EQ("", kvtest::read_file(dir_.file("qrtlnk.snd")));
  EXPECT_EQ(snd, kvtest::read_lines(dir_.file("removed.txt")));
}

}  // namespace
