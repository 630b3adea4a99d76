// Marshalling of the API_ operations (being filled in; every operation fails for now).
#include "client/msgapi/marshal.h"

namespace kv::msgapi {

namespace {
int g_dialog_handle = 0;
}

int dialog_handle() { return g_dialog_handle; }

short JNI_API_open(OpenSession*, SessionInfo*) { return -1; }
short JNI_API_close() { return -1; }
short JNI_API_sendMsg(const MessageOut*) { return -1; }
short JNI_API_getMsg(const char*, MessageIn*, const char*) { return -1; }
short JNI_API_delMsg(const char*) { return -1; }
short JNI_API_listMbxInNext(const char*, const char*, short, MessageSummary*) { return -1; }
short JNI_API_changeNetworkPwd(const char*) { return -1; }
short JNI_API_aliasToOrname(const char*, short*, ORName*) { return -1; }
short JNI_API_verdictValue() { return -1; }

}  // namespace kv::msgapi

namespace kv {
void api_set_dialog_handle(int) {}
}  // namespace kv
