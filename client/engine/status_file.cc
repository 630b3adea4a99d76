// Building and appending the lines of the engine status file.
#include "client/engine/journal_texts.h"
#include "client/engine/status_file.h"

#include <cerrno>
#include <new>

#include "client/common/journal.h"
#include "client/common/line_writer.h"
#include "client/common/open_files.h"
#include "client/common/record.h"
#include "client/common/status_layout.h"
#include "client/engine/engine_context.h"
#include "client/engine/failure_reason.h"
#include "client/engine/session_state.h"
#include "platform/clock.h"
#include "platform/fs.h"

namespace kv::engine {

std::string empty_status_record() { return StatusRecord().text(); }

std::string time_stamp() {
  LocalTime t = clock().local_time();
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour,
                t.minute);
  return buffer;
}

std::string start_status_line(const std::string& command_id) {
  std::string record = empty_status_record();
  set_field(record, status::kTag, command_id);
  set_field(record, status::kStamp, time_stamp());
  return record;
}

// Without memory for the longer record journals "Not enough memory to write status" and
// std::bad_alloc unwinds to the session's recovery point.
void set_field(std::string& record, status::Field field, const std::string& value) {
  record_text::set_field_of(record, field, value, status::Layout::width(field));
}

std::string field(const std::string& record, status::Field field) {
  return std::string(record_text::field_of(record, field));
}

void set_result_code(std::string& record, const std::string& code) {
  set_field(record, status::kResult, code);
}

std::string result_code(const std::string& record) { return field(record, status::kResult); }

bool has_success_result(const std::string& record) { return result_code(record) == kCodeSuccess; }

std::string status_line_text(const std::string& record) {
  std::string line = record.substr(0, status::kLineLimit);
  std::size_t end = line.find_last_not_of('|');
  // Keep at least one character: a record of bars only becomes a single bar.
  line.erase(end == std::string::npos ? (line.empty() ? 0 : 1) : end + 1);
  return line;
}

namespace {
bool append_line(EngineContext& ctx, std::FILE* file, const std::string& record) {
  return write_line(file, status_line_text(record), ctx.session.status_file_path);
}

void note_result(EngineContext& ctx, const std::string& record) {
  if (!has_success_result(record)) ctx.session.any_failure = true;
  explain_status_line(record);
}

// A status line that did not reach the file: the application must learn why (a full disk).
void note_lost_line(EngineContext& ctx, const char* journal_text,
                    int failure = fs::last_failure().error) {
  journal_write(3, journal_text);
  int& first = ctx.session.status_write_failure;
  if (first == 0) first = failure != 0 ? failure : -1;
}
}  // namespace

void write_status_line(EngineContext& ctx, const std::string& record) {
  std::string copy;
  try {
    copy = record;
  } catch (const std::bad_alloc&) {
    journal_write(3, journal_text::kTooLittleMemory);
    return;
  }
  OpenFile file(fs::open_stream(ctx.session.status_file_path, "a"));
  if (!file) {
    note_lost_line(ctx, journal_text::kStatusFileNotOpened);
    return;
  }
  bool written = append_line(ctx, file.get(), copy);
  // A buffered line that the close cannot write (a full disk) is lost all the same.
  int failure = written ? 0 : (fs::last_failure().error != 0 ? fs::last_failure().error : -1);
  const fs::Result flushed = fs::flush_stream(file.get(), ctx.session.status_file_path);
  if (!flushed.ok() && failure == 0) failure = flushed.error;
  if (file.close() != 0 && failure == 0) failure = errno;
  if (failure != 0) note_lost_line(ctx, journal_text::kStatusFileNotWritten, failure);
  note_result(ctx, copy);
}

long long write_status_line_to_disk(EngineContext& ctx, const std::string& record) {
  const std::string& path = ctx.session.status_file_path;
  // A directory in the status file's place has no length to go back to.
  const fs::Status status = fs::status(path);
  const long long offset = status.is_directory ? -1 : status.size;
  write_status_line(ctx, record);
  if (!fs::sync_file(path).ok()) note_lost_line(ctx, journal_text::kStatusFileNotWritten);
  return offset;
}

void replace_last_status_line(EngineContext& ctx, long long offset, const std::string& record) {
  if (offset >= 0) fs::truncate_file(ctx.session.status_file_path, offset);
  write_status_line(ctx, record);
}

void write_status_line(EngineContext& ctx, std::FILE* status_file, const std::string& record) {
  if (status_file == nullptr) {
    note_lost_line(ctx, journal_text::kStatusFileNotOpened);
    return;
  }
  if (!append_line(ctx, status_file, record))
    note_lost_line(ctx, journal_text::kStatusFileNotWritten);
  note_result(ctx, record);
}

}  // namespace kv::engine
