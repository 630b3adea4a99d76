// JNI helpers (being filled in).
#include "client/msgapi/jni_helpers.h"

namespace kv::msgapi {

void delete_local_ref(jobject) {}
void JNI_logMessage(const char*, ...) {}

}  // namespace kv::msgapi
