// POSIX systems have no window of their own: the X11 back end serves when DISPLAY is set.
#include "platform/window.h"

namespace kv {

std::unique_ptr<StatusWindow> create_desktop_window(const WindowTemplate&, WindowHandler&) {
  return nullptr;
}

}  // namespace kv
