// The fault loop over the local modes and result processing: the n-th file operation of a run
// fails, for n = 1, 2, ... until the run no longer reaches it, once and from then on; after each
// run every file holds its content from before or after a clean run, no temporary is left and
// no stream is left open.
#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "client/appfiles/entry_points.h"
#include "client/appfiles/snd_record.h"
#include "client/appfiles/store_test_home.h"
#include "client/common/abort.h"
#include "client/common/open_files.h"
#include "client/startup/busy_file.h"
#include "client/startup/run_control.h"
#include "platform/fs.h"
#include "platform/testing/fault_injection.h"

namespace kv {
namespace {

using Snapshot = std::map<std::string, std::string>;

// Names of the run's own bookkeeping: the busy file (intent record), the private name it was
// made under (Windows removes that name only when the run lets go of the file) and the error
// file.
bool is_run_bookkeeping(const std::string& name) {
  const std::string busy = kBusyFileName;
  return name == busy || name.compare(0, busy.size() + 1, busy + ".") == 0 || name == "qrtlnk.err";
}

class FaultLoop : public StoreHome {
 protected:
  struct Mode {
    std::string name;
    std::function<void()> prepare;  // writes the files and sets the run state
    std::function<bool()> run;  // true when the run was abandoned
    // A retrieve hands over the messages whose parts it can read: one whose part cannot be read
    // keeps its record, and the parts before it go to the output file all the same (a later
    // retrieve hands over the rest). After such a failed operation no part may be lost.
    std::function<bool(const std::string& failed)> passes_over;
  };

  void SetUp() override {
    StoreHome::SetUp();
    reset_busy_file();
    set_abort_cleanup(abort_run);
  }
  void TearDown() override {
    set_abort_cleanup(nullptr);
    close_all_open_files();
    reset_busy_file();
  }

  Snapshot snapshot() const {
    Snapshot files;
    add_files("", files);
    return files;
  }
  void add_files(const std::string& sub, Snapshot& files) const {
    const std::string where = sub.empty() ? dir.path() : dir.file(sub);
    for (const std::string& name : fs::list_directory(where)) {
      const std::string relative = sub.empty() ? name : sub + "/" + name;
      if (fs::is_directory(dir.file(relative))) {
        add_files(relative, files);
      } else if (!is_run_bookkeeping(relative)) {
        files[relative] = dir.read(relative);
      }
    }
  }

  void empty_home() {
    for (const auto& [name, content] : snapshot()) {
      (void)content;
      app_home().set_read_write(name);
      fs::remove_file(dir.file(name));
    }
    fs::remove_file(dir.file(kBusyFileName));
    fs::remove_file(dir.file("qrtlnk.err"));
  }

  // A fresh start of `mode`: files as prepared, the busy file taken, the run state accepted.
  void start(const Mode& mode) {
    close_all_open_files();
    reset_busy_file();
    empty_home();
    reset_run_state();
    run_state().home_dir = dir.path();
    run_state().run_mode = RunMode::kAccepted;
    mode.prepare();
    busy_check();
    hold_busy_file();
    // Directories that earlier tests changed are not this run's to flush.
    fs::sync_changed_directories();
  }

  // The operations a clean run makes, and the files before and after it.
  int clean_run(const Mode& mode, Snapshot& before, Snapshot& after) {
    start(mode);
    before = snapshot();
    kv::testing::FaultInjector counter;
    EXPECT_FALSE(mode.run()) << mode.name << ": the clean run was abandoned";
    EXPECT_FALSE(dir.exists("qrtlnk.err")) << mode.name << ": the clean run failed";
    after = snapshot();
    EXPECT_NE(before, after) << mode.name << ": the clean run changed nothing";
    return static_cast<int>(counter.log().size());
  }

  static bool is_part_read(const std::string& failed) {
    // "open-read <dir>/XXXXXXXX.nnn"
    return failed.compare(0, 10, "open-read ") == 0 && failed.find("/QLX_") == std::string::npos &&
           failed.size() > 4 && failed[failed.size() - 4] == '.' &&
           failed.find_first_not_of("0123456789", failed.size() - 3) == std::string::npos;
  }

