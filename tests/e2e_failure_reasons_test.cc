// Every common mistake of a set-up leaves, besides the numbers the application reads (which stay
// exactly as they were), one journal line that names the cause in words: the refused line, the
// directory, the service's verdict and its own message, and the client log. From a terminal the
// same lines appear on standard error.
#include <gtest/gtest.h>

#include "tests/e2e_support.h"

namespace e2e {
namespace {

struct Mistake {
  const char* what;
  std::string gns;                  // the user file; "" keeps the good one
  std::string request;
  std::string status;               // field 1 and 3 of the status line that fails, "*000CONNECT|1009"
  std::vector<std::string> reason;  // pieces of the journal's reason line
  bool error_54;                    // the run also writes error 0054 (the session did not open)
};

// The journal's error lines (marker "**|") that hold every piece.
bool journal_explains(const Party& p, const std::vector<std::string>& pieces) {
  for (const std::string& line : p.lines("qrt400.log")) {
    if (line.rfind("**|", 0) != 0) continue;
    bool all = true;
    for (const std::string& piece : pieces) all = all && line.find(piece) != std::string::npos;
    if (all) return true;
  }
  return false;
}

std::string status_code(const Party& p, const std::string& tag) {
  for (const std::string& line : p.status()) {
    if (field(line, 1) == tag) return tag + "|" + field(line, 3);
  }
  return tag + "|(no line)";
}

TEST(FailureReasons, EveryCommonMistakeIsNamedInTheJournal) {
  World world;
  const std::string store = world.store_dir();
  const std::string good = world.alice().read("qrtlnk.gns");
  const std::string receive = "*001ONTVANG\nMID=*\n";
  const std::string closed_port = kvtest::shell_output(
      "for i in $(seq 1 100); do p=$((20000 + RANDOM % 30000)); "
      "(exec 3<>/dev/tcp/127.0.0.1/$p) 2>/dev/null || { printf %s $p; break; }; done");
  kvtest::TempDir homes;
  const std::string missing_file = homes.path() + "/m7/prijzen.txt";
  const std::vector<Mistake> mistakes = {
      {"a misspelt key", "POS=alice\nPIN=secret1\nSRV=file:" + store + "\nPNI=1\n", receive,
       "*000CONNECT|1009", {"*000CONNECT 1009", "unknown key", "\"PNI=1\"", "line 4"}, true},
      {"no port", "POS=alice\nPIN=secret1\nSRV=file:" + store + "\n", receive,
       "*000CONNECT|1059", {"1059", "no PNB= (port)", "required also with SRV=file:"}, true},
      {"no store", "POS=alice\nPIN=secret1\nSRV=file:" + store + "-gone\nPNB=1\n", receive,
       "*000CONNECT|1506", {"1506", "verdict 3", store + "-gone", "kovendi-client.log"}, true},
      {"a wrong password", "POS=alice\nPIN=secret9\nSRV=file:" + store + "\nPNB=1\n", receive,
       "*000CONNECT|1508", {"1508", "log-in refused", "\"alice\"", "kovendi-client.log"}, true},
      {"a server that is down", "POS=alice\nPIN=secret1\nSRV=127.0.0.1\nPNB=" + closed_port + "\n",
       receive, "*000CONNECT|1506", {"1506", "verdict 3", "127.0.0.1", closed_port}, true},
      {"a misspelt command", "", "*001ONTVANGG\nMID=*\n", "*001ONTVANGG|2002",
       {"2002", "unknown command name", "\"*001ONTVANGG\""}, false},
      {"an address no mailbox has", "",
       "*001ZEND\nMID=PRIJS\nCOU=NL\nADM=400NET\nSUR=Bakker\nFIL=qrtlnk.gns\n", "*001ZEND|1509",
       {"1509", "no recipient", "verdict 7", "kovendi-client.log"}, false},
      {"a file to send that is not there", "",
       "*001ZEND\nMID=PRIJS\nALI=BOBBY\nFIL=prijzen.txt\n", "*001ZEND|3037",
       {"3037", "\"prijzen.txt\"", missing_file, "FIL=prijzen.txt"}, false},
  };
  // Each mistake in a home of its own, all runs at the same time (one store serves them all).
  std::vector<std::unique_ptr<Party>> parties;
  std::vector<std::unique_ptr<kvtest::Background>> runs;
  for (std::size_t i = 0; i < mistakes.size(); ++i) {
    const std::string n = std::to_string(i);
    parties.push_back(std::make_unique<Party>(homes.path() + "/m" + n, homes.path() + "/run" + n,
                                              "alice", "secret1"));
    parties[i]->write("qrtlnk.gns", mistakes[i].gns.empty() ? good : mistakes[i].gns);
    parties[i]->request(mistakes[i].request);
    runs.push_back(parties[i]->start_kovendi({"/FT", "/A=DEM"}));
  }
  for (std::size_t i = 0; i < mistakes.size(); ++i) {
    const Mistake& m = mistakes[i];
    const Party& alice = *parties[i];
    SCOPED_TRACE(m.what);
    EXPECT_EQ(runs[i]->wait().exit_code, 0);
    EXPECT_EQ(status_code(alice, field(m.status, 1)), m.status) << alice.describe();
    if (m.error_54) {
      ASSERT_EQ(alice.errors().size(), 1u) << alice.describe();
      // The error file keeps its exact layout: number, blank, the text padded to 103.
      EXPECT_EQ(alice.errors()[0],
                "0054 " + std::string("*** KOVENDI FOUT; Fout tijdens communicatie") +
                    std::string(103 - 43, ' '));
      EXPECT_TRUE(journal_explains(alice, {"qrtlnk.err 0054", "kovendi-client.log"}));
    } else {
      EXPECT_FALSE(alice.exists("qrtlnk.err")) << alice.describe();
    }
    EXPECT_TRUE(journal_explains(alice, m.reason)) << alice.read("qrt400.log");
    // A password never reaches the journal.
    EXPECT_EQ(alice.read("qrt400.log").find("secret"), std::string::npos);
  }
}

// From a terminal (here a pseudo-terminal made by script(1)) the reasons appear on standard
// error as well; without one, standard error stays quiet.
TEST(FailureReasons, ATerminalSeesTheReasons) {
  if (kvtest::shell_output("command -v script").empty()) GTEST_SKIP() << "no script(1)";
  World world;
  const Party& alice = world.alice();
  alice.write("qrtlnk.gns", "POS=alice\nPIN=secret1\nSRV=file:" + world.store_dir() + "\n");
  alice.request("*001ONTVANG\nMID=*\n");
  kvtest::RunResult quiet = alice.kovendi({"/FT"});
  EXPECT_EQ(quiet.err.find("1059"), std::string::npos) << quiet.err;
  alice.request("*001ONTVANG\nMID=*\n");  // a run consumes its request
  kvtest::RunResult r =
      kvtest::run("/usr/bin/script", {"-qec", kvtest::program("kovendi") + " /FT", "/dev/null"},
                  alice.home(), alice.options());
  EXPECT_NE(r.out.find("kovendi: *000CONNECT 1059: no PNB= (port) in qrtlnk.gns"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("kovendi: qrtlnk.err 0054"), std::string::npos) << r.out;
  // A command-line error is explained there too, before any journal exists.
  r = kvtest::run("/usr/bin/script", {"-qec", kvtest::program("kovendi") + " /X", "/dev/null"},
                  alice.home(), alice.options());
  EXPECT_NE(r.out.find("kovendi: qrtlnk.err 0004: unknown parameter /X"), std::string::npos)
      << r.out;
}

// --help and --version answer on standard output with status 0 and leave the current directory
// as it was: no error file, no busy file, no result file of the dial-up helper.
TEST(ProgramInfo, HelpAndVersionWriteNothingHere) {
  kvtest::TempDir dir;
  // In the test's own directory: a program that takes --version for a run leaves files there.
  const std::string version = kvtest::run(kvtest::program("kovendi"), {"--version"}, dir.path()).out;
  ASSERT_EQ(version.rfind("kovendi ", 0), 0u) << version;
  const std::string number = version.substr(8, version.size() - 9);
  EXPECT_EQ(number, KOVENDI_VERSION);
  for (const char* name : {"kovendi", "kovedial", "kovendi-store"}) {
    SCOPED_TRACE(name);
    kvtest::RunResult help = kvtest::run(kvtest::program(name), {"--help"}, dir.path());
    EXPECT_EQ(help.exit_code, 0) << help.err;
    EXPECT_NE(help.out.find("Usage: "), std::string::npos) << help.out;
    kvtest::RunResult v = kvtest::run(kvtest::program(name), {"--version"}, dir.path());
    EXPECT_EQ(v.exit_code, 0) << v.err;
    EXPECT_EQ(v.out, std::string(name) + " " + number + "\n");
    EXPECT_TRUE(kvtest::list_dir(dir.path()).empty()) << "left files behind";
  }
  // Only as the one parameter: after /FT it is an unknown parameter (error 0004) as ever.
  kvtest::run(kvtest::program("kovendi"), {"/FT", "--help"}, dir.path());
  EXPECT_EQ(kvtest::read_lines(dir.path() + "/qrtlnk.err").size(), 1u);
}

}  // namespace
}  // namespace e2e
