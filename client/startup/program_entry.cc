// Start-up in its fixed order, the message loop, and the final clean-up.
#include "client/startup/program_entry.h"

#include <memory>

#include "client/common/abort.h"
#include "client/common/error_file.h"
#include "client/common/home.h"
#include "client/common/open_files.h"
#include "client/common/run_state.h"
#include "client/startup/busy_file.h"
#include "client/startup/command_line.h"
#include "client/startup/display_settings.h"
#include "client/startup/home_check.h"
#include "client/startup/kovendi_window.h"
#include "client/startup/run_control.h"
#include "client/startup/status_display.h"
#include "client/startup/tmp_directory.h"
#include "platform/file_lock.h"
#include "platform/fs.h"
#include "platform/instance_lock.h"
#include "platform/process.h"
#include "platform/window.h"

namespace kv {
namespace {

// Program directory, and the current directory as the home directory and as the saved start
// directory. False when the current directory cannot be determined.
bool record_directories() {
  RunState& state = run_state();
  state.program_dir = process::program_directory();
  std::string current = fs::current_directory();
  if (!fs::is_absolute(current)) return false;
  state.home_dir = current;
  state.start_dir = current;
  app_home().set(current);
  return true;
}

void reset_process_state() {
  reset_run_state();
  reset_busy_file();
  reset_status_display();
  set_status_window(nullptr);
}

// The status window of the run and the handler of its messages (the handler outlives the window).
struct RunWindow {
  std::unique_ptr<KovendiWindowHandler> handler;
  std::unique_ptr<StatusWindow> window;
};

// Start-up steps from the removal of the error file to the window with its run timer set.
RunWindow start_up(const std::vector<std::string>& parameters) {
  RunState& state = run_state();
  start_error_file();
  refuse_unusable_home();
  // A run that cannot keep the room for its error line has none to do its work either.
  if (!reserve_error_room()) fail_run_without_cleanup(AppError::kTooLittleDiskSpace, "qrtlnk.err");
  check_tmp_directory();
  busy_check();
  hold_busy_file();
  state.command_file = "qrtlnk.scr";
  state.status_file = "qrtlnk.sts";
  state.run_mode = lees_parameters(parameters);
  lees_displayinstellingen();

  RunWindow run;
  run.handler = std::make_unique<KovendiWindowHandler>(state.command_file, state.status_file);
  run.window = create_status_window(kovendi_window_template(), *run.handler);
  set_status_window(run.window.get());
  run.handler->attach(run.window.get());
  run.window->set_item_text(kStatusLineItem, kProductStatusText);
  run.window->show();
  return run;
}

// Another run of this user is in progress. The application must not take the files of an earlier
// run for this start's result: unless the running run works in this very home directory (its
// files are not ours to touch), this start leaves error 5 in its own qrtlnk.err.
void refuse_second_start(const InstanceLock& instance) {
  const std::string home = fs::current_directory();
  if (!fs::is_absolute(home)) return;
  // The same directory, however it was reached (a symbolic link, another spelling).
  const std::string running_home = fs::file_identity(instance.published());
  if (!running_home.empty() && running_home == fs::file_identity(home)) return;
  app_home().set(home);
  start_error_file();
  schrijf_QRTLNK_error_bestand(AppError::kAlreadyRunning, "");
}

void final_clean_up() {
  close_all_open_files();
  remove_busy_file();
}

// The error room of the run goes on every way out of the program entry.
struct ErrorRoomRelease {
  ~ErrorRoomRelease() { release_error_room(); }
};

}  // namespace

int program_entry(const std::vector<std::string>& parameters) {
  InstanceLock instance("kovendi");
  if (!instance.try_acquire()) {
    instance.request_raise_of_holder();
    if (!is_special_invocation(parameters)) refuse_second_start(instance);
    return 0;
  }
  instance.publish(fs::current_directory());
  // A second start asks this run's window to come to the top.
  set_raise_request_source([&instance] { return instance.take_raise_request(); });
  struct RaiseSourceReset {
    ~RaiseSourceReset() { set_raise_request_source(nullptr); }
  } raise_source_reset;
  install_window_signal_handlers();
  reset_process_state();
  if (!record_directories()) return 0;
  if (is_special_invocation(parameters)) return 0;

  set_abort_cleanup(abort_run);
  install_status_callbacks();
  ErrorRoomRelease error_room_release;
  RunWindow run;
  try {
    run = start_up(parameters);
  } catch (const RunAborted& aborted) {
    clean_up_after(aborted);  // the failing step has written its error
    return 0;
  }
  run.window->run_message_loop();
  set_status_window(nullptr);
  final_clean_up();
  return 0;
}

}  // namespace kv
