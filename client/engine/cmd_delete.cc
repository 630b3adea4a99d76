// Deleting one message from the mailbox by its list identifier (VERWIJDER, delete after receipt,
// KILL handling).
#include "client/common/journal.h"
#include "client/common/text.h"
#include "client/engine/engine_context.h"
#include "client/engine/engine_control.h"
#include "client/engine/failure_reason.h"
#include "client/engine/journal_texts.h"
#include "client/engine/message_commands.h"
#include "client/engine/session_result.h"
#include "client/engine/session_state.h"
#include "client/engine/status_file.h"
#include "client/engine/verdict_map.h"
#include "client/msgapi/api.h"

namespace kv::engine {

int delete_message(EngineContext& ctx, const std::string& list_id) {
  EngineControl& control = ctx.control;
  control.user_stop = false;
  journal_write(1, filled(journal_text::kDeleteStart, {list_id}));
  control.session_phase = kPhaseDeleting;
  const short rc = API_delMsg(ctx.session.session_handle, list_id.c_str());
  if (control.user_stop) {
    ctx.session.result_text = kCodeUserStop;
    return kEndSession;
  }
  if (rc == 0) {
    journal_write(1, journal_text::kDeleteOkay);
    ctx.session.result_text = kCodeSuccess;
    return 0;
  }
  journal_write(3, journal_text::kDeleteFailed);
  const short verdict = API_verdictValue();
  const VerdictMapping m = map_verdict_value(verdict);
  ctx.session.result_text = m.code;
  note_failure_detail("list identifier " + list_id + ": " + verdict_detail(ctx, verdict));
  // VERWIJDER takes a message that the service no longer finds as already gone.
  if (verdict == 5 && control.command_kind == kVerwijder) return 0;
  return m.result;
}

}  // namespace kv::engine
