// End to end: how the send queue QRTLNK.SND and QRTLNK.SAV account for the sends of a run with
// copy and blind-copy recipients, a distribution list, and requests collected through
// scriptin.dir (/V), one of whose interchanges the store refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e_support.h"

namespace {

using e2e::field;
using E2eSendQueue = e2e::WorldTest;

// The records of QRTLNK.SND whose message identifier begins with `prefix`.
std::vector<std::string> records_of(const e2e::Party& party, const std::string& prefix) {
  std::vector<std::string> out;
  for (const std::string& record : party.snd()) {
    if (e2e::starts_with(field(record, snd::kMessageId), prefix)) out.push_back(record);
  }
  return out;
}

TEST_F(E2eSendQueue, EveryRecordIsSettledByItsOwnRecipientsLineAndOnlyFailedBlocksAreKept) {
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
  for (const std::string& line : two) EXPECT_EQ("0000", field(line, status::kResult)) << line;
  std::vector<std::string> list = alice.status_of("*003ZEND");
  ASSERT_EQ(2u, list.size()) << alice.describe();
  EXPECT_EQ("4", field(list[0], status::zend::kRecipientKind));
  EXPECT_EQ("", field(list[0], status::zend::kAlias)) << "field 21 holds an alias or nothing";
  EXPECT_EQ("BOBBY", field(list[1], status::zend::kAlias));

  // Each record is completed from its own recipient's line.
  std::vector<std::string> plain = records_of(alice, "PLAIN");
  ASSERT_EQ(1u, plain.size()) << alice.describe();
  EXPECT_EQ("0000", field(plain[0], status::kResult));
  std::vector<std::string> copies = records_of(alice, "TWO");
  ASSERT_EQ(3u, copies.size()) << alice.describe();
  for (std::size_t i = 0; i < copies.size(); ++i) {
    SCOPED_TRACE(copies[i]);
    EXPECT_EQ(std::to_string(i + 1), field(copies[i], snd::kRecipientKind));
    EXPECT_EQ("0000", field(copies[i], snd::kResultCode));
  }
  EXPECT_EQ("Bakker", field(copies[0], snd::kSurname));
  EXPECT_EQ("OTHERADMD", field(copies[0], snd::kAdmd));
  EXPECT_EQ("", field(copies[1], snd::kAlias)) << "the copy recipient has no alias";
  EXPECT_EQ("Cramer", field(copies[1], snd::kSurname));
  EXPECT_EQ("", field(copies[1], snd::kGivenName)) << "not the blind copy's given name";
  EXPECT_EQ("HUBADMD", field(copies[1], snd::kAdmd)) << "the address the copy was sent to";
  EXPECT_EQ("CAROL", field(copies[2], snd::kAlias));
  EXPECT_EQ("Carol", field(copies[2], snd::kGivenName));
  std::vector<std::string> to_list = records_of(alice, "LIST");
  ASSERT_EQ(2u, to_list.size()) << alice.describe();
  EXPECT_EQ("4", field(to_list[0], snd::kRecipientKind));
  EXPECT_EQ("FRIENDS", field(to_list[0], snd::kAlias)) << "the list record keeps its list name";
  EXPECT_EQ("0000", field(to_list[0], snd::kResultCode));
  EXPECT_EQ("BOBBY", field(to_list[1], snd::kAlias));
  EXPECT_EQ("0000", field(to_list[1], snd::kResultCode));

  // The interchanges of the scriptin.dir request: the middle one failed and is back in its file.
  std::vector<std::string> edi = records_of(alice, "EDI");
  ASSERT_EQ(3u, edi.size()) << alice.describe();
  EXPECT_EQ("0000", field(edi[0], status::kResult));
  EXPECT_EQ("1509", field(edi[1], status::kResult));
  EXPECT_EQ("0000", field(edi[2], status::kResult));
  EXPECT_EQ(x2, alice.read("o.edi"));
  // Only the block with the failed interchange is kept for a new attempt, never a sent one.
  EXPECT_EQ(edi_request, alice.read("qrtlnk.sav")) << alice.describe();
}

}  // namespace
