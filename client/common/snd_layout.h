// The send queue QRTLNK.SND (snd_stat_rec): one line per recipient of a send request, written by
// the request translation and completed from the engine status file and the report file. 48
// bar-separated fields; every value is cut to its field's width and the line is written without
// its trailing empty fields.
#pragma once

#include <cstddef>
#include <iterator>

#include "client/common/record.h"

namespace kv {

namespace snd {

enum Field : int {
  kApplication = 1,
  kResultStamp = 2,        // empty until completed
  kResultCode = 3,
  kRequestStamp = 4,
  kMessageId = 5,
  kNotification = 6,       // NOT=
  kReport = 7,             // RAP=
  kPriority = 8,           // PRI=
  kSensitivity = 9,        // SEN=
  kRecipientKind = 10,     // "1" first, "2" CCO, "3" BCO, "4" DIS=, "5" DIF=
  kDeliveryState = 11,     // "1" completed, then "2"/"3" from reports
  kNotificationType = 12,
  kReason = 13,
  kDiagnostic = 14,
  kDeliveryTime = 15,
  kFirstFile = 16,         // 16 to 23
  kLastFile = 23,
  kDelete = 24,            // "0" / "1"
  kSubject = 25,
  kInReplyTo = 26,
  kAlias = 27,             // ALI= or DIS= list name
  kCountry = 28,
  kAdmd = 29,
  kPrmd = 30,
  kOrganisation = 31,
  kUnitA = 32,             // 32 to 35
  kSurname = 36,
  kGivenName = 37,
  kInitials = 38,
  kGeneration = 39,
  kFirstDomainType = 40,   // 40, 42, 44, 46 types; 41, 43, 45, 47 values
  kLastDomainValue = 47,
  kLastField = 48,
};

inline constexpr int kFieldCount = 48;
inline constexpr std::size_t kLineLimit = 1826;  // read limit of a QRTLNK.SND line

inline constexpr unsigned short kWidths[] = {
    0,                                                                 // (no field 0)
    3,  12, 4,  12, 64, 1,  1,  1,  1,  1,  1,  1,  2,  2,  12, 64,    // 1-16
    64, 64, 64, 64, 64, 64, 64, 1,                                     // 17-24: files, DEL
    256, 64, 16, 3, 16, 16, 64, 32, 32, 32, 32, 40, 16, 5, 3,          // 25-39: SUB .. GQU
    8,  32, 8,  32, 8,  32, 8,  32, 8};                                // 40-48: DTA/DVA .. DTD/DVD
static_assert(std::size(kWidths) == kFieldCount + 1);

// The field's width; 0 outside 1..48.
constexpr std::size_t width(Field field) {
  return field >= 1 && field <= kFieldCount ? kWidths[field] : 0;
}

struct Layout {
  using Field = snd::Field;
  static constexpr int kEmptyBars = kFieldCount + 1;
  static constexpr std::size_t width(Field field) { return snd::width(field); }
};

}  // namespace snd

using SndRecord = Record<snd::Layout>;

}  // namespace kv
