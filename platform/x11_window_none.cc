// Built when the X11 back end is not: every window is headless.
#include "platform/window.h"

namespace kv {

std::unique_ptr<StatusWindow> create_x11_window(const WindowTemplate&, WindowHandler&) {
  return nullptr;
}

}  // namespace kv
