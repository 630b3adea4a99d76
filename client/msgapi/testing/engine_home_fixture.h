// Test support: a fresh engine home directory (where debug.log is written) and program directory
// for one test, with the previous ones restored afterwards.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/common/home.h"
#include "client/common/run_state.h"
#include "platform/testing/temp_dir.h"

namespace kv::testing {

class EngineHomeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_home_ = kv::engine_home().dir();
    saved_program_dir_ = kv::run_state().program_dir;
    kv::engine_home().set(home_.path());
    kv::run_state().program_dir = program_.path();
  }
  void TearDown() override {
    kv::engine_home().set(saved_home_);
    kv::run_state().program_dir = saved_program_dir_;
  }

  std::vector<std::string> debug_lines() const { return home_.lines("debug.log"); }
  std::string debug_text() const { return home_.read("debug.log"); }
  void clear_debug_log() const { home_.write("debug.log", ""); }

  TempDir home_;
  TempDir program_;

 private:
  std::string saved_home_;
  std::string saved_program_dir_;
};

}  // namespace kv::testing
