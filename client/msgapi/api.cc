// The API_ facade: argument checks with their debug.log lines, the virtual machine's start at the
// open and its stop at the close, and the two operations answered without the client.
#include "client/msgapi/api.h"

#include <cstdint>
#include <cstring>

#include "client/common/journal.h"
#include "client/msgapi/debug_texts.h"
#include "client/msgapi/jvm_host.h"
#include "client/msgapi/jni_helpers.h"
#include "client/msgapi/marshal.h"

namespace {

namespace debug_text = kv::msgapi::debug_text;

// The object whose address API_open hands out as the session handle.
char session_marker;

// Low 32 bits of the handle, as the close line shows it.
unsigned handle_value(ApiId api_id) {
  return static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(api_id));
}

}  // namespace

extern "C" {

short API_open(OpenSession* openSessionPT, SessionInfo* sessionInfoPt, ApiId* apiId) {
  if (openSessionPT == nullptr) {
    kv::debug_log(debug_text::kOpenSessionPTNull);
    return -1;
  }
  if (sessionInfoPt == nullptr) {
    kv::debug_log(debug_text::kSessionInfoPtNull);
    return -1;
  }
  if (apiId == nullptr) {
    kv::debug_log(debug_text::kOpenApiIdNull);
    return -1;
  }
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
  if (apiId == nullptr) {
    kv::debug_log(debug_text::kCloseApiIdNull);
    return -1;
  }
  kv::msgapi::JNI_logMessage("API_close(apiId=[0x%08X]): ...", handle_value(apiId));
  short result = kv::msgapi::JNI_API_close();
  kv::msgapi::StopJVM();
  return result;
}

short API_initOrname(ORName* ornamePt) {
  if (ornamePt == nullptr) {
    kv::debug_log(debug_text::kInitOrnameOrnamePtNull);
    return -1;
  }
  std::memset(ornamePt, 0, sizeof(ORName));
  return 0;
}

short API_aliasToOrname(ApiId apiId, const char* alias, short* status, ORName* ornamePt) {
  if (apiId == nullptr) {
    kv::debug_log(debug_text::kAliasToOrnameApiIdNull);
    return -1;
  }
  if (ornamePt == nullptr) {
    kv::debug_log(debug_text::kAliasToOrnameOrnamePtNull);
    return -1;
  }
  if (alias == nullptr) {
    kv::debug_log(debug_text::kAliasToOrnameAliasNull);
    return -1;
  }
  if (status == nullptr) {
    kv::debug_log(debug_text::kAliasToOrnameStatusNull);
    return -1;
  }
  return kv::msgapi::JNI_API_aliasToOrname(alias, status, ornamePt);
}

short API_sendMsg(ApiId apiId, MessageOut* sendMsgStructPt) {
  if (apiId == nullptr) {
    kv::debug_log(debug_text::kSendMsgApiIdNull);
    return -1;
  }
  if (sendMsgStructPt == nullptr) {
    kv::debug_log(debug_text::kSendMsgSendMsgStructPtNull);
    return -1;
  }
  return kv::msgapi::JNI_API_sendMsg(sendMsgStructPt);
}

short API_getMsg(ApiId apiId, const char* listId, MessageIn* getMsgStructPt, const char* receiveDir) {
  if (apiId == nullptr) {
    kv::debug_log(debug_text::kGetMsgApiIdNull);
    return -1;
  }
  if (getMsgStructPt == nullptr) {
    kv::debug_log(debug_text::kGetMsgGetMsgStructPtNull);
    return -1;
  }
  if (listId == nullptr) {
    kv::debug_log(debug_text::kGetMsgListIdNull);
    return -1;
  }
  if (receiveDir == nullptr) {
    kv::debug_log(debug_text::kGetMsgReceiveDirNull);
    return -1;
  }
  return kv::msgapi::JNI_API_getMsg(listId, getMsgStructPt, receiveDir);
}

short API_getAnnouncement(ApiId apiId, short* /*output*/, const char* /*listId*/,
                          MessageIn* getMsgStructPt) {
  if (apiId == nullptr) {
    kv::debug_log(debug_text::kGetAnnouncementApiIdNull);
    return -1;
  }
  if (getMsgStructPt == nullptr) {
    kv::debug_log(debug_text::kGetAnnouncementGetMsgStructPtNull);
    return -1;
  }
  return 0;
}

short API_delMsg(ApiId apiId, const char* listId) {
  if (apiId == nullptr) {
    kv::debug_log(debug_text::kDelMsgApiIdNull);
    return -1;
  }
  if (listId == nullptr) {
    kv::debug_log(debug_text::kDelMsgListIdNull);
    return -1;
  }
  return kv::msgapi::JNI_API_delMsg(listId);
}

short API_listMbxInNext(ApiId apiId, const char* filterString, const char* previousListId,
                        short pageLength, MessageSummary* pageMsgTab) {
  if (apiId == nullptr) {
    kv::debug_log(debug_text::kListMbxInNextApiIdNull);
    return -1;
  }
  if (filterString == nullptr) {
    kv::debug_log(debug_text::kListMbxInNextFilterStringNull);
    return -1;
  }
  if (pageMsgTab == nullptr) {
    kv::debug_log(debug_text::kPageMsgTabNull);
    return -1;
  }
  if (previousListId == nullptr) {
    kv::debug_log(debug_text::kListMbxInNextPreviousListIdNull);
    return -1;
  }
  if (pageLength < 0) {
    kv::debug_log(debug_text::kListMbxInNextPageLengthNegative, pageLength);
    return -1;
  }
  return kv::msgapi::JNI_API_listMbxInNext(filterString, previousListId, pageLength, pageMsgTab);
}

short API_listAnnouncementNext(ApiId apiId, short* /*output*/, const char* filterString,
                               const char* /*previousListId*/, short /*pageLength*/,
                               MessageSummary* pageMsgTab) {
  if (apiId == nullptr) {
    kv::debug_log(debug_text::kListAnnouncementNextApiIdNull);
    return -1;
  }
  if (filterString == nullptr) {
    kv::debug_log(debug_text::kListAnnouncementNextFilterStringNull);
    return -1;
  }
  if (pageMsgTab == nullptr) {
    kv::debug_log(debug_text::kListAnnouncementNextPageMsgTabNull);
    return -1;
  }
  return 0;
}

short API_changeNetworkPwd(ApiId apiId, const char* newPassword) {
  if (apiId == nullptr) {
    kv::debug_log(debug_text::kChangeNetworkPwdApiIdNull);
    return -1;
  }
  if (newPassword == nullptr) {
    kv::debug_log(debug_text::kChangeNetworkPwdNewPasswordNull);
    return -1;
  }
  return kv::msgapi::JNI_API_changeNetworkPwd(newPassword);
}

short API_acceptedSince(ApiId apiId, const char* ipMsgId, long long sinceSeconds,
                        short* accepted) {
  if (apiId == nullptr) {
    kv::debug_log(debug_text::kAcceptedSinceApiIdNull);
    return -1;
  }
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
