// Tests of the application's error file qrtlnk.err.
#include "client/common/error_file.h"

#include <gtest/gtest.h>

#include "client/common/home.h"
#include "platform/testing/fault_injection.h"
#include "platform/testing/temp_dir.h"

namespace kv {
namespace {

const std::string kPrefix = "*** KOVENDI FOUT; ";

TEST(ErrorFile, LineLayoutPerNumber) {
  std::string line = format_error_line(1, "");
  EXPECT_EQ(line, "0001 " + std::string("*** KOVENDI FOUT; Te weinig parameters (minimaal 1)") +
                      std::string(103 - 51, ' ') + "\n");
  EXPECT_EQ(line.size(), 109u);  // 108 characters and the line feed

  line = format_error_line(9, "ignored");
  EXPECT_EQ(line.substr(0, 22), "0009*** KOVENDI FOUT; ");
  EXPECT_EQ(line.size(), 108u);

  line = format_error_line(54, "");
  EXPECT_EQ(line.substr(0, 5), "0054 ");
  EXPECT_EQ(line.substr(5, 44), "*** KOVENDI FOUT; Fout tijdens communicatie ");

  for (int code : {0, 56, 99, -1}) {
    line = format_error_line(code, "x");
    EXPECT_EQ(line.substr(line.find(' ') + 1, 36), "*** KOVENDI FOUT; Onbekende foutkode");
  }
  EXPECT_EQ(format_error_line(99, "").substr(0, 5), "0099 ");
  EXPECT_EQ(format_error_line(0, "").substr(0, 5), "0000 ");
}

TEST(ErrorFile, ParameterFilledLiterallyAndCut) {
  std::string line = format_error_line(4, std::string(70, 'P'));
  ASSERT_EQ(line.size(), 109u);
  std::string text = line.substr(5, 103);
  EXPECT_EQ(text, (kPrefix + "Onbekende parameter: " + std::string(70, 'P') + ", in aanroep")
                      .substr(0, 103));

  line = format_error_line(10, "50% %s %d");
  EXPECT_EQ(line.substr(5, 50), kPrefix + "Te weinig geheugen bij 50% %s %d");

  // A text without "%s" ignores the parameter.
  EXPECT_EQ(format_error_line(3, "junk"), format_error_line(3, ""));
}

TEST(ErrorFile, CatalogueHasAllNumbers) {
  for (int code = 1; code <= 55; ++code) {
    std::string text = app_error_text(code);
    EXPECT_EQ(text.rfind(kPrefix, 0), 0u) << code;
    EXPECT_LE(text.size(), 103u) << code;
  }
  EXPECT_EQ(app_error_text(0), nullptr);
  EXPECT_EQ(app_error_text(56), nullptr);
  EXPECT_STREQ(app_error_text(11),
            "*** KOVENDI FOUT; QRT400.EXE niet in 'path' of, geinstalleerd");
  EXPECT_STREQ(app_error_text(53),
            "*** KOVENDI FOUT; Parameter: %s, bij retrieve-tekst ('/RT') niet toegestaan");
}

TEST(ErrorFile, AppendsToErrorFileInApplicationHome) {
  testing::TempDir dir;
  app_home().set(dir.path());
  schrijf_QRTLNK_error_bestand(AppError::kUserFileMissing, "");
  schrijf_QRTLNK_error_bestand(AppError::kCommunicationFailed, "");
  std::vector<std::string> lines = dir.lines("qrtlnk.err");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].substr(0, 5), "0007 ");
  EXPECT_EQ(lines[1].substr(0, 5), "0054 ");
  EXPECT_EQ(dir.read("qrtlnk.err").find('\r'), std::string::npos);

  // An existing file in capitals receives the lines.
  testing::TempDir other;
  other.write("QRTLNK.ERR", "");
  app_home().set(other.path());
  schrijf_QRTLNK_error_bestand(AppError::kTooFewParameters, "");
  EXPECT_EQ(other.lines("QRTLNK.ERR").size(), 1u);
  EXPECT_EQ(testing::list_dir(other.path()), std::vector<std::string>{"QRTLNK.ERR"});
  app_home().set("");
}

// A full disk: the line that cannot be appended is written into the room given back by the
// run's reserve; a half-written line never stays; when nothing can be written the operator is
// told on standard error, with the directory, the reason and the line.
TEST(ErrorFile, FullDiskUsesTheReserveAndNeverLeavesAnEmptyFile) {
  testing::TempDir dir;
  app_home().set(dir.path());
  start_error_file();
  ASSERT_TRUE(reserve_error_room());
  std::vector<std::string> reserves;
  for (const std::string& name : testing::list_dir(dir.path())) {
    if (is_error_reserve(name)) reserves.push_back(name);
  }
  ASSERT_EQ(reserves.size(), 1u);
  EXPECT_EQ(dir.read(reserves[0]).size(), 4096u);

  {
    testing::FaultInjector faults;
    faults.fail_nth("write", 1, ENOSPC, "qrtlnk.err");
    schrijf_QRTLNK_error_bestand(AppError::kTooLittleDiskSpace, "qrtlnk.rcv");
    ASSERT_TRUE(faults.triggered());
  }
  ASSERT_EQ(dir.lines("qrtlnk.err").size(), 1u);
  EXPECT_EQ(dir.lines("qrtlnk.err")[0].find(
                "0051 *** KOVENDI FOUT; Te weinig schijfruimte bij verwerken qrtlnk.rcv  "),
            0u);
  EXPECT_FALSE(dir.exists(reserves[0])) << "the reserve was given back for the line";
  EXPECT_FALSE(release_error_room());

  // Nothing can be written at all: the file keeps what it had, the operator learns the rest.
  {
    testing::FaultInjector faults;
    faults.fail_nth("write", 1, ENOSPC, "qrtlnk.err", true);
    ::testing::internal::CaptureStderr();
    schrijf_QRTLNK_error_bestand(AppError::kCommunicationFailed, "");
    const std::string told = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(told.find(dir.path() + "/qrtlnk.err cannot be written (No space left on device): "
                                     "0054 *** KOVENDI FOUT; Fout tijdens communicatie\n"),
              std::string::npos)
        << told;
  }
  EXPECT_EQ(dir.lines("qrtlnk.err").size(), 1u);

  // The same for a new file: none is left behind, not even an empty one.
  start_error_file();
  EXPECT_FALSE(dir.exists("qrtlnk.err"));
  {
    testing::FaultInjector faults;
    faults.fail_nth("write", 1, ENOSPC, "qrtlnk.err", true);
    ::testing::internal::CaptureStderr();
    schrijf_QRTLNK_error_bestand(AppError::kAlreadyRunning, "");
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("0005"), std::string::npos);
  }
  EXPECT_FALSE(dir.exists("qrtlnk.err"));

  // A reserve that a killed run left (held by nobody) goes with the next reserve.
  dir.write("KVERABCDEF", std::string(4096, ' '));
  dir.write("KVERLARGER", std::string(5000, 'a'));  // larger than a reserve: not one
  ASSERT_TRUE(reserve_error_room());
  EXPECT_FALSE(dir.exists("KVERABCDEF"));
  EXPECT_TRUE(dir.exists("KVERLARGER"));
  EXPECT_TRUE(release_error_room());
  app_home().set("");
}

}  // namespace
}  // namespace kv
