// Tests of the file-system facility and its fault hook.
#include "platform/fs.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <time.h>

#include <cerrno>
#include <chrono>
#include <set>

#include "platform/file_lock.h"
#include "platform/testing/fault_injection.h"
#include "platform/testing/temp_dir.h"

namespace kv {
namespace {

TEST(Fs, DrivesSeparatorsAndNames) {
  EXPECT_EQ(fs::drive_letter("c:\\data"), 'C');
  EXPECT_EQ(fs::drive_letter("X:"), 'X');
  EXPECT_EQ(fs::drive_letter("1:"), 0);
  EXPECT_EQ(fs::drive_letter("abc"), 0);
  EXPECT_FALSE(fs::drive_exists('C'));
  EXPECT_EQ(fs::to_slashes("a\\b/c\\"), "a/b/c/");
  EXPECT_TRUE(fs::is_absolute("/tmp"));
  EXPECT_TRUE(fs::is_absolute("\\tmp"));
  EXPECT_TRUE(fs::is_absolute("C:\\tmp"));
  EXPECT_FALSE(fs::is_absolute("C:tmp"));
  EXPECT_FALSE(fs::is_absolute("tmp/x"));
  EXPECT_EQ(fs::dir_name("/a/b"), "/a");
  EXPECT_EQ(fs::dir_name("/a"), "/");
  EXPECT_EQ(fs::last_component("C:\\dir\\f.txt"), "f.txt");
  EXPECT_EQ(fs::last_component("C:f.txt"), "f.txt");
  EXPECT_EQ(fs::join("/a/", "b"), "/a/b");
  EXPECT_EQ(fs::join("/a", "b"), "/a/b");
  EXPECT_EQ(fs::resolve("/home/x", "D:\\data\\f"), "D:\\data\\f");
}

TEST(Fs, ResolveFindsExistingNamesWithoutRegardToCase) {
  testing::TempDir dir;
  dir.write("Data/Sub/QRTLNK.RCV", "");
  dir.write("Data/abc", "");
  dir.write("Data/ABC", "");
  dir.write("Data/Abc", "");
  const std::string base = dir.path();
  EXPECT_EQ(fs::resolve(base, "data\\sub\\qrtlnk.rcv"), dir.file("Data/Sub/QRTLNK.RCV"));
  EXPECT_EQ(fs::resolve(base, "DATA/./x/../SUB/Qrtlnk.Rcv"), dir.file("Data/Sub/QRTLNK.RCV"));
  EXPECT_EQ(fs::resolve(base, "data/Abc"), dir.file("Data/Abc"));  // exact match first
  EXPECT_EQ(fs::resolve(base, "data/aBC"), dir.file("Data/ABC"));  // else first in byte order
  EXPECT_EQ(fs::resolve(base, "data/New/File.Txt"), dir.file("Data/New/File.Txt"));
  EXPECT_EQ(fs::resolve("/unused", dir.file("DATA/SUB")), dir.file("Data/Sub"));
  EXPECT_EQ(fs::resolve(base, ""), base);
  EXPECT_EQ(fs::resolve("/", ".."), "/");
  EXPECT_EQ(fs::list_directory(dir.file("Data")),
            (std::vector<std::string>{"ABC", "Abc", "Sub", "abc"}));
  EXPECT_TRUE(fs::list_directory(dir.file("missing")).empty());
  // Below a directory resolved once, every name resolves as it does from the root: relative,
  // absolute inside it or elsewhere, with dots, in any case, missing.
  const std::string home = fs::resolve("/", dir.file("DATA"));
  for (const std::string& name :
       {std::string("sub/qrtlnk.rcv"), std::string("aBC"), std::string("New/f"), std::string(""),
        std::string("./SUB/../abc"), std::string("../data/SUB"), dir.file("Data/SUB/Qrtlnk.rcv"),
        dir.file("DATA/sub"), dir.file("Data"), std::string("/"), std::string("X:\\f")}) {
    EXPECT_EQ(fs::resolve_below(home, name), fs::resolve(home, name)) << name;
  }
}

TEST(Fs, FilesPermissionsAndStatus) {
  testing::TempDir dir;
  int fd = fs::create_file(dir.file("f.txt"), 0600);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(fs::close_descriptor(fd), 0);
  dir.write("f.txt", "12345");
  fs::Status st = fs::status(dir.file("f.txt"));
  EXPECT_TRUE(st.exists);
  EXPECT_FALSE(st.is_directory);
  EXPECT_EQ(st.size, 5);
  EXPECT_TRUE(fs::is_directory(dir.path()));
  EXPECT_TRUE(fs::set_permissions(dir.file("f.txt"), 0400).ok());
  EXPECT_EQ(fs::status(dir.file("f.txt")).mode, 0400u);
  if (!testing::running_as_root()) {
    EXPECT_FALSE(fs::is_writable(dir.file("f.txt")));
  }
  EXPECT_TRUE(fs::is_readable(dir.file("f.txt")));
  EXPECT_TRUE(fs::set_permissions(dir.file("f.txt"), 0600).ok());
  EXPECT_TRUE(fs::rename_file(dir.file("f.txt"), dir.file("g.txt")).ok());
  EXPECT_TRUE(fs::sync_file(dir.file("g.txt")).ok());
  EXPECT_TRUE(fs::remove_file(dir.file("g.txt")).ok());
  EXPECT_FALSE(fs::remove_file(dir.file("g.txt")).ok());
  EXPECT_EQ(fs::last_failure().error, ENOENT);
  EXPECT_TRUE(fs::make_directory(dir.file("d")).ok());
  EXPECT_FALSE(fs::make_directory(dir.file("d")).ok());

  // A drive-qualified name never becomes a file called "X:..." in the current directory.
  EXPECT_EQ(fs::open_stream("Q:\\kvtest-drive.txt", "w"), nullptr);
  EXPECT_EQ(fs::last_failure().error, ENOENT);
  EXPECT_EQ(fs::create_file("Q:kvtest-drive.txt", 0600), -1);
  EXPECT_FALSE(fs::exists("Q:kvtest-drive.txt"));
}

TEST(Fs, ExclusiveOpenRefusesASecondHolder) {
  testing::TempDir dir;
  dir.write("busy", "");
  int first = fs::open_descriptor(dir.file("busy"), fs::kRead, true);
  ASSERT_GE(first, 0);
  EXPECT_EQ(fs::open_descriptor(dir.file("busy"), fs::kRead | fs::kWrite, true), -1);
  int shared = fs::open_descriptor(dir.file("busy"), fs::kRead, false);
  EXPECT_GE(shared, 0);
  fs::close_descriptor(shared);
  fs::close_descriptor(first);
  int again = fs::open_descriptor(dir.file("busy"), fs::kWrite | fs::kAppend, true);
  EXPECT_GE(again, 0);
  fs::close_descriptor(again);
  EXPECT_EQ(fs::open_descriptor(dir.file("none"), fs::kRead, false), -1);
  int created = fs::open_descriptor(dir.file("new"), fs::kWrite | fs::kCreate, false);
  EXPECT_GE(created, 0);
  fs::close_descriptor(created);
  EXPECT_TRUE(dir.exists("new"));
}

TEST(Fs, UniqueNamesFromTemplates) {
  testing::TempDir dir;
  std::set<std::string> seen;
  for (int i = 0; i < 40; ++i) {
    std::string name = fs::make_unique_name(dir.file("TMXXXXXX"));
    ASSERT_EQ(name.size(), dir.file("TMXXXXXX").size());
    EXPECT_EQ(name.rfind(dir.file("TM"), 0), 0u);
    EXPECT_NE(name, dir.file("TMXXXXXX"));
    EXPECT_FALSE(fs::exists(name));
    EXPECT_TRUE(seen.insert(name).second);
    dir.write(fs::last_component(name), "");
  }
  dir.write("fixed.tmp", "");
  EXPECT_EQ(fs::make_unique_name(dir.file("FIXED.TMP")), "");  // taken, without regard to case
  EXPECT_EQ(fs::make_unique_name(dir.file("free.tmp")), dir.file("free.tmp"));
}

TEST(Fs, FaultHookFailsTheChosenCall) {
  testing::TempDir dir;
  dir.write("a", "1");
  dir.write("b", "2");
  testing::FaultInjector faults;
  faults.fail_nth("remove", 2, ENOSPC);
  EXPECT_TRUE(fs::remove_file(dir.file("a")).ok());
  EXPECT_FALSE(fs::remove_file(dir.file("b")).ok());
  EXPECT_EQ(fs::last_failure().error, ENOSPC);
  EXPECT_TRUE(dir.exists("b"));
  EXPECT_TRUE(faults.triggered());
  EXPECT_EQ(faults.calls("remove"), 2);

  faults.fail_nth("write", 1, EIO, "target");
  std::FILE* f = fs::open_stream(dir.file("target"), "w");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(fs::write_stream(f, "data", dir.file("target")), 0u);
  EXPECT_EQ(fs::write_stream(f, "data", dir.file("target")), 4u);
  std::fclose(f);
  EXPECT_EQ(dir.read("target"), "data");

  faults.fail_nth("", 1, EACCES, "", true);
  EXPECT_EQ(fs::open_stream(dir.file("x"), "r"), nullptr);
  EXPECT_EQ(fs::create_file(dir.file("y"), 0600), -1);
  EXPECT_FALSE(fs::rename_file(dir.file("b"), dir.file("c")).ok());
  EXPECT_FALSE(dir.exists("y"));
  EXPECT_TRUE(dir.exists("b"));
  faults.clear();

  // A stream's buffer reaches its file through the hook as well: a refused flush keeps it.
  f = fs::open_stream(dir.file("buffered"), "w");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(fs::write_stream(f, "held", dir.file("buffered")), 4u);
  faults.fail_nth("flush", 1, ENOSPC);
  EXPECT_FALSE(fs::flush_stream(f, dir.file("buffered")).ok());
  EXPECT_EQ(errno, ENOSPC);
  EXPECT_EQ(dir.read("buffered"), "");
  EXPECT_TRUE(fs::flush_stream(f, dir.file("buffered")).ok());
  EXPECT_EQ(dir.read("buffered"), "held");
  std::fclose(f);
}

TEST(Fs, LockedRunFilesGoThroughTheFaultHook) {
  testing::TempDir dir;
  const std::string path = dir.file("run");
  const int fd = fs::create_new_file(path, 0600);
  ASSERT_GE(fd, 0);
  const std::string identity = fs::file_identity(path);
  ASSERT_FALSE(identity.empty());
  {
    testing::FaultInjector faults(true);
    faults.fail_nth("", 1, EIO, "", true);
    EXPECT_EQ(fs::open_existing_file(path), -1);
    EXPECT_FALSE(fs::names_open_file(fd, path));
    EXPECT_EQ(fs::file_identity(path), "");
    EXPECT_EQ(fs::file_fingerprint(path), "");
    EXPECT_FALSE(fs::append_synced(fd, "x", path).ok());
    EXPECT_FALSE(fs::truncate_synced(fd, path).ok());
    EXPECT_FALSE(fs::link_file(path, dir.file("second")).ok());
    EXPECT_EQ(fs::create_new_file(dir.file("other"), 0600), -1);
    EXPECT_EQ(faults.calls("open-write"), 1);
    EXPECT_EQ(faults.calls("lookup"), 3);
  }
  // Without the hook they work on the same file.
  const int again = fs::open_existing_file(path);
  EXPECT_GE(again, 0);
  EXPECT_TRUE(fs::names_open_file(fd, path));
  EXPECT_EQ(fs::file_identity(path), identity);
  EXPECT_TRUE(fs::append_synced(fd, "x", path).ok());
  fs::close_descriptor(again);
  fs::close_descriptor(fd);
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

// Sets the modification time of `path` one hour back (an unchanged directory).
void age(const std::string& path) {
  timespec times[2];
  ::clock_gettime(CLOCK_REALTIME, &times[0]);
  times[0].tv_sec -= 3600;
  times[1] = times[0];
  ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

TEST(Fs, CaseInsensitiveLookupSeesEveryChange) {
  testing::TempDir dir;
  dir.write("ABC", "");
  age(dir.path());
  EXPECT_EQ(fs::resolve(dir.path(), "abc"), dir.file("ABC"));
  EXPECT_EQ(fs::resolve(dir.path(), "abd"), dir.file("abd"));
  dir.write("Abd", "");  // right after the listing
  EXPECT_EQ(fs::resolve(dir.path(), "abd"), dir.file("Abd"));
  ASSERT_TRUE(fs::remove_file(dir.file("ABC")).ok());
  dir.write("aBC", "");
  EXPECT_EQ(fs::resolve(dir.path(), "abc"), dir.file("aBC"));
  ASSERT_TRUE(fs::remove_file(dir.file("aBC")).ok());
  EXPECT_EQ(fs::resolve(dir.path(), "ABC"), dir.file("ABC"));  // gone: the name as given
  // Two names that differ only in case: the first in byte order, whether the directory was just
  // changed (scanned for the name) or has been left alone (its index).
  dir.write("abC", "");
  dir.write("aBc", "");
  EXPECT_EQ(fs::resolve(dir.path(), "ABC"), dir.file("aBc"));
  age(dir.path());
  EXPECT_EQ(fs::resolve(dir.path(), "ABC"), dir.file("aBc"));
}

TEST(Fs, LookupsInALargeDirectoryStayFast) {
  testing::TempDir dir;
  constexpr int kFiles = 3000;
  for (int i = 0; i < kFiles; ++i) {
    int fd = fs::create_file(dir.file("File" + std::to_string(i) + ".dat"), 0600);
    ASSERT_GE(fd, 0);
    fs::close_descriptor(fd);
  }
  age(dir.path());
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kFiles; ++i) {
    ASSERT_EQ(fs::resolve(dir.path(), "FILE" + std::to_string(i) + ".DAT"),
              dir.file("File" + std::to_string(i) + ".dat"));
    ASSERT_EQ(fs::resolve(dir.path(), "none" + std::to_string(i)),
              dir.file("none" + std::to_string(i)));
  }
  auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 3.0);  // a directory scan per look-up: 6,000 scans of 3,000 names
}

}  // namespace
}  // namespace kv
