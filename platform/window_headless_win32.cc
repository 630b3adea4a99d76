// The headless status window's Windows part: the console's control events. Ctrl+C and
// Ctrl+Break arrive as the character 27; closing the console, logging off and shutting down as a
// close message. The handler runs on a thread of its own and only
// counts; the window's loop and pump turn the counts into messages.
#include <windows.h>

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

}  // namespace

PendingSignals take_pending_signals() {
  PendingSignals pending;
  pending.interrupts = static_cast<int>(::InterlockedExchange(&g_interrupts, 0));
  pending.closes = static_cast<int>(::InterlockedExchange(&g_closes, 0));
  return pending;
}

void install_window_signal_handlers() { ::SetConsoleCtrlHandler(on_console_event, TRUE); }

}  // namespace kv
