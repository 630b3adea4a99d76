// A stand-in for a Java runtime's jvm.dll: it exports the three entry points of the invocation
// interface and behaves as KOVENDI_FAKE_JVM tells it, so that loading the machine, its options
// and the JNI plumbing up to the client can be tested where no Java runtime for Windows exists.
//
//   refuse     JNI_CreateJavaVM fails
//   no-client  the machine starts, but it has no class at all (the default)
//   escape     a client whose API_open waits, asking the program's checkEscape every 50 ms,
//              until that answers 2 (Escape), and then fails with the verdict 29 (stopped by the
//              user); it gives up after a minute with the verdict 0
//
// Each call is written as one line to the file that KOVENDI_FAKE_JVM_LOG names.
#define _JNI_IMPLEMENTATION_  // jni.h then declares the entry points as exported, as defined here
#include <jni.h>
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct FakeObject {
  std::string class_name;
  std::vector<jchar> text;  // a string's characters
};

struct FakeMethod {
  std::string name;
  std::string signature;
};

std::string mode() {
  const char* value = std::getenv("KOVENDI_FAKE_JVM");
  return value != nullptr && *value != '\0' ? value : "no-client";
}

void log_line(const char* format, ...) {
  const char* path = std::getenv("KOVENDI_FAKE_JVM_LOG");
  if (path == nullptr || *path == '\0') return;
  std::FILE* log = std::fopen(path, "ab");
  if (log == nullptr) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(log, format, args);
  va_end(args);
  std::fputc('\n', log);
  std::fclose(log);
}

FakeObject* object_of(jobject handle) { return reinterpret_cast<FakeObject*>(handle); }
FakeMethod* method_of(jmethodID handle) { return reinterpret_cast<FakeMethod*>(handle); }

jobject new_object(const std::string& class_name) {
  return reinterpret_cast<jobject>(new FakeObject{class_name, {}});
}

jint(JNICALL* g_check_escape)(JNIEnv*, jclass) = nullptr;
short g_verdict = 0;

jclass JNICALL find_class(JNIEnv*, const char* name) {
  log_line("FindClass %s", name);
  if (mode() != "escape") return nullptr;
  return reinterpret_cast<jclass>(new_object(name));
}

jmethodID JNICALL get_method_id(JNIEnv*, jclass cls, const char* name, const char* signature) {
  if (cls == nullptr) return nullptr;
  return reinterpret_cast<jmethodID>(new FakeMethod{name, signature});
}

jobject JNICALL new_object_v(JNIEnv*, jclass cls, jmethodID, va_list) {
  return new_object(object_of(cls)->class_name);
}

jclass JNICALL get_object_class(JNIEnv*, jobject object) {
  return reinterpret_cast<jclass>(new_object(object_of(object)->class_name));
}

jobject JNICALL new_ref(JNIEnv*, jobject object) { return object; }
void JNICALL delete_ref(JNIEnv*, jobject) {}
jboolean JNICALL exception_check(JNIEnv*) { return JNI_FALSE; }
jthrowable JNICALL exception_occurred(JNIEnv*) { return nullptr; }
void JNICALL exception_clear(JNIEnv*) {}

jstring JNICALL new_string(JNIEnv*, const jchar* chars, jsize length) {
  auto* text = new FakeObject{"java/lang/String", std::vector<jchar>(chars, chars + length)};
  return reinterpret_cast<jstring>(text);
}
jsize JNICALL string_length(JNIEnv*, jstring text) {
  return static_cast<jsize>(object_of(text)->text.size());
}
void JNICALL string_region(JNIEnv*, jstring text, jsize start, jsize length, jchar* into) {
  std::memcpy(into, object_of(text)->text.data() + start, static_cast<std::size_t>(length) * 2);
}

jint JNICALL register_natives(JNIEnv*, jclass, const JNINativeMethod* methods, jint count) {
  for (jint i = 0; i < count; ++i) {
    log_line("RegisterNatives %s %s", methods[i].name, methods[i].signature);
    if (std::strcmp(methods[i].name, "checkEscape") == 0) {
      g_check_escape = reinterpret_cast<jint(JNICALL*)(JNIEnv*, jclass)>(methods[i].fnPtr);
    }
  }
  return 0;
}

