// rcv_rec: layout, building from a status line, part files.
#include "client/appfiles/rcv_record.h"

#include <algorithm>
#include <array>

#include "client/common/home.h"
#include "client/common/record_fields.h"
#include "client/common/text.h"

namespace kv {
namespace {

constexpr int kRcvRecordCount = 31;  // init_veld_record count: fields 1 to 31, 30 used

constexpr std::array<std::size_t, kRcvLastField + 1> kWidths = {
    0,                              // (no field 0)
    3,  12, 12, 64, 1, 64, 256,     // 1-7: App-id, stamp, list id, message id, files, file, subject
    64, 1,  1,  3,  16, 16, 64,     // 8-14: in-reply-to, priority, sensitivity, COU, ADM, PMD, ORG
    32, 32, 32, 32,                 // 15-18: OUA-OUD
    40, 16, 5,  3,                  // 19-22: SUR, GIV, INI, GQU
    8,  32, 8,  32, 8, 32, 8, 32};  // 23-30: DTA/DVA .. DTD/DVD

// Status field from which each record field 2..30 is taken.
int status_field_for(int n) {
  switch (n) {
    case kRcvStamp: return 2;
    case kRcvListId: return 4;
    case kRcvMessageId: return 5;
    case kRcvFileCount: return 8;
    case kRcvFirstFile: return 9;
    case kRcvSubject: return 11;
    case kRcvInReplyTo: return 10;
    case kRcvPriority: return 6;
    case kRcvSensitivity: return 7;
    default: return n + 1;  // 11..30 <- 12..31, the originator's O/R name
  }
}

}  // namespace

std::size_t rcv_field_width(int n) {
  return n >= 1 && n <= kRcvLastField ? kWidths[static_cast<std::size_t>(n)] : 0;
}

std::string build_rcv_record(const std::string& app_id, const std::string& status_line) {
  std::string record = init_veld_record(kRcvRecordCount);
  if (app_id != "   ") insert_veld(record, app_id, kRcvAppId, rcv_field_width(kRcvAppId));
  for (int n = kRcvStamp; n <= kRcvLastField; ++n) {
    insert_veld(record, get_veld(status_line, status_field_for(n)), n, rcv_field_width(n));
  }
  return without_trailing_bars(record);
}

std::string without_trailing_bars(std::string record) {
  std::string::size_type end = record.find_last_not_of('|');
  record.erase(end == std::string::npos ? std::min<std::size_t>(1, record.size()) : end + 1);
  return record;
}

int rcv_file_count(const std::string& record) {
  std::string count = get_veld(record, kRcvFileCount);
  if (count.empty() || count[0] < '0' || count[0] > '9') return 0;
  return count[0] - '0';
}

std::string part_file_name(const std::string& first_file, int k) {
  if (first_file.empty()) return first_file;
  std::string name = first_file;
  name.back() = std::to_string(k)[0];
  return name;
}

void remove_part_files(const std::string& record) {
  const std::string first = get_veld(record, kRcvFirstFile);
  if (first.empty()) return;
  app_home().remove_work_file(first);
  for (int k = 2; k <= rcv_file_count(record); ++k) {
    app_home().remove_work_file(part_file_name(first, k));
  }
}

}  // namespace kv
