// The report file: one bar-separated record per notification or report that RAPPORT fetched,
// appended by the engine and read by the application-file layer, which completes the send queue
// from it. Records are written without their trailing empty fields.
#pragma once

namespace kv::report {

inline constexpr int kNewRecordCount = 29;  // an empty record is init_veld_record(kNewRecordCount)

inline constexpr int kMessageId = 1;     // ipMsgId of the notification or report
inline constexpr int kMessageType = 2;   // "2" single notification, "3" report
inline constexpr int kNotifyType = 3;    // "1" a delivery
inline constexpr int kEntryTime = 4;     // mailbox entry time, twelve digits
inline constexpr int kDeliveryTime = 5;  // remote delivery time; in a report only of a delivery
inline constexpr int kReason = 6;        // two digits, "00" for a delivery
inline constexpr int kDiagnostic = 7;    // two digits, "00" for a delivery
// 8 to 23: the O/R name of the recipient concerned (country first).
inline constexpr int kRecipient = 8;
inline constexpr int kRecipientSurname = 16;
inline constexpr int kRecipientFields = 16;

}  // namespace kv::report
