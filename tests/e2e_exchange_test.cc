// End to end: the exchange between two parties through the message store. Alice sends a file
// with three EDIFACT interchanges (addressed by their UNB recipient, an alias of the store) and a
// plain text file with report and notification requests to Bob; Bob receives them into
// QRTLNK.RCV and hands them to his application with /R; Alice fetches the delivery reports and
// notifications into QRTLNK.SND.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "tests/e2e_support.h"

namespace {

using e2e::field;
using E2eExchange = e2e::WorldTest;

TEST_F(E2eExchange, EdifactAndTextFileReachBobAndTheReportsReachAlice) {
  const std::string x1 = e2e::interchange("BOBBY", "1");
  const std::string x2 = e2e::interchange("BOBBY", "2");
  const std::string x3 = e2e::interchange("BOBBY", "3");
  const std::string una = "UNA:+.? '\n";
  const std::string orders = una + x1 + x2 + x3;
  const std::string note = "Dear Bob,\r\nthe orders of this week follow.\r\nAlice\r\n";
  alice.write("orders.edi", orders);
  alice.write("note.txt", note);
  alice.request(
      "*001ZEND\nAPP=ORD\nMID=EDI\nFIL=orders.edi\n"
      "*002ZEND\nMID=TXT\nORG=SHOP\nSUR=Bakker\nRAP=3\nNOT=3\nSUB=Orders of this week\n"
      "FIL=note.txt\n");

  // ---- 1. Alice sends.
  alice.kovendi({"/FT", "/A=APX"});
  ASSERT_FALSE(alice.exists("qrtlnk.err")) << alice.describe();

  std::vector<std::string> status = alice.status();
  ASSERT_EQ(5u, status.size()) << alice.describe();
  EXPECT_EQ("*000CONNECT", field(status[0], status::kTag));
  EXPECT_EQ("0000", field(status[0], status::kResult));
  for (std::size_t i = 1; i <= 3; ++i) {
    SCOPED_TRACE(status[i]);
    EXPECT_EQ("*001ZEND", field(status[i], status::kTag));
    EXPECT_EQ("0000", field(status[i], status::kResult));
    EXPECT_EQ("BOBBY", field(status[i], status::zend::kAlias));
    EXPECT_EQ("Bakker", field(status[i], status::zend::kSurname))
        << "the alias resolved to Bob's address";
  }
  EXPECT_EQ("*002ZEND", field(status[4], status::kTag));
  EXPECT_EQ("0000", field(status[4], status::kResult));
  EXPECT_EQ("SHOP", field(status[4], status::zend::kOrganisation));
  EXPECT_EQ("Bakker", field(status[4], status::zend::kSurname));

  std::vector<std::string> snd = alice.snd();
  ASSERT_EQ(4u, snd.size()) << alice.describe();
  std::vector<std::string> mids;
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(snd[i]);
    EXPECT_EQ("ORD", field(snd[i], snd::kApplication));
    EXPECT_EQ(12u, field(snd[i], snd::kResultStamp).size());
    EXPECT_EQ("0000", field(snd[i], snd::kResultCode));
    EXPECT_EQ(14u, field(snd[i], snd::kMessageId).size());
    EXPECT_TRUE(e2e::starts_with(field(snd[i], snd::kMessageId), "EDIINSORD"));
    EXPECT_EQ("1", field(snd[i], snd::kRecipientKind));
    EXPECT_EQ("1", field(snd[i], snd::kDeliveryState));
    EXPECT_EQ("1", field(snd[i], snd::kDelete));
    EXPECT_EQ(std::to_string(i + 1) + ",M" + std::to_string(i + 1), field(snd[i], snd::kSubject));
    EXPECT_EQ("BOBBY", field(snd[i], snd::kAlias));
    EXPECT_EQ("Bakker", field(snd[i], snd::kSurname));
    mids.push_back(field(snd[i], snd::kMessageId));
  }
  EXPECT_EQ(3u, std::set<std::string>(mids.begin(), mids.end()).size()) << "distinct identifiers";
  EXPECT_EQ("APX", field(snd[3], snd::kApplication));
  EXPECT_EQ("0000", field(snd[3], snd::kResultCode));
  EXPECT_EQ(14u, field(snd[3], snd::kMessageId).size());
  EXPECT_TRUE(e2e::starts_with(field(snd[3], snd::kMessageId), "TXT"));
  EXPECT_EQ("3", field(snd[3], snd::kNotification));
  EXPECT_EQ("3", field(snd[3], snd::kReport));
  EXPECT_EQ("note.txt", field(snd[3], snd::kFirstFile));
  EXPECT_EQ("Orders of this week", field(snd[3], snd::kSubject));
  EXPECT_EQ("SHOP", field(snd[3], snd::kOrganisation));
  EXPECT_EQ("Bakker", field(snd[3], snd::kSurname));
  mids.push_back(field(snd[3], snd::kMessageId));

