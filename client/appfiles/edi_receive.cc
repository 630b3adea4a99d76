// Receive requests for EDI messages: the ONTVANG rewrite that first fetches the messages stored
// for this application into the request's file, and the report pattern rule of scriptin.dir
// requests.
#include <string>
#include <vector>

#include "client/appfiles/request_text.h"
#include "client/appfiles/translation.h"
#include "client/common/text.h"

namespace kv {

namespace {

// Line positions are counted from 1 in the whole line.
bool char_in_positions(const std::string& line, char c, std::size_t from, std::size_t to) {
  for (std::size_t p = from; p <= to && p <= line.size(); ++p) {
    if (line[p - 1] == c) return true;
  }
  return false;
}

std::string code_or_std(const std::string& app_id) { return app_id == "   " ? "STD" : app_id; }

bool qualifies_for_rewrite(const std::vector<std::string>& block) {
  int files = 0;
  int identifiers = 0;
  const std::string* mid = nullptr;
  for (const std::string& line : block) {
    if (line_begins(line, "FIL=")) ++files;
    if (line_begins(line, "MID=")) {
      ++identifiers;
      mid = &line;
    }
  }
  if (files != 1 || identifiers != 1) return false;
  if (!line_begins(attribute_value(*mid), "EDI")) return false;
  return char_in_positions(*mid, '*', 5, 13) || char_in_positions(*mid, '?', 11, 13);
}

// "MID=EDI" + the three characters at line positions 8 to 10 ("*" becomes "?", missing ones are
// "?") + the application code + "*".
std::string stored_messages_pattern(const std::string& mid_line, const std::string& app_id) {
  std::string kind = mid_line.size() < 8 ? "???" : mid_line.substr(7, 3);
  for (char& c : kind) {
    if (c == '*') c = '?';
  }
  kind.resize(3, '?');
  return "MID=EDI" + kind + code_or_std(app_id) + "*";
}

}  // namespace

bool rewrite_edi_receive(Translation& tr, const std::string& command,
                         const std::vector<std::string>& block) {
  if (!qualifies_for_rewrite(block)) return false;
  tr.write(command);
  for (const std::string& line : block) {
    tr.write(line_begins(line, "MID=") ? stored_messages_pattern(line, tr.app_id) : line);
  }
  tr.write(command);
  for (const std::string& line : block) {
    if (line_begins(line, "FIL=") || line_begins(line, "ADD")) continue;
    tr.write(line);
  }
  return true;
}

std::string apply_report_pattern(const std::string& line, const std::string& app_id) {
  if (char_in_positions(line, '*', 8, 13)) return "MID=EDI???" + code_or_std(app_id) + "*";
  if (char_in_positions(line, '?', 11, 13)) return line.substr(0, 10) + code_or_std(app_id) + "*";
  return line;
}

}  // namespace kv
