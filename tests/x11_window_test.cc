// The programs' windows on a real X server (Xvfb). Skipped when Xvfb or the X tools are missing
// or the programs were built without the X11 back end. Screenshots of each run are kept in
// <build>/screenshots for a person to look at.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "tests/blackbox.h"
#include "tests/e2e_support.h"

namespace {

using kvtest::Background;
using kvtest::RunOptions;
using kvtest::TempDir;

bool have(const char* tool) {
  return !kvtest::shell_output(std::string("command -v ") + tool + " 2>/dev/null").empty();
}

std::string screenshot_dir() {
  std::string dir = kvtest::bin_dir() + "/../screenshots";
  std::filesystem::create_directories(dir);
  return dir;
}

class XServer {
 public:
  // Xvfb chooses a free display itself and writes its number once it accepts connections, so
  // tests that run side by side never share a server and none starts before its server is up.
  XServer() : number_file_(std::filesystem::temp_directory_path() /
                           ("kv-xvfb-" + std::to_string(getpid()))) {
    std::filesystem::remove(number_file_);
    server_ = std::make_unique<Background>(
        "/bin/sh",
        std::vector<std::string>{"-c", "exec /usr/bin/Xvfb -displayfd 3 -screen 0 1024x768x24 "
                                       "-nolisten tcp 3>'" + number_file_.string() + "'"},
        "/");
    for (int i = 0; i < 200 && display_.empty() && server_->running(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      std::string number = kvtest::read_file(number_file_.string());
      if (!number.empty() && number.back() == '\n') {
        display_ = ":" + number.substr(0, number.size() - 1);
      }
    }
    std::filesystem::remove(number_file_);
    ready_ = !display_.empty();
  }
  ~XServer() { stop(); }
  // Ends the X server (as when a desktop session ends); true when it is gone.
  bool stop() {
    if (!server_) return true;
    server_->signal(SIGTERM);
    kvtest::RunResult r = server_->wait();
    server_.reset();
    return r.signal != 0 || r.exit_code >= 0;
  }
  bool ready() const { return ready_; }
  const std::string& display() const { return display_; }

  std::string x(const std::string& command) const {
    return kvtest::shell_output("DISPLAY=" + display_ + " " + command + " 2>/dev/null");
  }
  // Window id of the top-level window with this exact title, or "" after a few seconds.
  std::string find_window(const std::string& title) const {
    for (int i = 0; i < 100; ++i) {
      std::string id = x("xdotool search --name '^" + title + "$' | head -n 1");
      while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) id.pop_back();
      if (!id.empty()) return id;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return "";
  }
  std::string geometry(const std::string& id) const {
    std::string info = x("xwininfo -id " + id);
    auto w = info.find("Width: ");
    auto h = info.find("Height: ");
    if (w == std::string::npos || h == std::string::npos) return "";
    return std::to_string(std::stoi(info.substr(w + 7))) + "x" +
           std::to_string(std::stoi(info.substr(h + 8)));
  }
  void screenshot(const std::string& name) const {
    std::string base = screenshot_dir() + "/" + name;
    x("xwd -root -silent -out " + base + ".xwd");
    if (have("convert")) {
      kvtest::shell_output("convert " + base + ".xwd " + base + ".png 2>/dev/null && rm -f " + base + ".xwd");
    }
  }

 private:
  std::filesystem::path number_file_;
  std::string display_;
  std::unique_ptr<Background> server_;
  bool ready_ = false;
};

class X11Windows : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists("/usr/bin/Xvfb") || !have("xdotool") || !have("xwininfo") ||
        !have("xwd"))
      GTEST_SKIP() << "Xvfb, xdotool, xwininfo or xwd is not installed";
    server_ = std::make_unique<XServer>();
    if (!server_->ready()) GTEST_SKIP() << "Xvfb did not start";
  }
  RunOptions with_display() const {
    RunOptions o;
    o.env["DISPLAY"] = server_->display();
    return o;
  }
  std::unique_ptr<XServer> server_;
};

