// Black-box tests of the local modes on the receive store: kovendi /R, /RT and /U= in a fresh
// home directory holding QRTLNK.RCV and the part files of its messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fs.h"
#include "tests/blackbox.h"

namespace {

const std::string kEdi1 =
    "ABC|202403141015|000000000041|EDIINV000017|1|QXBRTMZB.001|Factuur 17||2|1|NL|HUBADMD|QRT400|"
    "Groothandel Noord|||||Jansen|Piet";
const std::string kEdi2 =
    "ABC|202403141016|000000000042|EDIORD000018|2|QXCRTMZB.001|Bestelling 18||2|1|NL";
const std::string kText =
    "ABC|202403141017|000000000043|MEMTXT000019|1|QXDRTMZB.001|Levering|EDIORD000011|1|1|NL|"
    "HUBADMD|QRT400|Transport Oost|Planning||||Bakker";

class LocalModes : public ::testing::Test {
 protected:
  void SetUp() override {
    write("qrtlnk.rcv", kEdi1 + "\n" + kEdi2 + "\n" + kText + "\n");
    write("QXBRTMZB.001", "UNB+17'UNZ+1+17'");
    write("QXCRTMZB.001", "UNB+18'UNZ+1+18'");
    write("QXCRTMZB.002", "UNB+19'UNZ+1+19'");
    write("QXDRTMZB.001", "Beste klant,\n\nDe levering volgt.   \n");
    kv::fs::set_permissions(dir_.file("qrtlnk.rcv"), 0400);  // as a run leaves it
  }
  void write(const std::string& name, const std::string& text) {
    kvtest::write_file(dir_.file(name), text);
  }
  std::string read(const std::string& name) { return kvtest::read_file(dir_.file(name)); }
  bool exists(const std::string& name) { return kvtest::file_exists(dir_.file(name)); }
  void kovendi(const std::vector<std::string>& args) {
    kvtest::RunResult r = kvtest::run(kvtest::program("kovendi"), args, dir_.path());
    ASSERT_EQ(0, r.exit_code) << r.err;
    EXPECT_FALSE(exists("qrtlnk.err")) << read("qrtlnk.err");
    EXPECT_FALSE(exists("qrtlnk.bsy"));
    for (const std::string& name : kvtest::list_dir(dir_.path())) {
      EXPECT_NE(name.substr(0, 4), "QLX_") << name;
    }
    EXPECT_EQ(0400u, kv::fs::status(dir_.file("qrtlnk.rcv")).mode & 0777);
  }

  kvtest::TempDir dir_;
};

TEST_F(LocalModes, RetrieveBytesForAMidPattern) {
  kovendi({"/FT", "/R", "/MID=edi*", "/FIL=edi.txt"});
  EXPECT_EQ(read("edi.txt"), "UNB+17'UNZ+1+17'UNB+18'UNZ+1+18'UNB+19'UNZ+1+19'");
  EXPECT_EQ(read("qrtlnk.rcv"), kText + "\n");
  EXPECT_FALSE(exists("QXBRTMZB.001"));
  EXPECT_FALSE(exists("QXCRTMZB.001"));
  EXPECT_FALSE(exists("QXCRTMZB.002"));
  EXPECT_TRUE(exists("QXDRTMZB.001"));

  // Nothing left to select: no output file stays behind.
  kovendi({"/FT", "/R", "/MID=EDI*", "/FIL=again.txt"});
  EXPECT_FALSE(exists("again.txt"));
}

TEST_F(LocalModes, RetrieveTexts) {
  write("$qrt400.prm", "TXT_REGELS=60\n");
  kovendi({"/FT", "/RT", "/FIL=teksten.txt"});
  EXPECT_EQ(read("teksten.txt"),
            "***************************** Berichtgegevens *********************************\n"
            "Opgehaald      : 14-03-2024  10:17\n"
            "Afkomstig van  : Organisatie Transport Oost\n"
            "                 SUR-name    Bakker\n"
            "\n"
            "Berichtkenmerk : MEMTXT000019\n"
            "Onderwerp      : Levering\n"
            "In antwoord op : EDIORD000011\n"
            "*******************************************************************************\n"
            "\n"
            "\n"
            "Beste klant,\n"
            "De levering volgt.\n");
  EXPECT_EQ(read("qrtlnk.rcv"), kEdi1 + "\n" + kEdi2 + "\n");
  EXPECT_FALSE(exists("QXDRTMZB.001"));
}

TEST_F(LocalModes, UpdateFromTheApplicationFile) {
  const std::string application = "eerste regel\n" + kEdi2 + "\n" + kEdi2 + "\nlaatste\n";
  write("app.txt", application);
  kovendi({"/FT", "/U=app.txt"});
  EXPECT_EQ(read("qrtlnk.rcv"), kEdi1 + "\n" + kText + "\n");
  EXPECT_EQ(read("app.txt"),
            "eerste regel\n" + std::string(kEdi2.size(), 'X') + "\n" + kEdi2 + "\nlaatste\n");
  EXPECT_FALSE(exists("QXCRTMZB.001"));
  EXPECT_FALSE(exists("QXCRTMZB.002"));
  EXPECT_TRUE(exists("QXBRTMZB.001"));
}

TEST_F(LocalModes, InvalidSelectionFileKeepsTheStore) {
  write("sel.txt", "SUR=Jan*\nor\n");
  kvtest::RunResult r = kvtest::run(kvtest::program("kovendi"),
                                    {"/FT", "/R", "/SEL=sel.txt", "/FIL=out.txt"}, dir_.path());
  EXPECT_EQ(0, r.exit_code);
  EXPECT_EQ(read("qrtlnk.err").substr(0, 4), "0049");
  EXPECT_EQ(read("qrtlnk.rcv"), kEdi1 + "\n" + kEdi2 + "\n" + kText + "\n");
  EXPECT_TRUE(exists("QXBRTMZB.001"));
  EXPECT_FALSE(exists("out.txt"));
}

}  // namespace
