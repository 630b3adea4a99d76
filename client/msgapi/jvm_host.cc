// Java virtual machine host (being filled in).
#include "client/msgapi/jvm_host.h"

namespace kv::msgapi {

int StartJVM() { return -1; }
int StopJVM() { return 0; }
JNIEnv* jni_env() { return nullptr; }
jobject client_object() { return nullptr; }
jclass client_class() { return nullptr; }
bool jvm_stopped() { return false; }

}  // namespace kv::msgapi
