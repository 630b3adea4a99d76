// Tests of the attribute state of the command in hand and the attribute reader that fills it.
#include "client/engine/attributes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "client/common/home.h"
#include "client/engine/engine_config.h"
#include "client/engine/engine_context.h"
#include "client/engine/engine_control.h"
#include "client/engine/fixed_text.h"
#include "client/engine/recipients.h"
#include "client/engine/session_state.h"
#include "client/engine/status_file.h"
#include "client/engine/testing/fake_api.h"
#include "platform/testing/fake_clock.h"
#include "platform/testing/temp_dir.h"

namespace kv::engine {
namespace {

class AttributesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(allocate_session_records(ctx_));
    copy_fixed(ctx_.session.open_parameters->password, "Geheim1");
    ctx_.session.engine_dir = dir_.path();
    ctx_.home.set(dir_.path());
    ctx_.settings = EngineSettings{};
    testing::fake_api().reset();
    dir_.write("a.txt", "aaa");
    dir_.write("sel.txt", "SUR=X\n");
    dir_.make_dir("out");
  }

  // Checks `lines` as the attribute lines of a command of `kind`: "ok" or the refusal code.
  std::string check(CommandKind kind, const std::vector<std::string>& lines) {
    ctx_.control.command_kind = kind;
    reset_attributes(ctx_);
    record_ = empty_status_record();
    for (const std::string& line : lines) {
      if (check_attribute_line(ctx_, line, record_) != 0) return result_code(record_);
    }
    return "ok";
  }
  const AttributeState& a() const { return ctx_.attributes; }

  kv::testing::TempDir dir_;
  kv::testing::FakeClock clock_;
  // A context of its own: nothing of the process is shared with the checks.
  HomeDirectory home_;
  EngineControl control_;
  RunState run_;
  EngineContext ctx_{home_, control_, run_};
  std::string record_;
};

TEST_F(AttributesTest, MaskDecidesWhichKeywordsAndOperators) {
  EXPECT_EQ(check(kZend, {"DIR=out"}), "2123");
  EXPECT_EQ(check(kZend, {"LID=1234"}), "2114");
  EXPECT_EQ(check(kOntvang, {"SUR!JANSEN"}), "ok");
  EXPECT_EQ(a().op(kAttrSUR), '!');
  EXPECT_EQ(a().value(kAttrSUR), "JANSEN");
  EXPECT_EQ(check(kZend, {"SUR!JANSEN"}), "2160");
  EXPECT_EQ(check(kOntvang, {"SUR<JANSEN"}), "2160");
  EXPECT_EQ(check(kWachtwoord, {"SUB=x"}), "2116");
  EXPECT_EQ(check(kLijst, {"XYZ=1"}), "2003");
  EXPECT_EQ(check(kLijst, {"SU"}), "2003");
  EXPECT_EQ(check(kLijst, {"rem anything", "REM", "sub=lower case keyword"}), "ok");
  EXPECT_EQ(a().value(kAttrSUB), "lower case keyword");
}

TEST_F(AttributesTest, EmptyValuesTwiceAndLengths) {
  EXPECT_EQ(check(kOntvang, {"SUB="}), "2216");
  EXPECT_EQ(check(kOntvang, {"SUB"}), "2216");
  EXPECT_EQ(check(kOntvang, {"SUBxABC"}), "2160");
  EXPECT_EQ(check(kOntvang, {"MID=A", "MID=B"}), "2315");
  EXPECT_EQ(check(kOntvang, {"SUB=" + std::string(256, 's')}), "ok");
  EXPECT_EQ(check(kOntvang, {"SUB=" + std::string(257, 's')}), "2416");
  EXPECT_EQ(check(kZend, {"PMD=", "ORG", "OUAxUnit"}), "ok");
  EXPECT_EQ(a().value(kAttrPMD), "");
  EXPECT_EQ(a().value(kAttrOUA), "Unit");
  EXPECT_EQ(check(kZend, {"PMD=" + std::string(17, 'p')}), "2405");
  EXPECT_EQ(check(kZend, {"COU=NLD", "ADM=" + std::string(16, 'a')}), "ok");
  EXPECT_EQ(check(kZend, {"COU=NLDX"}), "2403");
  EXPECT_EQ(check(kOntvang, {"LID=" + std::string(13, '1')}), "2414");
  EXPECT_EQ(check(kOntvang, {"ANN=123456789"}), "2447");
}

