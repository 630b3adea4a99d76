// Interchange list merge: after the session the application's EDIFACT files are rebuilt from the
// work files of the interchanges that were not sent (the engine removes the ones it sent).
// Before the session has started, the work files are only removed. abort_run runs it as well.
#include <set>
#include <string>
#include <vector>

#include "client/appfiles/entry_points.h"
#include "client/appfiles/interchange_list.h"
#include "client/appfiles/killed_session.h"
#include "client/common/file_rewrite.h"
#include "client/common/home.h"
#include "client/common/line_reader.h"
#include "client/common/open_files.h"
#include "client/common/run_intent.h"
#include "client/common/run_state.h"
#include "client/common/status_callbacks.h"
#include "client/common/text.h"
#include "platform/fs.h"

namespace kv {
namespace {

constexpr std::size_t kCrossedOutLength = 15;  // "XXXXXXXXXXXXXXX"

bool is_skipped_source(const std::string& source) {
  return source.empty() ||
         (source.size() <= kCrossedOutLength && source.find_first_not_of('X') == std::string::npos);
}

// A work file is a plain name in the home directory; anything else is not a line of ours.
bool is_plain_name(const std::string& name) {
  return name != "." && name != ".." && name.find_first_of("/\\:") == std::string::npos;
}

// The interchanges of one application file that go back into it. The file is written anew in
// one step (emptied at its first group of the run, added to at a later one); the work files go
// only once it is in place, so a kill leaves every interchange in the file or in its work file.
class TargetMerge {
 public:
  bool is(const std::string& name) const { return active_ && name == name_; }

  bool begin(const std::string& name, bool added_to) {
    name_ = name;
    sources_.clear();
    // A growing VQ file is never emptied (the guarded remove keeps it).
    long long size = 0;
    keep_ = added_to || (starts_with_ignore_case(base_name(name), "VQ") &&
                         app_home().stat(name, &size) == 0 && size > 0);
    if (!file_.begin(name, {.create_when_missing = true})) return false;
    active_ = true;
    return !keep_ || file_.in() == nullptr || file_.copy_from(file_.in());
  }

  // Appends the work file at `source_path`; a missing one (sent and removed) is passed over.
  bool add(const std::string& source_path) {
    const FileRewrite::CopyResult copied = file_.copy_file(source_path);
    if (copied == FileRewrite::CopyResult::kCopied) sources_.push_back(source_path);
    return copied != FileRewrite::CopyResult::kFailed;
  }

  // Puts the file in place and removes the work files that it now holds.
  bool finish() {
    if (!active_) return true;
    active_ = false;
    if (file_.written() == 0 && !keep_) {
      // Every interchange was sent: the file goes, as an emptied file always did. Its removal is
      // flushed before the merge is recorded as done: after a power cut the file must not come
      // back with the interchanges that were sent.
      file_.abandon();
      if (app_home().remove_work_file(name_).ok() &&
          !fs::sync_directory(fs::dir_name(app_home().fullpath(name_))).ok()) {
        return false;
      }
    } else if (!file_.commit()) {
      return false;
    }
    // A run killed from here on must not rebuild this file again: its work files are going.
    record_intent(intent::kMerged, name_);
    for (const std::string& source : sources_) app_home().remove_work_path(source);
    return true;
  }

 private:
  FileRewrite file_;
  std::string name_;
  std::vector<std::string> sources_;
  bool keep_ = false;
  bool active_ = false;
};

// The list stays beside the remaining work files for the operator, and is not merged a second
// time in this run (that would empty the application's files again).
void give_up_merging() { run_state().interchange_list.clear(); }

// The merge; the files named in `rebuilt_before` were rebuilt by a killed run already: only their
// work files go.
void merge_list(const std::set<std::string>& rebuilt_before) {
  const std::string list_name = run_state().interchange_list;
  if (list_name.empty() || app_home().access(list_name, 0) != 0) return;
  {
    OpenFile list(app_home().open(list_name, "rb"));
    if (!list) return;
    const bool merge = run_state().engine_started;
    // The interchange of a send whose outcome a killed run left open stays aside until the
    // service has answered (killed_session.h).
    const std::set<std::string> undecided = send_questions().open_work_files;
    std::set<std::string> rebuilt;  // a target is emptied once, even if its lines were split
    TargetMerge target;
    LineReader reader(list.get());
    TextLine line;
    while (reader.next_nonblank(line, busy_indicator)) {
      if (line.text.size() > kInterchangeListLineLimit) continue;  // not a line of ours
      const InterchangeRecord entry(line.text);
      const std::string target_name = entry.str(interchange::kApplicationFile);
      const std::string source = entry.str(interchange::kWorkFile);
      const bool merge_target = merge && rebuilt_before.count(target_name) == 0;
      if (merge_target && !target.is(target_name)) {
        const bool first_time = rebuilt.insert(target_name).second;
        if (!target.finish() || !target.begin(target_name, !first_time)) {
          give_up_merging();
          return;
        }
      }
      if (is_skipped_source(source) || !is_plain_name(source)) continue;
      // The work files are the program's own: their names are exact.
      const std::string source_path = app_home().own_file_path(source);
      if (undecided.count(source_path) != 0) continue;  // a send still open: kept
      if (!merge_target) {
        app_home().remove_work_path(source_path);
      } else if (!target.add(source_path)) {
        give_up_merging();
        return;
      }
    }
    if (!target.finish()) {
      give_up_merging();
      return;
    }
  }
  app_home().remove_work_file(list_name);
}

}  // namespace

void merge_interchange_list() { merge_list({}); }

void remove_work_file_series(const std::vector<IntentLine>& record) {
  const std::set<std::string> undecided = send_questions().open_work_files;
  for (const IntentLine& line : record) {
    if (line.key != intent::kWorkSeries) continue;
    const std::string dir = fs::dir_name(line.value);
    const std::string series = fs::last_component(line.value);
    for (const std::string& name : fs::list_directory(dir)) {
      const std::string path = fs::join(dir, name);
      if (name.size() == series.size() + 7 && name.compare(0, series.size(), series) == 0 &&
          name.compare(name.size() - 4, 4, ".edi") == 0 && undecided.count(path) == 0) {
        fs::remove_file(path);
      }
    }
  }
}

void finish_killed_merge(const std::vector<IntentLine>& record) {
  std::set<std::string> rebuilt_before;
  for (const IntentLine& line : record) {
    if (line.key == intent::kMerged) rebuilt_before.insert(line.value);
  }
  merge_list(rebuilt_before);
}

}  // namespace kv
