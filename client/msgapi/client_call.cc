// Calls of the client object's API_ methods.
#include "client/msgapi/client_call.h"

#include <cstdarg>

#include "client/common/journal.h"
#include "client/msgapi/jvm_host.h"

namespace kv::msgapi {

bool client_running(const char* no_jvm_text) {
  if (jni_env() != nullptr && client_object() != nullptr) return true;
  kv::debug_log("%s", no_jvm_text);
  return false;
}

LocalRef<jstring> java_string(const char* label, const char* text) {
  LocalRef<jstring> value(new_latin1_string(jni_env(), text));
  if (JNI_checkException("%s", label)) return LocalRef<jstring>();
  return value;
}

short call_client(const char* label, const char* method, const char* signature, ...) {
  JNIEnv* env = jni_env();
  jmethodID id = JNI_getMethodID(client_class(), method, signature);
  if (id == nullptr) return -1;
  va_list args;
  va_start(args, signature);
  jshort result = env->CallShortMethodV(client_object(), id, args);
  va_end(args);
  if (JNI_checkException("%s", label)) return -1;
  return result;
}

}  // namespace kv::msgapi

namespace kv::msgapi {

namespace {

jmethodID method_of(jobject object, const char* method, const char* signature) {
  if (jni_env() == nullptr || object == nullptr) return nullptr;
  LocalRef<jclass> cls(JNI_getObjectClass(object));
  if (!cls) return nullptr;
  return JNI_getMethodID(cls.get(), method, signature);
}

}  // namespace

int call_void_method(jobject object, const char* label, const char* method, const char* signature,
                     ...) {
  jmethodID id = method_of(object, method, signature);
  if (id == nullptr) return -1;
  va_list args;
  va_start(args, signature);
  jni_env()->CallVoidMethodV(object, id, args);
  va_end(args);
  return JNI_checkException("%s", label) ? -1 : 0;
}

int call_short_method(jobject object, std::int16_t* result, const char* label, const char* method,
                      const char* signature, ...) {
  jmethodID id = method_of(object, method, signature);
  if (id == nullptr) return -1;
  va_list args;
  va_start(args, signature);
  jshort value = jni_env()->CallShortMethodV(object, id, args);
  va_end(args);
  if (JNI_checkException("%s", label)) return -1;
  *result = value;
  return 0;
}

LocalRef<jobject> call_object_method(jobject object, const char* label, const char* method,
                                     const char* signature) {
  jmethodID id = method_of(object, method, signature);
  if (id == nullptr) return LocalRef<jobject>();
  LocalRef<jobject> value(jni_env()->CallObjectMethod(object, id));
  if (JNI_checkException("%s", label)) return LocalRef<jobject>();
  return value;
}

}  // namespace kv::msgapi
