// Report processing. The records of QRTLNK.SND are indexed once by recipient and message
// identifier, so every report line finds the record it concerns without reading the file again:
// the result is that of examining the records in file order from the record changed last,
// wrapping round to the first record once.
#include "client/appfiles/report_processing.h"

#include <algorithm>
#include <string>
#include <vector>

#include "client/appfiles/snd_record.h"
#include "client/common/home.h"
#include "client/common/line_reader.h"
#include "client/common/open_files.h"
#include "client/common/report_layout.h"
#include "client/common/status_callbacks.h"
#include "client/common/status_layout.h"
#include "client/common/text.h"
#include "platform/fs.h"

namespace kv {
namespace {

constexpr snd::Field kChangedFields[] = {snd::kResultStamp,      snd::kDeliveryState,
                                         snd::kNotificationType, snd::kReason,
                                         snd::kDiagnostic,       snd::kDeliveryTime};

struct SndSlot {
  long long start = 0;
  std::size_t length = 0;
  char state = 0;  // delivery state (field 11)
};

struct SndKey {
  std::string recipient;   // alias or surname, upper case
  std::string message_id;  // upper case
  std::size_t slot = 0;
  bool operator<(const SndKey& other) const {
    if (recipient != other.recipient) return recipient < other.recipient;
    if (message_id != other.message_id) return message_id < other.message_id;
    return slot < other.slot;
  }
};

// Only a record whose changed fields hold exactly their widths can be rewritten in place without
// touching its neighbours.
bool has_report_layout(const SndRecord& record) {
  for (snd::Field field : kChangedFields) {
    if (record.get(field).size() != snd::width(field)) return false;
  }
  return true;
}

// `value` cut or filled with blanks to `width`, so that the record keeps its length.
std::string to_width(std::string value, std::size_t width) {
  value.resize(width, ' ');
  return value;
}

class SendQueueIndex {
 public:
  explicit SendQueueIndex(std::FILE* file) : file_(file) {}

  void load() {
    LineReader reader(file_);
    TextLine line;
    while (reader.next(line)) {
      busy_indicator();
      const SndRecord record(line.text);
      if (!has_report_layout(record)) continue;
      const std::size_t slot = slots_.size();
      slots_.push_back({line.start, line.text.size(), state_of(record)});
      const std::string id = to_upper(record.str(snd::kMessageId));
      keys_.push_back({to_upper(record.str(snd::kAlias)), id, slot});
      keys_.push_back({to_upper(record.str(snd::kSurname)), id, slot});
    }
    std::sort(keys_.begin(), keys_.end());
  }

  // The record the line concerns, looked for from slot `from` on and then from the first record;
  // -1 when none.
  long long find(const ReportRecord& line, std::size_t from) const {
    const std::string recipient = to_upper(line.str(report::kRecipientSurname));
    const std::string prefix = to_upper(line.str(report::kMessageId));
    const std::string type = line.str(report::kMessageType);
    long long first = -1;
    long long after = -1;
    auto it = std::lower_bound(keys_.begin(), keys_.end(), SndKey{recipient, prefix, 0});
    for (; it != keys_.end() && it->recipient == recipient &&
           it->message_id.compare(0, prefix.size(), prefix) == 0;
         ++it) {
      if (!may_change(slots_[it->slot].state, type)) continue;
      const long long slot = static_cast<long long>(it->slot);
      if (first < 0 || slot < first) first = slot;
      if (it->slot >= from && (after < 0 || slot < after)) after = slot;
    }
    return after >= 0 ? after : first;
  }

  // Carries the report line into record `slot` in place.
  bool apply(std::size_t slot, const ReportRecord& line, const std::string& stamp) {
    SndSlot& s = slots_[slot];
    std::string text(s.length, '\0');
    if (!seek_to(file_, s.start) || std::fread(text.data(), 1, s.length, file_) != s.length) {
      return false;
    }
    SndRecord record(std::move(text));
    set(record, snd::kDeliveryState, line.get(report::kMessageType));
    set(record, snd::kNotificationType, line.get(report::kNotifyType));
    set(record, snd::kDeliveryTime, line.get(report::kDeliveryTime));
    set(record, snd::kReason, line.get(report::kReason));
    set(record, snd::kDiagnostic, line.get(report::kDiagnostic));
    set(record, snd::kResultStamp, stamp);
    // Cannot happen: every field keeps its width.
    if (record.text().size() != s.length) return false;
    if (!seek_to(file_, s.start) ||
        fs::write_stream(file_, record.text(), "qrtlnk.snd") != s.length ||
        !fs::flush_stream(file_, "qrtlnk.snd").ok()) {
      return false;
    }
    s.state = state_of(record);
    return true;
  }

  bool empty() const { return slots_.empty(); }

 private:
  // A record that holds a single notification is not overwritten by a report, and a repeated
  // notification of the same type changes nothing.
  static bool may_change(char state, const std::string& type) {
    const std::string current(state == '\0' ? 0 : 1, state);
    if (current == type) return false;
    return !(current == "2" && type == "3");
  }
  static void set(SndRecord& record, snd::Field field, std::string_view value) {
    if (value.empty()) return;
    record.set(field, to_width(std::string(value), snd::width(field)));
  }
  static char state_of(const SndRecord& record) {
    const std::string_view state = record.get(snd::kDeliveryState);
    return state.empty() ? '\0' : state[0];
  }

  std::FILE* file_;
  std::vector<SndSlot> slots_;
  std::vector<SndKey> keys_;
};

void apply_report_file(SendQueueIndex& index, const std::string& report_name,
                       const std::string& stamp) {
  OpenFile report(app_home().open(report_name, "rb"));
  if (!report) return;
  std::size_t from = 0;
  LineReader reader(report.get());
  TextLine line;
  while (reader.next_nonblank(line, busy_indicator)) {
    const ReportRecord report_line(line.text);
    long long slot = index.find(report_line, from);
    if (slot >= 0 && index.apply(static_cast<std::size_t>(slot), report_line, stamp)) {
      from = static_cast<std::size_t>(slot);
    } else {
      from = 0;
    }
  }
}

}  // namespace

void process_reports(std::FILE* status) {
  OpenFile queue(app_home().open("qrtlnk.snd", "r+b"));
  if (!queue) return;
  SendQueueIndex index(queue.get());
  bool loaded = false;
  LineReader reader(status);
  TextLine line;
  while (reader.next_nonblank(line, busy_indicator)) {
    const StatusRecord status_line(line.text);
    const std::string tag = status_line.str(status::kTag);
    if (tag.size() <= 4 || !equals_ignore_case(tag.substr(4), "RAPPORT")) continue;
    const std::string report_name = status_line.str(status::rapport::kReportFile);
    if (report_name.empty()) continue;
    if (!loaded) {
      index.load();
      loaded = true;
    }
    apply_report_file(index, report_name, status_line.str(status::kStamp));
  }
  // The completed records reach the disk before the run goes on (and the reports are let go).
  if (loaded) fs::sync_stream(queue.get(), app_home().fullpath("qrtlnk.snd"));
}

}  // namespace kv
