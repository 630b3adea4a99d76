// Tests of home-directory file operations.
#include "client/common/home.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/fs.h"
#include "platform/testing/temp_dir.h"

namespace kv {
namespace {

// A home directory set to a fresh temporary directory.
class HomeTest : public ::testing::Test {
 protected:
  HomeTest() { home.set(dir.path()); }

  testing::TempDir dir;
  HomeDirectory home;
};

TEST_F(HomeTest, NamesResolveAgainstTheHomeWithoutRegardToCase) {
  dir.write("QRTLNK.RCV", "r\n");
  dir.write("Sub/Dir/File.TXT", "f");
  EXPECT_EQ(home.fullpath("qrtlnk.rcv"), dir.file("QRTLNK.RCV"));
  EXPECT_EQ(home.fullpath("sub\\dir\\file.txt"), dir.file("Sub/Dir/File.TXT"));
  EXPECT_EQ(home.fullpath("new.txt"), dir.file("new.txt"));
  EXPECT_EQ(home.access("qrtlnk.rcv", 0), 0);
  EXPECT_EQ(home.access("qrtlnk.rcv", 4), 0);
  EXPECT_EQ(home.access("missing", 0), -1);
  long long size = -1;
  EXPECT_EQ(home.stat("Qrtlnk.Rcv", &size), 0);
  EXPECT_EQ(size, 2);

  OpenFile f = home.open("qrtlnk.rcv", "a");
  ASSERT_TRUE(f);
  std::fputs("s\n", f.get());
  f.close();
  EXPECT_EQ(dir.read("QRTLNK.RCV"), "r\ns\n");
  EXPECT_TRUE(home.rename("qrtlnk.rcv", "copy.sav").ok());
  EXPECT_TRUE(dir.exists("copy.sav"));
  EXPECT_TRUE(home.remove("COPY.SAV").ok());
  EXPECT_FALSE(home.remove("COPY.SAV").ok());
}

TEST_F(HomeTest, RemoveWorkFileKeepsGrowingVqFiles) {
  dir.write("VQLOG.TXT", "data");
  dir.write("vqempty.txt", "");
  dir.write("other.txt", "data");
  EXPECT_TRUE(home.remove_work_file("VQLOG.TXT").ok());
  EXPECT_TRUE(dir.exists("VQLOG.TXT"));
  EXPECT_TRUE(home.remove_work_file(".\\vqlog.txt").ok());  // base name after "\", any case
  EXPECT_TRUE(dir.exists("VQLOG.TXT"));
  EXPECT_TRUE(home.remove_work_file("vqempty.txt").ok());
  EXPECT_FALSE(dir.exists("vqempty.txt"));
  EXPECT_TRUE(home.remove_work_file("other.txt").ok());
  EXPECT_FALSE(dir.exists("other.txt"));
  EXPECT_FALSE(home.remove_work_file("other.txt").ok());
  EXPECT_EQ(base_name("C:\\dir\\VQX.LOG"), "VQX.LOG");
  EXPECT_EQ(base_name("a/b"), "b");
  EXPECT_EQ(base_name("plain"), "plain");
}

TEST_F(HomeTest, ProtectionBits) {
  dir.write("qrtlnk.snd", "x");
  ASSERT_TRUE(home.chmod("qrtlnk.snd", 0660).ok());
  home.set_read_only("QRTLNK.SND");
  // The write rights go, the group keeps its read right (two users of one home take turns).
  EXPECT_EQ(fs::status(dir.file("qrtlnk.snd")).mode, fs::kept_mode(0440));
  long long size = 0;
  ASSERT_EQ(home.stat("qrtlnk.snd", &size), 0);
  if (!testing::running_as_root()) {
    EXPECT_EQ(home.access("qrtlnk.snd", 2), -1);
  }
  home.set_read_write("qrtlnk.snd");
  EXPECT_EQ(home.access("qrtlnk.snd", 2), 0);
  EXPECT_EQ(fs::status(dir.file("qrtlnk.snd")).mode, fs::kept_mode(0640));
  home.set_read_only("missing");  // nothing happens, nothing is created
  EXPECT_FALSE(dir.exists("missing"));
}

TEST_F(HomeTest, UniqueWorkNames) {
  testing::TempDir tmp;
  std::set<std::string> names;
  for (int i = 0; i < 50; ++i) {
    std::string name = home.unique_work_name("edi", "");
    ASSERT_EQ(name.size(), 12u) << name;
    EXPECT_EQ(name.substr(0, 2), "KV");
    EXPECT_EQ(name.find_first_not_of("0123456789", 2), 8u);
    EXPECT_EQ(name.substr(8), ".edi");
    EXPECT_TRUE(names.insert(name).second) << "repeated " << name;  // also without creating it
    dir.write(name, "");
  }
  std::string tmp_name = home.unique_work_name("tmp", tmp.path() + "/");
  EXPECT_EQ(tmp_name.rfind(tmp.path() + "/KV", 0), 0u);
  EXPECT_EQ(home.unique_work_name("tmp", "").rfind("KV", 0), 0u);
  std::string made = home.mktemp("TMXXXXXX");
  EXPECT_EQ(made.rfind(dir.file("TM"), 0), 0u);
  EXPECT_EQ(made.size(), dir.file("TMXXXXXX").size());
}

}  // namespace
}  // namespace kv
