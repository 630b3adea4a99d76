// The send-queue record (snd_stat_rec).
#include "client/appfiles/snd_record.h"

#include <algorithm>

#include "client/common/record_fields.h"

namespace kv {

std::string new_snd_record() { return init_veld_record(snd::kFieldCount); }

void pad_snd_record(std::string& record) {
  std::size_t bars = static_cast<std::size_t>(std::count(record.begin(), record.end(), '|'));
  const std::size_t wanted = snd::kFieldCount + 1;
  if (bars < wanted) record.append(wanted - bars, '|');
}

void set_snd_field(std::string& record, int field, const std::string& value) {
  insert_veld(record, value, field, snd_field_width(field));
}

std::string snd_record_line(const std::string& record) {
  std::string::size_type end = record.find_last_not_of('|');
  return record.substr(0, end == std::string::npos ? 1 : end + 1);
}

void set_snd_completed_delivery(std::string& record) {
  set_snd_field(record, snd::kDeliveryState, "1");
  set_snd_field(record, snd::kNotificationType, " ");
  set_snd_field(record, snd::kReason, "  ");
  set_snd_field(record, snd::kDiagnostic, "  ");
  set_snd_field(record, snd::kDeliveryTime, std::string(12, ' '));
}

}  // namespace kv
