#include "client/common/file_rewrite.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "client/common/home.h"
#include "platform/fs.h"
#include "platform/testing/temp_dir.h"

namespace kv {
namespace {

std::string rewrite(const std::string& name, const std::string& content,
                    const RewriteOptions& options = {}) {
  FileRewrite r;
  if (!r.begin(name, options)) return "not begun";
  r.write(content);
  return r.commit() ? "" : "not committed";
}

// A rewritten file stays what it was for the application: a symbolic link stays a link to a file
// that holds the new content (also through a chain of links, and into another directory, where
// the rewrite happens beside the target); its permission bits stay; the user file loses the
// rights of others whatever the caller asks.
TEST(FileRewrite, KeepsLinksAndPermissionBits) {
  testing::TempDir dir;
  app_home().set(dir.path());
  dir.write("elsewhere/target.dat", "old\n");
  ASSERT_EQ(::chmod(dir.file("elsewhere/target.dat").c_str(), 0640), 0);
  ASSERT_EQ(::symlink("elsewhere/target.dat", dir.file("second").c_str()), 0);
  ASSERT_EQ(::symlink(dir.file("second").c_str(), dir.file("out.dat").c_str()), 0);

  EXPECT_EQ(rewrite("OUT.DAT", "new\n"), "");
  EXPECT_TRUE(fs::is_symbolic_link(dir.file("out.dat")));
  EXPECT_TRUE(fs::is_symbolic_link(dir.file("second")));
  EXPECT_EQ(dir.read("out.dat"), "new\n");
  EXPECT_EQ(fs::status(dir.file("elsewhere/target.dat")).mode, 0640u);
  for (const std::string& name : testing::list_dir(dir.path())) {
    EXPECT_FALSE(is_rewrite_temporary(name)) << name;
  }

  // A link whose target does not exist yet: the target is made, the link stays.
  ASSERT_EQ(::symlink("elsewhere/new.dat", dir.file("fresh.dat").c_str()), 0);
  EXPECT_EQ(rewrite("fresh.dat", "made\n", {.create_when_missing = true}), "");
  EXPECT_TRUE(fs::is_symbolic_link(dir.file("fresh.dat")));
  EXPECT_EQ(dir.read("elsewhere/new.dat"), "made\n");

  dir.write("qrtlnk.gns", "POS=A\nPIN=x\n");
  ASSERT_EQ(::chmod(dir.file("qrtlnk.gns").c_str(), 0664), 0);
  EXPECT_EQ(rewrite("QRTLNK.GNS", "POS=A\nPIN=y\n"), "");
  EXPECT_EQ(fs::status(dir.file("qrtlnk.gns")).mode, 0660u);
  dir.write("plain.txt", "a");
  ASSERT_EQ(::chmod(dir.file("plain.txt").c_str(), 0664), 0);
  EXPECT_EQ(rewrite("plain.txt", "b", {.without_other_rights = true}), "");
  EXPECT_EQ(fs::status(dir.file("plain.txt")).mode, 0660u);
  app_home().set("");
}

}  // namespace
}  // namespace kv
