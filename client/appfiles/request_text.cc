// Reading and recognising the lines of a request and the other line files of the application.
#include "client/appfiles/request_text.h"

#include "client/common/text.h"

namespace kv {

namespace {

// No real request line comes near this; it only keeps a binary file from filling memory.
constexpr std::size_t kSafetyBound = 1 << 20;

}  // namespace

bool read_whole_line(std::FILE* stream, std::string& line) {
  for (;;) {
    int rc = read_line(line, stream, kSafetyBound);
    if (rc == -1) return false;
    trim_trailing(line);
    if (!line.empty()) return true;
  }
}

bool is_command_line(const std::string& line) { return !line.empty() && line[0] == '*'; }

std::string command_name(const std::string& line) {
  return line.size() > 4 ? line.substr(4) : std::string();
}

bool is_command(const std::string& line, const char* name) {
  return is_command_line(line) && equals_ignore_case(command_name(line), name);
}

std::string attribute_keyword(const std::string& line) {
  if (line.size() < 3) return "    ";
  return to_upper(line.substr(0, 4));
}

std::string attribute_value(const std::string& line) {
  return line.size() > 4 ? line.substr(4) : std::string();
}

bool line_begins(const std::string& line, const char* prefix) {
  return starts_with_ignore_case(line, prefix);
}

}  // namespace kv
