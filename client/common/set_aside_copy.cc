// Setting a file aside before it is rewritten.
#include "client/common/set_aside_copy.h"

#include <cerrno>

#include "client/common/abort.h"
#include "client/common/append_file.h"
#include "client/common/home.h"
#include "client/common/run_intent.h"
#include "client/common/text.h"
#include "client/common/write_failure.h"
#include "platform/clock.h"
#include "platform/fs.h"

namespace kv {

namespace {

constexpr int kLastCounter = 998;  // counter 999 is never used

}  // namespace

std::string first_free_set_aside_name(const HomeDirectory& home, int last_counter) {
  LocalTime now = clock().local_time();
  for (int n = 1; n <= last_counter; ++n) {
    std::string name = set_aside_name(now.day, now.month, n);
    if (home.access(name, 0) != 0) return name;
  }
  return "";
}

std::string set_aside_name(int day, int month, int n) {
  return format("QLX_%02d%02d.%03d", day, month, n);
}

std::string set_aside_copy(const std::string& name) {
  if (app_home().access(name, 0) != 0) return "";
  std::string copy = first_free_set_aside_name(app_home(), kLastCounter);
  if (copy.empty()) fail_run(AppError::kTemporaryFileNotCreated);
  std::string copy_path = app_home().fullpath(copy);
  // A killed run's copy is removed by the next start.
  record_intent(intent::kSetAside, copy + "|" + name);
  // The copy is created with the file's own permission bits before a byte is copied, so that the
  // copy of a private file (the user file, a request with its password) is never readable by
  // others.
  fs::Status original = fs::status(app_home().fullpath(name));
  int fd = app_home().creat(copy, original.exists ? (original.mode & 0777u) : 0600u);
  if (fd < 0) fail_run(AppError::kTemporaryFileNotCreated);
  app_home().close(fd);
  if (append_file(app_home().fullpath(name), copy_path) != kAppendOk) {
    const int failure = errno;  // of the write, or of the close that flushed it
    app_home().remove(copy);  // a partial copy must not stand in for the file
    fail_run_after_write(failure, base_name(copy), AppError::kTemporaryFileNotCreated, "");
  }
  return copy;
}

int restore_set_aside_copy(const std::string& copy, const std::string& name) {
  if (copy.empty()) return -1;
  // rename replaces whatever stands under the file's name (a half-written fresh file).
  return app_home().rename(copy, name).ok() ? 0 : -1;
}

}  // namespace kv
