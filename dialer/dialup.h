// The dial-up networking layer that kovedial drives: active connections, phonebook entries,
// saved passwords, an asynchronous dial that reports progress events, hang-up and error texts.
// Error codes are those of the Remote Access Service (600 to 999).
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace kv::dialer {

// Connection states that progress events carry.
enum ConnectionState : unsigned {
  kOpenPort = 0,
  kPortOpened = 1,
  kConnectDevice = 2,
  kDeviceConnected = 3,
  kAllDevicesConnected = 4,
  kAuthenticate = 5,
  kAuthenticated = 14,
  kStartAuthentication = 19,
  kConnected = 8192,
  kDisconnected = 8193,
};

struct DialEvent {
  unsigned state = 0;
  unsigned error = 0;
};

class DialUpService {
 public:
  virtual ~DialUpService() = default;
  // Name of the first active dial-up connection, or empty when none is up.
  virtual std::string active_connection() = 0;
  // Whether a phonebook entry has exactly this name (letter case counts).
  virtual bool entry_exists(const std::string& name) = 0;
  // Reads the entry's stored dial parameters; false when they cannot be read.
  virtual bool dial_parameters(const std::string& name, std::string* password) = 0;
  // Starts an asynchronous dial; 0 when it was started, else an error code. Progress arrives
  // through poll_events until the state "connected" or an event with an error.
  virtual unsigned start_dial(const std::string& name, const std::string& phone_number) = 0;
  // Events that have arrived since the last call, in order.
  virtual std::vector<DialEvent> poll_events() = 0;
  // Hangs up the named active connection; 0 on success, else an error code.
  virtual unsigned hang_up(const std::string& name) = 0;
  // The system's text for an error code; empty when it has none.
  virtual std::string error_text(unsigned code) = 0;
};

// The simulated service when KOVEDIAL_PHONEBOOK names a phonebook file, else the system's.
std::unique_ptr<DialUpService> create_dialup_service();
// The system's service: the Remote Access Service on Windows, NetworkManager elsewhere.
std::unique_ptr<DialUpService> create_system_service();
std::unique_ptr<DialUpService> create_simulated_service(const std::string& phonebook_path);
std::unique_ptr<DialUpService> create_networkmanager_service();

// Texts of the Remote Access error codes that the back ends report.
std::string ras_error_text(unsigned code);

}  // namespace kv::dialer
