// The engine session: prepares the session state, connects (CONNECT block, dial-up, open), runs
// the command loop, closes the session and hangs up. Two fatal conditions deep inside the engine
// unwind to the recovery point here.
#include "client/engine/journal_texts.h"
#include "client/engine/session.h"

#include <new>

#include "client/common/home.h"
#include "client/common/journal.h"
#include "client/common/run_intent.h"
#include "client/common/run_state.h"
#include "client/common/status_callbacks.h"
#include "client/engine/command_file.h"
#include "client/engine/dialup.h"
#include "client/engine/engine_config.h"
#include "client/engine/engine_context.h"
#include "client/engine/failure_reason.h"
#include "client/engine/message_commands.h"
#include "client/engine/path_check.h"
#include "client/engine/result_codes.h"
#include "client/engine/service_questions.h"
#include "client/engine/session_result.h"
#include "client/engine/session_runner.h"
#include "client/engine/session_state.h"
#include "client/engine/status_file.h"
#include "platform/fs.h"

namespace kv {

namespace {
// What qrt400_status_write_failure reports: the value of the last session that ran.
int last_status_write_failure = 0;
}  // namespace

int qrt400_session(StatusWindow* window, const std::string& command_file,
                   const std::string& status_file) {
  engine::EngineContext context(engine_home(), engine_control(), run_state());
  const int result =
      engine::run_session(context, window, command_file, status_file, fs::current_directory());
  last_status_write_failure = context.session.status_write_failure;
  return result;
}

int qrt400_status_write_failure() { return last_status_write_failure; }

}  // namespace kv

