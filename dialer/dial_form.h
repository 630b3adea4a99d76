// The helper's form: reads the command line, runs the dial or hang-up sequence when its timer
// fires, shows the progress texts, and keeps the result line in the result file.
#pragma once

#include <string>
#include <vector>

#include "dialer/ras_dialer.h"
#include "dialer/result_file.h"
#include "platform/window.h"

namespace kv::dialer {

class DialForm : public WindowHandler {
 public:
  enum Mode { kNothing = 0, kDial = 1, kHangUp = 2 };
  enum ControlId { kImage1 = 100, kLabel1 = 101, kLabel4 = 104, kAnnuleren = 105 };
  enum TimerId { kTimer1 = 1, kProgressTimer = 2 };
  static constexpr unsigned kTimer1Interval = 1000;
  static constexpr unsigned kProgressInterval = 50;
  static constexpr unsigned kClosingWaitMs = 3000;

  DialForm(std::vector<std::string> args, RasDialer& ras, ResultFile& result);

  static WindowTemplate form_template();

  // Start-up: called once the window exists.
  void created(StatusWindow& window);

  void on_timer(int timer_id) override;
  void on_char(int ch) override;
  void on_close() override;
  void on_destroy() override;
  void on_button(int control_id) override;

  // The dialling component's event.
  void dial_event(unsigned state, unsigned error, const std::string& text);
  void cancel();

  Mode mode() const { return mode_; }
  const std::string& entry_name() const { return entry_name_; }

 private:
  void timer1_tick();
  void dial_sequence();
  void hang_up_sequence();
  void close_window();

  std::vector<std::string> args_;
  RasDialer& ras_;
  ResultFile& result_;
  StatusWindow* window_ = nullptr;
  Mode mode_ = kNothing;
  std::string entry_name_;
  bool closing_ = false;
  bool hanging_up_ = false;
  // A DIAL whose outcome is not yet in the result file: closing the helper then cancels it.
  bool dial_pending_ = false;
};

}  // namespace kv::dialer
