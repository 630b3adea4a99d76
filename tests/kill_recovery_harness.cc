// Kill harness: a run is killed with SIGKILL at a random moment, the next start recovers what it
// left, and then every record and every message must be in exactly one place. Trials per mode:
// KOVENDI_KILL_TRIALS (default 30); KOVENDI_KILL_SEED repeats a series.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/crash_support.h"

namespace {

using namespace crash;
using e2e::field;


// A send-queue record: completed with `code` at `stamp`, delivery state `state`.
std::string snd_record(int i, const std::string& code, const std::string& state) {
  std::vector<std::string> fields(48);
  fields[1] = "202401011200";
  fields[2] = code;
  fields[3] = "202401011100";
  char mid[16];
  std::snprintf(mid, sizeof mid, "SND%06d", i);
  fields[4] = mid;
  fields[5] = "3";  // receipt notification and report asked for: delivered only once reported
  fields[6] = "3";
  fields[9] = "1";
  fields[10] = state;
  return joined(fields);
}

class KillHarness : public ::testing::Test {
 protected:
  kvtest::TempDir dir_;
  std::vector<Stored> messages_;
  std::vector<std::string> records_;
  std::string taken_;

  // A start that changes nothing of its own: it recovers what the killed run left.
  void next_start() const {
    kvtest::run(kvtest::program("kovendi"), {"/FT", "/R", "/MID=NOTHING", "/FIL=none.out"},
                dir_.path());
  }
  // Trials of a mode: each prepares the directory, kills a run of kovendi at a random moment and
  // then checks what the next start leaves. The kills must have met runs at work.
  void kill_trials(const Scenario& s) {
    Tally tally;
    s.prepare();
    // The window follows the machine's pace: it shrinks after a run that finished before its
    // kill and grows slowly otherwise, so that about one run in six finishes whatever the load.
    double window = timed_run(s.dir, s.args) * 1.2 + 5;
    for (int trial = 0; trial < trials() && !HasFailure(); ++trial) {
      s.prepare();
      const bool finished = run_and_kill(s.dir, s.args, {}, static_cast<int>(window), tally);
      window = std::max(5.0, finished ? window * 0.9 : window * 1.02);
      s.after();
      s.check("trial " + std::to_string(trial));
    }
    tally.report(s.name);
    tally.expect_enough(trials());
  }
  void clean(const kvtest::TempDir& dir) const {
    for (const std::string& name : kvtest::list_dir(dir.path())) {
      std::string path = dir.file(name);
      chmod(path.c_str(), 0600);
      std::remove(path.c_str());
    }
  }
  void clean() const { clean(dir_); }
  // The home as a killed run left it, for every trial of its recovery.
  void copy_home(const kvtest::TempDir& from, const kvtest::TempDir& to) const {
    clean(to);
    for (const std::string& name : kvtest::list_dir(from.path())) {
      std::filesystem::copy(from.file(name), to.file(name));
    }
  }
  // The mode's run killed as it replaces its first file; the start that recovers it is the run
  // that the harness crashes.
  Scenario recovery_of(const Scenario& killed) {
    const KillPoint first_rename = [](const std::vector<Operation>& trace) {
      return find_operation(trace, [](const Operation& o) { return o.op == "rename"; });
    };
    return recovery_scenario(
        killed, {"/FT", "/R", "/MID=NOTHING", "/FIL=none.out"}, first_rename, false,
        [this] { copy_home(dir_, saved_); }, [this] { copy_home(saved_, dir_); });
  }
  kvtest::TempDir saved_;
  Scenario local_mode(const std::string& name, const std::vector<std::string>& args) const {
    Scenario s;
    s.name = name;
    s.dir = dir_.path();
    s.args = args;
    s.after = [this] { next_start(); };
    return s;
  }