TEST_F(AttributesTest, FlagsStandAlone) {
  EXPECT_EQ(check(kOntvang, {"NOD=1"}), "2441");
  EXPECT_EQ(check(kOntvang, {"NOD"}), "ok");
  EXPECT_EQ(a().value(kAttrNOD), "8");
  EXPECT_EQ(check(kOntvang, {"nop", "ADD"}), "ok");
  EXPECT_EQ(a().value(kAttrNOP), "1");
  EXPECT_EQ(check(kOntvang, {"NOD", "NOD"}), "2332");
  EXPECT_EQ(check(kZend, {"DEL=J"}), "2442");
  EXPECT_EQ(check(kZend, {"ANS "}), "2446") << "a blank after the keyword is not trimmed here";
}

TEST_F(AttributesTest, CodesWaitTimeAndPassword) {
  EXPECT_EQ(check(kZend, {"PRI=3", "SEN=4", "NOT=1", "RAP=2"}), "ok");
  EXPECT_EQ(check(kZend, {"PRI=4"}), "2418");
  EXPECT_EQ(check(kZend, {"PRI=12"}), "2418");
  EXPECT_EQ(check(kZend, {"SEN=0"}), "2419");
  EXPECT_EQ(check(kZend, {"NOT=A"}), "2420");
  EXPECT_EQ(check(kZend, {"RAP=4"}), "2421");

  EXPECT_EQ(check(kAntwoord, {"WAI=901"}), "2438");
  EXPECT_EQ(check(kAntwoord, {"WAI=1000"}), "2436");
  EXPECT_EQ(check(kAntwoord, {"WAI=9a"}), "2437");
  EXPECT_EQ(check(kAntwoord, {"WAI="}), "2230");
  EXPECT_EQ(check(kAntwoord, {"WAI=900"}), "ok");
  EXPECT_EQ(check(kAntwoord, {}), "ok");
  EXPECT_EQ(a().value(kAttrWAI), "900") << "WAI outlives the command";

  EXPECT_EQ(check(kWachtwoord, {"PIN=geheim1"}), "2440");
  EXPECT_EQ(check(kWachtwoord, {"PIN=AB CD1"}), "2439");
  EXPECT_EQ(check(kWachtwoord, {"PIN=ABC-1"}), "2439");
  EXPECT_EQ(check(kWachtwoord, {"PIN=abcd"}), "2439");
  EXPECT_EQ(check(kWachtwoord, {"PIN=abcdefghi"}), "2439");
  EXPECT_EQ(check(kWachtwoord, {"PIN=new*.$1"}), "ok");
  EXPECT_EQ(a().value(kAttrPIN), "NEW*.$1");
  EXPECT_EQ(check(kWachtwoord, {"PIN="}), "2231");
}

TEST_F(AttributesTest, DateBounds) {
  EXPECT_EQ(check(kLijst, {"MET<0301"}), "ok");
  EXPECT_EQ(a().value(kAttrMET), "030100");
  EXPECT_EQ(check(kLijst, {"MET>0301"}), "ok");
  EXPECT_EQ(a().value(kAttrMET), "030199");
  EXPECT_EQ(check(kLijst, {"MET=0301"}), "2450");
  EXPECT_EQ(check(kLijst, {"MET!030617"}), "ok");
  EXPECT_EQ(check(kLijst, {"MRT=03"}), "2453");
  EXPECT_EQ(check(kLijst, {"MET=12345678901"}), "2448");
  EXPECT_EQ(check(kLijst, {"MRT=12345678901"}), "2451");
  EXPECT_EQ(check(kLijst, {"MET=0306a7"}), "2449");
  EXPECT_EQ(check(kLijst, {"MRT=0306a7"}), "2452");
  EXPECT_EQ(check(kLijst, {"MET=0306171230"}), "ok");
  EXPECT_EQ(check(kVerwijder, {"MRT=030617"}), "2143");
}

