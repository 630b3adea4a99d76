// Tests of file-name checks of the command line and of the TMP directory.
#include "client/startup/file_checks.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "client/common/abort.h"
#include "client/common/home.h"
#include "client/common/run_state.h"
#include "client/startup/busy_file.h"
#include "client/startup/startup_test_home.h"
#include "client/startup/tmp_directory.h"
#include "platform/testing/environment.h"
#include "platform/testing/temp_dir.h"

namespace kv {
namespace {

class FileChecksTest : public testing::StartupHomeTest {
 protected:
  void TearDown() override {
    StartupHomeTest::TearDown();
    testing::unset_env("TMP");
  }

  // Error number of the TMP check (0: accepted) with TMP set to `value`.
  int tmp_error(const char* value) {
    testing::set_env("TMP", value);
    std::remove(dir_.file("qrtlnk.err").c_str());
    try {
      check_tmp_directory();
    } catch (const RunAborted& aborted) {
      clean_up_after(aborted);
      return std::stoi(dir_.read("qrtlnk.err").substr(0, 4));
    }
    return 0;
  }
};

TEST_F(FileChecksTest, DrivesAndDirectories) {
  dir_.make_dir("Sub");
  dir_.write("file.txt", "x");
  EXPECT_EQ(1, drive_exists("name"));
  EXPECT_EQ(0, drive_exists("Q:name"));   // a drive that cannot be selected
  EXPECT_EQ(0, is_directory("Q:"));
  EXPECT_EQ(1, is_directory("sub"));      // found without regard to case
  EXPECT_EQ(1, is_directory(dir_.path() + "\\SUB"));
  EXPECT_EQ(0, is_directory("file.txt"));
  EXPECT_EQ(0, is_directory("missing"));
  EXPECT_EQ(0, is_directory(""));
  EXPECT_EQ(1, directory_writable(""));
  EXPECT_EQ(1, directory_writable("sub/"));
  EXPECT_EQ(0, directory_writable("missing/"));
  // The test files are gone again.
  EXPECT_EQ(std::vector<std::string>({"Sub", "file.txt"}), testing::list_dir(dir_.path()));
  EXPECT_TRUE(testing::list_dir(dir_.file("Sub")).empty());
}

TEST_F(FileChecksTest, NameWritable) {
  dir_.make_dir("sub");
  dir_.write("exists.txt", "keep");
  EXPECT_EQ(0, name_writable("C:"));
  EXPECT_EQ(0, name_writable("C:\\"));
  EXPECT_EQ(0, name_writable("Q:\\out.txt"));
  EXPECT_EQ(0, name_writable("sub/"));
  EXPECT_EQ(0, name_writable("sub"));      // a directory cannot receive the output
  EXPECT_EQ(0, name_writable("missing/out.txt"));
  EXPECT_EQ(1, name_writable("new.txt"));
  EXPECT_FALSE(dir_.exists("new.txt"));
  EXPECT_EQ(1, name_writable("SUB\\new.txt"));
  EXPECT_FALSE(dir_.exists("sub/new.txt"));
  EXPECT_EQ(1, name_writable("EXISTS.TXT"));
  EXPECT_EQ("keep", dir_.read("exists.txt"));
  EXPECT_EQ(std::vector<std::string>({"exists.txt", "sub"}), testing::list_dir(dir_.path()));
  EXPECT_EQ(0, name_writable(std::string(300, 'n')));
  if (kv::testing::running_as_root()) GTEST_SKIP() << "permissions do not hold for root";
  chmod(dir_.file("exists.txt").c_str(), 0400);
  EXPECT_EQ(0, name_writable("exists.txt"));
  chmod(dir_.file("sub").c_str(), 0500);
  EXPECT_EQ(0, name_writable("sub/new.txt"));
  EXPECT_EQ(0, directory_writable("sub/"));
  chmod(dir_.file("sub").c_str(), 0700);
}

TEST_F(FileChecksTest, TmpDirectory) {
  dir_.make_dir("tmp");
  testing::unset_env("TMP");
  check_tmp_directory();
  EXPECT_EQ("", run_state().tmp_dir);
  EXPECT_EQ(0, tmp_error((dir_.path() + "/tmp").c_str()));
  EXPECT_EQ(dir_.path() + "/tmp/", run_state().tmp_dir);
  EXPECT_EQ(0, tmp_error((dir_.path() + "/tmp/").c_str()));
  EXPECT_EQ(dir_.path() + "/tmp/", run_state().tmp_dir);  // exactly one trailing separator
  EXPECT_EQ(0, tmp_error((dir_.path() + "/tmp\\").c_str()));
  EXPECT_EQ(dir_.path() + "/tmp\\", run_state().tmp_dir);
  EXPECT_EQ(0, tmp_error((dir_.path() + "/tmp/.  ").c_str()));
  EXPECT_EQ(dir_.path() + "/tmp/", run_state().tmp_dir);
  EXPECT_EQ(0, tmp_error("TMP/"));  // relative to the home directory, any case
  EXPECT_EQ("TMP/", run_state().tmp_dir);
  EXPECT_NE(31, tmp_error("/"));  // the root stays the root (writable for root only)
  cleanups_ = 0;
  EXPECT_EQ(0, tmp_error(""));
  EXPECT_EQ("", run_state().tmp_dir);
  EXPECT_EQ(0, tmp_error("."));
  EXPECT_EQ("", run_state().tmp_dir);
  EXPECT_EQ(0, cleanups_);
  EXPECT_EQ(31, tmp_error((dir_.path() + "/missing").c_str()));
  EXPECT_EQ("", run_state().tmp_dir);
  EXPECT_EQ(31, tmp_error("Q:\\TEMP"));
  EXPECT_EQ(31, tmp_error(("/" + std::string(70, 'l')).c_str()));
  EXPECT_EQ(3, cleanups_);
  EXPECT_TRUE(testing::list_dir(dir_.file("tmp")).empty());
  if (kv::testing::running_as_root()) GTEST_SKIP() << "permissions do not hold for root";
  chmod(dir_.file("tmp").c_str(), 0500);
  EXPECT_EQ(32, tmp_error((dir_.path() + "/tmp").c_str()));
  EXPECT_EQ("", run_state().tmp_dir);
  chmod(dir_.file("tmp").c_str(), 0700);
}

TEST_F(FileChecksTest, BusyFile) {
  busy_check();
  EXPECT_TRUE(dir_.exists("qrtlnk.bsy"));
  EXPECT_THROW(busy_check(), RunAborted);
  EXPECT_EQ(0, cleanups_);  // another run's busy file is left alone
  EXPECT_EQ(0u, dir_.read("qrtlnk.err").find("0005 *** KOVENDI FOUT; KOVENDI.EXE is reeds"));
  remove_busy_file();
  EXPECT_FALSE(dir_.exists("qrtlnk.bsy"));
  // A busy file this run did not create is never removed by it.
  dir_.write("qrtlnk.bsy", "");
  reset_busy_file();
  remove_busy_file();
  EXPECT_TRUE(dir_.exists("qrtlnk.bsy"));
}

}  // namespace
}  // namespace kv
