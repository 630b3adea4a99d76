// Receive recording.
#include "client/appfiles/receive_recording.h"

#include <algorithm>
#include <cstdlib>
#include <unordered_map>

#include "client/appfiles/command_blocks.h"
#include "client/appfiles/edi_gathering.h"
#include "client/appfiles/rcv_record.h"
#include "client/common/append_file.h"
#include "client/common/error_file.h"
#include "client/common/home.h"
#include "client/common/line_reader.h"
#include "client/common/line_writer.h"
#include "client/common/run_state.h"
#include "client/common/status_callbacks.h"
#include "client/common/status_codes.h"
#include "client/common/status_layout.h"
#include "client/common/text.h"
#include "client/common/write_failure.h"
#include "platform/fs.h"

namespace kv {
namespace {

std::string command_word(const std::string& tag) { return tag.size() > 4 ? tag.substr(4) : ""; }

// Whether the line reports a message whose files the engine stored: a success, or a message
// whose delete after receipt failed. The files are then on disk and the message stays in the
// mailbox as read, where no later receive of new messages finds it again; left unrecorded, it
// would be lost to the application. Such a line carries the message's list identifier and its
// number of files; a failed fetch empties both, a refused file or directory has neither.
bool reports_stored_files(const StatusRecord& line) {
  const std::string_view result = line.get(status::kResult);
  if (result == kCodeSuccess || result == kCodeUserStop) return true;
  const std::string_view count = line.get(status::message::kFileCount);
  return !line.empty(status::message::kListId) && !count.empty() &&
         count.find_first_not_of("0123456789") == std::string_view::npos;
}

// A message received into files of the engine's naming, outside any FIL= file of the request.
bool is_stored_message(const StatusRecord& line, const CommandBlock* block) {
  if (!reports_stored_files(line)) return false;
  if (line.empty(status::message::kFirstFile)) return false;
  if (block != nullptr && block->has_fil()) return false;
  // "0" files: the engine collected the message into a FIL= file; its name must never become a
  // part file of the store (the purge and the update would remove the application's file).
  return line.get(status::message::kFileCount) != "0";
}

class StoreAppender {
 public:
  explicit StoreAppender(OpenFile& store) : store_(store) {}
  void append(const std::string& record) {
    if (!store_) return;
    if (!write_line(store_.get(), record, kReceiveStore)) {
      report_failure(fs::last_failure().error);
      return;
    }
    const fs::Result flushed = fs::flush_stream(store_.get(), kReceiveStore);
    if (!flushed.ok()) report_failure(flushed.error);
  }

 private:
  // The files of the message stay where the engine put them; the application learns of the lost
  // record through the error file, and the remaining steps (reports, password) still run.
  void report_failure(int failure) {
    if (reported_) return;
    reported_ = true;
    report_write_failure(failure, kReceiveStore, AppError::kNoMemory, "schrijven QRTLNK.RCV");
  }
  OpenFile& store_;
  bool reported_ = false;
};

// The messages QRTLNK.RCV holds already, with their first part file. A message fetched a second
// time (a run killed after the fetch and before the delete) is recorded only once. A message is
// known by the list identifier that the service gave it in the mailbox, together with its message
// identifier: the message identifier alone is the sender's choice, and another party may send
// first with the identifier that a partner will use. The pair also keeps a service that starts
// its numbering again from hiding a new message behind an old record.
class RecordedMessages {
 public:
  void load() {
    OpenFile store(app_home().open(kReceiveStore, "rb"));
    if (!store) return;
    LineReader reader(store.get());
    TextLine line;
    while (reader.next(line)) {
      busy_indicator();
      trim_trailing(line.text);
      note(RcvRecord(line.text));
    }
  }
  void note(const RcvRecord& record) {
    const std::string key = key_of(record);
    if (!key.empty()) first_files_.emplace(key, record.str(rcv::kFirstFile));
  }
  // True when the message is recorded already; the files of a second fetch go.
  bool take_duplicate(const RcvRecord& record) {
    const std::string key = key_of(record);
    if (key.empty()) return false;
    auto it = first_files_.find(key);
    if (it == first_files_.end()) return false;
    const std::string first = record.str(rcv::kFirstFile);
    if (!first.empty() && !equals_ignore_case(first, it->second)) {
      for (int k = 1; k <= std::max(1, rcv_file_count(record)); ++k) {
        app_home().remove_work_file(k == 1 ? first : part_file_name(first, k));
      }
    }
    return true;
  }

 private:
  // List identifier and message identifier; empty without a list identifier.
  static std::string key_of(const RcvRecord& record) {
    const std::string_view list_id = record.get(rcv::kListId);
    if (list_id.empty()) return "";
    return std::string(list_id) + '|' + record.str(rcv::kMessageId);
  }
  std::unordered_map<std::string, std::string> first_files_;
};

}  // namespace

bool record_received_messages(const std::string& command_file, const std::string& status_file,
                              OpenFile& status) {
  OpenFile store(open_for_appending_lines(app_home().fullpath(kReceiveStore)));
  if (!store) return false;
  CommandBlocks blocks;
  if (!blocks.load(command_file)) return false;

  RecordedMessages recorded;
  recorded.load();
  bool appended = false;
  int gathered_block = -1;
  StoreAppender appender(store);
  LineReader reader(status.get());
  TextLine line;
  while (status && reader.next_nonblank(line, busy_indicator)) {
    const StatusRecord status_line(line.text);
    const std::string tag = status_line.str(status::kTag);
    const std::string word = command_word(tag);
    if (word != "ONTVANG" && word != "ANTWOORD") continue;

    const std::string message_id = status_line.str(status::message::kMessageId);
    const int index =
        word == "ONTVANG" ? blocks.locate_message(tag, message_id) : blocks.locate(tag);
    const CommandBlock* block = index >= 0 ? &blocks.block(index) : nullptr;
    if (word == "ONTVANG" && block != nullptr && block->gathers() && index != gathered_block &&
        status_line.get(status::kResult) == kCodeSuccess) {
      gathered_block = index;
      GatheringRequest request{status_file, block, line.start, reader.position()};
      long long next = gather_stored_edi_messages(request, status, store);
      reader = LineReader(status.get(), next);
      continue;
    }
    if (is_stored_message(status_line, block)) {
      const RcvRecord record = build_rcv_record(run_state().app_id, status_line);
      if (recorded.take_duplicate(record)) continue;
      recorded.note(record);
      appender.append(record.line());
      appended = true;
    }
  }
  // On disk before the run records its results as processed.
  if (appended && !fs::sync_stream(store.get(), app_home().fullpath(kReceiveStore)).ok()) {
    schrijf_QRTLNK_error_bestand(AppError::kNoMemory, "schrijven QRTLNK.RCV");
  }
  return appended;
}

}  // namespace kv
