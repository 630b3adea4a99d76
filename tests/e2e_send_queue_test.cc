// End to end: how the send queue QRTLNK.SND and QRTLNK.SAV account for the sends of a run with
// copy and blind-copy recipients, a distribution list, and requests collected through
// scriptin.dir (/V), one of whose interchanges the store refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e_support.h"

namespace {

using e2e::field;

// The records of QRTLNK.SND whose message identifier begins with `prefix`.
std::vector<std::string> records_of(const e2e::Party& party, const std::string& prefix) {
  std::vector<std::string> out;
  for (const std::string& record : party.snd()) {
    if (e2e::starts_with(field(record, 5), prefix)) out.push_back(record);
  }
  return out;
}

TEST(E2eSendQueue, EveryRecordIsSettledByItsOwnRecipientsLineAndOnlyFailedBlocksAreKept) {
  e2e::World world;
  e2e::Party& alice = world.alice();
  // Dora is addressed in full under another ADMD than the engine's; Cramer (a copy) under the
  // engine's defaults; Carol (a blind copy, by alias) has Cramer's surname and Dora's domains, so
  // that her address also fits the copy recipient's record.
  world.store({"add-mailbox", world.store_dir(), "dora", "SECRET3", "COU=NL", "ADM=OTHERADMD",
               "PMD=P1", "ORG=SHOP", "SUR=Bakker"});
  world.store({"add-mailbox", world.store_dir(), "cramer", "SECRET4", "COU=NL", "ADM=HUBADMD",
               "SUR=Cramer", "GIV=Chris"});
  world.store({"add-mailbox", world.store_dir(), "carol", "SECRET5", "COU=NL", "ADM=OTHERADMD",
               "PMD=P1", "SUR=Cramer", "GIV=Carol"});
  world.store({"add-alias", world.store_dir(), "CAROL", "carol"});
  world.store({"add-list", world.store_dir(), "FRIENDS", "bob", "carol"});

  alice.write("p.txt", "plain\n");
  alice.write("m1.txt", "copies\n");
  // Three interchanges; the middle one is addressed to a recipient that the store does not know.
  const std::string x1 = e2e::interchange("BOBBY", "1");
  const std::string x2 = e2e::interchange("NOBODY", "2");
  const std::string x3 = e2e::interchange("BOBBY", "3");
  alice.write("o.edi", x1 + x2 + x3);
  alice.request(
      "*001ZEND\nMID=PLAIN\nALI=BOBBY\nFIL=p.txt\n"
      "*002ZEND\nMID=TWO\nCOU=NL\nADM=OTHERADMD\nPMD=P1\nORG=SHOP\nSUR=Bakker\nCCO\nSUR=Cramer\n"
      "BCO\nALI=CAROL\nFIL=m1.txt\n"
      "*003ZEND\nMID=LIST\nDIS=FRIENDS\nCCO\nALI=BOBBY\nFIL=m1.txt\n");
  std::filesystem::create_directories(alice.file("in"));
  const std::string edi_request = "*001ZEND\nMID=EDI\nFIL=o.edi\n";
  alice.write("in/o.req", edi_request);
  alice.write("scriptin.dir", "|in/*.req\n");

  alice.kovendi({"/FT", "/V"});
  ASSERT_FALSE(alice.exists("qrtlnk.err")) << alice.describe();

  // Status file: every recipient of the plain sends 0000; the list recipient shows no alias.
  std::vector<std::string> two = alice.status_of("*002ZEND");
  ASSERT_EQ(3u, two.size()) << alice.describe();
  for (const std::string& line : two) EXPECT_EQ("0000", field(line, 3)) << line;
  std::vector<std::string> list = alice.status_of("*003ZEND");
  ASSERT_EQ(2u, list.size()) << alice.describe();
  EXPECT_EQ("4", field(list[0], 20));
  EXPECT_EQ("", field(list[0], 21)) << "field 21 holds an alias or nothing";
  EXPECT_EQ("BOBBY", field(list[1], 21));

  // Each record is completed from its own recipient's line.
  std::vector<std::string> plain = records_of(alice, "PLAIN");
  ASSERT_EQ(1u, plain.size()) << alice.describe();
  EXPECT_EQ("0000", field(plain[0], 3));
  std::vector<std::string> copies = records_of(alice, "TWO");
  ASSERT_EQ(3u, copies.size()) << alice.describe();
  for (std::size_t i = 0; i < copies.size(); ++i) {
    SCOPED_TRACE(copies[i]);
    EXPECT_EQ(std::to_string(i + 1), field(copies[i], 10));
    EXPECT_EQ("0000", field(copies[i], 3));
  }
  EXPECT_EQ("Bakker", field(copies[0], 36));
  EXPECT_EQ("OTHERADMD", field(copies[0], 29));
  EXPECT_EQ("", field(copies[1], 27)) << "the copy recipient has no alias";
  EXPECT_EQ("Cramer", field(copies[1], 36));
  EXPECT_EQ("", field(copies[1], 37)) << "not the blind copy's given name";
  EXPECT_EQ("HUBADMD", field(copies[1], 29)) << "the address the copy was sent to";
  EXPECT_EQ("CAROL", field(copies[2], 27));
  EXPECT_EQ("Carol", field(copies[2], 37));
  std::vector<std::string> to_list = records_of(alice, "LIST");
  ASSERT_EQ(2u, to_list.size()) << alice.describe();
  EXPECT_EQ("4", field(to_list[0], 10));
  EXPECT_EQ("FRIENDS", field(to_list[0], 27)) << "the list record keeps its list name";
  EXPECT_EQ("0000", field(to_list[0], 3));
  EXPECT_EQ("BOBBY", field(to_list[1], 27));
  EXPECT_EQ("0000", field(to_list[1], 3));

  // The interchanges of the scriptin.dir request: the middle one failed and is back in its file.
  std::vector<std::string> edi = records_of(alice, "EDI");
  ASSERT_EQ(3u, edi.size()) << alice.describe();
  EXPECT_EQ("0000", field(edi[0], 3));
  EXPECT_EQ("1509", field(edi[1], 3));
  EXPECT_EQ("0000", field(edi[2], 3));
  EXPECT_EQ(x2, alice.read("o.edi"));
  // Only the block with the failed interchange is kept for a new attempt, never a sent one.
  EXPECT_EQ(edi_request, alice.read("qrtlnk.sav")) << alice.describe();
}

}  // namespace
