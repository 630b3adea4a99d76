// A Java object of the client library seen through its properties: the object (not owned), its
// class (looked up once, released at the end), and the getters and setters by property name.
#pragma once

#include <jni.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "client/msgapi/jni_helpers.h"

namespace kv::msgapi {

// Class names of the client library.
inline constexpr const char* kObjectsPackage = "nl/kovendi/objects/";
std::string objects_class(const char* name);      // "nl/kovendi/objects/<name>"
std::string objects_signature(const char* name);  // "Lnl/kovendi/objects/<name>;"

// Creates an object of the client library with its no-argument constructor.
LocalRef<jobject> new_objects_instance(const char* name);

// The text of a fixed field of `width` bytes, never reading past them.
inline std::string bounded_text(const char* field, std::size_t width) {
  return std::string(field, std::find(field, field + width, '\0'));
}
// A field of width N holds at most N-1 characters; a missing terminator ends it there.
template <std::size_t N>
std::string field_text(const char (&field)[N]) {
  return bounded_text(field, N - 1);
}

// Replaces every control character (below 32, and 127) of a terminated text by a blank.
void blank_control_characters(char* text);

class JavaObject {
 public:
  explicit JavaObject(jobject object);
  JavaObject(const JavaObject&) = delete;
  JavaObject& operator=(const JavaObject&) = delete;

  jobject get() const { return object_; }
  jclass cls() const { return class_.get(); }
  explicit operator bool() const { return object_ != nullptr && class_; }

  int get_string(const char* property, char* field, int width) const;
  template <std::size_t N>
  int get_string(const char* property, char (&field)[N]) const {
    return get_string(property, field, static_cast<int>(N));
  }
  int get_short(const char* property, std::int16_t* cell) const;
  int get_long(const char* property, std::int32_t* cell) const;
  // The object a getter returns (an empty reference when it returned null or failed).
  LocalRef<jobject> get_object(const char* property, const char* class_name) const;
  LocalRef<jobject> get_object(const char* property, int index, const char* class_name) const;

  int set_string(const char* property, const std::string& value) const;
  int set_short(const char* property, std::int16_t value) const;
  int set_int(const char* property, std::int32_t value) const;

 private:
  jobject object_;
  LocalRef<jclass> class_;
};

}  // namespace kv::msgapi
