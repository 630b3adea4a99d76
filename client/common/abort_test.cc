// Tests of abandoning a run: the error line, the unwinding and the clean-up at the abort point.
#include "client/common/abort.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <vector>

#include "client/common/home.h"
#include "client/common/open_files.h"
#include "platform/testing/temp_dir.h"

namespace kv {
namespace {

TEST(Abort, ErrorLineThenUnwindThenCleanupAtTheAbortPoint) {
  testing::TempDir dir;
  app_home().set(dir.path());
  std::vector<std::string> order;
  set_abort_cleanup([&] {
    order.push_back(dir.exists("qrtlnk.err") ? "cleanup after error line" : "cleanup first");
  });
  // What the failing step holds is given up before the abort point cleans up.
  struct Held {
    std::vector<std::string>& order;
    ~Held() { order.push_back("unwound"); }
  };
  bool after_failure = false;
  try {
    Held held{order};
    fail_run(AppError::kRequestFileMissing);
    after_failure = true;
  } catch (const RunAborted& aborted) {
    clean_up_after(aborted);
  }
  EXPECT_FALSE(after_failure);
  EXPECT_EQ(order, (std::vector<std::string>{"unwound", "cleanup after error line"}));
  EXPECT_EQ(dir.lines("qrtlnk.err").at(0).substr(0, 5), "0008 ");

  order.clear();
  try {
    fail_run_without_cleanup(AppError::kAlreadyRunning);
  } catch (const RunAborted& aborted) {
    clean_up_after(aborted);
  }
  EXPECT_TRUE(order.empty());
  EXPECT_EQ(dir.lines("qrtlnk.err").size(), 2u);

  // An error inside the clean-up writes its line but does not start the clean-up again.
  int cleanups = 0;
  set_abort_cleanup([&] {
    ++cleanups;
    fail_run(AppError::kTemporaryFileNotCreated);
  });
  try {
    fail_run(AppError::kNoMemory, "schrijven QRTLNK.RCV");
  } catch (const RunAborted& aborted) {
    clean_up_after(aborted);
  }
  EXPECT_EQ(cleanups, 1);
  EXPECT_EQ(dir.lines("qrtlnk.err").size(), 4u);

  set_abort_cleanup(nullptr);
  EXPECT_THROW(fail_run(AppError::kTooFewParameters), RunAborted);
  app_home().set("");
}

TEST(Abort, ReadOnlyHomeLosesTheLineButStillCleansUp) {
  if (testing::running_as_root()) GTEST_SKIP() << "permissions do not bind root";
  testing::TempDir dir;
  app_home().set(dir.path());
  ASSERT_EQ(::chmod(dir.path().c_str(), 0500), 0);
  bool cleaned = false;
  set_abort_cleanup([&] { cleaned = true; });
  try {
    fail_run(AppError::kNoWritePermission);
  } catch (const RunAborted& aborted) {
    clean_up_after(aborted);
  }
  EXPECT_TRUE(cleaned);
  EXPECT_FALSE(dir.exists("qrtlnk.err"));
  set_abort_cleanup(nullptr);
  app_home().set("");
}

TEST(OpenFiles, CleanupClosesEveryRegisteredStream) {
  EXPECT_EQ(open_file_count(), 0);
  OpenFile a(std::tmpfile());
  OpenFile b(std::tmpfile());
  OpenFile none;
  EXPECT_EQ(open_file_count(), 2);
  OpenFile moved(std::move(b));
  EXPECT_EQ(open_file_count(), 2);
  EXPECT_FALSE(b);
  {
    OpenFile scoped(std::tmpfile());
    EXPECT_EQ(open_file_count(), 3);
  }
  EXPECT_EQ(open_file_count(), 2);
  none = std::move(a);
  EXPECT_EQ(open_file_count(), 2);
  close_all_open_files();
  EXPECT_EQ(open_file_count(), 0);
  EXPECT_FALSE(none);
  EXPECT_FALSE(moved);
  EXPECT_EQ(moved.close(), 0);
}

}  // namespace
}  // namespace kv
