// Marshalling of the session operations: open, close, verdict, delete, password change and alias
// resolution.
#include <algorithm>
#include <cstring>

#include "client/common/home.h"
#include "client/common/journal.h"
#include "client/common/status_callbacks.h"
#include "client/common/version.h"
#include "client/msgapi/client_call.h"
#include "client/msgapi/java_object.h"
#include "client/msgapi/jvm_host.h"
#include "client/msgapi/marshal.h"
#include "client/msgapi/orname_conversion.h"

namespace kv::msgapi {

namespace {

constexpr const char* kClientVersion = kProductName;
constexpr int kStatusLineItem = 1003;

int g_dialog_handle = 0;

// The escape check of the open record, offered to the client as its native checkEscape() so
// that it can end a long wait when the user presses Escape.
CheckEscapeFn g_check_escape = nullptr;

// Waiting window messages are dispatched first: the Escape key and the signals reach the escape
// flag only through them, and the client may be waiting for a long time.
jint JNICALL native_check_escape(JNIEnv*, jclass) {
  if (kv::status_callbacks().pump_messages != nullptr) kv::status_callbacks().pump_messages();
  return g_check_escape != nullptr ? g_check_escape() : 1;
}

void offer_escape_check(CheckEscapeFn check_escape) {
  g_check_escape = check_escape;
  JNINativeMethod method{const_cast<char*>("checkEscape"), const_cast<char*>("()I"),
                         reinterpret_cast<void*>(&native_check_escape)};
  jni_env()->RegisterNatives(client_class(), &method, 1);
  JNI_checkException("JNI_API_open: o_client.checkEscape registration");
}

int set_open_properties(const JavaObject& target, const OpenSession& open) {
  const bool journal_on = kv::journal_settings().enabled;
  if (target.set_string("server", field_text(open.server)) != 0) return -1;
  if (target.set_string("user", field_text(open.user)) != 0) return -1;
  if (target.set_string("password", field_text(open.password)) != 0) return -1;
  if (target.set_int("portNb", open.portNb) != 0) return -1;
  if (target.set_string("workingDir", kv::engine_home().dir()) != 0) return -1;
  if (target.set_string("homeDir", program_directory()) != 0) return -1;
  if (target.set_int("logging", journal_on ? 1 : 0) != 0) return -1;
  if (target.set_int("dialogHandle", g_dialog_handle) != 0) return -1;
  if (target.set_int("dialogItemId", kStatusLineItem) != 0) return -1;
  if (target.set_string("version", kClientVersion) != 0) return -1;
  // Set only when the user file gives them, so that a client library without them still serves
  // every other connection.
  const std::string tls = field_text(open.tlsMode);
  if (!tls.empty() && target.set_string("tls", tls) != 0) return -1;
  const std::string root = field_text(open.rootCertificate);
  if (!root.empty() && target.set_string("rootCertificate", root) != 0) return -1;
  return 0;
}

void copy_session_info(const JavaObject& source, SessionInfo* info) {
  source.get_string("uaName", info->uaName);
  source.get_long("uaId", &info->uaId);
  source.get_short("sessionId", &info->sessionId);
  source.get_string("defaultFFName", info->defaultFFName);
  source.get_short("mbxMaxMsgQtty", &info->mbxMaxMsgQtty);
  source.get_short("mbxInMsgQtty", &info->mbxInMsgQtty);
  source.get_short("mbxInLostMsgQtty", &info->mbxInLostMsgQtty);
  source.get_short("mbxInNewMsgQtty", &info->mbxInNewMsgQtty);
  source.get_short("mbxOutMsgQtty", &info->mbxOutMsgQtty);
}

// One string argument, 0 or -1.
short call_with_text(const char* no_jvm_text, const char* string_label, const char* call_label,
                     const char* method, const char* text) {
  if (!client_running(no_jvm_text)) return -1;
  LocalRef<jstring> argument = java_string(string_label, text);
  if (!argument) return -1;
  short result = call_client(call_label, method, "(Ljava/lang/String;)S", argument.get());
  return result == -1 ? -1 : 0;
}

}  // namespace

int dialog_handle() { return g_dialog_handle; }

short JNI_API_open(OpenSession* open, SessionInfo* info) {
  std::memset(info, 0, sizeof(SessionInfo));
  if (!client_running("JNI_API_open: no JVM")) return -1;
  if (open->type != CONNECTION_TCPIP) {
    JNI_logMessage("JNI_API_open: requested connection type not tcp/ip, type [%d]", open->type);
    return -1;
  }
  LocalRef<jobject> open_object = new_objects_instance("OpenSession");
  LocalRef<jobject> info_object = new_objects_instance("SessionInfo");
  if (!open_object || !info_object) return -1;
  if (set_open_properties(JavaObject(open_object.get()), *open) != 0) return -1;
  offer_escape_check(open->checkEscape);
  const std::string signature =
      "(" + objects_signature("OpenSession") + objects_signature("SessionInfo") + ")S";
  short result = call_client("JNI_API_open: o_client.API_open(o_openSession, o_sessionInfo)",
                             "API_open", signature.c_str(), open_object.get(), info_object.get());
  if (result == -1) return -1;
  copy_session_info(JavaObject(info_object.get()), info);
  return 0;
}

short JNI_API_close() {
  if (!client_running("JNI_API_close: no JVM")) return -1;
  short result = call_client("JNI_API_close: o_client.API_close()", "API_close", "()S");
  return result == -1 ? -1 : 0;
}

short JNI_API_verdictValue() {
  if (!client_running("JNI_API_verdictValue: no JVM")) return -1;
  return call_client("JNI_API_verdictValue: o_client.API_verdictValue()", "API_verdictValue",
                     "()S");
}

short JNI_API_verdictText(char* text, short size) {
  text[0] = '\0';
  // Quietly nothing without a machine: the caller explains a failure that has its own record.
  if (jni_env() == nullptr || client_object() == nullptr) return -1;
  LocalRef<jobject> value = call_object_method(
      client_object(), "JNI_API_verdictText: o_client.API_verdictText()", "API_verdictText",
      "()Ljava/lang/String;");
  if (!value) return -1;
  std::string reason = latin1_text(jni_env(), static_cast<jstring>(value.get()));
  std::size_t n = std::min(reason.size(), static_cast<std::size_t>(size - 1));
  reason.copy(text, n);
  text[n] = '\0';
  return 0;
}

short JNI_API_delMsg(const char* list_id) {
  return call_with_text("JNI_API_delMsg: no JVM", "JNI_API_delMsg: newStringUTF",
                        "JNI_API_delMsg: o_client.API_delMsg(o_listId)", "API_delMsg", list_id);
}

short JNI_API_changeNetworkPwd(const char* new_password) {
  return call_with_text("JNI_API_changeNetworkPwd: no JVM", "JNI_API_changeNetworkPwd: newStringUTF",
                        "JNI_API_changeNetworkPwd: o_client.API_changeNetworkPwd(o_psw)",
                        "API_changeNetworkPwd", new_password);
}

short JNI_API_acceptedSince(const char* ip_msg_id, long long since_seconds) {
  if (!client_running("JNI_API_acceptedSince: no JVM")) return -1;
  LocalRef<jstring> id = java_string("JNI_API_acceptedSince: newStringUTF", ip_msg_id);
  if (!id) return -1;
  return call_client("JNI_API_acceptedSince: o_client.API_acceptedSince(o_msgId, since)",
                     "API_acceptedSince", "(Ljava/lang/String;J)S", id.get(),
                     static_cast<jlong>(since_seconds));
}

short JNI_API_aliasToOrname(const char* alias, short* status, ORName* orname) {
  *status = 1;
  std::memset(orname, 0, sizeof(ORName));
  if (!client_running("JNI_API_aliasToOrname: no JVM")) return -1;
  LocalRef<jstring> alias_text = java_string("JNI_API_aliasToOrname: newStringUTF", alias);
  if (!alias_text) return -1;
  LocalRef<jobject> holder = new_objects_instance("ORNameHolder");
  if (!holder) return -1;
  const std::string signature = "(Ljava/lang/String;" + objects_signature("ORNameHolder") + ")S";
  short result =
      call_client("JNI_API_aliasToOrname: o_client.API_aliasToOrname(o_alias, o_holder)",
                  "API_aliasToOrname", signature.c_str(), alias_text.get(), holder.get());
  if (result == -1) return -1;
  jobject name = nullptr;
  if (JNI_getObjectProperty(nullptr, holder.get(), "ORName", objects_signature("ORName").c_str(),
                            &name) != 0)
    return -1;
  LocalRef<jobject> resolved(name);
  if (!resolved) return 0;
  if (JNI_ORNameToStruct(resolved.get(), orname) != 0) {
    std::memset(orname, 0, sizeof(ORName));
    return -1;
  }
  *status = 3;
  return 0;
}

}  // namespace kv::msgapi

namespace kv {

void api_set_dialog_handle(int handle) { msgapi::g_dialog_handle = handle; }

}  // namespace kv