  // Every interchange was sent (DEL): the application's file is used up; the plain file stays.
  EXPECT_FALSE(alice.exists("orders.edi")) << alice.describe();
  EXPECT_EQ(note, alice.read("note.txt"));
  EXPECT_EQ("", alice.read("qrtlnk.sav")) << "no failed send block is kept";
  EXPECT_TRUE(alice.names_starting("KV").empty()) << alice.describe();
  EXPECT_TRUE(alice.names_starting("QLX_").empty()) << alice.describe();
  EXPECT_FALSE(alice.exists("qrtlnk.scr")) << "the request is rotated to qrt_lnk.old";
  EXPECT_TRUE(alice.exists("qrt_lnk.old"));
  EXPECT_EQ(0444u, e2e::mode_of(alice.file("qrtlnk.snd")));

  // The store holds the four messages in Bob's mailbox, in the order they were sent.
  std::vector<std::string> bobs = world.show("bob");
  ASSERT_EQ(4u, bobs.size());
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ("MSG", e2e::World::show_word(bobs[i], 2)) << bobs[i];
    EXPECT_EQ("NEW", e2e::World::show_word(bobs[i], 3)) << bobs[i];
    EXPECT_EQ(mids[i], e2e::World::show_word(bobs[i], 4)) << bobs[i];
  }

  // ---- 2. Bob receives everything new into QRTLNK.RCV.
  ASSERT_TRUE(bob.run_request("*001ONTVANG\n")) << bob.describe();
  std::vector<std::string> bob_status = bob.status();
  ASSERT_EQ(5u, bob_status.size()) << bob.describe();
  EXPECT_EQ("0000", field(bob_status[0], status::kResult));
  std::vector<std::string> rcv = bob.rcv();
  ASSERT_EQ(4u, rcv.size()) << bob.describe();
  const std::vector<std::string> contents{una + x1, x2, x3, note};
  const std::vector<std::string> subjects{"1,M1", "2,M2", "3,M3", "Orders of this week"};
  for (std::size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(bob_status[i + 1]);
    EXPECT_EQ("*001ONTVANG", field(bob_status[i + 1], status::kTag));
    EXPECT_EQ("0000", field(bob_status[i + 1], status::kResult));
    EXPECT_EQ(mids[i], field(bob_status[i + 1], status::message::kMessageId));
    EXPECT_EQ("1", field(bob_status[i + 1], status::message::kFileCount));
    EXPECT_EQ("Alders", field(bob_status[i + 1], status::message::kSurname));
    SCOPED_TRACE(rcv[i]);
    EXPECT_EQ("", field(rcv[i], kv::rcv::kAppId));
    EXPECT_EQ(field(bob_status[i + 1], status::kStamp), field(rcv[i], kv::rcv::kStamp));
    EXPECT_EQ(field(bob_status[i + 1], status::message::kListId), field(rcv[i], kv::rcv::kListId));
    EXPECT_EQ(mids[i], field(rcv[i], kv::rcv::kMessageId));
    EXPECT_EQ("1", field(rcv[i], kv::rcv::kFileCount));
    EXPECT_EQ(field(bob_status[i + 1], status::message::kFirstFile),
              field(rcv[i], kv::rcv::kFirstFile));
    EXPECT_EQ(subjects[i], field(rcv[i], kv::rcv::kSubject));
    EXPECT_EQ("NL", field(rcv[i], kv::rcv::kCountry));
    EXPECT_EQ("ACME", field(rcv[i], kv::rcv::kOrganisation));
    EXPECT_EQ("Alders", field(rcv[i], kv::rcv::kSurname));
    EXPECT_EQ("Alice", field(rcv[i], kv::rcv::kGivenName));
    EXPECT_EQ(contents[i], bob.read(field(rcv[i], kv::rcv::kFirstFile)))
        << "received file " << field(rcv[i], kv::rcv::kFirstFile);
  }
  EXPECT_EQ(0444u, e2e::mode_of(bob.file("qrtlnk.rcv")));
  // EDI messages stay in the mailbox (read); the text message was deleted after receipt.
  bobs = world.show("bob");
  ASSERT_EQ(3u, bobs.size()) << "EDI messages stay, the text message is deleted";
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ("READ", e2e::World::show_word(bobs[i], 3)) << bobs[i];
    EXPECT_EQ(mids[i], e2e::World::show_word(bobs[i], 4)) << bobs[i];
  }

  // ---- 3. Bob's application takes the EDI messages and then the text message with /R.
  std::vector<std::string> part_files;
  for (const std::string& record : rcv) part_files.push_back(field(record, kv::rcv::kFirstFile));
  bob.kovendi({"/FT", "/R", "/MID=EDI*", "/FIL=edi-in.txt"});
  EXPECT_FALSE(bob.exists("qrtlnk.err")) << bob.describe();
  EXPECT_EQ(orders, bob.read("edi-in.txt")) << "the interchanges byte for byte, in order";
  rcv = bob.rcv();
  ASSERT_EQ(1u, rcv.size()) << bob.describe();
  EXPECT_EQ(mids[3], field(rcv[0], kv::rcv::kMessageId));
  for (std::size_t i = 0; i < 3; ++i) EXPECT_FALSE(bob.exists(part_files[i])) << part_files[i];

  bob.kovendi({"/FT", "/R", "/MID=TXT*", "/FIL=text-in.txt"});
  EXPECT_FALSE(bob.exists("qrtlnk.err")) << bob.describe();
  EXPECT_EQ(note, bob.read("text-in.txt"));
  EXPECT_EQ("", bob.read("qrtlnk.rcv"));
  EXPECT_FALSE(bob.exists(part_files[3]));
  EXPECT_EQ(0444u, e2e::mode_of(bob.file("qrtlnk.rcv")));

  // ---- 4. Alice fetches the reports and notifications into QRTLNK.SND.
  std::vector<std::string> alices = world.show("alice");
  int reports = 0, notifications = 0;
  for (const std::string& line : alices) {
    if (e2e::World::show_word(line, 2) == "RPT") ++reports;
    if (e2e::World::show_word(line, 2) == "NTF") ++notifications;
  }
  EXPECT_EQ(4, reports) << "one delivery report per message";
  EXPECT_EQ(4, notifications) << "one receipt notification per message (NOT=3)";

  const std::size_t snd_size = alice.read("qrtlnk.snd").size();
  alice.request("*001RAPPORT\n");
  alice.kovendi({"/FT", "/A=APX"});
  ASSERT_FALSE(alice.exists("qrtlnk.err")) << alice.describe();
  status = alice.status();
  ASSERT_EQ(2u, status.size()) << alice.describe();
  EXPECT_EQ("*001RAPPORT", field(status[1], status::kTag));
  EXPECT_EQ("0000", field(status[1], status::kResult));
  EXPECT_EQ("qrt400.rap", field(status[1], status::rapport::kReportFile));
  std::vector<std::string> report_lines = alice.lines("qrt400.rap");
  EXPECT_EQ(8u, report_lines.size()) << alice.read("qrt400.rap");
  for (const std::string& mid : mids) {
    int delivered = 0, received = 0;
    for (const std::string& line : report_lines) {
      if (field(line, report::kMessageId) != mid) continue;
      EXPECT_EQ("Bakker", field(line, report::kRecipientSurname)) << line;
      EXPECT_EQ("1", field(line, report::kNotifyType)) << line;
      if (field(line, report::kMessageType) == "3") ++delivered;
      if (field(line, report::kMessageType) == "2") ++received;
    }
    EXPECT_EQ(1, delivered) << mid;
    EXPECT_EQ(1, received) << mid;
  }

  // The records keep their length; each carries the last report line applied: the receipt
  // notification (type 2, notify type 1), stamped with the RAPPORT command's time.
  EXPECT_EQ(snd_size, alice.read("qrtlnk.snd").size());
  std::vector<std::string> after = alice.snd();
  ASSERT_EQ(4u, after.size());
  for (std::size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(after[i]);
    EXPECT_EQ(mids[i], field(after[i], snd::kMessageId));
    EXPECT_EQ("0000", field(after[i], snd::kResultCode));
    EXPECT_EQ(field(status[1], status::kStamp), field(after[i], snd::kResultStamp));
    EXPECT_EQ("2", field(after[i], snd::kDeliveryState));
    EXPECT_EQ("1", field(after[i], snd::kNotificationType));
    EXPECT_EQ("00", field(after[i], snd::kReason));
    EXPECT_EQ("00", field(after[i], snd::kDiagnostic));
    EXPECT_TRUE(e2e::all_digits(field(after[i], snd::kDeliveryTime))) << "delivery time";
    EXPECT_EQ(12u, field(after[i], snd::kDeliveryTime).size());
    // Everything but the report fields is as the completion left it.
    for (std::size_t f = 1; f <= 47; ++f) {
      if (f == 2 || (f >= 11 && f <= 15)) continue;
      EXPECT_EQ(field(snd[i], f), field(after[i], f)) << "field " << f;
    }
  }
  EXPECT_EQ(0444u, e2e::mode_of(alice.file("qrtlnk.snd")));
}

