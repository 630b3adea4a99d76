// Power-cut simulator at the file system's seam. While it exists it is the file system's fault
// hook (platform/fs.h): it counts the file operations that change or flush something and keeps,
// for every directory and file they touch, what is durable, that is what a machine would find
// after losing its power:
//   - the data of a file as it was when the file was last flushed (sync_file, sync_stream), or
//     when the simulator first saw the file if it existed then; a file made since and never
//     flushed has no durable data;
//   - the entries of a directory as they were when the directory was last flushed, or when the
//     simulator first saw it (creations, renames, links and removals since are not durable).
// cut() drops what is not durable: every touched directory gets back its durable entries, each
// naming a file with its durable data. The second variant keeps a random subset of what is not
// durable: each changed entry and each file's unflushed data is kept or dropped by chance.
// Files that other programs write (the message service) are seen only through the directories.
// A file comes back as the very file it was (same device and inode, as after a real power cut,
// which recovery relies on): while the simulator may need it, a file that loses its last name
// keeps a second one in a private directory beside the first touched directory.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <utility>

namespace kv::testing {

class PowerCut {
 public:
  // With `keep_files`, files that lose their last name are kept for cut() (see above).
  explicit PowerCut(bool keep_files = true);
  ~PowerCut();
  PowerCut(const PowerCut&) = delete;
  PowerCut& operator=(const PowerCut&) = delete;

  // Called before the `n`-th counted operation (from 1); the operation is then not performed
  // when the callback does not return (it cuts the power and kills the process).
  using Trigger = std::function<void(int n, const char* operation, const std::string& path)>;
  void set_trigger(int n, Trigger trigger);

  // Counted operations so far: everything but opening for reading, the target half of a rename
  // (the same moment as its source half) and the writing of the journals (qrt400.log, debug.log),
  // on which nothing relies.
  int operations() const { return operations_; }
  // Each counted operation is also written to this file ("n operation path").
  void trace_to(const std::string& path) { trace_path_ = path; }

  // Drops everything not durable. With a generator, each unflushed change is kept or dropped by
  // chance instead.
  void cut(std::mt19937* keep_by_chance = nullptr);

 private:
  using Id = std::uint64_t;
  struct Data {
    std::string content;
    unsigned mode = 0600;
    bool exists = true;  // false: made since the simulator started and never flushed
  };
  using Entries = std::map<std::string, Id>;  // regular files of a directory by name

  int observe(const char* operation, const std::string& path);
  void touch_directory(const std::string& dir);
  std::optional<Id> id_of(const std::string& path, bool* fresh = nullptr);
  Entries list(const std::string& dir);
  void capture(const std::string& path);
  void flush_file(const std::string& path);
  void keep_if_last_link(const std::string& path);
  std::string current_content(Id id);
  std::string kept_name(Id id) const;
  void remove_kept();

  std::map<std::pair<dev_t, ino_t>, Id> ids_;
  std::map<Id, std::string> a_path_of_;      // where a file was last seen
  std::map<Id, bool> existed_at_start_;
  std::map<Id, Data> durable_data_;
  std::map<std::string, Entries> durable_entries_;
  Id next_id_ = 1;
  int operations_ = 0;
  int trigger_at_ = 0;
  Trigger trigger_;
  std::string trace_path_;
  bool keep_files_ = true;
  std::string keep_dir_;           // the private directory of kept files
  std::map<Id, bool> kept_;        // files with a second name there
};

// The crash switch of a test build of kovendi, from the environment:
//   KOVENDI_CRASH=kill:N          SIGKILL before the N-th counted file operation
//   KOVENDI_CRASH=cut:N           power cut (everything unflushed dropped), then SIGKILL
//   KOVENDI_CRASH=cut:N:SEED      power cut keeping a random subset of the unflushed changes
//   KOVENDI_CRASH_REPORT=PATH     "ops N" written there at the end of a run that was not cut,
//                                 "cut N OPERATION PATH" (or "kill ...") when it was
//   KOVENDI_CRASH_TRACE=PATH      every counted operation written there
// Does nothing when KOVENDI_CRASH is not set. Returns the simulator to keep alive for the run.
class CrashSwitch {
 public:
  CrashSwitch();
  ~CrashSwitch();
  CrashSwitch(const CrashSwitch&) = delete;
  CrashSwitch& operator=(const CrashSwitch&) = delete;

 private:
  void report(const std::string& line) const;

  PowerCut* simulator_ = nullptr;
  std::string report_path_;
};

}  // namespace kv::testing
