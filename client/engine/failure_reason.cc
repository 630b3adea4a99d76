// The reason of each failure of an engine session in words.
#include "client/engine/failure_reason.h"

#include "client/common/failure_report.h"
#include "client/common/status_layout.h"
#include "client/common/text.h"
#include "client/engine/engine_context.h"
#include "client/engine/result_catalogue.h"
#include "client/engine/session_state.h"
#include "client/engine/status_file.h"
#include "client/msgapi/api.h"

namespace kv::engine {
namespace {

std::string& pending_detail() {
  static std::string detail;
  return detail;
}

std::string take_detail() {
  std::string detail;
  detail.swap(pending_detail());
  return detail;
}

}  // namespace

void note_failure_detail(const std::string& detail) {
  std::string& pending = pending_detail();
  if (!pending.empty() && !detail.empty()) pending += "; ";
  pending += detail;
}

void clear_failure_detail() { pending_detail().clear(); }

std::string verdict_detail(EngineContext& ctx, int verdict) {
  char text[512];
  std::string detail = "the service's verdict " + std::to_string(verdict) + " (" +
                       verdict_words(verdict) + ")";
  if (API_verdictText(text, sizeof text) == 0 && text[0] != '\0') {
    detail += ": " + std::string(text);
  }
  const std::string& dir = ctx.session.engine_dir;
  return detail + "; the messaging client's log is " + (dir.empty() ? "" : dir + "/") +
         "kovendi-client.log";
}

void explain_status_line(const std::string& record) {
  const std::string detail = take_detail();
  const std::string code = result_code(record);
  if (code == kCodeSuccess) return;
  std::string reason = field(record, status::kTag) + " " + (code.empty() ? "(no code)" : code) +
                       ": ";
  const ResultCodeEntry* entry = find_result_code(code);
  reason += entry != nullptr ? entry->meaning : "result code " + code;
  if (!detail.empty()) reason += ": " + detail;
  if (entry != nullptr && !entry->cause.empty()) reason += " (usual cause: " + entry->cause + ")";
  report_reason(reason);
}

void explain_session_failure(const std::string& what) {
  const std::string detail = take_detail();
  report_reason(detail.empty() ? what : what + ": " + detail);
}

std::string shown_line(const std::string& line) {
  if (to_upper(line.substr(0, 3)) == "PIN") return line.substr(0, 4) + "(not shown)";
  return line;
}

}  // namespace kv::engine
