// O/R names between the fixed record and the client library's objects.
#pragma once

#include <jni.h>

#include "client/msgapi/api.h"
#include "client/msgapi/jni_helpers.h"

namespace kv::msgapi {

// An ORNameForm11, ORNameAlias or ORNameDistList object for the record (by its type); an empty
// reference for any other type (reported in the client's log) or when the object cannot be built.
LocalRef<jobject> JNI_ORNameToObject(const ORName& record);

// Clears the record and fills it from a full O/R address object; -1 for any other kind of name
// (reported in the client's log) or when its type cannot be read. A text that does not fit its
// field leaves the field empty and the conversion goes on.
int JNI_ORNameToStruct(jobject object, ORName* record);

}  // namespace kv::msgapi
