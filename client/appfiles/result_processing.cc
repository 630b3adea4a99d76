// Result processing: after the engine session of a normal run, the engine status file is folded
// into the files from which the application reads its results, in this order: send queue,
// interchange list, receive store (with its purge), reports, password change.
#include <string>

#include "client/appfiles/entry_points.h"
#include "client/appfiles/receive_recording.h"
#include "client/appfiles/receive_store_purge.h"
#include "client/appfiles/report_processing.h"
#include "client/appfiles/send_queue.h"
#include "client/appfiles/user_file_pin.h"
#include "client/common/home.h"
#include "client/common/line_reader.h"
#include "client/common/open_files.h"
#include "client/common/status_callbacks.h"
#include "client/common/status_codes.h"
#include "client/common/status_layout.h"
#include "client/common/text.h"
#include "client/common/write_failure.h"
#include "platform/fs.h"

namespace kv {
namespace {

std::string command_word(const std::string& line) {
  const std::string tag = StatusRecord(line).str(status::kTag);
  return tag.size() > 4 ? tag.substr(4) : "";
}

bool rewind_stream(OpenFile& file) {
  return file && std::fseek(file.get(), 0, SEEK_SET) == 0;
}

bool has_password_change(OpenFile& status) {
  if (!rewind_stream(status)) return false;
  LineReader reader(status.get());
  TextLine line;
  while (reader.next(line)) {
    busy_indicator();
    if (equals_ignore_case(command_word(line.text), "WACHTWOORD")) return true;
  }
  return false;
}

// What is recorded from here on (the receive store, the send queue) follows from the status
// lines, so they are on disk first: the engine does not flush every line, and a power cut that
// kept a record but lost its line would make the next start take a recorded fetch for one that
// was never recorded, and remove its files. Without that certainty nothing is recorded: the run
// ends with the write error, and the next start processes the results again.
void keep_status_lines_on_disk(const std::string& status_file) {
  const fs::Result synced = fs::sync_file(app_home().fullpath(status_file));
  if (!synced.ok()) {
    fail_run_after_write(synced.error, status_file, AppError::kNoMemory, "schrijven QRTLNK.STS");
  }
}

}  // namespace

void verwerk_resultaten(const std::string& command_file, const std::string& status_file) {
  OpenFile status(app_home().open(status_file, "rb"));
  if (!status) return;
  keep_status_lines_on_disk(status_file);
  std::string first;
  {
    LineReader reader(status.get());
    TextLine line;
    if (reader.next(line)) first = line.text;
  }
  trim_trailing(first);
  if (first.empty()) return;

  if (equals_ignore_case(command_word(first), "CONNECT") &&
      StatusRecord(first).get(status::kResult) != kCodeSuccess) {
    status.close();
    update_send_queue(nullptr);  // the connection failed: nothing else is done
    return;
  }
  busy_indicator();
  bool password_changed = rewind_stream(status) && update_send_queue(status.get());

  merge_interchange_list();

  bool appended = false;
  if (rewind_stream(status)) appended = record_received_messages(command_file, status_file, status);
  if (appended) purge_receive_store();

  if (rewind_stream(status)) process_reports(status.get());

  if (!password_changed) password_changed = has_password_change(status);
  status.close();
  if (password_changed) schrijf_nieuwe_pin(command_file, status_file);
}

}  // namespace kv
