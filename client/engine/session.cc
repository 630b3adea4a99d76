// The engine session: prepares the session state, connects (CONNECT block, dial-up, open), runs
// the command loop, closes the session and hangs up. Two fatal conditions deep inside the engine
// unwind to the recovery point here.
#include "client/engine/session.h"

#include <new>

#include "client/common/home.h"
#include "client/common/journal.h"
#include "client/common/run_intent.h"
#include "client/common/status_callbacks.h"
#include "client/engine/command_file.h"
#include "client/engine/dialup.h"
#include "client/engine/engine_config.h"
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

int qrt400_session(StatusWindow* window, const std::string& command_file,
                   const std::string& status_file) {
  return engine::run_session(window, command_file, status_file, fs::current_directory());
}

int qrt400_status_write_failure() { return engine::session().status_write_failure; }

}  // namespace kv

namespace kv::engine {

namespace {

bool uses_dialup() {
  const EngineSession& s = session();
  return s.open_parameters && s.open_parameters->type == CONNECTION_TCPIP &&
         !s.dialup_entry.empty();
}

// Result of the connect step: the session is open, or it failed (with the code already in
// field 3 of the status record, or none).
bool fail_connect(const std::string& code) {
  if (!code.empty()) set_result_code(session().status_record, code);
  return false;
}

bool dial_entry() {
  DialOutcome outcome = dial(session().dialup_entry);
  if (!outcome.connected) {
    note_failure_detail("dial-up entry \"" + session().dialup_entry + "\" (ISP= of qrtlnk.gns)" +
                        (outcome.code.empty() ? ": the dial-up helper kovedial could not be started"
                                              : ""));
    return fail_connect(outcome.code);
  }
  session().already_connected = outcome.already_connected ? 1 : 0;
  return true;
}

bool open_mail_session() {
  EngineSession& s = session();
  if (log_in() == 0) {
    set_result_code(s.status_record, kCodeSuccess);
    journal_write(1, "Verbinding is opgezet");
    write_session_info();
    // Whatever a kill leaves open from here on concerns this mailbox.
    record_intent(intent::kUser, session_mailbox());
    return true;
  }
  short verdict = API_verdictValue();
  // The user stopped the open with Escape.
  if (verdict == 29) return fail_connect(kCodeUserStop);
  journal_write(3, "Fout bij API_open");
  display_com_info("Fout tijdens openen");
  note_failure_detail("server \"" + std::string(s.open_parameters->server) + "\", port " +
                      std::to_string(s.open_parameters->portNb) + ", user \"" +
                      std::string(s.open_parameters->user) + "\"");
  if (verdict == 0) {
    note_failure_detail(verdict_detail(verdict) + "; a Java virtual machine that did not start "
                        "is named in debug.log");
    return fail_connect(kCodeOpenFailed);
  }
  map_verdict();
  return fail_connect(s.result_text);
}

bool connect() {
  int read = command_file().read_connect_block(session().status_record);
  if (read == kEndSession) return false;
  if (read != 0) {
    journal_write(3, "Fout in attributen, einde programma");
    return false;
  }
  write_connect_parameters();
  engine_control().session_phase = kPhaseOpening;
  if (uses_dialup() && !dial_entry()) return false;
  return open_mail_session();
}

void hang_up_when_dialed() {
  if (uses_dialup() && !session().already_connected) hang_up();
}

// Steps 2 to 8 of a session: records, configuration, journal, status file. False: the session
// cannot start (the reason is journaled).
bool prepare(const std::string& command_file_name, const std::string& status_file_name) {
  EngineSession& s = session();
  if (!allocate_session_records()) return false;
  if (read_engine_config() == 0) {
    explain_session_failure("a line of the engine configuration $qrt400.prm has 100 characters "
                            "or more: the session did not start");
    return false;
  }
  if (journal_settings().enabled) {
    journal_open(journal_settings().file_name);
    write_session_banner();
  }
  s.status_file_path = engine_home().fullpath(status_file_name);
  if (status_file_name.empty() || s.status_file_path.empty()) {
    journal_write(3, "Fout, tijdens reserveren geheugen voor statusbestand");
    explain_session_failure("no usable status file name \"" + status_file_name + "\"");
    return false;
  }
  s.command_file_name = command_file_name;
  // Equal names, or two names of the same file (names are matched without regard to case).
  if (command_file_name == status_file_name ||
      engine_home().fullpath(command_file_name) == s.status_file_path) {
    journal_write(3, "Fout, opdrachten bestand is gelijk aan status bestand");
    explain_session_failure("the command file and the status file are the same file \"" +
                            status_file_name + "\" (/O= and /S=)");
    return false;
  }
  if (check_path(status_file_name, PathAccess::write, PathKind::file) != 0) {
    journal_write(3, "Fout, status bestand is beveiligd mbt schrijven");
    explain_session_failure("the status file cannot be written (code " + s.result_text + ")");
    return false;
  }
  engine_control().command_kind = kNoCommand;
  engine_home().remove_work_file(s.status_file_path);
  s.status_record = empty_status_record();
  return true;
}

int run_connected_session(const std::string& command_file_name,
                          const std::string& status_file_name) {
  EngineSession& s = session();
  if (!prepare(command_file_name, status_file_name)) {
    close_engine_files();
    return -1;
  }
  bool connected = connect();
  // The status file always begins with the line of the CONNECT command; from here on its name
  // is on disk, so that flushing its data is enough to keep a line.
  write_status_line(s.status_record);
  if (fs::sync_files({s.status_file_path}) != 0) {
    journal_write(3, "Fout bij schrijven QRT400 statusbestand");
  }
  if (!connected) {
    hang_up_when_dialed();
    close_engine_files();
    return -1;
  }
  ask_send_questions();
  const int ended = command_file().run_command_loop();
  if (ended != kEndSession && ended != kFatalVerdict) fetch_stranded_items();
  command_file().close();
  engine_control().session_phase = kPhaseClosing;
  API_close(s.session_handle);
  hang_up_when_dialed();
  close_engine_files();
  return s.any_failure;
}

}  // namespace

int run_session(StatusWindow* window, const std::string& command_file_name,
                const std::string& status_file_name, const std::string& engine_dir) {
  reset_session();
  clear_failure_detail();
  EngineSession& s = session();
  s.window = window;
  s.engine_dir = engine_dir;
  engine_home().set(engine_dir);
  try {
    return run_connected_session(command_file_name, status_file_name);
  } catch (const SessionAbandoned& abandoned) {
    // The recovery point: files are closed, no status line, no close, no hang-up.
    close_engine_files();
    explain_session_failure("the session was abandoned: " + abandoned.reason + " (the command "
                            "file \"" + command_file_name + "\" could not be read)");
    return -1;
  } catch (const std::bad_alloc&) {
    // No memory for a status field (journaled where it happened): the same recovery point.
    close_engine_files();
    return -1;
  }
}

}  // namespace kv::engine
