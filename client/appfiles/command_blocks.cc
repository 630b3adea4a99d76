// The blocks of the engine command file.
#include "client/appfiles/command_blocks.h"

#include <algorithm>

#include "client/appfiles/patterns.h"
#include "client/common/home.h"
#include "client/common/line_reader.h"
#include "client/common/open_files.h"
#include "client/common/status_callbacks.h"
#include "client/common/text.h"

namespace kv {
namespace {

// The engine writes the first 14 characters of the command line, upper-cased, as the tag.
constexpr std::size_t kTagLength = 14;

std::string tag_key(const std::string& text) {
  std::string key = to_upper(text.substr(0, kTagLength));
  trim_trailing(key);
  return key;
}

}  // namespace

bool is_edi_gathering_pattern(const std::string& pattern) {
  if (pattern.size() < 9 || !starts_with_ignore_case(pattern, "EDI")) return false;
  if (pattern.substr(0, 9).find('*') != std::string::npos) return false;
  return pattern.substr(6, 3).find('?') == std::string::npos;
}

bool CommandBlocks::load(const std::string& command_file) {
  OpenFile file(app_home().open(command_file, "rb"));
  if (!file) return false;
  LineReader reader(file.get());
  TextLine line;
  while (reader.next(line)) {
    busy_indicator();
    add_line(line.text);
  }
  return true;
}

void CommandBlocks::add_line(const std::string& raw) {
  std::string line = raw;
  trim_trailing(line);
  if (!line.empty() && line[0] == '*') {
    CommandBlock block;
    block.tag = line;
    by_tag_[tag_key(line)].push_back(static_cast<int>(blocks_.size()));
    blocks_.push_back(block);
    reading_attributes_ = true;
    return;
  }
  if (blocks_.empty()) return;
  CommandBlock& block = blocks_.back();
  const std::string keyword = line.size() < 3 ? "    " : to_upper(line.substr(0, 4));
  const std::string value = line.size() > 4 ? line.substr(4) : "";
  // FIL= lines count over the whole block: a message fetched into the application's own file must
  // never be recorded as a stored message, whatever attribute stands before the FIL= line.
  if (keyword == "FIL=") {
    ++block.fil_count;
    if (reading_attributes_) block.fil_value = value;
  }
  if (!reading_attributes_) return;
  if (keyword.compare(0, 3, "NOD") == 0) {
    block.nod = true;
    reading_attributes_ = false;  // NOD ends the reading: no gathering
  } else if (keyword == "SUR=") {
    block.sur_value = value;
  } else if (keyword == "GIV=") {
    block.giv_value = value;
  } else if (keyword == "MID=") {
    block.mid_pattern = value;
    block.edi_candidate = is_edi_gathering_pattern(value);
  }
}

int CommandBlocks::locate(const std::string& tag) {
  const std::string key = tag_key(tag);
  if (current_ >= 0 && tag_key(blocks_[static_cast<std::size_t>(current_)].tag) == key) {
    return current_;
  }
  auto found = by_tag_.find(key);
  if (found == by_tag_.end()) return -1;
  const std::vector<int>& list = found->second;
  auto next = std::upper_bound(list.begin(), list.end(), current_);
  current_ = next != list.end() ? *next : list.front();
  return current_;
}

int CommandBlocks::locate_message(const std::string& tag, const std::string& message_id) {
  const std::string key = tag_key(tag);
  const bool same_command =
      current_ >= 0 && tag_key(blocks_[static_cast<std::size_t>(current_)].tag) == key;
  if (same_command &&
      (message_id.empty() ||
       !mid_pattern_matches(blocks_[static_cast<std::size_t>(current_)].mid_pattern, message_id))) {
    const std::vector<int>& list = by_tag_[key];
    auto next = std::upper_bound(list.begin(), list.end(), current_);
    if (next != list.end()) current_ = *next;
    return current_;
  }
  return locate(tag);
}

}  // namespace kv