  Scenario update_mode(int size) {
    Scenario s = local_mode("/U=", {"/FT", "/U=taken.txt"});
    s.prepare = [this, size] {
      clean();
      messages_ = make_receive_store(dir_.path(), size);
      taken_.clear();
      for (std::size_t i = 0; i < messages_.size(); i += 3) taken_ += messages_[i].record + "\n";
      kvtest::write_file(dir_.file("taken.txt"), taken_);
    };
    s.check = [this](const std::string& context) {
      const std::set<std::string> stored =
          check_store_lines(messages_, kvtest::read_lines(dir_.file("qrtlnk.rcv")), context);
      const std::string application = kvtest::read_file(dir_.file("taken.txt"));
      ASSERT_EQ(taken_.size(), application.size()) << context;
      for (std::size_t i = 0; i < messages_.size(); ++i) {
        const Stored& m = messages_[i];
        const bool in_store = stored.count(m.mid) != 0;
        const bool listed = i % 3 == 0;
        const bool crossed = listed && application.find(m.record + "\n") == std::string::npos;
        // Taken over: out of the store, its line crossed out. Never both, never neither.
        EXPECT_TRUE(in_store != crossed && (in_store || listed)) << m.mid << ", " << context;
        expect_parts_follow_record(dir_.path(), m, in_store, context);
      }
      expect_no_leftovers(dir_.path(), context);
    };
    return s;
  }

  // /R of the EDI messages, or /RT of the text messages (identifiers with "TXT" in places 4 to
  // 6), added to an output file with earlier content.
  Scenario retrieve_mode(const std::string& flag, int size) {
    const bool text = flag == "/RT";
    Scenario s = local_mode(flag, text ? std::vector<std::string>{"/FT", flag, "/FIL=out.dat", "/ADD"}
                                       : std::vector<std::string>{"/FT", flag, "/MID=EDI*",
                                                                  "/FIL=out.dat", "/ADD"});
    const std::string earlier = "EARLIER RETRIEVE\n";
    s.prepare = [this, size, earlier, text] {
      clean();
      messages_ = make_receive_store(dir_.path(), size, text ? "ABCTXT%04d" : "TXT%06d");
      kvtest::write_file(dir_.file("out.dat"), earlier);
    };
    s.check = [this, earlier, text](const std::string& context) {
      const std::set<std::string> stored =
          check_store_lines(messages_, kvtest::read_lines(dir_.file("qrtlnk.rcv")), context);
      const std::string output = kvtest::read_file(dir_.file("out.dat"));
      ASSERT_EQ(0u, output.find(earlier)) << "the earlier content of the output is gone, " << context;
      for (const Stored& m : messages_) {
        const bool in_store = stored.count(m.mid) != 0;
        for (const auto& [name, content] : m.parts) {
          EXPECT_EQ(in_store ? 0 : 1, count_of(output, content))
              << m.mid << (in_store ? " stored and handed over" : " handed over not once") << ", "
              << context;
        }
        if (e2e::starts_with(m.mid, text ? "EDI" : "TXT")) {
          EXPECT_TRUE(in_store) << m.mid << ", " << context;
        }
        expect_parts_follow_record(dir_.path(), m, in_store, context);
      }
      expect_no_leftovers(dir_.path(), context);
    };
    return s;
  }

