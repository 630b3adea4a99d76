// The reasons of failures, for the person who looks for them.
#include "client/common/failure_report.h"

#include "client/common/journal.h"
#include "platform/terminal.h"

namespace kv {
namespace {

std::function<void(const std::string&)>& terminal_sink() {
  static std::function<void(const std::string&)> sink;
  return sink;
}

}  // namespace

void report_reason(const std::string& text) {
  journal_write(3, text);
  const std::string line = "kovendi: " + text;
  if (terminal_sink()) {
    terminal_sink()(line);
  } else if (terminal::stderr_is_terminal()) {
    terminal::write_error_line(line);
  }
}

void set_reason_terminal(std::function<void(const std::string&)> sink) {
  terminal_sink() = std::move(sink);
}

}  // namespace kv
