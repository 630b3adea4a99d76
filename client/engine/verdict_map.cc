#include "client/engine/verdict_map.h"

#include "client/common/text.h"
#include "client/engine/message_commands.h"
#include "client/engine/session_state.h"
#include "client/msgapi/api.h"

namespace kv::engine {

VerdictMapping map_verdict_value(int verdict) {
  switch (verdict) {
    case 0: return {"1504", -3};
    case 3: return {"1506", -3};
    case 4: return {"1507", -3};
    case 5: return {"1512", -1};
    case 6: return {"1508", -1};
    case 7: return {"1509", -1};
    case 8: return {"1510", -1};
    case 9: return {"1511", -1};
    default: break;
  }
  if (verdict >= 10 && verdict <= 26) return {format("%04d", 1511 + verdict), -1};
  return {"1513", -1};
}

int map_verdict() {
  const VerdictMapping m = map_verdict_value(API_verdictValue());
  session().result_text = m.code;
  return m.result;
}

}  // namespace kv::engine
