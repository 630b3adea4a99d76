// The table of the seven commands and the dispatch of a recognised command line.
#include "client/engine/dispatch.h"

#include "client/engine/engine_context.h"
#include "client/engine/front_ends.h"
#include "client/engine/session_state.h"

namespace kv::engine {

const std::array<CommandEntry, 7>& command_table() {
  static const std::array<CommandEntry, 7> table = {{
      {"ZEND", kZend, "ZEND", zend_front_end},
      {"ONTVANG", kOntvang, "ONTVANG", ontvang_front_end},
      {"RAPPORT", kRapport, "RAPPORT", rapport_front_end},
      {"ANTWOORD", kAntwoord, nullptr, antwoord_front_end},
      {"VERWIJDER", kVerwijder, "VERWIJDER", verwijder_front_end},
      {"LIJST", kLijst, "LIJST", lijst_front_end},
      {"WACHTWOORD", kWachtwoord, "WACHTWOORD", wachtwoord_front_end},
  }};
  return table;
}

const CommandEntry* find_command(const std::string& name) {
  for (const CommandEntry& entry : command_table()) {
    if (name == entry.name) return &entry;
  }
  return nullptr;
}

SessionResult dispatch_command(EngineContext& ctx, const CommandEntry& entry,
                               std::string& status_record) {
  clear_attribute_marks(ctx);
  if (entry.status_text != nullptr) show_status_text(ctx, entry.status_text);
  const SessionResult result = session_result_of(entry.front_end(ctx, status_record));
  // The answers have been waited for: the list of messages that expected one starts afresh.
  if (entry.kind == kAntwoord) ctx.session.sent_messages.clear();
  return result;
}

}  // namespace kv::engine
