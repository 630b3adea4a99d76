// The file-system facility on Windows: drive and network names, names found in their real
// spelling, long paths, names that must never reach the file system, ANSI names, the one-step
// replacement (also of a read-only file and of one that is open), the locked run files, and
// the fault hook.
#include "platform/fs.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "platform/file_lock.h"
#include "platform/testing/temp_dir.h"

namespace kv {
namespace {

std::string content_of(const std::string& path) {
  std::string text;
  fs::read_whole_file(path, text);
  return text;
}

bool write(const std::string& path, const std::string& text) {
  std::FILE* f = fs::open_stream(path, "w");
  if (f == nullptr) return false;
  bool ok = fs::write_stream(f, text, path) == text.size();
  return std::fclose(f) == 0 && ok;
}

TEST(FsWindows, DrivesNetworkNamesAndResolution) {
  EXPECT_TRUE(fs::drive_exists('C'));
  EXPECT_FALSE(fs::drive_exists('Q'));
  EXPECT_TRUE(fs::is_absolute("C:/data"));
  EXPECT_TRUE(fs::is_absolute("c:\\data"));
  EXPECT_TRUE(fs::is_absolute("\\\\server\\share\\f"));
  EXPECT_FALSE(fs::is_absolute("\\data"));  // on the current drive, not fully named
  EXPECT_FALSE(fs::is_absolute("C:data"));
  EXPECT_EQ(fs::dir_name("C:/a/b"), "C:/a");
  EXPECT_EQ(fs::dir_name("C:/a"), "C:/");
  EXPECT_EQ(fs::dir_name("C:/"), "C:/");
  EXPECT_EQ(fs::dir_name("//server/share/f"), "//server/share");
  EXPECT_EQ(fs::dir_name("//server/share"), "//server/share");
  EXPECT_EQ(fs::resolve("C:/home/app", "x.txt"), "C:/home/app/x.txt");
  EXPECT_EQ(fs::resolve("c:/home/app", "..\\..\\x.txt"), "C:/x.txt");
  EXPECT_EQ(fs::resolve("C:/home/app", "\\data\\x.txt"), "C:/data/x.txt");
  EXPECT_EQ(fs::resolve("C:/home/app", "C:sub\\x.txt"), "C:/home/app/sub/x.txt");
  EXPECT_EQ(fs::resolve("C:/home/app", "d:/Other"), "D:/Other");
  EXPECT_EQ(fs::resolve("//server/share/dir", "..\\..\\x"), "//server/share/x");
  EXPECT_EQ(fs::resolve("C:/home", ".."), "C:/");

  testing::TempDir dir;
  dir.write("Data/Sub/QRTLNK.RCV", "");
  const std::string base = fs::to_slashes(dir.path());
  EXPECT_EQ(fs::resolve(base, "data\\sub\\qrtlnk.rcv"), base + "/Data/Sub/QRTLNK.RCV");
  EXPECT_EQ(fs::resolve(base, "DATA/./x/../SUB/New.Txt"), base + "/Data/Sub/New.Txt");
  EXPECT_EQ(fs::resolve(base, "data/*"), base + "/Data/*");  // no pattern is looked up
  EXPECT_EQ(fs::current_directory().substr(1, 2), ":/");
  EXPECT_EQ(fs::temp_directory().substr(1, 2), ":/");
}

TEST(FsWindows, LongPathsWork) {
  testing::TempDir dir;
  std::string path = fs::to_slashes(dir.path());
  while (path.size() < 330) {
    path += "/" + std::string(40, 'd');
    ASSERT_TRUE(fs::make_directory(path).ok()) << path;
  }
  const std::string file = path + "/qrtlnk.rcv";
  ASSERT_TRUE(write(file, "old\n"));
  std::FILE* f = fs::create_new_stream(path + "/KVRWABCDEF", 0600);
  ASSERT_NE(f, nullptr);
  fs::write_stream(f, "new\n", path + "/KVRWABCDEF");
  EXPECT_TRUE(fs::sync_stream(f, path + "/KVRWABCDEF").ok());
  std::fclose(f);
  EXPECT_TRUE(fs::rename_file(path + "/KVRWABCDEF", file).ok());
  EXPECT_EQ(content_of(file), "new\n");
  EXPECT_EQ(fs::status(file).size, 4);
  EXPECT_EQ(fs::list_directory(path), std::vector<std::string>{"qrtlnk.rcv"});
  EXPECT_EQ(fs::resolve(path, "QRTLNK.RCV"), file);
  EXPECT_NE(fs::file_identity(file), "");
  EXPECT_TRUE(fs::remove_file(file).ok());
  EXPECT_FALSE(fs::exists(file));
}

TEST(FsWindows, DevicesAndStreamsNeverReachTheFileSystem) {
  testing::TempDir dir;
  for (const char* name : {"CON", "nul", "aux.txt", "COM1", "lpt9.dat", "con .x", "f.txt:hidden"}) {
    const std::string path = dir.file(name);
    EXPECT_EQ(fs::open_stream(path, "w"), nullptr) << name;
    EXPECT_EQ(fs::last_failure().error, ENOENT) << name;
    EXPECT_EQ(fs::create_file(path, 0600), -1) << name;
    EXPECT_FALSE(fs::exists(path)) << name;
  }
  EXPECT_TRUE(fs::list_directory(dir.path()).empty());
  EXPECT_NE(fs::open_stream(dir.file("console.txt"), "w"), nullptr);  // only the device names
}

TEST(FsWindows, NamesAreTheApplicationsAnsiBytes) {
  testing::TempDir dir;
  const std::string name = "caf\xe9-\xc4rger.txt";  // as the ANSI code page (1252) spells it
  ASSERT_TRUE(write(dir.file(name), "x"));
  EXPECT_EQ(fs::list_directory(dir.path()), std::vector<std::string>{name});
  EXPECT_EQ(fs::resolve(dir.path(), "CAF\xc9-\xc4RGER.TXT"), fs::to_slashes(dir.path()) + "/" + name);
}

TEST(FsWindows, ReplacementKeepsPosixSemantics) {
  testing::TempDir dir;
  const std::string target = dir.file("qrtlnk.snd");
  const std::string fresh = dir.file("KVRW000001");
  ASSERT_TRUE(write(target, "old"));
  EXPECT_TRUE(fs::set_permissions(target, 0400).ok());
  EXPECT_EQ(fs::status(target).mode, 0400u);
  EXPECT_FALSE(fs::is_writable(target));
  EXPECT_EQ(fs::open_stream(target, "w"), nullptr);  // a read-only file is not written
  EXPECT_EQ(fs::last_failure().error, EACCES);

  // The one-step rewrite replaces it all the same; a program that holds it open for a moment
  // (a virus scanner) is waited for.
  ASSERT_TRUE(write(fresh, "new"));
  const std::string before = fs::file_identity(target);
  std::FILE* scanner = fs::open_stream(target, "rb");
  ASSERT_NE(scanner, nullptr);
  std::thread done_soon([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::fclose(scanner);
  });
  EXPECT_TRUE(fs::rename_file(fresh, target).ok());
  done_soon.join();
  EXPECT_NE(fs::file_identity(target), before);
  EXPECT_EQ(content_of(target), "new");
  EXPECT_EQ(fs::status(target).mode, 0600u) << "the new file brings its own permission";

  // A read-only file is removed as on POSIX; the read-only mark of a new file is kept.
  EXPECT_TRUE(fs::set_permissions(target, 0400).ok());
  EXPECT_TRUE(fs::remove_file(target).ok());
  EXPECT_FALSE(fs::exists(target));
  int fd = fs::create_file(target, 0400);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(fs::close_descriptor(fd), 0);
  EXPECT_EQ(fs::status(target).mode, 0400u);
  EXPECT_FALSE(fs::rename_file(dir.file("missing"), target).ok());
  EXPECT_EQ(fs::last_failure().error, ENOENT);
}

TEST(FsWindows, RunFilesAreCreatedOnceLockedAndAppendedToDisk) {
  testing::TempDir dir;
  const std::string busy = dir.file("qrtlnk.bsy");
  int fd = fs::create_new_file(busy, 0600);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(fs::create_new_file(busy, 0600), -1);
  EXPECT_TRUE(fs::try_lock_exclusive(fd));
  int other = fs::open_existing_file(busy);
  ASSERT_GE(other, 0);
  EXPECT_FALSE(fs::try_lock_exclusive(other)) << "a second holder";
  EXPECT_TRUE(fs::append_synced(fd, "mode R\n", busy).ok());
  EXPECT_TRUE(fs::append_synced(fd, "step 1\n", busy).ok());
  std::string text;
  EXPECT_TRUE(fs::read_whole(other, text)) << "the content stays readable while it is locked";
  EXPECT_EQ(text, "mode R\nstep 1\n");
  EXPECT_TRUE(fs::names_open_file(fd, busy));
  EXPECT_TRUE(fs::link_file(busy, dir.file("second")).ok());
  EXPECT_FALSE(fs::link_file(busy, dir.file("second")).ok());
  EXPECT_TRUE(fs::names_open_file(fd, dir.file("second")));
  EXPECT_TRUE(fs::truncate_synced(fd, busy).ok());
  EXPECT_EQ(fs::status(dir.file("second")).size, 0);
  EXPECT_TRUE(fs::remove_file(busy).ok());  // removed while held, gone once it is closed
  fs::close_descriptor(fd);
  EXPECT_TRUE(fs::try_lock_exclusive(other)) << "released with its holder's handle";
  fs::close_descriptor(other);
  EXPECT_FALSE(fs::exists(busy));

  // The exclusive open denies every other open.
  int exclusive = fs::open_descriptor(dir.file("second"), fs::kRead, true);
  ASSERT_GE(exclusive, 0);
  EXPECT_EQ(fs::open_descriptor(dir.file("second"), fs::kRead, false), -1);
  fs::close_descriptor(exclusive);
  EXPECT_GE(fs::open_descriptor(dir.file("second"), fs::kRead, false), 0);
}

TEST(FsWindows, FaultHookFailsTheChosenCallWithoutPerformingIt) {
  testing::TempDir dir;
  ASSERT_TRUE(write(dir.file("a"), "a"));
  ASSERT_TRUE(write(dir.file("b"), "b"));
  int renames = 0;
  fs::set_fault_hook([&](const char* operation, const std::string&) {
    if (std::string(operation) != "rename") return 0;
    return ++renames == 1 ? ENOSPC : 0;
  });
  EXPECT_FALSE(fs::rename_file(dir.file("a"), dir.file("b")).ok());
  EXPECT_EQ(fs::last_failure().error, ENOSPC);
  EXPECT_EQ(content_of(dir.file("b")), "b");
  EXPECT_TRUE(fs::rename_file(dir.file("a"), dir.file("b")).ok());
  fs::set_fault_hook(nullptr);
  EXPECT_EQ(content_of(dir.file("b")), "a");

  // A hook that also sees look-ups makes a refused name look absent.
  fs::set_fault_hook(
      [](const char* operation, const std::string&) {
        return std::string(operation) == "lookup" ? EACCES : 0;
      },
      true);
  EXPECT_FALSE(fs::exists(dir.file("b")));
  EXPECT_FALSE(fs::is_readable(dir.file("b")));
  fs::set_fault_hook(nullptr);
  EXPECT_TRUE(fs::exists(dir.file("b")));
}

TEST(FsWindows, NewFilesDescriptorsOwnersAndLinks) {
  testing::TempDir dir;
  const std::string path = dir.file("new");
  int fd = fs::create_new_descriptor(path, 0600);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(fs::create_new_descriptor(path, 0600), -1);
  EXPECT_EQ(fs::last_failure().error, fs::kNameTaken);
  const std::string text(70000, 'x');
  EXPECT_TRUE(fs::write_descriptor(fd, text.data(), text.size(), path));
  fs::close_descriptor(fd);
  fd = fs::open_descriptor(path, fs::kRead, false);
  ASSERT_GE(fd, 0);
  std::string back;
  char buffer[4096];
  long got = 0;
  while ((got = fs::read_descriptor(fd, buffer, sizeof buffer)) > 0) back.append(buffer, got);
  fs::close_descriptor(fd);
  EXPECT_EQ(got, 0);
  EXPECT_EQ(back, text);

  // What this process makes is its own and named after its user; nothing is owned where nothing is.
  EXPECT_TRUE(fs::owned_by_current_user(path));
  EXPECT_FALSE(fs::current_user_name().empty());
  EXPECT_EQ(fs::owner_name(path).empty(), false);
  EXPECT_FALSE(fs::owned_by_current_user(dir.file("absent")));
  EXPECT_EQ(fs::owner_name(dir.file("absent")), "");

  // A plain file is no link and stands for itself.
  EXPECT_FALSE(fs::is_symbolic_link(path));
  EXPECT_EQ(fs::link_target(path), path);
  EXPECT_TRUE(fs::is_out_of_space(ENOSPC));
  EXPECT_FALSE(fs::error_text(ENOSPC).empty());

  // Every directory with a new entry is flushed once, and forgotten after that.
  EXPECT_TRUE(fs::sync_changed_directories().ok());
  int flushes = 0;
  fs::set_fault_hook([&](const char* operation, const std::string&) {
    if (std::string(operation) == "sync") ++flushes;
    return 0;
  });
  EXPECT_TRUE(fs::sync_changed_directories().ok());
  EXPECT_EQ(flushes, 0);
  ASSERT_TRUE(write(dir.file("other"), "o"));
  EXPECT_TRUE(fs::sync_changed_directories().ok());
  EXPECT_EQ(flushes, 1);
  fs::set_fault_hook(nullptr);
}

}  // namespace
}  // namespace kv
