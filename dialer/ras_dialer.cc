// The dialling component.
#include "dialer/ras_dialer.h"

namespace kv::dialer {

namespace {
constexpr std::size_t kMaxErrorText = 256;
}

std::string RasDialer::progress_text(unsigned state) {
  switch (state) {
    case kOpenPort: return "Opening Port...";
    case kPortOpened: return "Port Opened...";
    case kConnectDevice: return "Dialling...";
    case kDeviceConnected: return "Modem connect...";
    case kAllDevicesConnected: return "Attempting to sign on...";
    case kAuthenticate: return "Verifying username and password...";
    case kAuthenticated: return "Authentication complete...";
    case kStartAuthentication: return "Sending username and password...";
    case kConnected: return "Connected...";
    case kDisconnected: return "Disconnected...";
    default: return "";
  }
}

std::string RasDialer::event_text(unsigned state, unsigned error) {
  if (error == 0) return progress_text(state);
  std::string text = service_.error_text(error);
  if (text.empty()) return "Unidentified Error";
  return text.substr(0, kMaxErrorText);
}

std::string RasDialer::active_connection() {
  std::string name = service_.active_connection();
  if (!name.empty()) connection_ = name;
  return name;
}

std::string RasDialer::saved_password(const std::string& name) {
  std::string password;
  if (!service_.dial_parameters(name, &password)) return "";
  return password;
}

unsigned RasDialer::dial(const std::string& name) {
  connection_.clear();
  std::string password;
  unsigned result = 623;
  if (service_.dial_parameters(name, &password)) {
    result = service_.start_dial(name, phone_number_);
    if (result == 0) connection_ = name;
  }
  if (result != 0) hang_up();
  return result;
}

void RasDialer::hang_up() {
  if (active_connection().empty()) return;
  unsigned result = service_.hang_up(connection_);
  if (result == 0) {
    connection_.clear();
    raise(kDisconnected, 0, progress_text(kDisconnected));
  } else {
    raise(0, result, event_text(0, result));
  }
}

void RasDialer::process_progress_messages() {
  for (const DialEvent& event : service_.poll_events())
    raise(event.state, event.error, event_text(event.state, event.error));
}

void RasDialer::raise(unsigned state, unsigned error, const std::string& text) {
  if (on_dial_event_) on_dial_event_(state, error, text);
}

}  // namespace kv::dialer
