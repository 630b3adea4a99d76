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
#include "client/engine/engine_control.h"
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
bool any_selection(bool with_sel, bool with_met) {
  return any_present({kAttrMID, kAttrIRP, kAttrSUR, kAttrGIV, kAttrPRI, kAttrSEN, kAttrSUB}) ||
         (with_sel && attributes().has(kAttrSEL)) || (with_met && attributes().has(kAttrMET));
}

// Refuses the command after its attributes were read: code, status line, journal line (if any).
int refuse(std::string& record, const char* code, const char* journal_text) {
  set_result_code(record, code);
  write_status_line(record);
  if (journal_text) journal_write(3, journal_text);
  return 0;
}

// The refusal of a bad attribute: status line, the command's journal line, skip to the next
// command.
int refuse_attributes(std::string& record, int command_number) {
  write_status_line(record);
  journal_write(3, format("Fout in attributen, skip commando (#%d)", command_number));
  return command_file().skip_to_next_command();
}

// Front-end steps 1 and 2: a fresh attribute state for the command. The WAI of an earlier
// command is kept within the session; the first command of a session (kind still 0) forgets it.
void start_command(CommandKind kind) {
  EngineControl& control = engine_control();
  if (control.command_kind == kNoCommand) attributes().values[kAttrWAI].clear();
  reset_attributes();
  reset_command_context();
  control.command_kind = kind;
}

// Front-end steps 1 to 3. True when the attributes were accepted; otherwise `result` holds what
// the front-end returns.
bool read_command_attributes(std::string& record, CommandKind kind, int command_number,
                             int* result) {
  start_command(kind);
  const int rc = read_attributes(record);
  if (rc == 0) return true;
  if (rc == kEndSession) {
    write_status_line(record);
    *result = kEndSession;
  } else {
    *result = refuse_attributes(record, command_number);
  }
  return false;
}

bool has(int position) { return attributes().has(position); }
const std::string& value(int position) { return attributes().value(position); }
std::string read_flag() { return has(kAttrNOD) || has(kAttrMRT) ? "1" : "0"; }

// An output file of the command (FIL): replaced unless ADD is given, and present afterwards.
void prepare_output_file(const std::string& name) {
  if (!has(kAttrADD)) engine_home().remove(name);
  engine_home().open(name, "a");
}

void remove_if_empty(const std::string& name) {
  long long size = -1;
  if (engine_home().stat(name, &size) == 0 && size == 0) engine_home().remove(name);
}

// Sum of the sizes of the files to send; a file that cannot be found counts 0.
std::uint64_t total_file_size() {
  std::uint64_t total = 0;
  for (const std::string& name : attributes().files) {
    const fs::Status st = fs::status(engine_home().fullpath(name));
    if (st.exists && !st.is_directory && st.size > 0) total += static_cast<std::uint64_t>(st.size);
  }
  return total;
}

// The status line of a ZEND refused for the size of its EDIFACT envelope.
void put_oversize_fields(std::string& record) {
  const EngineSettings& s = engine_settings();
  auto digit_or = [](int position, int fallback) {
    return has(position) ? value(position) : format("%1d", fallback);
  };
  auto text_or = [](int position, const std::string& fallback) {
    return value(position).empty() ? fallback : value(position);
  };
  const auto put = [&record](int position, const std::string& text) {
    set_field(record, zend_status_field(position), text);
  };
  put(kAttrPRI, digit_or(kAttrPRI, s.priority));
  put(kAttrSEN, digit_or(kAttrSEN, s.sensitivity));
  put(kAttrNOT, digit_or(kAttrNOT, s.notification));
  put(kAttrRAP, digit_or(kAttrRAP, s.report));
  const auto& files = attributes().files;
  for (std::size_t i = 0; i < files.size() && i < kMaxFiles; ++i) {
    set_field(record, nth_field(zend_status_field(kAttrFIL), static_cast<int>(i)), files[i]);
  }
  put(kAttrDEL, has(kAttrDEL) ? "1" : "0");
  put(kAttrSUB, value(kAttrSUB));
  put(kAttrIRP, value(kAttrIRP));
  if (has(kAttrALI)) {
    put(kAttrALI, value(kAttrALI));
    return;
  }
  put(kAttrCOU, has(kAttrCOU) ? value(kAttrCOU) : s.country);
  put(kAttrADM, has(kAttrADM) ? value(kAttrADM) : s.admd);
  put(kAttrPMD, text_or(kAttrPMD, s.prmd));
  put(kAttrORG, text_or(kAttrORG, s.organisation));
  put(kAttrOUA, text_or(kAttrOUA, s.unit_a));
  put(kAttrOUB, text_or(kAttrOUB, s.unit_b));
  put(kAttrOUC, text_or(kAttrOUC, s.unit_c));
  put(kAttrOUD, text_or(kAttrOUD, s.unit_d));
  for (int position :
       {kAttrSUR, kAttrGIV, kAttrINI, kAttrGQU, kAttrDTA, kAttrDVA, kAttrDTB, kAttrDVB}) {
    put(position, value(position));
  }
}

