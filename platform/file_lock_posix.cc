// Locked run files on POSIX systems: O_EXCL creation, flock, fsync'ed appends.
#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/fs.h"
#include "platform/fs_internal.h"

namespace kv::fs {

using detail::failure;
using detail::outcome;

namespace {

// A descriptor opened for `call` on `path`, or -1 with the failure recorded.
int opened(int fd, const char* call, const std::string& path) {
  return fd >= 0 ? fd : detail::fail_with(errno, call, path);
}

}  // namespace

int create_new_file(const std::string& path, unsigned mode) {
  if (check_fault("create", path) != 0) return -1;
  note_directory_change(path);
  return opened(
      ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode)),
      "create", path);
}

int open_existing_file(const std::string& path) {
  if (check_fault("open-write", path) != 0) return -1;
  return opened(::open(path.c_str(), O_RDWR | O_CLOEXEC), "open-write", path);
}

bool try_lock_exclusive(int fd) { return ::flock(fd, LOCK_EX | LOCK_NB) == 0; }

bool names_open_file(int fd, const std::string& path) {
  struct stat open_file {};
  struct stat named {};
  if (detail::lookup_refused(path)) return false;
  if (::fstat(fd, &open_file) != 0 || ::stat(path.c_str(), &named) != 0) return false;
  return open_file.st_dev == named.st_dev && open_file.st_ino == named.st_ino;
}

Result link_file(const std::string& from, const std::string& to) {
  if (int injected = check_fault("link", to)) return failure(injected, "link", from, to);
  note_directory_change(to);
  return outcome(::link(from.c_str(), to.c_str()) == 0, "link", from, to);
}

std::string file_identity(const std::string& path) {
  struct stat named {};
  if (detail::lookup_refused(path)) return "";
  if (::stat(path.c_str(), &named) != 0) return "";
  return std::to_string(static_cast<unsigned long long>(named.st_dev)) + ":" +
         std::to_string(static_cast<unsigned long long>(named.st_ino));
}

std::string file_fingerprint(const std::string& path) {
  struct stat named {};
  if (detail::lookup_refused(path)) return "";
  if (::stat(path.c_str(), &named) != 0) return "";
  return file_identity(path) + ":" + std::to_string(static_cast<long long>(named.st_size)) + ":" +
         std::to_string(static_cast<long long>(named.st_mtim.tv_sec)) + "." +
         std::to_string(static_cast<long long>(named.st_mtim.tv_nsec));
}

bool read_whole(int fd, std::string& text) {
  text.clear();
  char buffer[4096];
  off_t offset = 0;
  for (;;) {
    ssize_t n = ::pread(fd, buffer, sizeof buffer, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    text.append(buffer, static_cast<std::size_t>(n));
    offset += n;
  }
}

Result append_synced(int fd, const std::string& text, const std::string& path) {
  if (int injected = check_fault("write", path)) return failure(injected, "write", path);
  off_t end = ::lseek(fd, 0, SEEK_END);
  if (end < 0) return failure(errno, "write", path);
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::pwrite(fd, text.data() + done, text.size() - done, end + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return failure(n == 0 ? ENOSPC : errno, "write", path);
    done += static_cast<std::size_t>(n);
  }
  if (int injected = check_fault("sync", path)) return failure(injected, "sync", path);
  return outcome(::fdatasync(fd) == 0, "sync", path);
}

Result truncate_synced(int fd, const std::string& path) {
  if (int injected = check_fault("truncate", path)) return failure(injected, "truncate", path);
  if (::ftruncate(fd, 0) != 0) return failure(errno, "truncate", path);
  if (int injected = check_fault("sync", path)) return failure(injected, "sync", path);
  return outcome(::fdatasync(fd) == 0, "sync", path);
}

}  // namespace kv::fs
