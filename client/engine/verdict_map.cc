// Mapping of the mail service's verdict to a four-digit result code and a session result.
#include "client/engine/verdict_map.h"

#include "client/common/text.h"
#include "client/engine/engine_context.h"
#include "client/engine/failure_reason.h"
#include "client/engine/message_commands.h"
#include "client/engine/session_result.h"
#include "client/engine/session_state.h"
#include "client/msgapi/api.h"

namespace kv::engine {

VerdictMapping map_verdict_value(int verdict) {
  switch (verdict) {
    case 0: return {"1504", kFatalVerdict};
    case 3: return {"1506", kFatalVerdict};
    case 4: return {"1507", kFatalVerdict};
    case 5: return {"1512", kRefused};
    case 6: return {"1508", kRefused};
    case 7: return {"1509", kRefused};
    case 8: return {"1510", kRefused};
    case 9: return {"1511", kRefused};
    default: break;
  }
  if (verdict >= 10 && verdict <= 26) return {format("%04d", 1511 + verdict), kRefused};
  return {"1513", kRefused};
}

int map_verdict(EngineContext& ctx) {
  const short verdict = API_verdictValue();
  const VerdictMapping m = map_verdict_value(verdict);
  ctx.session.result_text = m.code;
  note_failure_detail(verdict_detail(ctx, verdict));
  return m.result;
}

}  // namespace kv::engine