TEST_F(E2eExchange, EveryRecipientHasItsOwnRecordAndReport) {
  // To Bob through his alias, and a copy to Alice herself by address.
  alice.write("memo.txt", "memo\n");
  ASSERT_TRUE(
      alice.run_request("*001ZEND\nMID=COPIES\nALI=BOBBY\nCCO\nORG=ACME\nSUR=Alders\nRAP=3\nNOT=3\n"
                        "FIL=memo.txt\n"))
      << alice.describe();
  std::vector<std::string> status = alice.status_of("*001ZEND");
  ASSERT_EQ(2u, status.size()) << alice.describe();
  EXPECT_EQ("1", field(status[0], status::zend::kRecipientKind));
  EXPECT_EQ("2", field(status[1], status::zend::kRecipientKind));
  std::vector<std::string> snd = alice.snd();
  ASSERT_EQ(2u, snd.size()) << alice.describe();
  for (const std::string& record : snd)
    EXPECT_EQ("0000", field(record, snd::kResultCode)) << record;
  EXPECT_EQ(field(snd[0], snd::kMessageId), field(snd[1], snd::kMessageId));
  EXPECT_EQ("1", field(snd[0], snd::kRecipientKind));
  EXPECT_EQ("BOBBY", field(snd[0], snd::kAlias));
  EXPECT_EQ("Bakker", field(snd[0], snd::kSurname)) << "completed with the resolved address";
  EXPECT_EQ("2", field(snd[1], snd::kRecipientKind));
  EXPECT_EQ("", field(snd[1], snd::kAlias));
  EXPECT_EQ("NL", field(snd[1], snd::kCountry));
  EXPECT_EQ("ACME", field(snd[1], snd::kOrganisation));
  EXPECT_EQ("Alders", field(snd[1], snd::kSurname));

  // Alice takes her copy (a receipt notification follows) and then the reports: Bob's record
  // carries the delivery report, her own the later receipt notification.
  ASSERT_TRUE(alice.run_request("*001ONTVANG\n*002RAPPORT\n")) << alice.describe();
  std::vector<std::string> rcv = alice.rcv();
  ASSERT_EQ(1u, rcv.size()) << alice.describe();
  EXPECT_EQ(field(snd[0], snd::kMessageId), field(rcv[0], kv::rcv::kMessageId));
  EXPECT_EQ("memo\n", alice.read(field(rcv[0], kv::rcv::kFirstFile)));
  std::vector<std::string> after = alice.snd();
  ASSERT_EQ(2u, after.size()) << alice.describe();
  EXPECT_EQ("3", field(after[0], snd::kDeliveryState)) << after[0];
  EXPECT_EQ("1", field(after[0], snd::kNotificationType)) << after[0];
  EXPECT_EQ("2", field(after[1], snd::kDeliveryState)) << after[1];
  EXPECT_EQ("1", field(after[1], snd::kNotificationType)) << after[1];
  EXPECT_EQ(snd[0].size(), after[0].size());
  EXPECT_EQ(snd[1].size(), after[1].size());
}

