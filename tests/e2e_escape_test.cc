// End to end: Escape (SIGINT) while a receive waits in the store (the store's delay fault on
// API_getMsg). The run ends cleanly with "1516" and loses nothing: the message stays in the
// mailbox and the next run receives it. A stop during an ordinary wait for answers is noticed at
// the next call of the client.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/e2e_support.h"

namespace {

using e2e::field;
using E2eEscape = e2e::WorldTest;

// How a run ended after a stop signal, and how many seconds after the signal.
struct Stopped {
  kvtest::RunResult result;
  double seconds;
};

Stopped stop(kvtest::Background& run, int sig) {
  auto pressed = std::chrono::steady_clock::now();
  run.signal(sig);
  kvtest::RunResult result = run.wait();
  return {result,
          std::chrono::duration<double>(std::chrono::steady_clock::now() - pressed).count()};
}

// Starts the party's run, presses Escape (SIGINT) once the store holds `operation` in its delay
// fault, and checks that the run broke off the wait and ended by itself.
void escape_while_waiting_in(e2e::Party& party, const std::string& operation) {
  auto run = party.start_kovendi({"/FT"});
  ASSERT_TRUE(e2e::waits_in_store(party, *run, operation));
  ASSERT_TRUE(run->running()) << "the run ended before " << operation << " waited"
                              << party.describe();
  Stopped stopped = stop(*run, SIGINT);
  EXPECT_LT(stopped.seconds, 60.0) << "the wait was broken off";
  EXPECT_EQ(0, stopped.result.signal);
  EXPECT_EQ(0, stopped.result.exit_code);
  EXPECT_FALSE(party.exists("qrtlnk.bsy"));
}

TEST_F(E2eEscape, SigintDuringALongReceiveEndsWith1516AndLosesNothing) {
  const std::string letter = "A long letter.\n";
  alice.write("letter.txt", letter);
  ASSERT_TRUE(alice.run_request("*001ZEND\nMID=LETTER00000001\nALI=BOBBY\nFIL=letter.txt\n"))
      << alice.describe();
  ASSERT_EQ(1u, world.show("bob").size());

  // The next fetch waits five minutes in the store.
  world.store({"fault", world.store_dir(), "API_getMsg", "delay", "300"});
  bob.request("*001ONTVANG\n");
  ASSERT_NO_FATAL_FAILURE(escape_while_waiting_in(bob, "API_getMsg"));
  EXPECT_FALSE(bob.exists("qrtlnk.err")) << "Escape is no communication failure" << bob.describe();

  std::vector<std::string> status = bob.status();
  ASSERT_EQ(2u, status.size()) << bob.describe();
  EXPECT_EQ("0000", field(status[0], status::kResult));
  EXPECT_EQ("*001ONTVANG", field(status[1], status::kTag));
  EXPECT_EQ("1516", field(status[1], status::kResult));
  EXPECT_TRUE(bob.rcv().empty()) << bob.describe();
  EXPECT_TRUE(bob.names_starting("TM").empty()) << "no listing file left" << bob.describe();

  // The message is still in the mailbox, unread.
  std::vector<std::string> bobs = world.show("bob");
  ASSERT_EQ(1u, bobs.size());
  EXPECT_EQ("NEW", e2e::World::show_word(bobs[0], 3));
  EXPECT_EQ("LETTER00000001", e2e::World::show_word(bobs[0], 4));

  // Without the fault the next run receives it.
  world.store({"clear-faults", world.store_dir()});
  EXPECT_TRUE(bob.run_request("*001ONTVANG\n")) << bob.describe();
  std::vector<std::string> rcv = bob.rcv();
  ASSERT_EQ(1u, rcv.size()) << bob.describe();
  EXPECT_EQ("LETTER00000001", field(rcv[0], kv::rcv::kMessageId));
  EXPECT_EQ(letter, bob.read(field(rcv[0], kv::rcv::kFirstFile)));
  EXPECT_TRUE(world.show("bob").empty());
}

// A send that asks for an answer, a wait of 30 s for it and a listing: Escape or closing the
// window (SIGINT, SIGTERM) 4 s after the start ends the wait at its next look into the mailbox
// with "1516", and the listing is not done.
TEST_F(E2eEscape, StopDuringAnAnswerWaitEndsTheRunAtTheNextServiceCall) {
  alice.write("a1.txt", "Vraag.\n");
  for (int sig : {SIGINT, SIGTERM}) {
    alice.request("*001ZEND\nMID=ASKE\nALI=BOBBY\nFIL=a1.txt\nANS\n*002ANTWOORD\nWAI=30\n"
                  "*003LIJST\n");
    auto started = std::chrono::steady_clock::now();
    auto run = alice.start_kovendi({"/FT"});
    // 4 s after the start, once the send is done and the wait has begun.
    bool waiting = e2e::wait_until(
        [&] {
          return (alice.read("qrtlnk.sts").find("*001ZEND") != std::string::npos &&
                  std::chrono::steady_clock::now() - started > std::chrono::seconds(4)) ||
                 !run->running();
        },
        e2e::kRunTimeout);
    ASSERT_TRUE(waiting);
    ASSERT_TRUE(run->running()) << "the run ended before the wait" << alice.describe();
    Stopped stopped = stop(*run, sig);
    const kvtest::RunResult& r = stopped.result;
    EXPECT_LT(stopped.seconds, 10.0) << "signal " << sig << ": the wait was not broken off";
    EXPECT_EQ(0, r.signal);
    EXPECT_EQ(0, r.exit_code);
    EXPECT_FALSE(alice.exists("qrtlnk.bsy"));
    EXPECT_FALSE(alice.exists("qrtlnk.err")) << alice.describe();
    std::vector<std::string> status = alice.status();
    ASSERT_EQ(3u, status.size()) << "signal " << sig << alice.describe();
    EXPECT_EQ("0000", field(status[1], status::kResult));
    EXPECT_EQ("*002ANTWOORD", field(status[2], status::kTag));
    EXPECT_EQ("1516", field(status[2], status::kResult));
  }
  EXPECT_EQ(2u, world.show("bob").size()) << "both questions were sent";
}

// A stop while a received message is being deleted from the mailbox, and during a password
// change, does not break them off: both finish, and the next command ends the session.
TEST_F(E2eEscape, DeleteAfterReceiptAndPasswordChangeFinishDespiteAStop) {
  ASSERT_NO_FATAL_FAILURE(world.letter_for_bob());

  world.store({"fault", world.store_dir(), "API_delMsg", "delay", "3"});
  world.store({"fault", world.store_dir(), "API_changeNetworkPwd", "delay", "2"});
  bob.request("*001ONTVANG\n*002WACHTWOORD\nPIN=NIEUW1\n*003LIJST\n");
  auto run = bob.start_kovendi({"/FT"});
  ASSERT_TRUE(e2e::waits_in_store(bob, *run, "API_delMsg"));
  ASSERT_TRUE(run->running()) << "the run ended before the delete waited" << bob.describe();
  kvtest::RunResult r = stop(*run, SIGINT).result;
  EXPECT_EQ(0, r.exit_code);
  EXPECT_NE(std::string::npos, bob.read("kovendi-client.log").find("API_changeNetworkPwd: fault"))
      << "the password change was not reached" << bob.describe();
  std::vector<std::string> status = bob.status();
  ASSERT_EQ(4u, status.size()) << bob.describe();
  EXPECT_EQ("0000", field(status[1], status::kResult)) << "the received message";
  EXPECT_EQ("*002WACHTWOORD", field(status[2], status::kTag));
  EXPECT_EQ("0000", field(status[2], status::kResult));
  EXPECT_EQ("*003LIJST", field(status[3], status::kTag));
  EXPECT_EQ("1516", field(status[3], status::kResult));
  ASSERT_EQ(1u, bob.rcv().size()) << bob.describe();
  EXPECT_TRUE(world.show("bob").empty()) << "the delete was finished";

  // The next run logs in with the new password that the user file now holds.
  bob.request("*001LIJST\n");
  bob.kovendi({"/FT"});
  status = bob.status();
  ASSERT_EQ(2u, status.size()) << bob.describe();
  EXPECT_EQ("0000", field(status[0], status::kResult));
}

TEST_F(E2eEscape, SigintDuringASendEndsWith1516AndKeepsTheInterchangesForTheNextRun) {
  const std::string orders = e2e::interchange("BOBBY", "1") + e2e::interchange("BOBBY", "2");
  const std::string block = "*001ZEND\nAPP=ORD\nMID=EDI\nFIL=orders.edi\n";
  alice.write("orders.edi", orders);
  alice.request(block);
  world.store({"fault", world.store_dir(), "API_sendMsg", "delay", "300"});
  ASSERT_NO_FATAL_FAILURE(escape_while_waiting_in(alice, "API_sendMsg"));
  EXPECT_FALSE(alice.exists("qrtlnk.err")) << alice.describe();

  std::vector<std::string> status = alice.status();
  ASSERT_EQ(2u, status.size()) << "the session ends after the interrupted send" << alice.describe();
  EXPECT_EQ("*001ZEND", field(status[1], status::kTag));
  EXPECT_EQ("1516", field(status[1], status::kResult));
  std::vector<std::string> snd = alice.snd();
  ASSERT_EQ(2u, snd.size()) << alice.describe();
  EXPECT_EQ("1516", field(snd[0], snd::kResultCode));
  EXPECT_EQ("2006", field(snd[1], snd::kResultCode));
  EXPECT_EQ(orders, alice.read("orders.edi")) << "both interchanges are back";
  EXPECT_EQ(block, alice.read("qrtlnk.sav"));
  EXPECT_TRUE(alice.names_starting("KV").empty()) << alice.describe();
  EXPECT_TRUE(world.show("bob").empty());

  // The application sends the file again; now both interchanges arrive.
  world.store({"clear-faults", world.store_dir()});
  EXPECT_TRUE(alice.run_request(block)) << alice.describe();
  EXPECT_FALSE(alice.exists("orders.edi"));
  EXPECT_EQ(2u, world.show("bob").size());
}

}  // namespace
