// The messaging interface as the engine sees it: the API_ operations with their fixed-layout
// records. Every string field is a NUL-terminated 8-bit (Latin-1) text in a fixed character array;
// a field of width N holds at most N-1 characters. "long" fields are signed 32-bit integers.
//
// Every operation returns 0 (the listing operations: the number of rows filled) on success and -1
// on failure; after a failure API_verdictValue gives the mail service's reason.
//
// Calling order: API_open once, then any number of session operations, then API_close once at the
// end of the run. The Java virtual machine behind the interface starts at the first API_open and
// cannot be started again in the same process after API_close.
#pragma once

#include <cstdint>

#include "client/common/status_callbacks.h"

extern "C" {

// Session handle: API_open stores a non-null marker into the caller's cell; callers only pass it
// back. Every operation except API_initOrname rejects a null handle.
typedef void* ApiId;

// ORName type values.
enum {
  ORNAME_FORM11 = 1,     // full O/R address
  ORNAME_ALIAS = 5,      // alias
  ORNAME_DISTLIST = 6,   // distribution list
};

// Connection type of OpenSession: TCP/IP is the only one accepted.
enum { CONNECTION_TCPIP = 2 };

// Body-part type: a file is the only one supported.
enum { BODYPART_FILE = 2 };

// Capacities of the records.
enum {
  API_MAX_RECIPIENTS = 20,
  API_MAX_BODYPARTS = 8,
  API_MAX_REPORT_ENTRIES = 21,
  API_SUMMARY_BODYPART_TYPES = 8,
};

// The fields of a full O/R address (ORName type 1).
struct ORNameForm11 {
  char countryName[4];
  char adDomainName[17];
  char prDomainName[17];
  char surName[41];
  char givenName[17];
  char initials[6];
  char genQualifier[4];
  char orgName[65];
  char orgUnitA[33];
  char orgUnitB[33];
  char orgUnitC[33];
  char orgUnitD[33];
  char domDefAttrTA[9];
  char domDefAttrVA[129];
  char domDefAttrTB[9];
  char domDefAttrVB[129];
  char domDefAttrTC[9];
  char domDefAttrVC[129];
  char domDefAttrTD[9];
  char domDefAttrVD[129];
};
static_assert(sizeof(ORNameForm11) == 855, "ORNameForm11 layout");

// An O/R name, 892 bytes; API_initOrname clears it to zeros.
struct ORName {
  char freeFormName[33];
  std::int16_t type;  // ORNAME_FORM11, ORNAME_ALIAS or ORNAME_DISTLIST
  union {
    ORNameForm11 form11;
    char alias[sizeof(ORNameForm11)];     // type 5
    char distList[sizeof(ORNameForm11)];  // type 6
  } u;
};
static_assert(sizeof(ORName) == 892, "ORName must be 892 bytes");

// A recipient entry, 894 bytes.
struct Recipient {
  std::int16_t type;  // the recipient kind as the engine sets it
  ORName orName;
};
static_assert(sizeof(Recipient) == 894, "Recipient must be 894 bytes");

// A body-part entry, 96 bytes.
struct BodyPart {
  std::int16_t type;  // BODYPART_FILE
  char fileName[81];
  char listId[13];
};
static_assert(sizeof(BodyPart) == 96, "BodyPart must be 96 bytes");

// The open parameters, 416 bytes, owned and filled by the engine.
struct OpenSession {
  std::int16_t type;  // CONNECTION_TCPIP
  DisplayComInfoFn displayComInfo;
  CheckEscapeFn checkEscape;
  char server[66];
  std::uint16_t portNb;
  std::int16_t p4AnswerTimeout;
  std::int16_t dataTransferTimeout;
  char user[9];
  char password[16];
  // Transport security towards a networked service, from the CONNECT block: the mode ("AUTO",
  // empty, or "ON") and the root certificate file (empty: the usual one). Both come out of the
  // record's reserved bytes, so that its size stays.
  char tlsMode[8];
  char rootCertificate[196];
  char reserved[91];
};
static_assert(sizeof(OpenSession) == 416, "OpenSession must be 416 bytes");

// What API_open reports about the session, 64 bytes.
struct SessionInfo {
  char uaName[9];
  std::int32_t uaId;
  std::int16_t sessionId;
  char defaultFFName[33];
  std::int16_t mbxMaxMsgQtty;
  std::int16_t mbxInMsgQtty;
  std::int16_t mbxInLostMsgQtty;
  std::int16_t mbxInNewMsgQtty;
  std::int16_t mbxOutMsgQtty;
};
static_assert(sizeof(SessionInfo) == 64, "SessionInfo must be 64 bytes");

// The message that API_sendMsg submits, 19164 bytes.
struct MessageOut {
  char freeFormName[33];
  char ipMsgId[117];
  char inReplyTo[65];
  char subject[257];
  std::int16_t priority;
  std::int16_t sensitivity;
  char expireDate[15];
  char defDeliveryDate[15];
  std::int16_t notifReq;
  std::int16_t reportReq;
  std::int16_t replyReq;
  std::int16_t recipientQtty;
  Recipient recipients[API_MAX_RECIPIENTS];
  std::int16_t bodyPartQtty;
  BodyPart bodyParts[API_MAX_BODYPARTS];
};
static_assert(sizeof(MessageOut) == 19164, "MessageOut must be 19164 bytes");

// MessageIn msgType values.
enum {
  MSGTYPE_MESSAGE = 1,
  MSGTYPE_NOTIFICATION = 2,
  MSGTYPE_REPORT = 3,
};

// msgType 1: a message.
struct MessageInMessage {
  char inReplyTo[65];
  char subject[257];
  std::int16_t priority;
  std::int16_t sensitivity;
  char expiryDate[15];
  std::int16_t notifyStatus;
  std::int16_t replyStatus;
  std::int16_t eit;
  char fwdFatherListId[13];
  ORName originator;
  std::int16_t msgRecTotalQtty;
  std::int16_t recipientQtty;
  Recipient recipients[API_MAX_RECIPIENTS];
  std::int32_t msgSize;
  std::int16_t bodyPartQtty;
  BodyPart bodyParts[API_MAX_BODYPARTS];
};

// One notification: the party it concerns and what happened.
struct NotifyEntry {
  ORName orName;
  std::int16_t notifyType;
  char remoteDeliveryTime[15];
  std::int16_t reasonCode;
  std::int16_t diagnostic;
};
static_assert(sizeof(NotifyEntry) == 914, "NotifyEntry layout");

// msgType 3: a report with one entry per recipient.
struct MessageInReport {
  std::int16_t msgNtfTotalQtty;
  std::int16_t notifyQtty;
  NotifyEntry entries[API_MAX_REPORT_ENTRIES];
};

// What API_getMsg fills, 20036 bytes; cleared at the start of every API_getMsg.
struct MessageIn {
  std::int16_t msgType;  // MSGTYPE_*
  char ipMsgId[65];
  char mbxEntryTime[15];
  char applicationInfo[33];
  std::int16_t accessStatus;
  std::int16_t archiveStatus;
  union {
    MessageInMessage message;   // msgType 1
    NotifyEntry notification;   // msgType 2
    MessageInReport report;     // msgType 3
  } u;
};
static_assert(sizeof(MessageInMessage) == 19916, "MessageIn message layout");
static_assert(sizeof(MessageIn) == 20036, "MessageIn must be 20036 bytes");

// One row of a mailbox listing page, 280 bytes.
struct MessageSummary {
  char listId[13];
  char ipMsgId[15];
  char mbxEntryTime[15];
  char applicationInfo[33];
  std::int16_t accessStatus;
  std::int16_t archiveStatus;
  std::int16_t msgType;
  char surName[17];
  char givenName[17];
  char freeFormName[17];
  char inReplyTo[15];
  char subject[33];
  std::int16_t priority;
  std::int16_t sensitivity;
  char expiryDate[15];
  char defDeliveryDate[15];
  std::int16_t notify;
  std::int16_t reply;
  std::int16_t eit;
  char fwdFatherListId[13];
  std::int32_t msgSize;
  std::int16_t bodyPartQtty;
  std::int16_t bodyPartTypes[API_SUMMARY_BODYPART_TYPES];
  std::int16_t notifyType;
  char remoteDeliveryTime[15];
  std::int16_t reasonCode;
  std::int16_t diagnostic;
};
static_assert(sizeof(MessageSummary) == 280, "MessageSummary must be 280 bytes");

// The interface version that API_version reports.
enum { API_INTERFACE_VERSION = 300 };

short API_open(OpenSession* openSessionPT, SessionInfo* sessionInfoPt, ApiId* apiId);
short API_close(ApiId apiId);
short API_initOrname(ORName* ornamePt);
// status is set to 1 before the call and to 3 when the client returned a name.
short API_aliasToOrname(ApiId apiId, const char* alias, short* status, ORName* ornamePt);
short API_sendMsg(ApiId apiId, MessageOut* sendMsgStructPt);
// The client stores the body parts as files in receiveDir.
short API_getMsg(ApiId apiId, const char* listId, MessageIn* getMsgStructPt, const char* receiveDir);
// Accepted and answered with 0 without contacting the client; nothing is changed.
short API_getAnnouncement(ApiId apiId, short* output, const char* listId,
                          MessageIn* getMsgStructPt);
short API_delMsg(ApiId apiId, const char* listId);
// Fills up to pageLength rows that match the filter and follow previousListId ("" = from the
// start); returns the number of rows.
short API_listMbxInNext(ApiId apiId, const char* filterString, const char* previousListId,
                        short pageLength, MessageSummary* pageMsgTab);
// Accepted and answered with 0 rows without contacting the client; nothing is changed.
short API_listAnnouncementNext(ApiId apiId, short* output, const char* filterString,
                               const char* previousListId, short pageLength,
                               MessageSummary* pageMsgTab);
short API_changeNetworkPwd(ApiId apiId, const char* newPassword);
// Whether the service accepted a message with identifier `ipMsgId` from the session's mailbox at
// or after `sinceSeconds` (seconds since 1970 by this machine's clock): *accepted becomes 1 or 0.
// Asked for a send whose outcome a killed run left open. 0, or -1 on failure.
short API_acceptedSince(ApiId apiId, const char* ipMsgId, long long sinceSeconds, short* accepted);
// The client's verdict for the last operation, or -1 when no virtual machine runs.
short API_verdictValue(void);
// The mail service's reason of the last failure in words (the store's or the server's own message,
// Latin-1), cut to size - 1 characters. 0, or -1 with an empty text when none is known (no Java
// virtual machine, or a client library without it). An addition to the interface above: the
// engine writes the text into its journal to explain a failure.
short API_verdictText(char* text, short size);
short API_version(void);

}  // extern "C"

namespace kv {

// Values that the session open passes on to the client beside the open record: the status
// window's handle (0 when the window has none) and the identifier of its status line.
void api_set_dialog_handle(int handle);

}  // namespace kv