namespace kv::engine {

namespace {

bool uses_dialup(EngineContext& ctx) {
  const EngineSession& s = ctx.session;
  return s.open_parameters && s.open_parameters->type == CONNECTION_TCPIP &&
         !s.dialup_entry.empty();
}

// Result of the connect step: the session is open, or it failed (with the code already in
// field 3 of the status record, or none).
bool fail_connect(EngineContext& ctx, const std::string& code) {
  if (!code.empty()) set_result_code(ctx.session.status_record, code);
  return false;
}

bool dial_entry(EngineContext& ctx) {
  DialOutcome outcome = dial(ctx, ctx.session.dialup_entry);
  if (!outcome.connected) {
    note_failure_detail(
        "dial-up entry \"" + ctx.session.dialup_entry + "\" (ISP= of qrtlnk.gns)" +
        (outcome.code.empty() ? ": the dial-up helper kovedial could not be started" : ""));
    return fail_connect(ctx, outcome.code);
  }
  ctx.session.already_connected = outcome.already_connected;
  return true;
}

bool open_mail_session(EngineContext& ctx) {
  EngineSession& s = ctx.session;
  if (log_in(ctx) == 0) {
    set_result_code(s.status_record, kCodeSuccess);
    journal_write(1, journal_text::kConnected);
    write_session_info(ctx);
    // Whatever a kill leaves open from here on concerns this mailbox.
    record_intent(intent::kUser, session_mailbox(ctx));
    return true;
  }
  short verdict = API_verdictValue();
  // The user stopped the open with Escape.
  if (verdict == 29) return fail_connect(ctx, kCodeUserStop);
  journal_write(3, journal_text::kOpenFailed);
  display_com_info("Fout tijdens openen");
  note_failure_detail("server \"" + std::string(s.open_parameters->server) + "\", port " +
                      std::to_string(s.open_parameters->portNb) + ", user \"" +
                      std::string(s.open_parameters->user) + "\"");
  if (verdict == 0) {
    note_failure_detail(verdict_detail(ctx, verdict) +
                        "; a Java virtual machine that did not start "
                        "is named in debug.log");
    return fail_connect(ctx, kCodeOpenFailed);
  }
  map_verdict(ctx);
  return fail_connect(ctx, s.result_text);
}

bool connect(EngineContext& ctx) {
  int read = ctx.command_file.read_connect_block(ctx, ctx.session.status_record);
  if (read == kEndSession) return false;
  if (read != 0) {
    journal_write(3, journal_text::kAttributesWrongEnd);
    return false;
  }
  write_connect_parameters(ctx);
  ctx.control.session_phase = kPhaseOpening;
  if (uses_dialup(ctx) && !dial_entry(ctx)) return false;
  return open_mail_session(ctx);
}

void hang_up_when_dialed(EngineContext& ctx) {
  if (uses_dialup(ctx) && !ctx.session.already_connected) hang_up(ctx);
}

// Steps 2 to 8 of a session: records, configuration, journal, status file. False: the session
// cannot start (the reason is journaled).
bool prepare(EngineContext& ctx, const std::string& command_file_name,
             const std::string& status_file_name) {
  EngineSession& s = ctx.session;
  if (!allocate_session_records(ctx)) return false;
  if (read_engine_config(ctx) == 0) {
    explain_session_failure("a line of the engine configuration $qrt400.prm has 100 characters "
                            "or more: the session did not start");
    return false;
  }
  if (journal_settings().enabled) {
    journal_open(journal_settings().file_name);
    write_session_banner(ctx);
  }
  s.status_file_path = ctx.home.fullpath(status_file_name);
  if (status_file_name.empty() || s.status_file_path.empty()) {
    journal_write(3, journal_text::kNoMemoryForStatusFile);
    explain_session_failure("no usable status file name \"" + status_file_name + "\"");
    return false;
  }
  s.command_file_name = command_file_name;
  // Equal names, or two names of the same file (names are matched without regard to case).
  if (command_file_name == status_file_name ||
      ctx.home.fullpath(command_file_name) == s.status_file_path) {
    journal_write(3, journal_text::kCommandFileIsStatusFile);
    explain_session_failure("the command file and the status file are the same file \"" +
                            status_file_name + "\" (/O= and /S=)");
    return false;
  }
  if (check_path(ctx, status_file_name, PathAccess::write, PathKind::file) != 0) {
    journal_write(3, journal_text::kStatusFileReadOnly);
    explain_session_failure("the status file cannot be written (code " + s.result_text + ")");
    return false;
  }
  ctx.control.command_kind = kNoCommand;
  ctx.home.remove_work_file(s.status_file_path);
  s.status_record = empty_status_record();
  return true;
}

int run_connected_session(EngineContext& ctx, const std::string& command_file_name,
                          const std::string& status_file_name) {
  EngineSession& s = ctx.session;
  if (!prepare(ctx, command_file_name, status_file_name)) {
    close_engine_files(ctx);
    return -1;
  }
  bool connected = connect(ctx);
  // The status file always begins with the line of the CONNECT command; from here on its name
  // is on disk, so that flushing its data is enough to keep a line.
  write_status_line(ctx, s.status_record);
  if (!fs::sync_files({s.status_file_path}).ok()) {
    journal_write(3, journal_text::kStatusFileNotWritten);
  }
  if (!connected) {
    hang_up_when_dialed(ctx);
    close_engine_files(ctx);
    return -1;
  }
  ask_send_questions(ctx);
  const SessionResult ended = ctx.command_file.run_command_loop(ctx);
  if (!ends_session(ended)) fetch_stranded_items(ctx);
  ctx.command_file.close();
  ctx.control.session_phase = kPhaseClosing;
  API_close(s.session_handle);
  hang_up_when_dialed(ctx);
  close_engine_files(ctx);
  return s.any_failure ? 1 : 0;
}

}  // namespace

int run_session(EngineContext& ctx, StatusWindow* window, const std::string& command_file_name,
                const std::string& status_file_name, const std::string& engine_dir) {
  ctx.control = EngineControl{};
  clear_failure_detail();
  EngineSession& s = ctx.session;
  s.window = window;
  s.engine_dir = engine_dir;
  ctx.home.set(engine_dir);
  try {
    return run_connected_session(ctx, command_file_name, status_file_name);
  } catch (const SessionAbandoned& abandoned) {
    // The recovery point: files are closed, no status line, no close, no hang-up.
    close_engine_files(ctx);
    explain_session_failure("the session was abandoned: " + abandoned.reason + " (the command "
                            "file \"" + command_file_name + "\" could not be read)");
    return -1;
  } catch (const std::bad_alloc&) {
    // No memory for a status field (journaled where it happened): the same recovery point.
    close_engine_files(ctx);
    return -1;
  }
}

}  // namespace kv::engine
