// Listing the mailbox (LIJST) and the per-message driver.
#include "client/engine/cmd_list.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "client/common/home.h"
#include "client/common/journal.h"
#include "client/common/line_writer.h"
#include "client/common/listing_layout.h"
#include "client/common/status_layout.h"
#include "client/common/text.h"
#include "client/engine/attributes.h"
#include "client/engine/command_context.h"
#include "client/engine/engine_context.h"
#include "client/engine/engine_control.h"
#include "client/engine/fixed_text.h"
#include "client/engine/journal_texts.h"
#include "client/engine/mailbox_filter.h"
#include "client/engine/message_commands.h"
#include "client/engine/result_codes.h"
#include "client/engine/selection_file.h"
#include "client/engine/session_result.h"
#include "client/engine/session_state.h"
#include "client/engine/status_file.h"
#include "platform/fs.h"

namespace kv::engine {

namespace {

int command_kind(EngineContext& ctx) { return ctx.control.command_kind; }

bool already_read_asked(EngineContext& ctx) {
  return ctx.attributes.has(kAttrNOD) || ctx.attributes.has(kAttrMRT);
}

// The name of the listing operation in the journal lines.
std::string operation_name(EngineContext& ctx) {
  return ctx.attributes.has(kAttrANN) ? "API_listAnnouncementNext" : "API_listMbxInNext";
}

// One page of up to `length` rows after `previous`; the number of rows or -1.
int fetch_page(EngineContext& ctx, const std::string& filter, const std::string& previous,
               short length, std::vector<MessageSummary>& page) {
  page.assign(static_cast<std::size_t>(length), MessageSummary{});
  const AttributeState& a = ctx.attributes;
  short rows;
  if (a.has(kAttrANN)) {
    short announcement = 0;
    rows = API_listAnnouncementNext(ctx.session.session_handle, &announcement, filter.c_str(),
                                    previous.c_str(), length, page.data());
  } else {
    rows = API_listMbxInNext(ctx.session.session_handle, filter.c_str(), previous.c_str(), length,
                             page.data());
  }
  if (rows < 0) return -1;
  return std::min<int>(rows, length);
}

// Field 3 (and, for RAPPORT, an empty field 5) and the status line of a failed listing.
int fail_listing(EngineContext& ctx, std::string& record, const std::string& code, int result) {
  set_result_code(record, code);
  if (command_kind(ctx) == kRapport) set_field(record, status::rapport::kReportFile, "");
  write_status_line(ctx, record);
  return result;
}

void note_removal(EngineContext& ctx, const std::string& list_id) {
  CommandContext& context = ctx.command;
  if (command_kind(ctx) == kLijst && context.removal_file) {
    write_line(context.removal_file, list_id.c_str(), context.removal_path);
    ++context.removed_by_kill;
  }
}

// A KILL message may remove only messages of its own originator, the whole address compared
// (not a surname, which a mailbox may lack): the service answers that with the criterion
// ORIGINATOR_OF, which names the KILL message itself. The KILL's subject and list identifier go
// into the filter, so they may hold no character that the filter language gives a meaning.
bool fits_in_filter(const std::string& text) {
  for (char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u <= ' ' || u >= 127 || std::string("&|()*?!=<>").find(c) != std::string::npos) {
      return false;
    }
  }
  return !text.empty();
}

// Looks for the message that a KILL message names and deletes it. Returns -2 after Escape,
// otherwise whether a message was found (1) or not (0).
int remove_killed_message(EngineContext& ctx, const std::string& subject, const std::string& sender,
                          const std::string& kill_list_id) {
  const std::string filter =
      kKillSearchFilter + subject + "* & " + kKillOriginatorCriterion + kill_list_id;
  std::vector<MessageSummary> page;
  std::string previous;
  bool found = false;
  for (;;) {
    EngineControl& control = ctx.control;
    control.user_stop = false;
    control.session_phase = kPhaseListing;
    const int rows = fetch_page(ctx, filter, previous, kKillPageLength, page);
    if (control.user_stop) return kEndSession;
    if (rows < 0) {
      map_verdict(ctx);
      return found ? 1 : 0;
    }
    for (int i = 0; i < rows; ++i) {
      const MessageSummary& row = page[static_cast<std::size_t>(i)];
      const std::string id = fixed_text(row.ipMsgId);
      if (id.compare(0, subject.size(), subject) != 0 || id.size() < subject.size()) continue;
      if (!equals_ignore_case(fixed_text(row.surName), sender)) continue;
      found = true;
      const std::string list_id = fixed_text(row.listId);
      journal_write(1, journal_text::kKillTargetFound);
      const int rc = delete_message(ctx, list_id);
      if (rc == kEndSession) return kEndSession;
      if (rc == 0) {
        note_removal(ctx, list_id);
        journal_write(1, journal_text::kKillTargetRemoved);
      } else {
        journal_write(3, journal_text::kKillTargetNotRemoved);
      }
      journal_write(1, filled(journal_text::kKillTargetListId, {list_id}));
    }
    if (rows < kKillPageLength) break;
    previous = fixed_text(page[static_cast<std::size_t>(rows - 1)].listId);
  }
  return found ? 1 : 0;
}

// KILL handling: the named message is removed, then the KILL message itself. -2 after Escape.
int handle_kill_message(EngineContext& ctx, const MessageSummary& kill) {
  const std::string sender = fixed_text(kill.surName);
  const std::string subject = fixed_text(kill.subject);
  const std::string list_id = fixed_text(kill.listId);
  journal_write(1, journal_text::kBlank);
  journal_write(1, journal_text::kKillMessage);
  journal_write(1, filled(journal_text::kKillSender, {sender}));
  int found = 0;
  if (subject.size() < 9) {
    journal_write(3, journal_text::kKillSubjectTooShort);
    journal_write(3, journal_text::kKillNotSearched);
  } else if (!fits_in_filter(subject) || !fits_in_filter(list_id)) {
    journal_write(3, journal_text::kKillSubjectWildcards);
    journal_write(3, journal_text::kKillNotSearched);
  } else {
    journal_write(1, filled(journal_text::kKillSearching, {subject}));
    found = remove_killed_message(ctx, subject, sender, list_id);
    if (found < 0) return found;
    if (!found) {
      journal_write(1, journal_text::kBlank);
      journal_write(1, journal_text::kKillTargetAbsent);
    }
  }
  journal_write(1, journal_text::kBlank);
  journal_write(1, journal_text::kKillRemoved);
  return delete_message(ctx, list_id) == kEndSession ? kEndSession : kGoOn;
}

void append_attribute_criteria(EngineContext& ctx, std::string& record, std::string& filter,
                               bool* refused) {
  const AttributeState& a = ctx.attributes;
  for (int position : {kAttrMID, kAttrIRP, kAttrSUB, kAttrSUR, kAttrGIV, kAttrMET, kAttrMRT,
                       kAttrPRI, kAttrSEN}) {
    if (!a.has(position)) continue;
    if (!append_criterion(filter, " & ", position, a.op(position), a.value(position))) {
      set_result_code(record, kCodeTooManyCriteria);
      journal_write(3, journal_text::kTooManySelectionCriteria);
      *refused = true;
      return;
    }
  }
}

}  // namespace

