// The small JNI toolkit on which the marshalling is built: exception checks, class and method
// lookup, object creation, property getters and setters named by convention (property "subject":
// getSubject / setSubject), the client's log, and 8-bit text crossing as Latin-1 (one byte is one
// Java char).
//
// Every helper works on the running machine's environment and fails (null or -1) when there is
// none. Java exceptions are logged to debug.log and cleared; they never propagate.
#pragma once

#include <jni.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kv::msgapi {

// A local reference that is released when it goes out of scope.
template <typename T>
class LocalRef {
 public:
  LocalRef() = default;
  explicit LocalRef(T ref) : ref_(ref) {}
  LocalRef(const LocalRef&) = delete;
  LocalRef& operator=(const LocalRef&) = delete;
  LocalRef(LocalRef&& other) noexcept : ref_(other.release()) {}
  LocalRef& operator=(LocalRef&& other) noexcept {
    reset(other.release());
    return *this;
  }
  ~LocalRef() { reset(); }

  T get() const { return ref_; }
  explicit operator bool() const { return ref_ != nullptr; }
  T release() {
    T ref = ref_;
    ref_ = nullptr;
    return ref;
  }
  void reset(T ref = nullptr);
  // For getters that fill a cell.
  T* out() {
    reset();
    return &ref_;
  }

 private:
  T ref_ = nullptr;
};

void delete_local_ref(jobject ref);

template <typename T>
void LocalRef<T>::reset(T ref) {
  if (ref_ != nullptr && ref_ != ref) delete_local_ref(ref_);
  ref_ = ref;
}

// Longest formatted label or log text; longer texts are cut.
constexpr int kMaxTextLength = 511;

// True when an exception was pending; it is logged as "<label>: caught <text>" and cleared.
bool JNI_checkException(const char* format, ...) __attribute__((format(printf, 1, 2)));

jclass JNI_findClass(const char* name);
jmethodID JNI_getMethodID(jclass cls, const char* name, const char* signature);
// Creates an object of `class_name` with the constructor of `signature` and the arguments.
jobject JNI_newObject(const char* class_name, const char* signature, ...);
jclass JNI_getObjectClass(jobject object);

// Accessor names of a property: "get"/"set" + the property with its first letter upper-cased.
std::string getter_name(const char* property);
std::string setter_name(const char* property);

// Getters: 0, or -1 when the value could not be read. A string of `width` or more characters is
// not stored (the buffer stays as it was) and is reported in the client's log; a null string
// counts as the empty string.
int JNI_getStringProperty(jclass cls, jobject object, const char* property, char* buffer,
                          int width);
int JNI_getLongProperty(jclass cls, jobject object, const char* property, std::int32_t* cell);
int JNI_getIntProperty(jclass cls, jobject object, const char* property, std::int32_t* cell);
int JNI_getShortProperty(jclass cls, jobject object, const char* property, std::int16_t* cell);
// `type_signature` is the field type, such as "Lnl/kovendi/objects/ORName;"; the cell receives a
// local reference that the caller releases.
int JNI_getObjectProperty(jclass cls, jobject object, const char* property,
                          const char* type_signature, jobject* cell);
int JNI_getObjectProperty(jclass cls, jobject object, const char* property, int index,
                          const char* type_signature, jobject* cell);

// Setters: 0 or -1.
int JNI_setStringProperty(jclass cls, jobject object, const char* property, const char* value);
int JNI_setLongProperty(jclass cls, jobject object, const char* property, std::int32_t value);
int JNI_setIntProperty(jclass cls, jobject object, const char* property, std::int32_t value);
int JNI_setShortProperty(jclass cls, jobject object, const char* property, std::int16_t value);

// Sends a line to the client's log, or to debug.log when there is no client to take it.
void JNI_logMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// 8-bit text as Java chars (each byte 0..255 one char) and back ("?" for chars above 255).
std::vector<jchar> latin1_to_chars(const char* text);
std::string chars_to_latin1(const std::vector<jchar>& chars);

// 8-bit text to a Java string, one byte per char; nullptr on failure (an exception may be pending).
jstring new_latin1_string(JNIEnv* env, const char* text);
// A Java string back to 8-bit text; chars above 255 cannot be represented and become "?".
std::string latin1_text(JNIEnv* env, jstring text);

}  // namespace kv::msgapi
