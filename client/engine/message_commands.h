// Command operations that the session driver calls: the verdict mapping after a failed messaging
// operation, and the listing, fetching and deleting of single messages that the per-message
// driver strings together.
#pragma once

#include <string>

namespace kv::engine {

struct EngineContext;

// Asks API_verdictValue, leaves the matching result code in ctx.session.result_text and returns
// the session result: -3 for the fatal verdicts 0, 3 and 4, -1 for every other.
int map_verdict(EngineContext& ctx);

// Lists the mailbox with the current command's selection attributes into `list_file` (a full
// path). Returns the number of lines written (field 3 "0000" when none), or a negative session
// result; errors put their code into field 3 and append the status line themselves.
int list_mailbox(EngineContext& ctx, std::string& status_record, const std::string& list_file);

// Fetches the message (or report) with list identifier `list_id`; writes its own status lines.
// Returns 0, 1 (counts as 0), -1, -2 (Escape) or -3 (fatal verdict).
int receive_message(EngineContext& ctx, std::string& status_record, const std::string& list_id);

// Deletes the message with list identifier `list_id`; leaves the result code in
// ctx.session.result_text, writes no status line. Returns 0, -1, -2 or -3.
int delete_message(EngineContext& ctx, const std::string& list_id);

}  // namespace kv::engine
