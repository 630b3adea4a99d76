// The open questions that killed runs left, asked when the session is logged in to their mailbox.
#include "client/common/text.h"
#include "client/engine/journal_texts.h"
#include "client/engine/service_questions.h"

#include <algorithm>
#include <cstdlib>

#include "client/common/home.h"
#include "client/common/journal.h"
#include "client/common/open_questions.h"
#include "client/common/pin_scramble.h"
#include "client/common/status_layout.h"
#include "client/engine/attributes.h"
#include "client/engine/command_context.h"
#include "client/engine/engine_context.h"
#include "client/engine/engine_control.h"
#include "client/engine/fixed_text.h"
#include "client/engine/message_commands.h"
#include "client/engine/result_codes.h"
#include "client/engine/session_result.h"
#include "client/engine/session_state.h"
#include "client/engine/status_file.h"

namespace kv::engine {

namespace {

constexpr short kLogInRefused = 6;
constexpr short kMessageGone = 5;

std::string questions_path(EngineContext& ctx) { return ctx.home.fullpath(kQuestionsFile); }

bool is_ours(EngineContext& ctx, const Question& q, const std::string& kind) {
  return q.kind == kind && q.open() && q.field(question::kMailbox) == session_mailbox(ctx);
}

// Writes the answers; a file that cannot be written leaves the questions open for the next run.
void keep_answers(EngineContext& ctx, const std::vector<Question>& questions) {
  if (!write_questions(questions_path(ctx), questions)) {
    journal_write(3, filled(journal_text::kQuestionsNotWritten, {kQuestionsFile}));
  }
}

void set_password(EngineContext& ctx, const std::string& password) {
  copy_fixed(ctx.session.open_parameters->password, password);
}

}  // namespace

std::string session_mailbox(EngineContext& ctx) {
  const OpenSession& open = *ctx.session.open_parameters;
  return mailbox_name(fixed_text(open.user), fixed_text(open.server));
}

short log_in(EngineContext& ctx) {
  EngineSession& s = ctx.session;
  std::vector<Question> questions = read_questions(questions_path(ctx));
  Question* change = nullptr;
  for (Question& q : questions) {
    if (is_ours(ctx, q, question::kPassword)) change = &q;
  }
  if (change == nullptr) return API_open(s.open_parameters.get(), s.session_info.get(), &s.session_handle);

  // A killed password change: the service has the new password or still the old one.
  const std::string own = fixed_text(s.open_parameters->password);
  std::string changed = change->field(question::kNewPassword);
  unscramble_pin(changed);
  journal_write(1, journal_text::kKilledPasswordTryNew);
  set_password(ctx, changed);
  short rc = API_open(s.open_parameters.get(), s.session_info.get(), &s.session_handle);
  if (rc == 0) {
    change->answer = question::kNewWorks;
  } else if (API_verdictValue() == kLogInRefused) {
    journal_write(1, journal_text::kKilledPasswordTryOld);
    set_password(ctx, own);
    rc = API_open(s.open_parameters.get(), s.session_info.get(), &s.session_handle);
    if (rc == 0) change->answer = question::kOldWorks;
  }
  if (!change->open()) keep_answers(ctx, questions);
  return rc;
}

void ask_send_questions(EngineContext& ctx) {
  std::vector<Question> questions = read_questions(questions_path(ctx));
  bool answered = false;
  for (Question& q : questions) {
    if (!is_ours(ctx, q, question::kSend)) continue;
    const std::string mid = q.field(question::kMessageId);
    const long long since = std::atoll(q.field(question::kSince).c_str());
    short accepted = 0;
    ctx.control.user_stop = false;
    journal_write(1, filled(journal_text::kKilledSendAsk, {mid}));
    if (API_acceptedSince(ctx.session.session_handle, mid.c_str(), since, &accepted) != 0) {
      journal_write(3, journal_text::kKilledSendAskFailed);
      if (map_verdict(ctx) == kFatalVerdict) break;
      continue;
    }
    q.answer = accepted ? question::kAccepted : question::kNotSent;
    journal_write(1, accepted ? journal_text::kKilledSendAccepted
                              : journal_text::kKilledSendNotAccepted);
    answered = true;
  }
  if (answered) keep_answers(ctx, questions);
}

namespace {

// Prepares the command state of a fetch for `q` as the killed run's command had it.
void take_up_as_command(EngineContext& ctx, const Question& q) {
  const bool message = q.field(question::kItemKind) == question::kMessage;
  ctx.control.command_kind = message ? kOntvang : kRapport;
  reset_attributes(ctx);
  AttributeState& a = ctx.attributes;
  const std::string dir = q.field(question::kReceiveDir);
  if (!dir.empty()) {
    a.presence[kAttrDIR - 1] = '1';
    a.values[kAttrDIR] = dir;
  }
  ctx.command = CommandContext{};
  ctx.command.report_file = q.field(question::kReportFile);
}

// One item fetched again; true when the question is answered (fetched, or no longer there).
bool fetch_again(EngineContext& ctx, const Question& q, int& result) {
  take_up_as_command(ctx, q);
  const bool message = ctx.control.command_kind == kOntvang;
  std::string record = start_status_line(message ? "*000ONTVANG" : "*000RAPPORT");
  result = receive_message(ctx, record, q.field(question::kListId));
  if (result == 0) return true;
  return API_verdictValue() == kMessageGone;
}

}  // namespace

void fetch_stranded_items(EngineContext& ctx) {
  std::vector<Question> questions = read_questions(questions_path(ctx));
  std::vector<std::string> report_files;
  bool answered = false;
  for (Question& q : questions) {
    if (!is_ours(ctx, q, question::kFetch)) continue;
    journal_write(1,
                  filled(journal_text::kKilledFetchAgain, {q.field(question::kListId)}));
    int result = 0;
    if (fetch_again(ctx, q, result)) {
      q.answer = question::kFetchedAgain;
      answered = true;
      const std::string& report = ctx.command.report_file;
      if (q.field(question::kItemKind) == question::kNotification && !report.empty() &&
          std::find(report_files.begin(), report_files.end(), report) == report_files.end()) {
        report_files.push_back(report);
      }
    }
    if (result == kEndSession || result == kFatalVerdict) break;
  }
  // The notifications reach the report processing like those of a RAPPORT command.
  for (const std::string& report : report_files) {
    std::string record = start_status_line("*000RAPPORT");
    set_field(record, status::rapport::kReportFile, report);
    set_result_code(record, kCodeSuccess);
    write_status_line_to_disk(ctx, record);
  }
  if (answered) keep_answers(ctx, questions);
  ctx.control.command_kind = kNoCommand;
}

}  // namespace kv::engine
