// Tests of the checks of file and directory names before the engine uses them.
#include "client/engine/path_check.h"

#include <sys/stat.h>

#include "platform/fs.h"

#include "client/engine/testing/engine_test_env.h"

namespace kv::engine {
namespace {

using testing::EngineTest;

class PathCheckTest : public EngineTest {
 protected:
  // "0" when accepted, else the result code.
  std::string check(const std::string& name, PathAccess access, PathKind kind) {
    ctx_.session.result_text = "xxxx";
    int rc = check_path(ctx_, name, access, kind);
    if (rc == 0) return "0";
    EXPECT_EQ(rc, -1);
    return ctx_.session.result_text;
  }
  std::string file_read(const std::string& n) { return check(n, PathAccess::read, PathKind::file); }
  std::string file_write(const std::string& n) {
    return check(n, PathAccess::write, PathKind::file);
  }
  std::string dir_write(const std::string& n) {
    return check(n, PathAccess::write, PathKind::directory);
  }
  // Names in the test directory, so a check leaves no file behind.
  std::vector<std::string> entries() const {
    return fs::list_directory(dir_.path());
  }
};

TEST_F(PathCheckTest, DrivesAndTrailingSeparators) {
  EXPECT_EQ(file_write("C:"), "3041");
  EXPECT_EQ(file_write("C:\\"), "3041");
  EXPECT_EQ(file_read("c:/"), "3041");
  EXPECT_EQ(file_write("C:\\OUT\\"), "3041");
  EXPECT_EQ(file_write("OUT\\"), "3041");
  EXPECT_EQ(file_read("sub/"), "3041");
  // A drive that cannot be selected: a name on it has no full path.
  EXPECT_EQ(file_read("Q:\\DATA\\X.TXT"), "3035");
  EXPECT_EQ(dir_write("Q:\\DATA"), "3034");
  EXPECT_EQ(dir_write("Q:\\"), "3034");
}

TEST_F(PathCheckTest, FilesToBeRead) {
  dir_.write("send.txt", "x");
  dir_.write("sub/Inner.TXT", "y");
  EXPECT_EQ(file_read("send.txt"), "0");
  EXPECT_EQ(file_read("SEND.TXT"), "0");  // found without regard to case
  EXPECT_EQ(file_read("sub\\inner.txt"), "0");
  EXPECT_EQ(file_read(dir_.file("send.txt")), "0");
  EXPECT_EQ(file_read("missing.txt"), "3037");
  EXPECT_EQ(file_read("nodir/missing.txt"), "3037");
  EXPECT_EQ(file_read("."), "3038");
  EXPECT_EQ(file_read(".."), "3038");
  EXPECT_EQ(file_read("sub"), "3038");  // a directory is not a file
  EXPECT_EQ(file_read(""), "3035");
}

TEST_F(PathCheckTest, FilesToBeWrittenLeaveNothingBehind) {
  auto before = entries();
  EXPECT_EQ(file_write("OUT.TXT"), "0");
  EXPECT_EQ(entries(), before);  // the file created for the test is gone again
  dir_.make_dir("out");
  before = entries();
  EXPECT_EQ(file_write("out/new.txt"), "0");
  EXPECT_EQ(file_write("OUT\\new.txt"), "0");
  EXPECT_EQ(entries(), before);
  EXPECT_TRUE(fs::list_directory(dir_.file("out")).empty());
  EXPECT_EQ(file_write("nodir/new.txt"), "3035");
  dir_.write("existing.txt", "keep");
  EXPECT_EQ(file_write("existing.txt"), "0");
  EXPECT_EQ(dir_.read("existing.txt"), "keep");
}

TEST_F(PathCheckTest, WriteProtection) {
  if (kv::testing::running_as_root()) GTEST_SKIP() << "permissions do not bind root";
  dir_.write("ro.txt", "x");
  chmod(dir_.file("ro.txt").c_str(), 0400);
  EXPECT_EQ(file_write("ro.txt"), "3040");
  dir_.write("locked/ro.txt", "x");
  chmod(dir_.file("locked/ro.txt").c_str(), 0400);
  dir_.make_dir("shut");
  chmod(dir_.file("shut").c_str(), 0500);
  EXPECT_EQ(file_write("shut/new.txt"), "3040");
  EXPECT_EQ(file_write("locked/ro.txt"), "3040");
  EXPECT_EQ(dir_write("shut"), "3036");
  dir_.write("unreadable.txt", "x");
  chmod(dir_.file("unreadable.txt").c_str(), 0200);
  EXPECT_EQ(file_read("unreadable.txt"), "3039");
  // A directory that cannot take new files: a new file directly in it cannot be created.
  chmod(dir_.path().c_str(), 0500);
  EXPECT_EQ(file_write("new.txt"), "3036");
  chmod(dir_.path().c_str(), 0700);
}

TEST_F(PathCheckTest, Directories) {
  dir_.make_dir("DATA/OUT");
  auto before = fs::list_directory(dir_.file("DATA/OUT"));
  EXPECT_EQ(dir_write(dir_.file("DATA/OUT")), "0");
  EXPECT_EQ(dir_write("data\\out"), "0");
  EXPECT_EQ(fs::list_directory(dir_.file("DATA/OUT")), before);
  EXPECT_EQ(dir_write("DATA/MISSING"), "3036");      // only the last level is missing
  EXPECT_EQ(dir_write("NODATA/OUT"), "3034");        // the parent is missing
  dir_.write("DATA/file.txt", "x");
  EXPECT_EQ(dir_write("DATA/file.txt"), "3036");     // a file is not a directory
  EXPECT_EQ(write_test(ctx_, dir_.path()), 0);
  EXPECT_EQ(write_test(ctx_, "NODATA"), -1);
  EXPECT_EQ(ctx_.session.result_text, "3036");
}

}  // namespace
}  // namespace kv::engine
