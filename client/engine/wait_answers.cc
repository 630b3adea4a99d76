// The wait for the answers to sent messages (the WAI attribute).
#include "client/engine/journal_texts.h"
#include "client/engine/wait_answers.h"

#include <algorithm>
#include <vector>

#include "client/common/journal.h"
#include "client/common/status_callbacks.h"
#include "client/common/status_layout.h"
#include "client/common/text.h"
#include "client/engine/attributes.h"
#include "client/engine/cmd_list.h"
#include "client/engine/engine_config.h"
#include "client/engine/engine_context.h"
#include "client/engine/engine_control.h"
#include "client/engine/fixed_text.h"
#include "client/engine/mailbox_filter.h"
#include "client/engine/message_commands.h"
#include "client/engine/session_result.h"
#include "client/engine/session_state.h"
#include "client/engine/status_file.h"
#include "platform/clock.h"

namespace kv::engine {

namespace {

int waiting_seconds(EngineContext& ctx) {
  const std::string& wai = ctx.attributes.value(kAttrWAI);
  return wai.empty() ? ctx.settings.wait_seconds : static_cast<int>(leading_number(wai));
}

bool all_answered(EngineContext& ctx) {
  const auto& sent = ctx.session.sent_messages;
  return std::all_of(sent.begin(), sent.end(), [](const std::string& s) { return s.empty(); });
}

// The entry of the sent-message list that `in_reply_to` answers, or nullptr.
std::string* answered_entry(EngineContext& ctx, const std::string& in_reply_to) {
  if (in_reply_to.empty()) return nullptr;
  for (std::string& sent : ctx.session.sent_messages) {
    if (!sent.empty() && equals_ignore_case(sent, in_reply_to)) return &sent;
  }
  return nullptr;
}

void count_down(EngineContext& ctx, int seconds) {
  for (int left = seconds; left > 0; --left) {
    show_status_text(ctx, countdown_text(left));
    wait_responsive(1000);
  }
}

struct PollOutcome {
  int result = 0;            // 0, or the negative result that ends the command
  bool answer = false;       // an answer arrived in this round
  bool receive_failed = false;
};

// One pass over the new messages of the mailbox.
PollOutcome poll_mailbox(EngineContext& ctx, std::string& record) {
  PollOutcome outcome;
  std::vector<MessageSummary> page(kListPageLength);
  std::string previous;
  const std::string command_id = field(record, status::kTag);
  for (;;) {
    EngineControl& control = ctx.control;
    control.user_stop = false;
    journal_write(1, journal_text::kWaitListStart);
    control.session_phase = kPhaseListing;
    std::fill(page.begin(), page.end(), MessageSummary{});
    short rows = API_listMbxInNext(ctx.session.session_handle, kAnswerFilter, previous.c_str(),
                                   kListPageLength, page.data());
    if (control.user_stop) {
      set_result_code(record, kCodeUserStop);
      write_status_line(ctx, record);
      outcome.result = kEndSession;
      return outcome;
    }
    if (rows < 0) {
      outcome.result = map_verdict(ctx);
      set_result_code(record, ctx.session.result_text);
      write_status_line(ctx, record);
      return outcome;
    }
    rows = std::min(rows, kListPageLength);
    for (int i = 0; i < rows; ++i) {
      const MessageSummary& row = page[static_cast<std::size_t>(i)];
      std::string* entry = answered_entry(ctx, fixed_text(row.inReplyTo));
      if (!entry) continue;
      outcome.answer = true;
      std::string line = start_status_line(command_id);
      const int rc = receive_message(ctx, line, fixed_text(row.listId));
      entry->clear();
      if (rc == kEndSession || rc == kFatalVerdict) {
        outcome.result = rc;
        return outcome;
      }
      if (rc != 0) outcome.receive_failed = true;
    }
    if (rows < kListPageLength) return outcome;
    previous = fixed_text(page[static_cast<std::size_t>(rows - 1)].listId);
  }
}

std::int64_t elapsed_ms(std::uint32_t start) {
  return static_cast<std::uint32_t>(clock().ticks_ms() - start);
}

}  // namespace

std::string countdown_text(int seconds_left) {
  return format("%d seconde%s wachten...", seconds_left, seconds_left >= 2 ? "n" : "");
}

int wait_for_answers(EngineContext& ctx, std::string& record) {
  if (all_answered(ctx)) {
    // Every answer arrived with an earlier command: nothing to wait for.
    set_result_code(record, kCodeSuccess);
    write_status_line(ctx, record);
    return 0;
  }
  const std::int64_t wait_ms = static_cast<std::int64_t>(waiting_seconds(ctx)) * 1000;
  const EngineSettings& settings = ctx.settings;
  const std::uint32_t start = clock().ticks_ms();
  int interval = settings.poll_first;
  bool answer_last_round = false;
  for (;;) {
    if (elapsed_ms(start) >= wait_ms && !answer_last_round) {
      set_result_code(record, kCodeNoAnswer);
      write_status_line(ctx, record);
      return 0;
    }
    count_down(ctx, interval);
    interval = settings.poll_later;
    const PollOutcome outcome = poll_mailbox(ctx, record);
    if (outcome.result < 0) return outcome.result;
    if (all_answered(ctx) || outcome.receive_failed) return 0;
    answer_last_round = outcome.answer;
  }
}

}  // namespace kv::engine
