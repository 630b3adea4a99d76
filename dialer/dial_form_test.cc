// Tests of the helper's form.
#include "dialer/dial_form.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "platform/testing/fake_window.h"
#include "platform/testing/temp_dir.h"

namespace kv::dialer {
namespace {

class FakeService : public DialUpService {
 public:
  std::string active_connection() override { return active; }
  bool entry_exists(const std::string& name) override { return passwords.count(name) != 0; }
  bool dial_parameters(const std::string& name, std::string* pw) override {
    if (!passwords.count(name) || unreadable) return false;
    *pw = passwords[name];
    return true;
  }
  unsigned start_dial(const std::string& name, const std::string&) override {
    ++dials;
    if (start_error) return start_error;
    active = name;
    return 0;
  }
  std::vector<DialEvent> poll_events() override {
    auto e = std::move(events);
    events.clear();
    return e;
  }
  unsigned hang_up(const std::string&) override {
    ++hang_ups;
    if (hangup_error) return hangup_error;
    active.clear();
    return 0;
  }
  std::string error_text(unsigned code) override { return code == 691 ? "denied" : ""; }

  std::string active;
  std::map<std::string, std::string> passwords;
  std::vector<DialEvent> events;
  bool unreadable = false;
  unsigned start_error = 0, hangup_error = 0;
  int dials = 0, hang_ups = 0;
};

class DialFormTest : public ::testing::Test {
 protected:
  void SetUp() override { service.passwords["Office Line"] = "secret"; }

  std::string result_on_disk() {
    std::string text = dir.read("kovedial.txt");
    return text.substr(0, text.find('\n'));
  }

  // Starts the form with `args` in a fresh window and fires Timer1.
  std::unique_ptr<DialForm> start(std::vector<std::string> args) {
    ras = std::make_unique<RasDialer>(service);
    result = std::make_unique<ResultFile>(dir.path());
    auto form = std::make_unique<DialForm>(std::move(args), *ras, *result);
    window = std::make_unique<kv::testing::FakeStatusWindow>(*form);
    form->created(*window);
    EXPECT_EQ(result_on_disk(), "AAAA");
    EXPECT_TRUE(window->timer_running(DialForm::kTimer1));
    form->on_timer(DialForm::kTimer1);
    EXPECT_FALSE(window->timer_running(DialForm::kTimer1));
    return form;
  }

