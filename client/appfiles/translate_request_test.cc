// Tests of the request translation into the engine command file.
#include "client/appfiles/entry_points.h"

#include "client/appfiles/request_test_home.h"
#include "client/appfiles/snd_record.h"
#include "client/common/pin_scramble.h"
#include "platform/testing/temp_dir.h"

namespace kv {
namespace {

using testing_support::RequestHome;

class TranslateTest : public RequestHome {
 protected:
  void SetUp() override {
    RequestHome::SetUp();
    write("qrtlnk.gns", "POS=USER1\nPIN=secret1\nSRV=file:store\n");
  }
  std::vector<std::string> snd_records() { return lines("qrtlnk.snd"); }
};

TEST_F(TranslateTest, ConnectBlockComesFromTheUserFileWithThePinScrambledThere) {
  std::vector<std::string> out = translate("*001ZEND\nMID=ABCDEFGHIJKLMN\nALI=PARTNER\n");
  ASSERT_GE(out.size(), 4u);
  EXPECT_EQ(out[0], "*000CONNECT");
  EXPECT_EQ(out[1], "POS=USER1");
  EXPECT_EQ(out[2], "PIN=secret1");  // written as it stands in the user file
  EXPECT_EQ(out[3], "SRV=file:store");
  EXPECT_EQ(out[4], "*001ZEND");

  // The user file now holds the PIN scrambled, on the same line, the rest untouched.
  std::vector<std::string> gns = lines("qrtlnk.gns");
  ASSERT_EQ(gns.size(), 3u);
  EXPECT_EQ(gns[0], "POS=USER1");
  EXPECT_TRUE(is_scrambled_pin(gns[1].substr(4)));
  EXPECT_EQ(gns[2], "SRV=file:store");
  std::string value = gns[1].substr(4);
  unscramble_pin(value);
  EXPECT_EQ(value, "SECRET1");

  // Next run: the scrambled value goes to the command file plain again.
  out = translate("*001LIJST\n");
  EXPECT_EQ(out[2], "PIN=SECRET1");
  EXPECT_EQ(lines("qrtlnk.gns")[1], gns[1]);
  EXPECT_TRUE(files_like("QLX_", "").empty());  // the set-aside copy is gone
}

TEST_F(TranslateTest, OwnConnectBlockIsKeptAndEmptyRequestGetsOnlyTheConnectBlock) {
  std::vector<std::string> out = translate("*000CONNECT\nPOS=X\npin=abc12\n*001LIJST\n");
  EXPECT_EQ(joined(out), "*000CONNECT\nPOS=X\nPIN=ABC12\n*001LIJST\n");
  EXPECT_EQ(lines("qrtlnk.gns")[1], "PIN=secret1");  // not touched without its CONNECT block

  out = translate("");
  EXPECT_EQ(joined(out), "*000CONNECT\nPOS=USER1\nPIN=secret1\nSRV=file:store\n");
}

TEST_F(TranslateTest, PlainSendRecordsOnePerRecipient) {
  run_state().app_id = "RUN";
  write("data.txt", "hello\n");
  std::vector<std::string> out = translate(
      "*001ZEND\nAPP=AB\nMID=ABC\nFIL=data.txt\nSUB=Sub|ject\nPRI=2\nNOT=1\nRAP=3\nSEN=1\nDEL\n"
      "COU=NL\nADM=ADMD\nORG=ORG1\nSUR=JANSEN\nCCO=\nORG=ORG2\nSUR=PIET\ncco\nALI=ALIAS3\n"
      "BCO\nSUR=GEHEIM\n");
  // The APP= line never reaches the command file; the MID= value is completed.
  std::vector<std::string> expected_tail = {"*001ZEND", "MID=ABC00012437AUF", "FIL=data.txt",
                                            "SUB=Sub|ject", "PRI=2", "NOT=1", "RAP=3", "SEN=1",
                                            "DEL"};
  ASSERT_GE(out.size(), 4u + expected_tail.size());
  for (std::size_t i = 0; i < expected_tail.size(); ++i) EXPECT_EQ(out[4 + i], expected_tail[i]);
  for (const std::string& line : out) EXPECT_NE(line.substr(0, 4), "APP=");

  std::vector<std::string> records = snd_records();
  ASSERT_EQ(records.size(), 4u);
  const char* kinds[] = {"1", "2", "2", "3"};
  for (std::size_t i = 0; i < records.size(); ++i) {
    const std::string& r = records[i];
    EXPECT_EQ(SndRecord(r).str(snd::kApplication), "RUN") << "two-character APP= is not used";
    EXPECT_EQ(SndRecord(r).str(snd::kResultStamp), "");
    EXPECT_EQ(SndRecord(r).str(snd::kRequestStamp), "202403071030");
    EXPECT_EQ(SndRecord(r).str(snd::kMessageId), "ABC00012437AUF");
    EXPECT_EQ(SndRecord(r).str(snd::kRecipientKind), kinds[i]);
    EXPECT_EQ(SndRecord(r).str(snd::kPriority), "2");
    EXPECT_EQ(SndRecord(r).str(snd::kDelete), "1");
    EXPECT_EQ(SndRecord(r).str(snd::kSubject), "Sub!ject");
    EXPECT_EQ(SndRecord(r).str(snd::kFirstFile), "data.txt");
    EXPECT_EQ(SndRecord(r).str(snd::kCountry), "NL");  // country and ADMD carry over to copies
    EXPECT_EQ(SndRecord(r).str(snd::kAdmd), "ADMD");
  }
  EXPECT_EQ(SndRecord(records[0]).str(snd::kOrganisation), "ORG1");
  EXPECT_EQ(SndRecord(records[0]).str(snd::kSurname), "JANSEN");
  EXPECT_EQ(SndRecord(records[1]).str(snd::kOrganisation), "ORG2");
  EXPECT_EQ(SndRecord(records[1]).str(snd::kSurname), "PIET");
  EXPECT_EQ(SndRecord(records[2]).str(snd::kSurname), "");  // emptied by the second CCO
  EXPECT_EQ(SndRecord(records[2]).str(snd::kAlias), "ALIAS3");
  EXPECT_EQ(SndRecord(records[3]).str(snd::kAlias), "");
  EXPECT_EQ(SndRecord(records[3]).str(snd::kSurname), "GEHEIM");
  EXPECT_EQ(records[3].back(), 'M') << "trailing empty fields are not written";

  // QRTLNK.SAV holds the block as the request gave it.
  std::vector<std::string> sav = lines("qrtlnk.sav");
  ASSERT_EQ(sav.size(), 21u);
  EXPECT_EQ(sav[0], "*001ZEND");
  EXPECT_EQ(sav[1], "APP=AB");
  EXPECT_EQ(sav[2], "MID=ABC");
}

TEST_F(TranslateTest, AppLineWithThreeCharactersAndDistributionList) {
  std::vector<std::string> out =
      translate("*001ZEND\nAPP=XYZ\nAPP=QQQ\nMID=ABCDEFGHIJKLMN\nDIS=LIST1\n*002ZEND\nDIF=f.lst\n");
  std::vector<std::string> records = snd_records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(SndRecord(records[0]).str(snd::kApplication), "XYZ");  // only the first APP= counts
  EXPECT_EQ(SndRecord(records[0]).str(snd::kRecipientKind), "4");
  EXPECT_EQ(SndRecord(records[0]).str(snd::kAlias), "LIST1");
  EXPECT_EQ(SndRecord(records[1]).str(snd::kApplication), "");  // no App-id in the run
  EXPECT_EQ(SndRecord(records[1]).str(snd::kRecipientKind), "5");
  EXPECT_EQ(SndRecord(records[1]).str(snd::kMessageId), "");
}

TEST_F(TranslateTest, BinaryFileWithEdiIdentifierIsSentPlain) {
  std::string data = "UNB+UNOA:1+A+B+200101:1200+1'\n";
  data[5] = static_cast<char>(200);
  write("bin.edi", data);
  std::vector<std::string> out = translate("*001ZEND\nMID=EDI\nFIL=bin.edi\n");
  EXPECT_EQ(out[4], "*001ZEND");
  EXPECT_EQ(out[5].substr(0, 7), "MID=EDI");
  EXPECT_EQ(out[6], "FIL=bin.edi");
  EXPECT_EQ(snd_records().size(), 1u);
  EXPECT_TRUE(files_like("KV", ".edi").empty());
}

TEST_F(TranslateTest, EdiReceiveRewriteAndTheCommandAfterIt) {
  run_state().app_id = "APX";
  std::vector<std::string> out = translate(
      "*001ONTVANG\nMID=EDI*\nFIL=in.edi\nADD\n*002ZEND\nMID=ABCDEFGHIJKLMN\nALI=P\n");
  std::vector<std::string> expected = {"*001ONTVANG", "MID=EDI???APX*", "FIL=in.edi", "ADD",
                                       "*001ONTVANG", "MID=EDI*",       "*002ZEND",
                                       "MID=ABCDEFGHIJKLMN", "ALI=P"};
  ASSERT_EQ(out.size(), 4u + expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(out[4 + i], expected[i]) << i;
  // The send after the rewritten receive is translated like any other.
  EXPECT_EQ(snd_records().size(), 1u);
  EXPECT_EQ(lines("qrtlnk.sav").size(), 3u);

  // Without App-id "STD"; a pattern with "?" in places 11 to 13 qualifies too; two FIL= do not.
  run_state().app_id = "   ";
  out = translate("*001ONTVANG\nMID=EDIINVab?\nFIL=x\n*002ONTVANG\nMID=EDI*\nFIL=a\nFIL=b\n");
  EXPECT_EQ(out[5], "MID=EDIINVSTD*");
  EXPECT_EQ(out[8], "MID=EDIINVab?");
  EXPECT_EQ(out[9], "*002ONTVANG");
  EXPECT_EQ(out[10], "MID=EDI*");
}

TEST_F(TranslateTest, TooLongFirstLineLeavesTheRequestUntouched) {
  std::string request = "*001ZEND" + std::string(292, 'X') + "\nMID=ABC\n";
  write("qrtlnk.scr", request);
  write("qrtlnk.snd", "old|record\n");
  EXPECT_THROW(vertaal_opdrachten("qrtlnk.scr"), RunAborted);
  EXPECT_EQ(read("qrtlnk.scr"), request);
  EXPECT_EQ(read("qrtlnk.snd"), "old|record\n");
  EXPECT_EQ(read("qrtlnk.err").substr(0, 4), "0009");
  EXPECT_TRUE(files_like("QLX_", "").empty());

  // 299 characters are fine; a later line of 300 or more is passed on for the engine to refuse.
  std::string long_line = "REM=" + std::string(400, 'r');
  std::vector<std::string> out = translate("*001LIJST" + std::string(290, ' ') + "\n" + long_line + "\n");
  EXPECT_EQ(out.back(), long_line);
}

TEST_F(TranslateTest, PinLinesOfTheRequestAndReportPatternOutsideScriptin) {
  std::string scrambled = "NEWPW1";
  scramble_pin(scrambled);
  std::vector<std::string> out = translate("*001WACHTWOORD\nPIN=newpw1\n*002WACHTWOORD\nPIN=" +
                                           scrambled + "\n*003RAPPORT\nMID=EDI*\n");
  EXPECT_EQ(out[5], "PIN=NEWPW1");
  EXPECT_EQ(out[7], "PIN=NEWPW1");
  EXPECT_EQ(out[9], "MID=EDI*");  // the report pattern rule is for scriptin.dir requests only
}

class ScriptinTest : public TranslateTest {};

TEST_F(ScriptinTest, RequestsFromTheListedDirectoriesAreAppendedAndRemoved) {
  std::filesystem::create_directory(path("out"));
  write("out/a.scr", "*005RAPPORT\nMID=EDI*\n*006ZEND\nMID=ABCDEFGHIJKLMN\nALI=X\n");
  write("out/b.SCR", "MID=EDIINVab?\nREM=no command line\n");
  write("out/c.txt", "*007LIJST\n");
  write("scriptin.dir", "ABC|out/*.scr|\n|out/c.*\n|noslash*.scr\nXYZ|out/a.*\n");
  write("noslash1.scr", "*001LIJST\n");
  translate("");
  vertaal_scriptin("qrtlnk.scr");
  std::vector<std::string> out = lines("qrtlnk.scr");
  std::vector<std::string> expected = {"*000CONNECT", "POS=USER1", "PIN=secret1",
                                       "SRV=file:store", "*005RAPPORT", "MID=EDI???ABC*",
                                       "*006ZEND", "MID=ABCDEFGHIJKLMN", "ALI=X",
                                       "*001", "MID=EDIINVab?", "REM=no command line",
                                       "*007LIJST"};
  EXPECT_EQ(joined(out), joined(expected));
  EXPECT_FALSE(exists("out/a.scr"));
  EXPECT_FALSE(exists("out/b.SCR"));
  EXPECT_FALSE(exists("out/c.txt"));
  EXPECT_TRUE(exists("noslash1.scr"));  // a pattern without directory is not used
  ASSERT_EQ(snd_records().size(), 1u);
  EXPECT_EQ(SndRecord(snd_records()[0]).str(snd::kApplication), "ABC");
}

TEST_F(ScriptinTest, RunFilesAreNeverPickedUpAndTooLongFirstEntryIsErrorNine) {
  write("scriptin.dir", "|./*\n");
  translate("*001LIJST\n");
  std::string gns = read("qrtlnk.gns");
  vertaal_scriptin("qrtlnk.scr");
  EXPECT_TRUE(exists("qrtlnk.gns"));
  EXPECT_TRUE(exists("scriptin.dir"));
  EXPECT_EQ(read("qrtlnk.gns"), gns);
  EXPECT_EQ(lines("qrtlnk.scr").size(), 5u);

  write("scriptin.dir", std::string(70, 'x') + "\n");
  std::string before = read("qrtlnk.scr");
  EXPECT_THROW(vertaal_scriptin("qrtlnk.scr"), RunAborted);
  EXPECT_EQ(read("qrtlnk.scr"), before);
  EXPECT_EQ(read("qrtlnk.err").substr(0, 4), "0009");
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

TEST_F(TranslateTest, ReadOnlyHomeDirectoryLeavesTheRequestAlone) {
  if (testing::running_as_root()) GTEST_SKIP() << "permissions do not hold for root";
  std::string request = "*001ZEND\nMID=A\nALI=X\n";
  write("qrtlnk.scr", request);
  std::filesystem::permissions(path(""), std::filesystem::perms::owner_read |
                                             std::filesystem::perms::owner_exec);
  EXPECT_THROW(vertaal_opdrachten("qrtlnk.scr"), RunAborted);
  std::filesystem::permissions(path(""), std::filesystem::perms::owner_all);
  EXPECT_EQ(read("qrtlnk.scr"), request);
  EXPECT_FALSE(exists("qrtlnk.snd"));
  EXPECT_TRUE(files_like("QLX_", "").empty());
}

}  // namespace
}  // namespace kv
