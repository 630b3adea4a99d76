// Per-user single-instance lock on POSIX systems: flock on <program>-<uid>.lock in
// $XDG_RUNTIME_DIR, else the system temporary directory. The lock goes with the descriptor, so a
// run that dies releases it at once.
//
// Raising the holder's window: the second start creates "<lock file>.raise"; the holder's window
// back end may poll take_raise_request() and bring its window to the top. Nothing is signalled
// (a signal could end a holder that has not yet installed its handlers).
#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/fs.h"

namespace kv {
namespace {

std::string lock_directory() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime != '\0' && fs::is_directory(runtime)) return runtime;
  return fs::temp_directory();
}

}  // namespace

InstanceLock::InstanceLock(std::string program_name)
    : path_(fs::join(lock_directory(),
                     program_name + "-" + std::to_string(static_cast<unsigned long>(::getuid())) +
                         ".lock")) {}

InstanceLock::~InstanceLock() { release(); }

bool InstanceLock::try_acquire() {
  if (fd_ >= 0) return true;
  int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    // The lock file cannot be made (no writable directory): run without the guard rather than
    // refuse every run; the busy file still keeps two runs of one application apart.
    return true;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  ::unlink((path_ + ".raise").c_str());  // a request for an earlier holder is stale
  return true;
}

void InstanceLock::release() {
  if (fd_ < 0) return;
  ::close(fd_);  // closing the descriptor releases the flock
  fd_ = -1;
}

void InstanceLock::publish(const std::string& text) {
  if (fd_ < 0 || ::ftruncate(fd_, 0) != 0) return;
  ssize_t written = ::pwrite(fd_, text.data(), text.size(), 0);
  (void)written;  // a start that finds nothing published behaves as for another home
}

std::string InstanceLock::published() const {
  std::string text;
  int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return text;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
  ::close(fd);
  return text;
}

void InstanceLock::request_raise_of_holder() {
  int fd = ::open((path_ + ".raise").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  if (fd >= 0) ::close(fd);
}

bool InstanceLock::take_raise_request() {
  if (fd_ < 0) return false;
  return ::unlink((path_ + ".raise").c_str()) == 0;
}

}  // namespace kv
