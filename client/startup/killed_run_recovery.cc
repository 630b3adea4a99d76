// Recovery rules, in this order:
//  1. The set-aside copies and rewrite temporaries the killed run left go: every rewrite replaces
//     its file in one rename, so the file itself holds its complete old or new content.
//  2. A rewrite counts as done when the file's identity differs from the one recorded before it
//     began (the rename gave the file a new one).
//  3. A /R or /RT whose output file was replaced: the records it took out leave the store (when
//     the store was not replaced yet) and the part files it handed over go. Output not replaced:
//     nothing was handed over, nothing changes.
//     A /U= whose rewrite was done: the lines of its application file are crossed out and the
//     part files of the records it took over removed, as the run would have done.
//  4. A /C whose send queue rewrite was not done: its output file is cut back to its length
//     before the run, so that no record is both in the queue and handed over.
//  5. A normal run that had started its session and not finished its result processing: the
//     results are processed as the run would have done (status file into the send queue and
//     QRTLNK.RCV, which takes a message only once), the interchange list is merged (a file the
//     run had rebuilt already keeps its content; only its work files go), the PIN of
//     the command file is scrambled and the command file is rotated when a status file exists.
//     The run's command file counts only while it is unchanged since the run translated it (the
//     application may have written its next request under that name); otherwise the copy the
//     run kept of it stands in. A normal run killed before its session: its work files are
//     removed and the PIN of its translated command file is scrambled.
#include "client/startup/killed_run_recovery.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "client/appfiles/entry_points.h"
#include "client/appfiles/rcv_record.h"
#include "client/common/file_rewrite.h"
#include "client/common/home.h"
#include "client/common/run_state.h"
#include "client/common/text.h"
#include "client/startup/busy_file.h"
#include "platform/file_lock.h"
#include "platform/fs.h"

namespace kv {
namespace {

constexpr const char* kSendQueue = "qrtlnk.snd";

struct KilledRun {
  std::string mode;
  std::string app_id = "   ";
  std::string command_file;
  std::string command_copy;
  std::string command_mark;
  std::string status_file;
  std::string interchange_list;
  std::string output;
  long long output_length = -1;
  bool engine_started = false;
  bool results_done = false;
  bool ended = false;
  std::vector<std::string> leftovers;  // set-aside copies and rewrite temporaries
};

KilledRun read_record(const std::vector<IntentLine>& record) {
  KilledRun run;
  for (const IntentLine& line : record) {
    if (line.key == intent::kMode) run.mode = line.value;
    if (line.key == intent::kAppId) run.app_id = line.value;
    if (line.key == intent::kCommandFile) run.command_file = line.value;
    if (line.key == intent::kCommandCopy) run.command_copy = line.value;
    if (line.key == intent::kCommandMark) run.command_mark = line.value;
    if (line.key == intent::kStatusFile) run.status_file = line.value;
    if (line.key == intent::kList) run.interchange_list = line.value;
    if (line.key == intent::kEngine) run.engine_started = true;
    if (line.key == intent::kResults) run.results_done = true;
    if (line.key == intent::kEnd) run.ended = true;

    if (line.key == intent::kRewrite) {
      const std::vector<std::string> parts = intent_parts(line.value);
      if (parts.size() != 3) continue;
      run.leftovers.push_back(parts[2]);
    }
    if (line.key == intent::kTemporary) run.leftovers.push_back(line.value);
    std::size_t bar = line.value.rfind('|');
    if (bar == std::string::npos) continue;
    if (line.key == intent::kSetAside) run.leftovers.push_back(app_home().fullpath(line.value.substr(0, bar)));
    if (line.key == intent::kOutput) {
      run.output = line.value.substr(0, bar);
      run.output_length = std::atoll(line.value.substr(bar + 1).c_str());
    }
  }
  if (run.app_id.size() != 3) run.app_id = "   ";
  return run;
}

bool exists(const std::string& name) { return !name.empty() && app_home().access(name, 0) == 0; }

// Rule 1.
void remove_leftovers(const KilledRun& run) {
  for (const std::string& path : run.leftovers) {
    if (!path.empty() && base_name(path) != kBusyFileName) fs::remove_file(path);
  }
  for (const std::string& name : fs::list_directory(app_home().dir())) {
    if (is_rewrite_temporary(name)) fs::remove_file(fs::join(app_home().dir(), name));
  }
}

// Rule 2.
bool rewrite_done(const std::vector<IntentLine>& record, const char* name) {
  return rewrite_done(record, app_home().fullpath(name));
}

// Rules 3 and 4.
void cut_output_back(const KilledRun& run) {
  if (run.output.empty()) return;
  app_home().cut_back(run.output, run.output_length);
}

// Rule 5.
void finish_normal_run(const KilledRun& run, const std::vector<IntentLine>& record) {
  RunState saved = run_state();
  RunState& state = run_state();
  state.app_id = run.app_id;
  state.interchange_list = run.interchange_list;
  state.engine_started = run.engine_started;
  state.run_mode =
      RunMode::kNotAccepted;  // an abort during recovery must not merge the list a second time
  // The command file is still the killed run's only while it is as that run left it; the
  // application may have written its next request under the same name.
  // Without a mark (no copy could be made) the command file is taken as the run's.
  // A recovery that scrambled its passwords changed it, but not its request.
  const bool request_is_runs =
      run.command_mark.empty() ||
      fs::file_fingerprint(app_home().fullpath(run.command_file)) == run.command_mark ||
      (exists(run.command_copy) && exists(run.command_file) &&
       same_request(run.command_file, run.command_copy));
  const std::string request = exists(run.command_copy) ? run.command_copy
                              : request_is_runs       ? run.command_file
                                                      : std::string();
  const bool has_status = exists(run.status_file);
  if (run.engine_started && !run.results_done) note_killed_session(record);
  if (run.engine_started && !run.results_done && !request.empty()) {
    app_home().set_read_write(kSendQueue);
    app_home().set_read_write(kReceiveStore);
    if (has_status) {
      verwerk_resultaten(request, run.status_file);
    } else {
      update_send_queue_without_status();
    }
    app_home().set_read_only(kSendQueue);
    app_home().set_read_only(kReceiveStore);
    record_intent(intent::kResults);  // a repeated recovery does not process them again
  }
  finish_killed_merge(record);
  if (!run.engine_started) remove_work_file_series(record);
  settle_open_questions();
  if (exists(run.command_copy)) versleutel_pins(run.command_copy);
  if (request_is_runs) versleutel_pins(run.command_file);
  if (has_status && run.engine_started) {
    if (request_is_runs) {
      rotate_command_file(run.command_file);
    } else if (exists(run.command_copy)) {
      rotate_command_file(run.command_copy);
    }
  }
  if (exists(run.command_copy)) app_home().remove(run.command_copy);
  state = std::move(saved);
}

}  // namespace

void recover_killed_run(const std::vector<IntentLine>& record) {
  const KilledRun run = read_record(record);
  remove_leftovers(run);
  if (run.ended) return;
  if (run.mode == "R") finish_killed_retrieve(record);
  if (run.mode == "U") finish_killed_update(record);
  if (run.mode == "C" && !rewrite_done(record, kSendQueue)) cut_output_back(run);
  if (run.mode == "N") finish_normal_run(run, record);
}

}  // namespace kv
