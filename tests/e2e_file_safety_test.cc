// End to end, through the real store: a KILL message authorised on the whole originator address;
// passwords that the scrambling of qrtlnk.gns cannot keep refused before any log-in; the user file
// without rights for others; a receiving run on a full disk (KOVENDI_TEST_SMALL_FS); and a message
// store of another user (KOVENDI_TEST_OTHER_USER), refused with a message that names its owner.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/e2e_support.h"

namespace {

using e2e::field;

const std::string kError55 =
    "*** KOVENDI FOUT; Wachtwoord (PIN=) bevat tekens die niet bewaard kunnen worden";

// A partner whose mailbox has no surname sends a KILL naming another partner's message: it must
// not remove it (a surname prefix would be empty and match every sender); the KILL itself goes.
TEST(E2eFileSafety, KillFromAPartnerWithoutSurnameRemovesNothingOfOthers) {
  e2e::World world;
  e2e::Party& alice = world.alice();
  e2e::Party& bob = world.bob();
  world.store({"add-mailbox", world.store_dir(), "carol", "SECRET3", "COU=NL", "ADM=HUBADMD",
               "PMD=QRT400", "ORG=THIRD"});
  e2e::Party carol(world.root() + "/carol", world.root() + "/run-carol", "carol", "secret3");
  carol.write_gns(world.server());

  alice.write("order.txt", "order one\n");
  alice.request("*001ZEND\nMID=ORDER000000001\nORG=SHOP\nSUR=Bakker\nFIL=order.txt\n");
  alice.kovendi({"/FT"});
  carol.write("cancel.txt", "cancel\n");
  ASSERT_TRUE(carol.run_request(
      "*001ZEND\nMID=FTXCAN\nSUB=ORDER000000001\nORG=SHOP\nSUR=Bakker\nFIL=cancel.txt\n"))
      << carol.describe();
  ASSERT_EQ(2u, world.show("bob").size());

  EXPECT_TRUE(bob.run_request("*001LIJST\n")) << bob.describe();
  const std::vector<std::string> left = world.show("bob");
  ASSERT_EQ(1u, left.size()) << "the KILL message goes, the order stays";
  EXPECT_EQ("ORDER000000001", e2e::World::show_word(left[0], 4));
  ASSERT_EQ(1u, bob.lines("qrt400.lst").size());
}

// A password with characters that the scrambling cannot keep: refused with error 55 before any
// log-in, the user file left as it was; the password in the store stays what it was, also when
// such a password is asked for with WACHTWOORD. The user file's rights for others go when the
// client scrambles it.
TEST(E2eFileSafety, UnkeepablePasswordsAreRefusedBeforeAnyLogIn) {
  e2e::World world;
  e2e::Party& alice = world.alice();
  world.store({"set-password", world.store_dir(), "alice", "SEC{RET1"});
  const std::string user_file = "POS=alice\nPIN=sec{ret1\nSRV=" + world.server() + "\nPNB=1\n";
  alice.write("qrtlnk.gns", user_file);
  alice.request("*001LIJST\n");
  alice.kovendi({"/FT"});
  EXPECT_EQ(std::vector<std::string>{e2e::error_line("0055", kError55)}, alice.errors());
  EXPECT_EQ(user_file, alice.read("qrtlnk.gns"));
  EXPECT_FALSE(alice.exists("qrtlnk.sts")) << "no session was held";

  // A password that the scrambling keeps; the user file becomes the owner's and the group's.
  world.store({"set-password", world.store_dir(), "alice", "SECRET1"});
  alice.write_gns(world.server());
  ASSERT_EQ(0, chmod(alice.file("qrtlnk.gns").c_str(), 0644));
  alice.request("*001WACHTWOORD\nPIN=new{pin1\n");
  alice.kovendi({"/FT"});
  EXPECT_EQ(std::vector<std::string>{e2e::error_line("0055", kError55)}, alice.errors());
  EXPECT_TRUE(alice.run_request("*001LIJST\n")) << alice.describe();
  ASSERT_EQ(1u, alice.status_of("*001LIJST").size()) << alice.describe();
  EXPECT_EQ("0000", field(alice.status_of("*001LIJST")[0], status::kResult));
  EXPECT_EQ(0640u, e2e::mode_of(alice.file("qrtlnk.gns")));
  EXPECT_EQ(std::string::npos, alice.read("qrtlnk.gns").find("secret1")) << "not scrambled";
}

// A receiving run on a nearly full disk: whatever it could do, the application can read what
// happened: an error file with a code (never an empty one, never a text about memory), or a
// status file with its lines; never an empty status file without an error.
TEST(E2eFileSafety, ReceivingOnAFullDiskLeavesAReadableOutcome) {
  const char* small = std::getenv("KOVENDI_TEST_SMALL_FS");
  if (small == nullptr || *small == '\0') {
    GTEST_SKIP() << "no small file system (KOVENDI_TEST_SMALL_FS; scripts/test.sh mounts one as "
                    "root)";
  }
  e2e::World world;
  e2e::Party& alice = world.alice();
  const std::string root = small;
  for (long free_kib : {4L, 12L, 88L}) {
    SCOPED_TRACE(std::to_string(free_kib) + " KiB free");
    std::error_code ec;
    std::filesystem::remove_all(root + "/bob", ec);
    std::filesystem::remove(root + "/filler", ec);
    e2e::Party bob(root + "/bob", world.root() + "/run-bob-small", "bob", "secret2");
    bob.write_gns(world.server());
    bob.request("*001ONTVANG\n");
    alice.write("big.txt", std::string(6000, 'x') + "\n");
    alice.request(
        "*001ZEND\nMID=LETTER00000001\nALI=BOBBY\nFIL=big.txt\n"
        "*002ZEND\nMID=LETTER00000002\nALI=BOBBY\nFIL=big.txt\n"
        "*003ZEND\nMID=LETTER00000003\nALI=BOBBY\nFIL=big.txt\n");
    alice.kovendi({"/FT"});
    ASSERT_EQ(3u, world.show("bob").size());

    const int fd = open((root + "/filler").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    ASSERT_GE(fd, 0);
    const std::string block(4096, 'f');
    struct statvfs st;
    while (statvfs(root.c_str(), &st) == 0 &&
           static_cast<long>(st.f_bavail * st.f_frsize / 1024) > free_kib) {
      if (write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size())) break;
    }
    close(fd);

    bob.kovendi({"/FT"});
    const bool failed = bob.exists("qrtlnk.err");
    if (failed) {
      const std::vector<std::string> errors = bob.errors();
      ASSERT_FALSE(errors.empty()) << "an empty error file" << bob.describe();
      for (const std::string& line : errors) {
        EXPECT_TRUE(line.size() > 4 && e2e::all_digits(line.substr(0, 4))) << line;
        EXPECT_EQ(std::string::npos, line.find("geheugen")) << line;
      }
    }
    if (bob.exists("qrtlnk.sts") && bob.read("qrtlnk.sts").empty()) {
      EXPECT_TRUE(failed) << "an empty status file without an error" << bob.describe();
    }
    if (free_kib == 4) {
      EXPECT_TRUE(failed) << bob.describe();
    }
    std::filesystem::remove(root + "/filler", ec);
    // What was not received waits in the mailbox for the next run.
    bob.kovendi({"/FT"});
    EXPECT_TRUE(world.show("bob").empty()) << bob.describe();
    std::filesystem::remove_all(root + "/bob", ec);
  }
}

// A message store of another user is refused before anything is written there, with the owner
// named, and "no message store" is said only where there is none.
TEST(E2eFileSafety, MessageStoreOfAnotherUserIsRefusedNamingItsOwner) {
  const char* other = std::getenv("KOVENDI_TEST_OTHER_USER");
  if (other == nullptr || *other == '\0' ||
      kvtest::run("/usr/bin/sudo", {"-n", "-u", other, "true"}, "/").exit_code != 0) {
    GTEST_SKIP() << "no second user reachable through sudo (KOVENDI_TEST_OTHER_USER; "
                    "scripts/test.sh makes one as root)";
  }
  e2e::World world;
  std::string templ = "/tmp/kvother-XXXXXX";
  const std::string home = mkdtemp(templ.data());
  ASSERT_EQ(0, chmod(home.c_str(), 0777));
  kvtest::write_file(home + "/qrtlnk.gns",
                     "POS=alice\nPIN=secret1\nSRV=file:" + world.store_dir() + "\nPNB=1\n");
  kvtest::write_file(home + "/qrtlnk.scr", "*001LIJST\n");
  ASSERT_EQ(0, chmod((home + "/qrtlnk.gns").c_str(), 0666));
  ASSERT_EQ(0, chmod((home + "/qrtlnk.scr").c_str(), 0666));
  ASSERT_EQ(0, chmod(world.root().c_str(), 0755));  // the way to the store is open
  kvtest::RunOptions options;
  options.timeout_seconds = e2e::kRunTimeout;
  const kvtest::RunResult r = kvtest::run(
      "/usr/bin/sudo",
      // sudo drops the environment: the sanitizer build's settings (no leak check under a
      // hosted Java VM) are handed on explicitly.
      {"-n", "-u", other, "/bin/sh", "-c",
       "cd \"$1\" && exec env -u XDG_RUNTIME_DIR ASAN_OPTIONS=detect_leaks=0 \"$2\" /FT", "sh",
       home, kvtest::program("kovendi")},
      "/", options);
  EXPECT_EQ(0, r.exit_code) << r.err;
  const std::string log = kvtest::read_file(home + "/kovendi-client.log");
  const std::string me = kvtest::shell_output("id -un");
  EXPECT_NE(std::string::npos, log.find("permission denied: message store " + world.store_dir() +
                                        " cannot be read by user " + other + " (owner " +
                                        me.substr(0, me.find('\n')) + ")"))
      << log;
  EXPECT_EQ(std::string::npos, log.find("no message store")) << log;
  EXPECT_EQ(0u, kvtest::read_file(home + "/qrtlnk.err").find("0054")) << r.err;
  kvtest::run("/usr/bin/sudo", {"-n", "-u", other, "/bin/rm", "-rf", home}, "/");
  std::error_code ec;
  std::filesystem::remove_all(home, ec);
}

}  // namespace
