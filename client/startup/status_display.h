// Status texts in the status window, the escape check, and the busy indicator. The two exported
// functions are found by name in the running program (C linkage); the engine also receives their
// addresses through the status callbacks.
#pragma once

#include <string>

#include "client/common/status_callbacks.h"

namespace kv {
class StatusWindow;
}

extern "C" {
// Shows one status text; returns 0.
short API_displayComInfo(const char* text);
// 1: go on; 2: the user pressed Escape, stop the current operation.
short API_checkEscape(void);
}

namespace kv {

constexpr int kStatusLineItem = 1003;
constexpr const char* kWindowTitle = "KOVENDI";
constexpr const char* kEscapeJournalText = "Gebruiker heeft op de 'ESCAPE' toets gedrukt";

// The status window of the run (nullptr while there is none).
void set_status_window(StatusWindow* window);
StatusWindow* status_window();

// Sets the escape flag; it is never cleared during the run.
void set_escape();

// The percentage a minimised window shows in its title for `text`, or 0 when the title stays.
int title_percentage(const std::string& text);

// Shows the indicator text and a moving marker at most every 500 ms, then dispatches the window
// messages that are waiting.
void show_busy_indicator();
// Back to the state of a fresh process (marker at 0, no update yet, title flag clear).
void reset_status_display();

// Installs API_displayComInfo, API_checkEscape, the busy indicator and the message pump as the
// status callbacks.
void install_status_callbacks();

}  // namespace kv
