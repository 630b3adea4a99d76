// The helper's form.
#include "dialer/dial_form.h"

#include <algorithm>
#include <cctype>

namespace kv::dialer {

namespace {

bool equals_ignore_case(const std::string& a, const char* b) {
  std::string upper = a;
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return upper == b;
}

}  // namespace

DialForm::DialForm(std::vector<std::string> args, RasDialer& ras, ResultFile& result)
    : args_(std::move(args)), ras_(ras), result_(result) {
  ras_.set_on_dial_event([this](unsigned state, unsigned error, const std::string& text) {
    dial_event(state, error, text);
  });
}

WindowTemplate DialForm::form_template() {
  WindowTemplate t;
  t.class_name = "TForm1";
  t.caption = "Kovendi dialer";
  t.width = 322;
  t.height = 123;
  t.minimise_box = false;
  t.dialog_units = false;  // the form is laid out in pixels
  t.controls = {
      {kImage1, WindowControl::kIcon, 8, 8, 32, 32, ""},
      {kLabel1, WindowControl::kLeftText, 56, 12, 115, 24, "Kovendi dialer"},
      {kLabel4, WindowControl::kCentredText, 6, 51, 310, 13, ""},
      {kAnnuleren, WindowControl::kButton, 124, 84, 75, 25, "Annuleren"},
  };
  return t;
}

void DialForm::created(StatusWindow& window) {
  window_ = &window;
  window_->centre_on_screen();
  result_.save(kResultStarted);
  if (args_.size() == 2 && equals_ignore_case(args_[0], "DIAL")) {
    window_->set_item_text(kLabel1, "Opbouwen verbinding...");
    entry_name_ = args_[1];
    window_->set_title(entry_name_);
    mode_ = kDial;
    dial_pending_ = true;
  } else if (args_.size() == 1 && equals_ignore_case(args_[0], "HANGUP")) {
    window_->set_item_text(kLabel1, "Verbreken verbinding...");
    entry_name_ = ras_.active_connection();
    window_->set_title(entry_name_);
    mode_ = kHangUp;
  }
  window_->show();
  window_->start_timer(kTimer1, kTimer1Interval);
}

void DialForm::on_timer(int timer_id) {
  if (timer_id == kTimer1) timer1_tick();
  else if (timer_id == kProgressTimer) ras_.process_progress_messages();
}

void DialForm::timer1_tick() {
  window_->stop_timer(kTimer1);
  switch (mode_) {
    case kNothing: close_window(); break;
    case kDial: dial_sequence(); break;
    case kHangUp: hang_up_sequence(); break;
  }
}

void DialForm::dial_sequence() {
  dial_pending_ = false;  // every way out below leaves its own result
  if (!ras_.active_connection().empty()) {
    result_.save(kResultAlreadyConnected);
    close_window();
    return;
  }
  if (!ras_.entry_exists(entry_name_)) {
    result_.save(kResultNoEntry);
    close_window();
    return;
  }
  if (ras_.saved_password(entry_name_).empty()) {
    result_.save(kResultNoPassword);
    close_window();
    return;
  }
  window_->start_timer(kProgressTimer, kProgressInterval);
  dial_pending_ = true;
  unsigned refused = ras_.dial(entry_name_);
  if (refused != 0) {
    // Refused before it started: no event follows, so the code is written here and the helper
    // ends instead of waiting with "AAAA" for an operator.
    dial_pending_ = false;
    result_.save(dial_error_result(refused));
    close_window();
  }
}

void DialForm::dial_event(unsigned state, unsigned error, const std::string& text) {
  if (error != 0 || state >= kConnected) dial_pending_ = false;
  if (error != 0) {
    result_.save(dial_error_result(error));
    // The error of a failed hang-up starts no further hang-up; its code stays in the result
    // file and the helper ends (nobody watches the window).
    if (!hanging_up_) hang_up_sequence();
  }
  if (!text.empty() && !closing_ && window_) window_->set_item_text(kLabel4, text);
  if (state >= kConnected || (error != 0 && hanging_up_)) close_window();
}

void DialForm::hang_up_sequence() {
  if (ras_.active_connection().empty()) {
    close_window();
    return;
  }
  hanging_up_ = true;
  ras_.hang_up();
  hanging_up_ = false;
}

void DialForm::cancel() {
  dial_pending_ = false;
  result_.save(kResultCancelled);
  hang_up_sequence();
}

void DialForm::on_char(int ch) {
  if (ch == 27) cancel();
}

void DialForm::on_button(int control_id) {
  if (control_id == kAnnuleren) cancel();
}

// Closing the window (or SIGTERM) while a dial has no outcome yet cancels it: the result file
// must never say "AAAA" for a dial that did not connect.
void DialForm::on_close() {
  if (dial_pending_) cancel();
  close_window();
}

void DialForm::on_destroy() {
  if (window_) window_->post_quit(0);
}

void DialForm::close_window() {
  if (closing_ || !window_) return;
  closing_ = true;
  window_->stop_timer(kProgressTimer);
  window_->destroy();
}

}  // namespace kv::dialer
