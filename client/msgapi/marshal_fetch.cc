// Marshalling of the fetch: the MessageIn object that the client returns is copied into the
// record as a message (type 1), a single notification (type 2) or a report (type 3), never more
// entries than the record holds.
#include <algorithm>
#include <cstring>

#include "client/msgapi/client_call.h"
#include "client/msgapi/java_object.h"
#include "client/msgapi/marshal.h"
#include "client/msgapi/orname_conversion.h"

namespace kv::msgapi {

namespace {

std::int16_t bounded_count(std::int16_t count, int capacity) {
  return static_cast<std::int16_t>(std::clamp<int>(count, 0, capacity));
}

// The common header, read from the message itself (type 1) or its notification header.
void read_header(const JavaObject& source, MessageIn* msg) {
  source.get_string("ipMsgId", msg->ipMsgId);
  source.get_string("mbxEntryTime", msg->mbxEntryTime);
  source.get_string("applicationInfo", msg->applicationInfo);
  source.get_short("accessStatus", &msg->accessStatus);
  source.get_short("archiveStatus", &msg->archiveStatus);
}

int read_orname(const JavaObject& owner, ORName* record) {
  LocalRef<jobject> name = owner.get_object("ORName", "ORName");
  if (!name) return -1;
  return JNI_ORNameToStruct(name.get(), record);
}

int read_notify_entry(const JavaObject& info, NotifyEntry* entry) {
  if (read_orname(info, &entry->orName) != 0) return -1;
  info.get_short("notifyType", &entry->notifyType);
  info.get_string("remoteDeliveryTime", entry->remoteDeliveryTime);
  info.get_short("reasonCode", &entry->reasonCode);
  info.get_short("diagnostic", &entry->diagnostic);
  return 0;
}

void read_message_fields(const JavaObject& source, MessageInMessage* body) {
  source.get_string("inReplyTo", body->inReplyTo);
  source.get_string("subject", body->subject);
  source.get_short("priority", &body->priority);
  source.get_short("sensitivity", &body->sensitivity);
  source.get_string("expiryDate", body->expiryDate);
  source.get_short("notifyStatus", &body->notifyStatus);
  source.get_short("replyStatus", &body->replyStatus);
  source.get_short("eit", &body->eit);
  source.get_string("fwdFatherListId", body->fwdFatherListId);
  source.get_short("msgRecTotalQtty", &body->msgRecTotalQtty);
  source.get_long("msgSize", &body->msgSize);
  source.get_short("bodyPartQtty", &body->bodyPartQtty);
  source.get_short("recipientQtty", &body->recipientQtty);
}

// Reads the first `count` entries of a list object, the count first bounded to `capacity`; -1
// when the list or one of those entries is missing or unreadable.
template <typename ReadEntry>
int read_entries(jobject list_object, const char* entry_class, std::int16_t* count, int capacity,
                 ReadEntry read_entry) {
  if (list_object == nullptr) return -1;
  JavaObject list(list_object);
  *count = bounded_count(*count, capacity);
  for (int i = 0; i < *count; ++i) {
    LocalRef<jobject> entry = list.get_object(entry_class, i, entry_class);
    if (!entry) return -1;
    if (read_entry(JavaObject(entry.get()), i) != 0) return -1;
  }
  return 0;
}

int read_recipients(const JavaObject& source, MessageInMessage* body) {
  LocalRef<jobject> list_object = source.get_object("recipientList", "RecipientList");
  return read_entries(list_object.get(), "Recipient", &body->recipientQtty, API_MAX_RECIPIENTS,
                      [body](const JavaObject& entry, int i) {
                        entry.get_short("type", &body->recipients[i].type);
                        return read_orname(entry, &body->recipients[i].orName);
                      });
}

int read_body_parts(const JavaObject& source, MessageInMessage* body) {
  const std::string signature = "()" + objects_signature("BodyPartList");
  LocalRef<jobject> list_object = call_object_method(
      source.get(), "JNI_API_getMsg: o_msg.getBodyPartList()", "getBodyPartList",
      signature.c_str());
  return read_entries(list_object.get(), "BodyPart", &body->bodyPartQtty, API_MAX_BODYPARTS,
                      [body](const JavaObject& part, int j) {
                        part.get_short("type", &body->bodyParts[j].type);
                        part.get_string("fileName", body->bodyParts[j].fileName);
                        part.get_string("listId", body->bodyParts[j].listId);
                        return 0;
                      });
}

int read_message(const JavaObject& source, MessageIn* msg) {
  MessageInMessage* body = &msg->u.message;
  read_header(source, msg);
  read_message_fields(source, body);
  LocalRef<jobject> originator = source.get_object("originator", "ORName");
  if (!originator) return -1;
  if (JNI_ORNameToStruct(originator.get(), &body->originator) != 0) return -1;
  if (read_recipients(source, body) != 0) return -1;
  return read_body_parts(source, body);
}

int read_notification(const JavaObject& source, MessageIn* msg) {
  LocalRef<jobject> header = source.get_object("header", "NotifyHeader");
  LocalRef<jobject> info = source.get_object("info", "NotifyInfo");
  if (!header || !info) return -1;
  read_header(JavaObject(header.get()), msg);
  return read_notify_entry(JavaObject(info.get()), &msg->u.notification);
}

int read_report(const JavaObject& source, MessageIn* msg) {
  MessageInReport* report = &msg->u.report;
  LocalRef<jobject> header = source.get_object("header", "NotifyHeader");
  LocalRef<jobject> list_object = source.get_object("notifyList", "NotifyInfoList");
  if (!header || !list_object) return -1;
  source.get_short("msgNtfTotalQtty", &report->msgNtfTotalQtty);
  source.get_short("notifyQtty", &report->notifyQtty);
  read_header(JavaObject(header.get()), msg);
  return read_entries(list_object.get(), "NotifyInfo", &report->notifyQtty, API_MAX_REPORT_ENTRIES,
                      [report](const JavaObject& info, int k) {
                        return read_notify_entry(info, &report->entries[k]);
                      });
}

}  // namespace

short JNI_API_getMsg(const char* list_id, MessageIn* msg, const char* receive_dir) {
  std::memset(msg, 0, sizeof(MessageIn));
  if (!client_running("JNI_API_getMsg: no JVM")) return -1;
  LocalRef<jstring> list_id_text = java_string("JNI_API_getMsg: newStringUTF", list_id);
  if (!list_id_text) return -1;
  LocalRef<jstring> directory_text = java_string("JNI_API_getMsg: newStringUTF", receive_dir);
  if (!directory_text) return -1;
  LocalRef<jobject> holder = new_objects_instance("MessageInHolder");
  if (!holder) return -1;
  const std::string signature =
      "(Ljava/lang/String;" + objects_signature("MessageInHolder") + "Ljava/lang/String;)S";
  short result = call_client("JNI_API_getMsg: o_client.API_getMsg(o_listId, o_holder)",
                             "API_getMsg", signature.c_str(), list_id_text.get(), holder.get(),
                             directory_text.get());
  if (result == -1) return -1;
  LocalRef<jobject> message_object = JavaObject(holder.get()).get_object("messageIn", "MessageIn");
  if (!message_object) return -1;
  JavaObject message(message_object.get());
  if (message.get_short("msgType", &msg->msgType) != 0) return -1;
  switch (msg->msgType) {
    case MSGTYPE_MESSAGE: return read_message(message, msg) == 0 ? 0 : -1;
    case MSGTYPE_NOTIFICATION: return read_notification(message, msg) == 0 ? 0 : -1;
    case MSGTYPE_REPORT: return read_report(message, msg) == 0 ? 0 : -1;
    default:
      JNI_logMessage("JNI_API_getMsg: message has unsupported type [%d]", msg->msgType);
      return -1;
  }
}

}  // namespace kv::msgapi
