// Tests of the command line of kovendi.
#include "client/startup/command_line.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "client/common/abort.h"
#include "client/common/run_state.h"
#include "client/startup/startup_test_home.h"

namespace kv {
namespace {

using Args = std::vector<std::string>;

class CommandLineTest : public testing::StartupHomeTest {
 protected:
  // The error number the command line gives (0 when accepted); the error file is emptied.
  int error_of(const Args& args) {
    reset_run_state();
    std::string before = dir_.read("qrtlnk.err");
    EXPECT_TRUE(before.empty());
    int code = 0;
    try {
      EXPECT_EQ(RunMode::kAccepted, lees_parameters(args));
    } catch (const RunAborted& aborted) {
      clean_up_after(aborted);
      last_line_ = dir_.read("qrtlnk.err");
      EXPECT_EQ(1u, dir_.lines("qrtlnk.err").size()) << last_line_;
      code = std::stoi(last_line_.substr(0, 4));
      std::remove(dir_.file("qrtlnk.err").c_str());
    }
    return code;
  }

  std::string last_line_;
};

TEST_F(CommandLineTest, FirstParameterAndKeywords) {
  EXPECT_EQ(1, error_of({}));
  EXPECT_EQ(1, cleanups_);
  EXPECT_EQ(4, error_of({"abc"}));
  EXPECT_EQ(0u, last_line_.find("0004 *** KOVENDI FOUT; Onbekende parameter: abc, in aanroep"));
  EXPECT_EQ(4, error_of({"/fx"}));  // passes the first test, fails in the loop, in upper case
  EXPECT_NE(std::string::npos, last_line_.find("parameter: /FX,"));
  EXPECT_EQ(0, error_of({"/ft"}));
  EXPECT_EQ("   ", run_state().app_id);
  EXPECT_EQ("qrtlnk.scr", run_state().command_file);
  EXPECT_EQ("qrtlnk.sts", run_state().status_file);
  EXPECT_EQ(4, error_of({"/FT", "/X"}));
  EXPECT_EQ(4, error_of({"/FT", "/FT", "/v2"}));
  EXPECT_NE(std::string::npos, last_line_.find("parameter: /V2,"));
}

TEST_F(CommandLineTest, ParameterLength) {
  std::string seventy = "/S=" + std::string(67, 's');
  EXPECT_EQ(0, error_of({"/FT", seventy}));
  EXPECT_EQ(std::string(67, 's'), run_state().status_file);
  EXPECT_EQ(13, error_of({"/FT", seventy + "s"}));
  EXPECT_EQ(13, error_of({"/FT" + std::string(68, 'T')}));
  EXPECT_EQ(13, error_of({"/FT", "/C", "/MID=" + std::string(66, 'm')}));
  EXPECT_EQ(13, error_of({"/FT", "/R", "/FIL=" + std::string(66, 'f')}));
  // A first parameter that does not begin with "/F" is named, cut with the rest of the text.
  EXPECT_EQ(4, error_of({std::string(71, 'x')}));
  EXPECT_EQ(109u, last_line_.size());
}

TEST_F(CommandLineTest, AppIdStatusAndRequestFiles) {
  EXPECT_EQ(3, error_of({"/FT", "/A=ab"}));
  EXPECT_EQ(3, error_of({"/FT", "/A=abcd"}));
  EXPECT_EQ(0, error_of({"/FT", "/a=abc"}));
  EXPECT_EQ("ABC", run_state().app_id);
  EXPECT_EQ(8, error_of({"/FT", "/O=Missing.scr"}));
  dir_.make_dir("folder");
  EXPECT_EQ(8, error_of({"/FT", "/O=folder"}));  // a directory is no request file
  dir_.write("Request.SCR", "*001ZEND\n");
  EXPECT_EQ(0, error_of({"/FT", "/o=Request.SCR", "/s=Status.Sts"}));
  EXPECT_EQ("Request.SCR", run_state().command_file);  // the application's spelling
  EXPECT_EQ("Status.Sts", run_state().status_file);
  EXPECT_EQ(0, error_of({"/FT", "/O=request.scr"}));  // found without regard to case
  EXPECT_EQ(4, error_of({"/FT", "/S="}));
  EXPECT_EQ(20, error_of({"/FT", "/V"}));
  dir_.write("scriptin.dir", "x\n");
  EXPECT_EQ(0, error_of({"/FT", "/v"}));
  EXPECT_TRUE(run_state().directory_translation);
}

TEST_F(CommandLineTest, UpdateOfReceiveStore) {
  dir_.write("qrtlnk.rcv", "");
  dir_.write("App.txt", "x\n");
  EXPECT_EQ(16, error_of({"/FT", "/U=App.txt", "/FT"}));
  EXPECT_EQ(14, error_of({"/FT", "/U=none.txt"}));
  EXPECT_EQ(17, error_of({"/FT", "/U=QRTLNK.Rcv"}));
  EXPECT_EQ(17, error_of({"/FT", "/U=./qrtlnk.rcv"}));
  EXPECT_EQ(0, error_of({"/FT", "/U=App.txt"}));
  EXPECT_TRUE(run_state().update_mode);
  EXPECT_EQ("App.txt", run_state().command_file);
}

TEST_F(CommandLineTest, SendQueueUpdateOptions) {
  EXPECT_EQ(0, error_of({"/FT", "/C", "/MID=abc"}));
  EXPECT_TRUE(run_state().send_update_mode);
  EXPECT_EQ("ABC", run_state().mid_selection);
  EXPECT_EQ(0, error_of({"/FT", "/C"}));  // the options themselves are not required
  EXPECT_EQ(33, error_of({"/FT", "/S=x.sts", "/C", "/MID=abc"}));
  EXPECT_EQ(34, error_of({"/FT", "/C", "/MID="}));
  EXPECT_EQ(35, error_of({"/FT", "/C", "/MID=" + std::string(65, 'm')}));
  EXPECT_EQ(0, error_of({"/FT", "/C", "/MID=" + std::string(64, 'm'), "/MID=second"}));
  EXPECT_EQ("SECOND", run_state().mid_selection);
  EXPECT_EQ(39, error_of({"/FT", "/C", "/APP="}));
  EXPECT_EQ(40, error_of({"/FT", "/C", "/APP=abcd"}));
  EXPECT_EQ(0, error_of({"/FT", "/C", "/app=abc"}));
  EXPECT_EQ("ABC", run_state().app_code);
  EXPECT_EQ(0, error_of({"/FT", "/C", "/DAT=2003"}));
  EXPECT_EQ("200399999999", run_state().dat);
  EXPECT_EQ(38, error_of({"/FT", "/C", "/DAT=20a3"}));
  EXPECT_EQ(44, error_of({"/FT", "/C", "/DAT="}));
  EXPECT_EQ(36, error_of({"/FT", "/C", "/DAT=1234567890123"}));
  EXPECT_EQ(0, error_of({"/FT", "/C", "/DAT=123456789012"}));
  EXPECT_EQ("123456789012", run_state().dat);
  EXPECT_EQ(42, error_of({"/FT", "/C", "/FIL="}));
  EXPECT_EQ(41, error_of({"/FT", "/C", "/FIL=" + std::string(65, 'f')}));
  EXPECT_EQ(43, error_of({"/FT", "/C", "/FIL=nodir/out.txt"}));
  EXPECT_EQ(0, error_of({"/FT", "/C", "/FIL=Out.Txt"}));
  EXPECT_EQ("Out.Txt", run_state().fil_name);
  EXPECT_FALSE(dir_.exists("Out.Txt"));
  EXPECT_EQ(37, error_of({"/FT", "/C", "/mid=a", "/xyz"}));
  EXPECT_NE(std::string::npos, last_line_.find("Parameter: /XYZ, bij update ('/C')"));
}

TEST_F(CommandLineTest, RetrieveOptions) {
  EXPECT_EQ(28, error_of({"/FT", "/R", "/FIL=out.txt"}));
  EXPECT_EQ(0, error_of({"/FT", "/RT", "/FIL=out.txt"}));
  EXPECT_EQ(RetrieveMode::kTexts, run_state().retrieve_mode);
  EXPECT_EQ("???TXT*", run_state().mid_selection);
  EXPECT_EQ(53, error_of({"/FT", "/RT", "/mid=abc", "/FIL=out.txt"}));
  EXPECT_NE(std::string::npos, last_line_.find("Parameter: /MID=ABC, bij retrieve-tekst"));
  EXPECT_EQ(21, error_of({"/FT", "/A=abc", "/R", "/MID=x", "/FIL=o"}));
  EXPECT_EQ(29, error_of({"/FT", "/R", "/MID=edi*"}));
  EXPECT_EQ(0, error_of({"/FT", "/r", "/MID=edi*", "/fil=Out.Txt", "/add"}));
  EXPECT_EQ(RetrieveMode::kBytes, run_state().retrieve_mode);
  EXPECT_EQ("EDI*", run_state().mid_selection);
  EXPECT_EQ("Out.Txt", run_state().fil_name);
  EXPECT_TRUE(run_state().add_flag);
  EXPECT_EQ(46, error_of({"/FT", "/R", "/MID=a", "/MID=b", "/FIL=o"}));
  EXPECT_EQ(22, error_of({"/FT", "/R", "/MID=", "/FIL=o"}));
  EXPECT_EQ(23, error_of({"/FT", "/R", "/MID=" + std::string(65, 'm')}));
  EXPECT_EQ(48, error_of({"/FT", "/R", "/ADD", "/ADD"}));
  EXPECT_EQ(25, error_of({"/FT", "/R", "/FIL="}));
  EXPECT_EQ(24, error_of({"/FT", "/R", "/FIL=" + std::string(65, 'f')}));
  EXPECT_EQ(26, error_of({"/FT", "/R", "/FIL=Q:\\out.txt"}));
  EXPECT_EQ(49, error_of({"/FT", "/R", "/SEL="}));
  EXPECT_EQ(45, error_of({"/FT", "/R", "/SEL=" + std::string(65, 's')}));
  EXPECT_EQ(47, error_of({"/FT", "/R", "/SEL=none.sel"}));
  dir_.write("Keuze.Sel", "SUR=X*\n");
  EXPECT_EQ(0, error_of({"/FT", "/R", "/SEL=keuze.sel", "/FIL=o.txt"}));
  EXPECT_EQ("keuze.sel", run_state().sel_file);
  EXPECT_EQ("", run_state().mid_selection);
  EXPECT_EQ(0, error_of({"/FT", "/RT", "/SEL=keuze.sel", "/FIL=o.txt"}));
  EXPECT_EQ("", run_state().mid_selection);
  EXPECT_EQ(27, error_of({"/FT", "/R", "/dat=2003"}));
  EXPECT_NE(std::string::npos, last_line_.find("Parameter: /DAT=2003, bij retrieve ('/R')"));
}

TEST_F(CommandLineTest, JunkNeverBreaksTheErrorLine) {
  EXPECT_EQ(4, error_of({"\xff\xfe\n\r\x01"}));
  EXPECT_EQ(4, error_of({"/FT", "/x\nsecond line"}));
  EXPECT_EQ(4, error_of({"/FT", std::string("/\0x", 3)}));
  EXPECT_EQ(27, error_of({"/FT", "/R", "\xe9\xe8%s%n"}));
  EXPECT_NE(std::string::npos, last_line_.find("%S%N"));
}

TEST(SpecialInvocation, QuestionMarkAndHelp) {
  EXPECT_TRUE(is_special_invocation({"?"}));
  EXPECT_TRUE(is_special_invocation({"/ft", "/h"}));
  EXPECT_FALSE(is_special_invocation({"?", "x"}));
  EXPECT_FALSE(is_special_invocation({"/FT", "/H", "/V"}));
  EXPECT_FALSE(is_special_invocation({"/H", "/FT"}));
  EXPECT_FALSE(is_special_invocation({}));
}

}  // namespace
}  // namespace kv