  kv::testing::TempDir dir;
  FakeService service;
  std::unique_ptr<kv::testing::FakeStatusWindow> window;
  std::unique_ptr<RasDialer> ras;
  std::unique_ptr<ResultFile> result;
};

TEST_F(DialFormTest, CommandLinesThatAreNotRecognisedDoNothing) {
  for (auto args : std::vector<std::vector<std::string>>{
           {}, {"DIAL"}, {"HANGUP", "extra"}, {"dial", "a", "b"}, {"CONNECT", "x"}}) {
    auto form = start(args);
    EXPECT_EQ(form->mode(), DialForm::kNothing);
    EXPECT_TRUE(window->destroyed());
    EXPECT_TRUE(window->quit_posted());
    EXPECT_EQ(result_on_disk(), "AAAA");
    EXPECT_EQ(service.dials, 0);
  }
}

TEST_F(DialFormTest, DialRefusalsLeaveTheirResultLines) {
  service.active = "Other";
  start({"Dial", "Office Line"});
  EXPECT_EQ(result_on_disk(), "aaaa");
  EXPECT_EQ(window->title(), "Office Line");
  EXPECT_EQ(window->item_text(DialForm::kLabel1), "Opbouwen verbinding...");

  service.active.clear();
  start({"DIAL", "office line"});  // letter case counts
  EXPECT_EQ(result_on_disk(), "4004");

  service.passwords["Office Line"] = "";
  start({"DIAL", "Office Line"});
  EXPECT_EQ(result_on_disk(), "4006");

  service.passwords["Office Line"] = "secret";
  service.unreadable = true;
  start({"DIAL", "Office Line"});
  EXPECT_EQ(result_on_disk(), "4006");
  EXPECT_EQ(service.dials, 0);
}

TEST_F(DialFormTest, SuccessfulDialShowsProgressAndKeepsTheConnection) {
  auto form = start({"DIAL", "Office Line"});
  EXPECT_EQ(service.dials, 1);
  EXPECT_FALSE(window->destroyed());
  service.events = {{kOpenPort, 0}, {kConnectDevice, 0}};
  form->on_timer(DialForm::kProgressTimer);
  EXPECT_EQ(window->item_text(DialForm::kLabel4), "Dialling...");
  service.events = {{kConnected, 0}};
  form->on_timer(DialForm::kProgressTimer);
  EXPECT_EQ(window->item_text(DialForm::kLabel4), "Connected...");
  EXPECT_TRUE(window->destroyed());
  EXPECT_EQ(result_on_disk(), "AAAA");
  EXPECT_EQ(service.active, "Office Line");
  EXPECT_EQ(service.hang_ups, 0);
}

TEST_F(DialFormTest, DialErrorLeavesItsCodeAndHangsUp) {
  auto form = start({"DIAL", "Office Line"});
  service.events = {{kAuthenticate, 691}};
  form->on_timer(DialForm::kProgressTimer);
  EXPECT_EQ(result_on_disk(), "4691");
  EXPECT_EQ(service.hang_ups, 1);
  EXPECT_TRUE(service.active.empty());
  EXPECT_TRUE(window->destroyed());
}

TEST_F(DialFormTest, CancelDuringDialLeaves4005AndNoConnection) {
  auto form = start({"DIAL", "Office Line"});
  form->on_char(27);
  EXPECT_EQ(result_on_disk(), "4005");
  EXPECT_TRUE(service.active.empty());
  EXPECT_TRUE(window->destroyed());
}

TEST_F(DialFormTest, HangUpModes) {
  start({"hangup"});
  EXPECT_EQ(result_on_disk(), "AAAA");
  EXPECT_TRUE(window->destroyed());
  EXPECT_EQ(service.hang_ups, 0);

  service.active = "Office Line";
  start({"HANGUP"});
  EXPECT_EQ(window->title(), "Office Line");
  EXPECT_EQ(window->item_text(DialForm::kLabel1), "Verbreken verbinding...");
  EXPECT_EQ(service.hang_ups, 1);
  EXPECT_EQ(window->item_text(DialForm::kLabel4), "Disconnected...");
  EXPECT_TRUE(window->destroyed());
  EXPECT_EQ(result_on_disk(), "AAAA");
}

// Nobody watches the helper: a failed hang-up or a refused dial leaves its code and the helper
// ends; closing it (SIGTERM) before a dial has its outcome cancels the dial.
TEST_F(DialFormTest, FailuresAndClosingNeverLeaveAAAAOrAnOpenWindow) {
  service.active = "Office Line";
  service.hangup_error = 668;
  start({"HANGUP"});
  EXPECT_EQ(service.hang_ups, 1);
  EXPECT_EQ(result_on_disk(), "4668");
  EXPECT_EQ(window->item_text(DialForm::kLabel4), "Unidentified Error");
  EXPECT_TRUE(window->destroyed());

  service = FakeService();
  service.passwords["Office Line"] = "secret";
  service.start_error = 633;
  start({"DIAL", "Office Line"});
  EXPECT_EQ(result_on_disk(), "4633");
  EXPECT_TRUE(window->destroyed());

  service.start_error = 0;
  auto form = start({"DIAL", "Office Line"});
  ASSERT_EQ(service.active, "Office Line");  // dialling, no outcome yet
  form->on_close();
  EXPECT_EQ(result_on_disk(), "4005");
  EXPECT_TRUE(service.active.empty());
  EXPECT_TRUE(window->destroyed());

  // Closed before the timer started the dial, and closed after it connected.
  ras = std::make_unique<RasDialer>(service);
  DialForm early({"DIAL", "Office Line"}, *ras, *result);
  window = std::make_unique<kv::testing::FakeStatusWindow>(early);
  early.created(*window);
  early.on_close();
  EXPECT_EQ(result_on_disk(), "4005");
  form = start({"DIAL", "Office Line"});
  service.events = {{kConnected, 0}};
  form->on_timer(DialForm::kProgressTimer);
  EXPECT_TRUE(window->destroyed());
  form->on_close();
  EXPECT_EQ(result_on_disk(), "AAAA");
  EXPECT_EQ(service.active, "Office Line");

  // A dial error whose hang-up fails as well ends with the hang-up's code.
  service.active.clear();
  service.hangup_error = 668;
  form = start({"DIAL", "Office Line"});
  service.events = {{kAuthenticate, 691}};
  form->on_timer(DialForm::kProgressTimer);
  EXPECT_EQ(result_on_disk(), "4668");
  EXPECT_TRUE(window->destroyed());
}

TEST(DialResult, ErrorCodesBecomeFourCharacters) {
  EXPECT_EQ(dial_error_result(678), "4678");
  EXPECT_EQ(dial_error_result(691), "4691");
  EXPECT_EQ(dial_error_result(999), "4999");
  EXPECT_EQ(dial_error_result(0), "4000");
  EXPECT_EQ(RasDialer::progress_text(kAuthenticated), "Authentication complete...");
  EXPECT_EQ(RasDialer::progress_text(7), "");
}

}  // namespace
}  // namespace kv::dialer
