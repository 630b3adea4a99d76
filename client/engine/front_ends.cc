// The seven command front-ends: each resets the attribute state, reads and checks the command's
// attribute lines, applies the command's combination rules and hands the command to its handler.
#include "client/engine/front_ends.h"

#include <cstdio>
#include <new>

#include "client/common/home.h"
#include "client/common/journal.h"
#include "client/common/run_intent.h"
#include "client/common/status_layout.h"
#include "client/common/text.h"
#include "client/engine/attributes.h"
#include "client/engine/cmd_password.h"
#include "client/engine/cmd_zend.h"
#include "client/engine/command_context.h"
#include "client/engine/command_file.h"
#include "client/engine/engine_config.h"
#include "client/engine/engine_context.h"
#include "client/engine/engine_control.h"
#include "client/engine/journal_texts.h"
#include "client/engine/message_commands.h"
#include "client/engine/per_message.h"
#include "client/engine/recipients.h"
#include "client/engine/result_codes.h"
#include "client/engine/session_result.h"
#include "client/engine/session_state.h"
#include "client/engine/status_file.h"
#include "client/engine/subtract_list.h"
#include "client/engine/wait_answers.h"
#include "platform/fs.h"

namespace kv::engine {

namespace {

constexpr const char* kUseError = "Fout bij gebruik van attributen, skip commando";
constexpr const char* kCombinationError = "combinatie fout van attributen, skip commando";
constexpr std::size_t kMaxEdifactEnvelope = 2095104;

// Whether any selection attribute (MID, IRP, SUR, GIV, PRI, SEN, SUB), or SEL or MET when
// asked, was given.
bool any_selection(EngineContext& ctx, bool with_sel, bool with_met) {
  return any_present(ctx, {kAttrMID, kAttrIRP, kAttrSUR, kAttrGIV, kAttrPRI, kAttrSEN, kAttrSUB}) ||
         (with_sel && ctx.attributes.has(kAttrSEL)) || (with_met && ctx.attributes.has(kAttrMET));
}

// Refuses the command after its attributes were read: code, status line, journal line (if any).
int refuse(EngineContext& ctx, std::string& record, const char* code, const char* journal_text) {
  set_result_code(record, code);
  write_status_line(ctx, record);
  if (journal_text) journal_write(3, journal_text);
  return 0;
}

// The refusal of a bad attribute: status line, the command's journal line, skip to the next
// command.
int refuse_attributes(EngineContext& ctx, std::string& record, int command_number) {
  write_status_line(ctx, record);
  journal_write(3, filled(journal_text::kAttributesWrongSkip, {std::to_string(command_number)}));
  return ctx.command_file.skip_to_next_command();
}

// Front-end steps 1 and 2: a fresh attribute state for the command. The WAI of an earlier
// command is kept within the session; the first command of a session (kind still 0) forgets it.
void start_command(EngineContext& ctx, CommandKind kind) {
  EngineControl& control = ctx.control;
  if (control.command_kind == kNoCommand) ctx.attributes.values[kAttrWAI].clear();
  reset_attributes(ctx);
  ctx.command = CommandContext{};
  control.command_kind = kind;
}

// Front-end steps 1 to 3. True when the attributes were accepted; otherwise `result` holds what
// the front-end returns.
bool read_command_attributes(EngineContext& ctx, std::string& record, CommandKind kind,
                             int command_number, int* result) {
  start_command(ctx, kind);
  const int rc = read_attributes(ctx, record);
  if (rc == 0) return true;
  if (rc == kEndSession) {
    write_status_line(ctx, record);
    *result = kEndSession;
  } else {
    *result = refuse_attributes(ctx, record, command_number);
  }
  return false;
}

bool has(EngineContext& ctx, int position) { return ctx.attributes.has(position); }
const std::string& value(EngineContext& ctx, int position) {
  return ctx.attributes.value(position);
}
std::string read_flag(EngineContext& ctx) {
  return has(ctx, kAttrNOD) || has(ctx, kAttrMRT) ? "1" : "0";
}

// An output file of the command (FIL): replaced unless ADD is given, and present afterwards.
void prepare_output_file(EngineContext& ctx, const std::string& name) {
  if (!has(ctx, kAttrADD)) ctx.home.remove(name);
  ctx.home.open(name, "a");
}

void remove_if_empty(EngineContext& ctx, const std::string& name) {
  long long size = -1;
  if (ctx.home.stat(name, &size) == 0 && size == 0) ctx.home.remove(name);
}

// Sum of the sizes of the files to send; a file that cannot be found counts 0.
std::uint64_t total_file_size(EngineContext& ctx) {
  std::uint64_t total = 0;
  for (const std::string& name : ctx.attributes.files) {
    const fs::Status st = fs::status(ctx.home.fullpath(name));
    if (st.exists && !st.is_directory && st.size > 0) total += static_cast<std::uint64_t>(st.size);
  }
  return total;
}

// The status line of a ZEND refused for the size of its EDIFACT envelope.
void put_oversize_fields(EngineContext& ctx, std::string& record) {
  const EngineSettings& s = ctx.settings;
  auto digit_or = [&ctx](int position, int fallback) {
    return has(ctx, position) ? value(ctx, position) : format("%1d", fallback);
  };
  auto text_or = [&ctx](int position, const std::string& fallback) {
    return value(ctx, position).empty() ? fallback : value(ctx, position);
  };
  const auto put = [&record](int position, const std::string& text) {
    set_field(record, zend_status_field(position), text);
  };
  put(kAttrPRI, digit_or(kAttrPRI, s.priority));
  put(kAttrSEN, digit_or(kAttrSEN, s.sensitivity));
  put(kAttrNOT, digit_or(kAttrNOT, s.notification));
  put(kAttrRAP, digit_or(kAttrRAP, s.report));
  const auto& files = ctx.attributes.files;
  for (std::size_t i = 0; i < files.size() && i < kMaxFiles; ++i) {
    set_field(record, nth_field(zend_status_field(kAttrFIL), static_cast<int>(i)), files[i]);
  }
  put(kAttrDEL, has(ctx, kAttrDEL) ? "1" : "0");
  put(kAttrSUB, value(ctx, kAttrSUB));
  put(kAttrIRP, value(ctx, kAttrIRP));
  if (has(ctx, kAttrALI)) {
    put(kAttrALI, value(ctx, kAttrALI));
    return;
  }
  put(kAttrCOU, has(ctx, kAttrCOU) ? value(ctx, kAttrCOU) : s.country);
  put(kAttrADM, has(ctx, kAttrADM) ? value(ctx, kAttrADM) : s.admd);
  put(kAttrPMD, text_or(kAttrPMD, s.prmd));
  put(kAttrORG, text_or(kAttrORG, s.organisation));
  put(kAttrOUA, text_or(kAttrOUA, s.unit_a));
  put(kAttrOUB, text_or(kAttrOUB, s.unit_b));
  put(kAttrOUC, text_or(kAttrOUC, s.unit_c));
  put(kAttrOUD, text_or(kAttrOUD, s.unit_d));
  for (int position :
       {kAttrSUR, kAttrGIV, kAttrINI, kAttrGQU, kAttrDTA, kAttrDVA, kAttrDTB, kAttrDVB}) {
    put(position, value(ctx, position));
  }
}

void remember_sent_message(EngineContext& ctx, const std::string& mid) {
  try {
    ctx.session.sent_messages.push_back(mid.substr(0, kSentMessageIdWidth));
  } catch (const std::bad_alloc&) {
    journal_write(3, journal_text::kNoMemoryForMidTable);
  }
}

}  // namespace

int zend_front_end(EngineContext& ctx, std::string& record) {
  if (MessageOut* out = ctx.session.outgoing.get()) API_initOrname(&out->recipients[0].orName);
  int result = 0;
  if (!read_command_attributes(ctx, record, kZend, 1, &result)) return result;
  AttributeState& a = ctx.attributes;
  if (!has(ctx, kAttrMID)) return refuse(ctx, record, kCodeNoMid, kUseError);
  set_field(record, zend_status_field(kAttrMID), value(ctx, kAttrMID));
  if (!has(ctx, kAttrFIL)) return refuse(ctx, record, kCodeNoFil, kUseError);
  if (check_recipient(ctx, record) != 0) {
    write_status_line(ctx, record);
    journal_write(3, kUseError);
    return 0;
  }
  if (has(ctx, kAttrDIF) && a.recipient_count > 0)
    return refuse(ctx, record, kCodeInterchangeWithCopies, kUseError);
  add_recipient(ctx, a.recipient_count, a.recipient_kind);
  if (starts_with_ignore_case(value(ctx, kAttrMID), "EDI") &&
      total_file_size(ctx) > kMaxEdifactEnvelope) {
    put_oversize_fields(ctx, record);
    set_result_code(record, kCodeInterchangeTooLarge);
    journal_write(3, journal_text::kEnvelopeTooLarge);
    write_status_line(ctx, record);
    return 0;
  }
  ++a.recipient_count;
  const int sent = zend(ctx, record);
  if (sent == 0 && has(ctx, kAttrANS)) remember_sent_message(ctx, value(ctx, kAttrMID));
  return sent;
}

int ontvang_front_end(EngineContext& ctx, std::string& record) {
  int result = 0;
  if (!read_command_attributes(ctx, record, kOntvang, 2, &result)) return result;
  if (has(ctx, kAttrADD) && !has(ctx, kAttrFIL))
    return refuse(ctx, record, kCodeAddWithoutFil, kUseError);
  if (has(ctx, kAttrNOD) && has(ctx, kAttrANN))
    return refuse(ctx, record, kCodeNodWithAnn, kCombinationError);
  if (has(ctx, kAttrNOD) && has(ctx, kAttrMRT))
    return refuse(ctx, record, kCodeNodWithMrt, kCombinationError);
  if (has(ctx, kAttrFIL) && has(ctx, kAttrDIR))
    return refuse(ctx, record, kCodeFilAndDir, kUseError);
  if (has(ctx, kAttrLID)) {
    if (any_selection(ctx, true, true)) {
      return refuse(ctx, record, kCodeLidWithSelection, kUseError);
    }
  } else if (has(ctx, kAttrSEL) && any_selection(ctx, false, true)) {
    return refuse(ctx, record, kCodeSelectionWithCriteria, kUseError);
  }
  const std::string output = has(ctx, kAttrFIL) ? value(ctx, kAttrFIL) : std::string();
  if (!output.empty()) prepare_output_file(ctx, output);
  result = has(ctx, kAttrLID) ? receive_message(ctx, record, value(ctx, kAttrLID))
                              : for_each_listed_message(ctx, record);
  if (!output.empty()) remove_if_empty(ctx, output);
  return result;
}

int lijst_front_end(EngineContext& ctx, std::string& record) {
  int result = 0;
  if (!read_command_attributes(ctx, record, kLijst, 3, &result)) return result;
  if (has(ctx, kAttrFIL) && has(ctx, kAttrDIR))
    return refuse(ctx, record, kCodeFilAndDir, kCombinationError);
  if (has(ctx, kAttrNOD) && has(ctx, kAttrANN))
    return refuse(ctx, record, kCodeNodWithAnn, kCombinationError);
  if (has(ctx, kAttrNOD) && has(ctx, kAttrMRT))
    return refuse(ctx, record, kCodeNodWithMrt, kCombinationError);
  if (has(ctx, kAttrSEL) && any_selection(ctx, false, true)) {
    return refuse(ctx, record, kCodeSelectionWithCriteria, kUseError);
  }
  const std::string listing =
      value(ctx, kAttrDIR) + (has(ctx, kAttrFIL) ? value(ctx, kAttrFIL) : "qrt400.lst");
  const std::string listing_path = ctx.home.fullpath(listing);
  if (!has(ctx, kAttrADD)) ctx.home.remove(listing);
  const std::string removal = ctx.home.mktemp("TMXXXXXX");
  const bool recorded = !removal.empty() && record_intent(intent::kTemporary, removal);
  OpenFile removal_file(recorded ? fs::open_stream(removal, "w") : nullptr);
  if (!removal_file) return refuse(ctx, record, kCodeWorkFile, nullptr);
  CommandContext& context = ctx.command;
  context.removal_file = removal_file.get();
  context.removal_path = removal;
  const int listed = list_mailbox(ctx, record, listing_path);
  context.removal_file = nullptr;
  removal_file.close();
  if (listed < 0) {
    if (!has(ctx, kAttrADD)) ctx.home.remove(listing);
    ctx.home.remove(removal);
    return listed;
  }
  bool listing_left = listed > 0;
  if (context.removed_by_kill > 0 && subtract_list(ctx, listing, removal) == 0)
    listing_left = false;
  ctx.home.remove(removal);
  set_field(record, status::lijst::kListingFile, listing_left ? listing : "");
  set_field(record, status::lijst::kReadFlag, read_flag(ctx));
  set_result_code(record, kCodeSuccess);
  write_status_line(ctx, record);
  return listed;
}

int verwijder_front_end(EngineContext& ctx, std::string& record) {
  int result = 0;
  if (!read_command_attributes(ctx, record, kVerwijder, 4, &result)) return result;
  if (has(ctx, kAttrLID)) {
    if (any_selection(ctx, true, true)) {
      return refuse(ctx, record, kCodeLidWithSelection, kUseError);
    }
    result = delete_message(ctx, value(ctx, kAttrLID));
    set_result_code(record, ctx.session.result_text);
    write_status_line(ctx, record);
    return result;
  }
  if (has(ctx, kAttrSEL) && any_selection(ctx, false, true)) {
    return refuse(ctx, record, kCodeSelectionWithCriteria, kUseError);
  }
  // A delete that names no message and no selection would empty the mailbox: refused.
  if (!any_selection(ctx, true, true)) {
    return refuse(ctx, record, kCodeUnrestrictedDelete, kUseError);
  }
  return for_each_listed_message(ctx, record);
}

int rapport_front_end(EngineContext& ctx, std::string& record) {
  int result = 0;
  if (!read_command_attributes(ctx, record, kRapport, 5, &result)) return result;
  if (has(ctx, kAttrFIL) && has(ctx, kAttrDIR)) return refuse(ctx, record, kCodeFilAndDir, nullptr);
  if (has(ctx, kAttrNOD) && has(ctx, kAttrMRT))
    return refuse(ctx, record, kCodeNodWithMrt, kCombinationError);
  const std::string report =
      has(ctx, kAttrFIL) ? value(ctx, kAttrFIL) : value(ctx, kAttrDIR) + "qrt400.rap";
  ctx.command.report_file = report;
  set_field(record, status::rapport::kReportFile, report);
  set_field(record, status::rapport::kReadFlag, read_flag(ctx));
  const bool refused_lid =
      has(ctx, kAttrLID) && any_present(ctx, {kAttrMID, kAttrNOD, kAttrSEL, kAttrMET, kAttrMRT});
  const bool refused_selection = !has(ctx, kAttrLID) && has(ctx, kAttrMID) && has(ctx, kAttrMET) &&
                                 has(ctx, kAttrMRT) && has(ctx, kAttrSEL);
  if (refused_lid) return refuse(ctx, record, kCodeLidWithSelection, nullptr);
  if (refused_selection) return refuse(ctx, record, kCodeSelectionWithCriteria, nullptr);
  // The old report file goes only once the command is accepted.
  if (!has(ctx, kAttrADD)) ctx.home.remove(report);
  if (has(ctx, kAttrLID)) {
    result = receive_message(ctx, record, value(ctx, kAttrLID));
    // An item that was refused has its own line already.
    if (result == 0 && ctx.command.report_items_failed == 0) {
      set_result_code(record, kCodeSuccess);
      write_status_line(ctx, record);
    }
    // Escape and a fatal verdict end the session here as everywhere.
    return result == kEndSession || result == kFatalVerdict ? result : 0;
  }
  return for_each_listed_message(ctx, record);
}

int antwoord_front_end(EngineContext& ctx, std::string& record) {
  start_command(ctx, kAntwoord);
  if (ctx.session.sent_messages.empty()) {
    set_result_code(record, kCodeNoAnsweredSend);
    return refuse_attributes(ctx, record, 6);
  }
  const int rc = read_attributes(ctx, record);
  if (rc == kEndSession) {
    write_status_line(ctx, record);
    return kEndSession;
  }
  if (rc == kRefused) return refuse_attributes(ctx, record, 6);
  if (has(ctx, kAttrFIL) && has(ctx, kAttrDIR)) return refuse(ctx, record, kCodeFilAndDir, nullptr);
  if (has(ctx, kAttrADD) && !has(ctx, kAttrFIL))
    return refuse(ctx, record, kCodeAddWithoutFil, kUseError);
  const std::string output = has(ctx, kAttrFIL) ? value(ctx, kAttrFIL) : std::string();
  if (!output.empty()) prepare_output_file(ctx, output);
  const int result = wait_for_answers(ctx, record);
  if (!output.empty()) remove_if_empty(ctx, output);
  return result;
}

int wachtwoord_front_end(EngineContext& ctx, std::string& record) {
  int result = 0;
  if (!read_command_attributes(ctx, record, kWachtwoord, 7, &result)) return result;
  if (!has(ctx, kAttrPIN)) {
    set_result_code(record, kCodeNoPin);
    journal_write(3, journal_text::kPinMissing);
    write_status_line(ctx, record);
    return 0;
  }
  result = change_password(ctx, record);
  // On disk before anything else happens: the next start carries a changed password into
  // qrtlnk.gns from this line.
  if (result != kEndSession) write_status_line_to_disk(ctx, record);
  return result;
}

}  // namespace kv::engine