  Scenario clean_up_mode(int size) {
    Scenario s = local_mode("/C", {"/FT", "/C", "/FIL=archive.txt"});
    const std::string earlier = "EARLIER ARCHIVE\n";
    s.prepare = [this, size, earlier] {
      clean();
      records_.clear();
      std::string queue;
      // Every other record failed (it leaves the queue), the others wait for their delivery.
      for (int i = 0; i < size; ++i) {
        records_.push_back(snd_record(i, i % 2 == 0 ? "2006" : "0000", "1"));
        queue += records_.back() + "\n";
      }
      kvtest::write_file(dir_.file("qrtlnk.snd"), queue);
      kvtest::write_file(dir_.file("archive.txt"), earlier);
    };
    // The next start: a clean-up that selects nothing.
    s.after = [this] {
      kvtest::run(kvtest::program("kovendi"), {"/FT", "/C", "/MID=NOTHING"}, dir_.path());
    };
    s.check = [this, earlier](const std::string& context) {
      std::multiset<std::string> queue, archive;
      for (const std::string& line : kvtest::read_lines(dir_.file("qrtlnk.snd"))) queue.insert(line);
      std::vector<std::string> archived = kvtest::read_lines(dir_.file("archive.txt"));
      ASSERT_FALSE(archived.empty()) << context;
      ASSERT_EQ(earlier, archived.front() + "\n") << context;
      archive.insert(archived.begin() + 1, archived.end());
      for (std::size_t i = 0; i < records_.size(); ++i) {
        const std::size_t places = queue.count(records_[i]) + archive.count(records_[i]);
        EXPECT_EQ(1u, places) << "record " << i << " in " << places << " places, " << context;
        if (i % 2 == 1) {
          EXPECT_EQ(1u, queue.count(records_[i])) << "record " << i << " must stay, " << context;
        }
      }
      EXPECT_EQ(records_.size() + 1, queue.size() + archived.size()) << context;
      expect_no_leftovers(dir_.path(), context);
    };
    return s;
  }
};

constexpr int kStoreSize = 1000;
// The power cut visits a smaller store, at this many of its file operations in a CI run.
constexpr int kCutStoreSize = 60;
constexpr int kLocalCutSample = 10;

TEST_F(KillHarness, UpdateReceiveStore) { kill_trials(update_mode(kStoreSize)); }
TEST_F(KillHarness, RetrieveReceivedMessages) { kill_trials(retrieve_mode("/R", kStoreSize)); }
TEST_F(KillHarness, CleanUpSendQueue) { kill_trials(clean_up_mode(64 * kStoreSize)); }

TEST_F(KillHarness, RecoveryOfUpdateKilledAtItsOperations) {
  kill_sweep(recovery_of(update_mode(kCutStoreSize)), kLocalCutSample);
}
TEST_F(KillHarness, RecoveryOfRetrieveKilledAtItsOperations) {
  kill_sweep(recovery_of(retrieve_mode("/R", kCutStoreSize)), kLocalCutSample);
}
TEST_F(KillHarness, RecoveryOfCleanUpKilledAtItsOperations) {
  kill_sweep(recovery_of(clean_up_mode(kCutStoreSize)), kLocalCutSample);
}

TEST_F(KillHarness, PowerCutUpdateReceiveStore) {
  power_cut_sweep(update_mode(kCutStoreSize), kLocalCutSample);
}
TEST_F(KillHarness, PowerCutRetrieve) {
  power_cut_sweep(retrieve_mode("/R", kCutStoreSize), kLocalCutSample);
}
TEST_F(KillHarness, PowerCutTextRetrieve) {
  power_cut_sweep(retrieve_mode("/RT", kCutStoreSize), kLocalCutSample);
}
TEST_F(KillHarness, PowerCutCleanUpSendQueue) {
  power_cut_sweep(clean_up_mode(kCutStoreSize), kLocalCutSample);
}

// An engine status line of a received message.
std::string receive_status_line(const std::string& mid, const std::string& list_id,
                                const std::string& first_file) {
  std::vector<std::string> fields(43);
  fields[0] = "*001ONTVANG";
  fields[1] = stamp_now();
  fields[2] = "0000";
  fields[3] = list_id;
  fields[4] = mid;
  fields[5] = "1";
  fields[6] = "0";
  fields[7] = "1";
  fields[8] = first_file;
  std::string line = joined(fields);
  while (line.back() == '|') line.pop_back();
  return line;
}

// A normal run killed after its session: its busy file records the session, its status file
// lists the messages it received. The next start processes those results, and is itself killed
// at a random moment of that work; the start after it must end the job.
TEST_F(KillHarness, ResultProcessing) {
  constexpr int kReceived = 400;
  const std::string kNextRequest = "*001ZEND\nMID=TXT\nFIL=next.txt\n";
  std::vector<Stored> earlier;
  const auto prepare = [&] {
    clean();
    earlier = make_receive_store(dir_.path(), 5 * kStoreSize);
    // The killed run kept a copy of its command file; the application has written its next
    // request since, which must stay as it is.
    kvtest::write_file(dir_.file("KV000001.cmd"), "*000CONNECT\nPOS=bob\nPIN=secret2\n*001ONTVANG\n");
    kvtest::write_file(dir_.file("qrtlnk.scr"), kNextRequest);
    std::string status = "*000CONNECT|" + stamp_now() + "|0000\n";
    for (int i = 0; i < kReceived; ++i) {
      char mid[16];
      std::snprintf(mid, sizeof mid, "NEW%06d", i);
      const std::string first = part_name(900000 + i, 1);
      kvtest::write_file(dir_.file(first), std::string(mid) + " received\n");
      // Every tenth message was fetched a second time by the killed run.
      const int times = i % 10 == 0 ? 2 : 1;
      for (int t = 0; t < times; ++t) status += receive_status_line(mid, "L" + std::to_string(i), first) + "\n";
    }
    kvtest::write_file(dir_.file("qrtlnk.sts"), status);
    kvtest::write_file(dir_.file("qrtlnk.bsy"),
                       "MODE N\nAPP ABC\nCMD qrtlnk.scr\nSTS qrtlnk.sts\nLST \n"
                       "CMDCOPY KV000001.cmd\nCMDMARK 0:0\nENGINE\n");
  };
  Scenario s = local_mode("result processing", {"/FT", "/R", "/MID=NOTHING", "/FIL=none.out"});
  s.prepare = prepare;
  s.check = [&](const std::string& context) {
    std::vector<std::string> lines = kvtest::read_lines(dir_.file("qrtlnk.rcv"));
    ASSERT_GE(lines.size(), earlier.size()) << context;
    std::vector<std::string> before(lines.begin(), lines.begin() + static_cast<long>(earlier.size()));
    EXPECT_EQ(earlier.size(), check_store_lines(earlier, before, context).size()) << context;
    std::map<std::string, int> received;
    for (std::size_t i = earlier.size(); i < lines.size(); ++i) {
      const std::string mid = field(lines[i], kv::rcv::kMessageId);
      ++received[mid];
      EXPECT_TRUE(kvtest::file_exists(dir_.file(field(lines[i], kv::rcv::kFirstFile))))
          << mid << " recorded without its part file, " << context;
    }
    EXPECT_EQ(static_cast<std::size_t>(kReceived), received.size()) << context;
    for (const auto& [mid, times] : received) EXPECT_EQ(1, times) << mid << ", " << context;
    for (const std::string& name : kvtest::list_dir(dir_.path())) {
      if (name == "qrtlnk.gns") continue;
      EXPECT_EQ(std::string::npos, kvtest::read_file(dir_.file(name)).find("PIN=secret2"))
          << "plain password in " << name << ", " << context;
    }
    EXPECT_EQ(kNextRequest, kvtest::read_file(dir_.file("qrtlnk.scr"))) << context;
    EXPECT_EQ(0u, kvtest::read_file(dir_.file("qrt_lnk.old")).find("*000CONNECT\nPOS=bob\nPIN="))
        << context;
    EXPECT_FALSE(kvtest::file_exists(dir_.file("KV000001.cmd"))) << context;
    expect_no_leftovers(dir_.path(), context);
  };
  kill_trials(s);
}

// A normal run that sends a file to alice and receives what alice sent, killed at a random
// moment; the application then starts the same request again. Every message alice sent is then
// in bob's receive store exactly once with its part file, and bob's mailbox holds none of them.
TEST_F(KillHarness, NormalRunSendsAndReceives) {
  e2e::World world;
  e2e::Party& alice = world.alice();
  e2e::Party& bob = world.bob();
  Tally tally;
  constexpr int kMessages = 4;
  alice.write("note.txt", "a note\n");
  const std::string bob_request = "*001ONTVANG\n*002ZEND\nMID=TXT\nORG=ACME\nSUR=Alders\nFIL=reply.txt\n";
  int sent = 0;
  int left_read = 0;
  int left_read_recorded = 0;
  double slowest = 0;
  for (int trial = 0; trial < trials(); ++trial) {
    const std::string context = "trial " + std::to_string(trial);
    std::string request;
    for (int i = 0; i < kMessages; ++i) {
      request += "*00" + std::to_string(i + 1) + "ZEND\nMID=TXT\nORG=SHOP\nSUR=Bakker\nSUB=Note " +
                 std::to_string(sent + i) + "\nFIL=note.txt\n";
    }
    alice.request(request);
    auto start = std::chrono::steady_clock::now();
    alice.kovendi({"/FT"});
    slowest = std::max(slowest, std::chrono::duration<double, std::milli>(
                                    std::chrono::steady_clock::now() - start).count());
    ASSERT_FALSE(alice.exists("qrtlnk.err")) << alice.describe();
    sent += kMessages;

    bob.write("reply.txt", "reply " + std::to_string(trial) + "\n");
    bob.request(bob_request);
    run_and_kill(bob.home(), {"/FT"}, bob.options(), static_cast<int>(slowest * 1.5), tally);
    bob.write("reply.txt", "reply " + std::to_string(trial) + "\n");
    bob.request(bob_request);
    bob.kovendi({"/FT"});

    std::map<std::string, int> recorded;
    for (const std::string& record : bob.rcv()) {
      ++recorded[field(record, kv::rcv::kMessageId)];
      EXPECT_TRUE(bob.exists(field(record, kv::rcv::kFirstFile)))
          << field(record, kv::rcv::kMessageId) << " without its part file, " << context
          << bob.describe();
    }
    for (const auto& [mid, times] : recorded) EXPECT_EQ(1, times) << mid << ", " << context << bob.describe();
    // "ID MSG NEW|READ MID SUBJECT": what is still in bob's mailbox.
    std::map<std::string, std::string> mailbox;
    for (const std::string& item : world.show("bob")) {
      std::vector<std::string> words;
      std::string word;
      for (char c : item + " ") {
        if (c != ' ') {
          word += c;
        } else if (!word.empty()) {
          words.push_back(word);
          word.clear();
        }
      }
      if (words.size() >= 4 && words[1] == "MSG") mailbox[words[3]] = words[2];
    }
    // Every message alice sent is in bob's receive store or in his mailbox. Only a message that
    // the killed run fetched and did not delete yet may be in both, and then it is read in the
    // mailbox and recorded once (a later fetch of it is not recorded again).
    for (const std::string& record : alice.snd()) {
      const std::string mid = field(record, snd::kMessageId);
      const bool stored = recorded.count(mid) != 0;
      const bool waiting = mailbox.count(mid) != 0;
      const bool read = waiting && mailbox[mid] == "READ";
      EXPECT_TRUE(stored || waiting) << mid << " neither stored nor in the mailbox, " << context
                                     << bob.describe();
      EXPECT_FALSE(stored && waiting && !read)
          << mid << " stored and new in the mailbox, " << context << bob.describe();
      // A message fetched by the killed run before its status line was written, or recorded
      // from that line before the delete, stays in the mailbox, read: an ONTVANG that asks for
      // read messages takes it.
      if (read) ++(stored ? left_read_recorded : left_read);
      EXPECT_FALSE(waiting && mailbox[mid] == "NEW") << mid << " not received, " << context;
    }
    for (const std::string& name : kvtest::list_dir(bob.home())) {
      if (name == "qrtlnk.gns" || std::filesystem::is_directory(bob.file(name))) continue;
      EXPECT_EQ(std::string::npos, bob.read(name).find("PIN=secret2"))
          << "plain password in " << name << ", " << context;
    }
    expect_no_leftovers(bob.home(), context);
    if (HasFailure()) break;
  }
  tally.report("normal run");
  std::printf("kill harness normal run: %d messages fetched by a killed run before their status "
              "line stay read in the mailbox; %d recorded before their delete stay read there "
              "too\n", left_read, left_read_recorded);
  tally.expect_enough(trials());
}

}  // namespace