  // Every part file of `before` is still there or its content is in another file.
  void expect_no_part_lost(const Snapshot& before, const std::string& what) {
    const Snapshot now = snapshot();
    for (const auto& [name, content] : before) {
      if (!is_part_read("open-read /" + name) || now.count(name) != 0) continue;
      bool handed_over = false;
      for (const auto& [other, text] : now) handed_over |= text.find(content) != std::string::npos;
      EXPECT_TRUE(handed_over) << what << ": part " << name << " is lost";
    }
  }

  // The name of the file that a failed "remove <path>" kept, "" for any other operation.
  std::string removal_of(const std::string& failed) const {
    const std::string prefix = "remove " + dir.path() + "/";
    return failed.compare(0, prefix.size(), prefix) == 0 ? failed.substr(prefix.size()) : "";
  }

  // Every file holds its old or its new content; nothing else is there but the one file whose
  // removal failed once (`kept`), which the run cannot help.
  void expect_old_or_new(const Snapshot& before, const Snapshot& after, const std::string& kept,
                         const std::string& what) {
    const Snapshot now = snapshot();
    std::set<std::string> names;
    for (const auto& files : {before, after, now}) {
      for (const auto& [name, content] : files) names.insert(name);
    }
    for (const std::string& name : names) {
      if (name == kept) continue;
      const auto is = now.find(name);
      const auto old = before.find(name);
      const auto fresh = after.find(name);
      const bool as_old = (is == now.end()) == (old == before.end()) &&
                          (is == now.end() || is->second == old->second);
      const bool as_new = (is == now.end()) == (fresh == after.end()) &&
                          (is == now.end() || is->second == fresh->second);
      EXPECT_TRUE(as_old || as_new)
          << what << ": " << name
          << (is == now.end() ? " is gone" : " holds \"" + is->second + "\"");
    }
  }

  // Operation numbers to fail: all of them up to 80, else the first and last 20 and a spread
  // between.
  static std::vector<int> operations_to_fail(int count) {
    std::vector<int> chosen;
    const int step = count <= 80 ? 1 : (count - 40) / 40 + 1;
    for (int n = 1; n <= count; ++n) {
      if (n <= 20 || n > count - 20 || n % step == 0) chosen.push_back(n);
    }
    return chosen;
  }

  // Runs the fault loop over `mode`; returns the number of runs with an injected fault.
  int fault_loop(const Mode& mode) {
    Snapshot before;
    Snapshot after;
    const int count = clean_run(mode, before, after);
    EXPECT_GT(count, 0) << mode.name;
    std::cerr << mode.name << ": " << count << " file operations, " << operations_to_fail(count).size()
              << " of them failed in turn\n";
    int faulted_runs = 0;
    for (bool persistent : {false, true}) {
      for (int n : operations_to_fail(count)) {
        std::string what = mode.name + (persistent ? " failing from operation " : " failing operation ") + std::to_string(n);
        start(mode);
        bool aborted = false;
        std::string failed;  // "operation path" of the failed call
        {
          kv::testing::FaultInjector faults;
          faults.fail_nth("", n, EIO, "", persistent);
          aborted = mode.run();
          EXPECT_TRUE(faults.triggered()) << what << ": the fault never fired";
          if (static_cast<int>(faults.log().size()) >= n) failed = faults.log()[n - 1];
          what += " (" + failed + ")";
          if (faults.triggered()) ++faulted_runs;
        }
        // An aborted run closes every stream; one that got past its fault still holds its busy
        // file and nothing else.
        EXPECT_EQ(open_file_count(), aborted ? 0 : 1) << what;
        // What a fault leaves to the next start is recovered there.
        close_all_open_files();
        reset_busy_file();
        if (dir.exists(kBusyFileName)) busy_check();
        if (mode.passes_over && mode.passes_over(failed)) {
          expect_no_part_lost(before, what);
        } else {
          expect_old_or_new(before, after, persistent ? "" : removal_of(failed), what);
        }
        if (::testing::Test::HasFailure()) return faulted_runs;
      }
    }
    return faulted_runs;
  }

