#include "client/appfiles/snd_record.h"

#include <algorithm>

#include "client/common/record_fields.h"

namespace kv {

std::size_t snd_field_width(int field) {
  static const unsigned char kWidths[snd::kFieldCount] = {
      3,  12, 4,  12, 64, 1,  1,  1,  1,  1,  1,  1,  2,  2,  12, 64,  // 1..16
      64, 64, 64, 64, 64, 64, 64, 1,                                   // 17..24
  };
  if (field < 1 || field > snd::kFieldCount) return 0;
  switch (field) {
    case snd::kSubject: return 256;
    case snd::kInReplyTo: return 64;
    case snd::kAlias: return 16;
    case snd::kCountry: return 3;
    case snd::kAdmd:
    case snd::kPrmd: return 16;
    case snd::kOrganisation: return 64;
    case snd::kSurname: return 40;
    case snd::kGivenName: return 16;
    case snd::kInitials: return 5;
    case snd::kGeneration: return 3;
    default: break;
  }
  if (field >= snd::kUnitA && field < snd::kSurname) return 32;
  if (field >= snd::kFirstDomainType) return (field - snd::kFirstDomainType) % 2 == 0 ? 8 : 32;
  return kWidths[field - 1];
}

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
