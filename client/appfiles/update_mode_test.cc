// Tests of the receive-store update (/U=) and of the password change in the user file.
#include <gtest/gtest.h>

#include <algorithm>

#include "client/appfiles/entry_points.h"
#include "client/appfiles/snd_record.h"
#include "client/appfiles/store_test_home.h"
#include "client/appfiles/user_file_pin.h"
#include "platform/testing/fault_injection.h"

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

// Files copied from another system carry upper-case names; an application opens them by those.
TEST_F(UpdateMode, RewrittenFilesKeepTheirNameAndPermissions) {
  const auto names = [&] { return fs::list_directory(dir.path()); };
  const auto has = [&](const std::string& name) {
    const std::vector<std::string> all = names();
    return std::find(all.begin(), all.end(), name) != all.end();
  };
  const std::string a = store_message("MSGA", "BBBBBBBB", 1);
  const std::string b = store_message("EDIB", "CCCCCCCC", 1);
  const std::string c = store_message("EDIC", "DDDDDDDD", 1);
  dir.write("QRTLNK.RCV", a + "\n" + b + "\n" + c + "\n");
  dir.write("taken.txt", a + "\n");
  update_receive_store("taken.txt");
  EXPECT_TRUE(has("QRTLNK.RCV"));
  EXPECT_FALSE(has("qrtlnk.rcv"));
  EXPECT_EQ(dir.lines("QRTLNK.RCV"), (std::vector<std::string>{b, c}));

  run_state().retrieve_mode = RetrieveMode::kBytes;
  run_state().mid_selection = "EDIB*";
  run_state().fil_name = "out.dat";
  retrieve(RetrieveMode::kBytes);
  EXPECT_TRUE(has("QRTLNK.RCV"));
  EXPECT_FALSE(has("qrtlnk.rcv"));
  EXPECT_EQ(dir.lines("QRTLNK.RCV"), std::vector<std::string>{c});

  SndRecord failed;
  failed.set(snd::kResultStamp, "202301010000");
  failed.set(snd::kResultCode, "2101");
  const std::string open_record = SndRecord().line();
  dir.write("QRTLNK.SND", failed.line() + "\n" + open_record + "\n");
  run_state().fil_name.clear();
  run_state().mid_selection.clear();
  clean_send_queue();
  EXPECT_TRUE(has("QRTLNK.SND"));
  EXPECT_FALSE(has("qrtlnk.snd"));
  EXPECT_EQ(dir.lines("QRTLNK.SND"), std::vector<std::string>{open_record});

  // The user file keeps its name and stays private after a password change.
  dir.write("QRTLNK.GNS", "POS=USER1\nPIN=secret1\n");
  fs::set_permissions(dir.file("QRTLNK.GNS"), 0600);
  vervang_pin("secret2");
  EXPECT_TRUE(has("QRTLNK.GNS"));
  EXPECT_FALSE(has("qrtlnk.gns"));
  EXPECT_EQ(fs::status(dir.file("QRTLNK.GNS")).mode, 0600u);
  EXPECT_EQ(dir.lines("QRTLNK.GNS")[0], "POS=USER1");
  EXPECT_NE(dir.lines("QRTLNK.GNS")[1], "PIN=secret1");
  EXPECT_TRUE(files_beginning("QLX_").empty());
  EXPECT_TRUE(files_beginning("KVRW").empty());
}

TEST_F(UpdateMode, EveryFailingStepOfTheStoreRewriteLeavesEverythingAsItWas) {
  const std::string a = store_message("MSGA", "BBBBBBBB", 1);
  const std::string b = store_message("MSGB", "CCCCCCCC", 1);
  const std::string store_text = a + "\n" + b + "\n";
  const std::string application = a + "\n";
  // The temporary file is created, written, given its mode, flushed and renamed.
  for (const auto& [operation, path_part] :
       std::vector<std::pair<std::string, std::string>>{{"create", "KVRW"}, {"write", "qrtlnk.rcv"},
                                                        {"chmod", "KVRW"}, {"sync", "KVRW"},
                                                        {"rename", "KVRW"}}) {
    dir.write("qrtlnk.rcv", store_text);
    dir.write("taken.txt", application);
    kv::testing::FaultInjector faults;
    faults.fail_nth(operation, 1, EIO, path_part);
    try {
      update_receive_store("taken.txt");
    } catch (const RunAborted&) {
      EXPECT_EQ(dir.read("qrtlnk.err").substr(0, 4), "0010") << operation;
      fs::remove_file(dir.file("qrtlnk.err"));
    }
    EXPECT_TRUE(faults.triggered()) << operation;
    EXPECT_EQ(dir.read("qrtlnk.rcv"), store_text) << operation;
    EXPECT_EQ(dir.read("taken.txt"), application) << operation;
    EXPECT_TRUE(dir.exists("BBBBBBBB.001")) << operation;
    EXPECT_TRUE(files_beginning("KVRW").empty()) << operation;
    EXPECT_TRUE(files_beginning("QLX_").empty()) << operation;
  }
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
