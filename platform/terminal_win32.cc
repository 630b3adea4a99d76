// Standard error as a console. A console since Windows 10 understands the same line-clearing
// sequence as a terminal; an older one only returns to the line's start, and the reason is
// padded to the console's width there so that no status text stays visible behind it.
#include <windows.h>

#include "platform/terminal.h"

namespace kv::terminal {
namespace {

HANDLE standard_error() { return ::GetStdHandle(STD_ERROR_HANDLE); }

}  // namespace

bool stderr_is_terminal() {
  DWORD mode = 0;
  return ::GetConsoleMode(standard_error(), &mode) != 0;
}

int stderr_columns() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!::GetConsoleScreenBufferInfo(standard_error(), &info)) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

void write_stderr(const std::string& text) {
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

void write_error_line(const std::string& text) {
  std::string line = text;
  const int columns = stderr_columns();
  if (columns > 1 && line.size() < static_cast<std::size_t>(columns - 1)) {
    line.resize(static_cast<std::size_t>(columns - 1), ' ');
  }
  write_stderr("\r" + line + "\r\n");
}

}  // namespace kv::terminal
