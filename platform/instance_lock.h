// Per-user single-instance lock: flock on <program>.lock in a private directory of the user
// ("<program>-<uid>", mode 0700, checked to be the user's own directory and no link before every
// use) in $XDG_RUNTIME_DIR, else in the system temporary directory. Another user can neither
// hold the lock nor make a run write through a link planted there. On Windows the single
// instance is the status window's class, backed by a lock in the user's own application data
// folder (instance_lock_win32.cc).
#pragma once

#include <string>

namespace kv {

class InstanceLock {
 public:
  explicit InstanceLock(std::string program_name);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // True when this process now holds the lock; false when another process holds it.
  bool try_acquire();
  void release();
  // Asks the holder to raise its window (a no-op where no window can be raised).
  void request_raise_of_holder();
  // In the holder: true (once) when another start asked for the window to be raised.
  bool take_raise_request();
  // In the holder: leaves `text` (the holder's home directory) in the lock file for later starts.
  void publish(const std::string& text);
  // In a refused start: what the holder published (empty when nothing yet).
  std::string published() const;
  std::string path() const { return path_; }

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace kv
