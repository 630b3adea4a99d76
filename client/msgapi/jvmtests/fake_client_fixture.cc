// Test support for the tests against the fake client library.
#include "client/msgapi/jvmtests/fake_client_fixture.h"

#include <jni.h>

#include <cstring>
#include <filesystem>

#include "client/common/home.h"
#include "client/common/run_state.h"
#include "client/msgapi/jni_helpers.h"
#include "client/msgapi/jvm_host.h"

namespace kv::testing {

ApiId FakeClientTest::handle_ = nullptr;

void make_program_dir(const TempDir& dir, const std::string& jar) {
  std::filesystem::create_directory_symlink(KV_JDK_DIR, dir.file("jre"));
  if (jar.empty()) return;
  dir.make_dir("lib");
  std::filesystem::create_symlink(jar, dir.file("lib/kovendi.jar"));
}

const std::string& FakeClientTest::program_dir() {
  // Lives as long as the process: the machine reads classes from it until it stops.
  static TempDir* dir = [] {
    auto* created = new TempDir;
    make_program_dir(*created, KV_FAKE_CLIENT_JAR);
    return created;
  }();
  return dir->path();
}

OpenSession FakeClientTest::open_record() {
  OpenSession open{};
  open.type = CONNECTION_TCPIP;
  std::strcpy(open.server, "file:/tmp/store");
  std::strcpy(open.user, "USER1");
  std::strcpy(open.password, "Geh\xE9im");
  open.portNb = 1234;
  return open;
}

void FakeClientTest::SetUp() {
  saved_home_ = kv::engine_home().dir();
  kv::engine_home().set(home_.path());
  kv::run_state().program_dir = program_dir();
  if (kv::msgapi::jvm_stopped())
    GTEST_SKIP() << "the machine was stopped earlier in this process; run each test in its own "
                    "process (as CTest does)";
  if (handle_ == nullptr) {
    OpenSession open = open_record();
    SessionInfo info;
    ASSERT_EQ(API_open(&open, &info, &handle_), 0) << home_.read("debug.log");
  }
  client_calls();
  client_log();
  clear_debug_log();
}

void FakeClientTest::TearDown() { kv::engine_home().set(saved_home_); }

namespace {

std::string call_static_text(const char* method) {
  JNIEnv* env = kv::msgapi::jni_env();
  if (env == nullptr) return "<no machine>";
  kv::msgapi::LocalRef<jclass> cls(env->FindClass("nl/kovendi/Client"));
  jmethodID id = env->GetStaticMethodID(cls.get(), method, "()Ljava/lang/String;");
  kv::msgapi::LocalRef<jstring> text(
      static_cast<jstring>(env->CallStaticObjectMethod(cls.get(), id)));
  return kv::msgapi::latin1_text(env, text.get());
}

}  // namespace

std::string FakeClientTest::client_calls() { return call_static_text("takeCalls"); }
std::string FakeClientTest::client_log() { return call_static_text("takeLog"); }

void FakeClientTest::set_open_scenario(const std::string& scenario) {
  JNIEnv* env = kv::msgapi::jni_env();
  kv::msgapi::LocalRef<jclass> cls(env->FindClass("nl/kovendi/Client"));
  jmethodID id = env->GetStaticMethodID(cls.get(), "setOpenScenario", "(Ljava/lang/String;)V");
  kv::msgapi::LocalRef<jstring> text(kv::msgapi::new_latin1_string(env, scenario.c_str()));
  env->CallStaticVoidMethod(cls.get(), id, text.get());
}

int FakeClientTest::poll_escape() {
  JNIEnv* env = kv::msgapi::jni_env();
  kv::msgapi::LocalRef<jclass> cls(env->FindClass("nl/kovendi/Client"));
  jmethodID id = env->GetStaticMethodID(cls.get(), "pollEscape", "()I");
  return env->CallStaticIntMethod(cls.get(), id);
}

}  // namespace kv::testing
