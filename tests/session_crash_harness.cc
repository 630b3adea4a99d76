// Crash harness of the runs that talk to the message service: a send with EDIFACT interchanges, a
// receive, RAPPORT and WACHTWOORD are killed at a random file operation (30 trials each, or
// KOVENDI_KILL_TRIALS), or have their power cut at a sample of their file operations
// (KOVENDI_POWER_CUT_ALL=1: at every one); the recovery itself is killed and cut as well. After
// the next normal run every message is delivered exactly once or is still the application's,
// everything fetched is recorded once, the next log-in works, and nothing is left behind.
#include <filesystem>

#include "tests/crash_support.h"

namespace {

using namespace crash;
using e2e::field;

// Power cuts per mode in a CI run.
constexpr int kCutSample = 4;
constexpr int kInterchanges = 3;

std::string reference(int i) { return std::to_string(1001 + i); }

// An item of a mailbox of the embedded store, read from its entry file.
struct Item {
  std::string type;    // "1" message, "2" notification, "3" report
  std::string access;  // "NEW" or "READ"
  std::string mid;
  std::string subject;
};

std::vector<Item> mailbox(const std::string& store, const std::string& user) {
  std::vector<Item> items;
  const std::string dir = store + "/mbx/" + user;
  for (const std::string& name : kvtest::list_dir(dir)) {
    if (name.size() < 6 || name.compare(name.size() - 6, 6, ".entry") != 0) continue;
    Item item;
    for (const std::string& line : kvtest::read_lines(dir + "/" + name)) {
      const std::size_t eq = line.find('=');
      if (line.empty() || line[0] == '#' || eq == std::string::npos) continue;
      const std::string key = line.substr(0, eq);
      const std::string value = line.substr(eq + 1);
      if (key == "type") item.type = value;
      if (key == "access") item.access = value;
      if (key == "ipMsgId") item.mid = value;
      if (key == "subject") item.subject = value;
    }
    items.push_back(item);
  }
  return items;
}

// No plain password outside qrtlnk.gns.
void expect_no_plain_password(const e2e::Party& party, const std::vector<std::string>& passwords,
                              const std::string& context) {
  for (const std::string& name : kvtest::list_dir(party.home())) {
    if (name == "qrtlnk.gns" || std::filesystem::is_directory(party.file(name))) continue;
    const std::string text = party.read(name);
    for (const std::string& password : passwords) {
      EXPECT_EQ(std::string::npos, text.find("PIN=" + password))
          << "plain password in " << name << ", " << context;
    }
  }
}

// What every outcome leaves in a party's home: no questions file (qrtlnk.nav), no plain
// password, no leftover work files.
void expect_clean_home(const e2e::Party& party, const std::vector<std::string>& passwords,
                       const std::string& context) {
  EXPECT_FALSE(party.exists("qrtlnk.nav")) << context << party.describe();
  expect_no_plain_password(party, passwords, context);
  expect_no_leftovers(party.home(), context);
}

class SessionCrash : public ::testing::Test {
 protected:
  e2e::World world_;
  WorldSnapshot snapshot_{world_};

  std::string store() const { return world_.store_dir(); }
  void save(const std::string& as = "") const { snapshot_.save(as); }
  void restore(const std::string& from = "") const { snapshot_.restore(from); }

  Scenario scenario(const std::string& name, e2e::Party& party, const std::string& request,
                    const std::function<void(const std::string&)>& check) {
    Scenario s;
    s.name = name;
    s.dir = party.home();
    s.args = {"/FT"};
    s.options = party.options();
    s.prepare = [this, &party, request] {
      restore();
      party.request(request);
    };
    // The application starts again with the request it finds, or else asks for a listing: what
    // the killed run left is settled by that start and its session. When the request it found
    // was the killed run's own, the recovery rotated it and the start ended with error 8 without
    // a session; the application then asks for a listing, and that start settles it.
    s.after = [&party] {
      if (!party.exists("qrtlnk.scr")) party.request("*001LIJST\n");
      party.kovendi({"/FT"});
      if (party.exists("qrtlnk.err") && party.read("qrtlnk.err").rfind("0008", 0) == 0) {
        party.request("*001LIJST\n");
        party.kovendi({"/FT"});
      }
    };
    s.check = check;
    return s;
  }

