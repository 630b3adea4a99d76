// The NetworkManager back end against a scripted nmcli: the commands it gives, and how nmcli's
// answers and failures become phonebook entries, progress events and Remote Access codes.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <set>
#include <thread>

#include "dialer/dialup.h"
#include "platform/testing/fake_runner.h"

namespace kv::dialer {
namespace {

using kv::testing::RunnerCall;
using Args = std::vector<std::string>;

// nmcli with three profiles; `up` and `down` script the outcome of one activation or hang-up.
struct ScriptedNmcli {
  bool running = true;
  std::set<std::string> active;
  std::map<std::string, process::Output> up;
  process::Output down{0, ""};

  process::Output operator()(const RunnerCall& call) {
    const Args& a = call.args;
    if (call.program != "nmcli") return {-1, ""};
    if (!running) return {8, "Error: NetworkManager is not running.\n"};
    if (a[0] == "-t") {
      bool active_only = a.back() == "--active";
      std::string text;
      for (const auto& [name, line] : std::map<std::string, std::string>{
               {"Office Line", "Office Line:gsm"},
               {"Home LAN", "Home LAN:802-3-ethernet"},
               {"Work:VPN", "Work\\:VPN:vpn"}}) {
        if (!active_only || active.count(name)) text += line + "\n";
      }
      return {0, text};
    }
    if (a[0] == "-s") return {0, "geheim\r\n"};
    if (a[0] == "--wait") {
      process::Output out = up.count(a[4]) ? up[a[4]] : process::Output{0, ""};
      if (out.exit_status == 0) active.insert(a[4]);
      return out;
    }
    if (down.exit_status == 0) active.erase(a[2]);
    return down;
  }
};

// The events of one dial, until it connected or failed.
std::vector<DialEvent> dial_events(DialUpService& service) {
  std::vector<DialEvent> all;
  for (int i = 0; i < 500; ++i) {
    for (const DialEvent& e : service.poll_events()) all.push_back(e);
    if (!all.empty() && (all.back().state == kConnected || all.back().error != 0)) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return all;
}

TEST(NetworkManagerService, DialsHangsUpAndMapsNmcliFailures) {
  ScriptedNmcli nmcli;
  kv::testing::FakeRunner runner;
  runner.set_capture_script([&nmcli](const RunnerCall& call) { return nmcli(call); });
  std::unique_ptr<DialUpService> service = create_networkmanager_service();

  EXPECT_TRUE(service->entry_exists("Office Line"));
  EXPECT_TRUE(service->entry_exists("Work:VPN"));        // "\:" in the terse listing
  EXPECT_FALSE(service->entry_exists("Home LAN"));       // not a dial-up kind
  EXPECT_FALSE(service->entry_exists("office line"));    // letter case counts
  std::string password;
  ASSERT_TRUE(service->dial_parameters("Office Line", &password));
  EXPECT_EQ(password, "geheim");
  EXPECT_EQ(runner.calls().back().args,
            (Args{"-s", "-g", "gsm.password", "connection", "show", "Office Line"}));
  EXPECT_EQ(service->active_connection(), "");

  ASSERT_EQ(service->start_dial("Office Line", ""), 0u);
  std::vector<DialEvent> events = dial_events(*service);
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0].state, kOpenPort);
  EXPECT_EQ(events[1].state, kConnectDevice);
  EXPECT_EQ(events[2].state, kAuthenticated);
  EXPECT_EQ(events[3].state, kConnected);
  EXPECT_EQ(events[3].error, 0u);
  EXPECT_EQ(runner.calls().back().args, (Args{"--wait", "90", "connection", "up", "Office Line"}));
  EXPECT_EQ(service->active_connection(), "Office Line");
  EXPECT_EQ(service->hang_up("Office Line"), 0u);
  EXPECT_EQ(runner.calls().back().args, (Args{"connection", "down", "Office Line"}));
  EXPECT_EQ(service->active_connection(), "");

  // A failed activation ends the dial with one error event and the code that fits its message.
  const std::vector<std::tuple<std::string, process::Output, unsigned>> failures{
      {"Office Line", {4, "Error: Connection activation failed: Secrets were required\n"}, 691},
      {"Office Line", {4, "Error: Connection activation failed: modem busy\n"}, 676},
      {"Office Line", {4, "Error: Connection activation failed: (1) unknown\n"}, 628},
      {"Work:VPN", {4, "Error: Connection activation failed: (1) unknown\n"}, 800},
      {"Office Line", {3, "Error: Timeout expired (90 seconds)\n"}, 678},
      {"Office Line", {-1, ""}, 711}};
  for (const auto& [name, outcome, code] : failures) {
    nmcli.up[name] = outcome;
    ASSERT_EQ(service->start_dial(name, ""), 0u) << code;
    events = dial_events(*service);
    ASSERT_EQ(events.size(), 3u) << code;
    EXPECT_EQ(events[2].state, kConnectDevice) << code;
    EXPECT_EQ(events[2].error, code);
    EXPECT_EQ(service->active_connection(), "") << code;
  }
  EXPECT_EQ(service->start_dial("Home LAN", ""), 623u);  // no dial-up entry: nmcli not asked

  nmcli.down = {6, "Error: Device 'ttyUSB0' deactivation failed\n"};
  EXPECT_EQ(service->hang_up("Office Line"), 668u);
  nmcli.down = {10, "Error: 'Office Line' is not an active connection.\n"};
  EXPECT_EQ(service->hang_up("Office Line"), 668u);
  nmcli.down = {8, "Error: NetworkManager is not running.\n"};
  EXPECT_EQ(service->hang_up("Office Line"), 711u);

  // Without NetworkManager there is no phonebook and no password.
  nmcli.running = false;
  EXPECT_FALSE(service->entry_exists("Office Line"));
  EXPECT_FALSE(service->dial_parameters("Office Line", &password));
  EXPECT_EQ(service->start_dial("Office Line", ""), 623u);
}

}  // namespace
}  // namespace kv::dialer
