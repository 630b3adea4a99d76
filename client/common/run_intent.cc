// The run's intent record.
#include "client/common/run_intent.h"

#include "platform/file_lock.h"

namespace kv {
namespace {

int g_descriptor = -1;
std::string g_path;

}  // namespace

void set_intent_descriptor(int fd, const std::string& path) {
  g_descriptor = fd;
  g_path = path;
}

bool record_intent(const std::string& key, const std::string& value) {
  if (g_descriptor < 0) return true;
  std::string line = key;
  if (!value.empty()) line += " " + value;
  return fs::append_synced(g_descriptor, line + "\n", g_path).ok();
}

bool record_intents(const std::string& key, const std::vector<std::string>& values) {
  if (g_descriptor < 0 || values.empty()) return true;
  std::string lines;
  for (const std::string& value : values) lines += key + " " + value + "\n";
  return fs::append_synced(g_descriptor, lines, g_path).ok();
}

bool record_intents(const std::vector<IntentLine>& lines) {
  if (g_descriptor < 0 || lines.empty()) return true;
  std::string text;
  for (const IntentLine& line : lines) text += line.key + " " + line.value + "\n";
  return fs::append_synced(g_descriptor, text, g_path).ok();
}

std::vector<IntentLine> parse_intent(const std::string& text) {
  std::vector<IntentLine> lines;
  std::size_t start = 0;
  for (std::size_t end = text.find('\n'); end != std::string::npos;
       start = end + 1, end = text.find('\n', start)) {
    std::string line = text.substr(start, end - start);
    std::size_t blank = line.find(' ');
    if (blank == std::string::npos) {
      lines.push_back({line, ""});
    } else {
      lines.push_back({line.substr(0, blank), line.substr(blank + 1)});
    }
  }
  return lines;
}

std::vector<std::string> intent_parts(const std::string& value) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t bar = value.find('|'); bar != std::string::npos; bar = value.find('|', start)) {
    parts.push_back(value.substr(start, bar - start));
    start = bar + 1;
  }
  parts.push_back(value.substr(start));
  return parts;
}

bool rewrite_done(const std::vector<IntentLine>& record, const std::string& full_path) {
  for (const IntentLine& line : record) {
    if (line.key != intent::kRewrite) continue;
    const std::vector<std::string> parts = intent_parts(line.value);
    if (parts.size() == 3 && parts[0] == full_path) return fs::file_identity(full_path) != parts[1];
  }
  return true;
}

}  // namespace kv
