// End to end: ANTWOORD waiting for the other party's answer, WACHTWOORD changing the password in
// qrtlnk.gns, the gathering of stored EDI messages into one application file, and a KILL
// message, each through the real store with two parties.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/e2e_support.h"

namespace {

using e2e::field;
using E2eAnswer = e2e::WorldTest;
using E2ePassword = e2e::WorldTest;
using E2eGathering = e2e::WorldTest;
using E2eKill = e2e::WorldTest;

TEST_F(E2eAnswer, AntwoordWaitsForTheAnswerThatTheOtherPartySends) {
  const std::string question = "How many boxes?\n";
  const std::string answer = "Twelve boxes.\n";
  alice.write("question.txt", question);
  // A message identifier of 14 characters is sent unchanged.
  alice.request(
      "*001ZEND\nMID=QUESTION000001\nORG=SHOP\nSUR=Bakker\nANS\nFIL=question.txt\n"
      "*002ANTWOORD\nWAI=240\n");
  bob.write("answer.txt", answer);
  bob.request(
      "*001ONTVANG\n"
      "*002ZEND\nMID=ANSWER\nIRP=QUESTION000001\nORG=ACME\nSUR=Alders\nFIL=answer.txt\n");

  // Alice sends and waits; Bob answers once the question has been sent.
  auto alice_run = alice.start_kovendi({"/FT"});
  bool sent =
      e2e::wait_until([&] { return !alice.status_of("*001ZEND").empty() || !alice_run->running(); },
                      e2e::kRunTimeout);
  ASSERT_TRUE(sent);
  ASSERT_TRUE(alice_run->running())
      << "Alice's run ended before the answer came" << alice.describe();
  ASSERT_EQ("0000", field(alice.status_of("*001ZEND")[0], 3)) << alice.describe();

  bob.kovendi({"/FT"});
  ASSERT_FALSE(bob.exists("qrtlnk.err")) << bob.describe();
  std::vector<std::string> received = bob.status_of("*001ONTVANG");
  ASSERT_EQ(1u, received.size()) << bob.describe();
  EXPECT_EQ("QUESTION000001", field(received[0], status::message::kMessageId));
  EXPECT_EQ(question, bob.read(field(received[0], status::message::kFirstFile)));
  std::vector<std::string> sent_answer = bob.status_of("*002ZEND");
  ASSERT_EQ(1u, sent_answer.size()) << bob.describe();
  EXPECT_EQ("0000", field(sent_answer[0], status::kResult));
  const std::string answer_mid = field(sent_answer[0], status::zend::kMessageId);
  EXPECT_EQ("QUESTION000001", field(sent_answer[0], status::zend::kInReplyTo));

  kvtest::RunResult r = alice_run->wait();
  EXPECT_EQ(0, r.exit_code);
  EXPECT_FALSE(alice.exists("qrtlnk.bsy"));
  EXPECT_FALSE(alice.exists("qrtlnk.err")) << alice.describe();
  std::vector<std::string> answered = alice.status_of("*002ANTWOORD");
  ASSERT_EQ(1u, answered.size()) << alice.describe();
  EXPECT_EQ("0000", field(answered[0], status::kResult));
  EXPECT_EQ(answer_mid, field(answered[0], status::message::kMessageId));
  EXPECT_EQ("QUESTION000001", field(answered[0], status::message::kInReplyTo));
  EXPECT_EQ(answer, alice.read(field(answered[0], status::message::kFirstFile)));
  // The answer is in Alice's receive store.
  std::vector<std::string> rcv = alice.rcv();
  ASSERT_EQ(1u, rcv.size()) << alice.describe();
  EXPECT_EQ(answer_mid, field(rcv[0], kv::rcv::kMessageId));
  EXPECT_EQ("QUESTION000001", field(rcv[0], kv::rcv::kInReplyTo));
  EXPECT_EQ("Bakker", field(rcv[0], kv::rcv::kSurname));
  EXPECT_EQ(field(answered[0], status::message::kFirstFile), field(rcv[0], kv::rcv::kFirstFile));
}

TEST_F(E2eAnswer, AntwoordWithoutAnswerEndsWith1701AfterTheWaitingTime) {
  alice.write("question.txt", "Anybody there?\n");
  alice.request(
      "*001ZEND\nMID=QUESTION000002\nORG=SHOP\nSUR=Bakker\nANS\nFIL=question.txt\n"
      "*002ANTWOORD\nWAI=10\n");
  kvtest::RunResult r = alice.kovendi({"/FT"});
  std::vector<std::string> answered = alice.status_of("*002ANTWOORD");
  ASSERT_EQ(1u, answered.size()) << alice.describe();
  EXPECT_EQ("1701", field(answered[0], status::kResult));
  EXPECT_GE(r.seconds, 10.0);
  EXPECT_FALSE(alice.exists("qrtlnk.err")) << alice.describe();
}

TEST_F(E2ePassword, WachtwoordChangesThePasswordInQrtlnkGnsAndTheNextRunLogsInWithIt) {
  ASSERT_TRUE(alice.run_request("*001WACHTWOORD\nPIN=NEWPW123\n")) << alice.describe();
  std::vector<std::string> changed = alice.status_of("*001WACHTWOORD");
  ASSERT_EQ(1u, changed.size()) << alice.describe();
  EXPECT_EQ("0000", field(changed[0], status::kResult));

  // qrtlnk.gns: only the PIN line changed; it holds the new password (8 characters), scrambled.
  std::vector<std::string> gns = alice.lines("qrtlnk.gns");
  ASSERT_EQ(4u, gns.size()) << alice.read("qrtlnk.gns");
  EXPECT_EQ("POS=alice", gns[0]);
  EXPECT_EQ("SRV=" + world.server(), gns[2]);
  EXPECT_EQ("PNB=1", gns[3]);
  ASSERT_EQ(12u, gns[1].size()) << gns[1];
  EXPECT_EQ("PIN=", gns[1].substr(0, 4));
  EXPECT_GE(static_cast<unsigned char>(gns[1][4]), 128u) << "scrambled";
  EXPECT_EQ(std::string::npos, gns[1].find("NEWPW123"));
  // No plain password is kept in the rotated command file.
  std::string old = alice.read("qrt_lnk.old");
  EXPECT_EQ(std::string::npos, old.find("NEWPW123"));
  EXPECT_EQ(std::string::npos, old.find("SECRET1"));
  EXPECT_EQ(std::string::npos, old.find("secret1"));

  // The next run logs in with the new password.
  EXPECT_TRUE(alice.run_request("*001LIJST\n")) << alice.describe();
  std::vector<std::string> status = alice.status();
  ASSERT_EQ(2u, status.size()) << alice.describe();
  EXPECT_EQ("0000", field(status[0], status::kResult));
  EXPECT_EQ("0000", field(status[1], status::kResult));
  EXPECT_EQ(gns, alice.lines("qrtlnk.gns")) << "a scrambled PIN stays as it is";

  // The old password no longer opens the mailbox.
  alice.write_gns(world.server());
  alice.request("*001LIJST\n");
  alice.kovendi({"/FT"});
  ASSERT_FALSE(alice.status().empty()) << alice.describe();
  EXPECT_EQ("1508", field(alice.status()[0], 3)) << "log-in refused";
  std::vector<std::string> errors = alice.errors();
  ASSERT_FALSE(errors.empty());
  EXPECT_EQ(e2e::error_line("0054", e2e::kError54), errors[0]);
}

TEST_F(E2eGathering, OntvangForOneKindOfEdiMessageGathersTheStoredOnesIntoItsFile) {
  const std::string una = "UNA:+.? '\n";
  const std::string orders = una + e2e::interchange("BOBBY", "1") + e2e::interchange("BOBBY", "2");
  const std::string invoices = e2e::interchange("BOBBY", "3");
  alice.write("orders.edi", orders);
  alice.write("invoices.edi", invoices);
  ASSERT_TRUE(
      alice.run_request("*001ZEND\nAPP=ORD\nMID=EDI\nFIL=orders.edi\n"
                        "*002ZEND\nAPP=INV\nMID=EDI\nFIL=invoices.edi\n"))
      << alice.describe();
  std::vector<std::string> snd = alice.snd();
  ASSERT_EQ(3u, snd.size()) << alice.describe();
  for (const std::string& record : snd)
    ASSERT_EQ("0000", field(record, snd::kResultCode)) << record;

  // An earlier run left the three EDI messages in Bob's receive store.
  bob.request("*001ONTVANG\n");
  bob.kovendi({"/FT"});
  std::vector<std::string> stored = bob.rcv();
  ASSERT_EQ(3u, stored.size()) << bob.describe();

  // A new ORD message arrives in Bob's mailbox.
  const std::string more = e2e::interchange("BOBBY", "4");
  alice.write("more.edi", more);
  ASSERT_TRUE(alice.run_request("*001ZEND\nAPP=ORD\nMID=EDI\nFIL=more.edi\n")) << alice.describe();
  snd = alice.snd();
  ASSERT_EQ(4u, snd.size()) << alice.describe();
  ASSERT_EQ("0000", field(snd[3], snd::kResultCode)) << snd[3];
  const std::string new_mid = field(snd[3], snd::kMessageId);

  // Receiving the ORD messages into one file gathers the stored ORD messages in front of the
  // one that this run receives.
  EXPECT_TRUE(bob.run_request("*001ONTVANG\nMID=EDI???ORD*\nFIL=orders-in.edi\n"))
      << bob.describe();
  EXPECT_EQ(orders + more, bob.read("orders-in.edi"))
      << "stored messages in store order, then the new one";
  std::vector<std::string> rcv = bob.rcv();
  ASSERT_EQ(1u, rcv.size()) << bob.describe();
  EXPECT_EQ(stored[2], rcv[0]) << "the INV message stays";
  EXPECT_FALSE(bob.exists(field(stored[0], kv::rcv::kFirstFile)));
  EXPECT_FALSE(bob.exists(field(stored[1], kv::rcv::kFirstFile)));
  EXPECT_TRUE(bob.exists(field(stored[2], kv::rcv::kFirstFile)));

  // One "0000" line per gathered message before the command's own line.
  std::vector<std::string> status = bob.status();
  ASSERT_EQ(4u, status.size()) << bob.describe();
  for (std::size_t i = 1; i <= 2; ++i) {
    SCOPED_TRACE(status[i]);
    EXPECT_EQ("*001ONTVANG", field(status[i], status::kTag));
    EXPECT_EQ(field(stored[i - 1], kv::rcv::kStamp), field(status[i], status::kStamp));
    EXPECT_EQ("0000", field(status[i], status::kResult));
    EXPECT_EQ(field(stored[i - 1], kv::rcv::kListId), field(status[i], status::message::kListId));
    EXPECT_EQ(field(stored[i - 1], kv::rcv::kMessageId),
              field(status[i], status::message::kMessageId));
    EXPECT_EQ("0", field(status[i], status::message::kFileCount));
    EXPECT_EQ("orders-in.edi", field(status[i], status::message::kFirstFile));
    EXPECT_EQ("Alders", field(status[i], status::message::kSurname));
  }
  EXPECT_EQ("*001ONTVANG", field(status[3], status::kTag));
  EXPECT_EQ("0000", field(status[3], status::kResult));
  EXPECT_EQ(new_mid, field(status[3], status::message::kMessageId));
  EXPECT_EQ("0", field(status[3], status::message::kFileCount));
  EXPECT_EQ("orders-in.edi", field(status[3], status::message::kFirstFile));
}

TEST_F(E2eGathering, EdiReceiveRequestIsSplitAndGathersTheStoredStdMessages) {
  // Without App-id the interchanges are sent as EDIINSSTD...; the invoices as EDIINSINV...
  const std::string orders = e2e::interchange("BOBBY", "1") + e2e::interchange("BOBBY", "2");
  alice.write("orders.edi", orders);
  ASSERT_TRUE(alice.run_request("*001ZEND\nMID=EDI\nFIL=orders.edi\n")) << alice.describe();

  bob.request("*001ONTVANG\n");
  bob.kovendi({"/FT"});
  std::vector<std::string> stored = bob.rcv();
  ASSERT_EQ(2u, stored.size()) << bob.describe();
  for (const std::string& record : stored) {
    ASSERT_TRUE(e2e::starts_with(field(record, kv::rcv::kMessageId), "EDIINSSTD")) << record;
  }

  const std::string more = e2e::interchange("BOBBY", "3");
  const std::string invoice = e2e::interchange("BOBBY", "4");
  alice.write("more.edi", more);
  alice.write("invoice.edi", invoice);
  ASSERT_TRUE(alice.run_request(
      "*001ZEND\nMID=EDI\nFIL=more.edi\n*002ZEND\nAPP=INV\nMID=EDI\nFIL=invoice.edi\n"))
      << alice.describe();
  std::vector<std::string> snd = alice.snd();
  ASSERT_EQ(4u, snd.size()) << alice.describe();
  const std::string more_mid = field(snd[2], snd::kMessageId);
  const std::string invoice_mid = field(snd[3], snd::kMessageId);

  // The application asks for every EDI message in one file: the request becomes a receive of the
  // STD messages into the file (which gathers the stored ones) and a receive of the other EDI
  // messages into QRTLNK.RCV.
  EXPECT_TRUE(bob.run_request("*001ONTVANG\nMID=EDI*\nFIL=edi-in.txt\n")) << bob.describe();
  const std::string commands = bob.read("qrt_lnk.old");
  EXPECT_EQ("*001ONTVANG\nMID=EDI???STD*\nFIL=edi-in.txt\n*001ONTVANG\nMID=EDI*\n",
            commands.substr(std::min(commands.size(), commands.find("*001"))))
      << "the engine's command file behind its CONNECT block";
  EXPECT_EQ(orders + more, bob.read("edi-in.txt"));
  std::vector<std::string> status = bob.status();
  ASSERT_EQ(5u, status.size()) << bob.describe();
  EXPECT_EQ(field(stored[0], kv::rcv::kMessageId), field(status[1], status::message::kMessageId));
  EXPECT_EQ(field(stored[1], kv::rcv::kMessageId), field(status[2], status::message::kMessageId));
  EXPECT_EQ(more_mid, field(status[3], status::message::kMessageId));
  for (std::size_t i = 1; i <= 3; ++i) {
    EXPECT_EQ("0000", field(status[i], status::kResult)) << status[i];
    EXPECT_EQ("edi-in.txt", field(status[i], status::message::kFirstFile)) << status[i];
  }
  EXPECT_EQ(invoice_mid, field(status[4], status::message::kMessageId));
  EXPECT_EQ("0000", field(status[4], status::kResult));
  EXPECT_EQ("1", field(status[4], status::message::kFileCount));
  // Receive recording: the invoice's identifier does not match the MID= pattern
  // of the first block, so its status line belongs to the second block, which has no FIL=: the
  // invoice is recorded in QRTLNK.RCV, and the gathered STD messages have left it.
  std::vector<std::string> rcv = bob.rcv();
  ASSERT_EQ(1u, rcv.size()) << "only the invoice is stored" << bob.describe();
  EXPECT_EQ(invoice_mid, field(rcv[0], kv::rcv::kMessageId));
  EXPECT_EQ(invoice, bob.read(field(rcv[0], kv::rcv::kFirstFile)));
  EXPECT_FALSE(bob.exists(field(stored[0], kv::rcv::kFirstFile)));
  EXPECT_FALSE(bob.exists(field(stored[1], kv::rcv::kFirstFile)));
}

TEST_F(E2eKill, KillMessageRemovesTheEarlierMessageAndItself) {
  alice.write("order1.txt", "order one\n");
  alice.write("order2.txt", "order two\n");
  alice.write("cancel.txt", "cancel order one\n");
  ASSERT_TRUE(alice.run_request(
      "*001ZEND\nMID=ORDER000000001\nORG=SHOP\nSUR=Bakker\nFIL=order1.txt\n"
      "*002ZEND\nMID=ORDER000000002\nORG=SHOP\nSUR=Bakker\nFIL=order2.txt\n"
      "*003ZEND\nMID=FTXCAN\nSUB=ORDER000000001\nORG=SHOP\nSUR=Bakker\nFIL=cancel.txt\n"))
      << alice.describe();
  ASSERT_EQ(3u, world.show("bob").size());

  EXPECT_TRUE(bob.run_request("*001LIJST\n*002ONTVANG\n")) << bob.describe();
  std::vector<std::string> listed = bob.status_of("*001LIJST");
  ASSERT_EQ(1u, listed.size()) << bob.describe();
  EXPECT_EQ("0000", field(listed[0], status::kResult));
  EXPECT_EQ("qrt400.lst", field(listed[0], status::lijst::kListingFile));
  std::vector<std::string> list = bob.lines("qrt400.lst");
  ASSERT_EQ(1u, list.size()) << bob.read("qrt400.lst");
  EXPECT_EQ("ORDER000000002", field(list[0], 2));

  std::vector<std::string> received = bob.status_of("*002ONTVANG");
  ASSERT_EQ(1u, received.size()) << bob.describe();
  EXPECT_EQ("0000", field(received[0], status::kResult));
  EXPECT_EQ("ORDER000000002", field(received[0], status::message::kMessageId));
  std::vector<std::string> rcv = bob.rcv();
  ASSERT_EQ(1u, rcv.size()) << bob.describe();
  EXPECT_EQ("order two\n", bob.read(field(rcv[0], kv::rcv::kFirstFile)));
  EXPECT_TRUE(world.show("bob").empty()) << "the cancelled message and the KILL are gone";
}

}  // namespace
