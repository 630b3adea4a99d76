// The selection file of the retrieve.
#include "client/appfiles/selection_file.h"

#include "client/appfiles/patterns.h"
#include "client/appfiles/rcv_record.h"
#include "client/common/home.h"
#include "client/common/line_reader.h"
#include "client/common/open_files.h"
#include "client/common/text.h"

namespace kv {
namespace {

constexpr std::size_t kShortestCondition = 5;

struct KeyField {
  const char* key;
  rcv::Field field;
};

constexpr KeyField kKeys[] = {
    {"PMD", rcv::kPrmd},      {"ORG", rcv::kOrganisation}, {"SUR", rcv::kSurname},
    {"GIV", rcv::kGivenName}, {"IRP", rcv::kInReplyTo},    {"SUB", rcv::kSubject},
    {"MID", rcv::kMessageId}, {"PRI", rcv::kPriority},     {"SEN", rcv::kSensitivity},
};

std::string without_leading_blanks(const std::string& text) {
  std::string::size_type start = text.find_first_not_of(' ');
  return start == std::string::npos ? "" : text.substr(start);
}

bool parse_condition(const std::string& text, bool text_retrieve, SelectionCondition& condition) {
  if (text.size() < kShortestCondition) return false;
  if (text[3] != '=' && text[3] != '!') return false;
  const std::string key = to_upper(text.substr(0, 3));
  for (const KeyField& entry : kKeys) {
    if (key != entry.key) continue;
    if (text_retrieve && entry.field == rcv::kMessageId) return false;
    condition.field = entry.field;
    condition.width = rcv::width(entry.field);
    condition.equal = text[3] == '=';
    condition.value = text.substr(4);
    return true;
  }
  return false;
}

bool condition_holds(const SelectionCondition& condition, const RcvRecord& record) {
  if (condition.value.size() > condition.width) return false;  // with either operator
  bool match = field_pattern_matches(condition.value, record.str(condition.field), condition.width);
  return condition.equal ? match : !match;
}

}  // namespace

bool SelectionFile::parse(const std::vector<std::string>& raw_lines, bool text_retrieve) {
  groups_.clear();
  bool or_pending = false;  // the last thing read was an "or": the next condition joins its group
  bool first = true;
  for (std::string line : raw_lines) {
    trim_trailing(line);
    if (line.find_first_not_of(' ') == std::string::npos) continue;
    const std::string bare = without_leading_blanks(line);
    if (equals_ignore_case(bare, "or")) {  // "or" as a line of its own
      if (first || or_pending) return false;
      or_pending = true;
      continue;
    }
    std::string text = line;
    bool joins_previous = or_pending;
    if (starts_with_ignore_case(bare, "or ")) {  // "or " before a condition
      if (first || or_pending) return false;
      text = without_leading_blanks(bare.substr(3));
      joins_previous = true;
    }
    bool joins_next = false;
    if (text.size() > 3 && equals_ignore_case(text.substr(text.size() - 3), " or")) {
      text = text.substr(0, text.size() - 3);  // a condition followed by "or"
      trim_trailing(text);
      joins_next = true;
    }
    SelectionCondition condition;
    if (!parse_condition(text, text_retrieve, condition)) return false;
    if (joins_previous && !groups_.empty()) {
      groups_.back().push_back(condition);
    } else {
      groups_.push_back({condition});
    }
    or_pending = joins_next;
    first = false;
  }
  return !first && !or_pending;
}

int SelectionFile::load(const std::string& name, bool text_retrieve) {
  OpenFile file(app_home().open(name, "rb"));
  if (!file) return -1;
  std::vector<std::string> lines;
  LineReader reader(file.get());
  TextLine line;
  while (reader.next(line)) lines.push_back(line.text);
  return parse(lines, text_retrieve) ? 1 : 0;
}

bool SelectionFile::accepts(const RcvRecord& record) const {
  for (const auto& group : groups_) {
    bool any = false;
    for (const SelectionCondition& condition : group) {
      if (condition_holds(condition, record)) {
        any = true;
        break;
      }
    }
    if (!any) return false;
  }
  return true;
}

}  // namespace kv