TEST_F(AttributesTest, FileListAndPathRefusals) {
  EXPECT_EQ(check(kZend, {"FIL=a.txt", "FIL=a.txt"}), "ok") << "FIL may repeat in ZEND";
  std::vector<std::string> nine(9, "FIL=a.txt");
  EXPECT_EQ(check(kZend, nine), "2423");
  EXPECT_EQ(field(record_, status::kRefusedValue), "a.txt");

  dir_.write("d.edi", "UNB");
  EXPECT_EQ(check(kZend, {"FIL=a.txt", "DIF=d.edi", "FIL=A.TXT"}), "ok");
  EXPECT_EQ(a().files, (std::vector<std::string>{"a.txt", "A.TXT", "d.edi"}));
  EXPECT_EQ(a().interchange_file, "d.edi");
  std::vector<std::string> with_dif = {"DIF=d.edi"};
  for (int i = 0; i < 8; ++i) with_dif.push_back("FIL=a.txt");
  EXPECT_EQ(check(kZend, with_dif), "2430");
  std::vector<std::string> full(8, "FIL=a.txt");
  full.push_back("DIF=d.edi");
  EXPECT_EQ(check(kZend, full), "2429");
  EXPECT_EQ(field(record_, status::kRefusedValue), "d.edi");
  EXPECT_EQ(check(kZend, {"DIF=d.edi", "DIF=d.edi"}), "2324");

  EXPECT_EQ(check(kZend, {"FIL=missing.txt"}), "3037");
  EXPECT_EQ(field(record_, status::kRefusedValue), "missing.txt");
  EXPECT_EQ(check(kZend, {"FIL=" + std::string(65, 'f')}), "2422");
  EXPECT_EQ(check(kOntvang, {"FIL=OUT.TXT"}), "ok");
  EXPECT_FALSE(dir_.exists("OUT.TXT")) << "the check leaves nothing behind";
  EXPECT_EQ(check(kOntvang, {"FIL=A.TXT", "FIL=B.TXT"}), "2322");
  EXPECT_EQ(check(kLijst, {"FIL=nodir/x.lst"}), "3035");
  EXPECT_EQ(field(record_, status::lijst::kListingFile), "nodir/x.lst");
  EXPECT_EQ(check(kRapport, {"FIL=nodir/x.rap"}), "3035");
  EXPECT_EQ(field(record_, status::rapport::kReportFile), "nodir/x.rap");
  EXPECT_EQ(check(kVerwijder, {"SEL=nosuch.sel"}), "3037");
  EXPECT_EQ(field(record_, status::verwijder::kRefusedSelection), "nosuch.sel");
  EXPECT_EQ(check(kOntvang, {"SEL=nosuch.sel"}), "3037");
  EXPECT_EQ(field(record_, status::kRefusedValue), "nosuch.sel");
  EXPECT_EQ(check(kLijst, {"SEL=sel.txt"}), "ok");
}

TEST_F(AttributesTest, Directory) {
  EXPECT_EQ(check(kOntvang, {"DIR=out\\"}), "ok");
  EXPECT_EQ(a().value(kAttrDIR), "out/");
  EXPECT_EQ(check(kLijst, {"DIR=" + dir_.path() + "/out"}), "ok");
  EXPECT_EQ(a().value(kAttrDIR), dir_.path() + "/out/");
  EXPECT_EQ(check(kLijst, {"DIR=missing/sub"}), "3034");
  EXPECT_EQ(field(record_, status::lijst::kListingFile), "missing/sub");
  EXPECT_EQ(check(kLijst, {"DIR=out/missing"}), "3036");
  EXPECT_EQ(check(kOntvang, {"DIR=" + std::string(53, 'd')}), "2424");
}

