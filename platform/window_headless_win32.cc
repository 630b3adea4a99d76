// The headless status window's Windows parts: standard error as a console, and the console's
// control events. Ctrl+C and Ctrl+Break arrive as the character 27; closing the console, logging
// off and shutting down as a close message. The handler runs on a thread of its own and only
// counts; the window's loop and pump turn the counts into messages.
#include <windows.h>

#include "platform/terminal.h"
#include "platform/window.h"

namespace kv {
namespace {

volatile LONG g_interrupts = 0;
volatile LONG g_closes = 0;

BOOL WINAPI on_console_event(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      ::InterlockedIncrement(&g_interrupts);
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      ::InterlockedIncrement(&g_closes);
      return TRUE;
    default:
      return FALSE;
  }
}

HANDLE standard_error() { return ::GetStdHandle(STD_ERROR_HANDLE); }

}  // namespace

namespace terminal {

bool standard_error_is_terminal() {
  DWORD mode = 0;
  return ::GetConsoleMode(standard_error(), &mode) != 0;
}

int standard_error_columns() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!::GetConsoleScreenBufferInfo(standard_error(), &info)) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

void write_standard_error(const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    DWORD wrote = 0;
    if (!::WriteFile(standard_error(), text.data() + done, static_cast<DWORD>(text.size() - done),
                     &wrote, nullptr) ||
        wrote == 0) {
      return;
    }
    done += wrote;
  }
}

}  // namespace terminal

PendingSignals take_pending_signals() {
  PendingSignals pending;
  pending.interrupts = static_cast<int>(::InterlockedExchange(&g_interrupts, 0));
  pending.closes = static_cast<int>(::InterlockedExchange(&g_closes, 0));
  return pending;
}

void install_window_signal_handlers() { ::SetConsoleCtrlHandler(on_console_event, TRUE); }

}  // namespace kv
