// Support for the crash harnesses (kill and power cut): trials and their random source, kills of
// a real run at a random moment or at a chosen file operation (kovendi-crash, the program with the
// crash switch of platform/testing/power_cut.h), and the stores and checks that the modes share.
#pragma once

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e_support.h"

namespace crash {

using e2e::field;

inline int trials() {
  const char* value = std::getenv("KOVENDI_KILL_TRIALS");
  int n = value != nullptr ? std::atoi(value) : 0;
  return n > 0 ? n : 30;
}

inline std::mt19937& random_source() {
  static std::mt19937 source = [] {
    const char* value = std::getenv("KOVENDI_KILL_SEED");
    unsigned seed = value != nullptr ? static_cast<unsigned>(std::strtoul(value, nullptr, 10))
                                     : std::random_device{}();
    std::printf("kill harness seed %u (KOVENDI_KILL_SEED)\n", seed);
    return std::mt19937(seed);
  }();
  return source;
}

inline int random_below(int bound) {
  return bound <= 0 ? 0 : static_cast<int>(random_source()() % static_cast<unsigned>(bound));
}

// How the trials of one mode went: a trial counts as killed mid-run when the process died of the
// signal while its busy file existed.
struct Tally {
  int killed_mid_run = 0;
  int killed_before_busy_file = 0;
  int finished = 0;
  void report(const std::string& mode) const {
    std::printf("kill harness %s: %d trials killed mid-run, %d killed before the busy file, %d "
                "finished before the kill\n",
                mode.c_str(), killed_mid_run, killed_before_busy_file, finished);
    ::testing::Test::RecordProperty("killed_mid_run", killed_mid_run);
  }
  void expect_enough(int total) const {
    // A harness whose kills all miss tests nothing.
    EXPECT_GE(killed_mid_run * 3, total) << "too few trials were killed while the run worked";
  }
};

// Starts kovendi in `dir`, kills it after a random part of `window_ms`, and counts the outcome;
// true when the run finished before the kill.
inline bool run_and_kill(const std::string& dir, const std::vector<std::string>& args,
                  const kvtest::RunOptions& options, int window_ms, Tally& tally) {
  kvtest::Background run(kvtest::program("kovendi"), args, dir, options);
  std::this_thread::sleep_for(std::chrono::milliseconds(random_below(window_ms)));
  const bool busy_before = kvtest::file_exists(dir + "/qrtlnk.bsy");
  if (run.running()) run.signal(SIGKILL);
  kvtest::RunResult result = run.wait();
  if (result.signal != SIGKILL) {
    ++tally.finished;
    return true;
  }
  if (busy_before || kvtest::file_exists(dir + "/qrtlnk.bsy")) {
    ++tally.killed_mid_run;
  } else {
    ++tally.killed_before_busy_file;
  }
  return false;
}

inline double timed_run(const std::string& dir, const std::vector<std::string>& args,
                 const kvtest::RunOptions& options = {}) {
  auto start = std::chrono::steady_clock::now();
  kvtest::run(kvtest::program("kovendi"), args, dir, options);
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

inline std::string joined(const std::vector<std::string>& fields) {
  std::string line;
  for (std::size_t i = 0; i < fields.size(); ++i) line += (i == 0 ? "" : "|") + fields[i];
  return line;
}

inline int count_of(const std::string& text, const std::string& piece) {
  int n = 0;
  for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
  return n;
}

// A work file name of the program: "KV" and six digits, "." and an extension.
inline bool is_work_file_name(const std::string& name) {
  if (name.size() < 10 || name.compare(0, 2, "KV") != 0 || name[8] != '.') return false;
  return std::all_of(name.begin() + 2, name.begin() + 8, [](char c) { return c >= '0' && c <= '9'; });
}

// What no recovered home may hold: a busy file, set-aside copies, rewrite temporaries, the
// engine's listing work files "TMxxxxxx", work files (the interchanges of an open question
// excepted), and files the message service was still writing.
inline void expect_no_leftovers(const std::string& dir, const std::string& context) {
  const std::string questions = kvtest::read_file(dir + "/qrtlnk.nav");
  for (const std::string& name : kvtest::list_dir(dir)) {
    const bool engine_work = name.size() == 8 && e2e::starts_with(name, "TM");
    const bool work = is_work_file_name(name) && questions.find(name) == std::string::npos;
    EXPECT_FALSE(name == "qrtlnk.bsy" || e2e::starts_with(name, "qrtlnk.bsy.") ||
                 e2e::starts_with(name, "QLX_") || e2e::starts_with(name, "KVRW") ||
                 engine_work || work || name.find(".tmp-") != std::string::npos)
        << name << " left behind, " << context;
  }
}

// One stored message of a receive store: its record and the content of its part files.
struct Stored {
  std::string mid;
  std::string record;
  std::vector<std::pair<std::string, std::string>> parts;  // name, content
};

// Today's time stamp: records older than the receive store's keeping period would be purged.
inline std::string stamp_now() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y%m%d%H%M", &local);
  return text;
}

inline std::string part_name(int i, int k) {
  char name[16];
  std::snprintf(name, sizeof name, "Q%07d.%03d", i, k);
  return name;
}

// A receive store of `count` messages (every third one with two parts) with its part files.
// Every other message is an EDIFACT message ("EDI..."), the others have `text_form` for their
// identifiers.
inline std::vector<Stored> make_receive_store(const std::string& dir, int count,
                                              const char* text_form = "TXT%06d") {
  std::vector<Stored> messages;
  std::string store;
  for (int i = 0; i < count; ++i) {
    Stored m;
    char mid[16];
    std::snprintf(mid, sizeof mid, i % 2 == 0 ? "EDI%06d" : text_form, i);
    m.mid = mid;
    const int files = i % 3 == 0 ? 2 : 1;
    char list_id[16];
    std::snprintf(list_id, sizeof list_id, "%012d", i);
    m.record = joined({"ABC", stamp_now(), list_id, m.mid, std::to_string(files),
                       part_name(i, 1), "Subject " + std::to_string(i), "", "1", "1", "NL"});
    for (int k = 1; k <= files; ++k) {
      m.parts.emplace_back(part_name(i, k), m.mid + " part " + std::to_string(k) + "\n");
      kvtest::write_file(dir + "/" + m.parts.back().first, m.parts.back().second);
    }
    store += m.record + "\n";
    messages.push_back(m);
  }
  kvtest::write_file(dir + "/qrtlnk.rcv", store);
  return messages;
}

// Each stored line is one of the messages, at most once and in the original order; returns the
// message identifiers found.
inline std::set<std::string> check_store_lines(const std::vector<Stored>& messages,
                                        const std::vector<std::string>& lines,
                                        const std::string& context) {
  std::set<std::string> found;
  std::size_t next = 0;
  for (const std::string& line : lines) {
    while (next < messages.size() && messages[next].record != line) ++next;
    EXPECT_LT(next, messages.size()) << "foreign, repeated or misplaced record " << line << ", "
                                     << context;
    if (next >= messages.size()) return found;
    found.insert(messages[next].mid);
    ++next;
  }
  return found;
}

// The record of a stored message is in the store with all its part files, or it was handed
// over: then its parts are gone from the home directory.
inline void expect_parts_follow_record(const std::string& dir, const Stored& m, bool in_store,
                                const std::string& context) {
  for (const auto& [name, content] : m.parts) {
    EXPECT_EQ(in_store, kvtest::file_exists(dir + "/" + name))
        << m.mid << (in_store ? " is stored without its part " : " was handed over and its part ")
        << name << (in_store ? "" : " is still there") << ", " << context;
  }
}

// --- runs of kovendi-crash ----------------------------------------------------------------------

struct CrashOutcome {
  kvtest::RunResult run;
  std::string report;  // "ops N", or "cut N OPERATION PATH" / "kill N OPERATION PATH"
};

// A private directory of this test process for the reports of the crash switch.
inline const std::string& report_dir() {
  static kvtest::TempDir dir;
  return dir.path();
}

// Runs kovendi-crash with KOVENDI_CRASH=`setting` ("count", "kill:N", "cut:N" or "cut:N:SEED").
inline CrashOutcome run_crash(const std::string& dir, const std::vector<std::string>& args,
                              kvtest::RunOptions options, const std::string& setting) {
  const std::string report = report_dir() + "/report";
  std::remove(report.c_str());
  options.env["KOVENDI_CRASH"] = setting;
  options.env["KOVENDI_CRASH_REPORT"] = report;
  if (options.timeout_seconds == kvtest::RunOptions{}.timeout_seconds) {
    options.timeout_seconds = e2e::kRunTimeout;
  }
  CrashOutcome outcome;
  outcome.run = kvtest::run(kvtest::program("kovendi-crash"), args, dir, options);
  outcome.report = kvtest::read_file(report);
  while (!outcome.report.empty() && outcome.report.back() == '\n') outcome.report.pop_back();
  return outcome;
}

// One file operation of a traced run: its number, the operation and the path.
struct Operation {
  int n = 0;
  std::string op;
  std::string path;
  bool on(const std::string& name) const {
    return path.size() >= name.size() && path.compare(path.size() - name.size(), name.size(), name) == 0;
  }
};

// The file operations of an uninterrupted run, as the crash switch counts them.
inline std::vector<Operation> trace_operations(const std::string& dir,
                                               const std::vector<std::string>& args,
                                               kvtest::RunOptions options) {
  const std::string trace = report_dir() + "/trace";
  std::remove(trace.c_str());
  options.env["KOVENDI_CRASH_TRACE"] = trace;
  const CrashOutcome outcome = run_crash(dir, args, options, "count");
  EXPECT_EQ(0, outcome.run.signal) << outcome.run.err;
  std::vector<Operation> ops;
  for (const std::string& line : kvtest::read_lines(trace)) {
    const std::size_t first = line.find(' ');
    const std::size_t second = line.find(' ', first + 1);
    if (second == std::string::npos) continue;
    ops.push_back({std::atoi(line.c_str()), line.substr(first + 1, second - first - 1),
                   line.substr(second + 1)});
  }
  return ops;
}

// The number of the `nth` operation (from 1) that `matches`; 0 when there is none.
inline int find_operation(const std::vector<Operation>& ops,
                          const std::function<bool(const Operation&)>& matches, int nth = 1) {
  for (const Operation& o : ops) {
    if (matches(o) && --nth == 0) return o.n;
  }
  return 0;
}

// The file operations of an uninterrupted run (the crash switch counts them).
inline int count_operations(const std::string& dir, const std::vector<std::string>& args,
                            const kvtest::RunOptions& options) {
  const CrashOutcome outcome = run_crash(dir, args, options, "count");
  EXPECT_EQ(0, outcome.run.signal) << outcome.run.err;
  EXPECT_EQ(0u, outcome.report.find("ops ")) << "no count: " << outcome.report;
  return outcome.report.size() > 4 ? std::atoi(outcome.report.c_str() + 4) : 0;
}

// The operations a sweep visits: all of them with KOVENDI_POWER_CUT_ALL=1 (a run by hand), else
// about `sample` of them, evenly spread from a random offset (a different part of the run in
// every CI run); KOVENDI_POWER_CUT_AT=N visits only N (to look at one failure again), and
// KOVENDI_POWER_CUT_AT=N:SEED cuts there keeping the subset that SEED chose (a failure's
// KOVENDI_CRASH=cut:N:SEED).
inline std::vector<int> sweep_points(int total, int sample) {
  std::vector<int> points;
  if (const char* at = std::getenv("KOVENDI_POWER_CUT_AT")) {
    for (int i = 0; i < 4; ++i) points.push_back(std::atoi(at));
    return points;
  }
  const char* all = std::getenv("KOVENDI_POWER_CUT_ALL");
  const int step = all != nullptr && *all == '1' ? 1 : std::max(1, total / std::max(1, sample));
  for (int n = 1 + random_below(step); n <= total; n += step) points.push_back(n);
  return points;
}

// The SEED of KOVENDI_POWER_CUT_AT=N:SEED, or empty.
inline std::string replayed_subset() {
  const char* at = std::getenv("KOVENDI_POWER_CUT_AT");
  const char* colon = at != nullptr ? std::strchr(at, ':') : nullptr;
  return colon != nullptr ? std::string(colon + 1) : std::string();
}

// One mode of a crash harness: the run that is crashed, what comes before it and what after.
struct Scenario {
  std::string name;
  std::string dir;
  std::vector<std::string> args;
  kvtest::RunOptions options;
  std::function<void()> prepare;                            // the state before the run
  std::function<void()> after;                              // the next start(s)
  std::function<void(const std::string& context)> check;   // the invariants after them
  // The file operations of the run from the prepared state, when they differ from trial to
  // trial (the state is put back afterwards); empty: counted once.
  std::function<int()> count;
};

// One run of the scenario crashed at operation `n` of `total` with KOVENDI_CRASH=`setting`; the
// next start and the checks follow. The crash must really have happened; false (and no crash)
// only when the run ended before operation `n` (a run may take a few operations less than the
// counted one, a fetch that finds nothing to wait for).
inline bool crash_once(const Scenario& s, int n, int total, const std::string& setting,
                       const std::string& what) {
  const CrashOutcome outcome = run_crash(s.dir, s.args, s.options, setting);
  const std::string context = s.name + ", " + what + " at operation " + std::to_string(n) +
                              " of " + std::to_string(total) + " (KOVENDI_CRASH=" + setting +
                              ": " + outcome.report + ")";
  const bool ended = outcome.run.signal == 0 && outcome.report.find("ops ") == 0;
  if (!ended) {
    EXPECT_EQ(SIGKILL, outcome.run.signal) << "the run did not crash, " << context;
    EXPECT_EQ(0u, outcome.report.find(setting.substr(0, setting.find(':')) + " " +
                                      std::to_string(n) + " "))
        << context;
  }
  s.after();
  s.check(context);
  return !ended;
}

struct CrashTally {
  int crashed = 0;
  int by_chance = 0;  // power cuts that kept a random subset
  int ended = 0;
  void expect_enough(const std::string& name) const {
    EXPECT_GE(crashed, 2 * ended) << "too few runs crashed, " << name;
  }
};

// Crashes the scenario's run at the sweep's operations: kills it, or cuts its power, alternately
// dropping everything unflushed and keeping a random subset of it.
inline void sweep(const Scenario& s, int sample, bool power_cut) {
  s.prepare();
  const int total = s.count ? s.count() : count_operations(s.dir, s.args, s.options);
  ASSERT_GT(total, 0) << s.name;
  CrashTally tally;
  for (int n : sweep_points(total, sample)) {
    s.prepare();
    std::string kept = power_cut ? replayed_subset() : std::string();
    if (kept.empty() && power_cut && tally.crashed % 2 == 1) {
      kept = std::to_string(static_cast<unsigned>(random_source()()));
    }
    const bool keep_some = !kept.empty();
    const std::string setting = (power_cut ? "cut:" : "kill:") + std::to_string(n) +
                                (keep_some ? ":" + kept : "");
    const std::string what =
        power_cut ? (keep_some ? "power cut keeping a random subset" : "power cut") : "killed";
    if (crash_once(s, n, total, setting, what)) {
      ++tally.crashed;
      tally.by_chance += keep_some ? 1 : 0;
    } else {
      ++tally.ended;
    }
    if (::testing::Test::HasFailure()) break;
  }
  std::printf("%s %s: %d operations, %d crashed (%d keeping a random subset), %d ended before "
              "their point\n", power_cut ? "power cut" : "kill sweep", s.name.c_str(), total,
              tally.crashed, tally.by_chance, tally.ended);
  tally.expect_enough(s.name);
}

inline void power_cut_sweep(const Scenario& s, int sample) { sweep(s, sample, true); }
inline void kill_sweep(const Scenario& s, int sample) { sweep(s, sample, false); }

// Keeps the message store and the homes of a World, so that every trial starts from the same
// state.
class WorldSnapshot {
 public:
  explicit WorldSnapshot(const e2e::World& world) : root_(world.root()) {}
  void save(const std::string& as = "") const {
    for (const std::string what : {"store", "alice", "bob"}) {
      std::filesystem::remove_all(saved(as + what));
      std::filesystem::copy(root_ + "/" + what, saved(as + what),
                            std::filesystem::copy_options::recursive);
    }
  }
  void restore(const std::string& from = "") const {
    for (const std::string what : {"store", "alice", "bob"}) {
      const std::string place = root_ + "/" + what;
      std::filesystem::remove_all(place);
      std::filesystem::copy(saved(from + what), place, std::filesystem::copy_options::recursive);
    }
  }

