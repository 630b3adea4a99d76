// Calling the client object: the running-machine check, Java strings of the arguments, and the
// call of one client method with its exception check.
#pragma once

#include <jni.h>

#include <cstdint>

#include "client/msgapi/jni_helpers.h"

namespace kv::msgapi {

// True when the machine and the client exist; otherwise writes `no_jvm_text` to debug.log.
bool client_running(const char* no_jvm_text);

// A Java string of 8-bit text; checked for exceptions under `label`. Empty on failure.
LocalRef<jstring> java_string(const char* label, const char* text);

// Calls a method of the client that returns a short, then checks for an exception under
// `label`. Returns the method's result, or -1 when the method is missing or threw.
short call_client(const char* label, const char* method, const char* signature, ...);

}  // namespace kv::msgapi

namespace kv::msgapi {

// Calls a method of any object (looked up on the object's class), then checks for an exception
// under `label`. 0, or -1 when the method is missing or threw.
int call_void_method(jobject object, const char* label, const char* method, const char* signature,
                     ...);
int call_short_method(jobject object, std::int16_t* result, const char* label, const char* method,
                      const char* signature, ...);
// The object returned, or an empty reference when the method is missing, threw or returned null.
LocalRef<jobject> call_object_method(jobject object, const char* label, const char* method,
                                     const char* signature);

}  // namespace kv::msgapi
