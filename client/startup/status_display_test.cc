// Tests of the status texts in the window, the escape check and the busy indicator.
#include "client/startup/status_display.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/common/home.h"
#include "client/common/journal.h"
#include "client/common/run_state.h"
#include "client/engine/engine_control.h"
#include "client/startup/kovendi_window.h"
#include "platform/dynlib.h"
#include "platform/testing/fake_clock.h"
#include "platform/testing/fake_window.h"
#include "platform/testing/temp_dir.h"

namespace kv {
namespace {

class StatusDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_run_state();
    engine_control() = EngineControl{};
    journal_settings() = JournalSettings{};
    journal_settings().enabled = true;
    engine_home().set(dir_.path());
    set_status_window(&window_);
    reset_status_display();
  }
  void TearDown() override {
    set_status_window(nullptr);
    journal_settings() = JournalSettings{};
  }
  std::string journal() { return dir_.read("qrt400.log"); }

  kv::testing::TempDir dir_;
  WindowHandler handler_;
  kv::testing::FakeStatusWindow window_{handler_};
};

TEST(TitlePercentage, DigitsBeforeThePercentSign) {
  EXPECT_EQ(45, title_percentage("Verzonden 45 %"));
  EXPECT_EQ(0, title_percentage("Verzonden 100 %"));
  EXPECT_EQ(0, title_percentage("Verzonden 0 %"));
  EXPECT_EQ(99, title_percentage("99 %"));
  EXPECT_EQ(7, title_percentage("x 7 %"));
  EXPECT_EQ(45, title_percentage("45%"));
  EXPECT_EQ(0, title_percentage("5%"));            // the digit right before "%" is not looked at
  EXPECT_EQ(12, title_percentage("12x %  50 %"));  // only the first "%"
  EXPECT_EQ(0, title_percentage("no percent"));
  EXPECT_EQ(0, title_percentage("%"));
  EXPECT_EQ(0, title_percentage("99999999999999999999 %"));
}

TEST_F(StatusDisplayTest, StatusLineAndMinimisedTitle) {
  EXPECT_EQ(0, API_displayComInfo("Verbinding opzetten"));
  EXPECT_EQ("Verbinding opzetten", window_.item_text(kStatusLineItem));
  EXPECT_TRUE(window_.titles().empty());
  window_.set_minimised(true);
  API_displayComInfo("Verzonden 45 %");
  EXPECT_EQ("KOVENDI [%45]", window_.title());
  API_displayComInfo("Verzonden 100 %");
  EXPECT_EQ("KOVENDI [%45]", window_.title());  // unchanged
  window_.set_minimised(false);
  API_displayComInfo("klaar");
  EXPECT_EQ("KOVENDI", window_.title());
  API_displayComInfo("nog eens");
  EXPECT_EQ(2u, window_.titles().size());  // the title is put back only once
  EXPECT_EQ(0, API_displayComInfo(nullptr));
  EXPECT_EQ("", window_.item_text(kStatusLineItem));
}

TEST_F(StatusDisplayTest, NoIndicatorLeavesTheWindowAlone) {
  run_state().display.no_ind = 1;
  window_.set_minimised(true);
  API_displayComInfo("Verzonden 45 %");
  EXPECT_TRUE(window_.texts(kStatusLineItem).empty());
  EXPECT_TRUE(window_.titles().empty());
  API_displayComInfo("Verbinding opzetten");
  EXPECT_TRUE(window_.texts(kStatusLineItem).empty());
  EXPECT_NE(std::string::npos, journal().find("Verbinding opzetten"));  // still journalled
  set_status_window(nullptr);
  EXPECT_EQ(0, API_displayComInfo("no window"));
  EXPECT_NE(std::string::npos, journal().find("no window"));
}

TEST_F(StatusDisplayTest, JournalRule) {
  API_displayComInfo("plain text");
  API_displayComInfo("Verzonden 45 %");
  API_displayComInfo("Bijwerken lokale bestanden [|---]");
  std::string normal = journal();
  EXPECT_NE(std::string::npos, normal.find("plain text"));
  EXPECT_EQ(std::string::npos, normal.find("45 %"));
  EXPECT_EQ(std::string::npos, normal.find("Bijwerken"));
  journal_settings().maximal = true;
  API_displayComInfo("Verzonden 46 %");
  API_displayComInfo("Bijwerken lokale bestanden [-|--]");
  EXPECT_NE(std::string::npos, journal().find("Verzonden 46 %"));
  EXPECT_EQ(std::string::npos, journal().find("Bijwerken"));
  run_state().display.ind_txt = "";  // an empty indicator text marks no status text
  API_displayComInfo("Bijwerken anders");
  EXPECT_NE(std::string::npos, journal().find("Bijwerken anders"));
}

