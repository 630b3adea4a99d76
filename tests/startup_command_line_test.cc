// Black-box tests of the command line: every refusal leaves one numbered line in qrtlnk.err, no
// busy file and exit code 0, whatever the parameters hold.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/blackbox.h"

namespace {

using Args = std::vector<std::string>;

// Runs kovendi with `args` and returns the error line it left ("" when none).
std::string error_line(const kvtest::TempDir& dir, const Args& args) {
  kvtest::RunResult result = kvtest::run(kvtest::program("kovendi"), args, dir.path());
  EXPECT_EQ(0, result.signal);
  EXPECT_EQ(0, result.exit_code);
  EXPECT_FALSE(kvtest::file_exists(dir.file("qrtlnk.bsy")));
  std::vector<std::string> lines = kvtest::read_lines(dir.file("qrtlnk.err"));
  EXPECT_LE(lines.size(), 1u);
  return lines.empty() ? "" : lines[0];
}

std::string number_of(const std::string& line) { return line.substr(0, 4); }

TEST(StartupCommandLine, RefusedParameters) {
  kvtest::TempDir dir;
  std::string line = error_line(dir, {"abc/FT"});
  EXPECT_EQ(0u, line.find("0004 *** KOVENDI FOUT; Onbekende parameter: abc/FT, in aanroep"));
  EXPECT_EQ("0004", number_of(error_line(dir, {"/FX"})));
  EXPECT_EQ("0003", number_of(error_line(dir, {"/FT", "/A=ab"})));
  EXPECT_EQ("0013", number_of(error_line(dir, {"/FT", "/S=" + std::string(68, 's')})));
  EXPECT_EQ("0013", number_of(error_line(dir, {"/FT", "/C", "/MID=" + std::string(66, 'm')})));
  EXPECT_EQ("0013", number_of(error_line(dir, {"/FT" + std::string(68, 't')})));
  EXPECT_EQ("0033", number_of(error_line(dir, {"/FT", "/S=a.sts", "/C", "/MID=A"})));
  EXPECT_EQ("0038", number_of(error_line(dir, {"/FT", "/C", "/DAT=20x3"})));
  EXPECT_EQ("0028", number_of(error_line(dir, {"/FT", "/R", "/FIL=out.txt"})));
  line = error_line(dir, {"/FT", "/RT", "/MID=abc", "/FIL=out.txt"});
  EXPECT_EQ(0u, line.find("0053 *** KOVENDI FOUT; Parameter: /MID=ABC, bij retrieve-tekst"));
  EXPECT_EQ(108u, line.size());
}

TEST(StartupCommandLine, UpdateParameter) {
  kvtest::TempDir dir;
  kvtest::write_file(dir.file("QRTLNK.RCV"), "");
  kvtest::write_file(dir.file("app.txt"), "x\n");
  EXPECT_EQ("0017", number_of(error_line(dir, {"/FT", "/U=qrtlnk.rcv"})));
  EXPECT_EQ("0017", number_of(error_line(dir, {"/FT", "/U=Qrtlnk.Rcv"})));
  EXPECT_EQ("0016", number_of(error_line(dir, {"/FT", "/U=app.txt", "/V"})));
  EXPECT_EQ("0014", number_of(error_line(dir, {"/FT", "/U=none.txt"})));
}

TEST(StartupCommandLine, TextRetrieveSelectsTextMessages) {
  kvtest::TempDir dir;
  EXPECT_EQ("", error_line(dir, {"/FT", "/RT", "/FIL=out.txt"}));
  EXPECT_EQ("", error_line(dir, {"/ft", "/c", "/mid=abc"}));
  EXPECT_EQ(kvtest::list_dir(dir.path()), std::vector<std::string>{});
}

TEST(StartupCommandLine, JunkAndLowerCaseNeverCrash) {
  kvtest::TempDir dir;
  const std::vector<Args> junk = {
      {""},
      {"", ""},
      {"\xff\xfe\xfd"},
      {"/ft", "\x01\x02\x03\x7f"},
      {"/ft", "/a=\xe9\xe8\xe7"},
      {"/ft", "/r", "/mid=\xff*", "/fil=\xe9t\xe9.txt"},
      {"/ft", "/c", "/fil=../../../../../../../../../../../../../../x/y/z"},
      {"/ft", "/o=%s%s%s%n"},
      {"/ft", "/s=\\\\\\\\"},
      {"/ft", "/r", "/sel=/", "/fil=/"},
      {"/ft", "/x\nline"},
      {"/f", std::string(4000, 'x')},
  };
  for (const Args& args : junk) {
    std::string line = error_line(dir, args);
    if (!line.empty()) {
      EXPECT_GE(line.size(), 107u);
      EXPECT_LE(line.size(), 108u);
    }
  }
  std::string line = error_line(dir, {"/ft", "/o=%s%n.scr"});
  EXPECT_EQ("0008", number_of(line));
  line = error_line(dir, {"/ft", "/q%s%n"});
  EXPECT_EQ(0u, line.find("0004 *** KOVENDI FOUT; Onbekende parameter: /Q%S%N, in aanroep"));
}

TEST(StartupCommandLine, ParameterFileWithLongAndBinaryLines) {
  kvtest::TempDir dir;
  std::string binary;
  for (int i = 0; i < 3000; ++i) binary += static_cast<char>((i * 37) % 256);
  const std::vector<std::string> files = {
      std::string(5000, 'x'),
      "NO_IND=1\n" + std::string(300, '=') + "\nIND_TXT=" + std::string(200, 't') + "\n",
      binary,
      "IND_TXT=%s%s%s%n\nTXT_REGELS=99999999999999999999999\n",
  };
  for (const std::string& content : files) {
    kvtest::write_file(dir.file("$qrt400.prm"), content);
    EXPECT_EQ("", error_line(dir, {"/FT", "/R", "/MID=X", "/FIL=out.txt"}));
    EXPECT_EQ("0001", number_of(error_line(dir, {})));
    EXPECT_EQ(content, kvtest::read_file(dir.file("$qrt400.prm")));
  }
  if (kvtest::running_as_root()) GTEST_SKIP() << "permissions do not hold for root";
  chmod(dir.file("$qrt400.prm").c_str(), 0);  // unreadable: the defaults stand
  EXPECT_EQ("", error_line(dir, {"/FT", "/R", "/MID=X", "/FIL=out.txt"}));
  chmod(dir.file("$qrt400.prm").c_str(), 0600);
}

TEST(StartupCommandLine, UnreadableFilesAreMissingFiles) {
  if (kvtest::running_as_root()) GTEST_SKIP() << "permissions do not hold for root";
  kvtest::TempDir dir;
  kvtest::write_file(dir.file("request.scr"), "*001LIJST\n");
  kvtest::write_file(dir.file("scriptin.dir"), "ABC|x\n");
  kvtest::write_file(dir.file("keuze.sel"), "SUR=X\n");
  kvtest::write_file(dir.file("qrtlnk.gns"), "POS=x\n");
  for (const char* name : {"request.scr", "scriptin.dir", "keuze.sel", "qrtlnk.gns"}) {
    chmod(dir.file(name).c_str(), 0);
  }
  EXPECT_EQ("0008", number_of(error_line(dir, {"/FT", "/O=request.scr"})));
  EXPECT_EQ("0020", number_of(error_line(dir, {"/FT", "/V"})));
  EXPECT_EQ("0014", number_of(error_line(dir, {"/FT", "/U=request.scr"})));
  EXPECT_EQ("0047", number_of(error_line(dir, {"/FT", "/R", "/SEL=keuze.sel", "/FIL=o.txt"})));
  EXPECT_EQ("0007", number_of(error_line(dir, {"/FT"})));
}

}  // namespace