JNIEnv* environment();

// API_open of the client: waits for the user as a long connect would.
short open_session() {
  for (int waited = 0; waited < 60000; waited += 50) {
    jint answer = g_check_escape != nullptr ? g_check_escape(environment(), nullptr) : 1;
    if (answer == 2) {
      log_line("checkEscape 2");
      g_verdict = 29;
      return -1;
    }
    ::Sleep(50);
  }
  g_verdict = 0;
  return -1;
}

jshort JNICALL call_short_v(JNIEnv*, jobject, jmethodID method, va_list) {
  const std::string& name = method_of(method)->name;
  log_line("call %s", name.c_str());
  if (name == "API_open") return open_session();
  if (name == "API_verdictValue") return g_verdict;
  return -1;
}
void JNICALL call_void_v(JNIEnv*, jobject, jmethodID, va_list) {}
jobject JNICALL call_object_v(JNIEnv*, jobject, jmethodID, va_list) { return nullptr; }
jint JNICALL call_int_v(JNIEnv*, jobject, jmethodID, va_list) { return 0; }
jlong JNICALL call_long_v(JNIEnv*, jobject, jmethodID, va_list) { return 0; }

JavaVM* machine();
jint JNICALL get_java_vm(JNIEnv*, JavaVM** vm) {
  *vm = machine();
  return JNI_OK;
}

jint JNICALL destroy_java_vm(JavaVM*) {
  log_line("DestroyJavaVM");
  return JNI_OK;
}

JNIEnv* environment() {
  static JNINativeInterface_ functions = [] {
    JNINativeInterface_ table;
    std::memset(&table, 0, sizeof table);  // a call the fake does not know crashes the test
    table.FindClass = find_class;
    table.GetMethodID = get_method_id;
    table.NewObjectV = new_object_v;
    table.GetObjectClass = get_object_class;
    table.NewGlobalRef = new_ref;
    table.DeleteGlobalRef = delete_ref;
    table.DeleteLocalRef = delete_ref;
    table.ExceptionCheck = exception_check;
    table.ExceptionOccurred = exception_occurred;
    table.ExceptionClear = exception_clear;
    table.NewString = new_string;
    table.GetStringLength = string_length;
    table.GetStringRegion = string_region;
    table.RegisterNatives = register_natives;
    table.CallShortMethodV = call_short_v;
    table.CallVoidMethodV = call_void_v;
    table.CallObjectMethodV = call_object_v;
    table.CallIntMethodV = call_int_v;
    table.CallLongMethodV = call_long_v;
    table.GetJavaVM = get_java_vm;
    return table;
  }();
  static JNIEnv env{&functions};
  return &env;
}

JavaVM* machine() {
  static JNIInvokeInterface_ functions = [] {
    JNIInvokeInterface_ table;
    std::memset(&table, 0, sizeof table);
    table.DestroyJavaVM = destroy_java_vm;
    return table;
  }();
  static JavaVM vm{&functions};
  return &vm;
}

}  // namespace

extern "C" {

JNIEXPORT jint JNICALL JNI_GetDefaultJavaVMInitArgs(void*) { return JNI_OK; }

JNIEXPORT jint JNICALL JNI_GetCreatedJavaVMs(JavaVM** vms, jsize size, jsize* count) {
  *count = 0;
  (void)vms;
  (void)size;
  return JNI_OK;
}

JNIEXPORT jint JNICALL JNI_CreateJavaVM(JavaVM** vm, void** env, void* arguments) {
  auto* init = static_cast<JavaVMInitArgs*>(arguments);
  log_line("JNI_CreateJavaVM version=0x%08x ignoreUnrecognized=%d", static_cast<unsigned>(init->version),
           static_cast<int>(init->ignoreUnrecognized));
  for (jint i = 0; i < init->nOptions; ++i) log_line("option %s", init->options[i].optionString);
  if (mode() == "refuse") return JNI_ERR;
  *vm = machine();
  *env = environment();
  return JNI_OK;
}

}  // extern "C"
