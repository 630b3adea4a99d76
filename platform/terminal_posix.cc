#include "platform/terminal.h"

#include <unistd.h>

namespace kv::terminal {

bool stderr_is_terminal() { return ::isatty(STDERR_FILENO) == 1; }

void write_error_line(const std::string& text) {
  const std::string line = "\r\033[K" + text + "\n";
  std::size_t done = 0;
  while (done < line.size()) {
    ssize_t n = ::write(STDERR_FILENO, line.data() + done, line.size() - done);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace kv::terminal
