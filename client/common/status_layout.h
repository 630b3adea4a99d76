// The engine status file: one line per command of the command file and per message that a
// command handled. The engine writes it; the application-file layer reads it after the session
// (and the gathering of stored EDI messages writes lines into it). A line is a bar-separated
// record of 43 fields, each closed by a bar, written without its trailing empty fields and at
// most 1433 characters long. Field numbers by kind of line.
#pragma once

#include <cstddef>

#include "client/common/record.h"

namespace kv {

namespace status {

inline constexpr int kFieldCount = 43;  // an empty record has kFieldCount bars
inline constexpr std::size_t kLineLimit = 1433;

enum Field : int {
  // Every line.
  kTag = 1,     // command identifier: "*003ONTVANG", "*000CONNECT"
  kStamp = 2,   // twelve digits, year month day hour minute
  kResult = 3,  // four characters, "0000" for success
  // The value of a refused FIL, DIF, DIR or SEL attribute (LIJST, RAPPORT and VERWIJDER's SEL
  // use their own fields below).
  kRefusedValue = 9,
  kLastField = 43,
};

// A ZEND line: one per recipient; a ZEND refused for its size fills fields 5 to 37 alike.
namespace zend {
inline constexpr Field kMessageId{4};  // MID
inline constexpr Field kPriority{5};
inline constexpr Field kSensitivity{6};
inline constexpr Field kNotification{7};
inline constexpr Field kReport{8};
inline constexpr Field kFirstFile{9};  // 9 to 16, the file list in order
inline constexpr Field kLastFile{16};
inline constexpr Field kDelete{17};  // "1" with DEL, else "0"
inline constexpr Field kSubject{18};
inline constexpr Field kInReplyTo{19};
inline constexpr Field kRecipientKind{20};  // "1" to "3", "4" distribution list, "5" DIF file
inline constexpr Field kAlias{21};
// 22 to 41: the recipient's O/R name, in the order of the send queue's fields 28 to 47.
inline constexpr Field kCountry{22};
inline constexpr Field kAdmd{23};
inline constexpr Field kPrmd{24};
inline constexpr Field kOrganisation{25};
inline constexpr Field kUnitA{26};  // 26 to 29, units A to D
inline constexpr Field kSurname{30};
inline constexpr Field kGivenName{31};
inline constexpr Field kInitials{32};
inline constexpr Field kGeneration{33};
inline constexpr Field kFirstDomainType{34};  // 34 to 41: type and value of A, B, C, D
inline constexpr int kAddressFields = 20;
}  // namespace zend

// A line per received or deleted message (ONTVANG, ANTWOORD, VERWIJDER; a failed RAPPORT item).
namespace message {
inline constexpr Field kListId{4};
inline constexpr Field kMessageId{5};
inline constexpr Field kPriority{6};
inline constexpr Field kSensitivity{7};
inline constexpr Field kFileCount{8};  // "0" when the files went into the FIL file
inline constexpr Field kFirstFile{9};  // the first received file, or the FIL file
inline constexpr Field kInReplyTo{10};
inline constexpr Field kSubject{11};
// 12 to 31: the originator's O/R name (country first); the engine fills the first 16 of them.
inline constexpr Field kOriginator{12};
inline constexpr Field kSurname{20};
inline constexpr int kOriginatorFields = 16;
inline constexpr Field kLastOriginator{31};
inline constexpr Field kLastCleared{40};  // a failed fetch empties fields 6 to 40
}  // namespace message

namespace lijst {
inline constexpr Field kListingFile{4};  // empty when nothing was listed
inline constexpr Field kReadFlag{5};     // "1" with NOD or MRT, else "0"
}  // namespace lijst

namespace rapport {
inline constexpr Field kReportFile{5};  // empty when the mailbox held nothing
inline constexpr Field kReadFlag{6};    // "1" with NOD or MRT, else "0"
}  // namespace rapport

namespace verwijder {
inline constexpr Field kRefusedSelection{6};
}  // namespace verwijder

struct Layout {
  using Field = status::Field;
  static constexpr int kEmptyBars = kFieldCount;
  static constexpr std::size_t width(Field) { return kNoLimit; }
};

}  // namespace status

using StatusRecord = Record<status::Layout>;

}  // namespace kv
