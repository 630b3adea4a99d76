// JNI helpers: exception checks, lookups, object creation, property accessors by naming
// convention, Latin-1 strings and the client's log.
#include "client/msgapi/jni_helpers.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "client/common/journal.h"
#include "client/msgapi/debug_texts.h"
#include "client/msgapi/jvm_host.h"

namespace kv::msgapi {

namespace {

constexpr const char* kStringType = "Ljava/lang/String;";

// Formats into at most kMaxTextLength characters.
std::string format_text(const char* format, va_list args) {
  char buffer[kMaxTextLength + 1];
  std::vsnprintf(buffer, sizeof buffer, format, args);
  return buffer;
}

// Logs and clears the pending exception under `label`.
void report_exception(JNIEnv* env, const std::string& label) {
  LocalRef<jthrowable> thrown(env->ExceptionOccurred());
  env->ExceptionClear();
  std::string text;
  bool have_text = false;
  if (thrown) {
    LocalRef<jclass> cls(env->GetObjectClass(thrown.get()));
    jmethodID to_string =
        cls ? env->GetMethodID(cls.get(), "toString", "()Ljava/lang/String;") : nullptr;
    if (to_string != nullptr) {
      LocalRef<jstring> description(
          static_cast<jstring>(env->CallObjectMethod(thrown.get(), to_string)));
      if (!env->ExceptionCheck() && description) {
        text = latin1_text(env, description.get());
        have_text = true;
      }
    }
  }
  if (!have_text) {
    env->ExceptionClear();
    kv::debug_log(debug_text::kCaughtUnknownException, label.c_str());
    return;
  }
  kv::debug_log(debug_text::kCaughtException, label.c_str(), text.c_str());
}

bool check_exception(const std::string& label) {
  JNIEnv* env = jni_env();
  if (env == nullptr || !env->ExceptionCheck()) return false;
  report_exception(env, label);
  return true;
}

std::string accessor_name(const char* prefix, const char* property) {
  std::string name = prefix;
  std::string rest = property;
  if (!rest.empty() && rest[0] >= 'a' && rest[0] <= 'z') rest[0] = static_cast<char>(rest[0] - 'a' + 'A');
  return name + rest;
}

// The getter's method, looked up on `cls` (or on the object's own class when `cls` is null).
jmethodID accessor(JNIEnv* env, jclass cls, jobject object, const std::string& name,
                   const std::string& signature) {
  if (env == nullptr || object == nullptr) return nullptr;
  if (cls != nullptr) return JNI_getMethodID(cls, name.c_str(), signature.c_str());
  LocalRef<jclass> own(JNI_getObjectClass(object));
  if (!own) return nullptr;
  return JNI_getMethodID(own.get(), name.c_str(), signature.c_str());
}

}  // namespace

std::vector<jchar> latin1_to_chars(const char* text) {
  std::vector<jchar> chars;
  for (const char* p = text; *p != '\0'; ++p) chars.push_back(static_cast<unsigned char>(*p));
  return chars;
}

std::string chars_to_latin1(const std::vector<jchar>& chars) {
  std::string text(chars.size(), '\0');
  for (std::size_t i = 0; i < chars.size(); ++i)
    text[i] = chars[i] <= 0xFF ? static_cast<char>(chars[i]) : '?';
  return text;
}

void delete_local_ref(jobject ref) {
  JNIEnv* env = jni_env();
  if (env != nullptr && ref != nullptr) env->DeleteLocalRef(ref);
}

bool JNI_checkException(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string label = format_text(format, args);
  va_end(args);
  return check_exception(label);
}

jstring new_latin1_string(JNIEnv* env, const char* text) {
  if (env == nullptr || text == nullptr) return nullptr;
  std::vector<jchar> chars = latin1_to_chars(text);
  return env->NewString(chars.data(), static_cast<jsize>(chars.size()));
}

std::string latin1_text(JNIEnv* env, jstring text) {
  if (env == nullptr || text == nullptr) return std::string();
  jsize length = env->GetStringLength(text);
  std::vector<jchar> chars(static_cast<std::size_t>(length));
  if (length > 0) env->GetStringRegion(text, 0, length, chars.data());
  if (env->ExceptionCheck()) return std::string();
  return chars_to_latin1(chars);
}

jclass JNI_findClass(const char* name) {
  JNIEnv* env = jni_env();
  if (env == nullptr) return nullptr;
  check_exception("JNI_findClass: pending");
  jclass cls = env->FindClass(name);
  if (JNI_checkException("JNI_findClass: %s", name)) {
    if (cls != nullptr) env->DeleteLocalRef(cls);
    return nullptr;
  }
  return cls;
}

jmethodID JNI_getMethodID(jclass cls, const char* name, const char* signature) {
  JNIEnv* env = jni_env();
  if (env == nullptr || cls == nullptr) return nullptr;
  check_exception("JNI_getMethodID: pending");
  jmethodID method = env->GetMethodID(cls, name, signature);
  if (JNI_checkException("JNI_getMethodID: %s", name)) return nullptr;
  return method;
}

jobject JNI_newObject(const char* class_name, const char* signature, ...) {
  JNIEnv* env = jni_env();
  if (env == nullptr) return nullptr;
  check_exception("JNI_newObject: pending");
  LocalRef<jclass> cls(JNI_findClass(class_name));
  if (!cls) return nullptr;
  jmethodID constructor = JNI_getMethodID(cls.get(), "<init>", signature);
  if (constructor == nullptr) return nullptr;
  va_list args;
  va_start(args, signature);
  jobject object = env->NewObjectV(cls.get(), constructor, args);
  va_end(args);
  if (JNI_checkException("JNI_newObject: %s", class_name)) {
    if (object != nullptr) env->DeleteLocalRef(object);
    return nullptr;
  }
  return object;
}

jclass JNI_getObjectClass(jobject object) {
  JNIEnv* env = jni_env();
  if (env == nullptr || object == nullptr) return nullptr;
  check_exception("JNI_getObjectClass: pending");
  return env->GetObjectClass(object);
}

std::string getter_name(const char* property) { return accessor_name("get", property); }
std::string setter_name(const char* property) { return accessor_name("set", property); }

int JNI_getStringProperty(jclass cls, jobject object, const char* property, char* buffer,
                          int width) {
  JNIEnv* env = jni_env();
  std::string name = getter_name(property);
  jmethodID method = accessor(env, cls, object, name, std::string("()") + kStringType);
  if (method == nullptr) return -1;
  LocalRef<jstring> value(static_cast<jstring>(env->CallObjectMethod(object, method)));
  if (JNI_checkException("JNI_getStringProperty: obj.%s()", name.c_str())) return -1;
  std::string text = latin1_text(env, value.get());
  if (static_cast<long>(text.size()) >= width) {
    JNI_logMessage("JNI_getStringProperty: obj.%s() = \"%s\": UTF string exceeds buffer size (%d)",
                   name.c_str(), text.c_str(), width);
    return -1;
  }
  text.copy(buffer, text.size());
  buffer[text.size()] = '\0';
  return 0;
}

namespace {

// Calls the getter of `property` with signature `signature` through the JNIEnv call `call` and
// stores its value in `cell` (a long keeps its low 32 bits); -1 (and the journal line under
// `function`) when it fails.
template <typename Value, typename Cell>
int call_getter(jclass cls, jobject object, const char* property, const char* signature,
                Value (JNIEnv::*call)(jobject, jmethodID, ...), const char* function, Cell* cell) {
  JNIEnv* env = jni_env();
  std::string name = getter_name(property);
  jmethodID method = accessor(env, cls, object, name, signature);
  if (method == nullptr) return -1;
  Value value = (env->*call)(object, method);
  if (JNI_checkException("%s: obj.%s()", function, name.c_str())) return -1;
  *cell = static_cast<Cell>(value);
  return 0;
}

// Calls the setter of `property` with signature `signature` and the argument `value`.
template <typename Value>
int call_setter(jclass cls, jobject object, const char* property, const char* signature,
                const char* function, Value value) {
  JNIEnv* env = jni_env();
  std::string name = setter_name(property);
  jmethodID method = accessor(env, cls, object, name, signature);
  if (method == nullptr) return -1;
  env->CallVoidMethod(object, method, value);
  if (JNI_checkException("%s: obj.%s(...)", function, name.c_str())) return -1;
  return 0;
}

}  // namespace

int JNI_getLongProperty(jclass cls, jobject object, const char* property, std::int32_t* cell) {
  return call_getter(cls, object, property, "()J", &JNIEnv::CallLongMethod, "JNI_getLongProperty",
                     cell);
}

int JNI_getIntProperty(jclass cls, jobject object, const char* property, std::int32_t* cell) {
  return call_getter(cls, object, property, "()I", &JNIEnv::CallIntMethod, "JNI_getIntProperty",
                     cell);
}

int JNI_getShortProperty(jclass cls, jobject object, const char* property, std::int16_t* cell) {
  return call_getter(cls, object, property, "()S", &JNIEnv::CallShortMethod,
                     "JNI_getShortProperty", cell);
}

int JNI_getObjectProperty(jclass cls, jobject object, const char* property,
                          const char* type_signature, jobject* cell) {
  JNIEnv* env = jni_env();
  std::string name = getter_name(property);
  jmethodID method = accessor(env, cls, object, name, std::string("()") + type_signature);
  if (method == nullptr) return -1;
  jobject value = env->CallObjectMethod(object, method);
  if (JNI_checkException("JNI_getObjectProperty: obj.%s(), sig=[%s]", name.c_str(),
                         type_signature)) {
    if (value != nullptr) env->DeleteLocalRef(value);
    return -1;
  }
  *cell = value;
  return 0;
}

int JNI_getObjectProperty(jclass cls, jobject object, const char* property, int index,
                          const char* type_signature, jobject* cell) {
  JNIEnv* env = jni_env();
  std::string name = getter_name(property);
  jmethodID method = accessor(env, cls, object, name, std::string("(I)") + type_signature);
  if (method == nullptr) return -1;
  jobject value = env->CallObjectMethod(object, method, static_cast<jint>(index));
  if (JNI_checkException("JNI_getObjectProperty: obj.%s(index=%d), sig=[%s]", name.c_str(), index,
                         type_signature)) {
    if (value != nullptr) env->DeleteLocalRef(value);
    return -1;
  }
  *cell = value;
  return 0;
}

int JNI_setStringProperty(jclass cls, jobject object, const char* property, const char* value) {
  JNIEnv* env = jni_env();
  std::string name = setter_name(property);
  jmethodID method = accessor(env, cls, object, name, std::string("(") + kStringType + ")V");
  if (method == nullptr) return -1;
  LocalRef<jstring> text(new_latin1_string(env, value != nullptr ? value : ""));
  if (JNI_checkException("JNI_setStringProperty: newStringUTF") || !text) return -1;
  env->CallVoidMethod(object, method, text.get());
  if (JNI_checkException("JNI_setStringProperty: obj.%s(...)", name.c_str())) return -1;
  return 0;
}

int JNI_setLongProperty(jclass cls, jobject object, const char* property, std::int32_t value) {
  return call_setter(cls, object, property, "(J)V", "JNI_setLongProperty",
                     static_cast<jlong>(value));
}

int JNI_setIntProperty(jclass cls, jobject object, const char* property, std::int32_t value) {
  return call_setter(cls, object, property, "(I)V", "JNI_setIntProperty", static_cast<jint>(value));
}

int JNI_setShortProperty(jclass cls, jobject object, const char* property, std::int16_t value) {
  return call_setter(cls, object, property, "(S)V", "JNI_setShortProperty",
                     static_cast<jshort>(value));
}

namespace {

// Hands the text to the client's logMessage; false when that is impossible.
bool send_to_client_log(const std::string& text) {
  JNIEnv* env = jni_env();
  jobject client = client_object();
  if (env == nullptr || client == nullptr) return false;
  jmethodID method = JNI_getMethodID(client_class(), "logMessage", "(Ljava/lang/String;)V");
  if (method == nullptr) return false;
  LocalRef<jstring> message(new_latin1_string(env, text.c_str()));
  if (JNI_checkException("JNI_logMessage: newStringUTF") || !message) return false;
  env->CallVoidMethod(client, method, message.get());
  return !JNI_checkException("JNI_logMessage: o_client.logmessage(...)");
}

}  // namespace

void JNI_logMessage(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = format_text(format, args);
  va_end(args);
  if (!send_to_client_log(text)) kv::debug_log(debug_text::kLogMessageNoJvm, text.c_str());
}

}  // namespace kv::msgapi
