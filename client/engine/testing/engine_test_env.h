// Test environment for engine sessions: a fresh engine directory, a fixed local time, the scripted
// messaging fake, and helpers that write a command file, run a session in that directory and
// read back the status file and the journal.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "client/common/home.h"
#include "client/common/journal.h"
#include "client/common/run_state.h"
#include "client/common/status_callbacks.h"
#include "client/engine/engine_context.h"
#include "client/engine/session_runner.h"
#include "client/engine/testing/fake_api.h"
#include "platform/testing/fake_clock.h"
#include "platform/testing/temp_dir.h"

namespace kv::engine::testing {

// Time stamp of every status line written under EngineTest's clock.
inline constexpr const char* kTestStamp = "202612091030";

// The CONNECT block that every session test starts with (no dial-up).
inline std::string connect_block(const std::string& extra = "") {
  return "*000CONNECT\nPOS=KOVUSER\nPIN=GEHEIM\nSRV=mail.example.nl\nPNB=3000\n" + extra;
}

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_.set_local_time(2026, 12, 9, 10, 30, 15);
    fake_api().reset();
    reset_run_state();
    run_state().start_dir = dir_.path();
    run_state().home_dir = dir_.path();
    run_state().program_dir = dir_.path();
    status_callbacks() = StatusCallbacks{};
    journal_settings() = JournalSettings{};
    engine_control() = EngineControl{};
    ctx_.session.engine_dir = dir_.path();
    engine_home().set(dir_.path());
  }
  void TearDown() override {
    EXPECT_TRUE(fake_api().unexpected().empty())
        << "unexpected call: " << fake_api().unexpected().front();
  }

  // Writes the command file and runs a session on it in the test directory.
  int run(const std::string& commands, const std::string& command_file = "qrtlnk.scr",
          const std::string& status_file = "qrtlnk.sts") {
    dir_.write(command_file, commands);
    last_run_.emplace(engine_home(), engine_control(), run_state());
    return run_session(*last_run_, nullptr, command_file, status_file, dir_.path());
  }
  // The arguments of the `n`th call of `op` in this test (counting from 0); null when none.
  const FakeCallArgs* call_of(const std::string& op, std::size_t n = 0) const {
    std::size_t seen = 0;
    for (const FakeCallArgs& a : fake_api().history()) {
      if (a.op == op && seen++ == n) return &a;
    }
    return nullptr;
  }
  // A successful open followed (at the end of the session) by the close.
  FakeStep& expect_open() { return fake_api().expect("API_open"); }
  FakeStep& expect_close() { return fake_api().expect("API_close"); }

  std::vector<std::string> status_lines() const { return dir_.lines("qrtlnk.sts"); }
  std::vector<std::string> journal() const { return dir_.lines("qrt400.log"); }
  // Journal lines without their time prefix ("  |hh:mm:ss|").
  std::vector<std::string> journal_texts() const {
    std::vector<std::string> texts;
    for (const std::string& line : journal()) {
      texts.push_back(line.size() >= 12 && line[2] == '|' ? line.substr(12) : line);
    }
    return texts;
  }
  bool journal_has(const std::string& marker, const std::string& text) const {
    for (const std::string& line : journal()) {
      if (line.size() >= 12 && line.compare(0, 3, marker) == 0 && line.substr(12) == text) {
        return true;
      }
    }
    return false;
  }
  // "<id>|<stamp>|<code>" as a status line without further fields.
  static std::string line_of(const std::string& id, const std::string& code) {
    return id + "|" + kTestStamp + "|" + code;
  }

  kv::testing::TempDir dir_;
  kv::testing::FakeClock clock_;
  // The context of the steps that a test runs one by one.
  EngineContext ctx_{engine_home(), engine_control(), run_state()};
  // The context of the last session that run() ran (a fresh one for each).
  std::optional<EngineContext> last_run_;
};

}  // namespace kv::engine::testing