  // alice sends bob three interchanges (through the alias SHOP:ZZ) and a note.
  Scenario edifact_send() {
    world_.store({"add-alias", store(), "SHOP:ZZ", "bob"});
    e2e::Party& alice = world_.alice();
    std::string orders;
    for (int i = 0; i < kInterchanges; ++i) orders += e2e::interchange("SHOP:ZZ", reference(i));
    alice.write("orders.edi", orders);
    alice.write("note.txt", "a note\n");
    save();
    const std::string request =
        "*001ZEND\nMID=EDI\nFIL=orders.edi\n*002ZEND\nMID=TXT\nALI=BOBBY\nSUB=note\nFIL=note.txt\n";
    return scenario("EDIFACT send", alice, request, [this, &alice](const std::string& context) {
      check_edifact_send(alice, context);
    });
  }

  void check_edifact_send(e2e::Party& alice, const std::string& context) {
    const std::vector<Item> bob = mailbox(store(), "BOB");
    const std::string orders = alice.read("orders.edi");
    std::map<std::string, int> delivered;  // by subject
    for (const Item& item : bob) ++delivered[item.subject];
    for (int i = 0; i < kInterchanges; ++i) {
      const std::string subject = reference(i) + ",M" + reference(i);
      const int in_file = count_of(orders, e2e::interchange("SHOP:ZZ", reference(i)));
      EXPECT_EQ(1, delivered[subject] + in_file)
          << "interchange " << reference(i) << " delivered " << delivered[subject]
          << " times and " << in_file << " times in orders.edi, " << context << alice.describe();
    }
    EXPECT_LE(delivered["note"], 1) << "the note was delivered twice, " << context;
    // Every delivery is recorded once as sent; a send that did not reach the service may be
    // recorded as not sent and delivered by a later run that sends its kept block again.
    std::map<std::string, int> recorded_sent;  // by subject
    for (const std::string& record : alice.snd()) {
      EXPECT_FALSE(field(record, snd::kResultStamp).empty())
          << "unsettled record " << record << ", " << context << alice.describe();
      if (field(record, snd::kResultCode) == "0000") ++recorded_sent[field(record, snd::kSubject)];
    }
    for (const auto& [subject, times] : delivered) {
      EXPECT_EQ(times, recorded_sent[subject])
          << subject << " delivered " << times << " times, recorded as sent "
          << recorded_sent[subject] << " times, " << context << alice.describe();
    }
    for (const auto& [subject, times] : recorded_sent) {
      EXPECT_EQ(times, delivered[subject]) << subject << " recorded as sent but not delivered, "
                                           << context << alice.describe();
    }
    expect_clean_home(alice, {"secret1", "SECRET1"}, context);
  }

  // alice's three notes and one EDI message wait in bob's mailbox; bob receives.
  Scenario receive() {
    e2e::Party& alice = world_.alice();
    alice.write("a.txt", "note a\n");
    alice.write("b.txt", "note b\n");
    alice.request(
        "*001ZEND\nMID=TXT\nALI=BOBBY\nFIL=a.txt\n*002ZEND\nMID=TXT\nALI=BOBBY\nFIL=b.txt\n"
        "*003ZEND\nMID=TXT\nALI=BOBBY\nFIL=a.txt\n*004ZEND\nMID=EDI\nALI=BOBBY\nFIL=b.txt\n");
    alice.kovendi({"/FT"});
    std::vector<std::string> sent;
    for (const std::string& record : alice.snd()) sent.push_back(field(record, snd::kMessageId));
    EXPECT_EQ(4u, sent.size()) << alice.describe();
    save();
    e2e::Party& bob = world_.bob();
    return scenario("receive", bob, "*001ONTVANG\n", [this, &bob, sent](const std::string& context) {
      check_receive(bob, sent, context);
    });
  }

