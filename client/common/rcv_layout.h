// The receive store QRTLNK.RCV (rcv_rec): one line per received message whose files the client
// named itself, built from the message's engine status line. 30 bar-separated fields; every value
// is cut to its field's width and the line is written without its trailing empty fields.
#pragma once

#include <cstddef>
#include <iterator>

#include "client/common/record.h"
#include "client/common/status_layout.h"

namespace kv {

namespace rcv {

enum Field : int {
  kAppId = 1,
  kStamp = 2,
  kListId = 3,
  kMessageId = 4,
  kFileCount = 5,
  kFirstFile = 6,
  kSubject = 7,
  kInReplyTo = 8,
  kPriority = 9,
  kSensitivity = 10,
  kCountry = 11,  // 11 to 30: the originator's O/R name
  kAdmd = 12,
  kPrmd = 13,
  kOrganisation = 14,
  kSurname = 19,
  kGivenName = 20,
  kLastField = 30,
};

inline constexpr unsigned short kWidths[] = {
    0,                              // (no field 0)
    3,  12, 12, 64, 1, 64, 256,     // 1-7: App-id, stamp, list id, message id, files, file, subject
    64, 1,  1,  3,  16, 16, 64,     // 8-14: in-reply-to, priority, sensitivity, COU, ADM, PMD, ORG
    32, 32, 32, 32,                 // 15-18: OUA-OUD
    40, 16, 5,  3,                  // 19-22: SUR, GIV, INI, GQU
    8,  32, 8,  32, 8, 32, 8, 32};  // 23-30: DTA/DVA .. DTD/DVD
static_assert(std::size(kWidths) == kLastField + 1);

// The field's width; 0 outside 1..30.
constexpr std::size_t width(Field field) {
  return field >= 1 && field <= kLastField ? kWidths[field] : 0;
}

// The field of a received message's status line that holds field n (2..30).
constexpr status::Field status_field(Field n) {
  switch (n) {
    case kStamp: return status::kStamp;
    case kListId: return status::message::kListId;
    case kMessageId: return status::message::kMessageId;
    case kFileCount: return status::message::kFileCount;
    case kFirstFile: return status::message::kFirstFile;
    case kSubject: return status::message::kSubject;
    case kInReplyTo: return status::message::kInReplyTo;
    case kPriority: return status::message::kPriority;
    case kSensitivity: return status::message::kSensitivity;
    default:  // the originator's O/R name
      return nth_field(status::message::kOriginator, n - kCountry);
  }
}

struct Layout {
  using Field = rcv::Field;
  static constexpr int kEmptyBars = kLastField + 2;
  static constexpr std::size_t width(Field field) { return rcv::width(field); }
};

}  // namespace rcv

using RcvRecord = Record<rcv::Layout>;

}  // namespace kv