TEST_F(X11Windows, DialerWindowShowsTheEntryAndAnnulerenCancels) {
  TempDir dir;
  kvtest::write_file(dir.file("phonebook.txt"),
                     "[Never Answers]\npassword = secret\nevents = 0 2\ndelay = 50\n");
  RunOptions options = with_display();
  options.env["KOVEDIAL_PHONEBOOK"] = dir.file("phonebook.txt");
  options.timeout_seconds = 30;
  Background dialer(kvtest::program("kovedial"), {"DIAL", "Never Answers"}, dir.path(), options);
  std::string id = server_->find_window("Never Answers");
  if (id.empty()) GTEST_SKIP() << "kovedial shows no X11 window (built without the X11 back end)";
  EXPECT_EQ(server_->geometry(id), "322x123");
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // the dial has begun
  server_->screenshot("kovedial-dialling");
  // Click the middle of "Annuleren" (124,84 size 75x25).
  server_->x("xdotool mousemove --window " + id + " 161 96 click 1");
  auto r = dialer.wait();
  EXPECT_EQ(r.exit_code, 0);
  auto lines = kvtest::read_lines(dir.file("kovedial.txt"));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "4005");
}

TEST_F(X11Windows, KovendiWindowShowsTheRunAndEscapeStopsIt) {
  e2e::World world;
  e2e::Party& bob = world.bob();
  ASSERT_NO_FATAL_FAILURE(world.letter_for_bob());

  world.store({"fault", world.store_dir(), "API_getMsg", "delay", "300"});
  bob.request("*001ONTVANG\n");
  auto run = bob.start_kovendi({"/FT"}, with_display());
  std::string id = server_->find_window("KOVENDI");
  if (id.empty()) GTEST_SKIP() << "kovendi shows no X11 window (built without the X11 back end)";
  // 187 by 95 dialog units of an 8-point font.
  EXPECT_EQ(server_->geometry(id), "280x154");
  ASSERT_TRUE(e2e::waits_in_store(bob, *run, "API_getMsg"));
  server_->screenshot("kovendi-receiving");
  server_->x("xdotool key --window " + id + " Escape");
  kvtest::RunResult r = run->wait();
  EXPECT_EQ(0, r.exit_code);
  std::vector<std::string> status = bob.status();
  ASSERT_EQ(2u, status.size()) << bob.describe();
  EXPECT_EQ("1516", e2e::field(status[1], status::kResult));
  EXPECT_FALSE(bob.exists("qrtlnk.bsy"));
}

// The X server goes away while a run waits on the store: the run goes on without a window and
// ends normally, with its message received and no busy file left.
TEST_F(X11Windows, LosingTheDisplayLetsTheRunEndNormally) {
  e2e::World world;
  e2e::Party& bob = world.bob();
  ASSERT_NO_FATAL_FAILURE(world.letter_for_bob());

  world.store({"fault", world.store_dir(), "API_getMsg", "delay", "4"});
  bob.request("*001ONTVANG\n*002LIJST\n");
  auto run = bob.start_kovendi({"/FT"}, with_display());
  std::string id = server_->find_window("KOVENDI");
  if (id.empty()) GTEST_SKIP() << "kovendi shows no X11 window (built without the X11 back end)";
  ASSERT_TRUE(e2e::waits_in_store(bob, *run, "API_getMsg"));
  ASSERT_TRUE(run->running()) << "the run ended before the fetch waited" << bob.describe();
  ASSERT_TRUE(server_->stop()) << "the X server did not end";
  kvtest::RunResult r = run->wait();
  EXPECT_EQ(0, r.signal);
  EXPECT_EQ(0, r.exit_code) << r.err;
  EXPECT_FALSE(bob.exists("qrtlnk.bsy"));
  EXPECT_FALSE(bob.exists("qrtlnk.err")) << bob.describe();
  std::vector<std::string> status = bob.status();
  ASSERT_EQ(3u, status.size()) << bob.describe();
  EXPECT_EQ("0000", e2e::field(status[1], status::kResult));
  EXPECT_EQ("*002LIJST", e2e::field(status[2], status::kTag));
  std::vector<std::string> rcv = bob.rcv();
  ASSERT_EQ(1u, rcv.size()) << "the received message was folded into the store" << bob.describe();
  EXPECT_EQ("A letter.\n", bob.read(e2e::field(rcv[0], kv::rcv::kFirstFile)));
  EXPECT_TRUE(bob.names_starting("KV").empty()) << bob.describe();
}

TEST_F(X11Windows, DialerWithoutDisplayStaysHeadless) {
  TempDir dir;
  RunOptions options;
  options.env["KOVEDIAL_PHONEBOOK"] = dir.file("none.txt");
  auto r = kvtest::run(kvtest::program("kovedial"), {"HANGUP"}, dir.path(), options);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(kvtest::read_lines(dir.file("kovedial.txt")).at(0), "AAAA");
}

}  // namespace