bool is_kill_message(const MessageSummary& row) {
  if (row.msgType != MSGTYPE_MESSAGE) return false;
  const std::string id = fixed_text(row.ipMsgId);
  return id.size() >= 6 && equals_ignore_case(id.substr(0, 2), "FT") &&
         equals_ignore_case(id.substr(3, 3), "CAN");
}

std::string list_line(const MessageSummary& row, bool already_read) {
  if (row.msgType != MSGTYPE_MESSAGE) return fixed_text(row.listId);
  ListingRecord record;
  const std::string entry = fixed_text(row.mbxEntryTime);
  record.set(listing::kListId, fixed_text(row.listId));
  record.set(listing::kMessageId, fixed_text(row.ipMsgId));
  record.set(listing::kInReplyTo, fixed_text(row.inReplyTo));
  record.set(listing::kEntryTime, entry.empty() ? std::string() : date_to_stamp(entry));
  record.set(listing::kMessageType, format("%1d", row.msgType));
  record.set(listing::kSurname, fixed_text(row.surName));
  record.set(listing::kGivenName, fixed_text(row.givenName));
  record.set(listing::kSubject, fixed_text(row.subject));
  record.set(listing::kSize, format("%ld", static_cast<long>(row.msgSize)));
  record.set(listing::kPriority, format("%1d", row.priority));
  record.set(listing::kSensitivity, format("%1d", row.sensitivity));
  record.set(listing::kBodyParts, format("%1d", row.bodyPartQtty));
  record.set(listing::kEit, format("%1d", row.eit));
  record.set(listing::kAlreadyRead, already_read ? "1" : "0");
  return record.line();
}

