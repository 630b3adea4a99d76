// The engine session state of this process and the session's recovery-point exception.
#include "client/engine/session_state.h"

#include <new>

#include "client/common/journal.h"
#include "client/engine/command_file.h"
#include "client/engine/engine_context.h"
#include "platform/window.h"

namespace kv::engine {

namespace {
// Text item of the status window that shows the engine's progress.
constexpr int kStatusTextItem = 1003;

// A zero-filled record, or nullptr when memory is short.
template <typename Record>
std::unique_ptr<Record> zeroed_record() {
  return std::unique_ptr<Record>(new (std::nothrow) Record{});
}
}  // namespace

bool allocate_session_records(EngineContext& ctx) {
  EngineSession& s = ctx.session;
  s.open_parameters = zeroed_record<OpenSession>();
  s.outgoing = zeroed_record<MessageOut>();
  s.incoming = zeroed_record<MessageIn>();
  s.session_info = zeroed_record<SessionInfo>();
  return s.open_parameters && s.outgoing && s.incoming && s.session_info;
}

void close_engine_files(EngineContext& ctx) { ctx.command_file.close(); }

[[noreturn]] void abandon_session(const std::string& journal_text) {
  journal_write(3, journal_text);
  throw SessionAbandoned{journal_text};
}

void show_status_text(EngineContext& ctx, const std::string& text) {
  if (ctx.session.window != nullptr) ctx.session.window->set_item_text(kStatusTextItem, text);
}

}  // namespace kv::engine
