// End to end: runs that cannot connect, and sends that the store refuses (fault injection with
// kovendi-store): the codes in the status file and QRTLNK.SND, QRTLNK.SAV, the application's
// EDIFACT file and qrtlnk.err.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e_support.h"

namespace {

using e2e::field;
using E2eNoConnection = e2e::WorldTest;
using E2eFailedSend = e2e::WorldTest;

// A request with a plain send to two recipients (BOBBY and a copy to Alice herself) and an
// EDIFACT send of two interchanges.
struct SendRequest {
  std::string x1 = e2e::interchange("BOBBY", "1");
  std::string x2 = e2e::interchange("BOBBY", "2");
  std::string edi = x1 + x2;
  std::string plain_block =
      "*001ZEND\nMID=PLAIN\nALI=BOBBY\nCCO\nORG=ACME\nSUR=Alders\nFIL=note.txt\n";
  std::string edi_block = "*002ZEND\nAPP=ORD\nMID=EDI\nFIL=orders.edi\n";

  void write(const e2e::Party& party) const {
    party.write("note.txt", "Hello Bob\n");
    party.write("orders.edi", edi);
    party.request(plain_block + edi_block);
  }
};

// Every record of QRTLNK.SND: "2006", a stamp, delivery state "1".
void expect_all_2006(const e2e::Party& party, std::size_t records) {
  std::vector<std::string> snd = party.snd();
  ASSERT_EQ(records, snd.size()) << party.describe();
  for (const std::string& record : snd) {
    SCOPED_TRACE(record);
    EXPECT_EQ("2006", field(record, snd::kResultCode));
    EXPECT_EQ(12u, field(record, snd::kResultStamp).size());
    EXPECT_TRUE(e2e::all_digits(field(record, snd::kResultStamp)));
    EXPECT_EQ("1", field(record, snd::kDeliveryState));
  }
}

void expect_error_54(const e2e::Party& party) {
  std::vector<std::string> errors = party.errors();
  ASSERT_FALSE(errors.empty()) << "no qrtlnk.err" << party.describe();
  EXPECT_EQ(e2e::error_line("0054", e2e::kError54), errors[0]);
}

TEST_F(E2eNoConnection, MissingStoreGives2006ForEveryNewRecordAndError54) {
  alice.write_gns("file:" + world.root() + "/nostore");
  SendRequest request;
  request.write(alice);

  alice.kovendi({"/FT"});
  expect_error_54(alice);
  std::vector<std::string> status = alice.status();
  ASSERT_EQ(1u, status.size()) << "only the CONNECT line" << alice.describe();
  EXPECT_EQ("*000CONNECT", field(status[0], status::kTag));
  EXPECT_EQ("1506", field(status[0], status::kResult)) << "verdict 3, store not reachable";

  // Plain send: first recipient and copy; EDIFACT: one record per interchange.
  expect_all_2006(alice, 4);
  std::vector<std::string> snd = alice.snd();
  if (snd.size() == 4) {
    EXPECT_EQ("1", field(snd[0], snd::kRecipientKind));
    EXPECT_EQ("2", field(snd[1], snd::kRecipientKind));
    EXPECT_EQ("ORD", field(snd[2], snd::kApplication));
    EXPECT_EQ("ORD", field(snd[3], snd::kApplication));
  }
  // Nothing is lost: the interchanges are back in the application's file, both blocks are kept
  // for a new attempt, and no work file is left.
  EXPECT_EQ(request.edi, alice.read("orders.edi"));
  EXPECT_EQ(request.plain_block + request.edi_block, alice.read("qrtlnk.sav"));
  EXPECT_TRUE(alice.names_starting("KV").empty()) << alice.describe();
  EXPECT_TRUE(alice.names_starting("QLX_").empty()) << alice.describe();
  EXPECT_EQ(0444u, e2e::mode_of(alice.file("qrtlnk.snd")));
  EXPECT_TRUE(world.show("bob").empty());
}

TEST_F(E2eNoConnection, RefusedOpenGives2006ToTheNewRecordsOnlyAndError54) {
  // An earlier run sent one message; its completed record must survive the failed run.
  alice.write("first.txt", "first\n");
  ASSERT_TRUE(alice.run_request("*001ZEND\nMID=FIRST\nALI=BOBBY\nFIL=first.txt\n"))
      << alice.describe();
  std::vector<std::string> before = alice.snd();
  ASSERT_EQ(1u, before.size()) << alice.describe();
  ASSERT_EQ("0000", field(before[0], status::kResult));

  world.store({"fault", world.store_dir(), "API_open", "6"});
  SendRequest request;
  request.write(alice);
  alice.kovendi({"/FT"});
  expect_error_54(alice);
  std::vector<std::string> status = alice.status();
  ASSERT_EQ(1u, status.size()) << alice.describe();
  EXPECT_EQ("1508", field(status[0], status::kResult)) << "verdict 6, log-in refused";
  std::vector<std::string> snd = alice.snd();
  ASSERT_EQ(5u, snd.size()) << alice.describe();
  EXPECT_EQ(before[0], snd[0]) << "the completed record is unchanged";
  for (std::size_t i = 1; i < snd.size(); ++i) {
    EXPECT_EQ("2006", field(snd[i], snd::kResultCode)) << snd[i];
    EXPECT_TRUE(e2e::all_digits(field(snd[i], snd::kResultStamp))) << snd[i];
  }
  EXPECT_EQ(request.edi, alice.read("orders.edi"));
  EXPECT_EQ(request.plain_block + request.edi_block, alice.read("qrtlnk.sav"));
  EXPECT_EQ("", world.store({"faults", world.store_dir()})) << "the one fault was used";
  EXPECT_EQ(1u, world.show("bob").size()) << "only the earlier message";
}

TEST_F(E2eFailedSend, VerdictFromFaultInjectionReachesTheRecordsAndTheBlockIsKept) {
  // The first send is refused with verdict 7 (no recipient reachable): code 1509, and the
  // session goes on with the next command.
  world.store({"fault", world.store_dir(), "API_sendMsg", "7"});
  const std::string failing =
      "*001ZEND\nMID=FIRST\nALI=BOBBY\nCCO\nORG=ACME\nSUR=Alders\nFIL=first.txt\n";
  const std::string passing = "*002ZEND\nMID=SECOND\nALI=BOBBY\nFIL=second.txt\n";
  alice.write("first.txt", "first\n");
  alice.write("second.txt", "second\n");
  alice.request(failing + passing);

  alice.kovendi({"/FT"});
  EXPECT_FALSE(alice.exists("qrtlnk.err"))
      << "a refused send is no communication failure" << alice.describe();
  std::vector<std::string> first = alice.status_of("*001ZEND");
  ASSERT_EQ(2u, first.size()) << "one line per recipient" << alice.describe();
  for (const std::string& line : first) EXPECT_EQ("1509", field(line, status::kResult)) << line;
  std::vector<std::string> second = alice.status_of("*002ZEND");
  ASSERT_EQ(1u, second.size()) << alice.describe();
  EXPECT_EQ("0000", field(second[0], status::kResult));

  std::vector<std::string> snd = alice.snd();
  ASSERT_EQ(3u, snd.size()) << alice.describe();
  EXPECT_EQ("1509", field(snd[0], snd::kResultCode));
  EXPECT_EQ("1509", field(snd[1], snd::kResultCode));
  EXPECT_EQ("2", field(snd[1], snd::kRecipientKind));
  EXPECT_TRUE(e2e::starts_with(field(snd[0], snd::kMessageId), "FIRST"));
  EXPECT_EQ(field(snd[0], snd::kMessageId), field(snd[1], snd::kMessageId));
  EXPECT_EQ("0000", field(snd[2], snd::kResultCode));
  EXPECT_TRUE(e2e::starts_with(field(snd[2], snd::kMessageId), "SECOND"));

  // Only the failed send's block is kept; the files are untouched.
  EXPECT_EQ(failing, alice.read("qrtlnk.sav"));
  EXPECT_EQ("first\n", alice.read("first.txt"));
  EXPECT_EQ("second\n", alice.read("second.txt"));
  std::vector<std::string> bobs = world.show("bob");
  ASSERT_EQ(1u, bobs.size());
  EXPECT_EQ(field(snd[2], snd::kMessageId), e2e::World::show_word(bobs[0], 4));
}

TEST_F(E2eFailedSend, FatalVerdictEndsTheSessionAndKeepsEverythingForTheNextRun) {
  // Verdict 4 (no session) is fatal: code 1507, and the session ends after the first send.
  world.store({"fault", world.store_dir(), "API_sendMsg", "4"});
  const std::string x1 = e2e::interchange("BOBBY", "1");
  const std::string x2 = e2e::interchange("BOBBY", "2");
  const std::string edi_block = "*001ZEND\nAPP=ORD\nMID=EDI\nFIL=orders.edi\n";
  const std::string plain_block = "*002ZEND\nMID=PLAIN\nALI=BOBBY\nFIL=note.txt\n";
  alice.write("orders.edi", x1 + x2);
  alice.write("note.txt", "Hello Bob\n");
  alice.request(edi_block + plain_block);

  alice.kovendi({"/FT"});
  EXPECT_FALSE(alice.exists("qrtlnk.err")) << alice.describe();
  std::vector<std::string> status = alice.status();
  ASSERT_EQ(2u, status.size()) << "CONNECT and the failed interchange" << alice.describe();
  EXPECT_EQ("0000", field(status[0], status::kResult));
  EXPECT_EQ("*001ZEND", field(status[1], status::kTag));
  EXPECT_EQ("1507", field(status[1], status::kResult));

  std::vector<std::string> snd = alice.snd();
  ASSERT_EQ(3u, snd.size()) << alice.describe();
  EXPECT_EQ("1507", field(snd[0], snd::kResultCode));
  EXPECT_EQ("2006", field(snd[1], snd::kResultCode)) << "the second interchange was never sent";
  EXPECT_EQ("2006", field(snd[2], snd::kResultCode)) << "the plain send was never sent";
  EXPECT_EQ(x1 + x2, alice.read("orders.edi")) << "both interchanges are back";
  EXPECT_EQ(edi_block + plain_block, alice.read("qrtlnk.sav"));
  EXPECT_TRUE(alice.names_starting("KV").empty()) << alice.describe();
  EXPECT_TRUE(world.show("bob").empty());
}

}  // namespace
