// Status window facility. The window is created from a small template, owned by one handler
// that receives its messages, and driven by a message loop. Back ends: headless (always built;
// status texts on standard error as one updating line when that is a terminal), x11, and the
// Windows window. Escape: the Escape key and SIGINT (Ctrl+C) arrive as the character 27; closing
// the window, SIGTERM and SIGHUP (closing the console) arrive as a close message.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kv {

struct WindowControl {
  int id = 0;
  enum Kind { kIcon, kCentredText, kButton, kLeftText } kind = kCentredText;
  int x = 0, y = 0, width = 0, height = 0;  // dialog units
  std::string text;
};

struct WindowTemplate {
  std::string class_name;     // "KOVENDI"
  std::string caption;        // "KOVENDI"
  int width = 0, height = 0;  // dialog units
  bool minimise_box = true;
  // Sizes and positions in dialog units of an 8-point sans font (false: in pixels).
  bool dialog_units = true;
  std::vector<WindowControl> controls;
};

class WindowHandler {
 public:
  virtual ~WindowHandler() = default;
  virtual void on_create() {}
  virtual void on_timer(int /*timer_id*/) {}
  virtual void on_char(int /*ch*/) {}
  virtual void on_close() {}
  virtual void on_destroy() {}
  virtual void on_button(int /*control_id*/) {}
};

class StatusWindow {
 public:
  virtual ~StatusWindow() = default;
  virtual void set_item_text(int control_id, const std::string& text) = 0;
  virtual std::string item_text(int control_id) const = 0;
  virtual void set_title(const std::string& title) = 0;
  virtual std::string title() const = 0;
  virtual bool is_minimised() const = 0;
  virtual void show() = 0;
  virtual void centre_on_screen() = 0;
  virtual void bring_to_top() = 0;
  // False for a window that nobody sees (no display): it has nothing to show before work starts.
  virtual bool on_display() const { return true; }
  virtual void start_timer(int timer_id, unsigned period_ms) = 0;
  virtual void stop_timer(int timer_id) = 0;
  // Runs until post_quit; returns the quit value.
  virtual int run_message_loop() = 0;
  virtual void post_quit(int value) = 0;
  // Dispatches every message that is waiting, then returns.
  virtual void pump_messages() = 0;
  // Sends the destroy message to the handler and removes the window.
  virtual void destroy() = 0;
  virtual bool destroyed() const = 0;
};

// Creates the window with the best back end available (the system's own window on Windows; x11
// when DISPLAY is set and it was built; else headless) and sends the create message to `handler`.
std::unique_ptr<StatusWindow> create_status_window(const WindowTemplate& tmpl,
                                                   WindowHandler& handler);
// The system's own window (Windows); nullptr where the system has none (POSIX systems, where
// the X11 back end is chosen through DISPLAY) or it cannot be made.
std::unique_ptr<StatusWindow> create_desktop_window(const WindowTemplate& tmpl,
                                                    WindowHandler& handler);
// Always the headless back end.
std::unique_ptr<StatusWindow> create_headless_window(const WindowTemplate& tmpl,
                                                     WindowHandler& handler);

// Installs the SIGINT/SIGTERM/SIGHUP handlers that feed the windows (only sets flags).
void install_window_signal_handlers();

// A graphical back end registers its factory here; create_status_window uses it when DISPLAY is
// set (a factory that returns nullptr falls back to headless). An empty function removes it.
using WindowFactory =
    std::function<std::unique_ptr<StatusWindow>(const WindowTemplate&, WindowHandler&)>;
void set_x11_window_factory(WindowFactory factory);

// The X11 back end (nullptr when it was not built or no display can be opened).
std::unique_ptr<StatusWindow> create_x11_window(const WindowTemplate& tmpl, WindowHandler& handler);

// A source of requests to raise the window (a second start of the program); the graphical back
// end asks it while it handles messages. An empty function removes it.
void set_raise_request_source(std::function<bool()> source);
bool take_raise_request();

// The headless status line: "\r", the text cut to `columns` - 1 characters (when columns > 0),
// and the terminal's clear-to-end-of-line sequence.
std::string headless_status_line(const std::string& text, int columns);

// Signal events that the handlers recorded and nobody has taken yet (the headless loop takes
// them; a graphical back end must take them in its loop as well). Each call takes and clears.
struct PendingSignals {
  int interrupts = 0;  // SIGINT: deliver the character 27
  int closes = 0;      // SIGTERM / SIGHUP: deliver a close message
};
PendingSignals take_pending_signals();

}  // namespace kv
