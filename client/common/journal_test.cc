// Tests of the engine's journal qrt400.log and the messaging layer's debug.log.
#include "client/common/journal.h"

#include <gtest/gtest.h>

#include "client/common/home.h"
#include "platform/testing/fake_clock.h"
#include "platform/testing/fault_injection.h"
#include "platform/testing/temp_dir.h"

namespace kv {
namespace {

class JournalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine_home().set(dir.path());
    journal_settings() = JournalSettings{};
    journal_settings().enabled = true;
    clock.set_local_time(2003, 2, 3, 14, 3, 9);
  }
  void TearDown() override {
    journal_settings() = JournalSettings{};
    engine_home().set("");
  }
  testing::TempDir dir;
  testing::FakeClock clock;
};

TEST_F(JournalTest, LinesCarryMarkerAndTime) {
  ASSERT_EQ(journal_open("qrt400.log"), 0);
  EXPECT_EQ(journal_write(1, "Verbinding is opgezet"), 0);
  EXPECT_EQ(journal_write(2, "let op"), 0);
  EXPECT_EQ(journal_write(3, ""), 0);
  EXPECT_EQ(journal_write(4, "never"), -1);
  EXPECT_EQ(journal_write(0, "never"), -1);
  EXPECT_EQ(journal_write(1, "100% %s"), 0);  // not a format
  clock.set_local_time(2003, 2, 3, 8, 4, 5);
  EXPECT_EQ(journal_close(), 0);
  EXPECT_EQ(dir.read("qrt400.log"),
            "------------------- Open  journal ------------------- 03/02/03 14:03:09\n"
            "  |14:03:09|Verbinding is opgezet\n"
            "!!|14:03:09|let op\n"
            "**|14:03:09|\n"
            "  |14:03:09|100% %s\n"
            "------------------- Close journal ------------------- 03/02/03 08:04:05\n");
}

TEST_F(JournalTest, DisabledJournalWritesNothingButKeepsTheName) {
  journal_settings().enabled = false;
  EXPECT_EQ(journal_open("other.log"), -1);
  EXPECT_EQ(journal_settings().file_name, "other.log");
  EXPECT_EQ(journal_write(1, "x"), -1);
  EXPECT_FALSE(dir.exists("other.log"));
  EXPECT_FALSE(dir.exists("qrt400.log"));
}

TEST_F(JournalTest, PreviousJournalRemovedUnlessGrowingVq) {
  dir.write("qrt400.log", "old\n");
  dir.write("VQSITE.LOG", "old\n");
  dir.write("vqempty.log", "");
  journal_remove_previous("qrt400.log");
  journal_remove_previous("VQSITE.LOG");
  journal_remove_previous("vqempty.log");
  EXPECT_FALSE(dir.exists("qrt400.log"));
  EXPECT_TRUE(dir.exists("VQSITE.LOG"));
  EXPECT_FALSE(dir.exists("vqempty.log"));

  ASSERT_EQ(journal_open("vqsite.log"), 0);  // found without regard to case, appended to
  EXPECT_EQ(dir.lines("VQSITE.LOG").size(), 2u);
  EXPECT_EQ(dir.lines("VQSITE.LOG")[0], "old");
}

TEST_F(JournalTest, FailedWriteReportsFailure) {
  ASSERT_EQ(journal_open("qrt400.log"), 0);
  testing::FaultInjector faults;
  faults.fail_nth("write", 2);  // the time prefix
  EXPECT_EQ(journal_write(1, "tekst"), -1);
  EXPECT_TRUE(faults.triggered());
  EXPECT_EQ(dir.lines("qrt400.log").back(), "  |");
}

TEST_F(JournalTest, DebugLogAddsLineFeedOnlyWhenMissing) {
  journal_settings().enabled = false;  // debug.log does not depend on the journal
  debug_log("StartJVM: can't load %s", "/opt/jre/lib/server/libjvm.so");
  debug_log("API_getMsg: apiId == null\n");
  debug_log("%d%%\r", 5);
  debug_log(nullptr);
  EXPECT_EQ(dir.read("debug.log"),
            "StartJVM: can't load /opt/jre/lib/server/libjvm.so\n"
            "API_getMsg: apiId == null\n"
            "5%\r");
}

}  // namespace
}  // namespace kv
