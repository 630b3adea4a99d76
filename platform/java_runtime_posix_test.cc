// Tests of finding the Java virtual machine library and writing a class path on POSIX systems.
#include "platform/java_runtime.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(JavaRuntime, TheJdkLinkedBesideTheProgram) {
  EXPECT_EQ(java_runtime::machine_libraries("/opt/kv"),
            std::vector<std::string>{"/opt/kv/jre/lib/server/libjvm.so"});
  EXPECT_STREQ(java_runtime::class_path_separator(), ":");
}

}  // namespace
}  // namespace kv
