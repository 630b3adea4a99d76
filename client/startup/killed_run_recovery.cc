// Recovery rules, in this order:
//  1. Every set-aside copy the killed run made: when its fresh file was recorded complete, the
//     copy is left over and goes; otherwise the copy is put back under the file's name (the
//     rewrite is rolled back).
//  2. A /R or /RT whose receive store was rolled back: records none of whose part files is left
//     were handed over to the output file and leave the store.
//  3. A /C whose send queue was rolled back: its output file is cut back to its length before
//     the run, so that no record is both in the queue and handed over.
//  4. A normal run that had started its session and not finished its result processing: the
//     results are processed as the run would have done (status file into the send queue and
//     QRTLNK.RCV, which takes a message only once), the interchange list is merged, the PIN of
//     the command file is scrambled and the command file is rotated when a status file exists.
//     A normal run killed before its session: its work files are removed and the PIN scrambled.
#include "client/startup/killed_run_recovery.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <utility>

#include "client/appfiles/entry_points.h"
#include "client/appfiles/rcv_record.h"
#include "client/common/home.h"
#include "client/common/record_fields.h"
#include "client/common/run_state.h"
#include "client/common/text.h"
#include "platform/fs.h"

namespace kv {
namespace {

constexpr const char* kSendQueue = "qrtlnk.snd";

struct KilledRun {
  std::string mode;
  std::string app_id = "   ";
  std::string command_file;
  std::string status_file;
  std::string interchange_list;
  std::string output;
  long long output_length = -1;
  bool engine_started = false;
  bool results_done = false;
  bool ended = false;
  std::vector<std::pair<std::string, std::string>> set_aside;  // copy, name
  std::set<std::string> kept;                                  // copies no longer needed
};

KilledRun read_record(const std::vector<IntentLine>& record) {
  KilledRun run;
  for (const IntentLine& line : record) {
    if (line.key == intent::kMode) run.mode = line.value;
    if (line.key == intent::kAppId) run.app_id = line.value;
    if (line.key == intent::kCommandFile) run.command_file = line.value;
    if (line.key == intent::kStatusFile) run.status_file = line.value;
    if (line.key == intent::kList) run.interchange_list = line.value;
    if (line.key == intent::kEngine) run.engine_started = true;
    if (line.key == intent::kResults) run.results_done = true;
    if (line.key == intent::kEnd) run.ended = true;
    if (line.key == intent::kRewritten) run.kept.insert(line.value);
    std::size_t bar = line.value.rfind('|');
    if (bar == std::string::npos) continue;
    if (line.key == intent::kSetAside) {
      run.set_aside.emplace_back(line.value.substr(0, bar), line.value.substr(bar + 1));
    }
    if (line.key == intent::kOutput) {
      run.output = line.value.substr(0, bar);
      run.output_length = std::atoll(line.value.substr(bar + 1).c_str());
    }
  }
  if (run.app_id.size() != 3) run.app_id = "   ";
  return run;
}

bool exists(const std::string& name) { return !name.empty() && app_home().access(name, 0) == 0; }

// Rule 1; returns the names whose rewrite was rolled back.
std::vector<std::string> settle_set_aside_copies(const KilledRun& run) {
  std::vector<std::string> rolled_back;
  for (auto it = run.set_aside.rbegin(); it != run.set_aside.rend(); ++it) {
    const auto& [copy, name] = *it;
    if (!exists(copy)) continue;
    if (run.kept.count(copy) != 0 || run.ended) {
      app_home().remove(copy);
      continue;
    }
    app_home().set_read_write(name);
    if (app_home().rename(copy, name) == 0) rolled_back.push_back(base_name(name));
  }
  return rolled_back;
}

bool has_part_left(const std::string& record) {
  const std::string first = get_veld(record, kRcvFirstFile);
  const int count = std::max(1, rcv_file_count(record));
  for (int k = 1; k <= count; ++k) {
    if (exists(k == 1 ? first : part_file_name(first, k))) return true;
  }
  return false;
}

// Rule 2.
void drop_handed_over_records() {
  std::string text;
  {
    std::FILE* store = app_home().fopen(kReceiveStore, "rb");
    if (store == nullptr) return;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, store)) > 0;) text.append(buffer, n);
    std::fclose(store);
  }
  std::string kept;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    std::string record = line;
    trim_trailing(record);
    if (record.empty() || has_part_left(record)) kept += line + "\n";
  }
  if (kept.size() == text.size() + (text.empty() || text.back() == '\n' ? 0 : 1)) return;
  const std::string fresh = app_home().fullpath(std::string(kReceiveStore) + ".new");
  std::FILE* out = fs::open_stream(fresh, "wb");
  if (out == nullptr) return;
  bool written = std::fwrite(kept.data(), 1, kept.size(), out) == kept.size();
  written = std::fclose(out) == 0 && written && fs::sync_file(fresh) == 0;
  if (!written) {
    fs::remove_file(fresh);
    return;
  }
  app_home().set_read_write(kReceiveStore);
  fs::rename_file(fresh, app_home().fullpath(kReceiveStore));
}

// Rule 3.
void cut_output_back(const KilledRun& run) {
  if (run.output.empty()) return;
  const std::string path = app_home().fullpath(run.output);
  if (run.output_length < 0) {
    fs::remove_file(path);
    return;
  }
  std::error_code ec;
  std::filesystem::resize_file(path, static_cast<std::uintmax_t>(run.output_length), ec);
}

// Rule 4.
void finish_normal_run(const KilledRun& run) {
  RunState saved = run_state();
  RunState& state = run_state();
  state.app_id = run.app_id;
  state.interchange_list = run.interchange_list;
  state.engine_started = run.engine_started ? 1 : 0;
  state.run_mode = 0;  // an abort during recovery must not merge the list a second time
  const bool has_status = exists(run.status_file);
  if (run.engine_started && !run.results_done) {
    app_home().set_read_write(kSendQueue);
    app_home().set_read_write(kReceiveStore);
    if (has_status) {
      verwerk_resultaten(run.command_file, run.status_file);
    } else {
      update_send_queue_without_status();
    }
    app_home().set_read_only(kSendQueue);
    app_home().set_read_only(kReceiveStore);
  }
  merge_interchange_list();
  if (exists(run.command_file)) {
    versleutel_pins(run.command_file);
    if (has_status && run.engine_started) rotate_command_file(run.command_file);
  }
  state = std::move(saved);
}

}  // namespace

void recover_killed_run(const std::vector<IntentLine>& record) {
  const KilledRun run = read_record(record);
  const std::vector<std::string> rolled_back = settle_set_aside_copies(run);
  if (run.ended) return;
  auto was_rolled_back = [&rolled_back](const char* name) {
    for (const std::string& file : rolled_back) {
      if (equals_ignore_case(file, name)) return true;
    }
    return false;
  };
  if (run.mode == "R" && was_rolled_back(kReceiveStore)) drop_handed_over_records();
  if (run.mode == "C" && was_rolled_back(kSendQueue)) cut_output_back(run);
  if (run.mode == "N") finish_normal_run(run);
}

}  // namespace kv
