// The texts that the messaging layer writes to debug.log: the argument checks of the API_
// operations, the start and stop of the virtual machine, and what the bridge catches. Those
// with a conversion are printf formats for kv::debug_log.
#pragma once

namespace kv::msgapi::debug_text {

// Argument checks of the API_ operations.
inline constexpr char kOpenSessionPTNull[] = "openSessionPT == null";
inline constexpr char kSessionInfoPtNull[] = "sessionInfoPt == null";
inline constexpr char kOpenApiIdNull[] = "API_open: apiId == null";
inline constexpr char kOpenNoJvm[] = "API_open: unable to start JVM";
inline constexpr char kCloseApiIdNull[] = "API_close: apiId == null";
inline constexpr char kInitOrnameOrnamePtNull[] = "API_initOrname: ornamePt == null";
inline constexpr char kAliasToOrnameApiIdNull[] = "API_aliasToOrname: apiId == null";
inline constexpr char kAliasToOrnameOrnamePtNull[] = "API_aliasToOrname: ornamePt == null";
inline constexpr char kAliasToOrnameAliasNull[] = "API_aliasToOrname: alias == null";
inline constexpr char kAliasToOrnameStatusNull[] = "API_aliasToOrname: status == null";
inline constexpr char kSendMsgApiIdNull[] = "API_sendMsg: apiId == null";
inline constexpr char kSendMsgSendMsgStructPtNull[] = "API_sendMsg: sendMsgStructPt == null";
inline constexpr char kGetMsgApiIdNull[] = "API_getMsg: apiId == null";
inline constexpr char kGetMsgGetMsgStructPtNull[] = "API_getMsg: getMsgStructPt == null";
inline constexpr char kGetMsgListIdNull[] = "API_getMsg: listId == null";
inline constexpr char kGetMsgReceiveDirNull[] = "API_getMsg: receiveDir == null";
inline constexpr char kGetAnnouncementApiIdNull[] = "API_getAnnouncement: apiId == null";
inline constexpr char kGetAnnouncementGetMsgStructPtNull[] =
    "API_getAnnouncement: getMsgStructPt == null";
inline constexpr char kDelMsgApiIdNull[] = "API_delMsg: apiId == null";
inline constexpr char kDelMsgListIdNull[] = "API_delMsg: listId == null";
inline constexpr char kListMbxInNextApiIdNull[] = "API_listMbxInNext: apiId == null";
inline constexpr char kListMbxInNextFilterStringNull[] = "API_listMbxInNext: filterString == null";
inline constexpr char kPageMsgTabNull[] = "pageMsgTab == null";
inline constexpr char kListMbxInNextPreviousListIdNull[] =
    "API_listMbxInNext: previousListId == null";
inline constexpr char kListMbxInNextPageLengthNegative[] = "API_listMbxInNext: pageLength [%d] < 0";
inline constexpr char kListAnnouncementNextApiIdNull[] = "API_listAnnouncementNext: apiId == null";
inline constexpr char kListAnnouncementNextFilterStringNull[] =
    "API_listAnnouncementNext: filterString == null";
inline constexpr char kListAnnouncementNextPageMsgTabNull[] =
    "API_listAnnouncementNext: pageMsgTab == null";
inline constexpr char kChangeNetworkPwdApiIdNull[] = "API_changeNetworkPwd: apiId == null";
inline constexpr char kChangeNetworkPwdNewPasswordNull[] =
    "API_changeNetworkPwd: newPassword == null";
inline constexpr char kAcceptedSinceApiIdNull[] = "API_acceptedSince: apiId == null";
inline constexpr char kAcceptedSinceArgumentsNull[] =
    "API_acceptedSince: ipMsgId == null || accepted == null";

// The virtual machine.
inline constexpr char kStartJvmLibrary[] = "StartJVM: library %s";
inline constexpr char kStartJvmCannotLoad[] = "StartJVM: can't load %s";
inline constexpr char kStartJvmNoInitArgsProc[] =
    "StartJVM: no proc JNI_GetDefaultJavaVMInitArgs found";
inline constexpr char kStartJvmNoCreateProc[] = "StartJVM: no proc JNI_CreateJavaVM found";
inline constexpr char kStartJvmOption[] = "StartJVM: option %s";
inline constexpr char kStartJVMCannotFinalizeClientObject[] =
    "StartJVM: can't finalize client object";
inline constexpr char kStartJVMJVMAlreadyDefined[] = "StartJVM: JVM already defined";
inline constexpr char kStartJvmAfterStop[] =
    "StartJVM: JVM was stopped, it cannot be started again in this process";
inline constexpr char kStartJVMCannotCreateJVM[] = "StartJVM: can't create JVM";
inline constexpr char kStartJvmCreatedIn[] = "StartJVM: machine created in %u ms";
inline constexpr char kStartJVMCannotInitializeClient[] = "StartJVM: can't initialize client";
inline constexpr char kStopJvmNoVm[] = "StopJVM: unable to find vm by env, res=%d";

// The bridge between the two languages.
inline constexpr char kCaughtUnknownException[] = "%s: caught unknown exception";
inline constexpr char kCaughtException[] = "%s: caught %s";
inline constexpr char kLogMessageNoJvm[] = "JNI_logMessage: no JVM, msg [%s]";

}  // namespace kv::msgapi::debug_text
