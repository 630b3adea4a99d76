// ANTWOORD: waiting for the answers to the messages sent with ANS in this session.
#pragma once

#include <string>

namespace kv::engine {

struct EngineContext;

// "%d seconde%s wachten..." with "n" when two or more seconds remain.
std::string countdown_text(int seconds_left);

// Polls the mailbox (first after PI0 seconds, then every PI1 seconds) and receives every new
// message that answers an entry of the sent-message list, until every entry is answered or the
// waiting time (WAI of this or an earlier command, else the configured WAI) has passed; then
// "1701". Returns 0; -2 after Escape ("1516"); the mapped result (-1, -3) after a failed page.
int wait_for_answers(EngineContext& ctx, std::string& record);

}  // namespace kv::engine
