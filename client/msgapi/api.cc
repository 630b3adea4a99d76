// The API_ facade: argument checks with their debug.log lines, the virtual machine's start at the
// open and its stop at the close, and the two operations answered without the client.
#include "client/msgapi/api.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "client/common/journal.h"
#include "client/msgapi/debug_texts.h"
#include "client/msgapi/jvm_host.h"
#include "client/msgapi/jni_helpers.h"
#include "client/msgapi/marshal.h"

namespace {

namespace debug_text = kv::msgapi::debug_text;

// The object whose address API_open hands out as the session handle.
char session_marker;

// A pointer argument that an operation needs, and the debug.log text for its absence.
struct Required {
  const void* argument;
  const char* missing_text;
};

// Whether every required argument was passed; the first one missing is named in debug.log.
bool all_given(std::initializer_list<Required> required) {
  for (const Required& r : required) {
    if (r.argument == nullptr) {
      kv::debug_log("%s", r.missing_text);
      return false;
    }
  }
  return true;
}

// Low 32 bits of the handle, as the close line shows it.
unsigned handle_value(ApiId api_id) {
  return static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(api_id));
}

}  // namespace

extern "C" {

short API_open(OpenSession* openSessionPT, SessionInfo* sessionInfoPt, ApiId* apiId) {
  if (!all_given({{openSessionPT, debug_text::kOpenSessionPTNull},
                  {sessionInfoPt, debug_text::kSessionInfoPtNull},
                  {apiId, debug_text::kOpenApiIdNull}}))
    return -1;
  std::memset(sessionInfoPt, 0, sizeof(SessionInfo));
  if (kv::msgapi::StartJVM() != 0) {
    kv::debug_log(debug_text::kOpenNoJvm);
    return -1;
  }
  short result = kv::msgapi::JNI_API_open(openSessionPT, sessionInfoPt);
  if (result == -1) return -1;
  *apiId = &session_marker;
  return 0;
}

short API_close(ApiId apiId) {
  if (!all_given({{apiId, debug_text::kCloseApiIdNull}})) return -1;
  kv::msgapi::JNI_logMessage("API_close(apiId=[0x%08X]): ...", handle_value(apiId));
  short result = kv::msgapi::JNI_API_close();
  kv::msgapi::StopJVM();
  return result;
}

short API_initOrname(ORName* ornamePt) {
  if (!all_given({{ornamePt, debug_text::kInitOrnameOrnamePtNull}})) return -1;
  std::memset(ornamePt, 0, sizeof(ORName));
  return 0;
}

short API_aliasToOrname(ApiId apiId, const char* alias, short* status, ORName* ornamePt) {
  if (!all_given({{apiId, debug_text::kAliasToOrnameApiIdNull},
                  {ornamePt, debug_text::kAliasToOrnameOrnamePtNull},
                  {alias, debug_text::kAliasToOrnameAliasNull},
                  {status, debug_text::kAliasToOrnameStatusNull}}))
    return -1;
  return kv::msgapi::JNI_API_aliasToOrname(alias, status, ornamePt);
}

short API_sendMsg(ApiId apiId, MessageOut* sendMsgStructPt) {
  if (!all_given({{apiId, debug_text::kSendMsgApiIdNull},
                  {sendMsgStructPt, debug_text::kSendMsgSendMsgStructPtNull}}))
    return -1;
  return kv::msgapi::JNI_API_sendMsg(sendMsgStructPt);
}

short API_getMsg(ApiId apiId, const char* listId, MessageIn* getMsgStructPt, const char* receiveDir) {
  if (!all_given({{apiId, debug_text::kGetMsgApiIdNull},
                  {getMsgStructPt, debug_text::kGetMsgGetMsgStructPtNull},
                  {listId, debug_text::kGetMsgListIdNull},
                  {receiveDir, debug_text::kGetMsgReceiveDirNull}}))
    return -1;
  return kv::msgapi::JNI_API_getMsg(listId, getMsgStructPt, receiveDir);
}

short API_getAnnouncement(ApiId apiId, short* /*output*/, const char* /*listId*/,
                          MessageIn* getMsgStructPt) {
  if (!all_given({{apiId, debug_text::kGetAnnouncementApiIdNull},
                  {getMsgStructPt, debug_text::kGetAnnouncementGetMsgStructPtNull}}))
    return -1;
  return 0;
}

short API_delMsg(ApiId apiId, const char* listId) {
  if (!all_given({{apiId, debug_text::kDelMsgApiIdNull}, {listId, debug_text::kDelMsgListIdNull}}))
    return -1;
  return kv::msgapi::JNI_API_delMsg(listId);
}

short API_listMbxInNext(ApiId apiId, const char* filterString, const char* previousListId,
                        short pageLength, MessageSummary* pageMsgTab) {
  if (!all_given({{apiId, debug_text::kListMbxInNextApiIdNull},
                  {filterString, debug_text::kListMbxInNextFilterStringNull},
                  {pageMsgTab, debug_text::kPageMsgTabNull},
                  {previousListId, debug_text::kListMbxInNextPreviousListIdNull}}))
    return -1;
  if (pageLength < 0) {
    kv::debug_log(debug_text::kListMbxInNextPageLengthNegative, pageLength);
    return -1;
  }
  return kv::msgapi::JNI_API_listMbxInNext(filterString, previousListId, pageLength, pageMsgTab);
}

short API_listAnnouncementNext(ApiId apiId, short* /*output*/, const char* filterString,
                               const char* /*previousListId*/, short /*pageLength*/,
                               MessageSummary* pageMsgTab) {
  if (!all_given({{apiId, debug_text::kListAnnouncementNextApiIdNull},
                  {filterString, debug_text::kListAnnouncementNextFilterStringNull},
                  {pageMsgTab, debug_text::kListAnnouncementNextPageMsgTabNull}}))
    return -1;
  return 0;
}

short API_changeNetworkPwd(ApiId apiId, const char* newPassword) {
  if (!all_given({{apiId, debug_text::kChangeNetworkPwdApiIdNull},
                  {newPassword, debug_text::kChangeNetworkPwdNewPasswordNull}}))
    return -1;
  return kv::msgapi::JNI_API_changeNetworkPwd(newPassword);
}

short API_acceptedSince(ApiId apiId, const char* ipMsgId, long long sinceSeconds,
                        short* accepted) {
  if (!all_given({{apiId, debug_text::kAcceptedSinceApiIdNull}})) return -1;
  if (ipMsgId == nullptr || accepted == nullptr) {
    kv::debug_log(debug_text::kAcceptedSinceArgumentsNull);
    return -1;
  }
  const short answer = kv::msgapi::JNI_API_acceptedSince(ipMsgId, sinceSeconds);
  if (answer < 0) return -1;
  *accepted = answer;
  return 0;
}

short API_verdictValue(void) { return kv::msgapi::JNI_API_verdictValue(); }

short API_verdictText(char* text, short size) {
  if (text == nullptr || size <= 0) return -1;
  return kv::msgapi::JNI_API_verdictText(text, size);
}

short API_version(void) { return API_INTERFACE_VERSION; }

}  // extern "C"
