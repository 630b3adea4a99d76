// Tests of the process facility.
#include "platform/process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/clock.h"
#include "platform/dynlib.h"
#include "platform/fs.h"
#include "platform/instance_lock.h"
#include "platform/testing/fake_runner.h"
#include "platform/testing/temp_dir.h"

namespace kv {
namespace {

TEST(Process, RunsInTheWorkingDirectoryAndReturnsTheExitStatus) {
  testing::TempDir dir;
  int rc = process::runner().run_and_wait("/bin/sh", {"-c", "pwd > where.txt; exit 3"},
                                          dir.path());
  EXPECT_EQ(rc, 3);
  EXPECT_EQ(dir.read("where.txt"), dir.path() + "\n");
  EXPECT_EQ(process::runner().run_and_wait("sh", {"-c", "kill -TERM $$"}, ""), 128 + 15);
  EXPECT_EQ(process::runner().run_and_wait(dir.file("missing"), {}, dir.path()), -1);
  EXPECT_EQ(process::runner().run_and_wait("/bin/sh", {"-c", "exit 0"}, dir.file("nodir")), -1);
}

TEST(Process, DescriptorsAreNotInherited) {
  testing::TempDir dir;
  int fd = ::open(dir.file("held").c_str(), O_WRONLY | O_CREAT, 0600);  // inheritable on purpose
  ASSERT_GE(fd, 3);
  std::string check = "test -e /proc/$$/fd/" + std::to_string(fd) + " && exit 1; exit 0";
  EXPECT_EQ(process::runner().run_and_wait("/bin/sh", {"-c", check}, ""), 0);
  ::close(fd);
}

TEST(Process, ProgramDirectoryEnvironmentAndFakeRunner) {
  std::string dir = process::program_directory();
  EXPECT_TRUE(fs::is_directory(dir));
  EXPECT_NE(dir.back(), '/');
  bool found = false;
  ::setenv("KV_TEST_VALUE", "x y", 1);
  EXPECT_EQ(process::get_env("KV_TEST_VALUE", &found), "x y");
  EXPECT_TRUE(found);
  ::unsetenv("KV_TEST_VALUE");
  EXPECT_EQ(process::get_env("KV_TEST_VALUE", &found), "");
  EXPECT_FALSE(found);

  {
    testing::FakeRunner fake([](const testing::RunnerCall& call) {
      return static_cast<int>(call.args.size());
    });
    EXPECT_EQ(process::runner().run_and_wait("kovedial", {"/D", "entry"}, "/w"), 2);
    ASSERT_EQ(fake.calls().size(), 1u);
    EXPECT_EQ(fake.calls()[0].program, "kovedial");
    EXPECT_EQ(fake.calls()[0].working_dir, "/w");
  }
  EXPECT_EQ(process::runner().run_and_wait("/bin/true", {}, ""), 0);  // the real one again
}

TEST(InstanceLock, SecondHolderIsRefusedUntilRelease) {
  testing::TempDir dir;
  ::setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
  const std::string own = "kvtest-" + std::to_string(::geteuid());
  InstanceLock first("kvtest");
  InstanceLock second("kvtest");
  EXPECT_EQ(first.path(), dir.file(own + "/kvtest.lock"));
  EXPECT_TRUE(first.try_acquire());
  EXPECT_EQ(fs::status(dir.file(own)).mode, 0700u);
  EXPECT_FALSE(second.try_acquire());
  second.request_raise_of_holder();
  EXPECT_TRUE(first.take_raise_request());
  EXPECT_FALSE(first.take_raise_request());
  first.publish("/home/app");
  EXPECT_EQ(second.published(), "/home/app");
  first.release();
  EXPECT_TRUE(second.try_acquire());
  ::unsetenv("XDG_RUNTIME_DIR");
}

// What another user could plant at the lock's place in a shared temporary directory: a link to a
// directory of theirs, a file, a directory open to all. None is used, nothing is written through
// it, and every run of the user still finds the same lock.
TEST(InstanceLock, PlantedNamesArePassedOver) {
  testing::TempDir dir;
  ::unsetenv("XDG_RUNTIME_DIR");
  ::setenv("TMPDIR", dir.path().c_str(), 1);
  const std::string own = "kvtest-" + std::to_string(::geteuid());
  dir.write("victim/kvtest.lock", "precious");
  ASSERT_EQ(::symlink(dir.file("victim").c_str(), dir.file(own).c_str()), 0);
  dir.write(own + "-1", "a file, not a directory");
  {
    InstanceLock first("kvtest");
    InstanceLock second("kvtest");
    EXPECT_TRUE(first.try_acquire());
    EXPECT_EQ(first.path(), dir.file(own + "-2/kvtest.lock"));
    first.publish("/home/app");
    EXPECT_FALSE(second.try_acquire());
    EXPECT_EQ(second.published(), "/home/app");
  }
  EXPECT_EQ(dir.read("victim/kvtest.lock"), "precious");
  EXPECT_EQ(dir.read(own + "-1"), "a file, not a directory");

  // A directory of the user's own that lets others in may hold what they left there: passed over.
  ASSERT_EQ(::chmod(dir.file(own + "-2").c_str(), 0777), 0);
  {
    InstanceLock lock("kvtest");
    EXPECT_TRUE(lock.try_acquire());
    EXPECT_EQ(lock.path(), dir.file(own + "-3/kvtest.lock"));
    EXPECT_EQ(fs::status(dir.file(own + "-2")).mode, 0777u);
  }
  // A link inside the private directory is never followed (the run goes on without the guard).
  ASSERT_EQ(::unlink(dir.file(own + "-3/kvtest.lock").c_str()), 0);
  ASSERT_EQ(
      ::symlink(dir.file("victim/kvtest.lock").c_str(), dir.file(own + "-3/kvtest.lock").c_str()),
      0);
  {
    InstanceLock lock("kvtest");
    EXPECT_TRUE(lock.try_acquire());
    lock.publish("overwritten?");
  }
  EXPECT_EQ(dir.read("victim/kvtest.lock"), "precious");
  ::unsetenv("TMPDIR");
}

TEST(Dynlib, LoadsLibrariesAndFindsEntryPoints) {
  std::string error;
  EXPECT_EQ(dynlib::open("/nonexistent/libnothing.so", &error), nullptr);
  EXPECT_FALSE(error.empty());
  void* libc = dynlib::open("libc.so.6", &error);
  ASSERT_NE(libc, nullptr);
  EXPECT_NE(dynlib::symbol(libc, "strlen"), nullptr);
  EXPECT_EQ(dynlib::symbol(libc, "no_such_entry_point_kv"), nullptr);
  dynlib::close(libc);
  EXPECT_NE(dynlib::self(), nullptr);
  EXPECT_NE(dynlib::symbol(dynlib::self(), "malloc"), nullptr);
}

TEST(Clock, TicksAreMonotonicAndLocalTimeIsPlausible) {
  std::uint32_t before = clock().ticks_ms();
  clock().sleep_ms(20);
  std::uint32_t elapsed = clock().ticks_ms() - before;
  EXPECT_GE(elapsed, 20u);
  EXPECT_LT(elapsed, 5000u);
  LocalTime now = clock().local_time();
  EXPECT_GE(now.year, 2020);
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
  EXPECT_GT(clock().epoch_seconds(), 1600000000);
}

}  // namespace
}  // namespace kv
