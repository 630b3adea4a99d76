#include "client/appfiles/edifact_scan.h"

#include <ctime>

#include "client/appfiles/entry_points.h"
#include "client/appfiles/request_test_home.h"
#include "client/appfiles/snd_record.h"
#include "client/common/record_fields.h"

namespace kv {
namespace {

using testing_support::RequestHome;

std::string interchange(const std::string& recipient, const std::string& reference,
                        const std::string& unh, const std::string& extra_unb = "") {
  return "UNB+UNOA:1+SENDER:14+" + recipient + "+240307:1030+" + reference + extra_unb + "'\n" +
         unh + "\nBGM+380+" + reference + "+9'\nUNT+3+1'\nUNZ+1+" + reference + "'\n";
}

TEST(EdifactValuesTest, UnbElementsWithReleaseCharactersComponentsAndLimits) {
  UnbValues v = parse_unb("UNB+UNOA:1+SENDER:14+REC?+EIVER:ZZ:ROUTE  +240307:1030+CTRL12345678901234+RREF:AA+APP+A+1'");
  EXPECT_EQ(v.recipient, "REC?+EIVER:ZZ:ROUTE");  // released "+" taken whole, blanks trimmed
  EXPECT_EQ(v.control_reference, "CTRL1234567890");  // cut to 14
  EXPECT_EQ(v.recipient_reference, "RREF");
  EXPECT_EQ(v.priority, "A");

  v = parse_unb("UNB+UNOA:1+S+R+240307:1030+C1+RREF+APP+B'");
  EXPECT_EQ(v.recipient_reference, "") << "a reference without qualifier AA is not kept";
  EXPECT_EQ(v.priority, "B");
  v = parse_unb("UNB+UNOA:1+S+R+240307:1030+C1+RREF:'");
  EXPECT_EQ(v.recipient_reference, "");
  v = parse_unb("UNB+UNOA:1+S+R+240307:1030+C1'+X+Y+Z+A");
  EXPECT_EQ(v.control_reference, "C1");
  EXPECT_EQ(v.recipient_reference, "") << "elements after the terminator are absent";
  EXPECT_EQ(v.priority, "");
  v = parse_unb("UNB+UNOA:1+S+R?'X+240307:1030+C??+9'");
  EXPECT_EQ(v.recipient, "R?'X");
  EXPECT_EQ(v.control_reference, "C??");
  v = parse_unb("UNB+UNOA:1+S+" + std::string(60, 'R') + "+D+C?");
  EXPECT_EQ(v.recipient.size(), 50u);
  EXPECT_EQ(v.control_reference, "C?");  // release character at the line end
  v = parse_unb("UNB+UNOA:1+S+R+D+C1\r\n");
  EXPECT_EQ(v.control_reference, "C1");
  v = parse_unb("UNB+" + std::string(1200, 'x') + "+S+R");
  EXPECT_EQ(v.recipient, "") << "the search stops after 999 characters";
}

TEST(EdifactValuesTest, UnhElementsAndIdentifierRules) {
  UnhValues u = parse_unh("UNH+MSG0000000000000001+ORDERS:D:96A:UN:ABC'");
  EXPECT_EQ(u.message_reference, "MSG00000000000");
  EXPECT_EQ(u.message_type, "ORDERS");
  EXPECT_EQ(u.association_code, "ABC");
  EXPECT_EQ(interchange_message_id(u, "APX"), "EDIABCAPX");
  u = parse_unh("UNH+1+INVOIC:D:96A:UN:EAN008'");
  EXPECT_EQ(u.association_code, "") << "kept only with exactly three characters";
  EXPECT_EQ(interchange_message_id(u, "STD"), "EDIINSSTD");
  u = parse_unh("UNH+1+betaal:D:96A:UN'");
  EXPECT_EQ(u.association_code, "");
  EXPECT_EQ(interchange_message_id(u, "STD"), "EDIBNKSTD");
  u = parse_unh("UNH+1+INSPPI'");
  EXPECT_EQ(interchange_message_id(u, "ABC"), "EDIPPIABC");
  u = parse_unh("UNH+1+RDWXYZ:1'");
  EXPECT_EQ(interchange_message_id(u, "ABC"), "EDIRDWABC");
  EXPECT_EQ(interchange_message_id(UnhValues{}, "ABC"), "EDIINSABC");
  for (const char* bank : {"INCASS", "FINRAP", "OPDBRF"}) {
    u.message_type = bank;
    u.association_code.clear();
    EXPECT_EQ(interchange_message_id(u, "X12"), "EDIBNKX12");
  }
}

class ScanTest : public RequestHome {
 protected:
  void SetUp() override {
    RequestHome::SetUp();
    write("qrtlnk.gns", "POS=U\nPIN=P\n");
    write("list.tmp", "");
    run_state().interchange_list = "list.tmp";
  }
  std::vector<std::string> translate(const std::string& request) {
    write("qrtlnk.scr", request);
    vertaal_opdrachten("qrtlnk.scr");
    std::vector<std::string> out = lines("qrtlnk.scr");
    return std::vector<std::string>(out.begin() + 3, out.end());  // without the CONNECT block
  }
  std::string testdata(const std::string& name) const {
    std::string here = __FILE__;
    std::ifstream in(here.substr(0, here.rfind('/')) + "/testdata/edifact/" + name,
                     std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
};

TEST_F(ScanTest, ThreeInterchangesGiveThreeSendsWorkFilesRecordsAndListLines) {
  run_state().app_id = "APX";
  std::string first = "UNA:+.? '\n" + interchange("PARTNER1", "REF1", "UNH+M1+ORDERS:D:96A:UN:ABC'");
  std::string second = interchange("PART?+NER2:ZZ", "REF2", "UNH+M2+BETAAL:D:96A:UN'", "+RR:AA");
  std::string third = interchange("PARTNER3", "REF3", "UNH+M3+INVOIC:D:96A:UN'", "++APP+A");
  write("orders.edi", first + second + third);
  std::vector<std::string> out =
      translate("*001ZEND\nMID=EDI\nFIL=orders.edi\nNOT=1\nREM=note\n*002LIJST\n");

  std::vector<std::string> work = files_like("KV", ".edi");
  ASSERT_EQ(work.size(), 3u);
  std::vector<std::string> list = lines("list.tmp");
  ASSERT_EQ(list.size(), 3u);
  std::vector<std::string> in_order;
  for (const std::string& line : list) {
    EXPECT_EQ(get_veld(line, 1), "orders.edi");
    EXPECT_EQ(get_veld(line, 3), "1");
    in_order.push_back(get_veld(line, 2));
  }
  EXPECT_EQ(read(in_order[0]), first);  // the service string advice goes with its interchange
  EXPECT_EQ(read(in_order[1]), second);
  EXPECT_EQ(read(in_order[2]), third);

  std::vector<std::string> expected = {
      "*001ZEND", "ALI=PARTNER1", "FIL=" + in_order[0], "SUB=REF1,M1", "MID=EDIABCAPX37AUF",
      "DEL", "NOT=1", "REM=note",
      "*001ZEND", "ALI=PART?+NER2:ZZ", "FIL=" + in_order[1], "SUB=REF2,M2",
      "MID=EDIBNKAPX37AUG", "IRP=RR", "DEL", "NOT=1", "REM=note",
      "*001ZEND", "ALI=PARTNER3", "FIL=" + in_order[2], "SUB=REF3,M3", "MID=EDIINSAPX37AUH",
      "PRI=3", "ANS", "DEL", "NOT=1", "REM=note",
      "*002LIJST"};
  EXPECT_EQ(joined(out), joined(expected));

  std::vector<std::string> records = lines("qrtlnk.snd");
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(get_veld(records[0], snd::kAlias), "PARTNER1");
  EXPECT_EQ(get_veld(records[1], snd::kAlias), "PART?+NER2:ZZ");
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(get_veld(records[i], snd::kDelete), "1");
    EXPECT_EQ(get_veld(records[i], snd::kFirstFile), in_order[i]);
    EXPECT_EQ(get_veld(records[i], snd::kApplication), "APX");
    EXPECT_EQ(get_veld(records[i], snd::kNotification), "1");
    EXPECT_EQ(get_veld(records[i], snd::kRecipientKind), "1");
  }
  EXPECT_EQ(get_veld(records[2], snd::kSubject), "REF3,M3");
  EXPECT_EQ(get_veld(records[2], snd::kMessageId), "EDIINSAPX37AUH");
  EXPECT_EQ(lines("qrtlnk.sav").size(), 5u);
}

TEST_F(ScanTest, RequestSubjectPriorityAndReplyWinOverTheInterchange) {
  write("one.edi", interchange("P1", "R1", "UNH+M1+INVOIC'", "+RR:AA++A"));
  std::vector<std::string> out = translate(
      "*001ZEND\nAPP=ABC\nMID=EDIxxx\nSUB=Given subject\nPRI=1\nIRP=ORIG\nANS\nFIL=one.edi\n");
  std::string work = files_like("KV", ".edi").at(0);
  std::vector<std::string> expected = {"*001ZEND", "ALI=P1", "FIL=" + work, "SUB=Given subject",
                                       "MID=EDIINSABC37AUF", "IRP=ORIG", "PRI=1", "DEL", "ANS"};
  EXPECT_EQ(joined(out), joined(expected));
  EXPECT_EQ(get_veld(lines("qrtlnk.snd")[0], snd::kSubject), "Given subject");
}

TEST_F(ScanTest, FileThatIsNotAnInterchangeFileIsSentPlain) {
  write("notes.edi", "HELLO\nUNB+UNOA:1+S+R+D+C'\nUNZ+1+C'\n");
  std::vector<std::string> out = translate("*001ZEND\nMID=EDI\nFIL=notes.edi\n");
  EXPECT_EQ(out[0], "*001ZEND");
  EXPECT_EQ(out[1], "MID=EDI00012437AUF");
  EXPECT_EQ(out[2], "FIL=notes.edi");
  EXPECT_TRUE(files_like("KV", ".edi").empty());
  EXPECT_EQ(read("list.tmp"), "");

  // A whole interchange on one line, or one without UNZ, has nothing to split either.
  write("oneline.edi", "UNB+UNOA:1+S+R+D+C'UNH+1+X'UNT+2+1'UNZ+1+C'");
  out = translate("*001ZEND\nMID=EDI\nFIL=oneline.edi\n");
  EXPECT_EQ(out[2], "FIL=oneline.edi");
  EXPECT_TRUE(files_like("KV", ".edi").empty());
}

TEST_F(ScanTest, UnfinishedInterchangeAndJunkAreKeptBackNotSent) {
  std::string good = interchange("P1", "R1", "UNH+M1+INVOIC'");
  std::string junk = "JUNK LINE\n";
  std::string unfinished = "UNB+UNOA:1+S+P2+D+R2'\nUNH+M2+INVOIC'\nBGM+1'\n";
  std::string good2 = interchange("P3", "R3", "UNH+M3+INVOIC'");
  write("mixed.edi", good + "\n  \n" + junk + unfinished + good2 + unfinished);
  std::vector<std::string> out = translate("*001ZEND\nMID=EDI\nFIL=mixed.edi\n");

  std::vector<std::string> list = lines("list.tmp");
  ASSERT_EQ(list.size(), 5u);
  const char* sent[] = {"1", "", "", "1", ""};
  for (std::size_t i = 0; i < list.size(); ++i) EXPECT_EQ(get_veld(list[i], 3), sent[i]) << i;
  EXPECT_EQ(read(get_veld(list[0], 2)), good);
  EXPECT_EQ(read(get_veld(list[1], 2)), junk);  // blank lines between interchanges are dropped
  EXPECT_EQ(read(get_veld(list[2], 2)), unfinished);
  EXPECT_EQ(read(get_veld(list[3], 2)), good2);
  EXPECT_EQ(read(get_veld(list[4], 2)), unfinished);
  // Only the complete interchanges are sent.
  int sends = 0;
  for (const std::string& line : out) sends += line == "*001ZEND";
  EXPECT_EQ(sends, 2);
  EXPECT_EQ(lines("qrtlnk.snd").size(), 2u);
  EXPECT_EQ(files_like("KV", ".edi").size(), 5u);
}

TEST_F(ScanTest, SeveralFilesAreCheckedBeforeAnyIsSplit) {
  write("a.edi", interchange("P1", "R1", "UNH+M1+INVOIC'"));
  write("b.edi", "NOT EDIFACT\n");
  std::vector<std::string> out = translate("*001ZEND\nMID=EDI\nFIL=a.edi\nFIL=b.edi\n");
  EXPECT_EQ(out.size(), 4u);  // one plain send
  EXPECT_TRUE(files_like("KV", ".edi").empty());

  write("b.edi", interchange("P2", "R2", "UNH+M2+INVOIC'"));
  out = translate("*001ZEND\nMID=EDI\nFIL=a.edi\nFIL=b.edi\n");
  std::vector<std::string> list = lines("list.tmp");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(get_veld(list[0], 1), "a.edi");
  EXPECT_EQ(get_veld(list[1], 1), "b.edi");
}

TEST_F(ScanTest, MissingFileOfAnEdifactRequestIsErrorEighteenAndNothingChanges) {
  write("a.edi", interchange("P1", "R1", "UNH+M1+INVOIC'"));
  std::string request = "*001ZEND\nMID=EDI\nFIL=a.edi\nFIL=gone.edi\n";
  write("qrtlnk.scr", request);
  EXPECT_THROW(vertaal_opdrachten("qrtlnk.scr"), RunAborted);
  EXPECT_EQ(read("qrtlnk.scr"), request);
  EXPECT_EQ(read("qrtlnk.err").substr(0, 4), "0018");
  EXPECT_NE(read("qrtlnk.err").find("gone.edi"), std::string::npos);
  EXPECT_FALSE(exists("qrtlnk.snd"));
  EXPECT_TRUE(files_like("KV", ".edi").empty());
}

TEST_F(ScanTest, RealInterchangesFromOtherSystems) {
  write("wiki.edi", testdata("pydifact__wikipedia_en.edi"));       // UNA, no final line feed
  write("port.txt", testdata("portxchange__VIFTSAI0000004.txt"));  // plain 15-character recipient
  write("wrapped.edi", testdata("edifact-ls__embedded-newline.edi"));
  write("inv.edi", testdata("pydifact__invoice1.edi") + testdata("pydifact__invoice1.edi"));
  std::vector<std::string> out = translate(
      "*001ZEND\nMID=EDI\nFIL=wiki.edi\nFIL=port.txt\nFIL=wrapped.edi\n*002ZEND\nMID=EDI\n"
      "FIL=inv.edi\n");
  std::vector<std::string> list = lines("list.tmp");
  ASSERT_EQ(list.size(), 5u);
  EXPECT_EQ(read(get_veld(list[0], 2)), testdata("pydifact__wikipedia_en.edi"));
  EXPECT_EQ(read(get_veld(list[2], 2)), testdata("edifact-ls__embedded-newline.edi"));
  EXPECT_EQ(read(get_veld(list[3], 2)) + read(get_veld(list[4], 2)), read("inv.edi"));
  EXPECT_EQ(get_veld(list[4], 3), "2");
  std::vector<std::string> aliases;
  for (const std::string& line : out) {
    if (line.rfind("ALI=", 0) == 0) aliases.push_back(line);
  }
  std::vector<std::string> expected = {"ALI=LHPPC:ZZ", "ALI=PORTOFROTTERDAM", "ALI=RECEIVER:ZZ",
                                       "ALI=O0013000093SCHA-Z59", "ALI=O0013000093SCHA-Z59"};
  EXPECT_EQ(aliases, expected);
  EXPECT_NE(std::find(out.begin(), out.end(), "SUB=PAYO0012101221,1"), out.end());
}

TEST_F(ScanTest, TenThousandInterchangesInOnePass) {
  std::string big;
  for (int i = 0; i < 10000; ++i) {
    std::string ref = std::to_string(i);
    big += "UNB+UNOA:1+S+P" + ref + "+D+" + ref + "'\nUNH+1+INVOIC'\n";
    for (int l = 0; l < 5; ++l) big += "FTX+AAI+++" + std::string(400, 'x') + "'\n";
    big += "UNZ+1+" + ref + "'\n";
  }
  write("big.edi", big);  // about 20 MB
  std::clock_t start = std::clock();  // processor time: the machine may be busy
  translate("*001ZEND\nMID=EDI\nFIL=big.edi\n");
  double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
  EXPECT_EQ(lines("list.tmp").size(), 10000u);
  EXPECT_EQ(lines("qrtlnk.snd").size(), 10000u);
  EXPECT_LT(seconds, 20.0);
  std::cerr << "10,000 interchanges split in " << seconds << " s of processor time\n";
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

TEST_F(ScanTest, FullDiskPutsEveryFileBack) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  write("orders.edi", interchange("P1", "R1", "UNH+M1+INVOIC'") + interchange("P2", "R2", "UNH+M2+X'"));
  std::string request = "*001ZEND\nMID=EDI\nFIL=orders.edi\n";
  write("qrtlnk.scr", request);
  write("qrtlnk.snd", "earlier|record\n");
  // The interchange list cannot take a line: error 52, and nothing of the run remains.
  run_state().interchange_list = "/dev/full";
  EXPECT_THROW(vertaal_opdrachten("qrtlnk.scr"), RunAborted);
  EXPECT_EQ(read("qrtlnk.scr"), request);
  EXPECT_EQ(read("qrtlnk.snd"), "earlier|record\n");
  EXPECT_FALSE(exists("qrtlnk.sav"));
  EXPECT_TRUE(files_like("KV", ".edi").empty());
  EXPECT_TRUE(files_like("QLX_", "").empty());
  std::string err = read("qrtlnk.err");
  EXPECT_EQ(err.substr(0, 4), "0052");
  EXPECT_NE(err.find("orders.edi"), std::string::npos);

  // A send queue that cannot be written: the same, with error 51.
  std::filesystem::remove(path("qrtlnk.err"));
  run_state().interchange_list = "list.tmp";
  std::filesystem::remove(path("qrtlnk.snd"));
  std::filesystem::create_symlink("/dev/full", path("qrtlnk.snd"));
  write("qrtlnk.scr", "*001ZEND\nMID=A\nALI=X\n");
  EXPECT_THROW(vertaal_opdrachten("qrtlnk.scr"), RunAborted);
  EXPECT_EQ(read("qrtlnk.scr"), "*001ZEND\nMID=A\nALI=X\n");
  EXPECT_EQ(read("qrtlnk.err").substr(0, 4), "0051");
}

}  // namespace
}  // namespace kv
