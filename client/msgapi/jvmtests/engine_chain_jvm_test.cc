// Engine sessions through the real interface, the client library and a message store, one
// session per process: A sends a message with two files to B asking for reports, B lists,
// receives and (so) deletes it, and A fetches the delivery report with RAPPORT.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/testing/temp_dir.h"

namespace {

const std::string kBinDir = KV_BIN_DIR;

bool run_command(const std::string& command) { return std::system(command.c_str()) == 0; }

std::string connect_block(const std::string& store, const std::string& user,
                          const std::string& password) {
  return "*000CONNECT\nPOS=" + user + "\nPIN=" + password + "\nSRV=file:" + store + "\nPNB=0\n";
}

// Runs one session in `dir` on qrtlnk.scr and returns its status lines.
std::vector<std::string> run_session(const kv::testing::TempDir& dir, const std::string& commands) {
  dir.write("qrtlnk.scr", commands);
  const std::string command = std::string(KV_SESSION_DRIVER) + " " + kBinDir + " " + dir.path() +
                              " qrtlnk.scr qrtlnk.sts > " + dir.file("driver.out") + " 2>&1";
  EXPECT_TRUE(run_command(command)) << dir.read("driver.out");
  return dir.lines("qrtlnk.sts");
}

// A received file as the status line names it (absolute, or relative to the engine directory).
std::string read_file(const kv::testing::TempDir& dir, const std::string& name) {
  std::ifstream in(name.front() == '/' ? name : dir.file(name), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string field(const std::string& line, int number) {
  std::stringstream fields(line);
  std::string value;
  for (int i = 1; i <= number; ++i)
    if (!std::getline(fields, value, '|')) return std::string();
  return value;
}

TEST(EngineChain, SendReceiveAndDeliveryReport) {
  if (!std::ifstream(kBinDir + "/lib/kovendi.jar").good() ||
      !std::ifstream(kBinDir + "/kovendi-store").good())
    GTEST_SKIP() << "the client library or kovendi-store is not built in " << kBinDir;
  kv::testing::TempDir stores;
  kv::testing::TempDir a_dir;
  kv::testing::TempDir b_dir;
  const std::string store = stores.file("store");
  const std::string admin = kBinDir + "/kovendi-store ";
  ASSERT_TRUE(run_command(admin + "init " + store));
  ASSERT_TRUE(run_command(admin + "add-mailbox " + store +
                          " USERA GEHEIMA COU=NL ADM=400NET PMD=KOVENDI ORG=Handel SUR=Aalders"));
  ASSERT_TRUE(run_command(admin + "add-mailbox " + store +
                          " USERB GEHEIMB COU=NL ADM=400NET PMD=KOVENDI ORG=Groothandel"
                          " SUR=Bakker"));
  a_dir.write("F1.edi", "UNA:+.? 'UNB+UNOA:1+A+B'UNZ+1'\n");
  a_dir.write("F2.txt", "tweede bestand\n");

  std::vector<std::string> sent =
      run_session(a_dir, connect_block(store, "USERA", "GEHEIMA") +
                             "*001ZEND\nMID=MID0001\nSUB=Twee bestanden\nFIL=F1.edi\nFIL=F2.txt\n"
                             "RAP=3\nCOU=NL\nADM=400NET\nPMD=KOVENDI\nORG=Groothandel\n"
                             "SUR=Bakker\n");
  ASSERT_EQ(sent.size(), 2u) << a_dir.read("qrt400.log") << a_dir.read("debug.log");
  EXPECT_EQ(field(sent[0], 3), "0000");
  EXPECT_EQ(field(sent[1], 3), "0000") << sent[1] << "\n" << a_dir.read("kovendi-client.log");

  std::vector<std::string> received =
      run_session(b_dir, connect_block(store, "USERB", "GEHEIMB") + "*001LIJST\n*002ONTVANG\n");
  ASSERT_GE(received.size(), 3u) << b_dir.read("qrt400.log") << b_dir.read("debug.log");
  for (const std::string& line : received) EXPECT_EQ(field(line, 3), "0000") << line;
  EXPECT_NE(b_dir.read("qrt400.lst").find("MID0001"), std::string::npos)
      << b_dir.read("qrt400.lst");
  const std::string& message_line = received.back();
  EXPECT_EQ(field(message_line, 5), "MID0001") << message_line;
  const std::string first_part = field(message_line, 9);
  ASSERT_FALSE(first_part.empty()) << message_line;
  std::string second_part = first_part;
  second_part.back() = '2';
  EXPECT_EQ(read_file(b_dir, first_part), a_dir.read("F1.edi"));
  EXPECT_EQ(read_file(b_dir, second_part), a_dir.read("F2.txt"));

  // Received without an EDI identifier: deleted from B's mailbox.
  std::vector<std::string> listed_again =
      run_session(b_dir, connect_block(store, "USERB", "GEHEIMB") + "*001LIJST\n");
  ASSERT_EQ(listed_again.size(), 2u);
  EXPECT_EQ(field(listed_again[1], 5), "0") << listed_again[1];

  std::vector<std::string> reported =
      run_session(a_dir, connect_block(store, "USERA", "GEHEIMA") + "*001RAPPORT\n");
  ASSERT_GE(reported.size(), 2u) << a_dir.read("qrt400.log");
  for (const std::string& line : reported) EXPECT_EQ(field(line, 3), "0000") << line;
  const std::string report = a_dir.read("qrt400.rap");
  EXPECT_NE(report.find("MID0001"), std::string::npos) << report;
  EXPECT_EQ(a_dir.read("debug.log"), "");
  EXPECT_EQ(b_dir.read("debug.log"), "");
}

}  // namespace
