// Runs killed at the exact moment that used to lose or repeat something: right after the message
// service accepted a send, took a new password or handed out an item, and right after the copy
// of the command file was made. The crash switch's trace of an uninterrupted run finds the
// moment; the same run is then killed there, and the next normal run must put everything right.
#include "tests/crash_support.h"

namespace {

using namespace crash;
using e2e::field;

class ExactlyOnce : public ::testing::Test {
 protected:
  e2e::World world_;
  WorldSnapshot snapshot_{world_};

  // Kills the party's run of `request` at the operation that `where` picks from its trace.
  void kill_where(e2e::Party& party, const std::string& request,
                  const std::function<bool(const Operation&)>& where, int nth = 1) {
    party.request(request);
    snapshot_.save();
    const int n = find_operation(trace_operations(party.home(), {"/FT"}, party.options()), where, nth);
    ASSERT_GT(n, 0) << "the moment is not in the trace";
    snapshot_.restore();
    const CrashOutcome outcome =
        run_crash(party.home(), {"/FT"}, party.options(), "kill:" + std::to_string(n));
    ASSERT_EQ(SIGKILL, outcome.run.signal) << outcome.report;
  }
  void next_normal_run(e2e::Party& party) {
    party.request("*001LIJST\n");
    party.kovendi({"/FT"});
  }
  std::map<std::string, int> in_mailbox(const std::string& user, const std::string& type) const {
    std::map<std::string, int> items;
    for (const std::string& line : world_.show(user)) {
      if (e2e::World::show_word(line, 2) == type) ++items[e2e::World::show_word(line, 5)];
    }
    return items;
  }
};

// The service accepted the first interchange, the run was killed before its status line: the
// interchange is delivered once, recorded as sent and not put back; the second one was not sent
// and goes with the next send.
TEST_F(ExactlyOnce, SendAcceptedBeforeTheKillIsSettledOnce) {
  world_.store({"add-alias", world_.store_dir(), "SHOP:ZZ", "bob"});
  e2e::Party& alice = world_.alice();
  const std::string first = e2e::interchange("SHOP:ZZ", "2001");
  const std::string second = e2e::interchange("SHOP:ZZ", "2002");
  alice.write("orders.edi", first + second);
  // The engine removes an interchange's work file once the service accepted it.
  kill_where(alice, "*001ZEND\nMID=EDI\nFIL=orders.edi\n", [](const Operation& o) {
    return o.op == "remove" && o.on(".edi") && o.path.find("/KV") != std::string::npos;
  });
  next_normal_run(alice);
  EXPECT_EQ(second, alice.read("orders.edi")) << alice.describe();
  std::map<std::string, std::string> code;
  for (const std::string& record : alice.snd()) code[field(record, snd::kSubject)] = field(record, 3);
  EXPECT_EQ("0000", code["2001,M2001"]) << alice.describe();
  EXPECT_EQ("2006", code["2002,M2002"]) << alice.describe();
  alice.request("*001ZEND\nMID=EDI\nFIL=orders.edi\n");
  alice.kovendi({"/FT"});
  const std::map<std::string, int> delivered = in_mailbox("bob", "MSG");
  EXPECT_EQ(2u, delivered.size());
  for (const auto& [subject, times] : delivered) EXPECT_EQ(1, times) << subject;
}

// The service took the new password, the run was killed before its status line: the next run
// logs in, and so does the one after it.
TEST_F(ExactlyOnce, PasswordTakenBeforeTheKillStillLogsIn) {
  e2e::Party& bob = world_.bob();
  kill_where(bob, "*001WACHTWOORD\nPIN=newpw12\n",
             [](const Operation& o) { return o.op == "write" && o.on("/qrtlnk.sts"); }, 2);
  for (int run = 0; run < 2; ++run) {
    next_normal_run(bob);
    ASSERT_FALSE(bob.status().empty()) << bob.describe();
    EXPECT_EQ("0000", field(bob.status().front(), 3)) << "log-in " << run << bob.describe();
  }
  EXPECT_EQ(std::string::npos, bob.read("qrtlnk.gns").find("secret2")) << bob.describe();
}

// The service handed out (and marked read) a message and a delivery report, the runs were killed
// before recording them: the next normal runs record them once.
TEST_F(ExactlyOnce, ItemsFetchedBeforeTheKillAreRecordedOnce) {
  e2e::Party& alice = world_.alice();
  e2e::Party& bob = world_.bob();
  alice.write("a.txt", "note a\n");
  alice.request("*001ZEND\nMID=TXT\nALI=BOBBY\nRAP=3\nFIL=a.txt\n");
  alice.kovendi({"/FT"});
  ASSERT_EQ(1u, alice.snd().size());
  const std::string mid = field(alice.snd().front(), snd::kMessageId);

  // The received file is flushed right after the fetch, before its status line.
  kill_where(bob, "*001ONTVANG\n", [](const Operation& o) {
    return o.op == "sync" && o.on(".001") && o.path.find("/qrtlnk") == std::string::npos;
  });
  next_normal_run(bob);
  ASSERT_EQ(1u, bob.rcv().size()) << bob.describe();
  EXPECT_EQ(mid, field(bob.rcv().front(), kv::rcv::kMessageId));
  EXPECT_EQ("note a\n", bob.read(field(bob.rcv().front(), kv::rcv::kFirstFile)));
  EXPECT_TRUE(in_mailbox("bob", "MSG").empty()) << "left in the mailbox";

  // The report record is written right after the fetch.
  kill_where(alice, "*001RAPPORT\n",
             [](const Operation& o) { return o.op == "open-write" && o.on("/qrt400.rap"); });
  next_normal_run(alice);
  ASSERT_EQ(1u, alice.snd().size());
  EXPECT_EQ("3", field(alice.snd().front(), snd::kDeliveryState)) << alice.describe();
}

// The copy of the translated command file is made with the password in it scrambled and
// recorded before it exists: a kill once it is written leaves no plain password.
TEST_F(ExactlyOnce, NoPlainPasswordIsLeftByAKillWhileTheCopyIsMade) {
  e2e::Party& alice = world_.alice();
  kill_where(alice, "*001LIJST\n", [](const Operation& o) {
    return o.on(".cmd") && o.path.find("/KV") != std::string::npos && o.op == "sync";
  });
  kvtest::run(kvtest::program("kovendi"), {"/FT", "/R", "/MID=NOTHING", "/FIL=none.out"},
              alice.home(), alice.options());
  for (const std::string& name : kvtest::list_dir(alice.home())) {
    if (name == "qrtlnk.gns") continue;
    for (const char* plain : {"PIN=secret1", "PIN=SECRET1"}) {
      EXPECT_EQ(std::string::npos, alice.read(name).find(plain)) << "plain password in " << name;
    }
  }
  expect_no_leftovers(alice.home(), "after the kill");
}

}  // namespace
