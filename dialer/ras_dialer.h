// The dialling component: wraps the dial-up service and reports dialling progress as events
// (state, error code, text) to its owner.
#pragma once

#include <functional>
#include <string>

#include "dialer/dialup.h"

namespace kv::dialer {

class RasDialer {
 public:
  using DialEventHandler =
      std::function<void(unsigned state, unsigned error, const std::string& text)>;

  explicit RasDialer(DialUpService& service) : service_(service) {}

  void set_on_dial_event(DialEventHandler handler) { on_dial_event_ = std::move(handler); }
  // A telephone number that replaces the entry's own number when set.
  void set_phone_number(const std::string& number) { phone_number_ = number; }

  // Name of the first active connection (remembered as the current connection), or empty.
  std::string active_connection();
  bool entry_exists(const std::string& name) { return service_.entry_exists(name); }
  // The entry's stored password, or empty when its dial parameters cannot be read.
  std::string saved_password(const std::string& name);
  // Starts the dial; on a refusal hangs up quietly. Returns 0 or the error code.
  unsigned dial(const std::string& name);
  // Hangs up the active connection and reports the outcome as an event.
  void hang_up();
  // Delivers the progress messages that have arrived.
  void process_progress_messages();

  const std::string& connection() const { return connection_; }

  static std::string progress_text(unsigned state);
  std::string event_text(unsigned state, unsigned error);

 private:
  void raise(unsigned state, unsigned error, const std::string& text);

  DialUpService& service_;
  DialEventHandler on_dial_event_;
  std::string phone_number_;
  std::string connection_;  // the current connection; empty when none
};

}  // namespace kv::dialer
