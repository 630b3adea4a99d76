// The dial-up service on Windows: the Remote Access Service. Progress of a dial arrives on a
// thread of the service (RasDialFunc) and is queued here until the form's timer takes it.
#include <windows.h>
#include <ras.h>
#include <raserror.h>

#include <cstring>
#include <vector>

#include "dialer/dial_event_queue.h"
#include "dialer/dialup.h"
#include "platform/clock.h"

namespace kv::dialer {
namespace {

constexpr DWORD kMaxConnections = 25;
constexpr DWORD kMaxEntries = 512;
constexpr unsigned kHangUpWaitMs = 3000;

DialEventQueue g_events;

// Called by the Remote Access Service, on its own thread, for every state of a dial.
VOID WINAPI on_dial_progress(UINT, RASCONNSTATE state, DWORD error) {
  g_events.push({static_cast<unsigned>(state), static_cast<unsigned>(error)});
}

void copy_text(char* target, std::size_t size, const std::string& text) {
  std::strncpy(target, text.c_str(), size - 1);
  target[size - 1] = '\0';
}

class RasService : public DialUpService {
 public:
  std::string active_connection() override {
    std::vector<RASCONNA> connections(kMaxConnections);
    connections[0].dwSize = sizeof(RASCONNA);
    DWORD size = static_cast<DWORD>(connections.size() * sizeof(RASCONNA));
    DWORD count = 0;
    if (::RasEnumConnectionsA(connections.data(), &size, &count) != 0 || count == 0) return "";
    return connections[0].szEntryName;
  }

  bool entry_exists(const std::string& name) override {
    std::vector<RASENTRYNAMEA> entries(kMaxEntries);
    entries[0].dwSize = sizeof(RASENTRYNAMEA);
    DWORD size = static_cast<DWORD>(entries.size() * sizeof(RASENTRYNAMEA));
    DWORD count = 0;
    if (::RasEnumEntriesA(nullptr, nullptr, entries.data(), &size, &count) != 0) return false;
    for (DWORD i = 0; i < count && i < kMaxEntries; ++i) {
      if (name == entries[i].szEntryName) return true;
    }
    return false;
  }

  bool dial_parameters(const std::string& name, std::string* password) override {
    RASDIALPARAMSA parameters;
    if (!read_parameters(name, &parameters)) return false;
    *password = parameters.szPassword;
    return true;
  }

  unsigned start_dial(const std::string& name, const std::string& phone_number) override {
    RASDIALPARAMSA parameters;
    if (!read_parameters(name, &parameters)) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    if (!phone_number.empty()) {
      copy_text(parameters.szPhoneNumber, sizeof parameters.szPhoneNumber, phone_number);
    }
    RASDIALEXTENSIONS extensions{};
    extensions.dwSize = sizeof extensions;
    g_events.clear();
    connection_ = nullptr;
    DWORD result = ::RasDialA(&extensions, nullptr, &parameters, 0,
                              reinterpret_cast<LPVOID>(&on_dial_progress), &connection_);
    return static_cast<unsigned>(result);
  }

  std::vector<DialEvent> poll_events() override { return g_events.take(); }

  unsigned hang_up(const std::string& name) override {
    HRASCONN connection = connection_of(name);
    if (connection == nullptr) return 0;
    DWORD result = ::RasHangUpA(connection);
    if (result == 0) wait_until_closed(connection);
    if (connection == connection_) connection_ = nullptr;
    return static_cast<unsigned>(result);
  }

  std::string error_text(unsigned code) override {
    char text[257] = "";
    if (::RasGetErrorStringA(code, text, sizeof text) != 0) return "";
    return text;
  }

 private:
  static bool read_parameters(const std::string& name, RASDIALPARAMSA* parameters) {
    std::memset(parameters, 0, sizeof *parameters);
    parameters->dwSize = sizeof *parameters;
    copy_text(parameters->szEntryName, sizeof parameters->szEntryName, name);
    BOOL has_password = FALSE;
    return ::RasGetEntryDialParamsA(nullptr, parameters, &has_password) == 0;
  }

  // The connection of this dial, or the active connection of that name.
  HRASCONN connection_of(const std::string& name) {
    if (connection_ != nullptr) return connection_;
    std::vector<RASCONNA> connections(kMaxConnections);
    connections[0].dwSize = sizeof(RASCONNA);
    DWORD size = static_cast<DWORD>(connections.size() * sizeof(RASCONNA));
    DWORD count = 0;
    if (::RasEnumConnectionsA(connections.data(), &size, &count) != 0) return nullptr;
    for (DWORD i = 0; i < count; ++i) {
      if (name.empty() || name == connections[i].szEntryName) return connections[i].hrasconn;
    }
    return nullptr;
  }

  // A hang-up is complete when the service no longer knows the connection; the port is free for
  // a new dial only then.
  static void wait_until_closed(HRASCONN connection) {
    std::uint32_t started = clock().ticks_ms();
    RASCONNSTATUSA status;
    for (;;) {
      std::memset(&status, 0, sizeof status);
      status.dwSize = sizeof status;
      if (::RasGetConnectStatusA(connection, &status) == ERROR_INVALID_HANDLE) return;
      if (clock().ticks_ms() - started > kHangUpWaitMs) return;
      clock().sleep_ms(10);
    }
  }

  HRASCONN connection_ = nullptr;
};

}  // namespace

std::unique_ptr<DialUpService> create_system_service() { return std::make_unique<RasService>(); }

}  // namespace kv::dialer
