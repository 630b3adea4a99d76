// Per-user single-instance lock on POSIX systems. The lock file lies in a private directory of
// the user: "<program>-<uid>" in $XDG_RUNTIME_DIR, else in the system temporary directory, where
// any user may create names. The directory is used only when it is a real directory (not a
// link), belongs to the user and has mode 0700; a name that is taken otherwise is passed over for
// the next of a few fixed names ("<program>-<uid>-1", ...), which every run of the user tries in
// the same order. Inside it every file is opened relative to the checked directory and
// never through a link. The lock goes with the descriptor, so a run that dies releases it at once.
//
// Raising the holder's window: the second start creates "<lock file>.raise"; the holder's window
// back end may poll take_raise_request() and bring its window to the top. Nothing is signalled
// (a signal could end a holder that has not yet installed its handlers).
#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/fs.h"

namespace kv {
namespace {

constexpr int kDirectoryNames = 10;

std::string lock_base() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime != '\0' && fs::is_directory(runtime)) return runtime;
  return fs::temp_directory();
}

std::string directory_name(const std::string& program, int n) {
  std::string name = program + "-" + std::to_string(static_cast<unsigned long>(::geteuid()));
  return n == 0 ? name : name + "-" + std::to_string(n);
}

// The directory opened for use: a real directory of this user that nobody else may enter
// (mode 0700; one that let others in may hold what they left there). -1 when it is missing or not
// safe.
int open_private_directory(const std::string& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() ||
      (st.st_mode & 077) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool is_private_directory(const std::string& dir) {
  const int fd = open_private_directory(dir);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

// The user's private directory among the fixed names: the first that is one already, else (with
// `create`) the first that can be made. Without `create`, the name a run would make (the first
// name when every one is taken). Empty when none can be made.
std::string private_directory(const std::string& program, bool create) {
  const std::string base = lock_base();
  std::string first_free;
  for (int n = 0; n < kDirectoryNames; ++n) {
    const std::string dir = fs::join(base, directory_name(program, n));
    if (is_private_directory(dir)) return dir;
    struct stat st {};
    if (first_free.empty() && ::lstat(dir.c_str(), &st) != 0 && errno == ENOENT) first_free = dir;
  }
  if (!create) return first_free.empty() ? fs::join(base, directory_name(program, 0)) : first_free;
  for (int n = 0; n < kDirectoryNames; ++n) {
    const std::string dir = fs::join(base, directory_name(program, n));
    // Made by another run of this user meanwhile, or taken by someone else: tested again.
    if ((::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST) && is_private_directory(dir)) {
      return dir;
    }
  }
  return "";
}

// Opens `name` inside the checked private directory `dir`, never through a link, and only a
// regular file of this user. -1 when that cannot be done.
int open_inside(const std::string& dir, const std::string& name, int flags) {
  const int dir_fd = open_private_directory(dir);
  if (dir_fd < 0) return -1;
  const int fd = ::openat(dir_fd, name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, 0600);
  ::close(dir_fd);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

InstanceLock::InstanceLock(std::string program_name)
    : path_(fs::join(private_directory(program_name, false), program_name + ".lock")) {}

InstanceLock::~InstanceLock() { release(); }

bool InstanceLock::try_acquire() {
  if (fd_ >= 0) return true;
  // The lock file's name is the program's name and ".lock".
  const std::string lock_name = fs::last_component(path_);
  const std::string program = lock_name.substr(0, lock_name.size() - std::string(".lock").size());
  const std::string dir = private_directory(program, true);
  // Without a private directory (every name taken by others, no writable place) the run goes on
  // without the guard rather than being refused; the busy file still keeps two runs of one
  // application apart.
  if (dir.empty()) return true;
  path_ = fs::join(dir, program + ".lock");
  const int fd = open_inside(dir, fs::last_component(path_), O_RDWR | O_CREAT);
  if (fd < 0) return true;
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
  const int fd = open_inside(fs::dir_name(path_), fs::last_component(path_), O_RDONLY);
  if (fd < 0) return text;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
  ::close(fd);
  return text;
}

void InstanceLock::request_raise_of_holder() {
  const int fd =
      open_inside(fs::dir_name(path_), fs::last_component(path_) + ".raise", O_WRONLY | O_CREAT);
  if (fd >= 0) ::close(fd);
}

bool InstanceLock::take_raise_request() {
  if (fd_ < 0) return false;
  return ::unlink((path_ + ".raise").c_str()) == 0;
}

}  // namespace kv
