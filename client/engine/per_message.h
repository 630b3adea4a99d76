// The per-message driver: for ONTVANG, VERWIJDER and RAPPORT without LID, lists the mailbox with
// the command's selection into a work file and then fetches or deletes every listed message.
#pragma once

#include <string>

namespace kv::engine {

struct EngineContext;

// `status_record` is the command's record (fields 1 and 2 set); the command kind is taken from
// ctx.control. A message whose fetch or delete fails (-1) keeps its own status line and the
// next message is handled. Returns 0 when every listed message was taken up (also when nothing
// was listed or the work file failed), else the result that ended the command: the listing's
// negative result, or -2 (Escape) / -3 (fatal verdict) of a message.
int for_each_listed_message(EngineContext& ctx, std::string& status_record);

}  // namespace kv::engine
