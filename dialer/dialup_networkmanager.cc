// Dial-up service on NetworkManager, driven through nmcli. The phonebook entries are the
// connection profiles of dial-up kinds (gsm, cdma, pppoe, adsl, bluetooth, vpn, wireguard); a
// LAN or wireless profile is not a dial-up entry, just as the Remote Access phonebook does not
// list LAN connections.
//
// nmcli failures become the Remote Access error codes that fit best:
//
//   nmcli outcome                                              code
//   NetworkManager not running (exit 8), nmcli not found       711  service could not start
//   profile does not exist (exit 10)                           623  phonebook entry not found
//   timed out (exit 3), or "timeout" in its message            678  remote computer did not respond
//   activation failed (exit 4) with a message about:
//     secrets / password / authentication                      691  user name or password not valid
//     busy                                                     676  line busy
//     carrier / dial tone                                      680  no dial tone
//     no suitable device / device not found / not available   797  device not found
//     PPP                                                      720  no PPP control protocols
//     a vpn profile                                            800  VPN could not be established
//     anything else                                            628  connection was closed
//   hang-up failed (exit 5 or 6)                               668  connection was terminated
//   any other failure                                          651  device reported an error
#include <algorithm>
#include <atomic>
#include <cctype>
#include <thread>

#include "dialer/dial_event_queue.h"
#include "dialer/dialup.h"
#include "platform/process_output.h"

namespace kv::dialer {

namespace {

constexpr unsigned kQueryTimeoutMs = 30000;
constexpr unsigned kDialTimeoutMs = 120000;

struct Profile {
  std::string name;
  std::string type;
};

// Splits one line of nmcli's terse output at unescaped ":"; "\:" and "\\" are unescaped.
std::vector<std::string> split_terse(const std::string& line) {
  std::vector<std::string> fields(1);
  for (std::size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '\\' && i + 1 < line.size()) {
      fields.back() += line[++i];
    } else if (c == ':') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

bool is_dialup_type(const std::string& type) {
  static const char* kinds[] = {"gsm", "cdma", "pppoe", "adsl", "bluetooth", "vpn", "wireguard"};
  for (const char* kind : kinds)
    if (type == kind) return true;
  return false;
}

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

bool mentions(const std::string& text, const char* word) { return lower(text).find(word) != std::string::npos; }

unsigned map_activation_failure(const std::string& message, const std::string& type) {
  if (mentions(message, "timeout") || mentions(message, "timed out")) return 678;
  if (mentions(message, "secret") || mentions(message, "password") || mentions(message, "auth"))
    return 691;
  if (mentions(message, "busy")) return 676;
  if (mentions(message, "carrier") || mentions(message, "dial tone")) return 680;
  if (mentions(message, "no suitable device") || mentions(message, "device not found") ||
      mentions(message, "not available"))
    return 797;
  if (mentions(message, "ppp")) return 720;
  if (type == "vpn" || type == "wireguard") return 800;
  return 628;
}

unsigned map_failure(const process::Output& out, const std::string& type) {
  switch (out.exit_status) {
    case 0: return 0;
    case -1:
    case 127:
    case 8: return 711;
    case 10: return 623;
    case 3: return 678;
    case 4: return map_activation_failure(out.text, type);
    case 5:
    case 6: return 668;
    default: return 651;
  }
}

std::string secret_key(const std::string& type) {
  if (type == "vpn") return "vpn.secrets";
  if (type == "wireguard") return "wireguard.private-key";
  if (type == "bluetooth") return "gsm.password";
  return type + ".password";
}

class NetworkManagerService : public DialUpService {
 public:
  ~NetworkManagerService() override {
    if (dial_thread_.joinable()) dial_thread_.join();
  }

  std::string active_connection() override {
    for (const Profile& p : profiles(true))
      if (is_dialup_type(p.type)) return p.name;
    return "";
  }

  bool entry_exists(const std::string& name) override { return find(name) != nullptr; }

  bool dial_parameters(const std::string& name, std::string* password) override {
    auto profile = find(name);
    if (!profile) return false;
    auto out = process::run_capture(
        "nmcli", {"-s", "-g", secret_key(profile->type), "connection", "show", name},
        kQueryTimeoutMs);
    if (out.exit_status != 0) return false;
    std::string value = out.text;
    while (!value.empty() && (value.back() == '\n' || value.back() == '\r')) value.pop_back();
    *password = value;
    return true;
  }

  unsigned start_dial(const std::string& name, const std::string&) override {
    auto profile = find(name);
    if (!profile) return 623;
    if (dial_thread_.joinable()) dial_thread_.join();
    events_.push({kOpenPort, 0});
    events_.push({kConnectDevice, 0});
    std::string type = profile->type;
    dial_thread_ = std::thread([this, name, type] {
      auto out = process::run_capture("nmcli", {"--wait", "90", "connection", "up", name},
                                      kDialTimeoutMs);
      unsigned error = map_failure(out, type);
      if (error) {
        events_.push({kConnectDevice, error});
      } else {
        events_.push({kAuthenticated, 0});
        events_.push({kConnected, 0});
      }
    });
    return 0;
  }

  std::vector<DialEvent> poll_events() override { return events_.take(); }

  unsigned hang_up(const std::string& name) override {
    auto profile = find(name);
    std::string type = profile ? profile->type : "";
    auto out = process::run_capture("nmcli", {"connection", "down", name}, kQueryTimeoutMs);
    if (out.exit_status == 0) return 0;
    if (out.exit_status == 10) return 668;
    return map_failure(out, type) == 0 ? 668 : map_failure(out, type);
  }

  std::string error_text(unsigned code) override { return ras_error_text(code); }

 private:
  std::vector<Profile> profiles(bool active_only) {
    std::vector<std::string> args{"-t", "-f", "NAME,TYPE", "connection", "show"};
    if (active_only) args.push_back("--active");
    auto out = process::run_capture("nmcli", args, kQueryTimeoutMs);
    std::vector<Profile> result;
    if (out.exit_status != 0) return result;
    std::size_t start = 0;
    while (start < out.text.size()) {
      std::size_t end = out.text.find('\n', start);
      if (end == std::string::npos) end = out.text.size();
      auto fields = split_terse(out.text.substr(start, end - start));
      if (fields.size() >= 2) {
        std::string type = fields[1];
        // nmcli reports the full setting name ("802-3-ethernet", "gsm", "vpn", ...).
        result.push_back({fields[0], type});
      }
      start = end + 1;
    }
    return result;
  }

  std::unique_ptr<Profile> find(const std::string& name) {
    for (const Profile& p : profiles(false))
      if (p.name == name && is_dialup_type(p.type)) return std::make_unique<Profile>(p);
    return nullptr;
  }

  DialEventQueue events_;
  std::thread dial_thread_;
};

}  // namespace

std::unique_ptr<DialUpService> create_networkmanager_service() {
  return std::make_unique<NetworkManagerService>();
}

}  // namespace kv::dialer
