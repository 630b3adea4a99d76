// The result codes that the engine writes into the result field of its status lines, by family,
// so that each code can be found by name together with the places that produce it. The codes of
// the CONNECT keywords stand in the CONNECT table of command_file.cc, those of the attribute
// keywords in the keyword table (attribute_table.h, attr_code), and those of the messaging
// verdicts in verdict_map.cc; the dial-up helper's own codes are passed on as it wrote them.
#pragma once

#include "client/common/status_codes.h"

namespace kv::engine {

// Every command (success and Escape are in client/common/status_codes.h).
inline constexpr const char* kCodeLineTooLong = "1055";  // a command-file line over 274 characters
inline constexpr const char* kCodeWorkFile = "3071";     // no temporary work file "TMXXXXXX"

// The command file and the session.
inline constexpr const char* kCodeNoConnectLine = "1001";   // first line not "*000CONNECT"
inline constexpr const char* kCodeUnknownConnectKeyword = "1009";
inline constexpr const char* kCodeSequenceNotNumeric = "2001";
inline constexpr const char* kCodeUnknownCommand = "2002";
inline constexpr const char* kCodeSecondConnect = "2004";

// Combinations of attributes, and required attributes.
inline constexpr const char* kCodeAliasAndList = "2501";        // ALI with DIS
inline constexpr const char* kCodeAliasWithAddress = "2502";    // ALI with address keywords
inline constexpr const char* kCodeListWithAddress = "2503";     // DIS with address keywords
inline constexpr const char* kCodeNoMid = "2504";               // ZEND without MID
inline constexpr const char* kCodeNoFil = "2505";               // ZEND without FIL
inline constexpr const char* kCodeNoRecipient = "2506";         // first recipient without address
inline constexpr const char* kCodeNoLaterRecipient = "2507";    // CCO/BCO without address after it
inline constexpr const char* kCodeFilAndDir = "2508";
inline constexpr const char* kCodeLidWithSelection = "2509";
inline constexpr const char* kCodeUnrestrictedDelete = "2510";  // VERWIJDER naming no message
inline constexpr const char* kCodeListAndInterchange = "2511";  // DIS with DIF
inline constexpr const char* kCodeInterchangeWithCopies = "2512";  // DIF with CCO or BCO
inline constexpr const char* kCodeNoPin = "2513";               // WACHTWOORD without PIN
inline constexpr const char* kCodeAddWithoutFil = "2514";
inline constexpr const char* kCodeSelectionWithCriteria = "2515";  // SEL with other criteria
inline constexpr const char* kCodeNodWithAnn = "2522";
inline constexpr const char* kCodeNodWithMrt = "2554";
inline constexpr const char* kCodeNoAnsweredSend = "2005";  // ANTWOORD before any send with ANS
inline constexpr const char* kCodeInterchangeTooLarge = "3072";  // over 2095104 bytes

// The selection file (SEL) and its criteria.
inline constexpr const char* kCodeSelectionUnknownKeyword = "2007";
inline constexpr const char* kCodeSelectionUnreadable = "2516";
inline constexpr const char* kCodeSelectionLineTooLong = "2517";
inline constexpr const char* kCodeSelectionStartsWithOr = "2518";
inline constexpr const char* kCodeSelectionDoubleOr = "2519";
inline constexpr const char* kCodeSelectionEndsWithOr = "2520";
inline constexpr const char* kCodeSelectionEmpty = "2521";
inline constexpr const char* kCodeTooManyCriteria = "2523";

// The path checks of file and directory attributes.
inline constexpr const char* kCodeDirectoryNotFound = "3034";      // or without a full path
inline constexpr const char* kCodeFileDirectoryNotFound = "3035";  // or without a full path
inline constexpr const char* kCodeCannotWrite = "3036";            // cannot be created or written
inline constexpr const char* kCodeFileNotFound = "3037";           // a file to send
inline constexpr const char* kCodeNotAFile = "3038";
inline constexpr const char* kCodeFileNotReadable = "3039";
inline constexpr const char* kCodeWriteProtected = "3040";
inline constexpr const char* kCodeNamesNoFile = "3041";            // a bare drive, a trailing separator

// Receiving and waiting.
inline constexpr const char* kCodeNoAnswer = "1701";     // the waiting time passed

// Dial-up.
inline constexpr const char* kCodeDialResultMissing = "4002";  // "kovedial.txt" not readable
inline constexpr const char* kCodeDialResultEmpty = "4003";

}  // namespace kv::engine
