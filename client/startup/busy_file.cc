// Busy-file test, creation and take-over.
#include "client/startup/busy_file.h"

#include "client/common/abort.h"
#include "client/common/home.h"
#include "client/common/run_intent.h"
#include "client/startup/killed_run_recovery.h"
#include "platform/file_lock.h"
#include "platform/fs.h"

namespace kv {
namespace {

constexpr int kAttempts = 5;
// Readable for the group and others (as the creation mask allows): another user of a shared home
// must be able to see that a run holds it. It holds file names, never a password.
constexpr unsigned kBusyFileMode = 0644;

int g_descriptor = -1;  // the locked busy file of this run

std::string busy_path() { return app_home().fullpath(kBusyFileName); }

// A start killed while it made its busy file leaves it under its private name; nobody holds
// such a file locked any more. A power cut may even leave the private name beside the busy file
// it became, which this run now holds.
void remove_unheld_private_names(int own_fd) {
  const std::string prefix = std::string(kBusyFileName) + ".";
  for (const std::string& name : fs::list_directory(app_home().dir())) {
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string path = fs::join(app_home().dir(), name);
    if (fs::names_open_file(own_fd, path)) {
      fs::remove_file(path);
      continue;
    }
    const int fd = fs::open_existing_file(path);
    if (fd < 0) continue;
    if (fs::try_lock_exclusive(fd)) fs::remove_file(path);
    fs::close_descriptor(fd);
  }
}

void own(int fd) {
  g_descriptor = fd;
  set_intent_descriptor(fd, busy_path());
  remove_unheld_private_names(fd);
}

// Creates the busy file already locked: it is made under a private name, locked, and only then
// given its own name, which fails when another run made one meanwhile. -1 when another run won.
int create_locked(bool& failed) {
  const std::string temporary = fs::make_unique_name(busy_path() + ".XXXXXX");
  int fd = temporary.empty() ? -1 : fs::create_new_file(temporary, kBusyFileMode);
  if (fd < 0 || !fs::try_lock_exclusive(fd)) {
    if (fd >= 0) fs::close_descriptor(fd);
    failed = true;
    return -1;
  }
  const bool linked = fs::link_file(temporary, busy_path()).ok();
  fs::remove_file(temporary);
  // The record is worth nothing after a power cut unless its name is on disk as well.
  if (linked && fs::sync_directory(app_home().dir()).ok()) return fd;
  if (linked) fs::remove_file(busy_path());
  fs::close_descriptor(fd);
  failed = !fs::exists(busy_path());
  return -1;
}

// Takes over a busy file nobody holds: recovers what its run left, then empties the record.
void take_over(int fd) {
  std::string record;
  fs::read_whole(fd, record);
  own(fd);
  recover_killed_run(parse_intent(record));
  // What the recovery changed is on disk before the record that asked for it goes.
  fs::sync_changed_directories();
  fs::truncate_synced(fd, busy_path());
}

// The busy file of another user's killed run, which this user may read but not write: its run's
// leftovers are recovered, then it goes, so that this run makes its own.
void recover_for_other_user(int fd) {
  std::string record;
  fs::read_whole(fd, record);
  recover_killed_run(parse_intent(record));
  fs::remove_file(busy_path());
  fs::close_descriptor(fd);
}

// The busy file open for reading and writing, or only for reading when it is another user's.
int open_busy_file(bool& read_only) {
  read_only = false;
  int fd = fs::open_existing_file(busy_path());
  if (fd >= 0 || !fs::exists(busy_path())) return fd;
  fd = fs::open_descriptor(busy_path(), fs::kRead, false);
  read_only = fd >= 0;
  return fd;
}

}  // namespace

void busy_check() {
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    bool read_only = false;
    int fd = open_busy_file(read_only);
    if (fd >= 0) {
      // A lock needs no write right: a run of another user in this home is seen as well.
      if (!fs::try_lock_exclusive(fd)) {
        fs::close_descriptor(fd);
        fail_run_without_cleanup(AppError::kAlreadyRunning);
      }
      if (fs::names_open_file(fd, busy_path()) && read_only) {
        recover_for_other_user(fd);
        continue;
      }
      if (fs::names_open_file(fd, busy_path())) {
        take_over(fd);
        return;
      }
      fs::close_descriptor(fd);  // its run ended and removed it meanwhile
      continue;
    }
    if (fs::exists(busy_path())) break;  // present but not readable and writable
    bool failed = false;
    fd = create_locked(failed);
    if (fd >= 0) {
      own(fd);
      return;
    }
    if (failed) break;
  }
  fail_run(AppError::kNoWritePermission);
}

void remove_busy_file() {
  if (g_descriptor < 0) return;
  // Removed while still locked, so that no other start can take it for a killed run's trace. What
  // the run changed is on disk first, and the removal after it: after a power cut the next start
  // finds either the record of an unfinished run or a finished run's files.
  fs::sync_changed_directories();
  app_home().remove(kBusyFileName);
  fs::sync_directory(app_home().dir());
  set_intent_descriptor(-1);
  fs::close_descriptor(g_descriptor);
  g_descriptor = -1;
}

void reset_busy_file() {
  if (g_descriptor >= 0) fs::close_descriptor(g_descriptor);
  set_intent_descriptor(-1);
  g_descriptor = -1;
}

}  // namespace kv
