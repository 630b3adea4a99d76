// Sending a message (ZEND).
#include "client/engine/cmd_zend.h"

#include <algorithm>

#include "client/common/home.h"
#include "client/common/journal.h"
#include "client/common/run_intent.h"
#include "client/common/status_layout.h"
#include "client/common/text.h"
#include "client/engine/attributes.h"
#include "client/engine/engine_config.h"
#include "client/engine/engine_context.h"
#include "client/engine/engine_control.h"
#include "client/engine/fixed_text.h"
#include "client/engine/journal_texts.h"
#include "client/engine/message_commands.h"
#include "client/engine/recipients.h"
#include "client/engine/session_result.h"
#include "client/engine/session_state.h"
#include "client/engine/status_file.h"
#include "platform/clock.h"
#include "platform/fs.h"

namespace kv::engine {

namespace {

constexpr const char* kDashes40 = "----------------------------------------";

// A digit attribute (PRI, SEN, NOT, RAP) or its configured default.
int code_or_default(EngineContext& ctx, int position, int fallback) {
  const AttributeState& a = ctx.attributes;
  return a.has(position) ? static_cast<int>(leading_number(a.value(position))) : fallback;
}

void fill_message(EngineContext& ctx, MessageOut& out) {
  const AttributeState& a = ctx.attributes;
  const EngineSettings& s = ctx.settings;
  out.priority = static_cast<std::int16_t>(code_or_default(ctx, kAttrPRI, s.priority));
  out.sensitivity = static_cast<std::int16_t>(code_or_default(ctx, kAttrSEN, s.sensitivity));
  out.notifReq = static_cast<std::int16_t>(code_or_default(ctx, kAttrNOT, s.notification));
  out.reportReq = static_cast<std::int16_t>(code_or_default(ctx, kAttrRAP, s.report));
  copy_fixed(out.ipMsgId, a.value(kAttrMID));
  copy_fixed(out.subject, a.value(kAttrSUB));
  copy_fixed(out.inReplyTo, a.value(kAttrIRP));
  copy_fixed(out.expireDate, "");
  copy_fixed(out.defDeliveryDate, "");
  out.replyReq = 2;
  out.recipientQtty = static_cast<std::int16_t>(a.recipient_count);
  const SessionInfo* info = ctx.session.session_info.get();
  copy_fixed(out.freeFormName, info ? fixed_text(info->defaultFFName) : std::string());
  const std::size_t parts = std::min<std::size_t>(a.files.size(), API_MAX_BODYPARTS);
  out.bodyPartQtty = static_cast<std::int16_t>(parts);
  for (std::size_t i = 0; i < API_MAX_BODYPARTS; ++i) {
    BodyPart& part = out.bodyParts[i];
    part.type = i < parts ? BODYPART_FILE : 0;
    copy_fixed(part.fileName,
               i < parts ? api_file_name(ctx, a.files[i], sizeof part.fileName) : "");
    copy_fixed(part.listId, "");
  }
}

void put_message_fields(EngineContext& ctx, std::string& record, const MessageOut& out) {
  const AttributeState& a = ctx.attributes;
  const auto put = [&record](int position, const std::string& text) {
    set_field(record, zend_status_field(position), text);
  };
  put(kAttrMID, a.value(kAttrMID));
  put(kAttrPRI, format("%1d", out.priority));
  put(kAttrSEN, format("%1d", out.sensitivity));
  put(kAttrNOT, format("%1d", out.notifReq));
  put(kAttrRAP, format("%1d", out.reportReq));
  for (std::size_t i = 0; i < kMaxFiles; ++i) {
    set_field(record, nth_field(zend_status_field(kAttrFIL), static_cast<int>(i)),
              i < a.files.size() ? a.files[i] : "");
  }
  put(kAttrDEL, a.has(kAttrDEL) ? "1" : "0");
  put(kAttrSUB, a.value(kAttrSUB));
  put(kAttrIRP, a.value(kAttrIRP));
}

// Field 20: the recipient kind, "5" for a message with a DIF file, "4" for a distribution list.
std::string kind_field(EngineContext& ctx, const Recipient& r) {
  if (!ctx.attributes.interchange_file.empty()) return "5";
  if (r.orName.type == ORNAME_DISTLIST) return "4";
  return format("%1d", r.type);
}

// Fields 20 to 41 of a recipient line. Field 21 holds the alias of an alias recipient and nothing
// else; an alias leaves 22 to 41 empty unless `resolved` holds the O/R name that it stands for. A
// distribution list is known by its kind "4" alone: it has no alias and no address of its own.
void put_recipient_fields(EngineContext& ctx, std::string& record, const Recipient& r,
                          const ORName* resolved) {
  set_field(record, status::zend::kRecipientKind, kind_field(ctx, r));
  const ORName& name = r.orName;
  if (name.type == ORNAME_DISTLIST) {
    clear_fields(record, status::zend::kAlias, 1 + status::zend::kAddressFields);
    return;
  }
  if (name.type == ORNAME_ALIAS) {
    set_field(record, status::zend::kAlias, fixed_text(name.u.alias));
    if (resolved) {
      put_orname_fields(record, status::zend::kCountry, status::zend::kAddressFields, *resolved);
    } else {
      clear_fields(record, status::zend::kCountry, status::zend::kAddressFields);
    }
    return;
  }
  set_field(record, status::zend::kAlias, "");
  put_orname_fields(record, status::zend::kCountry, status::zend::kAddressFields, name);
}

// The full paths of the files removed.
std::vector<std::string> remove_sent_files(EngineContext& ctx, const MessageOut& out) {
  journal_write(1, journal_text::kRemoveOptionGiven);
  journal_write(1, journal_text::kFilesToBeRemoved);
  journal_write(1, kDashes40);
  const AttributeState& a = ctx.attributes;
  std::vector<std::string> removed;
  for (int i = 0; i < out.bodyPartQtty && i < static_cast<int>(a.files.size()); ++i) {
    removed.push_back(ctx.home.fullpath(a.files[i]));
    ctx.home.remove_work_file(a.files[i]);
    journal_write(1, a.files[i]);
  }
  journal_write(1, kDashes40);
  return removed;
}

// The send is recorded in the run's intent record before the service hears of it, so that a run
// killed before its status lines are on disk leaves the question whether the service accepted
// it (asked by the next session, see service_questions.h).
bool record_send_intent(EngineContext& ctx, const std::string& record) {
  const fs::Status status = fs::status(ctx.session.status_file_path);
  const long long offset = status.exists && !status.is_directory ? status.size : 0;
  const AttributeState& a = ctx.attributes;
  std::string value = field(record, status::kTag) + "|" + a.value(kAttrMID) + "|" +
                      std::to_string(clock().epoch_seconds()) + "|" + std::to_string(offset) + "|" +
                      (a.files.empty() ? std::string() : a.files.front());
  for (char& c : value) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return record_intent(intent::kSend, value);
}

// Without its record a send is not made: a kill could leave it neither sent nor not sent.
int refuse_unrecorded_send(EngineContext& ctx, std::string& record, const MessageOut& out) {
  journal_write(3, journal_text::kSendNotRecorded);
  for (int i = 0; i < out.recipientQtty && i < API_MAX_RECIPIENTS; ++i) {
    put_recipient_fields(ctx, record, out.recipients[i], nullptr);
    set_result_code(record, kCodeCannotWrite);
    write_status_line(ctx, record);
  }
  return kRefused;
}

// The send's status lines, and the removal of the files it sent, are put on disk before the
// next step; only then does the intent record call the send settled.
void settle_send(EngineContext& ctx, const std::vector<std::string>& removed) {
  std::vector<std::string> dirs;
  for (const std::string& path : removed) {
    const std::string dir = fs::dir_name(path);
    if (std::find(dirs.begin(), dirs.end(), dir) == dirs.end()) dirs.push_back(dir);
  }
  bool flushed = fs::sync_file(ctx.session.status_file_path).ok();
  for (const std::string& dir : dirs) flushed = fs::sync_directory(dir).ok() && flushed;
  if (!flushed) {
    journal_write(3, journal_text::kStatusFileNotWritten);
    return;  // the send stays unsettled: the next session asks the service
  }
  record_intent(intent::kSent, ctx.attributes.value(kAttrMID));
}

int report_failed_send(EngineContext& ctx, std::string& record, const MessageOut& out) {
  int result;
  if (ctx.control.user_stop) {
    ctx.session.result_text = kCodeUserStop;
    result = kEndSession;
  } else {
    journal_write(3, journal_text::kSendCommandFailed);
    result = map_verdict(ctx);
  }
  for (int i = 0; i < out.recipientQtty && i < API_MAX_RECIPIENTS; ++i) {
    put_recipient_fields(ctx, record, out.recipients[i], nullptr);
    set_result_code(record, ctx.session.result_text);
    write_status_line(ctx, record);
  }
  return result;
}

void report_sent_message(EngineContext& ctx, std::string& record, const MessageOut& out) {
  bool resolution_failed = false;
  for (int i = 0; i < out.recipientQtty && i < API_MAX_RECIPIENTS; ++i) {
    const Recipient& r = out.recipients[i];
    ORName resolved{};
    bool have_resolved = false;
    if (r.orName.type == ORNAME_ALIAS && !resolution_failed) {
      ctx.control.session_phase = kPhaseCompletingSent;
      API_initOrname(&resolved);
      short status = 1;
      const std::string alias = fixed_text(r.orName.u.alias);
      if (API_aliasToOrname(ctx.session.session_handle, alias.c_str(), &status, &resolved) != 0) {
        map_verdict(ctx);  // the send stands; the code is not used
        resolution_failed = true;
      } else {
        have_resolved = status == 3;
      }
    }
    put_recipient_fields(ctx, record, r, have_resolved ? &resolved : nullptr);
    set_result_code(record, kCodeSuccess);
    write_status_line(ctx, record);
  }
}

}  // namespace

std::string api_file_name(EngineContext& ctx, const std::string& name, std::size_t width) {
  const std::string full = ctx.home.fullpath(name);
  if (!full.empty() && full.size() < width) return full;
  const std::string& dir = ctx.home.dir();
  if (!dir.empty() && full.compare(0, dir.size() + 1, dir + "/") == 0) {
    return full.substr(dir.size() + 1);
  }
  return fs::to_slashes(name);
}

int zend(EngineContext& ctx, std::string& record) {
  MessageOut& out = *ctx.session.outgoing;
  fill_message(ctx, out);
  put_message_fields(ctx, record, out);

  if (!record_send_intent(ctx, record)) return refuse_unrecorded_send(ctx, record, out);
  EngineControl& control = ctx.control;
  control.user_stop = false;
  journal_write(1, journal_text::kSendStart);
  control.session_phase = kPhaseSending;
  if (API_sendMsg(ctx.session.session_handle, &out) != 0) {
    const int result = report_failed_send(ctx, record, out);
    settle_send(ctx, {});
    return result;
  }

  std::vector<std::string> removed;
  if (ctx.attributes.has(kAttrDEL)) removed = remove_sent_files(ctx, out);
  report_sent_message(ctx, record, out);
  settle_send(ctx, removed);
  if (ctx.attributes.has(kAttrANS)) journal_write(1, journal_text::kEnvelopeQueued);
  journal_write(1, journal_text::kSendAccepted);
  return 0;
}

}  // namespace kv::engine
