// Property access on objects of the client library.
#include "client/msgapi/java_object.h"

namespace kv::msgapi {

std::string objects_class(const char* name) { return std::string(kObjectsPackage) + name; }

std::string objects_signature(const char* name) { return "L" + objects_class(name) + ";"; }

LocalRef<jobject> new_objects_instance(const char* name) {
  return LocalRef<jobject>(JNI_newObject(objects_class(name).c_str(), "()V"));
}

JavaObject::JavaObject(jobject object)
    : object_(object), class_(object != nullptr ? JNI_getObjectClass(object) : nullptr) {}

int JavaObject::get_string(const char* property, char* field, int width) const {
  if (!*this) return -1;
  const int rc = JNI_getStringProperty(cls(), object_, property, field, width);
  if (rc == 0) blank_control_characters(field);
  return rc;
}

// Every text of the client library enters the engine's records here. What the service holds was
// written by other parties: a control character (a line feed in a subject, say) would split the
// engine's status and listing lines and steer what the engine does with them, so each becomes a
// blank. A missing text (null) reads as empty.
void blank_control_characters(char* text) {
  for (char* c = text; *c != '\0'; ++c) {
    const unsigned char code = static_cast<unsigned char>(*c);
    if (code < 32 || code == 127) *c = ' ';
  }
}

int JavaObject::get_short(const char* property, std::int16_t* cell) const {
  if (!*this) return -1;
  return JNI_getShortProperty(cls(), object_, property, cell);
}

int JavaObject::get_long(const char* property, std::int32_t* cell) const {
  if (!*this) return -1;
  return JNI_getLongProperty(cls(), object_, property, cell);
}

LocalRef<jobject> JavaObject::get_object(const char* property, const char* class_name) const {
  jobject value = nullptr;
  if (!*this) return LocalRef<jobject>();
  if (JNI_getObjectProperty(cls(), object_, property, objects_signature(class_name).c_str(),
                            &value) != 0)
    return LocalRef<jobject>();
  return LocalRef<jobject>(value);
}

LocalRef<jobject> JavaObject::get_object(const char* property, int index,
                                         const char* class_name) const {
  jobject value = nullptr;
  if (!*this) return LocalRef<jobject>();
  if (JNI_getObjectProperty(cls(), object_, property, index,
                            objects_signature(class_name).c_str(), &value) != 0)
    return LocalRef<jobject>();
  return LocalRef<jobject>(value);
}

int JavaObject::set_string(const char* property, const std::string& value) const {
  if (!*this) return -1;
  return JNI_setStringProperty(cls(), object_, property, value.c_str());
}

int JavaObject::set_short(const char* property, std::int16_t value) const {
  if (!*this) return -1;
  return JNI_setShortProperty(cls(), object_, property, value);
}

int JavaObject::set_int(const char* property, std::int32_t value) const {
  if (!*this) return -1;
  return JNI_setIntProperty(cls(), object_, property, value);
}

}  // namespace kv::msgapi
