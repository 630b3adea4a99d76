// Status texts, the escape check and the busy indicator.
#include "client/startup/status_display.h"

#include <cctype>
#include <cstdint>
#include <cstring>

#include "client/common/journal.h"
#include "client/common/run_state.h"
#include "client/common/text.h"
#include "client/engine/engine_control.h"
#include "platform/clock.h"
#include "platform/window.h"

namespace kv {
namespace {

constexpr std::uint32_t kBusyIntervalMs = 500;
constexpr int kMarkerPositions = 4;

struct DisplayState {
  StatusWindow* window = nullptr;
  bool iconic_title = false;       // a percentage title may be showing
  std::uint32_t last_busy_update = 0;
  int marker = 0;
  int step = -1;
};

DisplayState& display_state() {
  static DisplayState state;
  return state;
}

bool is_digit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// The number that starts at `at`: its leading digits, capped well above 100.
int number_at(const std::string& text, std::size_t at) {
  int value = 0;
  for (std::size_t i = at; i < text.size() && is_digit(text[i]); ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > 1000) return 1000;
  }
  return value;
}

void update_title(StatusWindow& window, const std::string& text) {
  DisplayState& state = display_state();
  if (!window.is_minimised()) {
    if (state.iconic_title) window.set_title(kWindowTitle);
    state.iconic_title = false;
    return;
  }
  state.iconic_title = true;
  int percentage = title_percentage(text);
  if (percentage > 0) window.set_title(format("KOVENDI [%%%d]", percentage));
}

bool is_indicator_text(const std::string& text) {
  const std::string& indicator = run_state().display.ind_txt;
  // An empty indicator text marks nothing: every status text is journalled then.
  return !indicator.empty() && text.compare(0, indicator.size(), indicator) == 0;
}

void journal_status_text(const std::string& text) {
  if (is_indicator_text(text)) return;
  if (journal_settings().maximal || text.find('%') == std::string::npos) journal_write(1, text);
}

bool escape_must_wait() {
  const EngineControl& engine = engine_control();
  switch (engine.command_kind) {
    case kWachtwoord:
      return true;
    case kZend:
      return engine.session_phase == kPhaseCompletingSent;  // resolving recipient aliases
    case kOntvang:
    case kRapport:
      return engine.session_phase == kPhaseDeleting;  // deleting a fetched message
    default:
      return false;
  }
}

void pump_window_messages() {
  if (StatusWindow* window = display_state().window) window->pump_messages();
}

}  // namespace

void set_status_window(StatusWindow* window) { display_state().window = window; }
StatusWindow* status_window() { return display_state().window; }

void set_escape() { run_state().escape = true; }

int title_percentage(const std::string& text) {
  std::string::size_type percent = text.find('%');
  if (percent == std::string::npos) return 0;
  int number = 0;
  for (std::size_t back : {2u, 3u, 4u}) {
    if (percent >= back && is_digit(text[percent - back])) number = number_at(text, percent - back);
  }
  return number > 0 && number < 100 ? number : 0;
}

void show_busy_indicator() {
  DisplayState& state = display_state();
  std::uint32_t now = clock().ticks_ms();
  if (static_cast<std::uint32_t>(now - state.last_busy_update) < kBusyIntervalMs) return;
  state.last_busy_update = now;
  char marks[kMarkerPositions];
  for (int i = 0; i < kMarkerPositions; ++i) marks[i] = i == state.marker ? '|' : '-';
  std::string text = format("%s [%c%c%c%c]", run_state().display.ind_txt.c_str(), marks[0],
                            marks[1], marks[2], marks[3]);
  if (state.marker == 0 || state.marker == kMarkerPositions - 1) state.step = -state.step;
  state.marker += state.step;
  API_displayComInfo(text.c_str());
  pump_window_messages();
}

void reset_status_display() {
  StatusWindow* window = display_state().window;
  display_state() = DisplayState{};
  display_state().window = window;
}

void install_status_callbacks() {
  StatusCallbacks& callbacks = status_callbacks();
  callbacks.display_com_info = API_displayComInfo;
  callbacks.check_escape = API_checkEscape;
  callbacks.busy_indicator = show_busy_indicator;
  callbacks.pump_messages = pump_window_messages;
}

}  // namespace kv

extern "C" short API_displayComInfo(const char* text) {
  std::string shown = text ? text : "";
  kv::StatusWindow* window = kv::display_state().window;
  if (kv::run_state().display.no_ind != 1 && window != nullptr) {
    kv::update_title(*window, shown);
    window->set_item_text(kv::kStatusLineItem, shown);
  }
  kv::journal_status_text(shown);
  return 0;
}

extern "C" short API_checkEscape(void) {
  kv::EngineControl& engine = kv::engine_control();
  engine.user_stop = false;
  if (kv::escape_must_wait()) return 1;
  if (kv::run_state().escape) {
    kv::journal_write(3, kv::kEscapeJournalText);
    engine.user_stop = true;
    return 2;
  }
  return 1;
}