TEST_F(StatusDisplayTest, EscapeCheck) {
  EXPECT_EQ(1, API_checkEscape());
  set_escape();
  EngineControl& engine = engine_control();
  engine.user_stop = 1;
  engine.command_kind = kWachtwoord;
  EXPECT_EQ(1, API_checkEscape());
  EXPECT_EQ(0, engine.user_stop);
  engine.command_kind = kZend;
  engine.session_phase = kPhaseCompletingSent;
  EXPECT_EQ(1, API_checkEscape());
  engine.command_kind = kOntvang;
  engine.session_phase = kPhaseDeleting;
  EXPECT_EQ(1, API_checkEscape());
  engine.command_kind = kRapport;
  EXPECT_EQ(1, API_checkEscape());
  EXPECT_EQ(std::string::npos, journal().find("ESCAPE"));
  engine.command_kind = kLijst;
  EXPECT_EQ(2, API_checkEscape());
  EXPECT_EQ(1, engine.user_stop);
  EXPECT_NE(std::string::npos, journal().find("Gebruiker heeft op de 'ESCAPE' toets gedrukt"));
  engine.command_kind = kZend;
  engine.session_phase = kPhaseFetching;
  EXPECT_EQ(2, API_checkEscape());
}

TEST_F(StatusDisplayTest, BusyIndicator) {
  kv::testing::FakeClock clock;
  clock.set_ticks(10000);
  std::vector<std::string> shown;
  for (int i = 0; i < 9; ++i) {
    show_busy_indicator();
    show_busy_indicator();  // within 500 ms: nothing
    clock.advance(499);
    show_busy_indicator();
    clock.advance(1);
  }
  const std::vector<std::string>& texts = window_.texts(kStatusLineItem);
  ASSERT_EQ(9u, texts.size());
  const char* expected[] = {"|---", "-|--", "--|-", "---|", "--|-", "-|--", "|---", "-|--", "--|-"};
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(std::string("Bijwerken lokale bestanden [") + expected[i] + "]", texts[i]);
  }
  EXPECT_EQ(9, window_.pump_count());
  clock.set_ticks(5);  // the tick count wrapped: the unsigned difference is large
  show_busy_indicator();
  EXPECT_EQ(10u, window_.texts(kStatusLineItem).size());
}

TEST_F(StatusDisplayTest, EscapeArrivesWhileThePumpRuns) {
  kv::testing::FakeClock clock;
  KovendiWindowHandler handler("", "");
  kv::testing::FakeStatusWindow window(handler);
  handler.attach(&window);
  set_status_window(&window);
  window.queue_char(27);
  show_busy_indicator();
  EXPECT_TRUE(run_state().escape);
  window.queue_close();
  clock.advance(500);
  show_busy_indicator();
  EXPECT_TRUE(window.destroyed());
  EXPECT_TRUE(window.quit_posted());
  EXPECT_EQ(nullptr, status_window());
  clock.advance(500);
  show_busy_indicator();  // the run goes on without a window
}

TEST(StatusCallbacks, ExportedByNameAndInstalled) {
  void* self = dynlib::self();
  EXPECT_EQ(reinterpret_cast<void*>(&API_displayComInfo),
            dynlib::symbol(self, "API_displayComInfo"));
  EXPECT_EQ(reinterpret_cast<void*>(&API_checkEscape), dynlib::symbol(self, "API_checkEscape"));
  install_status_callbacks();
  EXPECT_EQ(&API_displayComInfo, status_callbacks().display_com_info);
  EXPECT_EQ(&API_checkEscape, status_callbacks().check_escape);
  EXPECT_NE(nullptr, status_callbacks().busy_indicator);
  EXPECT_NE(nullptr, status_callbacks().pump_messages);
  status_callbacks() = StatusCallbacks{};
}

}  // namespace
}  // namespace kv
