// The report file: one bar-separated record per notification or report that RAPPORT fetched,
// appended by the engine and read by the application-file layer, which completes the send queue
// from it. Records are written without their trailing empty fields; values are not cut.
#pragma once

#include <cstddef>

#include "client/common/record.h"

namespace kv {

namespace report {

enum Field : int {
  kMessageId = 1,     // ipMsgId of the notification or report
  kMessageType = 2,   // "2" single notification, "3" report
  kNotifyType = 3,    // "1" a delivery
  kEntryTime = 4,     // mailbox entry time, twelve digits
  kDeliveryTime = 5,  // remote delivery time; in a report only of a delivery
  kReason = 6,        // two digits, "00" for a delivery
  kDiagnostic = 7,    // two digits, "00" for a delivery
  kRecipient = 8,     // 8 to 23: the O/R name of the recipient concerned (country first)
  kRecipientSurname = 16,
  kLastField = 23,
};
inline constexpr int kRecipientFields = 16;
static_assert(kRecipient + kRecipientFields - 1 == kLastField);

struct Layout {
  using Field = report::Field;
  static constexpr int kEmptyBars = 30;
  static constexpr std::size_t width(Field) { return kNoLimit; }
};

}  // namespace report

using ReportRecord = Record<report::Layout>;

}  // namespace kv
