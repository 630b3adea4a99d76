// Gathering of stored EDI messages.
#include "client/appfiles/edi_gathering.h"

#include <vector>

#include "client/appfiles/exclusive_open.h"
#include "client/appfiles/patterns.h"
#include "client/appfiles/rcv_record.h"
#include "client/common/abort.h"
#include "client/common/append_file.h"
#include "client/common/file_rewrite.h"
#include "client/common/home.h"
#include "client/common/line_reader.h"
#include "client/common/run_intent.h"
#include "client/common/status_callbacks.h"
#include "client/common/status_codes.h"
#include "client/common/status_layout.h"
#include "client/common/text.h"
#include "client/common/write_failure.h"
#include "platform/fs.h"

namespace kv {
namespace {

constexpr const char* kStatusRewriteText = "schrijven QRTLNK.STS";
constexpr const char* kStoreRewriteText = "schrijven QRTLNK.RCV";

std::string piece(const std::string& text, std::size_t at, std::size_t length) {
  return at < text.size() ? text.substr(at, length) : std::string();
}

bool record_matches(const CommandBlock& block, const RcvRecord& record) {
  if (!same_edi_kind(block.mid_pattern, record.str(rcv::kMessageId))) return false;
  if (!block.sur_value.empty() && !field_pattern_matches(block.sur_value, record.str(rcv::kSurname),
                                                         rcv::width(rcv::kSurname))) {
    return false;
  }
  return block.giv_value.empty() ||
         field_pattern_matches(block.giv_value, record.str(rcv::kGivenName),
                               rcv::width(rcv::kGivenName));
}

// The status line that stands for a gathered message: the line its receipt wrote, with the
// FIL= file in place of its own files.
std::string gathered_status_line(const std::string& tag, const std::string& fil_value,
                                 const RcvRecord& record) {
  StatusRecord line;
  for (int n = rcv::kStamp; n <= rcv::kLastField; ++n) {
    const auto field = static_cast<rcv::Field>(n);
    line.set(rcv::status_field(field), record.get(field));
  }
  line.set(status::kTag, tag);
  line.set(status::kResult, kCodeSuccess);
  line.set(status::message::kFileCount, "0");
  line.set(status::message::kFirstFile, fil_value);
  return line.line();
}

// An empty scratch file beside the FIL= file, so that the finished file can take its place in one
// rename; in the home directory when that directory does not allow it. Empty name: none. A new
// FIL= file gets the permission bits of any new file (the creation mask applies).
std::string create_scratch_file(const std::string& fil_path) {
  const unsigned mode = fs::exists(fil_path) ? 0600 : 0666;
  for (const std::string& templ : {fs::join(fs::dir_name(fil_path), "TMXXXXXX"),
                                   app_home().fullpath("TMXXXXXX")}) {
    std::string name = fs::make_unique_name(templ);
    if (name.empty() || !record_intent(intent::kTemporary, name)) continue;
    int fd = fs::create_file(name, mode);
    if (fd < 0) continue;
    fs::close_descriptor(fd);
    return name;
  }
  return "";
}

// Appends the part files of a gathered message to the scratch file; their names are noted for
// removal once the FIL= file holds them. false when an append failed.
bool collect_parts(const RcvRecord& record, const std::string& scratch,
                   std::vector<std::string>& handed_over) {
  const std::string first = record.str(rcv::kFirstFile);
  std::vector<std::string> parts;
  for (int k = 1; k <= rcv_file_count(record); ++k) {
    const std::string part = k == 1 ? first : part_file_name(first, k);
    if (part.empty() || app_home().access(part, 0) != 0) continue;
    if (append_file(app_home().fullpath(part), scratch) != kAppendOk) return false;
    parts.push_back(part);
  }
  handed_over.insert(handed_over.end(), parts.begin(), parts.end());
  return true;
}

// The FIL= file becomes the gathered messages followed by what it held before, with the
// permission bits it had. false when it could not be done; the FIL= file then holds what it held
// before.
bool refill_fil_file(const std::string& fil_path, const std::string& scratch) {
  const fs::Status old = fs::status(fil_path);
  if (old.exists && append_file(fil_path, scratch) != kAppendOk) return false;
  if (old.exists && !fs::set_permissions(scratch, old.mode).ok()) return false;
  // The gathered messages are on disk before the FIL= file is replaced by them.
  if (!fs::sync_file(scratch).ok()) return false;
  if (fs::rename_file(scratch, fil_path).ok()) {
    fs::sync_directory(fs::dir_name(fil_path));
    return true;
  }
  // The scratch file lies elsewhere: empty the FIL= file and fill it from the scratch file.
  int fd = fs::create_file(fil_path, 0666);
  if (fd < 0) return false;
  fs::close_descriptor(fd);
  return append_file(scratch, fil_path) == kAppendOk;
}

// Behind the current line: the following lines of the same command that received messages of the
// gathered kind. Returns the offset just after the last of them (or `from`).
long long skip_same_kind(LineReader& reader, const std::string& tag, const std::string& pattern,
                         FileRewrite* out, long long from) {
  long long continuation = from;
  bool skipping = true;
  TextLine line;
  while (reader.next_nonblank(line, busy_indicator)) {
    const StatusRecord status_line(line.text);
    if (skipping && equals_ignore_case(status_line.str(status::kTag), tag) &&
        same_edi_kind(pattern, status_line.str(status::message::kMessageId))) {
      if (out != nullptr) out->write_line(line.text);
      continuation = out != nullptr ? out->written() : reader.position();
      continue;
    }
    skipping = false;
    if (out == nullptr) break;
    out->write_line(line.text);
  }
  return continuation;
}

// No record matched: the status file stays; processing goes on behind the current line and the
// lines of the same command for the gathered kind.
long long continue_unchanged(const GatheringRequest& request, const std::string& tag) {
  OpenFile file(app_home().open(request.status_file, "rb"));
  if (!file || !seek_to(file.get(), request.line_end)) return request.line_end;
  LineReader reader(file.get(), request.line_end);
  return skip_same_kind(reader, tag, request.block->mid_pattern, nullptr, request.line_end);
}

// Rebuilds the status file with one line per gathered record before the current line. The new
// content is on disk on return but does not yet replace the status file; returns the
// continuation offset, or -1 when the status file could not be rewritten.
long long rebuild_status_file(const GatheringRequest& request, const std::string& tag,
                              const std::vector<RcvRecord>& gathered, FileRewrite& out) {
  if (!out.begin(request.status_file, {.set_aside = true})) return -1;
  LineReader reader(out.in());
  TextLine line;
  std::string current;
  while (reader.next(line)) {
    busy_indicator();
    if (line.start >= request.line_start) {
      current = line.text;
      break;
    }
    trim_trailing(line.text);
    if (!line.text.empty()) out.write_line(line.text);
  }
  trim_trailing(current);
  for (const RcvRecord& record : gathered) {
    busy_indicator();
    out.write_line(gathered_status_line(tag, request.block->fil_value, record));
  }
  if (!StatusRecord(current).empty(status::message::kFirstFile)) out.write_line(current);
  long long continuation =
      skip_same_kind(reader, tag, request.block->mid_pattern, &out, out.written());
  if (!out.prepare()) {
    fail_run_after_write(out.failure(), request.status_file, AppError::kNoMemory,
                         kStatusRewriteText);
  }
  return continuation;
}

}  // namespace

bool same_edi_kind(const std::string& pattern, const std::string& message_id) {
  return equals_ignore_case(piece(message_id, 0, 3), piece(pattern, 0, 3)) &&
         equals_ignore_case(piece(message_id, 6, 3), piece(pattern, 6, 3));
}

long long gather_stored_edi_messages(const GatheringRequest& request, OpenFile& status,
                                     OpenFile& store) {
  const CommandBlock& block = *request.block;
  std::string tag;
  {
    // The tag of the current line, read before the status file is closed.
    std::string current;
    if (seek_to(status.get(), request.line_start)) {
      LineReader reader(status.get(), request.line_start);
      TextLine line;
      if (reader.next(line)) current = line.text;
    }
    tag = StatusRecord(current).str(status::kTag);
  }
  status.close();
  store.close();
  // A FIL= file that is a symbolic link stays one: the file it leads to is refilled.
  const std::string fil_path = fs::link_target(app_home().fullpath(block.fil_value));
  long long continuation = request.line_end;

  std::string scratch = create_scratch_file(fil_path);
  FileRewrite rcv;
  std::vector<RcvRecord> gathered;
  std::vector<std::string> handed_over;
  if (!scratch.empty() && rcv.begin(kReceiveStore, {.set_aside = true})) {
    LineReader reader(rcv.in());
    TextLine line;
    while (reader.next_nonblank(line, busy_indicator)) {
      // A message whose parts cannot all be collected stays in the store with its parts.
      RcvRecord record(line.text);
      if (record_matches(block, record) && collect_parts(record, scratch, handed_over)) {
        gathered.push_back(std::move(record));
      } else {
        rcv.write_line(line.text);
      }
    }
    if (!rcv.prepare()) {
      fail_run_after_write(rcv.failure(), kReceiveStore, AppError::kNoMemory, kStoreRewriteText);
    }
  }

  FileRewrite sts;
  bool done = false;
  if (!gathered.empty()) {
    continuation = rebuild_status_file(request, tag, gathered, sts);
    done = continuation >= 0 && refill_fil_file(fil_path, scratch);
  }
  if (done) {
    rcv.commit_or_fail(kStoreRewriteText);
    sts.commit_or_fail(kStatusRewriteText);
    for (const std::string& part : handed_over) app_home().remove_work_file(part);
  } else {
    // Nothing gathered, or the FIL= file could not take the messages: store and status file stay
    // as they were (the parts are still in place).
    rcv.abandon();
    sts.abandon();
    continuation = continue_unchanged(request, tag);
  }
  if (!scratch.empty()) fs::remove_file(scratch);
  remove_when_empty(block.fil_value);

  status = app_home().open(request.status_file, "rb");
  if (status && !seek_to(status.get(), continuation)) status.close();
  store = OpenFile(open_for_appending_lines(app_home().fullpath(kReceiveStore)));
  return continuation;
}

}  // namespace kv
