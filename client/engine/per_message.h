// The per-message driver: for ONTVANG, VERWIJDER and RAPPORT without LID, lists the mailbox with
// the command's selection into a work file and then fetches or deletes every listed message.
#pragma once

#include <string>

namespace kv::engine {

// `status_record` is the command's record (fields 1 and 2 set); the command kind is taken from
// engine_control(). Returns 0 (also when nothing was listed or the work file failed) or the
// first negative (or other non-zero, non-1) result of a listed message, or the listing's
// negative result.
int for_each_listed_message(std::string& status_record);

}  // namespace kv::engine
