// Starting the machine without the client library: the client cannot be created, the machine is
// stopped again, and it cannot be started a second time in the process. One test, because it
// leaves the process without a machine for good.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/common/home.h"
#include "client/common/run_state.h"
#include "client/msgapi/api.h"
#include "client/msgapi/jvm_host.h"
#include "client/msgapi/jvmtests/fake_client_fixture.h"
#include "platform/testing/temp_dir.h"

namespace {

TEST(JvmStart, MissingClientLibraryStopsTheMachineForGood) {
  kv::testing::TempDir home;
  kv::testing::TempDir program;
  kv::testing::make_program_dir(program, "");
  kv::engine_home().set(home.path());
  kv::run_state().program_dir = program.path();

  OpenSession open{};
  open.type = CONNECTION_TCPIP;
  SessionInfo info;
  ApiId handle = nullptr;
  EXPECT_EQ(API_open(&open, &info, &handle), -1);
  EXPECT_TRUE(kv::msgapi::jvm_stopped());
  EXPECT_EQ(API_open(&open, &info, &handle), -1);
  EXPECT_EQ(handle, nullptr);
  EXPECT_EQ(home.lines("debug.log"),
            (std::vector<std::string>{
                "JNI_findClass: nl/kovendi/Client: caught java.lang.NoClassDefFoundError: "
                "nl/kovendi/Client",
                "StartJVM: can't initialize client",
                "API_open: unable to start JVM",
                "StartJVM: JVM was stopped, it cannot be started again in this process",
                "API_open: unable to start JVM",
            }));
}

}  // namespace
