// Fetching a message, notification or report from the mailbox (ONTVANG, ANTWOORD, RAPPORT).
#include "client/engine/cmd_receive.h"

#include <algorithm>

#include "client/common/append_file.h"
#include "client/common/home.h"
#include "client/common/journal.h"
#include "client/common/line_writer.h"
#include "client/common/receive_word.h"
#include "client/common/report_layout.h"
#include "client/common/run_intent.h"
#include "client/common/status_callbacks.h"
#include "client/common/status_layout.h"
#include "client/common/text.h"
#include "client/engine/attributes.h"
#include "client/engine/command_context.h"
#include "client/engine/engine_context.h"
#include "client/engine/engine_control.h"
#include "client/engine/fixed_text.h"
#include "client/engine/journal_texts.h"
#include "client/engine/message_commands.h"
#include "client/engine/recipients.h"
#include "client/engine/result_codes.h"
#include "client/engine/session_result.h"
#include "client/engine/session_state.h"
#include "client/engine/status_file.h"
#include "platform/clock.h"
#include "platform/fs.h"

namespace kv::engine {

namespace {

constexpr const char* kDashes25 = "-------------------------";
constexpr const char* kDashes21 = "---------------------";
// Bound on the waits for a free candidate word (one second each).
constexpr int kMaxCandidateWaits = 120;

int command_kind(EngineContext& ctx) { return ctx.control.command_kind; }
bool receives_files(EngineContext& ctx) {
  return command_kind(ctx) == kOntvang || command_kind(ctx) == kAntwoord;
}

std::string candidate_name(EngineContext& ctx, const std::string& word, int n) {
  return ctx.attributes.value(kAttrDIR) + word + format(".%03d", n);
}

// Prepares the eight candidate names in the body-part entries: a word from the current time that
// no ".001" file of the receive directory uses yet.
void prepare_candidate_names(EngineContext& ctx, MessageInMessage& m) {
  std::string word = candidate_word(clock().epoch_seconds());
  for (int waits = 0;
       waits < kMaxCandidateWaits && ctx.home.access(candidate_name(ctx, word, 1), 0) == 0;
       ++waits) {
    wait_responsive(1000);
    word = candidate_word(clock().epoch_seconds());
  }
  for (int i = 0; i < API_MAX_BODYPARTS; ++i) {
    copy_fixed(m.bodyParts[i].fileName, candidate_name(ctx, word, i + 1));
  }
}

void journal_candidate_names(const MessageInMessage& m) {
  journal_write(1, journal_text::kFilesInitialised);
  journal_write(1, kDashes25);
  for (const BodyPart& part : m.bodyParts) journal_write(1, fixed_text(part.fileName));
  journal_write(1, kDashes25);
}

void remove_candidate_files(EngineContext& ctx, const std::vector<std::string>& names) {
  for (const std::string& name : names) ctx.home.remove_work_file(name);
}

int received_file_count(const MessageInMessage& m) {
  return std::clamp<int>(m.bodyPartQtty, 0, API_MAX_BODYPARTS);
}

void put_message_fields(std::string& record, const std::string& list_id, const MessageIn& item) {
  const MessageInMessage& m = item.u.message;
  set_field(record, status::message::kListId, list_id);
  set_field(record, status::message::kMessageId, fixed_text(item.ipMsgId));
  set_field(record, status::message::kPriority, format("%1d", m.priority));
  set_field(record, status::message::kSensitivity, format("%1d", m.sensitivity));
  set_field(record, status::message::kInReplyTo, fixed_text(m.inReplyTo));
  set_field(record, status::message::kSubject, fixed_text(m.subject));
  put_orname_fields(record, status::message::kOriginator, status::message::kOriginatorFields,
                    m.originator);
}

// Appends every received file to the FIL file; a file appended completely is removed.
void collect_into_output_file(EngineContext& ctx, const MessageInMessage& m,
                              const std::string& output) {
  const std::string target = ctx.home.fullpath(output);
  for (int i = 0; i < received_file_count(m); ++i) {
    const std::string name = fixed_text(m.bodyParts[i].fileName);
    if (append_file(ctx.home.fullpath(name), target) == kAppendOk) {
      ctx.home.remove_work_file(name);
    }
  }
}

void forget_answered(EngineContext& ctx, const std::string& in_reply_to) {
  if (in_reply_to.empty()) return;
  for (std::string& sent : ctx.session.sent_messages) {
    if (!sent.empty() && equals_ignore_case(sent, in_reply_to)) sent.clear();
  }
}

void store_message(EngineContext& ctx, std::string& record, const std::string& list_id,
                   const MessageIn& item) {
  const MessageInMessage& m = item.u.message;
  journal_write(1, journal_text::kFilesFetched);
  journal_write(1, kDashes21);
  for (int i = 0; i < received_file_count(m); ++i) {
    journal_write(1, fixed_text(m.bodyParts[i].fileName));
  }
  journal_write(1, kDashes21);
  put_message_fields(record, list_id, item);
  const AttributeState& a = ctx.attributes;
  if (a.has(kAttrFIL)) {
    set_field(record, status::message::kFileCount, "0");
    set_field(record, status::message::kFirstFile, a.value(kAttrFIL));
    collect_into_output_file(ctx, m, a.value(kAttrFIL));
  } else {
    set_field(record, status::message::kFileCount, format("%d", received_file_count(m)));
    set_field(record, status::message::kFirstFile,
              received_file_count(m) > 0 ? fixed_text(m.bodyParts[0].fileName) : "");
  }
  forget_answered(ctx, fixed_text(m.inReplyTo));
}

std::string stamp_of(const char* date, std::size_t width) {
  const std::string text = fixed_text(date, width);
  return text.empty() ? std::string() : date_to_stamp(text);
}

std::string report_record(const MessageIn& item, const NotifyEntry& e) {
  ReportRecord record;
  const bool delivery = e.notifyType == 1;
  record.set(report::kMessageId, fixed_text(item.ipMsgId));
  record.set(report::kMessageType, format("%01d", item.msgType));
  record.set(report::kNotifyType, format("%01d", e.notifyType));
  record.set(report::kEntryTime, stamp_of(item.mbxEntryTime, sizeof item.mbxEntryTime));
  if (item.msgType != MSGTYPE_REPORT || delivery) {
    record.set(report::kDeliveryTime, stamp_of(e.remoteDeliveryTime, sizeof e.remoteDeliveryTime));
  }
  record.set(report::kReason, delivery ? "00" : format("%.2d", e.reasonCode));
  record.set(report::kDiagnostic, delivery ? "00" : format("%.2d", e.diagnostic));
  const std::vector<std::string> name = orname_parts(e.orName);
  for (int i = 0; i < report::kRecipientFields; ++i) {
    record.set(nth_field(report::kRecipient, i), name[static_cast<std::size_t>(i)]);
  }
  return record.line();
}

// A report file that cannot be opened loses the records; the status line is written as usual.
void write_report_records(EngineContext& ctx, const MessageIn& item) {
  const std::string path = ctx.home.fullpath(ctx.command.report_file);
  OpenFile f(fs::open_stream(path, "a"));
  if (!f) return;
  for (const std::string& line : report_records(item)) write_line(f.get(), line, path);
  // On disk before the item can leave the mailbox or be marked read: the records, and the file's
  // name in its directory when this fetch made the file.
  if (f.close() == 0) fs::sync_files({path});
}

bool delete_after_receipt(EngineContext& ctx, const MessageIn& item) {
  const AttributeState& a = ctx.attributes;
  return item.msgType == MSGTYPE_MESSAGE && !starts_with_ignore_case(fixed_text(item.ipMsgId), "EDI") &&
         !a.has(kAttrNOP) && !a.has(kAttrANN);
}

// The received files, and their names in the receive directory, are on disk before the message
// can leave the mailbox.
void sync_received_files(EngineContext& ctx, const MessageInMessage& m) {
  std::vector<std::string> paths;
  for (int i = 0; i < received_file_count(m); ++i) {
    const std::string name = fixed_text(m.bodyParts[i].fileName);
    const std::string path = name.empty() ? name : ctx.home.fullpath(name);
    if (!path.empty() && fs::exists(path)) paths.push_back(path);
  }
  if (!fs::sync_files(paths).ok()) journal_write(3, journal_text::kReceivedFilesNotWritten);
}

// The fetch is recorded in the run's intent record before the service marks the item read, so
// that what a killed run fetched and did not record is fetched again by the next session.
bool record_fetch_intent(EngineContext& ctx, const std::string& record,
                         const std::string& list_id) {
  const fs::Status status = fs::status(ctx.session.status_file_path);
  const long long offset = status.exists && !status.is_directory ? status.size : 0;
  std::string value = field(record, status::kTag) + "|" + list_id + "|" +
                      (receives_files(ctx) ? "M" : "R") + "|" + ctx.attributes.value(kAttrDIR) +
                      "|" + ctx.command.report_file + "|" + std::to_string(offset) + "|" +
                      std::to_string(clock().epoch_seconds());
  for (char& c : value) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return record_intent(intent::kFetch, value);
}

// The fetch itself: API_getMsg, or API_getAnnouncement with an ANN attribute.
short fetch(EngineContext& ctx, const std::string& list_id, MessageIn& item) {
  const AttributeState& a = ctx.attributes;
  if (a.has(kAttrANN)) {
    short announcement = 0;
    return API_getAnnouncement(ctx.session.session_handle, &announcement, list_id.c_str(), &item);
  }
  // The receive directory as the command gives it: the messaging layer resolves it against the
  // engine's home directory and names the received files after it, so that the names fit their
  // fields however long the home directory's own path is.
  const std::string& dir = a.value(kAttrDIR);
  return API_getMsg(ctx.session.session_handle, list_id.c_str(), &item, dir.c_str());
}

// RAPPORT writes one line for the whole command; an item that fails gets a line of its own with
// its list identifier and without the report file, to which it added nothing. The command's own
// record stays as it was. The other commands write one line per item anyway.
std::string item_failure_line(EngineContext& ctx, const std::string& record,
                              const std::string& list_id) {
  std::string line = record;
  set_field(line, status::message::kListId, list_id);
  if (command_kind(ctx) == kRapport) {
    set_field(line, status::rapport::kReportFile, "");
    ++ctx.command.report_items_failed;
  }
  return line;
}

int report_failed_fetch(EngineContext& ctx, std::string& command_record, const std::string& list_id,
                        const std::vector<std::string>& candidates) {
  std::string record = item_failure_line(ctx, command_record, list_id);
  if (receives_files(ctx)) {
    clear_fields(record, status::message::kPriority,
                 status::message::kLastCleared - status::message::kPriority + 1);
    remove_candidate_files(ctx, candidates);
  }
  int result;
  if (ctx.control.user_stop) {
    ctx.session.result_text = kCodeUserStop;
    result = kEndSession;
  } else {
    journal_write(3, journal_text::kGetFailed);
    result = map_verdict(ctx);
  }
  set_result_code(record, ctx.session.result_text);
  write_status_line(ctx, record);
  return result;
}

// ONTVANG and ANTWOORD take only messages; RAPPORT only notifications and reports. The item stays
// in the mailbox; files that the messaging layer stored for it are removed again.
int refuse_item(EngineContext& ctx, std::string& command_record, const std::string& list_id,
                const MessageIn& item) {
  if (receives_files(ctx)) {
    journal_write(3, journal_text::kNotAMessage);
    journal_write(3, journal_text::kNothingFetched);
  } else {
    const MessageInMessage& m = item.u.message;
    for (int i = 0; i < received_file_count(m); ++i) {
      ctx.home.remove_work_file(fixed_text(m.bodyParts[i].fileName));
    }
  }
  std::string record = item_failure_line(ctx, command_record, list_id);
  set_result_code(record, kCodeNotAMessage);
  write_status_line(ctx, record);
  return 0;
}

}  // namespace

std::string candidate_word(std::int64_t seconds) { return receive_word(seconds); }

std::vector<std::string> report_records(const MessageIn& item) {
  std::vector<std::string> records;
  if (item.msgType == MSGTYPE_NOTIFICATION) {
    records.push_back(report_record(item, item.u.notification));
  } else if (item.msgType == MSGTYPE_REPORT) {
    const int n = std::clamp<int>(item.u.report.notifyQtty, 0, API_MAX_REPORT_ENTRIES);
    for (int i = 0; i < n; ++i) records.push_back(report_record(item, item.u.report.entries[i]));
  }
  return records;
}

int receive_message(EngineContext& ctx, std::string& record, const std::string& list_id) {
  MessageIn& item = *ctx.session.incoming;
  MessageInMessage& m = item.u.message;
  // The whole record is cleared, not only the file names: an announcement fetch leaves the record
  // as it finds it, and a message fetched earlier must not be taken up a second time.
  item = MessageIn{};
  std::vector<std::string> candidates;
  if (command_kind(ctx) != kRapport) {
    prepare_candidate_names(ctx, m);
    for (const BodyPart& part : m.bodyParts) candidates.push_back(fixed_text(part.fileName));
  }

  const AttributeState& a = ctx.attributes;
  const std::string operation =
      a.has(kAttrANN) ? "API_getAnnouncement (pb: " + a.value(kAttrANN) + ")" : "API_getMsg";
  EngineControl& control = ctx.control;
  control.user_stop = false;
  journal_write(1, filled(journal_text::kFetchStart, {operation, list_id}));
  if (command_kind(ctx) == kOntvang) journal_candidate_names(m);
  control.session_phase = kPhaseFetching;
  if (!record_fetch_intent(ctx, record, list_id)) {
    journal_write(3, journal_text::kFetchNotRecorded);
    std::string line = item_failure_line(ctx, record, list_id);
    set_result_code(line, kCodeCannotWrite);
    write_status_line(ctx, line);
    return kRefused;
  }
  if (fetch(ctx, list_id, item) != 0) return report_failed_fetch(ctx, record, list_id, candidates);
  journal_write(1, filled(journal_text::kGetOkay, {fixed_text(item.ipMsgId)}));

  const bool is_message = item.msgType == MSGTYPE_MESSAGE;
  if (is_message != receives_files(ctx)) return refuse_item(ctx, record, list_id, item);
  if (is_message) {
    store_message(ctx, record, list_id, item);
  } else {
    write_report_records(ctx, item);
    ++ctx.command.report_items_fetched;
  }

  if (!delete_after_receipt(ctx, item)) {
    set_result_code(record, kCodeSuccess);
    // The files are on disk before anything can record them.
    if (receives_files(ctx)) sync_received_files(ctx, m);
    if (receives_files(ctx)) write_status_line(ctx, record);
    return 0;
  }
  // The message leaves the mailbox only once its files and its status line are on disk: a run
  // killed in between leaves it in both places, and the receive store takes it only once.
  set_result_code(record, kCodeSuccess);
  long long line_start = -1;
  if (receives_files(ctx)) {
    sync_received_files(ctx, m);
    line_start = write_status_line_to_disk(ctx, record);
  }
  const int result = delete_message(ctx, list_id);
  if (result < 0) {
    set_result_code(record, ctx.session.result_text);
    replace_last_status_line(ctx, line_start, record);
  }
  return result;
}

}  // namespace kv::engine
