// Every operation through a real machine against the fake client library: what crosses to Java,
// what comes back into the records, the bounds of the records, the width rule, and failures.
// The test that stops the machine is the last one of this program.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "client/common/journal.h"
#include "client/common/status_callbacks.h"
#include "client/msgapi/api.h"
#include "client/msgapi/jni_helpers.h"
#include "client/msgapi/jvm_host.h"
#include "client/msgapi/jvmtests/fake_client_fixture.h"

namespace {

using kv::testing::FakeClientTest;
using namespace kv::msgapi;

template <typename T>
bool all_bytes(const T* record, std::size_t count, unsigned char value) {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(record);
  for (std::size_t i = 0; i < sizeof(T) * count; ++i)
    if (bytes[i] != value) return false;
  return true;
}

void set_form11(ORName* name, const char* surname) {
  API_initOrname(name);
  name->type = ORNAME_FORM11;
  std::strcpy(name->freeFormName, "Free Form");
  ORNameForm11& f = name->u.form11;
  std::strcpy(f.countryName, "NL");
  std::strcpy(f.adDomainName, "400NET");
  std::strcpy(f.prDomainName, "PRMD");
  std::strcpy(f.surName, surname);
  std::strcpy(f.givenName, "Ren\xE9");
  std::strcpy(f.initials, "RJ");
  std::strcpy(f.genQualifier, "JR");
  std::strcpy(f.orgName, "Org");
  std::strcpy(f.orgUnitA, "A");
  std::strcpy(f.orgUnitB, "B");
  std::strcpy(f.orgUnitC, "C");
  std::strcpy(f.orgUnitD, "D");
  std::strcpy(f.domDefAttrTA, "TA");
  std::strcpy(f.domDefAttrVA, "VA");
  std::strcpy(f.domDefAttrTB, "TB");
  std::strcpy(f.domDefAttrVB, "VB");
  std::strcpy(f.domDefAttrTC, "TC");
  std::strcpy(f.domDefAttrVC, "VC");
  std::strcpy(f.domDefAttrTD, "TD");
  std::strcpy(f.domDefAttrVD, "VD");
}

MessageOut* new_message() {
  auto* msg = new MessageOut{};
  std::strcpy(msg->freeFormName, "Jan de Vries");
  std::strcpy(msg->ipMsgId, "MID001");
  std::strcpy(msg->inReplyTo, "IRP9");
  std::strcpy(msg->subject, "Factuur \xE9\xFF");
  msg->priority = 1;
  msg->sensitivity = 2;
  msg->notifReq = 3;
  msg->reportReq = 1;
  msg->replyReq = 2;
  return msg;
}

TEST_F(FakeClientTest, SecondOpenReusesTheMachineAndPassesTheSessionValues) {
  kv::journal_settings().enabled = true;
  kv::api_set_dialog_handle(77);
  OpenSession open = open_record();
  SessionInfo info;
  std::memset(&info, 0x7F, sizeof info);
  ApiId handle = nullptr;
  ASSERT_EQ(API_open(&open, &info, &handle), 0);
  EXPECT_NE(handle, nullptr);
  EXPECT_EQ(debug_lines(), std::vector<std::string>{"StartJVM: JVM already defined"});
  EXPECT_EQ(client_calls(), "open server=file:/tmp/store user=USER1 password=Geh\xE9im port=1234"
                            " workingDir=" + home_.path() + " homeDir=" + program_dir() +
                            " logging=1 dialog=77/1003 version=KOVENDI v6.2.2\n");
  EXPECT_STREQ(info.uaName, "UA0001");
  EXPECT_EQ(info.uaId, 7);  // low 32 bits of the client's long
  EXPECT_EQ(info.sessionId, 42);
  EXPECT_STREQ(info.defaultFFName, "Jan de Vri\xE9s");
  EXPECT_EQ(info.mbxMaxMsgQtty, 100);
  EXPECT_EQ(info.mbxInMsgQtty, 5);
  EXPECT_EQ(info.mbxInLostMsgQtty, 1);
  EXPECT_EQ(info.mbxInNewMsgQtty, 2);
  EXPECT_EQ(info.mbxOutMsgQtty, 3);
  EXPECT_EQ(API_verdictValue(), 0);
  kv::api_set_dialog_handle(0);
}

int g_escape_calls = 0;
int g_pumps = 0;
short escape_pressed() {
  ++g_escape_calls;
  return g_pumps > 0 ? 2 : 1;  // the key press arrives with the pumped messages
}
void pump() { ++g_pumps; }

TEST_F(FakeClientTest, ClientReachesTheEscapeCheckOfTheOpenRecord) {
  OpenSession open = open_record();
  open.checkEscape = &escape_pressed;
  SessionInfo info;
  ApiId handle = nullptr;
  ASSERT_EQ(API_open(&open, &info, &handle), 0);
  kv::status_callbacks().pump_messages = &pump;
  EXPECT_EQ(poll_escape(), 2);
  kv::status_callbacks().pump_messages = nullptr;
  EXPECT_EQ(g_escape_calls, 1);
  EXPECT_EQ(g_pumps, 1);
  open.checkEscape = nullptr;
  ASSERT_EQ(API_open(&open, &info, &handle), 0);
  EXPECT_EQ(poll_escape(), 1);
  EXPECT_EQ(g_escape_calls, 1);
  EXPECT_EQ(debug_lines(), (std::vector<std::string>{"StartJVM: JVM already defined",
                                                     "StartJVM: JVM already defined"}));
}

TEST_F(FakeClientTest, OpenRefusals) {
  SessionInfo info;
  ApiId handle = nullptr;
  OpenSession open = open_record();
  open.type = 1;
  std::memset(&info, 0x7F, sizeof info);
  EXPECT_EQ(API_open(&open, &info, &handle), -1);
  EXPECT_TRUE(all_bytes(&info, 1, 0));
  EXPECT_EQ(client_log(), "JNI_API_open: requested connection type not tcp/ip, type [1]");
  EXPECT_EQ(client_calls(), "");

  open.type = CONNECTION_TCPIP;
  set_open_scenario("fail");
  EXPECT_EQ(API_open(&open, &info, &handle), -1);
  EXPECT_EQ(API_verdictValue(), 4);

  set_open_scenario("throw");
  clear_debug_log();
  EXPECT_EQ(API_open(&open, &info, &handle), -1);
  EXPECT_EQ(debug_lines(), (std::vector<std::string>{
                               "StartJVM: JVM already defined",
                               "JNI_API_open: o_client.API_open(o_openSession, o_sessionInfo): "
                               "caught java.lang.IllegalStateException: service unreachable",
                           }));
  EXPECT_EQ(handle, nullptr);

  // A text as long as its field is not stored; the open goes on.
  set_open_scenario("long-name");
  client_log();
  EXPECT_EQ(API_open(&open, &info, &handle), 0);
  EXPECT_STREQ(info.defaultFFName, "");
  EXPECT_STREQ(info.uaName, "UA0001");
  EXPECT_EQ(client_log(), "JNI_getStringProperty: obj.getDefaultFFName() = \"" +
                              std::string(33, 'x') + "\": UTF string exceeds buffer size (33)");
  set_open_scenario("");
}

TEST_F(FakeClientTest, SendCarriesEveryFieldAndEveryKindOfName) {
  std::unique_ptr<MessageOut> msg(new_message());
  msg->recipientQtty = 3;
  msg->recipients[0].type = 1;
  set_form11(&msg->recipients[0].orName, "Pieters");
  msg->recipients[1].type = 2;
  API_initOrname(&msg->recipients[1].orName);
  msg->recipients[1].orName.type = ORNAME_ALIAS;
  std::strcpy(msg->recipients[1].orName.u.alias, "INKOOP");
  msg->recipients[2].type = 3;
  API_initOrname(&msg->recipients[2].orName);
  msg->recipients[2].orName.type = ORNAME_DISTLIST;
  std::strcpy(msg->recipients[2].orName.u.distList, "ALLEN");
  msg->bodyPartQtty = 2;
  msg->bodyParts[0].type = BODYPART_FILE;
  std::strcpy(msg->bodyParts[0].fileName, "/data/out/F1.edi");
  msg->bodyParts[1].type = BODYPART_FILE;
  std::strcpy(msg->bodyParts[1].fileName, "/data/out/F2.txt");
  EXPECT_EQ(API_sendMsg(handle_, msg.get()), 0);
  EXPECT_EQ(client_calls(),
            "send ffn=Jan de Vries id=MID001 irt=IRP9 subject=Factuur \xE9\xFF expire= deferred="
            " pri=1 sen=2 not=3 rep=1 rpl=2\n"
            "  recipient 1 ORNameForm11 type=1 ffn=Free Form C=NL A=400NET P=PRMD O=Org"
            " OU=A,B,C,D S=Pieters G=Ren\xE9 I=RJ Q=JR DDA=TA:VA,TB:VB,TC:VC,TD:VD\n"
            "  recipient 2 ORNameAlias type=5 ffn= alias=INKOOP\n"
            "  recipient 3 ORNameDistList type=6 ffn= list=ALLEN\n"
            "  part 2 /data/out/F1.edi []\n"
            "  part 2 /data/out/F2.txt []\n");
  EXPECT_EQ(debug_text(), "");

  // The full capacity of the record is sent.
  msg->recipientQtty = API_MAX_RECIPIENTS;
  for (Recipient& r : msg->recipients) {
    r.type = 1;
    set_form11(&r.orName, "Vol");
  }
  msg->bodyPartQtty = API_MAX_BODYPARTS;
  for (BodyPart& p : msg->bodyParts) {
    p.type = BODYPART_FILE;
    std::strcpy(p.fileName, "f");
  }
  std::memset(msg->subject, 'S', sizeof msg->subject - 1);
  EXPECT_EQ(API_sendMsg(handle_, msg.get()), 0);
  const std::string calls = client_calls();
  EXPECT_NE(calls.find("subject=" + std::string(256, 'S') + " "), std::string::npos);
  std::size_t recipients = 0, parts = 0;
  for (std::size_t at = 0; (at = calls.find("  recipient ", at)) != std::string::npos; ++at)
    ++recipients;
  for (std::size_t at = 0; (at = calls.find("  part ", at)) != std::string::npos; ++at) ++parts;
  EXPECT_EQ(recipients, 20u);
  EXPECT_EQ(parts, 8u);

  // Fields without their terminator end at the width of the field.
  std::memset(msg->subject, 'T', sizeof msg->subject);
  std::memset(msg->recipients[0].orName.u.form11.surName, 'U', 41);
  msg->recipientQtty = 1;
  msg->bodyPartQtty = 0;
  EXPECT_EQ(API_sendMsg(handle_, msg.get()), 0);
  const std::string bounded = client_calls();
  EXPECT_NE(bounded.find("subject=" + std::string(256, 'T') + " expire="), std::string::npos);
  EXPECT_NE(bounded.find(" S=" + std::string(40, 'U') + " G="), std::string::npos) << bounded;
}

TEST_F(FakeClientTest, SendRefusals) {
  std::unique_ptr<MessageOut> msg(new_message());
  msg->recipientQtty = 1;
  set_form11(&msg->recipients[0].orName, "Pieters");
  msg->bodyPartQtty = 1;
  msg->bodyParts[0].type = 1;
  EXPECT_EQ(API_sendMsg(handle_, msg.get()), -1);
  EXPECT_EQ(client_log(), "JNI_API_sendMsg: unsupported bodypart type [1]");
  EXPECT_EQ(client_calls(), "");

  msg->bodyParts[0].type = BODYPART_FILE;
  msg->recipients[0].orName.type = 3;
  EXPECT_EQ(API_sendMsg(handle_, msg.get()), -1);
  EXPECT_EQ(client_log(), "JNI_ORNameToObject: unsupported orname type [3]");

  msg->recipients[0].orName.type = ORNAME_FORM11;
  msg->recipientQtty = 21;
  EXPECT_EQ(API_sendMsg(handle_, msg.get()), -1);
  msg->recipientQtty = 1;
  msg->bodyPartQtty = -1;
  EXPECT_EQ(API_sendMsg(handle_, msg.get()), -1);
  EXPECT_EQ(client_log(), "JNI_API_sendMsg: recipient count [21] outside 0..20\n"
                          "JNI_API_sendMsg: bodypart count [-1] outside 0..8");
  EXPECT_EQ(client_calls(), "");

  msg->bodyPartQtty = 1;
  std::strcpy(msg->subject, "refuse");
  EXPECT_EQ(API_sendMsg(handle_, msg.get()), -1);
  EXPECT_EQ(API_verdictValue(), 7);

  std::strcpy(msg->subject, "throw");
  EXPECT_EQ(API_sendMsg(handle_, msg.get()), -1);
  EXPECT_EQ(debug_lines(), std::vector<std::string>{
                               "JNI_API_sendMsg: o_client.API_sendMsg(o_msgOut): caught "
                               "java.lang.IllegalArgumentException: bad message"});
}

TEST_F(FakeClientTest, FetchedMessageStopsAtTheRecordsCapacity) {
  auto msg = std::make_unique<MessageIn>();
  std::memset(msg.get(), 0x55, sizeof(MessageIn));
  ASSERT_EQ(API_getMsg(handle_, "msg", msg.get(), "/data/in"), 0) << debug_text();
  EXPECT_EQ(client_calls(), "get msg into /data/in\n");
  EXPECT_EQ(msg->msgType, MSGTYPE_MESSAGE);
  EXPECT_STREQ(msg->ipMsgId, "EDI0001");
  EXPECT_STREQ(msg->mbxEntryTime, "05-03-02 14:30");
  EXPECT_STREQ(msg->applicationInfo, "app");
  EXPECT_EQ(msg->accessStatus, 1);
  EXPECT_EQ(msg->archiveStatus, 2);
  const MessageInMessage& m = msg->u.message;
  EXPECT_STREQ(m.inReplyTo, "ORIG01");
  EXPECT_STREQ(m.subject, "Factuur \xE9\xFF");
  EXPECT_EQ(m.priority, 2);
  EXPECT_EQ(m.sensitivity, 3);
  EXPECT_STREQ(m.expiryDate, "31-12-95 23:59");
  EXPECT_EQ(m.notifyStatus, 4);
  EXPECT_EQ(m.replyStatus, 5);
  EXPECT_EQ(m.eit, 6);
  EXPECT_STREQ(m.fwdFatherListId, "FATHER");
  EXPECT_EQ(m.originator.type, ORNAME_FORM11);
  EXPECT_STREQ(m.originator.freeFormName, "Jan Jansen");
  EXPECT_STREQ(m.originator.u.form11.surName, "Jansen");
  EXPECT_STREQ(m.originator.u.form11.domDefAttrVA, "8712345000004");
  EXPECT_EQ(m.msgRecTotalQtty, 25);
  EXPECT_EQ(m.recipientQtty, API_MAX_RECIPIENTS);
  EXPECT_EQ(m.recipients[19].type, 1 + 19 % 3);
  EXPECT_STREQ(m.recipients[19].orName.u.form11.surName, "R19");
  EXPECT_EQ(m.msgSize, 1234);
  EXPECT_EQ(m.bodyPartQtty, API_MAX_BODYPARTS);
  EXPECT_EQ(m.bodyParts[7].type, BODYPART_FILE);
  EXPECT_STREQ(m.bodyParts[7].fileName, "/rcv/KV0008");
  EXPECT_STREQ(m.bodyParts[7].listId, "L7");
  EXPECT_EQ(debug_text(), "");
  EXPECT_EQ(client_log(), "");
}

TEST_F(FakeClientTest, FetchedTextsThatDoNotFitStayEmpty) {
  auto msg = std::make_unique<MessageIn>();
  ASSERT_EQ(API_getMsg(handle_, "msg-widths", msg.get(), "/in"), 0);
  EXPECT_STREQ(msg->ipMsgId, "");
  EXPECT_EQ(std::string(msg->u.message.subject), std::string(256, 's'));
  EXPECT_EQ(std::string(msg->u.message.inReplyTo), std::string(64, 'r'));
  EXPECT_STREQ(msg->u.message.bodyParts[0].fileName, "");
  EXPECT_STREQ(msg->u.message.bodyParts[0].listId, "L0");
  EXPECT_EQ(client_log(),
            "JNI_getStringProperty: obj.getIpMsgId() = \"" + std::string(65, 'i') +
                "\": UTF string exceeds buffer size (65)\n"
                "JNI_getStringProperty: obj.getFileName() = \"" + std::string(81, '/') +
                "\": UTF string exceeds buffer size (81)");

  ASSERT_EQ(API_getMsg(handle_, "msg-null-texts", msg.get(), "/in"), 0);
  EXPECT_STREQ(msg->ipMsgId, "");
  EXPECT_STREQ(msg->u.message.subject, "");
  EXPECT_STREQ(msg->u.message.inReplyTo, "ORIG01");
}

TEST_F(FakeClientTest, FetchedNotificationAndReport) {
  auto msg = std::make_unique<MessageIn>();
  ASSERT_EQ(API_getMsg(handle_, "notification", msg.get(), "/in"), 0);
  EXPECT_EQ(msg->msgType, MSGTYPE_NOTIFICATION);
  EXPECT_STREQ(msg->ipMsgId, "EDI0001");
  EXPECT_STREQ(msg->mbxEntryTime, "06-03-02 09:15");
  EXPECT_STREQ(msg->applicationInfo, "rpt");
  EXPECT_EQ(msg->accessStatus, 7);
  EXPECT_EQ(msg->archiveStatus, 8);
  const NotifyEntry& n = msg->u.notification;
  EXPECT_STREQ(n.orName.u.form11.surName, "N3");
  EXPECT_EQ(n.notifyType, 2);
  EXPECT_STREQ(n.remoteDeliveryTime, "06-03-02 09:13");
  EXPECT_EQ(n.reasonCode, 3);
  EXPECT_EQ(n.diagnostic, 103);

  ASSERT_EQ(API_getMsg(handle_, "report", msg.get(), "/in"), 0);
  EXPECT_EQ(msg->msgType, MSGTYPE_REPORT);
  EXPECT_STREQ(msg->ipMsgId, "EDI0001");
  const MessageInReport& r = msg->u.report;
  EXPECT_EQ(r.msgNtfTotalQtty, 30);
  EXPECT_EQ(r.notifyQtty, API_MAX_REPORT_ENTRIES);
  EXPECT_STREQ(r.entries[0].orName.u.form11.surName, "N0");
  EXPECT_STREQ(r.entries[20].orName.u.form11.surName, "N20");
  EXPECT_EQ(r.entries[20].diagnostic, 120);
  EXPECT_EQ(r.entries[20].notifyType, 1);
  EXPECT_EQ(debug_text(), "");
}

TEST_F(FakeClientTest, FetchRefusals) {
  auto msg = std::make_unique<MessageIn>();
  EXPECT_EQ(API_getMsg(handle_, "type4", msg.get(), "/in"), -1);
  EXPECT_EQ(msg->msgType, 4);
  EXPECT_EQ(client_log(), "JNI_API_getMsg: message has unsupported type [4]");

  EXPECT_EQ(API_getMsg(handle_, "msg-alias-originator", msg.get(), "/in"), -1);
  EXPECT_EQ(client_log(), "JNI_ORNameToStruct: orname type not form11, type [5]");
  EXPECT_STREQ(msg->ipMsgId, "EDI0001");  // fields copied before the failure stay

  EXPECT_EQ(API_getMsg(handle_, "msg-no-recipient-list", msg.get(), "/in"), -1);
  EXPECT_EQ(API_getMsg(handle_, "empty", msg.get(), "/in"), -1);
  EXPECT_TRUE(all_bytes(msg.get(), 1, 0));
  EXPECT_EQ(debug_text(), "");

  EXPECT_EQ(API_getMsg(handle_, "msg-short-recipient-list", msg.get(), "/in"), -1);
  EXPECT_EQ(API_getMsg(handle_, "msg-recipient-list-throws", msg.get(), "/in"), -1);
  std::vector<std::string> lines = debug_lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("JNI_getObjectProperty: obj.getRecipient(index=2), "
                           "sig=[Lnl/kovendi/objects/Recipient;]: caught "
                           "java.lang.IndexOutOfBoundsException",
                           0),
            0u)
      << lines[0];

