// Tests of EDIFACT send requests.
#include "client/appfiles/edifact_scan.h"

#include "client/appfiles/entry_points.h"
#include "client/appfiles/interchange_list.h"
#include "client/appfiles/request_test_home.h"
#include "client/appfiles/snd_record.h"
#include "client/common/run_state.h"
#include "platform/system_info.h"
#include "platform/testing/fault_injection.h"

namespace kv {
namespace {

using testing_support::InterchangeHome;
using namespace std::string_literals;

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

class ScanTest : public InterchangeHome {
 protected:
  std::vector<std::string> translate(const std::string& request) {
    std::vector<std::string> out = InterchangeHome::translate(request);
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
    EXPECT_EQ(InterchangeRecord(line).str(interchange::kApplicationFile), "orders.edi");
    EXPECT_EQ(InterchangeRecord(line).str(interchange::kSendBlock), "1");
    in_order.push_back(InterchangeRecord(line).str(interchange::kWorkFile));
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
  EXPECT_EQ(SndRecord(records[0]).str(snd::kAlias), "PARTNER1");
  EXPECT_EQ(SndRecord(records[1]).str(snd::kAlias), "PART?+NER2:ZZ");
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(SndRecord(records[i]).str(snd::kDelete), "1");
    EXPECT_EQ(SndRecord(records[i]).str(snd::kFirstFile), in_order[i]);
    EXPECT_EQ(SndRecord(records[i]).str(snd::kApplication), "APX");
    EXPECT_EQ(SndRecord(records[i]).str(snd::kNotification), "1");
    EXPECT_EQ(SndRecord(records[i]).str(snd::kRecipientKind), "1");
  }
  EXPECT_EQ(SndRecord(records[2]).str(snd::kSubject), "REF3,M3");
  EXPECT_EQ(SndRecord(records[2]).str(snd::kMessageId), "EDIINSAPX37AUH");
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
  EXPECT_EQ(SndRecord(lines("qrtlnk.snd")[0]).str(snd::kSubject), "Given subject");
}

TEST_F(ScanTest, FileThatIsNotAnInterchangeFileIsSentPlain) {
  write("notes.edi", "HELLO\nUNB+UNOA:1+S+R+D+C'\nUNZ+1+C'\n");
  std::vector<std::string> out = translate("*001ZEND\nMID=EDI\nFIL=notes.edi\n");
  EXPECT_EQ(out[0], "*001ZEND");
  EXPECT_EQ(out[1], "MID=EDI00012437AUF");
  EXPECT_EQ(out[2], "FIL=notes.edi");
  EXPECT_TRUE(files_like("KV", ".edi").empty());
  EXPECT_EQ(read("list.tmp"), "");

  // An interchange without UNZ has nothing to split either.
  write("open.edi", "UNB+UNOA:1+S+R+D+C'UNH+1+X'UNT+2+1'");
  out = translate("*001ZEND\nMID=EDI\nFIL=open.edi\n");
  EXPECT_EQ(out[2], "FIL=open.edi");
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
  for (std::size_t i = 0; i < list.size(); ++i)
    EXPECT_EQ(InterchangeRecord(list[i]).str(interchange::kSendBlock), sent[i]) << i;
  EXPECT_EQ(read(InterchangeRecord(list[0]).str(interchange::kWorkFile)),
            good + "\n  \n");  // blank lines go with the one before
  EXPECT_EQ(read(InterchangeRecord(list[1]).str(interchange::kWorkFile)), junk);
  EXPECT_EQ(read(InterchangeRecord(list[2]).str(interchange::kWorkFile)), unfinished);
  EXPECT_EQ(read(InterchangeRecord(list[3]).str(interchange::kWorkFile)), good2);
  EXPECT_EQ(read(InterchangeRecord(list[4]).str(interchange::kWorkFile)), unfinished);
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
  EXPECT_EQ(InterchangeRecord(list[0]).str(interchange::kApplicationFile), "a.edi");
  EXPECT_EQ(InterchangeRecord(list[1]).str(interchange::kApplicationFile), "b.edi");
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
  EXPECT_EQ(read(InterchangeRecord(list[0]).str(interchange::kWorkFile)),
            testdata("pydifact__wikipedia_en.edi"));
  EXPECT_EQ(read(InterchangeRecord(list[2]).str(interchange::kWorkFile)),
            testdata("edifact-ls__embedded-newline.edi"));
  EXPECT_EQ(read(InterchangeRecord(list[3]).str(interchange::kWorkFile)) +
                read(InterchangeRecord(list[4]).str(interchange::kWorkFile)),
            read("inv.edi"));
  EXPECT_EQ(InterchangeRecord(list[4]).str(interchange::kSendBlock), "2");
  std::vector<std::string> aliases;
  for (const std::string& line : out) {
    if (line.rfind("ALI=", 0) == 0) aliases.push_back(line);
  }
  std::vector<std::string> expected = {"ALI=LHPPC:ZZ", "ALI=PORTOFROTTERDAM", "ALI=RECEIVER:ZZ",
                                       "ALI=O0013000093SCHA-Z59", "ALI=O0013000093SCHA-Z59"};
  EXPECT_EQ(aliases, expected);
  EXPECT_NE(std::find(out.begin(), out.end(), "SUB=PAYO0012101221,1"), out.end());
}

// What a request of one file became: the interchanges sent and their recipients (none when the
// file went out as a plain file). Afterwards the work files are merged back as after a session
// whose connection failed; the application's file must then be as it was, byte for byte.
struct SplitResult {
  std::size_t sends = 0;
  std::vector<std::string> recipients;
};

class SplitTest : public ScanTest {
 protected:
  SplitResult split_and_restore(const std::string& name, const std::string& content) {
    write(name, content);
    write("list.tmp", "");
    run_state().interchange_list = "list.tmp";
    run_state().engine_started = false;
    std::vector<std::string> out = translate("*001ZEND\nMID=EDI\nFIL=" + name + "\n");
    SplitResult result;
    for (const std::string& line : out) {
      if (line == "*001ZEND") ++result.sends;
      if (line.rfind("ALI=", 0) == 0) result.recipients.push_back(line.substr(4));
    }
    if (std::find(out.begin(), out.end(), "FIL=" + name) != out.end()) result.sends = 0;  // plain
    run_state().engine_started = true;
    merge_interchange_list();
    EXPECT_EQ(read(name), content) << name << ": not restored byte for byte";
    EXPECT_TRUE(files_like("KV", ".edi").empty()) << name;
    std::filesystem::remove(path(name));
    return result;
  }
};

TEST_F(SplitTest, EverySampleIsSplitAddressedAndRestoredByteForByte) {
  struct Sample {
    const char* file;
    std::vector<std::string> recipients;  // of the interchanges sent; none: sent as a plain file
  };
  const std::string partner = "PARTNERID:01:ZZUK";
  const std::vector<Sample> samples = {
      {"dfdl__INVOIC_D.03B_Interchange_with_UNA.txt", {"5708601000836:14"}},
      {"dfdl__ORDERS_D.03B_Interchange.txt", {"COMPANY:1"}},
      {"edifabric__CONTRL.txt", {"SENDER1:14:ZZUK"}},
      {"edifabric__CargoReport.lines.edi", {"CBP-ACE-TEST:ZZ"}},
      {"edifabric__CargoReport.txt", {"CBP-ACE-TEST:ZZ"}},
      {"edifabric__DuplicateInterchange.txt", {"RECEIVER1:1:ZZUK", "RECEIVER1:1:ZZUK"}},
      {"edifabric__EANCOM_Invoice.txt", {"RECEIVER1:1"}},
      {"edifabric__INVOIC_D00A_BOM.txt", {partner}},
      {"edifabric__INVOIC_D00A_EscapedEscape.txt", {partner}},
      {"edifabric__INVOIC_D00A_EscapedSegmentTerminator.txt", {partner}},
      {"edifabric__INVOIC_D00A_Group.txt", {partner}},
      {"edifabric__INVOIC_D00A_TrailingBlanks.txt", {partner}},
      {"edifabric__PassengerData.txt", {"MXPNRGOV"}},
      {"edifabric__PurchaseOrders.txt", {"RECEIVER1:01:ZZUK"}},
      {"edifact-ls__embedded-newline.edi", {"RECEIVER:ZZ"}},
      {"edifact-ls__functional-group.edi", {"RECEIVER:ZZ"}},
      {"edireader__ORDERS-D01B-UNOC.edi", {"1234567890128:14:1"}},
      {"edireader__tiny-UNOA.edi", {"006415160CFS:1"}},
      {"edireader__tiny-withUNA-UNOA.edi", {"006415160CFS:1"}},
      {"estratocloud__multibyte.edi", {}},  // UTF-8 in the first 100 bytes: not a text file
      {"koha__INVOICE.CEI", {"5013546098818"}},  // the second interchange has no UNZ
      {"koha__INVOICE.lines.edi", {"5013546098818"}},
      {"koha__QUOTES_MULTI.CEQ", {"5013546098818"}},
      {"koha__QUOTES_MULTI.lines.edi", {"5013546098818"}},
      {"koha__QUOTES_SERVICING.CEQ", {"5013546098818"}},
      {"koha__QUOTES_SERVICING.lines.edi", {"5013546098818"}},
      {"koha__ordrsp1.CEA", {"5412345000176"}},
      {"koha__ordrsp1.lines.edi", {"5412345000176"}},
      {"koha__prquotes_73050_20140430.CEQ", {"5030670137480"}},
      {"koha__prquotes_73050_20140430.lines.edi", {"5030670137480"}},
      {"php-edifact__D95BBAPLIE.edi", {"OOCLIES:ZZ"}},
      {"php-edifact__D95BCOARRI.edi", {"COSCO"}},
      {"php-edifact__D96ADESADV.edi", {"8888888:ZZ"}},
      {"php-edifact__exampleMulti.edi", {"LHPPC"}},
      {"php-edifact__example_multiline.edi", {"RECEIVER-ID"}},
      {"php-edifact__example_order_ok.edi", {"unbekannt:14"}},
      {"php-edifact__example_release_character.edi", {"LHPPC"}},
      {"php-edifact__example_wrapped.edi", {"LHPPC"}},
      {"php-edifact__example_wrapped.lines.edi", {"LHPPC"}},
      {"portxchange__VIFTSAI0000004.txt", {"PORTOFROTTERDAM"}},
      {"pydifact__invoice1.edi", {"O0013000093SCHA-Z59"}},
      {"pydifact__patient1.edi", {"ME654321"}},
      {"pydifact__patient1.lines.edi", {"ME654321"}},
      {"pydifact__patient2.edi", {"ME123456"}},
      {"pydifact__patient2.lines.edi", {"ME123456"}},
      {"pydifact__sage_coala.lines.edi", {}},  // a DOC segment comes before the interchange
      {"pydifact__sage_coala.ped", {}},
      {"pydifact__wikipedia_de.edi", {"Empfaengerkennung"}},
      {"pydifact__wikipedia_en.edi", {"LHPPC:ZZ"}},
      {"nonstandard/edifabric__INVOIC_D00A_MultipleInterchange.txt", {partner, partner}},
      {"nonstandard/edireader__tiny-syntaxVariants-UNOA.edi", {"006415160CFS:1"}},
  };
  for (const Sample& sample : samples) {
    SCOPED_TRACE(sample.file);
    std::string content = testdata(sample.file);
    ASSERT_FALSE(content.empty());
    SplitResult result = split_and_restore("sample.edi", content);
    EXPECT_EQ(result.sends, sample.recipients.size());
    EXPECT_EQ(result.recipients, sample.recipients);
  }
}

TEST_F(SplitTest, BadInputGivesAClearResultAndIsRestoredByteForByte) {
  // More than the 100 bytes of the text test.
  const std::string one =
      "UNB+UNOA:1+S+P1+D+C1'UNH+M1+INVOIC'BGM+380'FTX+AAI+++" + std::string(50, 'x') +
      "'UNT+4+M1'UNZ+1+C1'";
  const std::string two = "UNB+UNOA:1+S+P2+D+C2'UNH+M2+INVOIC'BGM+380'UNT+3+M2'UNZ+1+C2'";
  const std::string three = "UNB+UNOA:1+S+P3+D+C3'UNH+M3+INVOIC'UNT+2+M3'UNZ+1+C3'\n";
  const std::string one_open_end = one.substr(0, one.size() - 1);  // the UNZ without its "'"
  struct Case {
    const char* what;
    std::string content;
    std::vector<std::string> recipients;
  };
  const std::vector<Case> cases = {
      {"truncated after a complete one", one + "UNB+UNOA:1+S+P2+D+C2'UNH+M2+INVOIC'BGM+3", {"P1"}},
      {"truncated only", "UNB+UNOA:1+S+P2+D+C2'UNH+M2+IN", {}},
      {"UNA of five characters", "UNA:+.?'\n" + one, {}},
      {"UNA of seven characters", "UNA:+.? ''" + one, {}},
      {"UNA cut by the end", "UNA:+", {}},
      {"release character at the end", one + "\n" + two.substr(0, two.size() - 1) + "?", {"P1"}},
      {"NUL bytes in the data", one + "FTX+AAI+++a\0b'"s + two, {"P1", "P2"}},
      {"NUL byte in front", "\0"s + one, {}},
      {"8-bit bytes in the data", one + "\nUNB+UNOC:3+S+P\xE9+D+C3'UNZ+0+C3'", {"P1", "P\xE9"}},
      {"8-bit bytes in front", "\xE9\n" + one, {}},
      {"missing UNZ before the next UNB", one.substr(0, one.size() - 9) + two, {"P2"}},
      {"missing UNZ only", one.substr(0, one.size() - 9), {}},
      {"UNZ without UNB in front", "UNZ+1+C1'\n" + one, {}},
      {"UNZ without UNB after", one + "UNZ+1+C1'\n", {"P1"}},
      {"text between interchanges", one + "\nhello\n" + two + "\r\n", {"P1", "P2"}},
      // A UNZ that runs over the line end takes in the text and the next header: neither may
      // go out inside the first interchange; both interchanges stay with the application.
      {"UNZ without terminator, then text",
       one_open_end + "\nhello\n" + two + "\n" + three,
       {"P3"}},
      {"UNZ with a released terminator", one_open_end + "?'\nhello\n" + two + "\n" + three, {"P3"}},
      {"UNZ broken over lines",
       one_open_end.substr(0, one_open_end.size() - 2) + "\r\nC1'" + three,
       {"P1", "P3"}},
      {"byte-order mark cut short", "\xEF\xBB" + one, {}},
      {"empty file", "", {}},
      {"only blank lines", "\n\r\n  \n", {}},
      {"segments broken over lines", "UNB+UNOA:1+S+PART\r\nNER+D\r\n+C1'UN\r\nZ+0+C1'", {"PARTNER"}},
      {"released terminator", "UNB+UNOA:1+S+P?'Q+D+C1'UNZ+0+C1'", {"P?'Q"}},
      {"other separators", "UNA^*.? $UNB*UNOA^1*S*PA+R^ZZ*D*C1$UNZ*0*C1$", {"PA?+R:ZZ"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SplitResult result = split_and_restore("bad.edi", c.content);
    EXPECT_EQ(result.sends, c.recipients.size());
    EXPECT_EQ(result.recipients, c.recipients);
  }
}

// The call budget of a split: whatever the number of interchanges, each costs a fixed few
// file-system calls (look-ups of names included) when it is split off into its work file and
// again when it is put back into the application's file, plus a constant for the whole file. A
// regression (a name looked up again for every interchange, a flush per interchange, a write per
// line) breaks the budget long before it shows as time. The files themselves are checked too:
// the calls counted are those of a split that did its work.
TEST_F(ScanTest, SplitAndMergeBackStayWithinTheirCallBudget) {
  constexpr int kInterchanges = 1000;
  constexpr int kBudgetPerInterchange = 6;  // split: 4 today; put back: 4 today
  std::string file;
  for (int i = 0; i < kInterchanges; ++i) {
    file += interchange("P" + std::to_string(i), "R" + std::to_string(i), "UNH+M1+INVOIC'");
  }
  write("big.edi", file);
  write("qrtlnk.scr", "*001ZEND\nMID=EDI\nFIL=big.edi\n");
  const auto breakdown = [](const kv::testing::FaultInjector& calls) {
    std::string text;
    for (const char* op : {"lookup", "create", "open-read", "open-write", "write", "remove",
                           "rename", "sync", "chmod", "truncate"}) {
      text += std::string(" ") + op + "=" + std::to_string(calls.calls(op));
    }
    return text;
  };
  {
    kv::testing::FaultInjector calls(/*count_lookups=*/true);
    vertaal_opdrachten("qrtlnk.scr");
    const std::size_t total = calls.log().size();
    ASSERT_EQ(files_like("KV", ".edi").size(), static_cast<std::size_t>(kInterchanges));
    // The count is only worth its budget when the hook saw every work file being made.
    ASSERT_GE(calls.calls("create"), kInterchanges) << breakdown(calls);
    EXPECT_LE(total, static_cast<std::size_t>(kBudgetPerInterchange * kInterchanges))
        << "split:" << breakdown(calls);
    std::cerr << "split of " << kInterchanges << ": " << total << " calls," << breakdown(calls)
              << "\n";
  }
  {
    kv::testing::FaultInjector calls(/*count_lookups=*/true);
    run_state().engine_started = true;
    merge_interchange_list();
    const std::size_t total = calls.log().size();
    EXPECT_EQ(read("big.edi"), file);
    EXPECT_TRUE(files_like("KV", ".edi").empty());
    ASSERT_GE(calls.calls("remove"), kInterchanges) << breakdown(calls);
    EXPECT_LE(total, static_cast<std::size_t>(kBudgetPerInterchange * kInterchanges))
        << "put back:" << breakdown(calls);
    std::cerr << "put back: " << total << " calls," << breakdown(calls) << "\n";
  }
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
  const double start = system_info::processor_seconds();  // the machine may be busy
  translate("*001ZEND\nMID=EDI\nFIL=big.edi\n");
  double seconds = system_info::processor_seconds() - start;
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
