// The attribute state of the command in hand and the attribute reader that fills it.
#include "client/engine/attributes.h"

#include <algorithm>
#include <cstring>

#include "client/common/journal.h"
#include "client/common/status_layout.h"
#include "client/common/text.h"
#include "client/engine/command_file.h"
#include "client/engine/engine_config.h"
#include "client/engine/engine_context.h"
#include "client/engine/engine_control.h"
#include "client/engine/failure_reason.h"
#include "client/engine/front_ends.h"
#include "client/engine/journal_texts.h"
#include "client/engine/path_check.h"
#include "client/engine/recipients.h"
#include "client/engine/result_codes.h"
#include "client/engine/session_result.h"
#include "client/engine/session_state.h"
#include "client/engine/status_file.h"

namespace kv::engine {

namespace {

constexpr const char* kPinCharacters = "1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ*.$";

int command_kind(EngineContext& ctx) { return ctx.control.command_kind; }

bool all_digits(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int refuse(std::string& record, const std::string& code) {
  set_result_code(record, code);
  return kRefused;
}

// Field that receives a refused file, directory or selection-file name.
status::Field refused_value_field(EngineContext& ctx, int position) {
  switch (command_kind(ctx)) {
    case kLijst: return status::lijst::kListingFile;
    case kRapport: return status::rapport::kReportFile;
    case kVerwijder:
      return position == kAttrSEL ? status::verwijder::kRefusedSelection : status::kRefusedValue;
    default: return status::kRefusedValue;
  }
}

// Path check of `name`; on refusal its code goes to field 3 and the name to the command's field.
int checked_path(EngineContext& ctx, std::string& record, int position, const std::string& name,
                 PathAccess access, PathKind kind) {
  if (check_path(ctx, name, access, kind) == 0) return 0;
  set_result_code(record, ctx.session.result_text);
  set_field(record, refused_value_field(ctx, position), name);
  return kRefused;
}

bool is_separator(char c) { return c == '\\' || c == '/'; }

// The configured default of an address keyword that has one (PMD, ORG, OUA..OUD).
std::string address_default(EngineContext& ctx, int position) {
  const EngineSettings& s = ctx.settings;
  switch (position) {
    case kAttrPMD: return s.prmd;
    case kAttrORG: return s.organisation;
    case kAttrOUA: return s.unit_a;
    case kAttrOUB: return s.unit_b;
    case kAttrOUC: return s.unit_c;
    case kAttrOUD: return s.unit_d;
    default: return "";
  }
}

void reset_address_keywords(EngineContext& ctx) {
  AttributeState& a = ctx.attributes;
  for (int p = 1; p <= kLastAddressAttribute; ++p) {
    a.values[p] = address_default(ctx, p);
    a.presence[p - 1] = '0';
    a.operators[p - 1] = '0';
  }
}

// FIL: appended to the file list in front of a DIF file, then checked against the file system.
int check_file(EngineContext& ctx, std::string& record, const std::string& value) {
  AttributeState& a = ctx.attributes;
  const bool zend = command_kind(ctx) == kZend;
  if (zend && a.files.size() >= kMaxFiles) {
    set_field(record, status::kRefusedValue, value);
    return refuse(record, a.interchange_file.empty() ? attr_code::kNinthFile
                                                     : attr_code::kNinthFileWithInterchange);
  }
  if (!a.interchange_file.empty() && !a.files.empty()) {
    a.files.insert(a.files.end() - 1, value);
  } else {
    a.files.push_back(value);
  }
  a.values[kAttrFIL] = value;
  return checked_path(ctx, record, kAttrFIL, value, zend ? PathAccess::read : PathAccess::write,
                      PathKind::file);
}

// DIR: one trailing separator dropped, checked as a directory to be written, and then ended with
// a separator so that file names can follow it directly.
int check_directory(EngineContext& ctx, std::string& record, std::string value) {
  if (value.size() > 3 && is_separator(value.back())) value.pop_back();
  journal_write(1, filled(journal_text::kCheckingDirectory, {value}));
  if (checked_path(ctx, record, kAttrDIR, value, PathAccess::write, PathKind::directory) != 0) {
    return kRefused;
  }
  journal_write(1, journal_text::kDirectoryOkay);
  const bool bare_drive = value.size() == 2 && value[1] == ':';
  if (!value.empty() && !is_separator(value.back()) && !bare_drive) value += '/';
  ctx.attributes.values[kAttrDIR] = value;
  return 0;
}

int check_interchange(EngineContext& ctx, std::string& record, const std::string& value) {
  AttributeState& a = ctx.attributes;
  if (a.files.size() >= kMaxFiles) {
    set_field(record, status::kRefusedValue, value);
    return refuse(record, attr_code::kInterchangeNoRoom);
  }
  a.files.push_back(value);
  a.interchange_file = value;
  a.values[kAttrDIF] = value;
  return checked_path(ctx, record, kAttrDIF, value, PathAccess::read, PathKind::file);
}

// BCO / CCO: closes the recipient described so far and opens the next one.
int check_separator(EngineContext& ctx, std::string& record, int position) {
  AttributeState& a = ctx.attributes;
  if (a.recipient_count >= kMaxSeparators) return refuse(record, attr_code::kTooManySeparators);
  if (check_recipient(ctx, record) != 0) return kRefused;
  add_recipient(ctx, a.recipient_count, a.recipient_kind);
  reset_address_keywords(ctx);
  ++a.recipient_count;
  a.recipient_kind = position == kAttrBCO ? kBlindCopyRecipient : kCopyRecipient;
  return 0;
}

int check_wait_time(EngineContext& ctx, std::string& record, const std::string& value) {
  if (value.empty() || value.size() > 3) return refuse(record, attr_code::kWaitLength);
  if (!all_digits(value)) return refuse(record, attr_code::kWaitDigits);
  if (std::stoi(value) > 900) return refuse(record, attr_code::kWaitRange);
  ctx.attributes.values[kAttrWAI] = value;
  return 0;
}

int check_new_password(EngineContext& ctx, std::string& record, const std::string& value) {
  std::string upper = to_upper(value);
  const bool form_ok = upper.size() >= 5 && upper.size() <= 8 &&
                       upper.find_first_not_of(kPinCharacters) == std::string::npos;
  if (!form_ok) return refuse(record, attr_code::kPinForm);
  const OpenSession* open = ctx.session.open_parameters.get();
  if (open && equals_ignore_case(upper, std::string(open->password, strnlen(open->password,
                                                                             sizeof open->password)))) {
    return refuse(record, attr_code::kPinUnchanged);
  }
  ctx.attributes.values[kAttrPIN] = upper;
  return 0;
}

bool needs_value(ValueRule rule) {
  return rule != ValueRule::kOptionalText && rule != ValueRule::kAlone &&
         rule != ValueRule::kSeparator && rule != ValueRule::kComment;
}

// Text, digit-code and date rules: the value checked, completed and stored.
int check_and_store_plain(EngineContext& ctx, std::string& record, int position, char op,
                          std::string value) {
  const std::string code = check_plain_value(position, op, value);
  if (!code.empty()) return refuse(record, code);
  ctx.attributes.values[position] = value;
  return 0;
}

// The value rule of the keyword at `position` for `line`.
int check_value(EngineContext& ctx, std::string& record, int position, const std::string& line) {
  AttributeState& a = ctx.attributes;
  const AttributeKeyword& k = attribute_keyword(position);
  const std::string value = attribute_value(line);

  if (needs_value(k.rule)) {
    if (value.empty()) return refuse(record, k.empty);
    const char op = line[3];
    if (!operator_allowed(mask_digit(command_kind(ctx), position), op)) {
      return refuse(record, attr_code::kOperator);
    }
    a.operators[position - 1] = op;
  }
  const bool too_long = k.max_length > 0 && value.size() > static_cast<std::size_t>(k.max_length);

  switch (k.rule) {
    case ValueRule::kComment:
      return 0;
    case ValueRule::kAlone:
    case ValueRule::kSeparator:
      if (line.size() != 3) return refuse(record, k.value_code);
      if (k.rule == ValueRule::kSeparator) return check_separator(ctx, record, position);
      a.values[position].assign(1, position == kAttrNOD ? '8' : '1');
      return 0;
    case ValueRule::kOptionalText:
      if (too_long) return refuse(record, k.value_code);
      a.values[position] = value;
      return 0;
    case ValueRule::kText:
    case ValueRule::kDigitCode:
    case ValueRule::kDateBound:
      return check_and_store_plain(ctx, record, position, a.op(position), value);
    case ValueRule::kFile:
      if (too_long) return refuse(record, k.value_code);
      return check_file(ctx, record, value);
    case ValueRule::kDirectory:
      if (too_long) return refuse(record, k.value_code);
      return check_directory(ctx, record, value);
    case ValueRule::kInterchange:
      if (too_long) return refuse(record, k.value_code);
      return check_interchange(ctx, record, value);
    case ValueRule::kSelection:
      if (too_long) return refuse(record, k.value_code);
      a.values[kAttrSEL] = value;
      return checked_path(ctx, record, kAttrSEL, value, PathAccess::read, PathKind::file);
    case ValueRule::kWaitTime: return check_wait_time(ctx, record, value);
    case ValueRule::kNewPassword: return check_new_password(ctx, record, value);
  }
  return 0;
}

bool may_repeat(EngineContext& ctx, int position) {
  if (position == kAttrREM) return true;
  return command_kind(ctx) == kZend &&
         (position == kAttrFIL || position == kAttrBCO || position == kAttrCCO);
}

}  // namespace

std::string check_plain_value(int position, char op, std::string& value) {
  const AttributeKeyword& k = attribute_keyword(position);
  switch (k.rule) {
    case ValueRule::kText:
      return value.size() > static_cast<std::size_t>(k.max_length) ? k.value_code : "";
    case ValueRule::kDigitCode:
      return value.size() != 1 || value[0] < '0' + k.low || value[0] > '0' + k.high
                 ? k.value_code
                 : "";
    case ValueRule::kDateBound: {
      // Digits, at most 10; "=" and "!" need a whole date (6 digits or more), ">" and "<"
      // complete a shortened date to the end or the start of the period it names.
      const bool met = position == kAttrMET;
      if (!all_digits(value)) return met ? attr_code::kMetDigits : attr_code::kMrtDigits;
      if (value.size() > 10) return met ? attr_code::kMetLength : attr_code::kMrtLength;
      if (value.size() < 6) {
        if (op == '>') {
          value.append(6 - value.size(), '9');
        } else if (op == '<') {
          value.append(6 - value.size(), '0');
        } else {
          return met ? attr_code::kMetShort : attr_code::kMrtShort;
        }
      }
      return "";
    }
    default:
      return "";
  }
}

void clear_attribute_marks(EngineContext& ctx) {
  ctx.attributes.presence.assign(kAttributeCount, '0');
  ctx.attributes.operators.assign(kAttributeCount, '0');
  ctx.attributes.files.clear();
}

void reset_attributes(EngineContext& ctx) {
  AttributeState& a = ctx.attributes;
  const std::string wait = a.values[kAttrWAI];
  for (auto& v : a.values) v.clear();
  a.values[kAttrWAI] = wait;
  reset_address_keywords(ctx);
  a.presence.assign(kAttributeCount, '0');
  a.operators.assign(kAttributeCount, '0');
  a.files.clear();
  a.interchange_file.clear();
  a.recipient_count = 0;
  a.recipient_kind = kPrimaryRecipient;
}

int check_attribute_line(EngineContext& ctx, const std::string& line, std::string& record) {
  const int position = find_attribute(line.substr(0, 3));
  if (position == 0) return refuse(record, attr_code::kUnknownKeyword);
  if (mask_digit(command_kind(ctx), position) == '0') {
    return refuse(record, attribute_keyword(position).not_allowed);
  }
  AttributeState& a = ctx.attributes;
  if (!may_repeat(ctx, position) && a.has(position)) {
    return refuse(record, attribute_keyword(position).twice);
  }
  if (position != kAttrREM) a.presence[position - 1] = '1';
  return check_value(ctx, record, position, line);
}

int read_attributes(EngineContext& ctx, std::string& record) {
  journal_write(1, journal_text::kCheckingAttributes);
  ctx.attributes.recipient_count = 0;
  for (;;) {
    std::string line;
    switch (ctx.command_file.read_attribute_line(line)) {
      case AttributeRead::end:
        return 0;
      case AttributeRead::too_long: set_result_code(record, kCodeLineTooLong); return kEndSession;
      case AttributeRead::line:
        if (check_attribute_line(ctx, line, record) != 0) {
          note_failure_detail("the line \"" + shown_line(line) + "\"");
          return kRefused;
        }
        break;
    }
  }
}

bool any_present(EngineContext& ctx, std::initializer_list<int> positions) {
  return std::any_of(positions.begin(), positions.end(),
                     [&ctx](int p) { return ctx.attributes.has(p); });
}

int check_recipient(EngineContext& ctx, std::string& record) {
  const AttributeState& a = ctx.attributes;
  if (a.has(kAttrALI) && a.has(kAttrDIS)) return refuse(record, kCodeAliasAndList);
  if (a.has(kAttrDIS) && a.has(kAttrDIF)) return refuse(record, kCodeListAndInterchange);
  const bool address_given =
      any_present(ctx, {kAttrCOU, kAttrADM, kAttrPMD, kAttrORG, kAttrOUA, kAttrOUB, kAttrOUC,
                        kAttrOUD, kAttrSUR, kAttrGIV, kAttrINI});
  if ((a.has(kAttrALI) || a.has(kAttrDIS)) && address_given) {
    return refuse(record, a.has(kAttrALI) ? kCodeAliasWithAddress : kCodeListWithAddress);
  }
  if (!address_given && !a.has(kAttrALI) && !a.has(kAttrDIS)) {
    return refuse(record, a.recipient_count == 0 ? kCodeNoRecipient : kCodeNoLaterRecipient);
  }
  return 0;
}

}  // namespace kv::engine
