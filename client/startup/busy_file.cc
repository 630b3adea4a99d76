// Busy-file test and creation.
#include "client/startup/busy_file.h"

#include "client/common/abort.h"
#include "client/common/home.h"

namespace kv {
namespace {

constexpr int kExists = 0, kWritable = 2, kReadable = 4;

bool g_created_by_this_run = false;

bool busy_file_present() {
  const HomeDirectory& home = app_home();
  return home.access(kBusyFileName, kExists) == 0 && home.access(kBusyFileName, kReadable) == 0 &&
         home.access(kBusyFileName, kWritable) == 0;
}

}  // namespace

void busy_check() {
  if (busy_file_present()) fail_run_without_cleanup(5);
  int fd = app_home().creat(kBusyFileName, 0600);
  if (fd < 0) fail_run(6);
  g_created_by_this_run = true;
  app_home().close(fd);
}

void remove_busy_file() {
  if (!g_created_by_this_run) return;
  app_home().remove(kBusyFileName);
  g_created_by_this_run = false;
}

void reset_busy_file() { g_created_by_this_run = false; }

}  // namespace kv
