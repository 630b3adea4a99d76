// Loading the Java virtual machine on Windows, up to the first call into Java, with the fake
// jvm.dll (no Java runtime for Windows is at hand): where the library is looked for, what the
// machine is started with, and what the run reports when the machine does not come up.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/blackbox.h"
#include "tests/windows/windows_support.h"

namespace {

class JvmLoading : public ::testing::Test {
 protected:
  void SetUp() override {
    home_.write("qrtlnk.gns", "POS=alice\nPIN=secret1\nSRV=file:store\nPNB=1\n");
    home_.write("qrtlnk.scr", "*001LIJST\nFIL=lijst.txt\n");
    options_.env["KOVENDI_FAKE_JVM_LOG"] = home_.file("jvm.log");
    options_.unset_env.push_back("JAVA_HOME");
  }

  void kovendi(const std::string& fake_mode) {
    options_.env["KOVENDI_FAKE_JVM"] = fake_mode;
    kvtest::RunResult r = kvtest::run(program_dir_.file("kovendi.exe"), {"/FT"}, home_.path(), options_);
    ASSERT_EQ(0, r.exit_code);
    // The session could not be opened: error 54, and the closing steps ran.
    EXPECT_EQ(0u, home_.read("qrtlnk.err").find("0054 *** KOVENDI FOUT; Fout tijdens communicatie"))
        << home_.read("qrtlnk.err");
    EXPECT_FALSE(home_.exists("qrtlnk.bsy"));
    EXPECT_TRUE(home_.exists("qrt_lnk.old"));
  }

  std::vector<std::string> debug_log() { return home_.lines("debug.log"); }
  bool logged(const std::string& line) {
    for (const std::string& l : debug_log())
      if (l.find(line) != std::string::npos) return true;
    return false;
  }

  kvtest::TempDir program_dir_;
  kvtest::TempDir home_;
  kvtest::RunOptions options_;
};

TEST_F(JvmLoading, WithoutARuntimeEveryPlaceIsNamed) {
  windows::make_program_directory(program_dir_.path(), "");
  kovendi("no-client");
  const std::string dir = program_dir_.path();
  EXPECT_TRUE(logged("StartJVM: can't load " + dir + "/jre/bin/client/jvm.dll")) << home_.read("debug.log");
  EXPECT_TRUE(logged("StartJVM: can't load " + dir + "/jre/bin/server/jvm.dll"));
  EXPECT_TRUE(logged("API_open: unable to start JVM"));
  EXPECT_FALSE(home_.exists("jvm.log"));
}

// The runtime beside the program: the three options of the invocation interface with the
// class path of the program's jars and then its lib folder, separated by ";", and -Xrs, -Xmixed
// and the options of a short run after them.
TEST_F(JvmLoading, TheRuntimeBesideTheProgramIsStartedWithTheProgramsClassPath) {
  windows::make_program_directory(program_dir_.path(), "jre/bin/client/jvm.dll");
  kovendi("refuse");
  const std::string dir = program_dir_.path();
  const std::string lib = dir + "/lib/";
  std::vector<std::string> expected = {
      "JNI_CreateJavaVM version=0x00010002 ignoreUnrecognized=0",
      "option -Djava.compiler=NONE",
      "option -Dapplication.home=" + dir,
      "option -Djava.class.path=" + lib + "kovendi.jar;" + lib + "activation.jar;" + lib +
          "bcprov-jdk14-118.jar;" + lib + "commons-httpclient.jar;" + lib +
          "commons-logging.jar;" + lib + "dom4j.jar;" + lib + "jaxm-api.jar;" + lib +
          "jaxm-runtime.jar;" + lib + "mail.jar;" + lib + "saaj-api.jar;" + lib + "saaj-ri.jar;" +
          lib + "xalan.jar;" + lib + "log4j.jar;" + lib + "postgresql.jar;" + lib,
      "option -Xrs",
      "option -Xmixed",
      "option -XX:TieredStopAtLevel=1",
      "option -XX:+UseSerialGC",
      "option -XX:-UsePerfData",
  };
  EXPECT_EQ(expected, home_.lines("jvm.log"));
  EXPECT_TRUE(logged("StartJVM: can't create JVM"));
  EXPECT_FALSE(logged("can't load"));
}

// A machine without the client class: the client cannot be made and the machine is destroyed.
// A runtime with only bin\server (the JDKs of today) is found as well.
TEST_F(JvmLoading, AMachineWithoutTheClientIsStoppedAgain) {
  windows::make_program_directory(program_dir_.path(), "jre/bin/server/jvm.dll");
  kovendi("no-client");
  std::vector<std::string> calls = home_.lines("jvm.log");
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ("FindClass nl/kovendi/Client", calls[calls.size() - 2]);
  EXPECT_EQ("DestroyJavaVM", calls.back());
  EXPECT_TRUE(logged("StartJVM: can't initialize client"));
  EXPECT_TRUE(logged("API_open: unable to start JVM"));
}

TEST_F(JvmLoading, JavaHomeNamesTheRuntimeWhenNoneIsBesideTheProgram) {
  windows::make_program_directory(program_dir_.path(), "");
  kvtest::TempDir jdk;
  windows::make_program_directory(jdk.path(), "bin/server/jvm.dll");
  options_.unset_env.clear();
  options_.env["JAVA_HOME"] = jdk.path();
  kovendi("refuse");
  EXPECT_FALSE(home_.lines("jvm.log").empty()) << "the runtime of JAVA_HOME was not loaded";
  EXPECT_TRUE(logged("StartJVM: can't create JVM"));
}

}  // namespace