  static std::string send_record(const std::string& mid, const std::string& code,
                                 const std::string& delivery_state) {
    SndRecord r;
    r.set(snd::kResultStamp, "202301010000");
    r.set(snd::kResultCode, code);
    r.set(snd::kMessageId, mid);
    set_snd_completed_delivery(r);
    r.set(snd::kDeliveryState, delivery_state);
    r.set(snd::kNotificationType, " ");
    r.set(snd::kFirstFile, "f");
    return r.line();
  }

  static bool run_local_mode() { return start_run("qrtlnk.scr", "qrtlnk.sts") == 1; }
};

TEST_F(FaultLoop, EveryFailingFileOperationOfALocalModeLeavesOldOrNewFiles) {
  const std::vector<Mode> modes = {
      {"/U=",
       [this] {
         const std::string a = store_message("MSGA", "BBBBBBBB", 2);
         const std::string b = store_message("MSGB", "CCCCCCCC", 1);
         write_store({a, b});
         dir.write("taken.txt", "first line\n" + a + "\n");
         run_state().update_mode = true;
       },
       [] { return start_run("taken.txt", "qrtlnk.sts") == 1; }, nullptr},
      {"/R",
       [this] {
         write_store({store_message("EDIORDERS01", "BBBBBBBB", 2),
                      store_message("ABCTXT0001", "CCCCCCCC", 1)});
         dir.write("out.dat", "old contents\n");
         run_state().retrieve_mode = RetrieveMode::kBytes;
         run_state().mid_selection = "EDI*";
         run_state().fil_name = "out.dat";
       },
       [] { return run_local_mode(); }, is_part_read},
      {"/RT",
       [this] {
         write_store({store_message("ABCTXT0001", "BBBBBBBB", 1, "202403140900", "Eerste", "Jansen"),
                      store_message("ABCTXT0002", "CCCCCCCC", 2)});
         dir.write("out.txt", "earlier\n");
         run_state().retrieve_mode = RetrieveMode::kTexts;
         run_state().fil_name = "out.txt";
         run_state().add_flag = true;
       },
       [] { return run_local_mode(); },
       // An injected write fault, unlike a real one, leaves the stream's error indicator clear,
       // so that the text retrieve takes it for an unreadable part.
       [this](const std::string& failed) {
         return is_part_read(failed) || failed == "write " + dir.file("out.txt");
       }},
      {"/C",
       [this] {
         dir.write("qrtlnk.snd", send_record("FAILED", "2101", "1") + "\n" +
                                     send_record("DELIVERED", "0000", "2") + "\n" +
                                     send_record("WAITING", "0000", "1") + "\n");
         dir.write("archive.txt", "earlier\n");
         run_state().send_update_mode = true;
         run_state().fil_name = "archive.txt";
       },
       [] { return run_local_mode(); }, nullptr},
  };
  for (const Mode& mode : modes) {
    EXPECT_GT(fault_loop(mode), 0) << mode.name;
    if (HasFailure()) return;
  }
}

TEST_F(FaultLoop, EveryFailingFileOperationOfResultProcessingLeavesOldOrNewFiles) {
  const Mode results{
      "result processing",
      [this] {
        run_state().app_id = "APP";
        dir.write("qrtlnk.scr", "*000CONNECT\nSRV=file:x\n*001ONTVANG\n*002ONTVANG\nFIL=mine.dat\n");
        dir.write("BBBBBBBB.001", "M1 part 1\n");
        dir.write("qrtlnk.sts",
                  "*000CONNECT|202403151030|0000\n" +
                      status_line("*001ONTVANG", "202403151031", "0000", "L1", "M1", "1",
                                  "BBBBBBBB.001", "Eerste") +
                      "\n" +
                      status_line("*002ONTVANG", "202403151031", "0000", "L2", "M2", "0",
                                  "mine.dat") +
                      "\n");
        write_store({store_message("OLD45", "JJJJJJJJ", 1, "202401300900")});
      },
      [] {
        try {
          verwerk_resultaten("qrtlnk.scr", "qrtlnk.sts");
          return false;
        } catch (const RunAborted& aborted) {
          clean_up_after(aborted);  // the abort point of the normal run
          return true;
        }
      },
      nullptr};
  EXPECT_GT(fault_loop(results), 0);
}

}  // namespace
}  // namespace kv
