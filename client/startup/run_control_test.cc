// Tests of the run and its abort mechanism.
#include "client/startup/run_control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "client/common/abort.h"
#include "client/common/home.h"
#include "client/common/open_files.h"
#include "client/common/run_state.h"
#include "client/startup/busy_file.h"
#include "client/startup/kovendi_window.h"
#include "client/startup/status_display.h"
#include "platform/fs.h"
#include "platform/testing/fake_clock.h"
#include "platform/testing/fake_window.h"
#include "platform/testing/temp_dir.h"

namespace kv {
namespace {

std::filesystem::perms mode_of(const std::string& path) {
  return static_cast<std::filesystem::perms>(fs::status(path).mode & 0777u);
}

class RunControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_run_state();
    reset_busy_file();
    app_home().set(dir_.path());
    set_abort_cleanup(abort_run);
  }
  void TearDown() override {
    set_abort_cleanup(nullptr);
    set_status_window(nullptr);
    close_all_open_files();
  }
  // A run as far as the command line: busy file made and held, run mode 3.
  void accepted_run() {
    busy_check();
    hold_busy_file();
    run_state().run_mode = RunMode::kAccepted;
  }
  std::string error_line() { return dir_.read("qrtlnk.err"); }

  kv::testing::TempDir dir_;
};

TEST_F(RunControlTest, WindowMessages) {
  KovendiWindowHandler handler("qrtlnk.scr", "qrtlnk.sts");
  kv::testing::FakeStatusWindow window(handler);
  window.create();  // the create message comes before the owner knows the window
  EXPECT_FALSE(window.timer_running(kRunTimer));
  handler.attach(&window);
  EXPECT_TRUE(window.centred());
  EXPECT_TRUE(window.timer_running(kRunTimer));
  handler.on_char('x');
  EXPECT_FALSE(run_state().escape);
  handler.on_char(27);
  EXPECT_TRUE(run_state().escape);
  // Run mode 0: the timer message performs no run, but ends the window and the loop.
  EXPECT_EQ(0, window.run_message_loop());
  EXPECT_TRUE(handler.run_performed());
  EXPECT_FALSE(window.timer_running(kRunTimer));
  EXPECT_TRUE(window.destroyed());
  EXPECT_TRUE(window.quit_posted());
  EXPECT_EQ(0, window.quit_value());
}

// A window on a display gets its 200 ms to appear before the run; one without a display has
// nothing to show, and the run begins at once (the fake clock counts the loop's sleeping).
TEST_F(RunControlTest, RunStartsAtOnceWithoutADisplay) {
  kv::testing::FakeClock clock;
  const std::uint32_t start = clock.ticks_ms();
  KovendiWindowHandler headless_handler("", "");
  std::unique_ptr<StatusWindow> headless =
      create_headless_window(kovendi_window_template(), headless_handler);
  EXPECT_FALSE(headless->on_display());
  headless_handler.attach(headless.get());
  EXPECT_EQ(0, headless->run_message_loop());
  EXPECT_TRUE(headless_handler.run_performed());
  EXPECT_EQ(clock.ticks_ms(), start) << "the loop waited before the run";

  KovendiWindowHandler shown_handler("", "");
  kv::testing::FakeStatusWindow shown(shown_handler);
  EXPECT_TRUE(shown.on_display());
  shown.create();
  shown_handler.attach(&shown);
  EXPECT_EQ(shown.timer_period(kRunTimer), kRunTimerPeriodMs);
}

TEST_F(RunControlTest, CloseSetsEscapeAndEndsTheWindow) {
  KovendiWindowHandler handler("", "");
  kv::testing::FakeStatusWindow window(handler);
  handler.attach(&window);
  handler.on_create();
  window.queue_close();
  EXPECT_EQ(0, window.run_message_loop());
  EXPECT_TRUE(run_state().escape);
  EXPECT_FALSE(handler.run_performed());
  EXPECT_TRUE(window.destroyed());
}

TEST_F(RunControlTest, AbortRunBeforeAndAfterTheCommandLine) {
  busy_check();
  hold_busy_file();
  EXPECT_EQ(1, open_file_count());
  dir_.write("qrtlnk.snd", "s\n");
  abort_run();  // run mode 0: the shared files are not touched
  EXPECT_EQ(0, open_file_count());
  EXPECT_FALSE(dir_.exists("qrtlnk.bsy"));
  EXPECT_NE(std::filesystem::perms::none,
            mode_of(dir_.file("qrtlnk.snd")) & std::filesystem::perms::owner_write);
  accepted_run();
  dir_.write("qrtlnk.rcv", "r\n");
  abort_run();
  // Read-only: no write rights left; the read rights they had stay.
  for (const char* name : {"qrtlnk.snd", "qrtlnk.rcv"}) {
    EXPECT_EQ(kv::fs::kept_mode(0444), kv::fs::status(dir_.file(name)).mode & 0777);
  }
}

TEST_F(RunControlTest, NormalRunWithoutUserFile) {
  accepted_run();
  EXPECT_EQ(1, start_run("qrtlnk.scr", "qrtlnk.sts"));
  EXPECT_EQ(0u, error_line().find("0007 *** KOVENDI FOUT; GNS user-bestand is niet aanwezig"));
  EXPECT_FALSE(dir_.exists("qrtlnk.bsy"));
  EXPECT_EQ(0, open_file_count());
  EXPECT_FALSE(run_state().interchange_list.empty());
  EXPECT_FALSE(run_state().engine_started);
}

TEST_F(RunControlTest, NormalRunWithoutRequest) {
  dir_.write("qrtlnk.gns", "USR=x\n");
  dir_.write("qrtlnk.sav", "old\n");
  dir_.make_dir("work");
  run_state().tmp_dir = "WORK/";
  accepted_run();
  EXPECT_EQ(1, start_run("qrtlnk.scr", "qrtlnk.sts"));
  EXPECT_EQ(0u, error_line().find("0008 "));
  EXPECT_EQ(1u, dir_.lines("qrtlnk.err").size());
  EXPECT_FALSE(dir_.exists("qrtlnk.sav"));
  EXPECT_EQ(0u, run_state().interchange_list.find("WORK/KV"));
  EXPECT_FALSE(dir_.exists("qrtlnk.bsy"));
  EXPECT_FALSE(run_state().engine_started);
}

TEST_F(RunControlTest, NoRunBeforeTheCommandLineIsAccepted) {
  EXPECT_EQ(0, start_run("qrtlnk.scr", "qrtlnk.sts"));
  EXPECT_EQ(std::vector<std::string>{}, testing::list_dir(dir_.path()));
}

}  // namespace
}  // namespace kv
