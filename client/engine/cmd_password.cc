// The password change (WACHTWOORD).
#include "client/engine/cmd_password.h"

#include "client/common/journal.h"
#include "client/common/pin_scramble.h"
#include "client/common/run_intent.h"
#include "client/engine/attributes.h"
#include "client/engine/engine_context.h"
#include "client/engine/engine_control.h"
#include "client/engine/journal_texts.h"
#include "client/engine/message_commands.h"
#include "client/engine/session_result.h"
#include "client/engine/session_state.h"
#include "client/engine/status_file.h"
#include "client/msgapi/api.h"
#include "platform/fs.h"

namespace kv::engine {

int change_password(EngineContext& ctx, std::string& record) {
  EngineControl& control = ctx.control;
  control.user_stop = false;
  journal_write(1, journal_text::kPasswordStart);
  control.session_phase = kPhaseChangingPassword;
  const std::string new_password = ctx.attributes.value(kAttrPIN);
  // The new password is on disk (scrambled, as in qrtlnk.gns) before the service may take it:
  // a run killed before its status line leaves the next start able to log in with either.
  std::string scrambled = new_password;
  scramble_pin(scrambled);
  const fs::Status status = fs::status(ctx.session.status_file_path);
  const long long offset = status.exists && !status.is_directory ? status.size : 0;
  if (!record_intent(intent::kPassword, scrambled + "|" + std::to_string(offset))) {
    journal_write(3, journal_text::kPasswordNotRecorded);
    set_result_code(record, kCodeCannotWrite);
    return kRefused;
  }
  const short rc = API_changeNetworkPwd(ctx.session.session_handle, new_password.c_str());
  if (control.user_stop) {
    ctx.session.result_text = kCodeUserStop;
    return kEndSession;
  }
  int result = 0;
  if (rc == 0) {
    journal_write(1, journal_text::kPasswordOkay);
    ctx.session.result_text = kCodeSuccess;
  } else {
    journal_write(3, journal_text::kPasswordFailed);
    result = map_verdict(ctx);
  }
  set_result_code(record, ctx.session.result_text);
  return result;
}

}  // namespace kv::engine