 private:
  std::string saved(const std::string& what) const { return root_ + "/saved-" + what; }
  std::string root_;
};

// Where the run to be recovered is killed, chosen from the trace of an uninterrupted run.
using KillPoint = std::function<int(const std::vector<Operation>& trace)>;

inline int random_operation(const std::vector<Operation>& trace) {
  return trace.empty() ? 0 : 1 + random_below(static_cast<int>(trace.size()));
}

// Killed after the session, while its results are processed: at the first rename after the last
// operation on the status file.
inline int after_the_session(const std::vector<Operation>& trace) {
  int last_status = 0;
  for (const Operation& o : trace) {
    if (o.on("/qrtlnk.sts")) last_status = o.n;
  }
  const int rename = find_operation(trace, [&](const Operation& o) {
    return o.n > last_status && o.op == "rename";
  });
  return rename > 0 ? rename : random_operation(trace);
}

// The scenario's run is killed at `where` (chosen again for every trial when `every_trial`);
// the run that the harness then crashes is the start that recovers it, `recovery_args` (a local
// mode that does nothing of its own). `save` and `restore` keep the state after the kill, on
// which the recovery's operations are counted.
inline Scenario recovery_scenario(const Scenario& killed, const std::vector<std::string>& recovery_args,
                                  const KillPoint& where, bool every_trial,
                                  const std::function<void()>& save,
                                  const std::function<void()>& restore) {
  Scenario s = killed;
  s.name = "recovery of a killed " + killed.name;
  s.args = recovery_args;
  killed.prepare();
  const std::vector<Operation> trace = trace_operations(killed.dir, killed.args, killed.options);
  const int fixed = where(trace);
  s.prepare = [killed, trace, fixed, where, every_trial, save] {
    killed.prepare();
    const int n = every_trial ? where(trace) : fixed;
    run_crash(killed.dir, killed.args, killed.options, "kill:" + std::to_string(n));
    save();
  };
  s.count = [s, restore] {
    const int operations = count_operations(s.dir, s.args, s.options);
    restore();
    return operations;
  };
  return s;
}


// Kills the scenario's run at a random file operation in each trial.
inline void kill_at_random_operations(const Scenario& s, int count) {
  s.prepare();
  int total = s.count ? s.count() : count_operations(s.dir, s.args, s.options);
  ASSERT_GT(total, 0) << s.name;
  CrashTally tally;
  for (int trial = 0; trial < count && !::testing::Test::HasFailure(); ++trial) {
    s.prepare();
    if (s.count) total = s.count();
    if (total <= 0) continue;  // nothing left to recover
    const int n = 1 + random_below(total);
    const bool crashed = crash_once(s, n, total, "kill:" + std::to_string(n),
                                    "trial " + std::to_string(trial) + ", killed");
    ++(crashed ? tally.crashed : tally.ended);
  }
  std::printf("kill harness %s: %d trials killed at one of %d file operations, %d ended before "
              "their point\n", s.name.c_str(), tally.crashed, total, tally.ended);
  tally.expect_enough(s.name);
}

}  // namespace crash