// A translator's file without line ends: two interchanges for two partners on one line. Each
// partner receives its own interchange, byte for byte.
TEST_F(E2eExchange, OneLineFileOfTwoInterchangesGivesEachPartnerItsMessage) {
  world.store({"add-mailbox", world.store_dir(), "carol", "SECRET3", "COU=NL", "ADM=HUBADMD",
               "PMD=QRT400", "ORG=CAFE", "SUR=Claes", "GIV=Carol"});
  world.store({"add-alias", world.store_dir(), "CAROL", "carol"});
  e2e::Party carol(world.root() + "/carol", world.root() + "/run-carol", "carol", "secret3");
  carol.write_gns(world.server());

  const std::string to_bob =
      "UNA:+.? 'UNB+UNOA:1+ALICE:ZZ+BOBBY+240307:1030+71'UNH+M71+INVOIC:D:96A:UN'"
      "BGM+380+71+9'FTX+AAI+++Bob?'s invoice'UNT+4+M71'UNZ+1+71'";
  const std::string to_carol =
      "UNB+UNOA:1+ALICE:ZZ+CAROL+240307:1030+72'UNH+M72+ORDERS:D:96A:UN'BGM+220+72+9'"
      "UNT+3+M72'UNZ+1+72'";
  alice.write("orders.edi", to_bob + to_carol);
  ASSERT_TRUE(alice.run_request("*001ZEND\nMID=EDI\nFIL=orders.edi\n")) << alice.describe();
  std::vector<std::string> status = alice.status_of("*001ZEND");
  ASSERT_EQ(2u, status.size()) << alice.describe();
  EXPECT_EQ("0000", field(status[0], status::kResult));
  EXPECT_EQ("BOBBY", field(status[0], status::zend::kAlias));
  EXPECT_EQ("0000", field(status[1], status::kResult));
  EXPECT_EQ("CAROL", field(status[1], status::zend::kAlias));
  std::vector<std::string> snd = alice.snd();
  ASSERT_EQ(2u, snd.size()) << alice.describe();
  EXPECT_EQ("71,M71", field(snd[0], snd::kSubject));
  EXPECT_EQ("72,M72", field(snd[1], snd::kSubject));
  EXPECT_FALSE(alice.exists("orders.edi")) << "both interchanges sent: the file is used up";
  EXPECT_TRUE(alice.names_starting("KV").empty()) << alice.describe();

  ASSERT_EQ(1u, world.show("bob").size());
  ASSERT_EQ(1u, world.show("carol").size());
  for (e2e::Party* party : {&bob, &carol}) {
    party->request("*001ONTVANG\n");
    party->kovendi({"/FT"});
    ASSERT_FALSE(party->exists("qrtlnk.err")) << party->describe();
    std::vector<std::string> rcv = party->rcv();
    ASSERT_EQ(1u, rcv.size()) << party->describe();
    EXPECT_EQ(party == &bob ? to_bob : to_carol, party->read(field(rcv[0], kv::rcv::kFirstFile)));
    EXPECT_EQ(field(snd[party == &bob ? 0 : 1], snd::kMessageId),
              field(rcv[0], kv::rcv::kMessageId));
  }
}

}  // namespace
