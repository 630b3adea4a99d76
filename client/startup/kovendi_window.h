// The status window of a run: its template and the handler of its messages.
#pragma once

#include <string>

#include "client/common/version.h"
#include "platform/window.h"

namespace kv {

constexpr const char* kProductStatusText = kProductName;
constexpr int kRunTimer = 1;
constexpr unsigned kRunTimerPeriodMs = 200;
constexpr int kEscapeCharacter = 27;

// Class and caption "KOVENDI", 187 by 95 dialog units, an icon (1002) and the status line
// (1003, initially "...").
WindowTemplate kovendi_window_template();

// The window's messages: create centres it and starts timer 1 (200 ms); the first timer message
// stops the timer and performs the run; Escape sets the escape flag; close sets it and destroys
// the window; destroy ends the message loop.
class KovendiWindowHandler : public WindowHandler {
 public:
  KovendiWindowHandler(std::string command_file, std::string status_file);

  // The window exists: the create actions that arrived before it was known are done now.
  void attach(StatusWindow* window);

  void on_create() override;
  void on_timer(int timer_id) override;
  void on_char(int ch) override;
  void on_close() override;
  void on_destroy() override;

  bool run_performed() const { return run_performed_; }

 private:
  void centre_and_start_timer();

  std::string command_file_;
  std::string status_file_;
  StatusWindow* window_ = nullptr;
  bool create_pending_ = false;
  bool run_performed_ = false;
};

}  // namespace kv
