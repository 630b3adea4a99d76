// Marshalling of the API_ operations into calls of the Java client object and back. Each function
// assumes its arguments have been checked by the API_ facade; each returns -1 on failure with the
// cause in debug.log or the client's log.
#pragma once

#include "client/msgapi/api.h"

namespace kv::msgapi {

short JNI_API_open(OpenSession* open, SessionInfo* info);
short JNI_API_close();
short JNI_API_sendMsg(const MessageOut* msg);
short JNI_API_getMsg(const char* list_id, MessageIn* msg, const char* receive_dir);
short JNI_API_delMsg(const char* list_id);
short JNI_API_listMbxInNext(const char* filter, const char* previous_list_id, short page_length,
                            MessageSummary* page);
short JNI_API_changeNetworkPwd(const char* new_password);
// 1 accepted, 0 not, -1 failure.
short JNI_API_acceptedSince(const char* ip_msg_id, long long since_seconds);
short JNI_API_aliasToOrname(const char* alias, short* status, ORName* orname);
short JNI_API_verdictValue();
short JNI_API_verdictText(char* text, short size);

// The status window handle passed on at the open.
int dialog_handle();

}  // namespace kv::msgapi
