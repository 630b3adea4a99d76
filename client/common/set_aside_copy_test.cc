#include "client/common/set_aside_copy.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "client/common/abort.h"
#include "client/common/day_number.h"
#include "client/common/home.h"
#include "platform/clock.h"

namespace kv {
namespace {

class FixedClock : public Clock {
 public:
  LocalTime now;
  std::uint32_t ticks_ms() override { return 0; }
  LocalTime local_time() override { return now; }
  std::int64_t epoch_seconds() override { return 0; }
  void sleep_ms(unsigned) override {}
};

class SetAsideTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/kv_setaside_XXXXXX";
    dir_ = mkdtemp(templ);
    app_home().set(dir_);
    clock_.now = {2024, 3, 7, 10, 30, 0};
    set_clock(&clock_);
    set_abort_cleanup(nullptr);
  }
  void TearDown() override {
    set_clock(nullptr);
    std::filesystem::remove_all(dir_);
  }
  void write(const std::string& name, const std::string& text) {
    std::ofstream(dir_ + "/" + name, std::ios::binary) << text;
  }
  std::string read(const std::string& name) {
    std::ifstream in(dir_ + "/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  bool exists(const std::string& name) { return std::filesystem::exists(dir_ + "/" + name); }

  std::string dir_;
  FixedClock clock_;
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
