// Tests of setting a file aside before it is rewritten.
#include "client/common/set_aside_copy.h"

#include <gtest/gtest.h>

#include "client/common/day_number.h"
#include "client/common/testing/app_home_test.h"

namespace kv {
namespace {

class SetAsideTest : public testing::AppHomeTest {
 protected:
  void SetUp() override {
    AppHomeTest::SetUp();
    clock.set_local_time(2024, 3, 7, 10, 30, 0);
  }
  void write(const std::string& name, const std::string& text) { dir.write(name, text); }
  std::string read(const std::string& name) { return dir.read(name); }
  bool exists(const std::string& name) { return dir.exists(name); }
};

TEST_F(SetAsideTest, CopiesToFirstFreeNameAndLeavesTheFile) {
  EXPECT_EQ(set_aside_copy("qrtlnk.snd"), "");  // absent file: nothing to set aside

  write("qrtlnk.snd", std::string("a|b\r\n\0x\xff", 8));
  write("QLX_0703.001", "taken");
  std::string copy = set_aside_copy("QRTLNK.SND");  // found without regard to case
  EXPECT_EQ(copy, "QLX_0703.002");
  EXPECT_EQ(read("qrtlnk.snd"), std::string("a|b\r\n\0x\xff", 8));
  EXPECT_EQ(read(copy), std::string("a|b\r\n\0x\xff", 8));

  write("qrtlnk.snd", "new");
  EXPECT_EQ(restore_set_aside_copy(copy, "qrtlnk.snd"), 0);
  EXPECT_EQ(read("qrtlnk.snd"), std::string("a|b\r\n\0x\xff", 8));
  EXPECT_FALSE(exists(copy));
}

TEST_F(SetAsideTest, CounterNineHundredNinetyNineIsNeverUsed) {
  for (int n = 1; n <= 998; ++n) write(set_aside_name(7, 3, n), "");
  write("qrtlnk.rcv", "keep me");
  EXPECT_THROW(set_aside_copy("qrtlnk.rcv"), RunAborted);
  EXPECT_EQ(read("qrtlnk.rcv"), "keep me");  // the file stays where it was
  EXPECT_FALSE(exists("QLX_0703.999"));
  std::string err = read("qrtlnk.err");
  EXPECT_EQ(err.substr(0, 4), "0030");
}

TEST(DayNumberTest, YearTimesDaysPlusDayOfYear) {
  EXPECT_EQ(day_number("200001010000"), 2000L * 365 + 1);
  EXPECT_EQ(day_number("200003010000"), 2000L * 365 + 31 + 29 + 1);  // 2000 is a leap year
  EXPECT_EQ(day_number("190003010000"), 1900L * 365 + 31 + 28 + 1);  // 1900 is not
  EXPECT_EQ(day_number("202312310000"), 2023L * 365 + 365);
  // Across the turn of a year the number jumps by one day only (no earlier leap days).
  EXPECT_EQ(day_number("202401010000") - day_number("202312310000"), 1);
  EXPECT_EQ(day_number(""), 0);
  EXPECT_EQ(day_number("20xx"), 20L * 365);  // junk never throws
}

TEST_F(SetAsideTest, CurrentStampHasTwelveDigits) {
  EXPECT_EQ(current_time_stamp(), "202403071030");
}

}  // namespace
}  // namespace kv
