// Standard error as a person's terminal, on POSIX systems.
#include "platform/terminal.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace kv::terminal {

bool stderr_is_terminal() { return ::isatty(STDERR_FILENO) == 1; }

int stderr_columns() {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0) return size.ws_col;
  return 0;
}

void write_stderr(const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(STDERR_FILENO, text.data() + done, text.size() - done);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

void write_error_line(const std::string& text) { write_stderr("\r\033[K" + text + "\n"); }

}  // namespace kv::terminal
