// The run inside the timer message, and its clean-up after a fatal error.
#include "client/startup/run_control.h"

#include <new>

#include "client/appfiles/entry_points.h"
#include "client/common/abort.h"
#include "client/common/error_file.h"
#include "client/common/home.h"
#include "client/common/open_files.h"
#include "client/common/run_state.h"
#include "client/startup/busy_file.h"
#include "client/startup/command_line.h"
#include "client/startup/run_dispatcher.h"

namespace kv {
namespace {

OpenFile& busy_stream() {
  static OpenFile stream;
  return stream;
}

}  // namespace

void hold_busy_file() { busy_stream() = app_home().open(kBusyFileName, "r"); }

int start_run(const std::string& command_file, const std::string& status_file) {
  try {
    if (run_state().run_mode != RunMode::kAccepted) return 0;
    run_dispatcher(command_file, status_file);
    return run_state().engine_result;
  } catch (const RunAborted& aborted) {
    clean_up_after(aborted);
    return 1;
  } catch (const std::bad_alloc&) {
    // The layers below report their own shortages; this catches one that escaped them.
    schrijf_QRTLNK_error_bestand(AppError::kNoMemory, "toekennen geheugen");
    run_abort_cleanup();
    return 1;
  }
}

void abort_run() {
  close_all_open_files();
  remove_busy_file();
  remove_command_file_copy();
  if (run_state().run_mode == RunMode::kAccepted) {
    app_home().set_read_only("qrtlnk.snd");
    app_home().set_read_only("qrtlnk.rcv");
    merge_interchange_list();
  }
}

}  // namespace kv
