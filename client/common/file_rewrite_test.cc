#include "client/common/file_rewrite.h"

#include <gtest/gtest.h>

#include "client/common/testing/app_home_test.h"
#include "platform/testing/fault_injection.h"

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

}  // namespace
}  // namespace kv
