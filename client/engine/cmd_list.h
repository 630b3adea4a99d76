// Listing the mailbox (LIJST and the per-message driver; list_mailbox itself is declared in
// message_commands.h): the filter of the command, paging, the list-file lines and the handling of
// KILL messages that ask for the removal of an earlier message.
#pragma once

#include <string>

#include "client/msgapi/api.h"

namespace kv::engine {

struct EngineContext;

// Rows per listing page; KILL searches use pages of 5.
constexpr short kListPageLength = 20;
constexpr short kKillPageLength = 5;

// The filter of the command in hand (base filter, then the selection file or the selection
// attributes). 0, or -1 with the code in field 3 of `record` (status line not yet written).
int build_list_filter(EngineContext& ctx, std::string& record, std::string& filter);

// The list-file line of a row, without its line feed: a message gets 14 bar-separated fields,
// a notification or report only its list identifier.
std::string list_line(const MessageSummary& row, bool already_read);

// A message whose ipMsgId has "FT" in positions 1-2 and "CAN" in positions 4-6 (any case).
bool is_kill_message(const MessageSummary& row);

}  // namespace kv::engine
