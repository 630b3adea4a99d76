// Tests that every file-system call that changes something reports which call on which path
// failed and why, whether the system or the fault hook refused it.
#include "platform/fs_result.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/file_lock.h"
#include "platform/fs.h"
#include "platform/testing/fault_injection.h"
#include "platform/testing/temp_dir.h"

namespace kv {
namespace {

// One call as the fault hook sees it (`operation` on `hook_path`) and as its Result names it.
struct Call {
  std::string operation;
  std::string hook_path;
  std::string call;
  std::string path;
  std::string second_path;
  std::function<fs::Result()> run;
};

void expect_names(const fs::Result& result, const Call& c, int error) {
  EXPECT_EQ(result.error, error);
  EXPECT_EQ(result.call, c.call);
  EXPECT_EQ(result.path, c.path);
  EXPECT_EQ(result.second_path, c.second_path);
}

TEST(FsResult, EveryChangingCallNamesItsFailureAndSucceedsWithoutIt) {
  testing::TempDir dir;
  for (const char* name : {"removed", "renamed", "chmod", "cut", "synced", "linked"}) {
    dir.write(name, "abc");
  }
  dir.make_dir("sub");
  std::FILE* stream = fs::open_stream(dir.file("stream"), "w");
  ASSERT_NE(stream, nullptr);
  const int locked = fs::create_new_file(dir.file("locked"), 0600);
  ASSERT_GE(locked, 0);
  const std::string file = dir.file("synced");
  const std::string sub = dir.file("sub");

  const std::vector<Call> calls = {
      {"remove", dir.file("removed"), "remove", dir.file("removed"), "",
       [&] { return fs::remove_file(dir.file("removed")); }},
      {"rename", dir.file("renamed"), "rename", dir.file("renamed"), dir.file("moved"),
       [&] { return fs::rename_file(dir.file("renamed"), dir.file("moved")); }},
      {"rename-to", dir.file("back"), "rename", dir.file("moved"), dir.file("back"),
       [&] { return fs::rename_file(dir.file("moved"), dir.file("back")); }},
      {"chmod", dir.file("chmod"), "chmod", dir.file("chmod"), "",
       [&] { return fs::set_permissions(dir.file("chmod"), 0600); }},
      {"mkdir", dir.file("made"), "mkdir", dir.file("made"), "",
       [&] { return fs::make_directory(dir.file("made")); }},
      {"truncate", dir.file("cut"), "truncate", dir.file("cut"), "",
       [&] { return fs::truncate_file(dir.file("cut"), 1); }},
      {"sync", file, "sync", file, "", [&] { return fs::sync_file(file); }},
      {"sync", sub, "sync", sub, "", [&] { return fs::sync_directory(sub); }},
      {"sync", file, "sync", file, "", [&] { return fs::sync_files({file}); }},
      {"sync", sub, "sync", sub, "",
       [&] {
         fs::note_directory_change(fs::join(sub, "entry"));
         return fs::sync_changed_directories();
       }},
      {"link", dir.file("second"), "link", dir.file("linked"), dir.file("second"),
       [&] { return fs::link_file(dir.file("linked"), dir.file("second")); }},
      {"chmod", dir.file("stream"), "chmod", dir.file("stream"), "",
       [&] { return fs::set_stream_permissions(stream, dir.file("stream"), 0600); }},
      {"sync", dir.file("stream"), "sync", dir.file("stream"), "",
       [&] { return fs::sync_stream(stream, dir.file("stream")); }},
      {"flush", dir.file("stream"), "flush", dir.file("stream"), "",
       [&] { return fs::flush_stream(stream, dir.file("stream")); }},
      {"write", dir.file("locked"), "write", dir.file("locked"), "",
       [&] { return fs::append_synced(locked, "line\n", dir.file("locked")); }},
      {"sync", dir.file("locked"), "sync", dir.file("locked"), "",
       [&] { return fs::append_synced(locked, "line\n", dir.file("locked")); }},
      {"truncate", dir.file("locked"), "truncate", dir.file("locked"), "",
       [&] { return fs::truncate_synced(locked, dir.file("locked")); }},
  };
  for (const Call& c : calls) {
    SCOPED_TRACE(c.operation + " " + c.hook_path);
    {
      testing::FaultInjector faults;
      faults.fail_nth(c.operation, 1, ENOSPC, c.hook_path);
      const fs::Result refused = c.run();
      ASSERT_TRUE(faults.triggered());
      expect_names(refused, c, ENOSPC);
      EXPECT_FALSE(refused.ok());
      EXPECT_FALSE(refused);
      expect_names(fs::last_failure(), c, ENOSPC);
      EXPECT_EQ(errno, ENOSPC);
      const std::string named = c.call + " \"" + c.path + "\"" +
                                (c.second_path.empty() ? "" : " to \"" + c.second_path + "\"");
      EXPECT_EQ(refused.text(), named + ": " + fs::error_text(ENOSPC));
    }
    // Without the fault the call is made (a group of flushes names no single path then).
    const fs::Result done = c.run();
    EXPECT_EQ(done.error, 0) << done.text();
    EXPECT_TRUE(done.ok());
    EXPECT_TRUE(done);
  }
  EXPECT_FALSE(dir.exists("removed"));
  EXPECT_TRUE(dir.exists("back"));
  EXPECT_TRUE(dir.exists("second"));
  EXPECT_EQ(dir.read("cut"), "a");
  EXPECT_EQ(dir.read("locked"), "");
  std::fclose(stream);
  fs::close_descriptor(locked);
}

// The calls that return a descriptor, a stream or a truth value keep their failure for
// last_failure(); a success leaves it alone.
TEST(FsResult, CallsWithOtherResultsKeepTheirFailure) {
  testing::TempDir dir;
  {
    testing::FaultInjector faults;
    faults.fail_nth("create", 1, EACCES);
    EXPECT_LT(fs::create_new_descriptor(dir.file("new"), 0600), 0);
    ASSERT_TRUE(faults.triggered());
    EXPECT_EQ(fs::last_failure().text(),
              "create \"" + dir.file("new") + "\": " + fs::error_text(EACCES));
  }
  EXPECT_EQ(fs::open_stream(dir.file("missing"), "rb"), nullptr);
  const fs::Result missing = fs::last_failure();
  EXPECT_EQ(missing.error, ENOENT);
  EXPECT_EQ(missing.call, "open-read");
  EXPECT_EQ(missing.path, dir.file("missing"));
  dir.write("present", "x");
  std::FILE* present = fs::open_stream(dir.file("present"), "rb");
  ASSERT_NE(present, nullptr);
  std::fclose(present);
  EXPECT_EQ(fs::last_failure().path, dir.file("missing"));
}

// Without the hook: the system's own refusal, in the documented form.
TEST(FsResult, RealFailureOfARename) {
  testing::TempDir dir;
  const fs::Result result = fs::rename_file(dir.file("gone"), dir.file("target"));
  EXPECT_EQ(result.error, ENOENT);
  EXPECT_EQ(result.text(), "rename \"" + dir.file("gone") + "\" to \"" + dir.file("target") +
                               "\": " + fs::error_text(ENOENT));
  EXPECT_EQ(fs::last_failure().text(), result.text());
  EXPECT_FALSE(dir.exists("target"));
}

}  // namespace
}  // namespace kv
