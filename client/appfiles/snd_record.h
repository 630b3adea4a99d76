// The send-queue record (snd_stat_rec): one line of QRTLNK.SND per recipient of a send request,
// 48 bar-separated fields. Every value is cut to its field's width and a "|" in a value becomes
// "!"; trailing bars are removed when the line is written.
#pragma once

#include <cstddef>
#include <string>

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
std::size_t snd_field_width(int field);
// An empty record: 49 bars.
std::string new_snd_record();
// A record as read from QRTLNK.SND lacks its trailing empty fields: puts the bars back, so that
// every field can be set.
void pad_snd_record(std::string& record);
// insert_veld with the field's width.
void set_snd_field(std::string& record, int field, const std::string& value);
// The record as written to QRTLNK.SND: trailing bars removed (at least one character kept),
// without line end.
std::string snd_record_line(const std::string& record);
// Fields 11 to 15 of a completed record: "1", one blank, two blanks, two blanks, twelve blanks.
void set_snd_completed_delivery(std::string& record);

}  // namespace kv
