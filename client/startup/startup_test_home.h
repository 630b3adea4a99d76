// Test support for the command line and the start-up checks: a fresh home directory per test,
// with the clean-ups that aborts run counted.
#pragma once

#include <gtest/gtest.h>

#include "client/common/abort.h"
#include "client/common/home.h"
#include "client/common/run_state.h"
#include "platform/testing/temp_dir.h"

namespace kv::testing {

class StartupHomeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_run_state();
    app_home().set(dir_.path());
    set_abort_cleanup([this] { ++cleanups_; });
  }
  void TearDown() override { set_abort_cleanup(nullptr); }

  TempDir dir_;
  int cleanups_ = 0;
};

}  // namespace kv::testing