int build_list_filter(EngineContext& ctx, std::string& record, std::string& filter) {
  const AttributeState& a = ctx.attributes;
  const bool announcements = a.has(kAttrANN);
  filter = base_filter(command_kind(ctx), announcements, already_read_asked(ctx));
  if (a.has(kAttrSEL)) {
    std::string code;
    if (append_selection_file(ctx.home, filter, a.value(kAttrSEL), command_kind(ctx), code) != 0) {
      set_result_code(record, code);
      journal_write(3, journal_text::kSelectionLinesWrong);
      return -1;
    }
    const std::string status = "ACCESS_STATUS=";
    const std::size_t at = filter.find(status);
    if (!announcements && already_read_asked(ctx) && at != std::string::npos) {
      filter.replace(at + status.size(), 4, "READ");
      ctx.attributes.values[kAttrMRT].clear();
    }
    return 0;
  }
  bool refused = false;
  append_attribute_criteria(ctx, record, filter, &refused);
  return refused ? -1 : 0;
}

int list_mailbox(EngineContext& ctx, std::string& record, const std::string& list_file) {
  std::string filter;
  if (build_list_filter(ctx, record, filter) != 0) {
    write_status_line(ctx, record);
    return -1;
  }
  const std::string operation = operation_name(ctx);
  const AttributeState& a = ctx.attributes;
  const bool already_read = already_read_asked(ctx);
  journal_write(1, filled(journal_text::kListStart, {operation}));
  OpenFile out(fs::open_stream(list_file, "a"));
  if (!out) return fail_listing(ctx, record, kCodeCannotWrite, -1);

  std::vector<MessageSummary> page;
  std::string previous;
  int listed = 0;
  int result = 0;
  bool fetch_failed = false;
  for (;;) {
    EngineControl& control = ctx.control;
    control.user_stop = false;
    control.session_phase = kPhaseListing;
    if (a.has(kAttrANN)) {
      journal_write(1, filled(journal_text::kListAnnouncementsFrom, {a.value(kAttrANN), previous}));
    } else {
      journal_write(1, filled(journal_text::kListMailboxFrom, {previous}));
    }
    const int rows = fetch_page(ctx, filter, previous, kListPageLength, page);
    if (control.user_stop) {
      result = fail_listing(ctx, record, kCodeUserStop, kEndSession);
      break;
    }
    if (rows < 0) {
      fetch_failed = true;
      const int mapped = map_verdict(ctx);
      result = fail_listing(ctx, record, ctx.session.result_text, mapped);
      break;
    }
    for (int i = 0; i < rows && result == 0; ++i) {
      const MessageSummary& row = page[static_cast<std::size_t>(i)];
      if (command_kind(ctx) != kVerwijder && is_kill_message(row)) {
        if (handle_kill_message(ctx, row) == kEndSession)
          result = fail_listing(ctx, record, kCodeUserStop, kEndSession);
        continue;
      }
      write_line(out.get(), list_line(row, already_read).c_str(), list_file);
      ++listed;
    }
    if (result != 0 || rows < kListPageLength) break;
    previous = fixed_text(page[static_cast<std::size_t>(rows - 1)].listId);
  }
  out.close();
  if (fetch_failed) {
    journal_write(3, filled(journal_text::kListFailed, {operation}));
  } else {
    journal_write(1, filled(journal_text::kListOkay, {operation}));
  }
  if (result < 0) return result;
  if (listed == 0) set_result_code(record, kCodeSuccess);
  return listed;
}

}  // namespace kv::engine
