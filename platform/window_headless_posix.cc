// The headless status window's POSIX part: the signals.
// SIGINT arrives as the character 27, SIGTERM and SIGHUP as a close message; the signal handlers
// only count, the window's loop and pump turn the counts into messages.
#include <signal.h>

#include "platform/window.h"

namespace kv {
namespace {

volatile sig_atomic_t g_interrupts = 0;
volatile sig_atomic_t g_closes = 0;

extern "C" void on_interrupt_signal(int) { g_interrupts = g_interrupts + 1; }
extern "C" void on_close_signal(int) { g_closes = g_closes + 1; }

void install_handler(int signal_number, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;  // reads and writes of the run's files are not broken off
  ::sigaction(signal_number, &action, nullptr);
}

}  // namespace

PendingSignals take_pending_signals() {
  PendingSignals pending;
  if (g_interrupts == 0 && g_closes == 0) return pending;
  // The counts are taken with the three signals held back, so none arriving meanwhile is lost.
  sigset_t held, previous;
  sigemptyset(&held);
  sigaddset(&held, SIGINT);
  sigaddset(&held, SIGTERM);
  sigaddset(&held, SIGHUP);
  ::sigprocmask(SIG_BLOCK, &held, &previous);
  pending.interrupts = g_interrupts;
  pending.closes = g_closes;
  g_interrupts = 0;
  g_closes = 0;
  ::sigprocmask(SIG_SETMASK, &previous, nullptr);
  return pending;
}

void install_window_signal_handlers() {
  install_handler(SIGINT, on_interrupt_signal);
  install_handler(SIGTERM, on_close_signal);
  install_handler(SIGHUP, on_close_signal);
}

}  // namespace kv
