// Test support for the request translation and the send queue: a fresh application home
// directory per test at a fixed local time, and small file helpers.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "client/appfiles/entry_points.h"
#include "client/appfiles/message_id.h"
#include "client/common/run_state.h"
#include "client/common/testing/app_home_test.h"

namespace kv::testing_support {

class RequestHome : public kv::testing::AppHomeTest {
 protected:
  void SetUp() override {
    AppHomeTest::SetUp();
    clock.set_local_time(2024, 3, 7, 10, 30, 15);
    reset_message_id_generator();
  }

  std::string path(const std::string& name) const { return dir.file(name); }
  void write(const std::string& name, const std::string& text) const { dir.write(name, text); }
  std::string read(const std::string& name) const { return dir.read(name); }
  std::vector<std::string> lines(const std::string& name) const { return dir.lines(name); }
  bool exists(const std::string& name) const { return dir.exists(name); }
  // Names in the home directory that match a prefix and an extension.
  std::vector<std::string> files_like(const std::string& prefix, const std::string& ext) const {
    std::vector<std::string> out;
    for (const std::string& name : files_beginning(prefix)) {
      if (name.size() >= ext.size() &&
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
  // Writes `request` as the command file, translates it and returns the translated file.
  std::vector<std::string> translate(const std::string& request) {
    write("qrtlnk.scr", request);
    vertaal_opdrachten("qrtlnk.scr");
    return lines("qrtlnk.scr");
  }
};

// A home whose sends may carry EDIFACT files: a user file and an empty interchange list.
class InterchangeHome : public RequestHome {
 protected:
  void SetUp() override {
    RequestHome::SetUp();
    write("qrtlnk.gns", "POS=U\nPIN=P\n");
    write("list.tmp", "");
    run_state().interchange_list = "list.tmp";
  }
};

}  // namespace kv::testing_support
