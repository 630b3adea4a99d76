// Tests of appending one file to another, byte for byte (binary).
#include "client/common/append_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "platform/testing/fault_injection.h"
#include "platform/testing/temp_dir.h"

namespace kv {
namespace {

class AppendFileTest : public ::testing::Test {
 protected:
  std::string path(const std::string& name) const { return dir_.file(name); }
  void write(const std::string& name, const std::string& content) { dir_.write(name, content); }
  std::string read(const std::string& name) { return dir_.read(name); }
  testing::TempDir dir_;
};

TEST_F(AppendFileTest, AppendsBytesExactlyAndCreatesTarget) {
  std::string binary("a\0b\r\n\xff", 6);
  std::string big(20000, 'x');
  big[8191] = 'y';
  big[8192] = 'z';
  write("src", binary);
  EXPECT_EQ(append_file(path("src"), path("new")), kAppendOk);
  EXPECT_EQ(read("new"), binary);
  write("big", big);
  EXPECT_EQ(append_file(path("big"), path("new")), kAppendOk);
  EXPECT_EQ(read("new"), binary + big);
  write("empty", "");
  EXPECT_EQ(append_file(path("empty"), path("new")), kAppendOk);
  EXPECT_EQ(read("new"), binary + big);
}

TEST_F(AppendFileTest, FailureCodes) {
  EXPECT_EQ(append_file(path("missing"), path("target")), kAppendSourceNotOpened);
  EXPECT_EQ(access(path("target").c_str(), F_OK), -1) << "target must not be created";
  write("src", "abc");
  EXPECT_EQ(append_file(path("src"), path("nodir/target")), kAppendTargetNotOpened);
  // A directory is no source: POSIX opens it for reading and then cannot read it; Windows does not
  // open it.
  const int from_directory = append_file(dir_.path(), path("target"));
  EXPECT_TRUE(from_directory == kAppendReadFailed || from_directory == kAppendSourceNotOpened)
      << from_directory;
  // /dev/full accepts the open and fails the write.
  if (access("/dev/full", W_OK) == 0) {
    EXPECT_EQ(append_file(path("src"), "/dev/full"), kAppendWriteFailed);
  }
  for (const char* operation : {"open-read", "open-write", "write"}) {  // injected faults reach all
    testing::FaultInjector faults;
    faults.fail_nth(operation, 1);
    EXPECT_NE(append_file(path("src"), path("target")), kAppendOk) << operation;
    EXPECT_TRUE(faults.triggered()) << operation;
  }
}

}  // namespace
}  // namespace kv
