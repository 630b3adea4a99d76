// The Java runtime on POSIX systems: jre/lib/server/libjvm.so beside the program (a link to
// the JDK), class paths separated by ":".
#include "platform/java_runtime.h"

namespace kv::java_runtime {

std::vector<std::string> machine_libraries(const std::string& program_dir) {
  return {program_dir + "/jre/lib/server/libjvm.so"};
}

const char* class_path_separator() { return ":"; }

}  // namespace kv::java_runtime
