// Black-box test of the receive store in real normal runs: messages fetched by ONTVANG become
// QRTLNK.RCV records with their part files, a later EDI receive into one application file
// gathers the stored messages of its kind, and the retrieve hands the rest over.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/blackbox.h"
#include "tests/e2e_support.h"

namespace {

using e2e::field;

class ReceiveStore : public ::testing::Test {
 protected:
  void SetUp() override { e2e::create_store(dir_.path(), dir_.file("store")); }
  // A normal run as `user` with the request `request`.
  void run_as(const std::string& user, const std::string& pin, const std::string& request,
              const std::vector<std::string>& extra = {}) {
    kvtest::write_file(dir_.file("qrtlnk.gns"),
                       "POS=" + user + "\nPIN=" + pin + "\nSRV=file:store\nPNB=1\n");
    kvtest::write_file(dir_.file("qrtlnk.scr"), request);
    std::vector<std::string> args = {"/FT"};
    args.insert(args.end(), extra.begin(), extra.end());
    kvtest::RunResult r = kvtest::run(kvtest::program("kovendi"), args, dir_.path());
    ASSERT_EQ(0, r.exit_code);
    ASSERT_FALSE(kvtest::file_exists(dir_.file("qrtlnk.err")))
        << kvtest::read_file(dir_.file("qrtlnk.err"));
  }
  std::string read(const std::string& name) { return kvtest::read_file(dir_.file(name)); }

  kvtest::TempDir dir_;
};

TEST_F(ReceiveStore, ReceiveGatherAndRetrieve) {
  kvtest::write_file(dir_.file("note.txt"), "Hallo Alice\n");
  kvtest::write_file(dir_.file("order1.txt"), "UNB+ORDER1'\n");
  run_as("bob", "secret2",
         "*001ZEND\nMID=ABCTXT00010001\nORG=ACME\nSUR=Alders\nSUB=Groet\nFIL=note.txt\n"
         "*002ZEND\nMID=EDIORDABC00001\nORG=ACME\nSUR=Alders\nFIL=order1.txt\n");

  // Alice receives both into files of the client's naming: two records with the App-id.
  run_as("alice", "secret1", "*001ONTVANG\n", {"/A=APP"});
  std::vector<std::string> rcv = kvtest::read_lines(dir_.file("qrtlnk.rcv"));
  ASSERT_EQ(2u, rcv.size()) << read("qrtlnk.sts");
  std::string text_record = rcv[0];
  std::string edi_record = rcv[1];
  if (field(text_record, kv::rcv::kMessageId) != "ABCTXT00010001")
    std::swap(text_record, edi_record);
  EXPECT_EQ("APP", field(text_record, kv::rcv::kAppId));
  EXPECT_EQ("ABCTXT00010001", field(text_record, kv::rcv::kMessageId));
  EXPECT_EQ("1", field(text_record, kv::rcv::kFileCount));
  EXPECT_EQ("Groet", field(text_record, kv::rcv::kSubject));
  EXPECT_EQ("Bakker", field(text_record, kv::rcv::kSurname));
  EXPECT_EQ("EDIORDABC00001", field(edi_record, kv::rcv::kMessageId));
  EXPECT_EQ("Hallo Alice\n", read(field(text_record, kv::rcv::kFirstFile)));
  EXPECT_EQ("UNB+ORDER1'\n", read(field(edi_record, kv::rcv::kFirstFile)));

  // A second EDI order arrives; receiving EDI???ABC* into orders.edi gathers the stored one first.
  kvtest::write_file(dir_.file("order2.txt"), "UNB+ORDER2'\n");
  run_as("bob", "secret2", "*001ZEND\nMID=EDIORDABC00002\nORG=ACME\nSUR=Alders\nFIL=order2.txt\n");
  run_as("alice", "secret1", "*001ONTVANG\nMID=EDI???ABC*\nFIL=orders.edi\n");
  EXPECT_EQ("UNB+ORDER1'\nUNB+ORDER2'\n", read("orders.edi"));
  EXPECT_EQ(std::vector<std::string>{text_record}, kvtest::read_lines(dir_.file("qrtlnk.rcv")));
  EXPECT_FALSE(kvtest::file_exists(dir_.file(field(edi_record, kv::rcv::kFirstFile))));
  std::vector<std::string> status = kvtest::read_lines(dir_.file("qrtlnk.sts"));
  ASSERT_GE(status.size(), 3u);
  EXPECT_EQ("*001ONTVANG", field(status[1], status::kTag));
  EXPECT_EQ("EDIORDABC00001", field(status[1], status::message::kMessageId));
  EXPECT_EQ("0", field(status[1], status::message::kFileCount));
  EXPECT_EQ("orders.edi", field(status[1], status::message::kFirstFile));
  EXPECT_EQ("EDIORDABC00002", field(status[2], status::message::kMessageId));

  // The text message goes to the application with /RT.
  kvtest::RunResult r =
      kvtest::run(kvtest::program("kovendi"), {"/FT", "/RT", "/FIL=teksten.txt"}, dir_.path());
  ASSERT_EQ(0, r.exit_code);
  EXPECT_NE(std::string::npos, read("teksten.txt").find("Berichtkenmerk : ABCTXT00010001\n"));
  EXPECT_NE(std::string::npos, read("teksten.txt").find("\n\n\nHallo Alice\n"));
  EXPECT_EQ("", read("qrtlnk.rcv"));
}

}  // namespace
