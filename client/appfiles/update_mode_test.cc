#include <gtest/gtest.h>

#include "client/appfiles/entry_points.h"
#include "client/appfiles/store_test_home.h"

namespace kv {
namespace {

using UpdateMode = StoreHome;

TEST_F(UpdateMode, FoundRecordsLeaveTheStoreAndTheirLinesAreCrossedOut) {
  const std::string a = store_message("MSGA", "BBBBBBBB", 2);
  const std::string b = store_message("MSGB", "CCCCCCCC", 1);
  const std::string c = store_message("MSGC", "DDDDDDDD", 1);
  // The store holds b twice; the application file holds a twice, b once, and a copy of c that
  // differs in letter case.
  write_store({a, b, c, b});
  std::string lower_c = c;
  lower_c[lower_c.find("MSGC")] = 'm';
  const std::string application =
      "header line\r\n" + a + "   \r\n" + a + "\n" + b + "\n" + lower_c + "\nlast line";
  dir.write("taken.txt", application);

  update_receive_store("taken.txt");

  EXPECT_EQ(store(), (std::vector<std::string>{c, b}));
  EXPECT_FALSE(dir.exists("BBBBBBBB.001"));
  EXPECT_FALSE(dir.exists("BBBBBBBB.002"));
  EXPECT_TRUE(dir.exists("DDDDDDDD.001"));
  // The first record b went; its part files went with it although the second b still names them.
  EXPECT_FALSE(dir.exists("CCCCCCCC.001"));
  EXPECT_TRUE(files_beginning("QLX_").empty());

  const std::string after = dir.read("taken.txt");
  ASSERT_EQ(after.size(), application.size());
  std::vector<std::string> lines = dir.lines("taken.txt");
  EXPECT_EQ(lines[0], "header line");
  EXPECT_EQ(lines[1], std::string(a.size() + 3, 'X'));  // trailing blanks crossed out too
  EXPECT_EQ(lines[2], a);                                 // only the first copy is used
  EXPECT_EQ(lines[3], std::string(b.size(), 'X'));
  EXPECT_EQ(lines[4], lower_c);
  EXPECT_EQ(lines[5], "last line");
  EXPECT_NE(after.find("\r\n"), std::string::npos);  // line ends stay as they were

  // A second run finds nothing more to do for b: its line is used.
  update_receive_store("taken.txt");
  EXPECT_EQ(store(), (std::vector<std::string>{c, b}));
}

TEST_F(UpdateMode, MissingFilesChangeNothing) {
  const std::string a = store_message("MSGA", "BBBBBBBB", 1);
  write_store({a});
  update_receive_store("absent.txt");
  EXPECT_EQ(store(), std::vector<std::string>{a});
  dir.write("taken.txt", a + "\n");
  dir.write("qrtlnk.rcv", "");
  fs::remove_file(dir.file("qrtlnk.rcv"));
  update_receive_store("taken.txt");
  EXPECT_EQ(dir.read("taken.txt"), a + "\n");
}

}  // namespace
}  // namespace kv
