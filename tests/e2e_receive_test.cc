// End to end: receiving into a directory of a home directory with a long path, the status lines of
// a report fetch that fails for one item, and the files that a run without sends leaves.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e_support.h"

namespace {

using e2e::field;
using E2eReceive = e2e::WorldTest;

TEST_F(E2eReceive, LongHomeDirectoryReceivesIntoDirAndAFailedReportFetchHasOneLine) {
  // Bob's application lives in a home directory whose absolute path is far longer than the
  // 80 characters of a received file's name.
  e2e::Party bob(world.root() + "/" + std::string(110, 'h'), world.root() + "/run-bob-long", "bob",
                 "secret2");
  ASSERT_GT(bob.home().size(), 120u);
  bob.write_gns("file:../store");
  std::filesystem::create_directories(bob.file("sub"));

  alice.write("one.txt", "first\n");
  alice.write("two.txt", "second\n");
  ASSERT_TRUE(
      alice.run_request("*001ZEND\nMID=ONE\nALI=BOBBY\nRAP=3\nFIL=one.txt\n"
                        "*002ZEND\nMID=TWO\nALI=BOBBY\nRAP=3\nFIL=two.txt\n"))
      << alice.describe();

  // ---- Bob receives both messages into sub/.
  EXPECT_TRUE(bob.run_request("*001ONTVANG\nDIR=sub\n")) << bob.describe();
  std::vector<std::string> received = bob.status_of("*001ONTVANG");
  ASSERT_EQ(2u, received.size()) << bob.describe();
  std::vector<std::string> contents;
  for (const std::string& line : received) {
    SCOPED_TRACE(line);
    EXPECT_EQ("0000", field(line, status::kResult));
    std::string name = field(line, status::message::kFirstFile);
    EXPECT_TRUE(e2e::starts_with(name, "sub/")) << "named within the receive directory";
    EXPECT_LE(name.size(), 80u);
    contents.push_back(bob.read(name));
  }
  EXPECT_EQ((std::vector<std::string>{"first\n", "second\n"}), contents);
  EXPECT_EQ(2u, bob.rcv().size()) << bob.describe();
  EXPECT_TRUE(world.show("bob").empty()) << "both messages left the mailbox once recorded";
  // A run that sends nothing has no send queue and no send copies.
  EXPECT_FALSE(bob.exists("qrtlnk.snd")) << bob.describe();
  EXPECT_FALSE(bob.exists("qrtlnk.sav")) << bob.describe();

  // ---- Alice fetches the two delivery reports; the first fetch fails.
  world.store({"fault", world.store_dir(), "API_getMsg", "9", "1"});
  alice.request("*001RAPPORT\n");
  alice.kovendi({"/FT"});
  EXPECT_EQ("", world.store({"faults", world.store_dir()})) << "the fault was used";
  std::vector<std::string> report = alice.status_of("*001RAPPORT");
  ASSERT_EQ(2u, report.size()) << "one line per outcome" << alice.describe();
  EXPECT_EQ("1511", field(report[0], status::kResult));
  EXPECT_FALSE(field(report[0], status::message::kListId).empty())
      << "the failed item's list identifier";
  EXPECT_EQ("", field(report[0], status::rapport::kReportFile))
      << "the failed fetch wrote no report file";
  EXPECT_EQ("0000", field(report[1], status::kResult));
  EXPECT_EQ("", field(report[1], status::message::kListId))
      << "the command's line names no single item";
  EXPECT_EQ("qrt400.rap", field(report[1], status::rapport::kReportFile));
  // Two delivery reports and two read notifications; only the failed item is missing.
  EXPECT_EQ(3u, alice.lines("qrt400.rap").size()) << alice.describe();
}

}  // namespace
