// The send queue QRTLNK.SND (snd_stat_rec): one line per recipient of a send request, written by
// the request translation and completed from the engine status file and the report file. 48
// bar-separated fields; every value is cut to its field's width and the line is written without
// its trailing empty fields.
#pragma once

#include <cstddef>

namespace kv {

namespace snd {
constexpr int kFieldCount = 48;
constexpr std::size_t kLineLimit = 1826;  // read limit of a QRTLNK.SND line

constexpr int kApplication = 1;       // 3
constexpr int kResultStamp = 2;       // 12, empty until completed
constexpr int kResultCode = 3;        // 4
constexpr int kRequestStamp = 4;      // 12
constexpr int kMessageId = 5;         // 64
constexpr int kNotification = 6;      // NOT=
constexpr int kReport = 7;            // RAP=
constexpr int kPriority = 8;          // PRI=
constexpr int kSensitivity = 9;       // SEN=
constexpr int kRecipientKind = 10;    // "1" first, "2" CCO, "3" BCO, "4" DIS=, "5" DIF=
constexpr int kDeliveryState = 11;    // "1" completed, then "2"/"3" from reports
constexpr int kNotificationType = 12; // 1
constexpr int kReason = 13;           // 2
constexpr int kDiagnostic = 14;       // 2
constexpr int kDeliveryTime = 15;     // 12
constexpr int kFirstFile = 16;        // 16..23, 64 each
constexpr int kLastFile = 23;
constexpr int kDelete = 24;           // "0" / "1"
constexpr int kSubject = 25;          // 256
constexpr int kInReplyTo = 26;        // 64
constexpr int kAlias = 27;            // 16, ALI= or DIS= list name
constexpr int kCountry = 28;          // 3
constexpr int kAdmd = 29;             // 16
constexpr int kPrmd = 30;             // 16
constexpr int kOrganisation = 31;     // 64
constexpr int kUnitA = 32;            // 32..35, 32 each
constexpr int kSurname = 36;          // 40
constexpr int kGivenName = 37;        // 16
constexpr int kInitials = 38;         // 5
constexpr int kGeneration = 39;       // 3
constexpr int kFirstDomainType = 40;  // 40,42,44,46 types (8); 41,43,45,47 values (32)
constexpr int kLastDomainValue = 47;
}  // namespace snd

// Width of field n of the record (0 for a number outside 1..48).
constexpr std::size_t snd_field_width(int field) {
  constexpr unsigned char kWidths[snd::kFieldCount] = {
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

}  // namespace kv
