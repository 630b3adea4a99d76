// The busy file on Windows: held by a live run (LockFileEx) it refuses another start with error
// 5 and is left alone; left by a killed run it is taken over and the killed run's work finished
// or taken back. The kills are real (TerminateProcess at random moments of a retrieve) and are
// counted: a trial whose run had finished before the kill does not count.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_lock.h"
#include "platform/fs.h"
#include "tests/blackbox.h"

namespace {

constexpr int kKilled = 9;  // what Background::wait reports for a process that was ended

std::string padded(const std::string& number, const std::string& text) {
  return number + " " + text + std::string(103 - text.size(), ' ');
}

kvtest::RunResult kovendi(const kvtest::TempDir& dir, const std::vector<std::string>& args) {
  kvtest::RunResult r = kvtest::run(kvtest::program("kovendi"), args, dir.path());
  EXPECT_EQ(0, r.exit_code);
  return r;
}

TEST(BusyFile, HeldByALiveRunItBlocksUnheldItIsTakenOver) {
  kvtest::TempDir dir;
  dir.write("qrtlnk.bsy", "");
  // A run in progress holds its busy file: the same lock the program takes.
  int held = kv::fs::open_existing_file(dir.file("qrtlnk.bsy"));
  ASSERT_GE(held, 0);
  ASSERT_TRUE(kv::fs::try_lock_exclusive(held));
  for (int i = 0; i < 2; ++i) {
    kovendi(dir, {"/FT", "/R", "/MID=X", "/FIL=out.txt"});
    EXPECT_EQ(padded("0005", "*** KOVENDI FOUT; KOVENDI.EXE is reeds gestart") + "\n",
              dir.read("qrtlnk.err"));
    EXPECT_TRUE(dir.exists("qrtlnk.bsy"));  // the other run's file stays
  }
  kv::fs::close_descriptor(held);  // gone without removing it: the trace of a killed run
  kovendi(dir, {"/FT", "/R", "/MID=X", "/FIL=out.txt"});
  EXPECT_EQ(std::vector<std::string>{}, kvtest::list_dir(dir.path()));
}

// A receive store of `count` messages, each with one part file; the records in order.
std::vector<std::string> make_store(const kvtest::TempDir& dir, int count) {
  std::vector<std::string> records;
  std::string store;
  for (int i = 0; i < count; ++i) {
    char record[160];
    std::snprintf(record, sizeof record, "ABC|209901011200|%012d|EDI%06d|1|Q%07d.001|Onderwerp %d||1|1|NL",
                  i, i, i, i);
    char part[32];
    std::snprintf(part, sizeof part, "Q%07d.001", i);
    char content[32];
    std::snprintf(content, sizeof content, "<message %06d>", i);
    dir.write(part, content);
    records.push_back(record);
    store += std::string(record) + "\n";
  }
  dir.write("qrtlnk.rcv", store);
  return records;
}

// After a killed retrieve and the next start: every message is either still stored with its
// part file, or in the output exactly once and gone from the store; nothing else is left.
void check_recovered(const kvtest::TempDir& dir, const std::vector<std::string>& records,
                     const std::string& context) {
  std::vector<std::string> stored = dir.lines("qrtlnk.rcv");
  std::set<std::string> in_store(stored.begin(), stored.end());
  const std::string output = dir.read("out.dat");
  for (std::size_t i = 0; i < records.size(); ++i) {
    char content[32];
    std::snprintf(content, sizeof content, "<message %06zu>", i);
    char part[32];
    std::snprintf(part, sizeof part, "Q%07zu.001", i);
    const bool kept = in_store.count(records[i]) != 0;
    std::size_t first = output.find(content);
    const int handed_over = first == std::string::npos ? 0 : (output.find(content, first + 1) == std::string::npos ? 1 : 2);
    EXPECT_EQ(kept ? 0 : 1, handed_over) << records[i] << ", " << context;
    EXPECT_EQ(kept, dir.exists(part)) << part << ", " << context;
  }
  for (const std::string& name : kvtest::list_dir(dir.path())) {
    EXPECT_TRUE(name.rfind("qrtlnk.bsy", 0) != 0 && name.rfind("QLX_", 0) != 0 &&
                name.rfind("KVRW", 0) != 0)
        << name << " left behind, " << context;
  }
}

void clean(const kvtest::TempDir& dir) {
  for (const std::string& name : kvtest::list_dir(dir.path())) {
    kv::fs::set_permissions(dir.file(name), 0600);
    kv::fs::remove_file(dir.file(name));
  }
}

// Starts a retrieve and waits until it holds its busy file (it is at work then); the time
// waited, or -1 when the run ended first.
int started_work(kvtest::Background& run, const kvtest::TempDir& dir) {
  auto started = std::chrono::steady_clock::now();
  while (!dir.exists("qrtlnk.bsy")) {
    if (!run.running()) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return static_cast<int>(std::chrono::duration<double, std::milli>(
                              std::chrono::steady_clock::now() - started)
                              .count());
}

TEST(BusyFile, RetrievesKilledAtRandomMomentsAreRecoveredByTheNextStart) {
  kvtest::TempDir dir;
  const std::vector<std::string> args = {"/FT", "/R", "/MID=EDI*", "/FIL=out.dat"};
  std::mt19937 random(std::random_device{}());
  auto prepare = [&] {
    clean(dir);
    return make_store(dir, 150);
  };
  // How long a run works once it holds its busy file.
  prepare();
  kvtest::Background timed(kvtest::program("kovendi"), args, dir.path());
  ASSERT_GE(started_work(timed, dir), 0);
  auto working = std::chrono::steady_clock::now();
  timed.wait();
  const int work_ms = static_cast<int>(
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - working).count());
  int killed_at_work = 0;
  const int trials = 6;
  for (int trial = 0; trial < trials && !HasFailure(); ++trial) {
    std::vector<std::string> records = prepare();
    kvtest::Background run(kvtest::program("kovendi"), args, dir.path());
    const bool working_now = started_work(run, dir) >= 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(random() % (work_ms + 1)));
    const bool busy_before = dir.exists("qrtlnk.bsy");
    run.signal(kKilled);
    const bool killed = run.wait().signal == kKilled;
    if (working_now && killed && busy_before) ++killed_at_work;
    kovendi(dir, {"/FT", "/R", "/MID=NOTHING", "/FIL=none.out"});
    check_recovered(dir, records, "trial " + std::to_string(trial) + (killed ? ", killed" : ""));
  }
  std::cerr << killed_at_work << " of " << trials << " retrieves killed while they worked\n";
  EXPECT_GE(killed_at_work * 2, trials) << "too few runs were killed while they worked";
}

}  // namespace
