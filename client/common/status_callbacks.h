// Status callbacks that the engine and the application-file layer call. The program entry
// installs the real ones (the exported API_displayComInfo and API_checkEscape, and the busy
// indicator); without them the calls do nothing.
#pragma once

extern "C" {
typedef short (*DisplayComInfoFn)(const char* text);
typedef short (*CheckEscapeFn)(void);
}

namespace kv {

struct StatusCallbacks {
  DisplayComInfoFn display_com_info = nullptr;
  CheckEscapeFn check_escape = nullptr;
  void (*busy_indicator)() = nullptr;
  void (*pump_messages)() = nullptr;
};
StatusCallbacks& status_callbacks();

// Shows a status text through the installed callback.
void display_com_info(const char* text);
// Called in every record loop of the application-file layer.
void busy_indicator();
// Waits `ms` milliseconds while dispatching window messages.
void wait_responsive(unsigned ms);

}  // namespace kv
