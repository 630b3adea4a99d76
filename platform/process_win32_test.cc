// The process, library, clock, memory, single-instance and Java runtime facilities on Windows.
#include "platform/process.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/dynlib.h"
#include "platform/fs.h"
#include "platform/instance_lock.h"
#include "platform/java_runtime.h"
#include "platform/process_output.h"
#include "platform/system_info.h"
#include "platform/testing/environment.h"
#include "platform/testing/temp_dir.h"
#include "platform/window.h"

namespace kv {
namespace {

std::string probe() { return process::program_directory() + "/kv_args_probe"; }

TEST(ProcessWindows, ArgumentsArriveAsGivenInTheWorkingDirectory) {
  testing::TempDir dir;
  // Words in pairs, as the probe reads them; "exit 7" last.
  const std::vector<std::string> args = {"DIAL", "Office Line", "",       "say \"hi\"", "a\\",
                                         "b\\\\\"c", "%PATH%",      "a b\\", "exit",        "7"};
  EXPECT_EQ(process::runner().run_and_wait(probe(), args, dir.path()), 7);
  std::vector<std::string> lines = testing::read_lines(dir.file("probe.txt"));
  ASSERT_EQ(lines.size(), args.size() + 1);
  EXPECT_EQ(fs::to_slashes(lines[0]), fs::to_slashes(dir.path()));
  for (std::size_t i = 0; i < args.size(); ++i) EXPECT_EQ(lines[i + 1], args[i]);
  EXPECT_EQ(process::runner().run_and_wait(probe() + ".exe", {"exit", "0"}, dir.path()), 0);
  EXPECT_EQ(process::runner().run_and_wait(dir.file("missing"), {}, dir.path()), -1);
  EXPECT_EQ(process::runner().run_and_wait(probe(), {}, dir.file("missing")), -1);
}

TEST(ProcessWindows, CapturedOutputAndTheTimeLimit) {
  process::Output out = process::run_capture(probe(), {"print", "hello world", "exit", "3"}, 20000);
  EXPECT_EQ(out.text, "hello world");
  EXPECT_EQ(out.exit_status, 3);
  process::Output late = process::run_capture(probe(), {"sleep", "20000"}, 500);
  EXPECT_EQ(late.exit_status, -1);
  EXPECT_EQ(process::run_capture("kv-no-such-program", {}, 1000).exit_status, -1);
}

TEST(ProcessWindows, ProgramDirectoryEnvironmentLibrariesClockMemory) {
  EXPECT_EQ(fs::last_component(process::program_directory()), "tests-bin");
  testing::set_env("KV_TEST_VALUE", "x y");
  bool found = false;
  EXPECT_EQ(process::get_env("KV_TEST_VALUE", &found), "x y");
  EXPECT_TRUE(found);
  testing::unset_env("KV_TEST_VALUE");
  EXPECT_EQ(process::get_env("KV_TEST_VALUE", &found), "");
  EXPECT_FALSE(found);

  std::string error;
  void* kernel = dynlib::open("C:/windows/system32/kernel32.dll", &error);
  ASSERT_NE(kernel, nullptr) << error;
  EXPECT_NE(dynlib::symbol(kernel, "GetTickCount"), nullptr);
  EXPECT_EQ(dynlib::symbol(kernel, "NoSuchEntryPoint"), nullptr);
  EXPECT_EQ(dynlib::open("C:/no/such/jvm.dll", &error), nullptr);
  EXPECT_FALSE(error.empty());
  EXPECT_NE(dynlib::self(), nullptr);

  std::uint32_t first = clock().ticks_ms();
  clock().sleep_ms(100);
  EXPECT_GE(clock().ticks_ms() - first, 50u);
  EXPECT_LE(std::abs(clock().epoch_seconds() - static_cast<std::int64_t>(std::time(nullptr))), 2);
  LocalTime now = clock().local_time();
  EXPECT_GE(now.year, 2024);
  EXPECT_TRUE(now.month >= 1 && now.month <= 12 && now.day >= 1 && now.day <= 31);

  system_info::MemoryStatus memory;
  ASSERT_TRUE(system_info::memory_status(&memory));
  EXPECT_GT(memory.physical_total, 0u);
  EXPECT_LE(memory.physical_free, memory.physical_total);
  EXPECT_GT(memory.address_space_total, memory.address_space_free);
}

class Idle : public WindowHandler {};

TEST(InstanceLockWindows, TheLockAndTheWindowOfTheClassEachRefuseASecondStart) {
  InstanceLock first("kvtestlock");
  InstanceLock second("kvtestlock");
  ASSERT_TRUE(first.try_acquire());
  first.publish("C:/home/app");
  EXPECT_FALSE(second.try_acquire());
  EXPECT_EQ(second.published(), "C:/home/app");
  first.release();
  EXPECT_TRUE(second.try_acquire());
  second.release();

  // A window of the program's class, as a run's status window is, refuses the start as well.
  WindowTemplate tmpl;
  tmpl.class_name = "KVTESTLOCK";
  tmpl.caption = "held";
  tmpl.width = 100;
  tmpl.height = 50;
  Idle handler;
  std::unique_ptr<StatusWindow> window = create_desktop_window(tmpl, handler);
  if (!window) GTEST_SKIP() << "no desktop to create windows on";
  EXPECT_FALSE(first.try_acquire());
  first.request_raise_of_holder();
  window->destroy();
  EXPECT_TRUE(first.try_acquire());
}

TEST(JavaRuntimeWindows, BesideTheProgramThenJavaHomeThenTheRegistry) {
  testing::set_env("JAVA_HOME", "C:\\jdk\\17");
  HKEY key = nullptr;
  bool registered =
      ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\JavaSoft\\JDK\\17.0.9", 0, nullptr, 0,
                        KEY_WRITE, nullptr, &key, nullptr) == ERROR_SUCCESS;
  if (registered) {
    const wchar_t home[] = L"C:\\Program Files\\Java\\jdk-17";
    ::RegSetValueExW(key, L"JavaHome", 0, REG_SZ, reinterpret_cast<const BYTE*>(home), sizeof home);
    ::RegCloseKey(key);
    const wchar_t version[] = L"17.0.9";
    ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\JavaSoft\\JDK", L"CurrentVersion", REG_SZ,
                      version, sizeof version);
  }
  std::vector<std::string> libraries = java_runtime::machine_libraries("C:/kv");
  testing::unset_env("JAVA_HOME");
  if (registered) ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\JavaSoft\\JDK");
  ASSERT_GE(libraries.size(), 3u);
  EXPECT_EQ(libraries[0], "C:/kv/jre/bin/client/jvm.dll");
  EXPECT_EQ(libraries[1], "C:/kv/jre/bin/server/jvm.dll");
  EXPECT_EQ(libraries[2], "C:/jdk/17/bin/server/jvm.dll");
  if (registered) {
    EXPECT_NE(std::find(libraries.begin(), libraries.end(),
                        "C:/Program Files/Java/jdk-17/bin/server/jvm.dll"),
              libraries.end());
  }
  EXPECT_STREQ(java_runtime::class_path_separator(), ";");
}

}  // namespace
}  // namespace kv
