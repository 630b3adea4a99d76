// Tests of rewriting a file so that it holds its complete old or its complete new content.
#include "client/common/file_rewrite.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "client/common/home.h"
#include "client/common/testing/app_home_test.h"
#include "platform/fs.h"
#include "platform/testing/fault_injection.h"
#include "platform/testing/temp_dir.h"

namespace kv {
namespace {

class FileRewriteTest : public testing::AppHomeTest {
 protected:
  // Rewrites qrtlnk.gns from "old" to "new" while the n-th flush fails with `error`.
  bool rewrite_with_failing_flush(int n, int error, std::string& flushed_path) {
    dir.write("qrtlnk.gns", "old\n");
    kv::testing::FaultInjector faults;
    faults.fail_nth("sync", n, error);
    FileRewrite rewrite;
    EXPECT_TRUE(rewrite.begin("qrtlnk.gns"));
    rewrite.write_line("new");
    const bool committed = rewrite.commit();
    EXPECT_TRUE(faults.triggered()) << "the flush fault was not reached";
    for (const std::string& call : faults.log()) {
      if (call.compare(0, 5, "sync ") == 0) flushed_path = call.substr(5);
    }
    return committed;
  }
};

// A flush that fails is a failure: on the new content the file keeps its old content, on the
// directory after the rename the new content stays in place but the caller hears of it (a power
// cut could still bring the old content back). No temporary file stays behind either way.
TEST_F(FileRewriteTest, FailedFlushIsReportedAsAFailure) {
  for (const int error : {EIO, ENOSPC}) {
    std::string flushed;
    EXPECT_FALSE(rewrite_with_failing_flush(1, error, flushed));
    EXPECT_EQ(dir.read("qrtlnk.gns"), "old\n");
    EXPECT_TRUE(files_beginning(kRewriteTemporaryPrefix).empty());

    EXPECT_FALSE(rewrite_with_failing_flush(2, error, flushed));
    EXPECT_EQ(flushed, dir.path()) << "the second flush is the directory's";
    EXPECT_EQ(dir.read("qrtlnk.gns"), "new\n");
    EXPECT_TRUE(files_beginning(kRewriteTemporaryPrefix).empty());
  }
  dir.write("qrtlnk.gns", "old\n");
  FileRewrite rewrite;
  ASSERT_TRUE(rewrite.begin("qrtlnk.gns"));
  rewrite.write_line("new");
  EXPECT_TRUE(rewrite.commit());
}


std::string rewrite(const std::string& name, const std::string& content,
                    const RewriteOptions& options = {}) {
  FileRewrite r;
  if (!r.begin(name, options)) return "not begun";
  r.write(content);
  return r.commit() ? "" : "not committed";
}

// A rewritten file stays what it was for the application: a symbolic link stays a link to a file
// that holds the new content (also through a chain of links, and into another directory, where
// the rewrite happens beside the target); its permission bits stay; the user file loses the
// rights of others whatever the caller asks.
TEST(FileRewrite, KeepsLinksAndPermissionBits) {
  testing::TempDir dir;
  app_home().set(dir.path());
  dir.write("elsewhere/target.dat", "old\n");
  ASSERT_EQ(::chmod(dir.file("elsewhere/target.dat").c_str(), 0640), 0);
  ASSERT_EQ(::symlink("elsewhere/target.dat", dir.file("second").c_str()), 0);
  ASSERT_EQ(::symlink(dir.file("second").c_str(), dir.file("out.dat").c_str()), 0);

  EXPECT_EQ(rewrite("OUT.DAT", "new\n"), "");
  EXPECT_TRUE(fs::is_symbolic_link(dir.file("out.dat")));
  EXPECT_TRUE(fs::is_symbolic_link(dir.file("second")));
  EXPECT_EQ(dir.read("out.dat"), "new\n");
  EXPECT_EQ(fs::status(dir.file("elsewhere/target.dat")).mode, 0640u);
  for (const std::string& name : testing::list_dir(dir.path())) {
    EXPECT_FALSE(is_rewrite_temporary(name)) << name;
  }

  // A link whose target does not exist yet: the target is made, the link stays.
  ASSERT_EQ(::symlink("elsewhere/new.dat", dir.file("fresh.dat").c_str()), 0);
  EXPECT_EQ(rewrite("fresh.dat", "made\n", {.create_when_missing = true}), "");
  EXPECT_TRUE(fs::is_symbolic_link(dir.file("fresh.dat")));
  EXPECT_EQ(dir.read("elsewhere/new.dat"), "made\n");

  dir.write("qrtlnk.gns", "POS=A\nPIN=x\n");
  ASSERT_EQ(::chmod(dir.file("qrtlnk.gns").c_str(), 0664), 0);
  EXPECT_EQ(rewrite("QRTLNK.GNS", "POS=A\nPIN=y\n"), "");
  EXPECT_EQ(fs::status(dir.file("qrtlnk.gns")).mode, 0660u);
  dir.write("plain.txt", "a");
  ASSERT_EQ(::chmod(dir.file("plain.txt").c_str(), 0664), 0);
  EXPECT_EQ(rewrite("plain.txt", "b", {.without_other_rights = true}), "");
  EXPECT_EQ(fs::status(dir.file("plain.txt")).mode, 0660u);
  app_home().set("");
}

}  // namespace
}  // namespace kv
