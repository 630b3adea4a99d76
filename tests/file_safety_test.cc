// Black-box tests of the application's and the client's own files in the local modes: the
// client's files refused whatever name leads to them, links and permission bits kept, a home the
// run cannot write told to the operator, a full disk (on a small file system made for the tests:
// KOVENDI_TEST_SMALL_FS), and a second user in a shared home (KOVENDI_TEST_OTHER_USER, reached
// through sudo, sharing the group KOVENDI_TEST_SHARED_GROUP). scripts/test.sh provides both when
// it runs as root; without them those tests skip, saying why.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>

#include "tests/blackbox.h"
#include "tests/e2e_support.h"

namespace {

using Files = std::map<std::string, std::string>;

// A receive-store record of one message with `parts` part files "NAME.001" ...
std::string record(const std::string& id, const std::string& name, int parts) {
  return "|202403071030|000000000" + id.substr(id.size() - 1) + "|" + id + "|" +
         std::to_string(parts) + "|" + name + ".001|subject|||1|1|NL|ADMD|PRMD|ORG|||||Bakker|Bob";
}

// Every file of a directory tree with its content (links as their targets' content).
Files snapshot(const std::string& dir) {
  Files files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    const std::string name = std::filesystem::relative(entry.path(), dir).string();
    files[name] = kvtest::read_file(entry.path().string());
  }
  return files;
}

std::string error_code(const std::string& dir) {
  return kvtest::read_file(dir + "/qrtlnk.err").substr(0, 4);
}

kvtest::RunResult kovendi(const std::string& dir, const std::vector<std::string>& args,
                          kvtest::RunOptions options = {}) {
  kvtest::RunResult r = kvtest::run(kvtest::program("kovendi"), args, dir, options);
  EXPECT_EQ(0, r.exit_code) << r.err;
  return r;
}

// The client's files, and the names under which an application might hand them back: another
// letter case, a way through "..", a symbolic link.
TEST(FileSafety, OwnFilesAreRefusedWhateverTheyAreCalled) {
  kvtest::TempDir dir;
  const std::string home = dir.path();
  for (const auto& [name, content] : std::map<std::string, std::string>{
           {"qrtlnk.scr", "*001LIJST\n"},
           {"qrt_lnk.old", "*001ONTVANG\n"},
           {"qrtlnk.rcv", record("EDIINSABC0001", "RCVPART1", 1) + "\n"},
           {"RCVPART1.001", "a received message\n"},
           {"qrtlnk.snd", "ABC|||x\n"},
           {"qrtlnk.sav", "*001ZEND\n"},
           {"qrtlnk.sts", "*001LIJST|202403071030|0000\n"},
           {"qrtlnk.gns", "POS=USER\nPIN=SECRET\nSRV=file:store\n"},
           {"store/marker", "a message store\n"},
           {"$qrt400.prm", "LOGFILE=journal.txt\n"},
           {"journal.txt", "journal\n"},
           {"qrt400.log", "journal\n"},
           {"debug.log", "debug\n"},
           {"kovendi-client.log", "client\n"},
           {"scriptin.dir", "ABC|in/*.scr\n"},
           {"QLX_0101.001", "a set-aside copy\n"},
           {"KV123456.edi", "UNB+x'UNZ+1+x'\n"},
           {"sub/keep.txt", "x\n"}}) {
    dir.write(name, content);
  }
  ASSERT_EQ(0, symlink("qrt_lnk.old", dir.file("old.link").c_str()));
  const Files before = snapshot(home);
  const std::vector<std::string> names = {
      "qrtlnk.scr",  "QRTLNK.SCR",  "sub/../qrtlnk.scr", "old.link",     "qrtlnk.rcv",
      "Qrtlnk.Snd",  "qrtlnk.sts",  "qrtlnk.gns",        "RCVPART1.001", "store/marker",
      "$qrt400.prm", "journal.txt", "QRT400.LOG",        "QLX_0101.001", "kv123456.edi"};
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    struct Use {
      std::vector<std::string> args;
      std::string code;
    };
    for (const Use& use :
         {Use{{"/FT", "/R", "/MID=*", "/FIL=" + name}, "0026"},
          Use{{"/FT", "/C", "/FIL=" + name}, "0043"}, Use{{"/FT", "/U=" + name}, "0017"},
          Use{{"/FT", "/S=" + name}, "0004"}}) {
      if (use.code == "0004" && name == "qrtlnk.sts") continue;  // the status file itself
      SCOPED_TRACE(use.args[1]);
      kovendi(home, use.args);
      EXPECT_EQ(error_code(home), use.code) << kvtest::read_file(dir.file("qrtlnk.err"));
      Files after = snapshot(home);
      after.erase("qrtlnk.err");
      EXPECT_TRUE(after == before) << "a file of the client changed";
      unlink(dir.file("qrtlnk.err").c_str());
    }
  }
}

