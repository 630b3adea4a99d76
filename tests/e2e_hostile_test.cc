// End to end against the embedded store: what another party sends does not steer the
// recipient's run. A message identifier that another sender used first costs no message.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e_support.h"

namespace {

using e2e::field;

TEST(E2eHostile, AReusedMessageIdentifierCostsNoMessage) {
  e2e::World world;
  e2e::Party& bob = world.bob();
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
  EXPECT_EQ("decoy\n", bob.read(field(rcv[0], kv::kRcvFirstFile)));
  EXPECT_EQ("A letter.\n", bob.read(field(rcv[1], kv::kRcvFirstFile)));
  EXPECT_TRUE(world.show("bob").empty());
}

}  // namespace