TEST_F(AttributesTest, RecipientsAndSeparators) {
  auto zend_end = [&](const std::vector<std::string>& lines) {
    std::string code = check(kZend, lines);
    if (code != "ok") return code;
    return check_recipient(ctx_, record_) == 0 ? std::string("ok") : result_code(record_);
  };
  EXPECT_EQ(zend_end({"ALI=ABC", "SUR=Jansen"}), "2502");
  EXPECT_EQ(zend_end({"DIS=LIST", "COU=NL"}), "2503");
  EXPECT_EQ(zend_end({"ALI=ABC", "DIS=LIST"}), "2501");
  EXPECT_EQ(zend_end({"DIS=LIST", "DIF=a.txt"}), "2511");
  EXPECT_EQ(zend_end({"MID=1"}), "2506");
  EXPECT_EQ(zend_end({"SUR=Jansen", "CCO"}), "2507");
  EXPECT_EQ(zend_end({"CCO"}), "2506") << "the first recipient is checked at the separator";
  EXPECT_EQ(zend_end({"SUR=Jansen", "CCO=x"}), "2427");
  EXPECT_EQ(zend_end({"SUR=A", "COU=BE", "CCO", "COU=DE", "SUR=B"}), "ok");
  EXPECT_EQ(zend_end({"SUR=A", "CCO", "SUR=B", "SUR=C"}), "2311");

  std::vector<std::string> lines = {"SUR=R0"};
  for (int i = 1; i <= 19; ++i) {
    lines.push_back(i % 2 ? "CCO" : "BCO");
    lines.push_back("SUR=R" + std::to_string(i));
  }
  EXPECT_EQ(zend_end(lines), "ok");
  EXPECT_EQ(a().recipient_count, 19);
  lines.push_back("BCO");
  EXPECT_EQ(check(kZend, lines), "2428");
}

TEST_F(AttributesTest, RecipientEntriesOfTheOutgoingMessage) {
  ctx_.settings.organisation = "Default Org";
  ASSERT_EQ(check(kZend, {"SUR=Jansen", "ORG=Mine", "CCO", "ALI=ALIAS1", "BCO", "DIS=LIST1"}), "ok");
  add_recipient(ctx_, a().recipient_count, a().recipient_kind);
  const MessageOut& out = *ctx_.session.outgoing;
  EXPECT_EQ(out.recipients[0].type, 1);
  EXPECT_EQ(out.recipients[0].orName.type, ORNAME_FORM11);
  const ORNameForm11& f = out.recipients[0].orName.u.form11;
  EXPECT_EQ(fixed_text(f.surName), "Jansen");
  EXPECT_EQ(fixed_text(f.countryName), "NL");
  EXPECT_EQ(fixed_text(f.adDomainName), "HUBADMD");
  EXPECT_EQ(fixed_text(f.prDomainName), "QRT400");
  EXPECT_EQ(fixed_text(f.orgName), "Mine");
  EXPECT_EQ(out.recipients[1].type, 2);
  EXPECT_EQ(out.recipients[1].orName.type, ORNAME_ALIAS);
  EXPECT_EQ(fixed_text(out.recipients[1].orName.u.alias), "ALIAS1");
  EXPECT_EQ(out.recipients[2].type, 3);
  EXPECT_EQ(out.recipients[2].orName.type, ORNAME_DISTLIST);
  EXPECT_EQ(fixed_text(out.recipients[2].orName.u.distList), "LIST1");
  EXPECT_EQ(a().value(kAttrORG), "Default Org") << "defaults return after a separator";
}

}  // namespace
}  // namespace kv::engine
