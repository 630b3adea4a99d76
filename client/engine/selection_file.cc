// Selection files (the SEL attribute).
#include "client/engine/journal_texts.h"
#include "client/engine/selection_file.h"

#include <cstdio>

#include "client/common/home.h"
#include "client/common/journal.h"
#include "client/common/text.h"
#include "client/engine/attributes.h"
#include "client/engine/engine_context.h"
#include "client/engine/mailbox_filter.h"
#include "client/engine/result_codes.h"

namespace kv::engine {

namespace {

// Lines of at most 274 characters.
constexpr std::size_t kSelectionLineMaximum = 275;

class SelectionReader {
 public:
  SelectionReader(std::string& filter, int command_kind) : filter_(filter), kind_(command_kind) {}

  // Handles one line; "" or the refusal code.
  std::string take(std::string line) {
    const bool first = first_line_;
    first_line_ = false;
    bool leading_or = false;
    bool trailing_or = false;
    if (equals_ignore_case(line, "or")) {
      leading_or = true;
      line.clear();
    } else {
      if (starts_with_ignore_case(line, "or ")) {
        leading_or = true;
        line.erase(0, line.find_first_not_of(' ', 3));
      }
      if (line.size() >= 3 && equals_ignore_case(line.substr(line.size() - 3), " or")) {
        trailing_or = true;
        line.erase(line.size() - 3);
        trim_trailing(line);
      }
    }
    if (leading_or) {
      if (first) return kCodeSelectionStartsWithOr;
      if (pending_or_) return kCodeSelectionDoubleOr;
      pending_or_ = true;
    }
    if (!line.empty()) {
      std::string code = add_criterion(line);
      if (!code.empty()) return code;
    }
    if (trailing_or) pending_or_ = true;
    return "";
  }

  // "" or the code of a selection that ends badly.
  std::string finish() {
    if (pending_or_) return kCodeSelectionEndsWithOr;
    if (!have_criterion_) return kCodeSelectionEmpty;
    if (filter_.size() + 2 > kMaxFilterLength) return kCodeTooManyCriteria;
    filter_ += " )";
    return "";
  }

 private:
  std::string add_criterion(const std::string& line) {
    const int position = find_attribute(line.substr(0, 3));
    if (position == 0) return kCodeSelectionUnknownKeyword;
    const AttributeKeyword& k = attribute_keyword(position);
    const char digit = mask_digit(kind_, position);
    if (digit == '0') return k.not_allowed;
    if (digit == '1') {
      std::string code = k.not_allowed;
      code[1] = '6';
      return code;
    }
    std::string value = attribute_value(line);
    if (value.empty()) return k.empty;
    const char op = line[3];
    if (!operator_allowed(digit, op)) return attr_code::kOperator;
    std::string code = check_plain_value(position, op, value);
    if (!code.empty()) return code;
    const char* joint = !have_criterion_ ? " & (" : pending_or_ ? " | " : " & ";
    if (!append_criterion(filter_, joint, position, op, value)) return kCodeTooManyCriteria;
    have_criterion_ = true;
    pending_or_ = false;
    return "";
  }

  std::string& filter_;
  int kind_;
  bool first_line_ = true;
  bool pending_or_ = false;
  bool have_criterion_ = false;
};

bool is_comment(const std::string& line) { return starts_with_ignore_case(line, "REM"); }

int refuse(std::string& code, const std::string& refusal) {
  code = refusal;
  if (refusal == kCodeSelectionEmpty) {
    journal_write(3, journal_text::kSelectionFileEmpty);
  } else if (refusal == kCodeTooManyCriteria) {
    journal_write(3, journal_text::kTooManySelectionCriteria);
  } else {
    journal_write(3, journal_text::kSelectionLineWrong);
  }
  return -1;
}

}  // namespace

int append_selection_file(const HomeDirectory& home, std::string& filter, const std::string& name,
                          int command_kind, std::string& code) {
  journal_write(1, journal_text::kSelectingWithFile);
  OpenFile f = home.open(name, "r");
  if (!f) {
    code = kCodeSelectionUnreadable;
    journal_write(3, journal_text::kSelectionFileNotOpened);
    return -1;
  }
  std::string work = filter;
  SelectionReader reader(work, command_kind);
  std::string refusal;
  std::string line;
  for (;;) {
    const int rc = read_line(line, f.get(), kSelectionLineMaximum);
    if (rc == -1) break;
    if (rc == -2) {
      refusal = kCodeSelectionLineTooLong;
      break;
    }
    trim_trailing(line);
    if (line.empty() || is_comment(line)) continue;
    refusal = reader.take(line);
    if (!refusal.empty()) break;
  }
  f.close();
  if (refusal.empty()) refusal = reader.finish();
  if (!refusal.empty()) return refuse(code, refusal);
  filter = work;
  return 0;
}

}  // namespace kv::engine