  EXPECT_EQ(API_getMsg(handle_, "fail", msg.get(), "/in"), -1);
  EXPECT_EQ(API_verdictValue(), 5);
  clear_debug_log();
  EXPECT_EQ(API_getMsg(handle_, "throw", msg.get(), "/in"), -1);
  EXPECT_EQ(debug_lines(), std::vector<std::string>{
                               "JNI_API_getMsg: o_client.API_getMsg(o_listId, o_holder): caught "
                               "java.lang.RuntimeException: store corrupt"});
}

TEST_F(FakeClientTest, ListingFillsAtMostThePage) {
  MessageSummary page[20];
  ASSERT_EQ(API_listMbxInNext(handle_, "MSG_TYPE=MSG & IP_MSG_ID=AB*", "LID2", 20, page), 3);
  EXPECT_EQ(client_calls(), "list [MSG_TYPE=MSG & IP_MSG_ID=AB*] after [LID2] page 20\n");
  const MessageSummary& row = page[2];
  EXPECT_STREQ(row.listId, "LID2");
  EXPECT_STREQ(row.ipMsgId, "EDI0002");
  EXPECT_STREQ(row.mbxEntryTime, "05-03-02 14:32");
  EXPECT_STREQ(row.applicationInfo, "app2");
  EXPECT_EQ(row.accessStatus, 1);
  EXPECT_EQ(row.archiveStatus, 2);
  EXPECT_EQ(row.msgType, 1);
  EXPECT_STREQ(row.surName, "Jansen");
  EXPECT_STREQ(row.givenName, "Jan");
  EXPECT_STREQ(row.freeFormName, "J. Jansen");
  EXPECT_STREQ(row.inReplyTo, "ORIG2");
  EXPECT_STREQ(row.subject, "Onderwerp 2");
  EXPECT_EQ(row.priority, 1);
  EXPECT_EQ(row.sensitivity, 2);
  EXPECT_STREQ(row.expiryDate, "31-12-95 23:59");
  EXPECT_STREQ(row.defDeliveryDate, "");
  EXPECT_EQ(row.notify, 3);
  EXPECT_EQ(row.reply, 4);
  EXPECT_EQ(row.eit, 5);
  EXPECT_STREQ(row.fwdFatherListId, "F2");
  EXPECT_EQ(row.msgSize, 4098);
  EXPECT_EQ(row.bodyPartQtty, 2);
  EXPECT_EQ(row.bodyPartTypes[0], 2);
  EXPECT_EQ(row.bodyPartTypes[1], 2);
  EXPECT_EQ(row.bodyPartTypes[7], 0);
  EXPECT_EQ(row.notifyType, 6);
  EXPECT_STREQ(row.remoteDeliveryTime, "");
  EXPECT_EQ(row.reasonCode, 7);
  EXPECT_EQ(row.diagnostic, 8);

  // More summaries than the page holds: only the page is filled.
  std::memset(&page[5], 0xEE, sizeof page[5]);
  EXPECT_EQ(API_listMbxInNext(handle_, "overfull", "", 5, page), 5);
  EXPECT_STREQ(page[4].listId, "LID4");
  EXPECT_TRUE(all_bytes(&page[5], 1, 0xEE));

  std::memset(page, 0x44, sizeof page);
  EXPECT_EQ(API_listMbxInNext(handle_, "none", "", 6, page), 0);
  EXPECT_TRUE(all_bytes(page, 6, 0));
  EXPECT_EQ(API_listMbxInNext(handle_, "x", "", 0, page), 0);

  EXPECT_EQ(API_listMbxInNext(handle_, "fail", "", 6, page), -1);
  EXPECT_EQ(API_verdictValue(), 3);
  EXPECT_EQ(API_listMbxInNext(handle_, "missing", "", 6, page), -1);
  EXPECT_STREQ(page[0].listId, "LID0");

  ASSERT_EQ(API_listMbxInNext(handle_, "wide", "", 6, page), 1);
  EXPECT_STREQ(page[0].subject, "");
  EXPECT_EQ(std::string(page[0].ipMsgId), std::string(14, 'i'));
}