  void check_receive(e2e::Party& bob, const std::vector<std::string>& sent,
                     const std::string& context) {
    std::map<std::string, int> recorded;
    std::set<std::string> referenced;
    for (const std::string& record : bob.rcv()) {
      ++recorded[field(record, kv::rcv::kMessageId)];
      const std::string first = field(record, kv::rcv::kFirstFile);
      referenced.insert(first);
      EXPECT_EQ(0u, bob.read(first).find("note ")) << first << " of " << record << ", " << context;
    }
    std::map<std::string, std::string> waiting;
    for (const Item& item : mailbox(store(), "BOB")) waiting[item.mid] = item.access;
    for (const std::string& mid : sent) {
      EXPECT_LE(recorded[mid], 1) << mid << " recorded twice, " << context << bob.describe();
      const bool stored = recorded[mid] == 1;
      const bool in_mailbox = waiting.count(mid) != 0;
      EXPECT_TRUE(stored || in_mailbox) << mid << " lost, " << context << bob.describe();
      EXPECT_FALSE(in_mailbox && waiting[mid] == "READ" && !stored)
          << mid << " fetched and never recorded, " << context << bob.describe();
      EXPECT_FALSE(in_mailbox && waiting[mid] == "NEW" && stored)
          << mid << " recorded and still new in the mailbox, " << context << bob.describe();
    }
    // Every received file belongs to a recorded message.
    for (const std::string& name : kvtest::list_dir(bob.home())) {
      const bool received =
          name.size() == 12 && name[8] == '.' && name.compare(9, 2, "00") == 0 &&
          name.find_first_not_of("BCDFGHJKLMNPQRSTVWXZ") == 8;
      EXPECT_FALSE(received && referenced.count(name) == 0)
          << "second copy " << name << ", " << context << bob.describe();
    }
    expect_clean_home(bob, {"secret2", "SECRET2"}, context);
  }

  // Two of alice's sends asked for delivery reports, which wait in her mailbox.
  Scenario rapport() {
    e2e::Party& alice = world_.alice();
    alice.write("a.txt", "note a\n");
    alice.request("*001ZEND\nMID=TXT\nALI=BOBBY\nRAP=3\nFIL=a.txt\n"
                  "*002ZEND\nMID=TXT\nALI=BOBBY\nRAP=3\nFIL=a.txt\n");
    alice.kovendi({"/FT"});
    save();
    return scenario("RAPPORT", alice, "*001RAPPORT\n", [this, &alice](const std::string& context) {
      std::map<std::string, std::string> state;  // delivery state by message identifier
      for (const std::string& record : alice.snd()) {
        state[field(record, snd::kMessageId)] = field(record, snd::kDeliveryState);
      }
      int reports = 0;
      for (const Item& item : mailbox(store(), "ALICE")) {
        if (item.type != "3") continue;
        ++reports;
        // A report the service marked read has reached the send queue, one still new has not.
        EXPECT_EQ(item.access == "READ" ? "3" : "1", state[item.mid])
            << item.mid << " " << item.access << ", " << context << alice.describe();
      }
      EXPECT_EQ(2, reports) << context;
      expect_clean_home(alice, {"secret1", "SECRET1"}, context);
    });
  }

  // bob changes his password.
  Scenario wachtwoord() {
    save();
    e2e::Party& bob = world_.bob();
    return scenario("WACHTWOORD", bob, "*001WACHTWOORD\nPIN=newpw12\n",
                    [&bob](const std::string& context) {
                      // The log-in after the next start works with what qrtlnk.gns holds.
                      bob.request("*001LIJST\n");
                      bob.kovendi({"/FT"});
                      ASSERT_FALSE(bob.status().empty()) << context << bob.describe();
                      EXPECT_EQ("0000", field(bob.status().front(), status::kResult))
                          << "no log-in after the password change, " << context << bob.describe();
                      expect_clean_home(bob, {"secret2", "SECRET2", "newpw12", "NEWPW12"}, context);
                    });
  }

