// Engine sessions through the real interface, the client library and a message store, one
// session per process: alice sends a message with two files to bob asking for reports, bob lists,
// receives and (so) deletes it, and alice fetches the delivery report with RAPPORT.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e_support.h"

namespace {

using e2e::field;

std::string connect_block(const e2e::World& world, const std::string& user,
                          const std::string& password) {
  return "*000CONNECT\nPOS=" + user + "\nPIN=" + password + "\nSRV=" + world.server() +
         "\nPNB=0\n";
}

// Runs one engine session in the party's home directory on qrtlnk.scr and returns its status
// lines.
std::vector<std::string> run_session(const e2e::Party& party, const std::string& commands) {
  party.write("qrtlnk.scr", commands);
  kvtest::RunResult r =
      kvtest::run(KV_SESSION_DRIVER, {kvtest::bin_dir(), party.home(), "qrtlnk.scr", "qrtlnk.sts"},
                  party.home(), party.options());
  EXPECT_EQ(0, r.exit_code) << r.out << r.err;
  return party.status();
}

// A received file as the status line names it (absolute, or relative to the engine directory).
std::string received_file(const e2e::Party& party, const std::string& name) {
  return kvtest::read_file(name.front() == '/' ? name : party.file(name));
}

TEST(EngineChain, SendReceiveAndDeliveryReport) {
  e2e::World world;
  e2e::Party& alice = world.alice();
  alice.write("F1.edi", "UNA:+.? 'UNB+UNOA:1+A+B'UNZ+1'\n");
  alice.write("F2.txt", "tweede bestand\n");

  std::vector<std::string> sent =
      run_session(alice, connect_block(world, "alice", "SECRET1") +
                             "*001ZEND\nMID=MID0001\nSUB=Twee bestanden\nFIL=F1.edi\nFIL=F2.txt\n"
                             "RAP=3\nCOU=NL\nADM=HUBADMD\nPMD=QRT400\nORG=SHOP\nSUR=Bakker\n");
  ASSERT_EQ(sent.size(), 2u) << alice.read("qrt400.log") << alice.read("debug.log");
  EXPECT_EQ(field(sent[0], 3), "0000");
  EXPECT_EQ(field(sent[1], 3), "0000") << sent[1] << "\n" << alice.read("kovendi-client.log");

  e2e::Party& bob = world.bob();
  std::vector<std::string> received =
      run_session(bob, connect_block(world, "bob", "SECRET2") + "*001LIJST\n*002ONTVANG\n");
  ASSERT_GE(received.size(), 3u) << bob.read("qrt400.log") << bob.read("debug.log");
  for (const std::string& line : received) EXPECT_EQ(field(line, 3), "0000") << line;
  EXPECT_NE(bob.read("qrt400.lst").find("MID0001"), std::string::npos) << bob.read("qrt400.lst");
  const std::string& message_line = received.back();
  EXPECT_EQ(field(message_line, 5), "MID0001") << message_line;
  const std::string first_part = field(message_line, 9);
  ASSERT_FALSE(first_part.empty()) << message_line;
  std::string second_part = first_part;
  second_part.back() = '2';
  EXPECT_EQ(received_file(bob, first_part), alice.read("F1.edi"));
  EXPECT_EQ(received_file(bob, second_part), alice.read("F2.txt"));

  // Received without an EDI identifier: deleted from bob's mailbox.
  std::vector<std::string> listed_again =
      run_session(bob, connect_block(world, "bob", "SECRET2") + "*001LIJST\n");
  ASSERT_EQ(listed_again.size(), 2u);
  EXPECT_EQ(field(listed_again[1], 5), "0") << listed_again[1];

  std::vector<std::string> reported =
      run_session(alice, connect_block(world, "alice", "SECRET1") + "*001RAPPORT\n");
  ASSERT_GE(reported.size(), 2u) << alice.read("qrt400.log");
  for (const std::string& line : reported) EXPECT_EQ(field(line, 3), "0000") << line;
  const std::string report = alice.read("qrt400.rap");
  EXPECT_NE(report.find("MID0001"), std::string::npos) << report;
  EXPECT_EQ(alice.read("debug.log"), "");
  EXPECT_EQ(bob.read("debug.log"), "");
}

}  // namespace
