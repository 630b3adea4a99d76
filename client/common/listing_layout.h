// The listing file of LIJST: one line per message in the mailbox, bar-separated, written without
// its trailing empty fields (a notification or report has only its list identifier). Values are
// not cut.
#pragma once

#include <cstddef>

#include "client/common/record.h"

namespace kv {

namespace listing {

enum Field : int {
  kListId = 1,
  kMessageId = 2,
  kInReplyTo = 3,
  kEntryTime = 4,  // twelve digits
  kMessageType = 5,
  kSurname = 6,
  kGivenName = 7,
  kSubject = 8,
  kSize = 9,
  kPriority = 10,
  kSensitivity = 11,
  kBodyParts = 12,
  kEit = 13,
  kAlreadyRead = 14,  // "1" when the message was read before
};

struct Layout {
  using Field = listing::Field;
  static constexpr int kEmptyBars = 17;
  static constexpr std::size_t width(Field) { return kNoLimit; }
};

}  // namespace listing

using ListingRecord = Record<listing::Layout>;

}  // namespace kv
