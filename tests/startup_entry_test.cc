// Black-box tests of the program entry: the error file, the busy file, the TMP check, the
// special invocations and the single-instance rule.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/blackbox.h"

namespace {

using Names = std::vector<std::string>;

const std::string kError1 = "*** KOVENDI FOUT; Te weinig parameters (minimaal 1)";

kvtest::RunResult kovendi(const kvtest::TempDir& dir, const std::vector<std::string>& args,
                          const kvtest::RunOptions& options = {}) {
  kvtest::RunResult result = kvtest::run(kvtest::program("kovendi"), args, dir.path(), options);
  EXPECT_EQ(0, result.signal);
  EXPECT_EQ(0, result.exit_code);
  return result;
}

// The one line of qrtlnk.err, checked for its layout: number, blank, text of 103 characters.
std::string single_error(const kvtest::TempDir& dir) {
  std::vector<std::string> lines = kvtest::read_lines(dir.file("qrtlnk.err"));
  EXPECT_EQ(1u, lines.size());
  if (lines.empty()) return "";
  EXPECT_EQ(108u, lines[0].size()) << lines[0];
  return lines[0];
}

std::string padded(const std::string& number, const std::string& text) {
  return number + " " + text + std::string(103 - text.size(), ' ');
}

TEST(StartupEntry, NoParametersLeavesExactlyOneErrorLine) {
  kvtest::TempDir dir;
  kvtest::RunResult result = kovendi(dir, {});
  EXPECT_EQ(padded("0001", kError1), single_error(dir));
  EXPECT_EQ(padded("0001", kError1) + "\n", kvtest::read_file(dir.file("qrtlnk.err")));
  EXPECT_EQ(Names{"qrtlnk.err"}, kvtest::list_dir(dir.path()));
  EXPECT_EQ("", result.out);
  EXPECT_LT(result.seconds, 10.0);
  // A second run starts without the first run's error file.
  kovendi(dir, {});
  EXPECT_EQ(padded("0001", kError1), single_error(dir));
}

TEST(StartupEntry, SpecialInvocationsTouchNoFile) {
  kvtest::TempDir dir;
  kvtest::write_file(dir.file("qrtlnk.err"), "earlier\n");
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"?"}, {"/FT", "/H"}, {"/ft", "/h"}}) {
    kovendi(dir, args);
    EXPECT_EQ(Names{"qrtlnk.err"}, kvtest::list_dir(dir.path()));
    EXPECT_EQ("earlier\n", kvtest::read_file(dir.file("qrtlnk.err")));
  }
  // Not special: "?" with more, "/H" alone.
  kovendi(dir, {"?", "/FT"});
  EXPECT_EQ(0u, single_error(dir).find("0004 *** KOVENDI FOUT; Onbekende parameter: ?, in"));
}

TEST(StartupEntry, BusyFileOfALiveRunBlocksAndAKilledRunsIsTakenOver) {
  kvtest::TempDir dir;
  kvtest::write_file(dir.file("qrtlnk.bsy"), "");
  int held = open(dir.file("qrtlnk.bsy").c_str(), O_RDWR);
  ASSERT_GE(held, 0);
  ASSERT_EQ(0, flock(held, LOCK_EX | LOCK_NB));  // a run in progress holds its busy file
  for (int i = 0; i < 2; ++i) {
    kovendi(dir, {"/FT", "/R", "/MID=X", "/FIL=out.txt"});
    EXPECT_EQ(padded("0005", "*** KOVENDI FOUT; KOVENDI.EXE is reeds gestart"), single_error(dir));
    EXPECT_TRUE(kvtest::file_exists(dir.file("qrtlnk.bsy")));  // the other run's file stays
  }
  close(held);  // the holder is gone without removing its file: the trace of a killed run
  kovendi(dir, {"/FT", "/R", "/MID=X", "/FIL=out.txt"});
  EXPECT_EQ(Names{}, kvtest::list_dir(dir.path()));  // no error, no busy file left
}

TEST(StartupEntry, LocalRunRemovesTheOldErrorFileAndTheBusyFile) {
  kvtest::TempDir dir;
  kvtest::write_file(dir.file("QRTLNK.ERR"), "0001 old\n");  // found without regard to case
  kovendi(dir, {"/ft", "/rt", "/fil=Texts.Out"});
  EXPECT_EQ(Names{}, kvtest::list_dir(dir.path()));
}

TEST(StartupEntry, TmpDirectoryIsCheckedBeforeTheCommandLine) {
  kvtest::TempDir dir;
  kvtest::TempDir tmp;
  kvtest::RunOptions missing;
  missing.env["TMP"] = tmp.path() + "/missing";
  kovendi(dir, {}, missing);
  EXPECT_EQ(padded("0031", "*** KOVENDI FOUT; Directory in 'TMP' environment bestaat niet"),
            single_error(dir));
  EXPECT_EQ(Names{"qrtlnk.err"}, kvtest::list_dir(dir.path()));

  for (const std::string& value : {tmp.path(), tmp.path() + "/", tmp.path() + "\\", std::string(),
                                   std::string("."), tmp.path() + "/.  "}) {
    kvtest::RunOptions options;
    options.env["TMP"] = value;
    kovendi(dir, {}, options);
    EXPECT_EQ(padded("0001", kError1), single_error(dir)) << "TMP=" << value;
  }
  EXPECT_EQ(Names{}, kvtest::list_dir(tmp.path()));  // the writability test leaves nothing

  if (kvtest::running_as_root()) GTEST_SKIP() << "permissions do not hold for root";
  chmod(tmp.path().c_str(), 0500);
  kvtest::RunOptions read_only;
  read_only.env["TMP"] = tmp.path();
  kovendi(dir, {"/FT"}, read_only);
  chmod(tmp.path().c_str(), 0700);
  EXPECT_EQ(0u, single_error(dir).find("0032 *** KOVENDI FOUT; Directory in 'TMP' environment "
                                       "heeft geen schrijf-permissie"));
}

