// The keywords of a send request (ZEND) and the fields that carry their values: the send-queue
// record of QRTLNK.SND that the request translation writes, and the ZEND status line that the
// engine writes. This table is the one place that pairs a keyword with its fields; the request
// translation, the engine and the settling of the send queue look here.
#pragma once

#include <iterator>
#include <string_view>

#include "client/common/snd_layout.h"
#include "client/common/status_layout.h"

namespace kv::send_keywords {

struct KeywordFields {
  const char* keyword;    // three letters, upper case
  snd::Field record;      // the field of a QRTLNK.SND record
  status::Field status;   // the field of a ZEND status line
  bool engine_decides;    // a completed record takes the status line's value (a default, a list)
};

// The message's own values, one per send; the last line of a keyword counts.
inline constexpr KeywordFields kMessage[] = {
    {"MID", snd::kMessageId, status::zend::kMessageId, false},
    {"NOT", snd::kNotification, status::zend::kNotification, true},
    {"RAP", snd::kReport, status::zend::kReport, true},
    {"PRI", snd::kPriority, status::zend::kPriority, true},
    {"SEN", snd::kSensitivity, status::zend::kSensitivity, true},
    {"DEL", snd::kDelete, status::zend::kDelete, true},  // "1" with DEL, else "0"
    {"SUB", snd::kSubject, status::zend::kSubject, false},
    {"IRP", snd::kInReplyTo, status::zend::kInReplyTo, false},
};

// The files to send: the FIL lines in order, in consecutive fields from these.
inline constexpr KeywordFields kFiles = {"FIL", snd::kFirstFile, status::zend::kFirstFile, false};
inline constexpr int kMaxFiles = 8;

inline constexpr snd::Field kRecordDomains = snd::kFirstDomainType;
inline constexpr status::Field kStatusDomains = status::zend::kFirstDomainType;

// A recipient's alias and O/R address, in the order of the fields of both files.
inline constexpr KeywordFields kAddress[] = {
    {"ALI", snd::kAlias, status::zend::kAlias, true},
    {"COU", snd::kCountry, status::zend::kCountry, true},
    {"ADM", snd::kAdmd, status::zend::kAdmd, true},
    {"PMD", snd::kPrmd, status::zend::kPrmd, true},
    {"ORG", snd::kOrganisation, status::zend::kOrganisation, true},
    {"OUA", snd::kUnitA, status::zend::kUnitA, true},
    {"OUB", nth_field(snd::kUnitA, 1), nth_field(status::zend::kUnitA, 1), true},
    {"OUC", nth_field(snd::kUnitA, 2), nth_field(status::zend::kUnitA, 2), true},
    {"OUD", nth_field(snd::kUnitA, 3), nth_field(status::zend::kUnitA, 3), true},
    {"SUR", snd::kSurname, status::zend::kSurname, true},
    {"GIV", snd::kGivenName, status::zend::kGivenName, true},
    {"INI", snd::kInitials, status::zend::kInitials, true},
    {"GQU", snd::kGeneration, status::zend::kGeneration, true},
    {"DTA", kRecordDomains, kStatusDomains, true},
    {"DVA", nth_field(kRecordDomains, 1), nth_field(kStatusDomains, 1), true},
    {"DTB", nth_field(kRecordDomains, 2), nth_field(kStatusDomains, 2), true},
    {"DVB", nth_field(kRecordDomains, 3), nth_field(kStatusDomains, 3), true},
    {"DTC", nth_field(kRecordDomains, 4), nth_field(kStatusDomains, 4), true},
    {"DVC", nth_field(kRecordDomains, 5), nth_field(kStatusDomains, 5), true},
    {"DTD", nth_field(kRecordDomains, 6), nth_field(kStatusDomains, 6), true},
    {"DVD", snd::kLastDomainValue, nth_field(kStatusDomains, 7), true},
};
static_assert(std::size(kAddress) == 1 + status::zend::kAddressFields);

// The entry of a keyword (three letters, upper case) of kMessage, kFiles or kAddress; nullptr for
// other words.
constexpr const KeywordFields* find(std::string_view keyword) {
  for (const KeywordFields& k : kMessage) {
    if (keyword == k.keyword) return &k;
  }
  if (keyword == kFiles.keyword) return &kFiles;
  for (const KeywordFields& k : kAddress) {
    if (keyword == k.keyword) return &k;
  }
  return nullptr;
}

}  // namespace kv::send_keywords
