// Interchange list merge: after the session the application's EDIFACT files are rebuilt from the
// work files of the interchanges that were not sent (the engine removes the ones it sent).
// Before the session has started, the work files are only removed. abort_run runs it as well.
#include <set>
#include <string>
#include <vector>

#include "client/appfiles/entry_points.h"
#include "client/appfiles/interchange_list.h"
#include "client/appfiles/line_reader.h"
#include "client/common/append_file.h"
#include "client/common/home.h"
#include "client/common/open_files.h"
#include "client/common/record_fields.h"
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

}  // namespace

void merge_interchange_list() {
  const std::string list_name = run_state().interchange_list;
  if (list_name.empty() || app_home().access(list_name, 0) != 0) return;
  {
    OpenFile list(app_home().fopen(list_name, "rb"));
    if (!list) return;
    const bool merge = run_state().engine_started != 0;
    std::string previous_target;
    bool first = true;
    std::set<std::string> rebuilt;  // a target is emptied once, even if its lines were split
    // Work files go only once every interchange is back in its file: a run killed before that
    // is merged again from the start by the next start, one killed after it only tidies up.
    std::vector<std::string> merged;
    LineReader reader(list.get());
    TextLine line;
    while (reader.next(line)) {
      busy_indicator();
      trim_trailing(line.text);
      if (line.text.empty()) continue;
      if (line.text.size() > kInterchangeListLineLimit) continue;  // not a line of ours
      const std::string target = get_veld(line.text, 1);
      const std::string source = get_veld(line.text, 2);
      if (merge && (first || target != previous_target) && rebuilt.insert(target).second) {
        app_home().remove_work_file(target);
      }
      first = false;
      previous_target = target;
      if (is_skipped_source(source) || app_home().access(source, 0) != 0) continue;
      if (merge && append_file(app_home().fullpath(source), app_home().fullpath(target)) != kAppendOk) {
        // The list stays beside the remaining work files for the operator, and is not merged
        // a second time in this run (that would empty the target again).
        for (const std::string& done : merged) app_home().remove_work_file(done);
        run_state().interchange_list.clear();
        return;
      }
      merged.push_back(source);
    }
    if (merge) {
      for (const std::string& target : rebuilt) fs::sync_file(app_home().fullpath(target));
      record_intent(intent::kMerged, list_name);
    }
    for (const std::string& source : merged) app_home().remove_work_file(source);
  }
  app_home().remove_work_file(list_name);
}

}  // namespace kv
