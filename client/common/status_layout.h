// The engine status file: one line per command of the command file and per message that a
// command handled. The engine writes it; the application-file layer reads it after the session
// (and the gathering of stored EDI messages writes lines into it). A line is a bar-separated
// record of 43 fields, each closed by a bar, written without its trailing empty fields and at
// most 1433 characters long. Field numbers by kind of line.
#pragma once

#include <cstddef>

namespace kv::status {

inline constexpr int kFieldCount = 43;  // an empty record is init_veld_record(kFieldCount - 1)
inline constexpr std::size_t kLineLimit = 1433;

// Every line.
inline constexpr int kTag = 1;     // command identifier: "*003ONTVANG", "*000CONNECT"
inline constexpr int kStamp = 2;   // twelve digits, year month day hour minute
inline constexpr int kResult = 3;  // four characters, "0000" for success

// The value of a refused FIL, DIF, DIR or SEL attribute (LIJST, RAPPORT and VERWIJDER's SEL
// use their own fields below).
inline constexpr int kRefusedValue = 9;

// A ZEND line: one per recipient; a ZEND refused for its size fills fields 5 to 37 alike.
namespace zend {
inline constexpr int kMessageId = 4;  // MID
inline constexpr int kPriority = 5;
inline constexpr int kSensitivity = 6;
inline constexpr int kNotification = 7;
inline constexpr int kReport = 8;
inline constexpr int kFirstFile = 9;  // 9 to 16, the file list in order
inline constexpr int kLastFile = 16;
inline constexpr int kDelete = 17;  // "1" with DEL, else "0"
inline constexpr int kSubject = 18;
inline constexpr int kInReplyTo = 19;
inline constexpr int kRecipientKind = 20;  // "1" to "3", "4" distribution list, "5" DIF file
inline constexpr int kAlias = 21;
// 22 to 41: the recipient's O/R name, in the order of the send queue's fields 28 to 47.
inline constexpr int kCountry = 22;
inline constexpr int kAdmd = 23;
inline constexpr int kPrmd = 24;
inline constexpr int kOrganisation = 25;
inline constexpr int kUnitA = 26;  // 26 to 29, units A to D
inline constexpr int kSurname = 30;
inline constexpr int kGivenName = 31;
inline constexpr int kInitials = 32;
inline constexpr int kGeneration = 33;
inline constexpr int kFirstDomainType = 34;  // 34 to 41: type and value of A, B, C, D
inline constexpr int kAddressFields = 20;
}  // namespace zend

// A line per received or deleted message (ONTVANG, ANTWOORD, VERWIJDER; a failed RAPPORT item).
namespace message {
inline constexpr int kListId = 4;
inline constexpr int kMessageId = 5;
inline constexpr int kPriority = 6;
inline constexpr int kSensitivity = 7;
inline constexpr int kFileCount = 8;  // "0" when the files went into the FIL file
inline constexpr int kFirstFile = 9;  // the first received file, or the FIL file
inline constexpr int kInReplyTo = 10;
inline constexpr int kSubject = 11;
// 12 to 31: the originator's O/R name (country first); the engine fills the first 16 of them.
inline constexpr int kOriginator = 12;
inline constexpr int kSurname = 20;
inline constexpr int kOriginatorFields = 16;
inline constexpr int kLastOriginator = 31;
inline constexpr int kLastCleared = 40;  // a failed fetch empties fields 6 to 40
}  // namespace message

namespace lijst {
inline constexpr int kListingFile = 4;  // empty when nothing was listed
inline constexpr int kReadFlag = 5;     // "1" with NOD or MRT, else "0"
}  // namespace lijst

namespace rapport {
inline constexpr int kReportFile = 5;  // empty when the mailbox held nothing
inline constexpr int kReadFlag = 6;    // "1" with NOD or MRT, else "0"
}  // namespace rapport

namespace verwijder {
inline constexpr int kRefusedSelection = 6;
}  // namespace verwijder

}  // namespace kv::status
