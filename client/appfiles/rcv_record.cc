// rcv_rec: layout, building from a status line, part files.
#include "client/appfiles/rcv_record.h"

#include "client/common/home.h"
#include "client/common/text.h"

namespace kv {

RcvRecord build_rcv_record(const std::string& app_id, const StatusRecord& status_line) {
  RcvRecord record;
  if (app_id != "   ") record.set(rcv::kAppId, app_id);
  for (int n = rcv::kStamp; n <= rcv::kLastField; ++n) {
    const auto field = static_cast<rcv::Field>(n);
    record.set(field, status_line.get(rcv::status_field(field)));
  }
  return record;
}

int rcv_file_count(const RcvRecord& record) {
  const std::string_view count = record.get(rcv::kFileCount);
  if (count.empty() || count[0] < '0' || count[0] > '9') return 0;
  return count[0] - '0';
}

std::string part_file_name(const std::string& first_file, int k) {
  if (first_file.empty()) return first_file;
  std::string name = first_file;
  name.back() = std::to_string(k)[0];
  return name;
}

void remove_part_files(const RcvRecord& record) {
  const std::string first = record.str(rcv::kFirstFile);
  if (first.empty()) return;
  app_home().remove_work_file(first);
  for (int k = 2; k <= rcv_file_count(record); ++k) {
    app_home().remove_work_file(part_file_name(first, k));
  }
}

}  // namespace kv
