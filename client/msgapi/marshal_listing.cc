// Marshalling of the mailbox listing: one page of MessageSummary rows, never more rows than the
// caller's page holds.
#include <cstdio>
#include <cstring>

#include "client/msgapi/client_call.h"
#include "client/msgapi/java_object.h"
#include "client/msgapi/marshal.h"

namespace kv::msgapi {

namespace {

void read_summary_texts(const JavaObject& source, MessageSummary* row) {
  source.get_string("listId", row->listId);
  source.get_string("ipMsgId", row->ipMsgId);
  source.get_string("mbxEntryTime", row->mbxEntryTime);
  source.get_string("applicationInfo", row->applicationInfo);
  source.get_string("surName", row->surName);
  source.get_string("givenName", row->givenName);
  source.get_string("freeFormName", row->freeFormName);
  source.get_string("inReplyTo", row->inReplyTo);
  source.get_string("subject", row->subject);
  source.get_string("expiryDate", row->expiryDate);
  source.get_string("defDeliveryDate", row->defDeliveryDate);
  source.get_string("fwdFatherListId", row->fwdFatherListId);
  source.get_string("remoteDeliveryTime", row->remoteDeliveryTime);
}

void read_summary_numbers(const JavaObject& source, MessageSummary* row) {
  source.get_short("accessStatus", &row->accessStatus);
  source.get_short("archiveStatus", &row->archiveStatus);
  source.get_short("msgType", &row->msgType);
  source.get_short("priority", &row->priority);
  source.get_short("sensitivity", &row->sensitivity);
  source.get_short("notify", &row->notify);
  source.get_short("reply", &row->reply);
  source.get_short("eit", &row->eit);
  source.get_short("bodyPartQtty", &row->bodyPartQtty);
  source.get_short("notifyType", &row->notifyType);
  source.get_short("reasonCode", &row->reasonCode);
  source.get_short("diagnostic", &row->diagnostic);
  source.get_long("msgSize", &row->msgSize);
}

void read_body_part_types(const JavaObject& source, MessageSummary* row) {
  for (int k = 0; k < API_SUMMARY_BODYPART_TYPES; ++k) {
    char label[80];
    std::snprintf(label, sizeof label, "JNI_API_listMbxInNext: o_msgSummary.getBodyPartType(%d)", k);
    call_short_method(source.get(), &row->bodyPartTypes[k], label, "getBodyPartType", "(I)S",
                      static_cast<jint>(k));
  }
}

}  // namespace

short JNI_API_listMbxInNext(const char* filter, const char* previous_list_id, short page_length,
                            MessageSummary* page) {
  if (page_length > 0) std::memset(page, 0, sizeof(MessageSummary) * page_length);
  if (!client_running("JNI_API_listMbxInNext: no JVM")) return -1;
  LocalRef<jstring> filter_text = java_string("JNI_API_listMbxInNext: newStringUTF", filter);
  if (!filter_text) return -1;
  LocalRef<jstring> previous_text =
      java_string("JNI_API_listMbxInNext: newStringUTF", previous_list_id);
  if (!previous_text) return -1;
  LocalRef<jobject> list_object(JNI_newObject(objects_class("MessageSummaryList").c_str(), "(I)V",
                                              static_cast<jint>(page_length)));
  if (!list_object) return -1;
  const std::string signature =
      "(Ljava/lang/String;Ljava/lang/String;" + objects_signature("MessageSummaryList") + ")S";
  short count = call_client(
      "JNI_API_listMbxInNext: o_client.API_listMbxInNext(o_filter, o_previousListId, "
      "o_msgSummaryList)",
      "API_listMbxInNext", signature.c_str(), filter_text.get(), previous_text.get(),
      list_object.get());
  if (count < 0) return -1;
  if (count > page_length) count = page_length;
  JavaObject list(list_object.get());
  for (int i = 0; i < count; ++i) {
    LocalRef<jobject> summary_object = list.get_object("MessageSummary", i, "MessageSummary");
    if (!summary_object) return -1;
    JavaObject summary(summary_object.get());
    read_summary_texts(summary, &page[i]);
    read_summary_numbers(summary, &page[i]);
    read_body_part_types(summary, &page[i]);
  }
  return count;
}

}  // namespace kv::msgapi
