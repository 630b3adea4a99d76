// The send queue after the session: the run's records of QRTLNK.SND are completed from the engine
// status file, records without a usable status get "2006", completed records older than 43 day
// numbers are dropped, and QRTLNK.SAV keeps the blocks of the sends that did not succeed. This
// file reads and writes; the settling itself is send_pairing.cc. Each file is read once.
#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

#include "client/appfiles/entry_points.h"
#include "client/appfiles/interchange_list.h"
#include "client/appfiles/killed_session.h"
#include "client/appfiles/request_text.h"
#include "client/appfiles/send_pairing.h"
#include "client/appfiles/send_queue.h"
#include "client/appfiles/snd_record.h"
#include "client/common/abort.h"
#include "client/common/day_number.h"
#include "client/common/file_rewrite.h"
#include "client/common/home.h"
#include "client/common/line_reader.h"
#include "client/common/open_files.h"
#include "client/common/run_state.h"
#include "client/common/status_callbacks.h"
#include "client/common/status_layout.h"
#include "client/common/text.h"
#include "client/common/write_failure.h"

namespace kv {

namespace {

constexpr const char* kWritingSendQueue = "schrijven QRTLNK.SND";
constexpr long kPruneAge = 43;

// The ZEND lines of the status file; a WACHTWOORD line sets `password_changed`.
std::vector<ZendStatusLine> read_zend_lines(std::FILE* f, bool& password_changed) {
  std::vector<ZendStatusLine> lines;
  std::string line;
  ZendStatusLine zend;
  while (f != nullptr && read_whole_line(f, line)) {
    busy_indicator();
    if (read_zend_status_line(line, zend)) {
      lines.push_back(std::move(zend));
    } else if (is_command(StatusRecord(line).str(status::kTag), "WACHTWOORD")) {
      password_changed = true;
    }
  }
  return lines;
}

SavFile read_sav(std::FILE* f) {
  SavFile sav;
  std::string line;
  while (f != nullptr && read_whole_line(f, line)) sav.add_line(line);
  return sav;
}

// Interchanges sent per block number, from field 3 of the interchange list.
std::unordered_map<long, std::size_t> interchanges_per_block() {
  std::unordered_map<long, std::size_t> counts;
  const std::string& list = run_state().interchange_list;
  if (list.empty()) return counts;
  OpenFile f(app_home().open(list, "rb"));
  if (!f) return counts;
  std::string line;
  while (read_whole_line(f.get(), line)) {
    std::string block = InterchangeRecord(line).str(interchange::kSendBlock);
    if (!block.empty()) ++counts[static_cast<long>(leading_number(block))];
  }
  return counts;
}


void write_sav(FileRewrite& rewrite, const SavFile& sav) {
  for (const std::string& line : sav.leading) rewrite.write_line(line);
  for (const SavBlock& block : sav.blocks) {
    if (block.succeeded) continue;
    for (const std::string& line : block.lines) rewrite.write_line(line);
  }
}

[[noreturn]] void fail_writing(FileRewrite& snd, FileRewrite* sav) {
  const bool sav_failed = sav != nullptr && sav->failure() != 0;
  const int failure = sav_failed ? sav->failure() : snd.failure();
  snd.abandon();
  if (sav != nullptr) sav->abandon();
  fail_run_after_write(failure, sav_failed ? "qrtlnk.sav" : "qrtlnk.snd", AppError::kNoMemory,
                       kWritingSendQueue);
}

}  // namespace

bool update_send_queue(std::FILE* status_file) {
  const std::string today = current_time_stamp();
  const long today_number = day_number(today);
  FileRewrite snd;
  if (!snd.begin("qrtlnk.snd", {.set_aside = true})) return false;

  // The records in file order; completed ones are pruned at 43 day numbers, the run's own
  // (no result stamp yet) are settled below.
  std::vector<SndRecord> records;
  std::vector<std::size_t> open;
  std::string line;
  while (read_record_line(snd.in(), line)) {
    busy_indicator();
    SndRecord record(line);
    const std::string_view stamp = record.get(snd::kResultStamp);
    if (stamp.empty()) {
      record.pad();
      open.push_back(records.size());
    } else if (today_number - day_number(std::string(stamp)) >= kPruneAge) {
      continue;
    }
    records.push_back(std::move(record));
  }
  if (open.empty()) {
    for (const SndRecord& record : records) snd.write_line(record.line());
    if (!snd.commit()) fail_writing(snd, nullptr);
    return false;
  }

  FileRewrite sav_rewrite;
  bool sav_open = sav_rewrite.begin("qrtlnk.sav", {.set_aside = true});
  SavFile sav = read_sav(sav_open ? sav_rewrite.in() : nullptr);
  SendFacts facts{interchanges_per_block(), send_questions()};
  bool password_changed = false;
  const std::vector<ZendStatusLine> status = read_zend_lines(status_file, password_changed);
  settle_run_records(records, open, sav, facts, status, today);

  for (const SndRecord& record : records) snd.write_line(record.line());
  if (sav_open) write_sav(sav_rewrite, sav);
  if (!snd.good() || (sav_open && !sav_rewrite.good())) fail_writing(snd, sav_open ? &sav_rewrite : nullptr);
  // Both are on disk before either replaces its file.
  if (!snd.prepare() || (sav_open && !sav_rewrite.prepare())) {
    fail_writing(snd, sav_open ? &sav_rewrite : nullptr);
  }
  if (!snd.commit()) fail_writing(snd, sav_open ? &sav_rewrite : nullptr);
  if (sav_open) sav_rewrite.commit();
  return password_changed;
}

void update_send_queue_without_status() { update_send_queue(nullptr); }

}  // namespace kv
