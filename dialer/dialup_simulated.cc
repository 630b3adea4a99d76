// Simulated dial-up service, driven by a phonebook file (KOVEDIAL_PHONEBOOK):
//
//   # comment
//   active = Office Line          a connection that is already up (optional)
//
//   [Office Line]                 an entry; the name is everything between "[" and the last "]"
//   password = secret             saved password (absent or empty: none saved)
//   parameters = unreadable       the stored dial parameters cannot be read
//   events = 0 1 2 3 4 5 19 14 8192   progress states in order (default 0 2 5 14 8192)
//   delay = 200                   milliseconds before each event (default 100)
//   error = 691                   an error event follows the listed events
//   start_error = 633             the dial is refused at once
//   hangup_error = 668            hanging up this connection fails
//
// The connection that a dial brings up (or a hang-up ends) is kept in "<phonebook>.state", so a
// later HANGUP in another process finds it. Lines that cannot be understood are ignored.
#include <cstdio>
#include <map>
#include <sstream>

#include "dialer/dialup.h"
#include "platform/clock.h"
#include "platform/fs.h"

namespace kv::dialer {

namespace {

struct SimulatedEntry {
  std::string password;
  bool parameters_unreadable = false;
  std::vector<unsigned> events{kOpenPort, kConnectDevice, kAuthenticate, kAuthenticated, kConnected};
  unsigned delay_ms = 100;
  unsigned error = 0;
  unsigned start_error = 0;
  unsigned hangup_error = 0;
};

std::string trim(const std::string& s) {
  auto b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  auto e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

unsigned to_unsigned(const std::string& s) {
  unsigned value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') break;
    value = value * 10 + static_cast<unsigned>(c - '0');
    if (value > 100000) break;
  }
  return value;
}

std::vector<unsigned> to_states(const std::string& s) {
  std::vector<unsigned> states;
  std::istringstream in(s);
  std::string word;
  while (in >> word) states.push_back(to_unsigned(word));
  return states;
}

class SimulatedService : public DialUpService {
 public:
  explicit SimulatedService(std::string path) : path_(std::move(path)) { load(); }

  std::string active_connection() override {
    // A dial of this process counts as an active connection from its start until it is hung up.
    if (!dialling_.empty()) return dialling_;
    std::string state;
    if (fs::read_whole_file(state_path(), state)) return trim(state.substr(0, state.find('\n')));
    return initially_active_;
  }

  bool entry_exists(const std::string& name) override { return entries_.count(name) != 0; }

  bool dial_parameters(const std::string& name, std::string* password) override {
    auto it = entries_.find(name);
    if (it == entries_.end() || it->second.parameters_unreadable) return false;
    *password = it->second.password;
    return true;
  }

  unsigned start_dial(const std::string& name, const std::string&) override {
    auto it = entries_.find(name);
    if (it == entries_.end()) return 623;
    const SimulatedEntry& entry = it->second;
    if (entry.parameters_unreadable) return 623;
    if (entry.start_error) return entry.start_error;
    dialling_ = name;
    pending_.clear();
    std::uint32_t at = kv::clock().ticks_ms();
    for (unsigned state : entry.events) {
      at += entry.delay_ms;
      pending_.push_back({at, {state, 0}});
    }
    if (entry.error) {
      at += entry.delay_ms;
      unsigned state = entry.events.empty() ? 0 : entry.events.back();
      pending_.push_back({at, {state, entry.error}});
    }
    return 0;
  }

  std::vector<DialEvent> poll_events() override {
    std::vector<DialEvent> due;
    std::uint32_t now = kv::clock().ticks_ms();
    while (!pending_.empty() && static_cast<std::int32_t>(now - pending_.front().first) >= 0) {
      DialEvent event = pending_.front().second;
      pending_.erase(pending_.begin());
      if (event.error == 0 && event.state == kConnected) {
        save_state(dialling_);
        dialling_.clear();
      }
      due.push_back(event);
      if (event.error != 0) pending_.clear();
    }
    return due;
  }

  unsigned hang_up(const std::string& name) override {
    auto it = entries_.find(name);
    if (it != entries_.end() && it->second.hangup_error) return it->second.hangup_error;
    pending_.clear();
    dialling_.clear();
    save_state("");
    return 0;
  }

  std::string error_text(unsigned code) override { return ras_error_text(code); }

 private:
  std::string state_path() const { return path_ + ".state"; }

  void save_state(const std::string& name) {
    const std::string path = state_path();
    if (std::FILE* out = fs::open_stream(path, "w")) {
      fs::write_stream(out, name + "\n", path);
      std::fclose(out);
    }
  }

  void load() {
    std::string content;
    fs::read_whole_file(path_, content);
    std::istringstream in(content);
    std::string line;
    SimulatedEntry* current = nullptr;
    while (std::getline(in, line)) {
      std::string t = trim(line);
      if (t.empty() || t[0] == '#') continue;
      if (t[0] == '[') {
        auto close = t.rfind(']');
        if (close == std::string::npos || close == 0) {
          current = nullptr;
          continue;
        }
        current = &entries_[t.substr(1, close - 1)];
        continue;
      }
      auto eq = t.find('=');
      if (eq == std::string::npos) continue;
      apply(current, trim(t.substr(0, eq)), trim(t.substr(eq + 1)));
    }
  }

  void apply(SimulatedEntry* entry, const std::string& key, const std::string& value) {
    if (!entry) {
      if (key == "active") initially_active_ = value;
      return;
    }
    if (key == "password") entry->password = value;
    else if (key == "parameters") entry->parameters_unreadable = (value == "unreadable");
    else if (key == "events") entry->events = to_states(value);
    else if (key == "delay") entry->delay_ms = to_unsigned(value);
    else if (key == "error") entry->error = to_unsigned(value);
    else if (key == "start_error") entry->start_error = to_unsigned(value);
    else if (key == "hangup_error") entry->hangup_error = to_unsigned(value);
  }

  std::string path_;
  std::map<std::string, SimulatedEntry> entries_;
  std::string initially_active_;
  std::string dialling_;
  std::vector<std::pair<std::uint32_t, DialEvent>> pending_;
};

}  // namespace

std::unique_ptr<DialUpService> create_simulated_service(const std::string& phonebook_path) {
  return std::make_unique<SimulatedService>(phonebook_path);
}

}  // namespace kv::dialer