TEST(StartupEntry, ReadOnlyHomeEndsQuietly) {
  if (kvtest::running_as_root()) GTEST_SKIP() << "permissions do not hold for root";
  kvtest::TempDir dir;
  chmod(dir.path().c_str(), 0500);
  kovendi(dir, {"/FT"});
  chmod(dir.path().c_str(), 0700);
  // The error file cannot be written either: nothing is left, and the run ends normally.
  EXPECT_EQ(Names{}, kvtest::list_dir(dir.path()));
}

TEST(StartupEntry, NormalRunNeedsUserFileAndRequest) {
  kvtest::TempDir dir;
  kovendi(dir, {"/FT"});
  EXPECT_EQ(padded("0007", "*** KOVENDI FOUT; GNS user-bestand is niet aanwezig"),
            single_error(dir));
  EXPECT_FALSE(kvtest::file_exists(dir.file("qrtlnk.bsy")));

  kvtest::write_file(dir.file("qrtlnk.gns"), "USR=demo\n");
  kvtest::write_file(dir.file("qrtlnk.sav"), "old\n");
  kovendi(dir, {"/FT"});
  EXPECT_EQ(padded("0008", "*** KOVENDI FOUT; Opdrachtenbestand is niet aanwezig"),
            single_error(dir));
  EXPECT_FALSE(kvtest::file_exists(dir.file("qrtlnk.sav")));
  EXPECT_FALSE(kvtest::file_exists(dir.file("qrtlnk.bsy")));
  kovendi(dir, {"/FT", "/O=request.scr"});
  EXPECT_EQ(0u, single_error(dir).find("0008 "));
}

TEST(StartupEntry, FailedSessionIsErrorAndTheClosingStepsStillRun) {
  kvtest::TempDir dir;
  // The store directory does not exist, so the session cannot be opened.
  kvtest::write_file(dir.file("qrtlnk.gns"), "POS=demo\nPIN=geheim\nSRV=file:no-store\n");
  kvtest::write_file(dir.file("qrtlnk.scr"), "*001LIJST\nFIL=lijst.txt\n");
  kvtest::write_file(dir.file("qrtlnk.rcv"), "");
  kovendi(dir, {"/FT"});
  EXPECT_EQ(padded("0054", "*** KOVENDI FOUT; Fout tijdens communicatie"), single_error(dir));
  EXPECT_FALSE(kvtest::file_exists(dir.file("qrtlnk.bsy")));
  // The session's status file was processed and the request kept as qrt_lnk.old.
  ASSERT_TRUE(kvtest::file_exists(dir.file("qrtlnk.sts")));
  EXPECT_FALSE(kvtest::file_exists(dir.file("qrtlnk.scr")));
  EXPECT_NE(std::string::npos, kvtest::read_file(dir.file("qrt_lnk.old")).find("*001LIJST"));
  struct stat st;
  ASSERT_EQ(0, stat(dir.file("qrtlnk.rcv").c_str(), &st));
  EXPECT_EQ(0444u, st.st_mode & 0777u);  // protected again between runs, still readable
}

TEST(StartupEntry, SecondInstanceIsRefusedWithError5InItsOwnHome) {
  kvtest::TempDir dir;
  kvtest::TempDir runtime;
  // The lock of a run of this user, in the user's private directory.
  const std::string private_dir = runtime.path() + "/kovendi-" + std::to_string(getuid());
  ASSERT_EQ(0, mkdir(private_dir.c_str(), 0700));
  std::string lock = private_dir + "/kovendi.lock";
  int fd = open(lock.c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(0, flock(fd, LOCK_EX | LOCK_NB));
  kvtest::RunOptions options;
  options.env["XDG_RUNTIME_DIR"] = runtime.path();
  // The running run works in this home: its files are left alone.
  ASSERT_EQ(static_cast<ssize_t>(dir.path().size()), write(fd, dir.path().data(), dir.path().size()));
  kvtest::write_file(dir.file("qrtlnk.err"), "earlier\n");
  kvtest::write_file(dir.file("qrtlnk.bsy"), "");
  kvtest::RunResult result = kovendi(dir, {}, options);
  EXPECT_LT(result.seconds, 10.0);
  EXPECT_EQ((Names{"qrtlnk.bsy", "qrtlnk.err"}), kvtest::list_dir(dir.path()));
  EXPECT_EQ("earlier\n", kvtest::read_file(dir.file("qrtlnk.err")));
  EXPECT_TRUE(kvtest::file_exists(lock + ".raise"));  // the first instance is asked to come up
  // The running run works elsewhere: this start's application must not read an earlier run's
  // status as its result.
  kvtest::TempDir other;
  kvtest::write_file(other.file("qrtlnk.sts"), "0000\n");
  kovendi(other, {"/FT"}, options);
  EXPECT_EQ(padded("0005", "*** KOVENDI FOUT; KOVENDI.EXE is reeds gestart"), single_error(other));
  EXPECT_EQ((Names{"qrtlnk.err", "qrtlnk.sts"}), kvtest::list_dir(other.path()));
  close(fd);
  // With the first instance gone, the next start runs (and takes over the unheld busy file).
  kovendi(dir, {}, options);
  EXPECT_EQ(0u, single_error(dir).find("0001 "));
}

}  // namespace
