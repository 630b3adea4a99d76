// Run dispatcher: the three local modes and the normal communication run.
#include "client/startup/run_dispatcher.h"

#include "client/appfiles/entry_points.h"
#include "client/common/abort.h"
#include "client/common/append_file.h"
#include "client/common/error_file.h"
#include "client/common/home.h"
#include "client/common/open_files.h"
#include "client/common/run_intent.h"
#include "client/common/run_state.h"
#include "client/common/write_failure.h"
#include "client/engine/session.h"
#include "client/startup/run_control.h"
#include "client/startup/status_display.h"
#include "platform/file_lock.h"
#include "platform/fs.h"

namespace kv {
namespace {

constexpr const char* kSendQueue = "qrtlnk.snd";
constexpr const char* kReceiveStore = "qrtlnk.rcv";
constexpr const char* kSendArchive = "qrtlnk.sav";
constexpr const char* kUserFile = "qrtlnk.gns";
constexpr int kReadable = 4;
constexpr int kEngineFailed = -1;

// Reserves the run's interchange list: a free work-file name with the extension "tmp" (in the
// TMP directory when one is set), created empty.
void reserve_interchange_list() {
  RunState& state = run_state();
  state.interchange_list = app_home().unique_work_name("tmp", state.tmp_dir);
  // Without its list the run could not find the interchange work files again; it is recorded
  // before it exists, so that no kill leaves it behind unnamed.
  if (state.interchange_list.empty() || !record_intent(intent::kList, state.interchange_list)) {
    fail_run(AppError::kTemporaryFileNotCreated);
  }
  OpenFile list(app_home().open(state.interchange_list, "w"));
  if (!list) fail_run(AppError::kTemporaryFileNotCreated);
  list.close();
}

// The application's request must be readable; with /V a missing one is created empty, since the
// requests may all come from scriptin.dir.
void make_sure_request_exists(const std::string& command_file) {
  if (app_home().access(command_file, kReadable) == 0) return;
  if (!run_state().directory_translation) fail_run(AppError::kRequestFileMissing);
  OpenFile created(app_home().open(command_file, "w"));
  created.close();
}

bool file_exists(const std::string& name) { return app_home().access(name, 0) == 0; }

void update_receive_store_mode(const std::string& application_file) {
  record_intent(intent::kMode, "U");
  app_home().set_read_write(kReceiveStore);
  update_receive_store(application_file);
  app_home().set_read_only(kReceiveStore);
}

// The /C output file's length before the run (-1: absent), so that a killed run's additions can
// be taken back when its send queue is rolled back.
void record_send_update_output() {
  const std::string& output = run_state().fil_name;
  if (output.empty()) return;
  long long length = -1;
  if (app_home().stat(output, &length) != 0) length = -1;
  record_intent(intent::kOutput, output + "|" + std::to_string(length));
}

void update_send_queue_mode() {
  record_intent(intent::kMode, "C");
  record_send_update_output();
  app_home().set_read_write(kSendQueue);
  clean_send_queue();
  app_home().set_read_only(kSendQueue);
}

void retrieve_mode(RetrieveMode kind) {
  record_intent(intent::kMode, "R");
  app_home().set_read_write(kReceiveStore);
  retrieve(kind);
  app_home().set_read_only(kReceiveStore);
}

std::string& command_copy_name() {
  static std::string name;
  return name;
}

// A copy of the translated command file for the next start, should this run be killed: the
// application may have written its next request under the same name by then. It is recorded
// before it exists and made with its passwords scrambled, so that no kill leaves a plain password
// behind in it; only the owner may read it; it goes at the end of the run.
void keep_command_file_copy(const std::string& command_file) {
  const std::string copy = app_home().unique_work_name("cmd", "");
  if (copy.empty() || !record_intent(intent::kCommandCopy, copy)) return;
  if (!copy_with_scrambled_pins(command_file, copy)) return;
  command_copy_name() = copy;
  record_intent(intent::kCommandMark, fs::file_fingerprint(app_home().fullpath(command_file)));
}

void communication_run(const std::string& command_file, const std::string& status_file) {
  RunState& state = run_state();
  refuse_own_files_as_run_files(command_file, status_file);
  record_intent(intent::kMode, "N");
  record_intent(intent::kAppId, state.app_id);
  record_intent(intent::kCommandFile, command_file);
  record_intent(intent::kStatusFile, status_file);
  reserve_interchange_list();
  if (app_home().access(kUserFile, kReadable) != 0) fail_run(AppError::kUserFileMissing);
  app_home().set_read_write(kSendQueue);
  app_home().set_read_write(kReceiveStore);

  app_home().remove(kSendArchive);
  make_sure_request_exists(command_file);
  vertaal_opdrachten(command_file);
  if (state.directory_translation) vertaal_scriptin(command_file);

  app_home().remove(status_file);
  state.engine_result = 0;
  close_all_open_files();
  hold_busy_file();

  keep_command_file_copy(command_file);
  record_intent(intent::kEngine);
  state.engine_started = true;
  state.engine_result = qrt400_session(status_window(), command_file, status_file);
  const int status_failure = qrt400_status_write_failure();

  if (file_exists(status_file)) {
    verwerk_resultaten(command_file, status_file);
  } else {
    update_send_queue_without_status();
  }
  record_intent(intent::kResults);
  // Status lines that never reached the file (a full disk): what the file holds is not the whole
  // result, and the application must learn it.
  if (status_failure != 0) {
    report_write_failure(status_failure, status_file, AppError::kNoMemory, "schrijven QRTLNK.STS");
  }
  if (state.engine_result == kEngineFailed) {
    // The session failed, but what it left is still folded in below.
    schrijf_QRTLNK_error_bestand(AppError::kCommunicationFailed, "");
    abort_run();
  }
  app_home().set_read_only(kSendQueue);
  app_home().set_read_only(kReceiveStore);
  merge_interchange_list();
  settle_open_questions();
  versleutel_pins(command_file);
  if (file_exists(status_file)) rotate_command_file(command_file);
  remove_command_file_copy();
}

}  // namespace

void remove_command_file_copy() {
  if (command_copy_name().empty()) return;
  app_home().remove(command_copy_name());
  command_copy_name().clear();
}

void run_dispatcher(const std::string& command_file, const std::string& status_file) {
  const RunState& state = run_state();
  if (state.update_mode) {
    update_receive_store_mode(command_file);
  } else if (state.send_update_mode) {
    update_send_queue_mode();
  } else if (state.retrieve_mode != RetrieveMode::kNone) {
    retrieve_mode(state.retrieve_mode);
  } else {
    communication_run(command_file, status_file);
  }
  // The run's removals and renames are on disk before the record says it is done.
  fs::sync_changed_directories();
  record_intent(intent::kEnd);
}

}  // namespace kv
