// The status window on Windows, as the business application and its user meet it: a window of
// class "KOVENDI" that FindWindow finds, centred, with its status line; Escape and the close box
// stop the run at the next question the client asks (here the fake runtime's client, which
// waits in API_open asking checkEscape); while the window exists a second start is refused.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/blackbox.h"
#include "tests/e2e_support.h"
#include "tests/windows/windows_support.h"

namespace {

constexpr int kStatusLine = 1003;

class StatusWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    windows::make_program_directory(program_dir_.path(), "jre/bin/client/jvm.dll");
    options_.env["KOVENDI_FAKE_JVM"] = "escape";
    options_.env["KOVENDI_FAKE_JVM_LOG"] = home_.file("jvm.log");
    home_.write("qrtlnk.gns", "POS=alice\nPIN=secret1\nSRV=file:store\nPNB=1\n");
    home_.write("qrtlnk.scr", "*001LIJST\nFIL=lijst.txt\n");
  }

  std::string program() const { return program_dir_.file("kovendi.exe"); }

  // Waits until the client asks for the session (the run is in API_open).
  bool waiting_in_open(kvtest::Background& run) {
    for (int i = 0; i < 600 && run.running(); ++i) {
      if (home_.read("jvm.log").find("call API_open") != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  // A run stopped by the user: the open fails with "stopped by the user" (1516) and the run
  // ends normally, its busy file gone and the request kept as qrt_lnk.old.
  void expect_stopped_run(kvtest::Background& run) {
    auto pressed = std::chrono::steady_clock::now();
    kvtest::RunResult result = run.wait();
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - pressed).count();
    EXPECT_LT(seconds, 20.0) << "the run did not stop";
    EXPECT_EQ(0, result.exit_code);
    EXPECT_NE(std::string::npos, home_.read("jvm.log").find("checkEscape 2")) << home_.read("jvm.log");
    EXPECT_FALSE(home_.exists("qrtlnk.bsy"));
    std::vector<std::string> status = home_.lines("qrtlnk.sts");
    ASSERT_FALSE(status.empty());
    EXPECT_EQ("*000CONNECT", e2e::field(status[0], status::kTag));
    EXPECT_EQ("1516", e2e::field(status[0], status::kResult)) << status[0];
    EXPECT_NE(std::string::npos,
              home_.read("qrt400.log").find("Gebruiker heeft op de 'ESCAPE' toets gedrukt"));
    EXPECT_TRUE(home_.exists("qrt_lnk.old"));
  }

  kvtest::TempDir program_dir_;
  kvtest::TempDir home_;
  kvtest::RunOptions options_;
};

TEST_F(StatusWindow, FoundByItsClassAndEscapeStopsTheRun) {
  kvtest::Background run(program(), {"/FT"}, home_.path(), options_);
  void* window = windows::find_window("KOVENDI", 0, 30000);
  ASSERT_NE(nullptr, window) << "no window of class KOVENDI";
  // Found as soon as it exists; it is centred before it is shown.
  ASSERT_TRUE(windows::wait_until_shown(window, 30000));
  EXPECT_EQ("KOVENDI", windows::caption(window));
  // 187 by 95 dialog units of "MS Sans Serif" 8 points: wider than high, of a plausible size.
  EXPECT_GT(windows::client_width(window), 187);
  EXPECT_LT(windows::client_width(window), 187 * 3);
  EXPECT_GT(windows::client_width(window), windows::client_height(window));
  EXPECT_LE(windows::distance_from_screen_centre(window), 2);
  ASSERT_TRUE(waiting_in_open(run)) << home_.read("jvm.log");
  EXPECT_NE("...", windows::item_text(window, kStatusLine));

  // While this run's window exists, a start elsewhere is refused with error 5 in its own home.
  kvtest::TempDir other;
  other.write("qrtlnk.scr", "*001LIJST\n");
  kvtest::RunResult refused = kvtest::run(program(), {"/FT"}, other.path(), options_);
  EXPECT_EQ(0, refused.exit_code);
  EXPECT_LT(refused.seconds, 15.0);
  EXPECT_EQ(0u, other.read("qrtlnk.err").find("0005 *** KOVENDI FOUT; KOVENDI.EXE is reeds gestart"));
  EXPECT_EQ((std::vector<std::string>{"qrtlnk.err", "qrtlnk.scr"}), kvtest::list_dir(other.path()));
  ASSERT_TRUE(run.running()) << "the first run was disturbed";

  ASSERT_TRUE(windows::press_escape(run.pid()));
  expect_stopped_run(run);
  EXPECT_EQ(nullptr, windows::find_window("KOVENDI", run.pid(), 0));
}

TEST_F(StatusWindow, TheCloseBoxStopsTheRunAsWell) {
  kvtest::Background run(program(), {"/FT"}, home_.path(), options_);
  ASSERT_NE(nullptr, windows::find_window("KOVENDI", run.pid(), 30000));
  ASSERT_TRUE(waiting_in_open(run)) << home_.read("jvm.log");
  ASSERT_TRUE(windows::click_close_box(run.pid()));
  expect_stopped_run(run);
}

}  // namespace