// What the service holds was written by other parties: control characters in its texts reach
// the engine's records as blanks, so that they can split no line the engine writes.
TEST_F(FakeClientTest, ControlCharactersOfTheServiceBecomeBlanks) {
  MessageSummary page[4];
  ASSERT_EQ(API_listMbxInNext(handle_, "control", "", 4, page), 1);
  EXPECT_STREQ(page[0].subject, "hello 0000000003");
  EXPECT_STREQ(page[0].ipMsgId, "MAL LORY");
  EXPECT_STREQ(page[0].surName, " Jansen");

  auto msg = std::make_unique<MessageIn>();
  ASSERT_EQ(API_getMsg(handle_, "msg-control-texts", msg.get(), ""), 0) << debug_text();
  EXPECT_STREQ(msg->u.message.subject, "hello 0000000003  |end");
  EXPECT_STREQ(msg->ipMsgId, "MALLORY 1");
  EXPECT_STREQ(msg->u.message.originator.u.form11.surName, "Mal lory");
  EXPECT_STREQ(msg->u.message.originator.u.form11.givenName, "M ");
  EXPECT_STREQ(msg->u.message.originator.freeFormName, "M  Mal lory");
}

TEST_F(FakeClientTest, DeletePasswordAndAlias) {
  EXPECT_EQ(API_delMsg(handle_, "LID7"), 0);
  EXPECT_EQ(API_delMsg(handle_, "gone"), -1);
  EXPECT_EQ(API_verdictValue(), 5);
  EXPECT_EQ(API_changeNetworkPwd(handle_, "n\xE9uw"), 0);
  EXPECT_EQ(API_changeNetworkPwd(handle_, ""), -1);
  EXPECT_EQ(API_verdictValue(), 12);
  EXPECT_EQ(client_calls(), "delete LID7\ndelete gone\npassword n\xE9uw\npassword \n");

  ORName name;
  short status = 0;
  ASSERT_EQ(API_aliasToOrname(handle_, "KNOWN", &status, &name), 0);
  EXPECT_EQ(status, 3);
  EXPECT_EQ(name.type, ORNAME_FORM11);
  EXPECT_STREQ(name.freeFormName, "P\xE9tra Pietersen");
  EXPECT_STREQ(name.u.form11.givenName, "P\xE9tra");
  EXPECT_STREQ(name.u.form11.orgUnitA, "Inkoop");
  EXPECT_STREQ(name.u.form11.orgUnitB, "");

  std::memset(&name, 0x66, sizeof name);
  ASSERT_EQ(API_aliasToOrname(handle_, "UNKNOWN", &status, &name), 0);
  EXPECT_EQ(status, 1);
  EXPECT_TRUE(all_bytes(&name, 1, 0));

  EXPECT_EQ(API_aliasToOrname(handle_, "LIST", &status, &name), -1);
  EXPECT_EQ(status, 1);
  EXPECT_TRUE(all_bytes(&name, 1, 0));
  EXPECT_EQ(client_log(), "JNI_ORNameToStruct: orname type not form11, type [6]");

  EXPECT_EQ(API_aliasToOrname(handle_, "FAIL", &status, &name), -1);
  EXPECT_EQ(API_verdictValue(), 6);
  EXPECT_EQ(debug_text(), "");
  EXPECT_EQ(API_aliasToOrname(handle_, "OTHER", &status, &name), -1);
  EXPECT_EQ(debug_lines(), std::vector<std::string>{
                               "JNI_API_aliasToOrname: o_client.API_aliasToOrname(o_alias, "
                               "o_holder): caught java.lang.IllegalArgumentException: alias OTHER"});
}