// An output file that is a symbolic link stays one: the message reaches the file it leads to,
// which keeps its permission bits.
TEST(FileSafety, OutputThroughALinkKeepsTheLinkAndTheMode) {
  kvtest::TempDir dir;
  dir.write("qrtlnk.rcv", record("EDIINSABC0001", "RCVPART1", 1) + "\n");
  dir.write("RCVPART1.001", "the message\n");
  dir.write("data/out.dat", "earlier\n");
  ASSERT_EQ(0, chmod(dir.file("data/out.dat").c_str(), 0640));
  ASSERT_EQ(0, symlink("data/out.dat", dir.file("out.link").c_str()));
  kovendi(dir.path(), {"/FT", "/R", "/MID=EDI*", "/FIL=out.link", "/ADD"});
  EXPECT_FALSE(kvtest::file_exists(dir.file("qrtlnk.err"))) << error_code(dir.path());
  struct stat st;
  ASSERT_EQ(0, lstat(dir.file("out.link").c_str(), &st));
  EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link was replaced by a file";
  EXPECT_EQ(dir.read("data/out.dat"), "earlier\nthe message\n");
  EXPECT_EQ(e2e::mode_of(dir.file("data/out.dat")), 0640u);
  EXPECT_EQ(kvtest::read_lines(dir.file("qrtlnk.rcv")), std::vector<std::string>{});
}

// A home directory that the run cannot write: nothing changes there, and the operator learns the
// directory, the reason and the code (the previous run's files would otherwise pass for this
// run's result).
TEST(FileSafety, UnwritableHomeIsToldToTheOperator) {
  if (kvtest::running_as_root()) GTEST_SKIP() << "permissions do not hold for root";
  kvtest::TempDir dir;
  dir.write("qrtlnk.gns", "POS=USER\nPIN=SECRET\nSRV=file:store\n");
  dir.write("qrtlnk.sts", "*001LIJST|202403071030|0000\n");
  dir.write("qrtlnk.rcv", record("EDIINSABC0001", "RCVPART1", 1) + "\n");
  dir.write("upd.txt", record("EDIINSABC0001", "RCVPART1", 1) + "\n");
  const Files before = snapshot(dir.path());
  ASSERT_EQ(0, chmod(dir.path().c_str(), 0555));
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"/FT"},
                                             {"/FT", "/U=upd.txt"},
                                             {"/FT", "/R", "/MID=*", "/FIL=out.dat"},
                                             {"/FT", "/C"}}) {
    SCOPED_TRACE(args.back());
    const kvtest::RunResult r = kovendi(dir.path(), args);
    EXPECT_NE(r.err.find(dir.path() + " is a home directory that cannot be written"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("0006 *** KOVENDI FOUT; Geen schrijf-permissie"), std::string::npos)
        << r.err;
    EXPECT_TRUE(snapshot(dir.path()) == before);
  }
  chmod(dir.path().c_str(), 0700);
}

// --- a full disk ---------------------------------------------------------------------------

// A home directory on the small file system, which a filler file leaves with little room.
class SmallDisk {
 public:
  static const char* root() { return std::getenv("KOVENDI_TEST_SMALL_FS"); }

  SmallDisk() : home_(std::string(root()) + "/home") { clear(); }
  ~SmallDisk() { clear(); }
  const std::string& home() const { return home_; }
  std::string file(const std::string& name) const { return home_ + "/" + name; }

  // Leaves `kib` KiB free (to a page): the filler file takes the rest.
  void leave_free(long kib) {
    const std::string filler = std::string(root()) + "/filler";
    const int fd = open(filler.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    ASSERT_GE(fd, 0);
    const std::string block(4096, 'f');
    while (free_kib() > kib) {
      if (write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size())) break;
    }
    close(fd);
    ASSERT_EQ(free_kib(), kib) << "the small file system could not be filled as wanted";
  }

  static long free_kib() {
    struct statvfs st;
    if (statvfs(root(), &st) != 0) return -1;
    return static_cast<long>(st.f_bavail * st.f_frsize / 1024);
  }