void remember_sent_message(const std::string& mid) {
  try {
    session().sent_messages.push_back(mid.substr(0, kSentMessageIdWidth));
  } catch (const std::bad_alloc&) {
    journal_write(3, "onvoldoende geheugen bij vullen MID tabel");
  }
}

}  // namespace

int zend_front_end(std::string& record) {
  if (MessageOut* out = session().outgoing.get()) API_initOrname(&out->recipients[0].orName);
  int result = 0;
  if (!read_command_attributes(record, kZend, 1, &result)) return result;
  AttributeState& a = attributes();
  if (!has(kAttrMID)) return refuse(record, kCodeNoMid, kUseError);
  set_field(record, zend_status_field(kAttrMID), value(kAttrMID));
  if (!has(kAttrFIL)) return refuse(record, kCodeNoFil, kUseError);
  if (check_recipient(record) != 0) {
    write_status_line(record);
    journal_write(3, kUseError);
    return 0;
  }
  if (has(kAttrDIF) && a.recipient_count > 0)
    return refuse(record, kCodeInterchangeWithCopies, kUseError);
  add_recipient(a.recipient_count, a.recipient_kind);
  if (starts_with_ignore_case(value(kAttrMID), "EDI") && total_file_size() > kMaxEdifactEnvelope) {
    put_oversize_fields(record);
    set_result_code(record, kCodeInterchangeTooLarge);
    journal_write(3, "EDIFACT envelop is te groot (max. 2095104 bytes");
    write_status_line(record);
    return 0;
  }
  ++a.recipient_count;
  const int sent = zend(record);
  if (sent == 0 && has(kAttrANS)) remember_sent_message(value(kAttrMID));
  return sent;
}

int ontvang_front_end(std::string& record) {
  int result = 0;
  if (!read_command_attributes(record, kOntvang, 2, &result)) return result;
  if (has(kAttrADD) && !has(kAttrFIL)) return refuse(record, kCodeAddWithoutFil, kUseError);
  if (has(kAttrNOD) && has(kAttrANN)) return refuse(record, kCodeNodWithAnn, kCombinationError);
  if (has(kAttrNOD) && has(kAttrMRT)) return refuse(record, kCodeNodWithMrt, kCombinationError);
  if (has(kAttrFIL) && has(kAttrDIR)) return refuse(record, kCodeFilAndDir, kUseError);
  if (has(kAttrLID)) {
    if (any_selection(true, true)) {
      return refuse(record, kCodeLidWithSelection, kUseError);
    }
  } else if (has(kAttrSEL) && any_selection(false, true)) {
    return refuse(record, kCodeSelectionWithCriteria, kUseError);
  }
  const std::string output = has(kAttrFIL) ? value(kAttrFIL) : std::string();
  if (!output.empty()) prepare_output_file(output);
  result = has(kAttrLID) ? receive_message(record, value(kAttrLID))
                         : for_each_listed_message(record);
  if (!output.empty()) remove_if_empty(output);
  return result;
}

int lijst_front_end(std::string& record) {
  int result = 0;
  if (!read_command_attributes(record, kLijst, 3, &result)) return result;
  if (has(kAttrFIL) && has(kAttrDIR)) return refuse(record, kCodeFilAndDir, kCombinationError);
  if (has(kAttrNOD) && has(kAttrANN)) return refuse(record, kCodeNodWithAnn, kCombinationError);
  if (has(kAttrNOD) && has(kAttrMRT)) return refuse(record, kCodeNodWithMrt, kCombinationError);
  if (has(kAttrSEL) && any_selection(false, true)) {
    return refuse(record, kCodeSelectionWithCriteria, kUseError);
  }
  const std::string listing = value(kAttrDIR) + (has(kAttrFIL) ? value(kAttrFIL) : "qrt400.lst");
  const std::string listing_path = engine_home().fullpath(listing);
  if (!has(kAttrADD)) engine_home().remove(listing);
  const std::string removal = engine_home().mktemp("TMXXXXXX");
  const bool recorded = !removal.empty() && record_intent(intent::kTemporary, removal);
  OpenFile removal_file(recorded ? fs::open_stream(removal, "w") : nullptr);
  if (!removal_file) return refuse(record, kCodeWorkFile, nullptr);
  CommandContext& context = command_context();
  context.removal_file = removal_file.get();
  context.removal_path = removal;
  const int listed = list_mailbox(record, listing_path);
  context.removal_file = nullptr;
  removal_file.close();
  if (listed < 0) {
    if (!has(kAttrADD)) engine_home().remove(listing);
    engine_home().remove(removal);
    return listed;
  }
  bool listing_left = listed > 0;
  if (context.removed_by_kill > 0 && subtract_list(listing, removal) == 0) listing_left = false;
  engine_home().remove(removal);
  set_field(record, status::lijst::kListingFile, listing_left ? listing : "");
  set_field(record, status::lijst::kReadFlag, read_flag());
  set_result_code(record, kCodeSuccess);
  write_status_line(record);
  return listed;
}

