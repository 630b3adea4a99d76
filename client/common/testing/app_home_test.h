// A test in a fresh application home directory: the run state and the home name it, an abort runs
// no clean-up, and a fake clock stands where the test puts it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/common/abort.h"
#include "client/common/home.h"
#include "client/common/run_state.h"
#include "platform/fs.h"
#include "platform/testing/fake_clock.h"
#include "platform/testing/temp_dir.h"

namespace kv::testing {

class AppHomeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_run_state();
    run_state().home_dir = dir.path();
    app_home().set(dir.path());
    set_abort_cleanup(nullptr);
  }

  // Names in the home directory that begin with `prefix`, in the order of the listing.
  std::vector<std::string> files_beginning(const std::string& prefix) const {
    std::vector<std::string> names;
    for (const std::string& name : fs::list_directory(dir.path())) {
      if (name.compare(0, prefix.size(), prefix) == 0) names.push_back(name);
    }
    return names;
  }

  TempDir dir;
  FakeClock clock;
};

}  // namespace kv::testing
