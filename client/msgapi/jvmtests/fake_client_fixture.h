// Test support for the tests through a real machine against the fake client library: one
// program directory per process (the machine's class path points into it), a fresh engine home
// per test, one open session per process, and access to what the fake client recorded.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/msgapi/api.h"
#include "platform/testing/temp_dir.h"

namespace kv::testing {

// A program directory with jre linked to the JDK and lib/kovendi.jar linked to `jar`.
void make_program_dir(const TempDir& dir, const std::string& jar);

class FakeClientTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // What the fake client recorded since the last call (its calls, its log).
  static std::string client_calls();
  static std::string client_log();
  static void set_open_scenario(const std::string& scenario);
  // Calls the host's escape check the way the client does.
  static int poll_escape();

  std::vector<std::string> debug_lines() const { return home_.lines("debug.log"); }
  std::string debug_text() const { return home_.read("debug.log"); }
  void clear_debug_log() const { home_.write("debug.log", ""); }
  static const std::string& program_dir();
  static OpenSession open_record();

  TempDir home_;
  static ApiId handle_;

 private:
  std::string saved_home_;
};

}  // namespace kv::testing