int verwijder_front_end(std::string& record) {
  int result = 0;
  if (!read_command_attributes(record, kVerwijder, 4, &result)) return result;
  if (has(kAttrLID)) {
    if (any_selection(true, true)) {
      return refuse(record, kCodeLidWithSelection, kUseError);
    }
    result = delete_message(value(kAttrLID));
    set_result_code(record, session().result_text);
    write_status_line(record);
    return result;
  }
  if (has(kAttrSEL) && any_selection(false, true)) {
    return refuse(record, kCodeSelectionWithCriteria, kUseError);
  }
  // A delete that names no message and no selection would empty the mailbox: refused.
  if (!any_selection(true, true)) {
    return refuse(record, kCodeUnrestrictedDelete, kUseError);
  }
  return for_each_listed_message(record);
}

int rapport_front_end(std::string& record) {
  int result = 0;
  if (!read_command_attributes(record, kRapport, 5, &result)) return result;
  if (has(kAttrFIL) && has(kAttrDIR)) return refuse(record, kCodeFilAndDir, nullptr);
  if (has(kAttrNOD) && has(kAttrMRT)) return refuse(record, kCodeNodWithMrt, kCombinationError);
  const std::string report =
      has(kAttrFIL) ? value(kAttrFIL) : value(kAttrDIR) + "qrt400.rap";
  command_context().report_file = report;
  set_field(record, status::rapport::kReportFile, report);
  set_field(record, status::rapport::kReadFlag, read_flag());
  const bool refused_lid =
      has(kAttrLID) && any_present({kAttrMID, kAttrNOD, kAttrSEL, kAttrMET, kAttrMRT});
  const bool refused_selection =
      !has(kAttrLID) && has(kAttrMID) && has(kAttrMET) && has(kAttrMRT) && has(kAttrSEL);
  if (refused_lid) return refuse(record, kCodeLidWithSelection, nullptr);
  if (refused_selection) return refuse(record, kCodeSelectionWithCriteria, nullptr);
  // The old report file goes only once the command is accepted.
  if (!has(kAttrADD)) engine_home().remove(report);
  if (has(kAttrLID)) {
    result = receive_message(record, value(kAttrLID));
    // An item that was refused has its own line already.
    if (result == 0 && command_context().report_items_failed == 0) {
      set_result_code(record, kCodeSuccess);
      write_status_line(record);
    }
    // Escape and a fatal verdict end the session here as everywhere.
    return result == kEndSession || result == kFatalVerdict ? result : 0;
  }
  return for_each_listed_message(record);
}

int antwoord_front_end(std::string& record) {
  start_command(kAntwoord);
  if (session().sent_messages.empty()) {
    set_result_code(record, kCodeNoAnsweredSend);
    return refuse_attributes(record, 6);
  }
  const int rc = read_attributes(record);
  if (rc == kEndSession) {
    write_status_line(record);
    return kEndSession;
  }
  if (rc == kRefused) return refuse_attributes(record, 6);
  if (has(kAttrFIL) && has(kAttrDIR)) return refuse(record, kCodeFilAndDir, nullptr);
  if (has(kAttrADD) && !has(kAttrFIL)) return refuse(record, kCodeAddWithoutFil, kUseError);
  const std::string output = has(kAttrFIL) ? value(kAttrFIL) : std::string();
  if (!output.empty()) prepare_output_file(output);
  const int result = wait_for_answers(record);
  if (!output.empty()) remove_if_empty(output);
  return result;
}

int wachtwoord_front_end(std::string& record) {
  int result = 0;
  if (!read_command_attributes(record, kWachtwoord, 7, &result)) return result;
  if (!has(kAttrPIN)) {
    set_result_code(record, kCodeNoPin);
    journal_write(3, "PIN attribuut ontbreekt, skip commando");
    write_status_line(record);
    return 0;
  }
  result = change_password(record);
  // On disk before anything else happens: the next start carries a changed password into
  // qrtlnk.gns from this line.
  if (result != kEndSession) write_status_line_to_disk(record);
  return result;
}

}  // namespace kv::engine
