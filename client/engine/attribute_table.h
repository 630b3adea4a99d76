// The vocabulary of command attribute lines: the 43 keywords with their fixed positions, their
// value rules and result codes, and the per-command masks that say which keywords a command
// accepts and with which comparison operators.
#pragma once

#include <string>

#include "client/common/status_layout.h"

namespace kv::engine {

constexpr int kAttributeCount = 43;

// Fixed positions 1..43; they index the masks, presence flags, operators and code tables.
enum AttributePosition {
  kAttrDIS = 1, kAttrALI, kAttrCOU, kAttrADM, kAttrPMD, kAttrORG, kAttrOUA, kAttrOUB, kAttrOUC,
  kAttrOUD, kAttrSUR, kAttrGIV, kAttrINI, kAttrDTA, kAttrDVA, kAttrDTB, kAttrDVB, kAttrGQU,
  kAttrLID, kAttrMID, kAttrSUB, kAttrIRP, kAttrPRI, kAttrSEN, kAttrNOT, kAttrRAP, kAttrFIL,
  kAttrDIR, kAttrDIF, kAttrBCO, kAttrCCO, kAttrWAI, kAttrPIN, kAttrNOD, kAttrDEL, kAttrADD,
  kAttrSEL, kAttrNOP, kAttrANS, kAttrANN, kAttrREM, kAttrMET, kAttrMRT,
};
// The address keywords that describe one recipient of a ZEND.
constexpr int kLastAddressAttribute = kAttrGQU;

enum class ValueRule {
  kText,          // at most max_length characters, not empty
  kOptionalText,  // may be empty, at most max_length; the operator is not examined
  kDigitCode,     // one character, a digit from low to high
  kAlone,         // the keyword stands alone on its line
  kFile,          // FIL
  kDirectory,     // DIR
  kInterchange,   // DIF
  kSelection,     // SEL
  kSeparator,     // BCO, CCO
  kWaitTime,      // WAI
  kNewPassword,   // PIN
  kDateBound,     // MET, MRT
  kComment,       // REM
};

struct AttributeKeyword {
  const char* keyword;
  ValueRule rule;
  int max_length;          // text rules; 0 when the rule has none of its own
  int low, high;           // kDigitCode range
  const char* value_code;  // the value rule's code (the length code where there are several)
  const char* not_allowed; // mask digit "0"
  const char* twice;       // "" where the case cannot arise
  const char* empty;       // "" where the value may be empty or the keyword stands alone
};

// Keyword at `position` (1..43).
const AttributeKeyword& attribute_keyword(int position);
// Position of a three-letter keyword (any case), 0 when it is not one of the 43.
int find_attribute(const std::string& keyword);

// The field of a ZEND status line that carries the value of the send keyword at `position` (the
// pairing of client/common/send_keywords.h; the first file's field for FIL).
status::Field zend_status_field(int position);

// Mask of 43 digits of a command kind (1..7), nullptr for other kinds.
const char* command_mask(int command_kind);
// Mask digit of `position` for the command kind: '0', '1', '2' or '3'.
char mask_digit(int command_kind, int position);
// Whether `op` is allowed by a mask digit ("=" for 1; "=" "!" for 2; "=" "!" "<" ">" for 3).
bool operator_allowed(char digit, char op);

// Further codes of the value rules that have more than one.
namespace attr_code {
inline constexpr const char* kUnknownKeyword = "2003";
inline constexpr const char* kOperator = "2160";
inline constexpr const char* kNinthFile = "2423";
inline constexpr const char* kNinthFileWithInterchange = "2430";
inline constexpr const char* kInterchangeNoRoom = "2429";
inline constexpr const char* kTooManySeparators = "2428";
inline constexpr const char* kWaitLength = "2436";
inline constexpr const char* kWaitDigits = "2437";
inline constexpr const char* kWaitRange = "2438";
inline constexpr const char* kPinForm = "2439";
inline constexpr const char* kPinUnchanged = "2440";
inline constexpr const char* kMetLength = "2448";
inline constexpr const char* kMetDigits = "2449";
inline constexpr const char* kMetShort = "2450";
inline constexpr const char* kMrtLength = "2451";
inline constexpr const char* kMrtDigits = "2452";
inline constexpr const char* kMrtShort = "2453";
}  // namespace attr_code

}  // namespace kv::engine
