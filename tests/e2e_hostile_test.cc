// End to end against the embedded store: what another party sends does not steer the
// recipient's run. A message identifier that another sender used first costs no message, and
// control characters and missing texts that a store holds (one written by an older or foreign
// service) neither split the recipient's lines nor make a delete or a receive reach a message
// outside its selection.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e_support.h"

namespace {

using e2e::field;
using E2eHostile = e2e::WorldTest;

TEST_F(E2eHostile, AReusedMessageIdentifierCostsNoMessage) {
  ASSERT_NO_FATAL_FAILURE(world.letter_for_bob());
  // Another sender's message that came first with the identifier of alice's letter.
  const std::string mailbox = world.store_dir() + "/mbx/BOB/";
  kvtest::write_file(mailbox + "0000000000.entry",
                     "type=1\nlistId=0000000000\nentryTime=202401011200\naccess=NEW\n"
                     "ipMsgId=LETTER00000001\nparts=1\npart.1.size=6\nsize=6\n"
                     "orig.addr.SUR=Mallory\n");
  kvtest::write_file(mailbox + "0000000000.part1", "decoy\n");
  ASSERT_EQ(2u, world.show("bob").size());

  bob.request("*001ONTVANG\n");
  bob.kovendi({"/FT"});
  std::vector<std::string> rcv = bob.rcv();
  ASSERT_EQ(2u, rcv.size()) << "a message was taken for one recorded already" << bob.describe();
  EXPECT_EQ("decoy\n", bob.read(field(rcv[0], kv::rcv::kFirstFile)));
  EXPECT_EQ("A letter.\n", bob.read(field(rcv[1], kv::rcv::kFirstFile)));
  EXPECT_TRUE(world.show("bob").empty());
}

TEST_F(E2eHostile, StoredControlCharactersAndMissingTextsSteerNothing) {
  ASSERT_NO_FATAL_FAILURE(world.letter_for_bob());
  const std::string genuine = e2e::World::show_word(world.show("bob")[0], 1);
  // An item whose subject would put the letter's list identifier at the start of a line of its
  // own, and one without subject and sender, as a store without checks may hold them.
  const std::string mailbox = world.store_dir() + "/mbx/BOB/";
  kvtest::write_file(mailbox + "9000000001.entry",
                     "type=1\nlistId=9000000001\nentryTime=202401011200\naccess=NEW\n"
                     "ipMsgId=MALLORY1\\r\nsubject=hello\\n" + genuine + "\\u001b\nparts=0\n"
                     "orig.addr.SUR=Mal\\nlory\n");
  kvtest::write_file(mailbox + "9000000002.entry",
                     "type=1\nlistId=9000000002\nentryTime=202401011200\naccess=NEW\n"
                     "ipMsgId=MALLORY2\n");

  bob.request("*001LIJST\n*002VERWIJDER\nMID=MALLORY*\n*003ONTVANG\n");
  bob.kovendi({"/FT"});
  std::vector<std::string> status = bob.status();
  for (const std::string& line : status) {
    EXPECT_EQ('*', line.empty() ? ' ' : line[0]) << "a split status line" << bob.describe();
  }
  std::vector<std::string> deleted;
  for (const std::string& line : bob.status_of("*002VERWIJDER")) {
    deleted.push_back(field(line, status::message::kListId));
  }
  EXPECT_EQ((std::vector<std::string>{"9000000001", "9000000002"}), deleted) << bob.describe();
  EXPECT_EQ(3u, bob.lines("qrt400.lst").size()) << "one listing line per item";
  std::vector<std::string> rcv = bob.rcv();
  ASSERT_EQ(1u, rcv.size()) << "the letter was deleted outside the selection" << bob.describe();
  EXPECT_EQ("LETTER00000001", field(rcv[0], kv::rcv::kMessageId));
}

}  // namespace
