// The status window's template and message handler.
#include "client/startup/kovendi_window.h"

#include <utility>

#include "client/startup/run_control.h"
#include "client/startup/status_display.h"

namespace kv {

WindowTemplate kovendi_window_template() {
  WindowTemplate tmpl;
  tmpl.class_name = "KOVENDI";
  tmpl.caption = "KOVENDI";
  tmpl.width = 187;
  tmpl.height = 95;
  tmpl.minimise_box = true;
  tmpl.controls.push_back({1002, WindowControl::kIcon, 12, 11, 21, 20, ""});
  tmpl.controls.push_back({kStatusLineItem, WindowControl::kCentredText, 12, 43, 162, 8, "..."});
  return tmpl;
}

KovendiWindowHandler::KovendiWindowHandler(std::string command_file, std::string status_file)
    : command_file_(std::move(command_file)), status_file_(std::move(status_file)) {}

void KovendiWindowHandler::attach(StatusWindow* window) {
  window_ = window;
  if (create_pending_) {
    create_pending_ = false;
    centre_and_start_timer();
  }
}

// The timer gives a window on a display the time to appear before the run takes the thread; a
// window without a display has nothing to show, and its run starts at once.
void KovendiWindowHandler::centre_and_start_timer() {
  window_->centre_on_screen();
  window_->start_timer(kRunTimer, window_->on_display() ? kRunTimerPeriodMs : 0);
}

void KovendiWindowHandler::on_create() {
  // The create message arrives while the window is being made, before its owner knows it.
  if (window_ == nullptr) {
    create_pending_ = true;
    return;
  }
  centre_and_start_timer();
}

void KovendiWindowHandler::on_timer(int timer_id) {
  if (timer_id != kRunTimer || window_ == nullptr || run_performed_) return;
  window_->stop_timer(kRunTimer);
  run_performed_ = true;
  start_run(command_file_, status_file_);
  if (!window_->destroyed()) window_->destroy();
}

void KovendiWindowHandler::on_char(int ch) {
  if (ch == kEscapeCharacter) set_escape();
}

void KovendiWindowHandler::on_close() {
  set_escape();
  if (window_ != nullptr && !window_->destroyed()) window_->destroy();
}

void KovendiWindowHandler::on_destroy() {
  set_status_window(nullptr);
  if (window_ != nullptr) window_->post_quit(0);
}

}  // namespace kv
