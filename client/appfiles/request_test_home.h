// Test support for the request translation and the send queue: a fresh application home
// directory per test, a settable clock, and small file helpers.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "client/appfiles/message_id.h"
#include "client/common/abort.h"
#include "client/common/home.h"
#include "client/common/run_state.h"
#include "platform/clock.h"

namespace kv::testing_support {

class SettableClock : public Clock {
 public:
  LocalTime now{2024, 3, 7, 10, 30, 15};
  std::uint32_t ticks_ms() override { return 0; }
  LocalTime local_time() override { return now; }
  std::int64_t epoch_seconds() override { return 0; }
  void sleep_ms(unsigned) override {}
};

class RequestHome : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/kv_request_XXXXXX";
    dir_ = mkdtemp(templ);
    reset_run_state();
    run_state().home_dir = dir_;
    app_home().set(dir_);
    set_clock(&clock_);
    set_abort_cleanup(nullptr);
    reset_message_id_generator();
  }
  void TearDown() override {
    set_clock(nullptr);
    std::filesystem::remove_all(dir_);
  }

  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  void write(const std::string& name, const std::string& text) const {
    std::ofstream(path(name), std::ios::binary) << text;
  }
  std::string read(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::vector<std::string> lines(const std::string& name) const {
    std::vector<std::string> out;
    std::istringstream in(read(name));
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      out.push_back(line);
    }
    return out;
  }
  bool exists(const std::string& name) const { return std::filesystem::exists(path(name)); }
  // Names in the home directory that match a prefix and an extension.
  std::vector<std::string> files_like(const std::string& prefix, const std::string& ext) const {
    std::vector<std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
      std::string name = entry.path().filename().string();
      if (name.rfind(prefix, 0) == 0 && name.size() >= ext.size() &&
          name.compare(name.size() - ext.size(), ext.size(), ext) == 0) {
        out.push_back(name);
      }
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  static std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += l + "\n";
    return out;
  }

  std::string dir_;
  SettableClock clock_;
};

}  // namespace kv::testing_support