 private:
  void clear() {
    std::error_code ec;
    std::filesystem::permissions(home_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(home_, ec);
    std::filesystem::remove(std::string(root()) + "/filler", ec);
    std::filesystem::create_directories(home_);
  }
  std::string home_;
};

// What a full disk may leave: an error file with a readable code and a text that says disk space
// (never an empty one, never one that blames memory); nothing both handed over and kept.
void expect_readable_outcome(const SmallDisk& disk, bool must_fail) {
  const bool failed = kvtest::file_exists(disk.file("qrtlnk.err"));
  if (must_fail) {
    EXPECT_TRUE(failed) << "a run on a full disk reported nothing";
  }
  if (!failed) return;
  const std::vector<std::string> lines = kvtest::read_lines(disk.file("qrtlnk.err"));
  ASSERT_FALSE(lines.empty()) << "an empty error file";
  for (const std::string& line : lines) {
    EXPECT_TRUE(line.size() > 4 && e2e::all_digits(line.substr(0, 4))) << line;
    EXPECT_EQ(line.find("geheugen"), std::string::npos) << line;
  }
}

TEST(FileSafety, FullDiskAlwaysLeavesACodeInEveryLocalMode) {
  if (SmallDisk::root() == nullptr || *SmallDisk::root() == '\0') {
    GTEST_SKIP() << "no small file system (KOVENDI_TEST_SMALL_FS; scripts/test.sh mounts one as "
                    "root)";
  }
  for (long free_kib : {4L, 12L, 88L}) {
    SCOPED_TRACE(std::to_string(free_kib) + " KiB free");
    {
      SCOPED_TRACE("/R");
      SmallDisk disk;
      std::string store;
      for (int i = 0; i < 20; ++i) {
        const std::string name = "PART" + std::to_string(1000 + i);
        store += record("EDIINSABC000" + std::to_string(i % 10), name, 1) + "\n";
        kvtest::write_file(disk.file(name + ".001"), std::string(1500, 'm') + "\n");
      }
      kvtest::write_file(disk.file("qrtlnk.rcv"), store);
      disk.leave_free(free_kib);
      kovendi(disk.home(), {"/FT", "/R", "/MID=EDI*", "/FIL=out.dat"});
      expect_readable_outcome(disk, free_kib < 20);
      // Each message once: in the output file, or in the store with its part file.
      const std::string out = kvtest::read_file(disk.file("out.dat"));
      const std::size_t handed = out.size() / 1501;
      const std::size_t kept = kvtest::read_lines(disk.file("qrtlnk.rcv")).size();
      EXPECT_EQ(handed + kept, 20u) << handed << " handed over, " << kept << " kept";
    }
    {
      SCOPED_TRACE("/C");
      SmallDisk disk;
      std::string queue;
      for (int i = 0; i < 60; ++i) {
        queue += "STD|202001011200|0000|||" + std::string(150, 'q') + std::to_string(i) + "\n";
      }
      kvtest::write_file(disk.file("qrtlnk.snd"), queue);
      disk.leave_free(free_kib);
      kovendi(disk.home(), {"/FT", "/C", "/FIL=archive.snd"});
      expect_readable_outcome(disk, free_kib < 8);
      const std::size_t kept = kvtest::read_lines(disk.file("qrtlnk.snd")).size();
      const std::size_t archived = kvtest::read_lines(disk.file("archive.snd")).size();
      EXPECT_EQ(kept + archived, 60u) << kept << " kept, " << archived << " archived";
    }
    {
      SCOPED_TRACE("/U=");
      SmallDisk disk;
      std::string store;
      for (int i = 0; i < 30; ++i) {
        store += record("EDIINSABC000" + std::to_string(i % 10), "PART" + std::to_string(i), 1) +
                 std::string(200, ' ') + "x\n";
      }
      kvtest::write_file(disk.file("qrtlnk.rcv"), store);
      kvtest::write_file(disk.file("taken.txt"), store.substr(0, store.size() / 2));
      disk.leave_free(free_kib);
      kovendi(disk.home(), {"/FT", "/U=taken.txt"});
      expect_readable_outcome(disk, free_kib < 8);
    }
  }
}

// --- another user ----------------------------------------------------------------------------

const char* other_user() { return std::getenv("KOVENDI_TEST_OTHER_USER"); }

// Skips unless the other user can be reached through sudo.
bool other_user_ready(std::string& why) {
  const char* user = other_user();
  const char* group = std::getenv("KOVENDI_TEST_SHARED_GROUP");
  if (user == nullptr || *user == '\0' || group == nullptr || *group == '\0') {
    why =
        "no second user (KOVENDI_TEST_OTHER_USER and KOVENDI_TEST_SHARED_GROUP; scripts/test.sh "
        "makes them as root)";
    return false;
  }
  kvtest::RunResult r = kvtest::run("/usr/bin/sudo", {"-n", "-u", user, "true"}, "/");
  if (r.exit_code != 0) {
    why = std::string("sudo -u ") + user + " is not allowed: " + r.err;
    return false;
  }
  return true;
}

// kovendi with the creation mask of a shared home (002), as this user or the other one.
kvtest::RunResult kovendi_as(bool other, const std::string& dir,
                             const std::vector<std::string>& args, const std::string& tmpdir = "") {
  std::string command = "umask 002; cd \"$1\" && shift && exec env -u XDG_RUNTIME_DIR " +
                        (tmpdir.empty() ? std::string() : "TMPDIR=" + tmpdir + " ") + "\"$@\"";
  std::vector<std::string> sh = {"-c", command, "sh", dir, kvtest::program("kovendi")};
  sh.insert(sh.end(), args.begin(), args.end());
  std::vector<std::string> sudo = {"-n", "-u", other_user(), "/bin/sh"};
  sudo.insert(sudo.end(), sh.begin(), sh.end());
  kvtest::RunResult r =
      other ? kvtest::run("/usr/bin/sudo", sudo, "/") : kvtest::run("/bin/sh", sh, dir);
  EXPECT_EQ(0, r.exit_code) << r.err;
  return r;
}

// A directory both users may work in: the shared group owns it and passes to new files.
class SharedDir {
 public:
  SharedDir() {
    std::string templ = "/tmp/kvshared-XXXXXX";
    path_ = mkdtemp(templ.data());
    const group* g = getgrnam(std::getenv("KOVENDI_TEST_SHARED_GROUP"));
    EXPECT_NE(g, nullptr);
    if (g != nullptr) {
      EXPECT_EQ(0, chown(path_.c_str(), static_cast<uid_t>(-1), g->gr_gid));
    }
    EXPECT_EQ(0, chmod(path_.c_str(), 02770));
  }
  ~SharedDir() {
    // The other user's files are removable: the directory is the shared group's.
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Two users of one home take turns: each can run after the other, and one that starts while the
// other's run is under way is refused with error 5 (not 6). A file of one that the other may not
// even read is refused with a message that names its owner.
TEST(FileSafety, TwoUsersOfOneHomeTakeTurns) {
  std::string why;
  if (!other_user_ready(why)) GTEST_SKIP() << why;
  SharedDir home;
  std::string store;
  for (const char* kind : {"A", "B", "C"}) {
    const std::string name = std::string("PART000") + kind;
    store += record(std::string("EDI") + kind + "NSABC0001", name, 1) + "\n";
    kvtest::write_file(home.file(name + ".001"), std::string("message ") + kind + "\n");
    chmod(home.file(name + ".001").c_str(), 0664);
  }
  kvtest::write_file(home.file("qrtlnk.rcv"), store);
  chmod(home.file("qrtlnk.rcv").c_str(), 0664);

  kvtest::RunResult r = kovendi_as(false, home.path(), {"/FT", "/R", "/MID=EDIA*", "/FIL=a.dat"});
  EXPECT_FALSE(kvtest::file_exists(home.file("qrtlnk.err"))) << error_code(home.path()) << r.err;
  // Read-only between runs: the write rights go, the group keeps reading.
  EXPECT_EQ(e2e::mode_of(home.file("qrtlnk.rcv")), 0444u);
  r = kovendi_as(true, home.path(), {"/FT", "/R", "/MID=EDIB*", "/FIL=b.dat"});
  EXPECT_FALSE(kvtest::file_exists(home.file("qrtlnk.err"))) << error_code(home.path()) << r.err;
  EXPECT_EQ(kvtest::read_file(home.file("b.dat")), "message B\n");
  r = kovendi_as(false, home.path(), {"/FT", "/R", "/MID=EDIC*", "/FIL=c.dat"});
  EXPECT_FALSE(kvtest::file_exists(home.file("qrtlnk.err"))) << error_code(home.path()) << r.err;
  EXPECT_EQ(kvtest::read_file(home.file("c.dat")), "message C\n");
  EXPECT_TRUE(kvtest::read_lines(home.file("qrtlnk.rcv")).empty());

  // A run of this user that waits (for its selection file, a pipe) holds the home meanwhile.
  ASSERT_EQ(0, mkfifo(home.file("select.fifo").c_str(), 0660));
  kvtest::write_file(home.file("qrtlnk.rcv"), store);
  auto waiting = std::make_unique<kvtest::Background>(
      kvtest::program("kovendi"),
      std::vector<std::string>{"/FT", "/R", "/SEL=select.fifo", "/FIL=wait.dat"}, home.path());
  ASSERT_TRUE(e2e::wait_until([&] { return kvtest::file_exists(home.file("qrtlnk.bsy")); }, 60));
  r = kovendi_as(true, home.path(), {"/FT", "/C"});
  EXPECT_EQ(error_code(home.path()), "0005") << kvtest::read_file(home.file("qrtlnk.err"));
  kvtest::write_file(home.file("select.fifo"), "SUR=Bakker\n");
  waiting->wait();

  // A store of this user that the other may not read.
  unlink(home.file("qrtlnk.err").c_str());
  chmod(home.file("qrtlnk.rcv").c_str(), 0600);
  r = kovendi_as(true, home.path(), {"/FT", "/R", "/MID=*", "/FIL=d.dat"});
  EXPECT_EQ(error_code(home.path()), "0006");
  const std::string me = kvtest::shell_output("id -un");
  EXPECT_NE(r.err.find("qrtlnk.rcv cannot be read by " + std::string(other_user()) + " (owner " +
                       me.substr(0, me.find('\n')) + ")"),
            std::string::npos)
      << r.err;
}

// The single-instance lock in a temporary directory that another user can write: a link planted
// at its place is never written through, and a lock file that the other user holds refuses no run.
TEST(FileSafety, LockPlacesTakenByAnotherUserAreNotUsed) {
  std::string why;
  if (!other_user_ready(why)) GTEST_SKIP() << why;
  SharedDir shared;
  ASSERT_EQ(0, chmod(shared.path().c_str(), 0777));  // any user may make names here
  kvtest::TempDir mine;
  mine.write("victim.txt", "precious\n");
  ASSERT_EQ(0, chmod(mine.path().c_str(), 0755));
  const std::string uid = std::to_string(geteuid());
  const std::string holder_dir = shared.file("holder");
  const std::string other = other_user();
  auto as_other = [&](const std::string& command) {
    return kvtest::run("/usr/bin/sudo", {"-n", "-u", other, "/bin/sh", "-c", command}, "/");
  };
  // The old place of the lock file and the private directory's names, all taken.
  ASSERT_EQ(0, as_other("umask 0 && ln -s " + mine.file("victim.txt") + " " + shared.path() +
                        "/kovendi-" + uid + ".lock && mkdir " + holder_dir + " && ln -s " +
                        holder_dir + " " + shared.path() + "/kovendi-" + uid + " && mkdir " +
                        shared.path() + "/kovendi-" + uid + "-1")
                   .exit_code);
  kvtest::TempDir home;
  ASSERT_EQ(0, chmod(home.path().c_str(), 0755));
  kovendi_as(false, home.path(), {"/FT", "/C"}, shared.path());
  EXPECT_FALSE(kvtest::file_exists(home.file("qrtlnk.err"))) << error_code(home.path());
  EXPECT_EQ(mine.read("victim.txt"), "precious\n");

  // Lock files held by the other user, at the old place and inside the names they made.
  ASSERT_EQ(0, as_other("rm " + shared.path() + "/kovendi-" + uid + ".lock").exit_code);
  const std::string release = shared.file("release");
  const std::string hold =
      "umask 0; exec flock -x %s sh -c 'while [ ! -e " + release + " ]; do sleep 0.1; done'";
  std::vector<std::unique_ptr<kvtest::Background>> holders;
  for (const std::string& lock :
       {shared.path() + "/kovendi-" + uid + ".lock", holder_dir + "/kovendi.lock",
        shared.path() + "/kovendi-" + uid + "-1/kovendi.lock"}) {
    std::string command = hold;
    command.replace(command.find("%s"), 2, lock);
    holders.push_back(std::make_unique<kvtest::Background>(
        "/usr/bin/sudo", std::vector<std::string>{"-n", "-u", other, "/bin/sh", "-c", command},
        "/"));
    ASSERT_TRUE(e2e::wait_until([&] { return kvtest::file_exists(lock); }, 30));
  }
  kovendi_as(false, home.path(), {"/FT", "/C"}, shared.path());
  EXPECT_FALSE(kvtest::file_exists(home.file("qrtlnk.err"))) << error_code(home.path());
  kvtest::write_file(release, "");
  for (auto& holder : holders) holder->wait();
}

}  // namespace
