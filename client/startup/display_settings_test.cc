// Tests of display settings.
#include "client/startup/display_settings.h"

#include <gtest/gtest.h>

#include <string>

#include "client/common/home.h"
#include "client/common/run_state.h"
#include "platform/testing/temp_dir.h"

namespace kv {
namespace {

class DisplaySettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_run_state();
    app_home().set(dir_.path());
  }
  const DisplaySettings& read(const std::string& content) {
    dir_.write("$qrt400.prm", content);
    run_state().display.no_ind = 7;  // the defaults are set again before reading
    lees_displayinstellingen();
    return run_state().display;
  }
  kv::testing::TempDir dir_;
};

TEST_F(DisplaySettingsTest, DefaultsWithoutFile) {
  run_state().display.ind_txt = "other";
  lees_displayinstellingen();
  EXPECT_EQ(0, run_state().display.no_ind);
  EXPECT_EQ("Bijwerken lokale bestanden", run_state().display.ind_txt);
  EXPECT_EQ(0, run_state().display.txt_regels);
}

TEST_F(DisplaySettingsTest, KeysAndValues) {
  EXPECT_EQ(1, read("NO_IND=1\n").no_ind);
  EXPECT_EQ(0, read("NO_IND=2\n").no_ind);
  EXPECT_EQ(0, read("NO_IND=-1\n").no_ind);
  EXPECT_EQ(1, read("no_ind=1\n").no_ind);           // the key in lower case
  EXPECT_EQ(0, read("NO_IND =1\n").no_ind);          // a blank makes the key unknown
  EXPECT_EQ(1, read("NO_IND=1xyz\r\n").no_ind);      // leading digits
  EXPECT_EQ(0, read("#NO_IND=1\n").no_ind);
  EXPECT_EQ(1, read("NO_IND=0\nNO_IND=1\n").no_ind); // later lines win
  std::string forty(40, 'i');
  EXPECT_EQ(forty, read("IND_TXT=" + forty + "\n").ind_txt);
  EXPECT_EQ("keep", read("IND_TXT=keep\nIND_TXT=" + forty + "i\n").ind_txt);
  EXPECT_EQ("Bezig  met", read("IND_TXT=Bezig  met   \n").ind_txt);
  EXPECT_EQ(60, read("TXT_REGELS=60\n").txt_regels);
  EXPECT_EQ(-5, read("TXT_REGELS=-5\n").txt_regels);  // taken as written
  EXPECT_EQ(0, read("TXT_REGELS=abc\n").txt_regels);
  EXPECT_EQ(3, read("X_IND=3\nL_IND=x\nTXT_REGELS=3\nF_COL\nCOU=BE\n").txt_regels);
  // The key must end within the first 15 characters.
  EXPECT_EQ(0, read("NO_IND________=1\n").no_ind);
  EXPECT_EQ(1, read("\n   \nNO_IND=1").no_ind);  // the last line without a line end counts
}

TEST_F(DisplaySettingsTest, LongAndBinaryLines) {
  std::string long_line = "#" + std::string(99, 'c');
  EXPECT_EQ(0, read(long_line + "\nNO_IND=1\n").no_ind);  // a first line too long: defaults
  EXPECT_EQ(1, read(std::string(99, '#') + "\nNO_IND=1\n").no_ind);
  // A later line that is too long is left out whole; its tail is no line of its own.
  const DisplaySettings& s =
      read("NO_IND=1\n#" + std::string(98, 'x') + "TXT_REGELS=9\nIND_TXT=after\n");
  EXPECT_EQ(0, s.txt_regels);
  EXPECT_EQ("after", s.ind_txt);
  EXPECT_EQ(1, s.no_ind);
  std::string junk("\x00\xff=\x01\nNO_IND=1\n\x80\x81\x82", 13);
  EXPECT_EQ(1, read(junk).no_ind);
  EXPECT_EQ(0, read(std::string(5000, '\xff')).no_ind);
}

}  // namespace
}  // namespace kv
