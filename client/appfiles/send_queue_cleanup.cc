// The clean-up mode /C: finished records leave QRTLNK.SND (into the /FIL= file when one is
// named). Only records completed no later than /DAT= and of the /APP= application qualify.
#include <filesystem>
#include <string>

#include "client/appfiles/entry_points.h"
#include "client/appfiles/own_files.h"
#include "client/appfiles/patterns.h"
#include "client/appfiles/snd_record.h"
#include "client/common/abort.h"
#include "client/common/append_file.h"
#include "client/common/file_rewrite.h"
#include "client/common/home.h"
#include "client/common/line_reader.h"
#include "client/common/line_writer.h"
#include "client/common/open_files.h"
#include "client/common/run_state.h"
#include "client/common/status_callbacks.h"
#include "client/common/status_codes.h"
#include "client/common/text.h"
#include "client/common/write_failure.h"
#include "platform/fs.h"

namespace kv {

namespace {

constexpr const char* kWritingSendQueue = "schrijven QRTLNK.SND";

// Delivery rule: the message has reached its recipient as far as the application asked to know.
bool is_delivered(const SndRecord& record) {
  const std::string_view state = record.get(snd::kDeliveryState);
  const std::string_view notification = record.get(snd::kNotification);
  if (state == "2") return true;
  if (state == "3") {
    return record.get(snd::kNotificationType) != "1" || notification == "1";
  }
  return record.get(snd::kReport) == "1" && notification == "1";
}

struct CleanUpSelection {
  std::string date;
  std::string application;
  std::string mid;  // empty: no /MID= given

  bool is_candidate(const SndRecord& record) const {
    std::string stamp = record.str(snd::kResultStamp);
    std::string owner = record.str(snd::kApplication);
    if (owner.empty()) owner = "STD";
    return !stamp.empty() && stamp <= date && equals_ignore_case(owner, application);
  }

  bool removes(const SndRecord& record) const {
    if (!is_candidate(record)) return false;
    bool selected =
        mid.empty() || mid_pattern_matches_ignore_case(mid, record.str(snd::kMessageId));
    if (selected && record.get(snd::kResultCode) != kCodeSuccess) return true;
    return is_delivered(record);
  }
};

long long file_length(const std::string& name) {
  long long size = -1;
  if (app_home().stat(name, &size) != 0) return -1;
  return size;
}

// Puts the /FIL= file back to the length it had before this clean-up appended to it.
void cut_archive_back(const std::string& name, long long length) {
  app_home().cut_back(name, length);
}

}  // namespace

void clean_send_queue() {
  const RunState& run = run_state();
  CleanUpSelection selection{run.dat.empty() ? "999999999999" : run.dat,
                             run.app_code.empty() ? "STD" : run.app_code, run.mid_selection};
  if (!run.fil_name.empty()) refuse_own_file(run.fil_name, AppError::kSendUpdateFileNameBad);
  FileRewrite snd;
  if (!snd.begin("qrtlnk.snd", {.set_aside = true})) return;

  // Removed records go to the /FIL= file; when it cannot be opened nothing is removed at all,
  // so that no record is lost.
  OpenFile archive;
  long long archive_length = -1;
  if (!run.fil_name.empty()) {
    archive_length = file_length(run.fil_name);
    archive = OpenFile(open_for_appending_lines(app_home().fullpath(run.fil_name)));
    if (!archive) {
      snd.abandon();
      fail_run(AppError::kSendUpdateFileNameBad);
    }
  }
  bool archive_ok = true;
  int archive_failure = 0;
  std::string record;
  while (read_record_line(snd.in(), record)) {
    busy_indicator();
    if (!selection.removes(SndRecord(record))) {
      snd.write_line(record);
    } else if (archive) {
      archive_ok = archive_ok && write_line(archive.get(), record, run.fil_name);
      if (!archive_ok && archive_failure == 0) archive_failure = fs::last_failure().error;
    }
  }
  if (archive) {
    // The removed records are on disk before the send queue is replaced without them.
    archive_ok =
        archive_ok && fs::sync_stream(archive.get(), app_home().fullpath(run.fil_name)).ok();
    if (!archive_ok && archive_failure == 0) archive_failure = fs::last_failure().error;
    archive_ok = archive.close() == 0 && archive_ok;
  }
  // The send queue's new content is on disk before the archive is kept: a full disk leaves both
  // as they were.
  if (!archive_ok || !snd.prepare() || !snd.commit()) {
    const bool queue_failed = archive_ok;
    const int failure = queue_failed ? snd.failure() : archive_failure;
    snd.abandon();
    if (!run.fil_name.empty()) cut_archive_back(run.fil_name, archive_length);
    fail_run_after_write(failure, queue_failed ? "qrtlnk.snd" : run.fil_name, AppError::kNoMemory,
                         kWritingSendQueue);
  }
}

}  // namespace kv
