// rcv_rec: layout, building from a status line, part files.
#include "client/appfiles/rcv_record.h"

#include <algorithm>

#include "client/common/home.h"
#include "client/common/record_fields.h"
#include "client/common/text.h"

namespace kv {

std::string build_rcv_record(const std::string& app_id, const std::string& status_line) {
  std::string record = init_veld_record(kRcvRecordCount);
  if (app_id != "   ") insert_veld(record, app_id, kRcvAppId, rcv_field_width(kRcvAppId));
  for (int n = kRcvStamp; n <= kRcvLastField; ++n) {
    insert_veld(record, get_veld(status_line, rcv_status_field(n)), n, rcv_field_width(n));
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
