// Tests of the retrieve (/R, /RT): messages handed over and taken out of the store.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>

#include "client/appfiles/entry_points.h"
#include "client/appfiles/store_test_home.h"
#include "client/common/open_files.h"
#include "client/common/text.h"
#include "platform/testing/fault_injection.h"

namespace kv {
namespace {

class Retrieve : public StoreHome {
 protected:
  void retrieve_bytes(const std::string& mid, const std::string& output = "out.dat") {
    run_state().retrieve_mode = RetrieveMode::kBytes;
    run_state().mid_selection = mid;
    run_state().fil_name = output;
    retrieve(RetrieveMode::kBytes);
  }
  void retrieve_text(const std::string& output = "out.txt", bool add = false) {
    run_state().retrieve_mode = RetrieveMode::kTexts;
    run_state().fil_name = output;
    run_state().add_flag = add;
    retrieve(RetrieveMode::kTexts);
  }
};

TEST_F(Retrieve, BytesForAMidPatternLeaveTheOthersInTheStore) {
  const std::string edi1 = store_message("EDIORDERS01", "BBBBBBBB", 2);
  const std::string txt = store_message("ABCTXT0001", "CCCCCCCC", 1);
  const std::string edi2 = store_message("ediinvoic02", "DDDDDDDD", 1);
  write_store({edi1, txt, edi2});
  dir.write("out.dat", "old contents\n");

  retrieve_bytes("EDI*");

  EXPECT_EQ(dir.read("out.dat"),
            "EDIORDERS01 part 1\nEDIORDERS01 part 2\nediinvoic02 part 1\n");  // no /ADD: old gone
  EXPECT_EQ(store(), std::vector<std::string>{txt});
  EXPECT_FALSE(dir.exists("BBBBBBBB.001"));
  EXPECT_FALSE(dir.exists("BBBBBBBB.002"));
  EXPECT_FALSE(dir.exists("DDDDDDDD.001"));
  EXPECT_TRUE(dir.exists("CCCCCCCC.001"));
  EXPECT_TRUE(files_beginning("QLX_").empty());
  // Read-only afterwards: the write rights go, the read rights it had stay.
  EXPECT_EQ(fs::status(dir.file("qrtlnk.rcv")).mode & 0777, fs::kept_mode(0444));

  // Nothing selected: no output file is left behind; with /ADD the old contents stay.
  retrieve_bytes("NONE*", "none.dat");
  EXPECT_FALSE(dir.exists("none.dat"));
  run_state().add_flag = true;
  retrieve_bytes("NONE*", "out.dat");
  EXPECT_EQ(dir.read("out.dat").substr(0, 11), "EDIORDERS01");
  EXPECT_EQ(store(), std::vector<std::string>{txt});
}

TEST_F(Retrieve, TextsWithHeaderBlocksAndPages) {
  std::string body;
  for (int i = 1; i <= 70; ++i) body += "line " + std::to_string(i) + "   \n";
  body += "\n   \n";  // empty lines are not copied
  std::string first = store_message("ABCTXT0001", "BBBBBBBB", 1, "202403140905", "Hallo", "JANSEN");
  dir.write("BBBBBBBB.001", body);
  std::string second = store_message("XYZTXT0002", "CCCCCCCC", 1);
  std::string edi = store_message("EDIORDERS01", "DDDDDDDD", 1);
  write_store({first, edi, second});
  run_state().display.txt_regels = 60;

  retrieve_text();

  const std::string out = dir.read("out.txt");
  const std::string header =
      "***************************** Berichtgegevens *********************************\n"
      "Opgehaald      : 14-03-2024  09:05\n"
      "Afkomstig van  : Organisatie \n"
      "                 SUR-name    JANSEN\n\n"
      "Berichtkenmerk : ABCTXT0001\n"
      "Onderwerp      : Hallo\n" +
      std::string(79, '*') + "\n\n\n";
  ASSERT_EQ(out.substr(0, header.size()), header);  // no form feed before the first header
  // The header counts 10 lines: 51 text lines fill the page of 61, the 52nd starts a new one.
  std::string expected_text;
  for (int i = 1; i <= 70; ++i) {
    if (i == 52) expected_text += "\f";
    expected_text += "line " + std::to_string(i) + "\n";
  }
  EXPECT_EQ(out.substr(header.size(), expected_text.size()), expected_text);
  // The second message starts with a form feed before its header.
  const std::string rest = out.substr(header.size() + expected_text.size());
  EXPECT_EQ(rest.substr(0, 10), "\f*********");
  EXPECT_NE(rest.find("Berichtkenmerk : XYZTXT0002\n"), std::string::npos);
  EXPECT_EQ(store(), std::vector<std::string>{edi});
}

TEST_F(Retrieve, PageHoldsSixtyOneLines) {
  std::string body;
  for (int i = 1; i <= 130; ++i) body += "r" + std::to_string(i) + "\n";
  std::string a = store_message("ABCTXT0001", "BBBBBBBB", 1);
  dir.write("BBBBBBBB.001", body);
  write_store({a});
  run_state().display.txt_regels = 60;
  retrieve_text();
  const std::string out = dir.read("out.txt");
  // Pages after the first: a form feed precedes the 62nd line written since the last one.
  std::size_t ff1 = out.find('\f');
  std::size_t ff2 = out.find('\f', ff1 + 1);
  ASSERT_NE(ff2, std::string::npos);
  std::string page = out.substr(ff1 + 1, ff2 - ff1 - 1);
  EXPECT_EQ(std::count(page.begin(), page.end(), '\n'), 61);
}

TEST_F(Retrieve, SelectionFileAndItsErrors) {
  std::string a = store_message("M1", "BBBBBBBB", 1, "202403140900", "", "JANSEN");
  std::string b = store_message("M2", "CCCCCCCC", 1, "202403140900", "", "PIETERS");
  std::string c = store_message("M3", "DDDDDDDD", 1, "202403140900", "", "KLAASEN");
  write_store({a, b, c});
  dir.write("sel.txt", "SUR=JAN*\nor\nSUR=PIET*\nPRI=1\n");
  run_state().sel_file = "sel.txt";
  retrieve_bytes("");
  EXPECT_EQ(dir.read("out.dat"), "M1 part 1\nM2 part 1\n");
  EXPECT_EQ(store(), std::vector<std::string>{c});

  // An invalid selection file: error 49, and the store and its files stay complete.
  dir.write("sel.txt", "SUR=KLA*\nor\n");
  EXPECT_THROW(retrieve_bytes("", "new.dat"), RunAborted);
  EXPECT_EQ(dir.read("qrtlnk.err").substr(0, 4), "0049");
  EXPECT_EQ(store(), std::vector<std::string>{c});
  EXPECT_TRUE(dir.exists("DDDDDDDD.001"));
  EXPECT_FALSE(dir.exists("new.dat"));
  EXPECT_EQ(open_file_count(), 0);

  // /RT with a selection file still takes only text messages.
  std::string t = store_message("ABCTXT0009", "FFFFFFFF", 1, "202403140900", "", "KLAASEN");
  write_store({c, t});
  dir.write("sel.txt", "SUR=KLA*\n");
  retrieve_text();
  EXPECT_NE(dir.read("out.txt").find("ABCTXT0009 part 1"), std::string::npos);
  EXPECT_EQ(store(), std::vector<std::string>{c});
}

TEST_F(Retrieve, FailedAppendKeepsTheRecordAndTheRemainingParts) {
  std::string a = store_message("ABCTXT0001", "BBBBBBBB", 3);
  std::string b = store_message("ABCTXT0002", "CCCCCCCC", 1);
  write_store({a, b});
  kv::testing::FaultInjector faults;
  faults.fail_nth("open-read", 1, EIO, "BBBBBBBB.002");  // the second part cannot be read
  retrieve_text();
  ASSERT_TRUE(faults.triggered());
  const std::string out = dir.read("out.txt");
  EXPECT_NE(out.find("ABCTXT0001 part 1\n"), std::string::npos);
  EXPECT_EQ(out.find("ABCTXT0001 part 3"), std::string::npos);
  EXPECT_NE(out.find("ABCTXT0002 part 1\n"), std::string::npos);
  // The record stays, so that a later retrieve finds the parts still in place.
  EXPECT_EQ(store(), std::vector<std::string>{a});
  EXPECT_FALSE(dir.exists("BBBBBBBB.001"));
  EXPECT_TRUE(dir.exists("BBBBBBBB.002"));
  EXPECT_TRUE(dir.exists("BBBBBBBB.003"));
  faults.clear();
  retrieve_text("again.txt");
  EXPECT_NE(dir.read("again.txt").find("Berichtkenmerk : ABCTXT0001\n"), std::string::npos);
  EXPECT_NE(dir.read("again.txt").find("ABCTXT0001 part 3\n"), std::string::npos);
  EXPECT_TRUE(store().empty());
}

// A retrieve commits in one direction: a message is handed over and leaves the store, or stays in
// the store and is not handed over; never both (a retry would hand it out again).
TEST_F(Retrieve, StoreThatCannotBeWrittenHandsNothingOver) {
  std::string a = store_message("ABCTXT0001", "BBBBBBBB", 1);
  std::string b = store_message("EDIB", "CCCCCCCC", 1);
  write_store({a, b});
  dir.write("out.txt", "kept before\n");
  kv::testing::FaultInjector faults;
  faults.fail_nth("write", 1, ENOSPC, "qrtlnk.rcv");  // the first record kept cannot be written
  EXPECT_THROW(retrieve_text("out.txt", true), RunAborted);
  ASSERT_TRUE(faults.triggered());
  // A full disk says disk space, and names the file.
  EXPECT_EQ(dir.read("qrtlnk.err").substr(0, 4), "0051");
  EXPECT_NE(dir.read("qrtlnk.err").find("Te weinig schijfruimte bij verwerken qrtlnk.rcv"),
            std::string::npos);
  EXPECT_EQ(store(), (std::vector<std::string>{a, b}));
  EXPECT_EQ(dir.read("out.txt"), "kept before\n");
  EXPECT_TRUE(dir.exists("BBBBBBBB.001"));
  EXPECT_TRUE(files_beginning("QLX_").empty());
  EXPECT_TRUE(files_beginning("KVRW").empty());
  EXPECT_EQ(open_file_count(), 0);

  // The store's rename fails after the output file took its new content: the output file gets
  // its old content back.
  for (bool add : {true, false}) {
    SCOPED_TRACE(add);
    dir.write("qrtlnk.err", "");
    faults.clear();
    faults.fail_nth("rename", 2);  // the output file's rename goes through, the store's fails
    EXPECT_THROW(retrieve_text("out.txt", add), RunAborted);
    ASSERT_TRUE(faults.triggered());
    EXPECT_EQ(dir.read("qrtlnk.err").substr(0, 4), "0010");
    EXPECT_EQ(store(), (std::vector<std::string>{a, b}));
    EXPECT_EQ(dir.read("out.txt"), "kept before\n");
    EXPECT_TRUE(dir.exists("BBBBBBBB.001"));
    EXPECT_TRUE(files_beginning("KVRW").empty());
  }
  faults.clear();
  retrieve_text("out.txt", true);
  EXPECT_EQ(store(), (std::vector<std::string>{b}));
  EXPECT_NE(dir.read("out.txt").find("ABCTXT0001 part 1"), std::string::npos);
}

TEST_F(Retrieve, ClientsOwnFilesAreRefusedAsOutputOrApplicationFile) {
  const std::string a = store_message("ABCTXT0001", "BBBBBBBB", 2);
  const std::string b = store_message("EDIB", "CCCCCCCC", 1);
  write_store({a, b});
  dir.write("qrtlnk.snd", "send|record\n");
  dir.write("qrtlnk.bsy", "");
  dir.write("elsewhere.dat", "application data\n");
  std::filesystem::create_directory(dir.file("sub"));
  std::error_code no_symbolic_link;
  std::filesystem::create_symlink(dir.file("qrtlnk.rcv"), dir.file("link.txt"), no_symbolic_link);
  if (no_symbolic_link) {  // where a test may not make one (Windows): a second name of the file
    std::filesystem::create_hard_link(dir.file("qrtlnk.rcv"), dir.file("link.txt"));
  }
  const auto snapshot = [&] {
    std::map<std::string, std::string> files;
    for (const std::string& name : fs::list_directory(dir.path())) {
      if (name != "sub") files[name] = dir.read(name);
    }
    return files;
  };
  const std::map<std::string, std::string> before = snapshot();
  const auto expect_refused = [&](const std::function<void()>& run, const std::string& error,
                                  const std::string& what) {
    EXPECT_THROW(run(), RunAborted) << what;
    EXPECT_EQ(dir.read("qrtlnk.err").substr(0, 4), error) << what;
    std::filesystem::remove(dir.file("qrtlnk.err"));
    EXPECT_EQ(snapshot(), before) << what;
  };
  expect_refused([&] { retrieve_bytes("EDI*", "QrtLnk.Rcv"); }, "0026", "/R /FIL=store");
  run_state().add_flag = true;
  expect_refused([&] { retrieve_bytes("*", "qrtlnk.rcv"); }, "0026", "/R /FIL=store /ADD");
  run_state().add_flag = false;
  expect_refused([&] { retrieve_bytes("EDI*", "qrtlnk.bsy"); }, "0026", "/R /FIL=busy file");
  expect_refused([&] { retrieve_text("bbbbbbbb.002"); }, "0026", "/RT /FIL=part file");
  expect_refused([&] { retrieve_bytes("EDI*", "sub/../QRTLNK.SND"); }, "0026", "/R /FIL=..");
  expect_refused([&] { retrieve_bytes("EDI*", "link.txt"); }, "0026", "/R /FIL=link");
  expect_refused([&] { update_receive_store("link.txt"); }, "0017", "/U= link to the store");
  run_state().fil_name = "link.txt";
  expect_refused([] { clean_send_queue(); }, "0043", "/C /FIL=link to the store");

  // An ordinary output file is still taken.
  retrieve_bytes("EDI*", "elsewhere.dat");
  EXPECT_EQ(dir.read("elsewhere.dat"), "EDIB part 1\n");
  EXPECT_EQ(store(), std::vector<std::string>{a});
}

TEST_F(Retrieve, NoFreeSetAsideNameEndsWithErrorThirty) {
  std::string a = store_message("EDIA", "BBBBBBBB", 1);
  write_store({a});
  for (int n = 1; n <= 998; ++n) dir.write(format("QLX_1503.%03d", n), "");
  EXPECT_THROW(retrieve_bytes("EDI*"), RunAborted);
  EXPECT_EQ(dir.read("qrtlnk.err").substr(0, 4), "0030");
  EXPECT_EQ(store(), std::vector<std::string>{a});
  EXPECT_TRUE(dir.exists("BBBBBBBB.001"));
  EXPECT_FALSE(dir.exists("QLX_1503.999"));
}

}  // namespace
}  // namespace kv