TEST_F(FakeClientTest, HelpersThroughTheMachine) {
  JNIEnv* env = jni_env();
  ASSERT_NE(env, nullptr);
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  LocalRef<jstring> text(new_latin1_string(env, all.c_str()));
  ASSERT_TRUE(text);
  EXPECT_EQ(env->GetStringLength(text.get()), 255);
  EXPECT_EQ(latin1_text(env, text.get()), all);

  JNI_logMessage("to the client: %s %d", "\xE9", 5);
  EXPECT_EQ(client_log(), "to the client: \xE9 5");

  EXPECT_EQ(JNI_findClass("nl/kovendi/Missing"), nullptr);
  EXPECT_EQ(JNI_newObject("nl/kovendi/objects/BodyPart", "(I)V", 3), nullptr);
  std::int16_t cell = 9;
  LocalRef<jobject> part(JNI_newObject("nl/kovendi/objects/BodyPart", "()V"));
  ASSERT_TRUE(part);
  EXPECT_EQ(JNI_getShortProperty(nullptr, part.get(), "nothing", &cell), -1);
  EXPECT_EQ(cell, 9);
  EXPECT_EQ(JNI_setShortProperty(nullptr, part.get(), "type", 2), 0);
  EXPECT_EQ(JNI_getShortProperty(nullptr, part.get(), "type", &cell), 0);
  EXPECT_EQ(cell, 2);
  EXPECT_EQ(debug_lines(), (std::vector<std::string>{
                               "JNI_findClass: nl/kovendi/Missing: caught "
                               "java.lang.NoClassDefFoundError: nl/kovendi/Missing",
                               "JNI_getMethodID: <init>: caught java.lang.NoSuchMethodError: "
                               "Lnl/kovendi/objects/BodyPart;.<init>(I)V",
                               "JNI_getMethodID: getNothing: caught "
                               "java.lang.NoSuchMethodError: getNothing",
                           }));
}

// Last test of the program: the machine stops and cannot start again in this process.
TEST_F(FakeClientTest, ZzCloseStopsTheMachineForGood) {
  EXPECT_EQ(API_close(handle_), 0);
  EXPECT_EQ(debug_text(), "");
  EXPECT_TRUE(jvm_stopped());
  EXPECT_EQ(jni_env(), nullptr);
  // The client's close ran before the machine went.
  EXPECT_TRUE(std::ifstream(program_dir() + "/client-closed.txt").good());

  EXPECT_EQ(API_verdictValue(), -1);
  OpenSession open = open_record();
  SessionInfo info;
  ApiId handle = nullptr;
  EXPECT_EQ(API_open(&open, &info, &handle), -1);
  ORName name;
  EXPECT_EQ(API_initOrname(&name), 0);
  EXPECT_EQ(debug_lines(), (std::vector<std::string>{
                               "JNI_API_verdictValue: no JVM",
                               "StartJVM: JVM was stopped, it cannot be started again in this "
                               "process",
                               "API_open: unable to start JVM",
                           }));
  handle_ = nullptr;
}

}  // namespace
