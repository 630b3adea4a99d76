// The send-queue record (snd_stat_rec).
#include "client/appfiles/snd_record.h"

#include <string>

namespace kv {

void set_snd_completed_delivery(SndRecord& record) {
  record.set(snd::kDeliveryState, "1");
  record.set(snd::kNotificationType, " ");
  record.set(snd::kReason, "  ");
  record.set(snd::kDiagnostic, "  ");
  record.set(snd::kDeliveryTime, std::string(12, ' '));
}

}  // namespace kv
