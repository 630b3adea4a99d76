// The attribute state of the command in hand and the attribute reader that fills it: every
// attribute line of a command is checked against the command's mask and the keyword's value rule,
// and its value is kept for the command's handler. A refusal leaves its four-digit code in field 3
// of the command's status record.
#pragma once

#include <array>
#include <initializer_list>
#include <string>
#include <vector>

#include "client/common/send_keywords.h"
#include "client/engine/attribute_table.h"

namespace kv::engine {

struct EngineContext;

// Most files one ZEND sends (FIL files and the DIF file): the file fields of the send request.
constexpr std::size_t kMaxFiles = send_keywords::kMaxFiles;
// Most copy separators (BCO, CCO) in one ZEND: 20 recipients in all.
constexpr int kMaxSeparators = 19;

enum RecipientKind { kPrimaryRecipient = 1, kCopyRecipient = 2, kBlindCopyRecipient = 3 };

struct AttributeState {
  std::string presence = std::string(kAttributeCount, '0');   // "1" once accepted
  std::string operators = std::string(kAttributeCount, '0');  // operator given, "0" when none
  std::array<std::string, kAttributeCount + 1> values;        // by position; [0] unused
  std::vector<std::string> files;   // FIL files in order, the DIF file always last
  std::string interchange_file;     // the DIF value; empty when none
  int recipient_count = 0;          // separators accepted in this ZEND
  int recipient_kind = kPrimaryRecipient;

  bool has(int position) const { return presence[position - 1] == '1'; }
  char op(int position) const { return operators[position - 1]; }
  const std::string& value(int position) const { return values[position]; }
};

// (The dispatch's clear_attribute_marks() is declared in front_ends.h.)
// Front-end step 1: every value emptied except the WAI waiting time of an earlier command, the
// address keywords PMD, ORG and OUA..OUD set to their configured defaults, the file list emptied.
void reset_attributes(EngineContext& ctx);

// Reads and checks the attribute lines of the current command (command kind already set).
// 0 at the next command line or the end of the file; -1 after a refusal (code in field 3 of
// `record`); -2 after a line that is too long ("1055" in field 3).
int read_attributes(EngineContext& ctx, std::string& record);

// Checks one attribute line (trailing blanks removed) and stores its value: 0, or -1 with the
// code in field 3 of `record`.
int check_attribute_line(EngineContext& ctx, const std::string& line, std::string& record);

// ZEND: checks the recipient described so far by the address keywords given; 0, or -1 with the
// code ("2501", "2502", "2503", "2506", "2507", "2511") in field 3.
int check_recipient(EngineContext& ctx, std::string& record);

// The value of an attribute line: everything from its fifth character on.
inline std::string attribute_value(const std::string& line) {
  return line.size() > 4 ? line.substr(4) : std::string();
}

// The text, digit-code and date rules of the keyword at `position` for `value` with operator
// `op`: "" when the value is acceptable (a shortened MET/MRT bound is completed in place), else the
// refusal code. Used for attribute lines and for the criteria of a selection file.
std::string check_plain_value(int position, char op, std::string& value);

// Whether any of the positions is present.
bool any_present(EngineContext& ctx, std::initializer_list<int> positions);

}  // namespace kv::engine