  // The scenario's run killed (where `where` says), then the start that recovers it is the run
  // that is crashed: a start of a local mode, which does nothing of its own.
  Scenario recovery_of(const Scenario& killed, const KillPoint& where, bool every_trial) {
    return recovery_scenario(
        killed, {"/FT", "/R", "/MID=NOTHING", "/FIL=none.out"}, where, every_trial,
        [this] { save("killed-"); }, [this] { restore("killed-"); });
  }
};

TEST_F(SessionCrash, KilledEdifactSend) { kill_at_random_operations(edifact_send(), trials()); }
TEST_F(SessionCrash, KilledReceive) { kill_at_random_operations(receive(), trials()); }
TEST_F(SessionCrash, KilledRapport) { kill_at_random_operations(rapport(), trials()); }
TEST_F(SessionCrash, KilledWachtwoord) { kill_at_random_operations(wachtwoord(), trials()); }
TEST_F(SessionCrash, KilledRecovery) {
  kill_at_random_operations(recovery_of(edifact_send(), random_operation, true), trials());
}
// The recovery of a run killed while it processed its results, killed at each of its operations.
TEST_F(SessionCrash, RecoveryKilledAtItsOperations) {
  kill_sweep(recovery_of(edifact_send(), after_the_session, false), kCutSample);
}

TEST_F(SessionCrash, PowerCutEdifactSend) { power_cut_sweep(edifact_send(), kCutSample); }
TEST_F(SessionCrash, PowerCutReceive) { power_cut_sweep(receive(), kCutSample); }
TEST_F(SessionCrash, PowerCutRapport) { power_cut_sweep(rapport(), kCutSample); }
TEST_F(SessionCrash, PowerCutWachtwoord) { power_cut_sweep(wachtwoord(), kCutSample); }
// The merge after the session removes the application's file when every interchange in it was
// sent. Power cut at the last moment before the home directory is flushed again: the file must
// not come back with the interchanges that were sent.
TEST_F(SessionCrash, PowerCutBeforeTheRemovedApplicationsFileIsFlushed) {
  const Scenario s = edifact_send();
  s.prepare();
  const std::vector<Operation> trace = trace_operations(s.dir, s.args, s.options);
  const int removed = find_operation(
      trace, [](const Operation& o) { return o.op == "remove" && o.on("/orders.edi"); });
  ASSERT_GT(removed, 0) << "the merge did not remove orders.edi";
  const int flushed = find_operation(trace, [removed](const Operation& o) {
    return o.n > removed && o.op == "sync" && o.on("/alice");
  });
  ASSERT_GT(flushed, 0) << "the home directory is never flushed after the merge";
  s.prepare();
  EXPECT_TRUE(crash_once(s, flushed, static_cast<int>(trace.size()),
                         "cut:" + std::to_string(flushed), "power cut after the merge"));
}

// The report file is made by the first report fetched. Power cut once the status line of the
// last report is on disk: the report file's name must be there too, or the next start finds the
// reports recorded and their file gone, while the service holds them as read.
TEST_F(SessionCrash, PowerCutAfterTheReportsAreFlushed) {
  const Scenario s = rapport();
  s.prepare();
  const std::vector<Operation> trace = trace_operations(s.dir, s.args, s.options);
  int flushed = 0;
  for (const Operation& o : trace) {
    if (o.op == "sync" && o.on("/qrt400.rap")) flushed = o.n;
  }
  ASSERT_GT(flushed, 0) << "the report file is never flushed";
  const int line = find_operation(trace, [flushed](const Operation& o) {
    return o.n > flushed && o.op == "sync" && o.on("/qrtlnk.sts");
  });
  ASSERT_GT(line, 0) << "the status line of the reports is never flushed";
  s.prepare();
  EXPECT_TRUE(crash_once(s, line + 1, static_cast<int>(trace.size()),
                         "cut:" + std::to_string(line + 1), "power cut after the reports"));
}

TEST_F(SessionCrash, PowerCutRecovery) {
  power_cut_sweep(recovery_of(receive(), after_the_session, false), kCutSample);
}

}  // namespace
