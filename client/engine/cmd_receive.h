// Fetching one message, notification or report from the mailbox (ONTVANG, ANTWOORD, RAPPORT):
// receive_message itself is declared in message_commands.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "client/msgapi/api.h"

namespace kv::engine {

// The eight-letter word of the candidate file names: `seconds` in base 20 with the digit letters
// "BCDFGHJKLMNPQRSTVWXZ", least significant digit first, filled up to eight letters with "B".
std::string candidate_word(std::int64_t seconds);

// The report records of a fetched notification (msgType 2: one) or report (msgType 3: one per
// notification entry), each without its line feed.
std::vector<std::string> report_records(const MessageIn& item);

}  // namespace kv::engine
