#include "client/engine/cmd_password.h"

#include "client/common/journal.h"
#include "client/engine/attributes.h"
#include "client/engine/engine_control.h"
#include "client/engine/message_commands.h"
#include "client/engine/session_result.h"
#include "client/engine/session_state.h"
#include "client/engine/status_file.h"
#include "client/msgapi/api.h"

namespace kv::engine {

int change_password(std::string& record) {
  EngineControl& control = engine_control();
  control.user_stop = 0;
  journal_write(1, "start API_changeNetworkPwd");
  control.session_phase = kPhaseChangingPassword;
  const std::string new_password = attributes().value(kAttrPIN);
  const short rc = API_changeNetworkPwd(session().session_handle, new_password.c_str());
  if (control.user_stop) {
    session().result_text = kCodeUserStop;
    return kEndSession;
  }
  int result = 0;
  if (rc == 0) {
    journal_write(1, "API_changeNetworkPwd: OK");
    session().result_text = kCodeSuccess;
  } else {
    journal_write(3, "fout in API_changeNetworkPwd");
    result = map_verdict();
  }
  set_result_code(record, session().result_text);
  return result;
}

}  // namespace kv::engine
