// Back-end choice for the status window and the headless status line.
#include <cstdlib>

#include "platform/window.h"

namespace kv {
namespace {

WindowFactory& x11_factory() {
  static WindowFactory factory;
  return factory;
}

bool display_available() {
  const char* display = std::getenv("DISPLAY");
  return display != nullptr && *display != '\0';
}

}  // namespace

void set_x11_window_factory(WindowFactory factory) { x11_factory() = std::move(factory); }

namespace {
std::function<bool()>& raise_source() {
  static std::function<bool()> source;
  return source;
}
}  // namespace

void set_raise_request_source(std::function<bool()> source) { raise_source() = std::move(source); }

bool take_raise_request() { return raise_source() && raise_source()(); }

std::unique_ptr<StatusWindow> create_status_window(const WindowTemplate& tmpl,
                                                   WindowHandler& handler) {
  if (std::unique_ptr<StatusWindow> window = create_desktop_window(tmpl, handler)) return window;
  if (display_available()) {
    std::unique_ptr<StatusWindow> window =
        x11_factory() ? x11_factory()(tmpl, handler) : create_x11_window(tmpl, handler);
    if (window) return window;
  }
  return create_headless_window(tmpl, handler);
}

std::string headless_status_line(const std::string& text, int columns) {
  std::string shown = text;
  // Line ends inside a status text would break the single updating line.
  for (char& c : shown) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  if (columns > 1 && shown.size() > static_cast<std::size_t>(columns - 1)) {
    shown.resize(static_cast<std::size_t>(columns - 1));
  }
  return "\r" + shown + "\x1b[K";
}

}  // namespace kv
