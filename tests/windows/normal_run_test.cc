// A normal run on Windows that cannot connect (no Java runtime): the request is translated, the
// EDIFACT file split into one send per interchange, the sends recorded in QRTLNK.SND, and after
// the failed connect every interchange is merged back into the application's file; error 54,
// the busy file gone, the shared files read-only again. Also the start-up errors of the entry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fs.h"
#include "tests/blackbox.h"
#include "tests/e2e_support.h"

namespace {

using e2e::field;
using e2e::interchange;

std::string padded(const std::string& number, const std::string& text) {
  return number + " " + text + std::string(103 - text.size(), ' ');
}

class NormalRunWithoutService : public ::testing::Test {
 protected:
  kvtest::RunResult kovendi(const std::vector<std::string>& args, const kvtest::RunOptions& o = {}) {
    kvtest::RunResult r = kvtest::run(kvtest::program("kovendi"), args, dir_.path(), o);
    EXPECT_EQ(0, r.exit_code);
    return r;
  }
  std::string error_line() { return kvtest::read_file(dir_.file("qrtlnk.err")); }

  kvtest::TempDir dir_;
};

TEST_F(NormalRunWithoutService, TranslatedSplitRecordedAndMergedBackAfterTheFailedConnect) {
  dir_.write("qrtlnk.gns", "POS=alice\nPIN=secret1\nSRV=file:store\nPNB=1\n");
  dir_.write("note.txt", "Hello Bob\n");
  const std::string edifact = "UNA:+.? '\n" + interchange("BOBBY", "1") +
                              interchange("BOBBY", "2") + interchange("NOBODY", "3");
  dir_.write("orders.edi", edifact);
  const std::string request =
      "*001ZEND\nMID=PLAIN\nORG=SHOP\nSUR=Bakker\nFIL=note.txt\n"
      "*002ZEND\nAPP=ORD\nMID=EDI\nFIL=orders.edi\n";
  dir_.write("qrtlnk.scr", request);
  kovendi({"/FT", "/A=APX"});
  EXPECT_EQ(padded("0054", "*** KOVENDI FOUT; Fout tijdens communicatie") + "\n", error_line());

  // The command file the engine was given, kept as qrt_lnk.old: the CONNECT block from the user
  // file and one send per interchange.
  std::vector<std::string> commands = dir_.lines("qrt_lnk.old");
  ASSERT_GE(commands.size(), 4u);
  EXPECT_EQ("*000CONNECT", commands[0]);
  EXPECT_EQ("POS=alice", commands[1]);
  EXPECT_GE(static_cast<unsigned char>(commands[2][4]), 128u) << "no plain password is kept";
  int edifact_sends = 0;
  std::vector<std::string> aliases;
  for (const std::string& line : commands) {
    if (line == "*002ZEND") ++edifact_sends;
    if (line.rfind("ALI=", 0) == 0) aliases.push_back(line);
  }
  EXPECT_EQ(3, edifact_sends);
  EXPECT_EQ((std::vector<std::string>{"ALI=BOBBY", "ALI=BOBBY", "ALI=NOBODY"}), aliases);

  // Every send recorded, none of them sent.
  std::vector<std::string> snd = dir_.lines("qrtlnk.snd");
  ASSERT_EQ(4u, snd.size());
  EXPECT_EQ("APX", field(snd[0], snd::kApplication));
  for (const std::string& record : snd) {
    EXPECT_NE("0000", field(record, snd::kResultCode)) << record;
    EXPECT_EQ(field(snd[0], snd::kResultCode), field(record, snd::kResultCode));
  }

  // The interchanges are back in the application's file, in their order; no work file is left.
  std::string merged = dir_.read("orders.edi");
  for (const char* reference : {"1", "2", "3"}) {
    EXPECT_NE(std::string::npos, merged.find(interchange(reference[0] == '3' ? "NOBODY" : "BOBBY",
                                                         reference)))
        << merged;
  }
  EXPECT_LT(merged.find("+1'"), merged.find("+2'"));
  EXPECT_LT(merged.find("+2'"), merged.find("+3'"));
  for (const std::string& name : kvtest::list_dir(dir_.path())) {
    EXPECT_NE(0u, name.rfind("KV", 0)) << name << " left behind";
    EXPECT_NE(0u, name.rfind("QLX_", 0)) << name << " left behind";
  }
  EXPECT_FALSE(dir_.exists("qrtlnk.bsy"));
  EXPECT_EQ(0400u, kv::fs::status(dir_.file("qrtlnk.snd")).mode) << "read-only between runs";
  EXPECT_TRUE(dir_.exists("qrtlnk.sav"));

  // /C without options: the failed records of the standard application go.
  kovendi({"/FT", "/C", "/APP=APX", "/FIL=removed.txt"});
  EXPECT_FALSE(dir_.exists("qrtlnk.err")) << error_line();
  EXPECT_EQ(3u, dir_.lines("qrtlnk.snd").size());
  EXPECT_EQ(std::vector<std::string>{snd[0]}, dir_.lines("removed.txt"));
}

// The engine dials through kovedial.exe (the simulated phonebook) before it opens the session,
// and hangs up again after the failed open.
TEST_F(NormalRunWithoutService, DialsThroughTheHelperAndHangsUpAfterTheFailedOpen) {
  dir_.write("phonebook.txt", "[Kantoor lijn]\npassword = geheim\nevents = 0 2 8192\ndelay = 50\n");
  dir_.write("qrtlnk.gns", "POS=alice\nPIN=secret1\nSRV=file:store\nPNB=1\nISP=Kantoor lijn\n");
  dir_.write("qrtlnk.scr", "*001LIJST\nFIL=lijst.txt\n");
  kvtest::RunOptions options;
  options.env["KOVEDIAL_PHONEBOOK"] = dir_.file("phonebook.txt");
  kovendi({"/FT"}, options);
  EXPECT_EQ(0u, error_line().find("0054 ")) << error_line();
  EXPECT_EQ("AAAA", dir_.lines("kovedial.txt").at(0)) << "the hang-up ran last";
  // Dialled (the state file exists) and hung up again (no connection in it).
  EXPECT_EQ(std::vector<std::string>{""}, dir_.lines("phonebook.txt.state"));
}

TEST_F(NormalRunWithoutService, StartUpErrorsLeaveOneLineAndNoBusyFile) {
  kovendi({});
  EXPECT_EQ(padded("0001", "*** KOVENDI FOUT; Te weinig parameters (minimaal 1)") + "\n",
            error_line());
  kovendi({"/FT"});
  EXPECT_EQ(padded("0007", "*** KOVENDI FOUT; GNS user-bestand is niet aanwezig") + "\n",
            error_line());
  dir_.write("qrtlnk.gns", "POS=alice\n");
  kovendi({"/FT", "/O=missing.scr"});
  EXPECT_EQ(0u, error_line().find("0008 "));
  kovendi({"/FT", "/R", "/FIL=CON"});
  EXPECT_EQ(0u, error_line().find("0026 ")) << "a device is no output file: " << error_line();
  kvtest::RunOptions missing_tmp;
  missing_tmp.env["TMP"] = dir_.file("missing");
  kovendi({"/FT"}, missing_tmp);
  EXPECT_EQ(0u, error_line().find("0031 ")) << error_line();
  kvtest::TempDir tmp;
  kvtest::RunOptions tmp_with_backslash;
  tmp_with_backslash.env["TMP"] = kv::fs::to_slashes(tmp.path()) + "\\";
  kovendi({}, tmp_with_backslash);
  EXPECT_EQ(0u, error_line().find("0001 ")) << error_line();
  EXPECT_TRUE(kvtest::list_dir(tmp.path()).empty());
  for (const std::string& name : kvtest::list_dir(dir_.path())) {
    EXPECT_TRUE(name == "qrtlnk.err" || name == "qrtlnk.gns") << name << " left behind";
  }
}

}  // namespace
