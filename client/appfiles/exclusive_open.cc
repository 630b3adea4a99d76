// Exclusive open with retries.
#include "client/appfiles/exclusive_open.h"

#include "client/common/home.h"
#include "platform/clock.h"
#include "platform/fs.h"

namespace kv {
namespace {

constexpr int kAttempts = 3;
constexpr unsigned kRetryWaitMs = 5000;

}  // namespace

int open_exclusive_with_retries(const std::string& name, unsigned flags) {
  const std::string path = app_home().fullpath(name);
  for (int attempt = 1; attempt <= kAttempts; ++attempt) {
    int fd = fs::open_descriptor(path, flags, true);
    if (fd >= 0) return fd;
    if (fs::last_failure().error != fs::kTooManyOpenFiles || attempt == kAttempts) break;
    clock().sleep_ms(kRetryWaitMs);
  }
  return -1;
}

long long exclusive_file_length(const std::string& name) {
  int fd = open_exclusive_with_retries(name, fs::kRead);
  if (fd < 0) return -1;
  long long length = fs::status(app_home().fullpath(name)).size;
  fs::close_descriptor(fd);
  return length;
}

void remove_when_empty(const std::string& name) {
  if (exclusive_file_length(name) == 0) app_home().remove_work_file(name);
}

}  // namespace kv
