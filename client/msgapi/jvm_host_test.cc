// Starting the machine: library path, options, and the failures before a machine exists (with a
// fake loader, so that no machine is ever started in this test program).
#include "client/msgapi/jvm_host.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "client/msgapi/testing/engine_home_fixture.h"
#include "platform/java_runtime.h"
#include "platform/testing/environment.h"
#include "platform/testing/temp_dir.h"

namespace {

using kv::testing::EngineHomeTest;
using namespace kv::msgapi;

TEST(JvmOptions, ClassPathOfThirteenJarsAndSignalOption) {
  EXPECT_EQ(jvm_library_path("/opt/kv").rfind("/opt/kv/jre/", 0), 0u);
  const std::string lib = "/opt/kv/lib/";
  const std::string sep = kv::java_runtime::class_path_separator();  // ":", ";" on Windows
  const std::vector<std::string> expected = {
      "-Djava.compiler=NONE",
      "-Dapplication.home=/opt/kv",
      "-Djava.class.path=" + lib + "kovendi.jar" + sep + lib + "activation.jar" + sep + lib +
          "bcprov-jdk14-118.jar" + sep + lib + "commons-httpclient.jar" + sep + lib +
          "commons-logging.jar" + sep + lib + "dom4j.jar" + sep + lib + "jaxm-api.jar" + sep +
          lib + "jaxm-runtime.jar" + sep + lib + "mail.jar" + sep + lib + "saaj-api.jar" + sep +
          lib + "saaj-ri.jar" + sep + lib + "xalan.jar" + sep + lib + "log4j.jar" + sep + lib +
          "postgresql.jar" + sep + lib,
      "-Xrs",
      "-Xmixed",
      "-XX:TieredStopAtLevel=1",
      "-XX:+UseSerialGC",
      "-XX:-UsePerfData",
  };
  EXPECT_EQ(jvm_options("/opt/kv"), expected);
}

// The class-data-sharing archive is named only when it is there.
TEST(JvmOptions, ArchiveWhenPresent) {
  kv::testing::TempDir program;
  std::filesystem::create_directory(program.file("lib"));
  const std::size_t without = jvm_options(program.path()).size();
  program.write("lib/kovendi.jsa", "archive");
  const std::vector<std::string> options = jvm_options(program.path());
  ASSERT_EQ(options.size(), without + 3);
  EXPECT_EQ(options[without], "-Xshare:auto");
  EXPECT_EQ(options[without + 1], "-XX:SharedArchiveFile=" + program.path() + "/lib/kovendi.jsa");
  EXPECT_EQ(options[without + 2], "-Xlog:cds=off,cds+dynamic=off");
}

// A loader whose library offers the symbols named in `symbols`.
std::map<std::string, void*> g_symbols;
std::string g_opened;
JavaVMInitArgs g_seen_args;
std::vector<std::string> g_seen_options;
jint g_create_result = -1;

void* fake_open(const std::string& path, std::string*) {
  g_opened = path;
  return &g_symbols;
}
void* fake_symbol(void*, const std::string& name) {
  auto it = g_symbols.find(name);
  return it == g_symbols.end() ? nullptr : it->second;
}
jint JNICALL fake_default_args(void*) { return 0; }
jint JNICALL fake_create(JavaVM** vm, void** env, void* args) {
  g_seen_args = *static_cast<JavaVMInitArgs*>(args);
  g_seen_options.clear();
  for (int i = 0; i < g_seen_args.nOptions; ++i)
    g_seen_options.push_back(g_seen_args.options[i].optionString);
  *vm = nullptr;
  *env = nullptr;
  return g_create_result;
}

class FakeLoaderTest : public EngineHomeTest {
 protected:
  void SetUp() override {
    EngineHomeTest::SetUp();
    g_symbols = {{"JNI_GetDefaultJavaVMInitArgs", reinterpret_cast<void*>(&fake_default_args)},
                 {"JNI_CreateJavaVM", reinterpret_cast<void*>(&fake_create)}};
    g_seen_options.clear();
    set_jvm_library_loader(&loader_);
  }
  void TearDown() override {
    set_jvm_library_loader(nullptr);
    EngineHomeTest::TearDown();
  }
  JvmLibraryLoader loader_{fake_open, fake_symbol};
};

TEST_F(FakeLoaderTest, MissingEntryPointsAreNamed) {
  g_symbols.erase("JNI_GetDefaultJavaVMInitArgs");
  EXPECT_EQ(StartJVM(), -1);
  g_symbols["JNI_GetDefaultJavaVMInitArgs"] = reinterpret_cast<void*>(&fake_default_args);
  g_symbols.erase("JNI_CreateJavaVM");
  EXPECT_EQ(StartJVM(), -1);
  EXPECT_EQ(debug_lines(), (std::vector<std::string>{
                               "StartJVM: no proc JNI_GetDefaultJavaVMInitArgs found",
                               "StartJVM: no proc JNI_CreateJavaVM found",
                           }));
  EXPECT_EQ(g_opened, jvm_library_path(program_.path()));
  EXPECT_TRUE(g_seen_options.empty());
}

TEST_F(FakeLoaderTest, RefusedCreationLeavesNoMachine) {
  g_create_result = -1;
  EXPECT_EQ(StartJVM(), -1);
  g_create_result = 0;  // "success" without an environment counts as a failure as well
  EXPECT_EQ(StartJVM(), -1);
  EXPECT_EQ(debug_lines(), (std::vector<std::string>{"StartJVM: can't create JVM",
                                                     "StartJVM: can't create JVM"}));
  EXPECT_EQ(jni_env(), nullptr);
  EXPECT_FALSE(jvm_stopped());
  EXPECT_EQ(g_seen_args.version, JNI_VERSION_1_2);
  EXPECT_EQ(g_seen_args.ignoreUnrecognized, JNI_FALSE);
  EXPECT_EQ(g_seen_options, jvm_options(program_.path()));
  EXPECT_EQ(StopJVM(), 0);
}

TEST_F(FakeLoaderTest, TraceNamesLibraryAndOptions) {
  g_create_result = -1;
  kv::testing::set_env("KOVENDI_JVM_TRACE", "1");
  EXPECT_EQ(StartJVM(), -1);
  kv::testing::unset_env("KOVENDI_JVM_TRACE");
  std::vector<std::string> expected = {"StartJVM: library " +
                                       jvm_library_path(program_.path())};
  for (const std::string& option : jvm_options(program_.path()))
    expected.push_back("StartJVM: option " + option);
  expected.push_back("StartJVM: can't create JVM");
  EXPECT_EQ(debug_lines(), expected);
}

}  // namespace
