// The receive store QRTLNK.RCV (rcv_rec): one line per received message whose files the client
// named itself, built from the message's engine status line. 30 bar-separated fields; every value
// is cut to its field's width and the line is written without its trailing empty fields.
#pragma once

#include <array>
#include <cstddef>

#include "client/common/status_layout.h"

namespace kv {

// Field numbers of rcv_rec.
enum RcvField {
  kRcvAppId = 1,
  kRcvStamp = 2,
  kRcvListId = 3,
  kRcvMessageId = 4,
  kRcvFileCount = 5,
  kRcvFirstFile = 6,
  kRcvSubject = 7,
  kRcvInReplyTo = 8,
  kRcvPriority = 9,
  kRcvSensitivity = 10,
  kRcvCountry = 11,  // 11 to 30: the originator's O/R name
  kRcvPrmd = 13,
  kRcvOrganisation = 14,
  kRcvSurname = 19,
  kRcvGivenName = 20,
  kRcvLastField = 30,
};

inline constexpr int kRcvRecordCount = 31;  // an empty record is init_veld_record(kRcvRecordCount)

inline constexpr std::array<std::size_t, kRcvLastField + 1> kRcvFieldWidths = {
    0,                              // (no field 0)
    3,  12, 12, 64, 1, 64, 256,     // 1-7: App-id, stamp, list id, message id, files, file, subject
    64, 1,  1,  3,  16, 16, 64,     // 8-14: in-reply-to, priority, sensitivity, COU, ADM, PMD, ORG
    32, 32, 32, 32,                 // 15-18: OUA-OUD
    40, 16, 5,  3,                  // 19-22: SUR, GIV, INI, GQU
    8,  32, 8,  32, 8, 32, 8, 32};  // 23-30: DTA/DVA .. DTD/DVD

// Width of field n (1..30); 0 outside.
constexpr std::size_t rcv_field_width(int n) {
  return n >= 1 && n <= kRcvLastField ? kRcvFieldWidths[static_cast<std::size_t>(n)] : 0;
}

// The field of a received message's status line that holds rcv_rec field n (2..30).
constexpr int rcv_status_field(int n) {
  switch (n) {
    case kRcvStamp: return status::kStamp;
    case kRcvListId: return status::message::kListId;
    case kRcvMessageId: return status::message::kMessageId;
    case kRcvFileCount: return status::message::kFileCount;
    case kRcvFirstFile: return status::message::kFirstFile;
    case kRcvSubject: return status::message::kSubject;
    case kRcvInReplyTo: return status::message::kInReplyTo;
    case kRcvPriority: return status::message::kPriority;
    case kRcvSensitivity: return status::message::kSensitivity;
    default: return n - kRcvCountry + status::message::kOriginator;  // the originator's O/R name
  }
}

}  // namespace kv
