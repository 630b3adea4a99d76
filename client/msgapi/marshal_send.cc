// Marshalling of the submission: the MessageOut record becomes a MessageOut object with its
// recipient and body-part lists.
#include "client/msgapi/client_call.h"
#include "client/msgapi/java_object.h"
#include "client/msgapi/marshal.h"
#include "client/msgapi/orname_conversion.h"

namespace kv::msgapi {

namespace {

int add_recipient(jobject list, const Recipient& entry) {
  LocalRef<jobject> name = JNI_ORNameToObject(entry.orName);
  if (!name) return -1;
  LocalRef<jobject> created = new_objects_instance("Recipient");
  JavaObject recipient(created.get());
  if (!recipient) return -1;
  if (recipient.set_short("type", entry.type) != 0) return -1;
  const std::string set_signature = "(" + objects_signature("ORName") + ")V";
  if (call_void_method(created.get(), "JNI_API_sendMsg: recipient.setORName(o_orname)",
                       "setORName", set_signature.c_str(), name.get()) != 0)
    return -1;
  const std::string add_signature = "(" + objects_signature("Recipient") + ")V";
  return call_void_method(list, "JNI_API_sendMsg: o_recipientList.add(o_recipient)",
                          "addRecipient", add_signature.c_str(), created.get());
}

int add_body_part(jobject list, const BodyPart& entry) {
  if (entry.type != BODYPART_FILE) {
    JNI_logMessage("JNI_API_sendMsg: unsupported bodypart type [%d]", entry.type);
    return -1;
  }
  LocalRef<jobject> created = new_objects_instance("BodyPart");
  JavaObject part(created.get());
  if (!part) return -1;
  if (part.set_short("type", entry.type) != 0) return -1;
  if (part.set_string("fileName", field_text(entry.fileName)) != 0) return -1;
  if (part.set_string("listId", field_text(entry.listId)) != 0) return -1;
  const std::string add_signature = "(" + objects_signature("BodyPart") + ")V";
  return call_void_method(list, "JNI_API_sendMsg: o_bodyPartList.add(o_bodyPart)", "addBodyPart",
                          add_signature.c_str(), created.get());
}

int set_message_properties(const JavaObject& target, const MessageOut& msg) {
  if (target.set_string("freeFormName", field_text(msg.freeFormName)) != 0) return -1;
  if (target.set_string("ipMsgId", field_text(msg.ipMsgId)) != 0) return -1;
  if (target.set_string("inReplyTo", field_text(msg.inReplyTo)) != 0) return -1;
  if (target.set_string("subject", field_text(msg.subject)) != 0) return -1;
  if (target.set_string("expireDate", field_text(msg.expireDate)) != 0) return -1;
  if (target.set_string("defDeliveryDate", field_text(msg.defDeliveryDate)) != 0) return -1;
  if (target.set_short("priority", msg.priority) != 0) return -1;
  if (target.set_short("sensitivity", msg.sensitivity) != 0) return -1;
  if (target.set_short("notifReq", msg.notifReq) != 0) return -1;
  if (target.set_short("reportReq", msg.reportReq) != 0) return -1;
  return target.set_short("replyReq", msg.replyReq);
}

// A count that a record holds must lie within its capacity; a message is never sent with part of
// its recipients or files.
bool count_fits(const char* what, int count, int capacity) {
  if (count >= 0 && count <= capacity) return true;
  JNI_logMessage("JNI_API_sendMsg: %s count [%d] outside 0..%d", what, count, capacity);
  return false;
}

}  // namespace

short JNI_API_sendMsg(const MessageOut* msg) {
  if (!client_running("JNI_API_sendMsg: no JVM")) return -1;
  if (!count_fits("recipient", msg->recipientQtty, API_MAX_RECIPIENTS)) return -1;
  if (!count_fits("bodypart", msg->bodyPartQtty, API_MAX_BODYPARTS)) return -1;
  LocalRef<jobject> created = new_objects_instance("MessageOut");
  JavaObject message(created.get());
  if (!message) return -1;
  LocalRef<jobject> recipients = message.get_object("recipientList", "RecipientList");
  LocalRef<jobject> body_parts = message.get_object("bodyPartList", "BodyPartList");
  if (!recipients || !body_parts) return -1;
  for (int i = 0; i < msg->recipientQtty; ++i)
    if (add_recipient(recipients.get(), msg->recipients[i]) != 0) return -1;
  for (int j = 0; j < msg->bodyPartQtty; ++j)
    if (add_body_part(body_parts.get(), msg->bodyParts[j]) != 0) return -1;
  if (set_message_properties(message, *msg) != 0) return -1;
  const std::string signature = "(" + objects_signature("MessageOut") + ")S";
  return call_client("JNI_API_sendMsg: o_client.API_sendMsg(o_msgOut)", "API_sendMsg",
                     signature.c_str(), created.get());
}

}  // namespace kv::msgapi
