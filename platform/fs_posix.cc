// File-system facility on POSIX systems.
#include "platform/fs.h"
#include "platform/fs_internal.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <unordered_map>

namespace kv::fs {
namespace {

using detail::fail_with;
using detail::failure;
using detail::fold_dots;
using detail::lookup_refused;
using detail::outcome;
using detail::split_components;

int record_failure(const char* call, const std::string& path) {
  return fail_with(errno, call, path);
}

bool path_exists(const std::string& path) {
  if (lookup_refused(path)) return false;
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

std::string upper_ascii(const std::string& name) {
  std::string upper = name;
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

// Case-insensitive index of one directory: upper-cased name -> the first matching name in byte
// order. A listing is used again only while the directory's identity and modification time are
// unchanged and the listing was taken well after that modification time: a change within the
// same time-stamp tick as an earlier one would otherwise go unseen. Within that margin the
// directory is scanned for each name, so no stale index is used; outside it, repeated look-ups
// of names that differ only in case cost one hash look-up instead of one directory scan each.
struct DirectoryIndex {
  dev_t device = 0;
  ino_t inode = 0;
  timespec modified{};
  timespec listed_at{};
  std::unordered_map<std::string, std::string> names;
};

constexpr long kIndexMarginSeconds = 2;
constexpr std::size_t kMaxIndexedDirectories = 16;

std::map<std::string, DirectoryIndex>& directory_indexes() {
  static std::map<std::string, DirectoryIndex> indexes;
  return indexes;
}

bool same_time(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool index_still_valid(const DirectoryIndex& index, const struct stat& st) {
  if (index.device != st.st_dev || index.inode != st.st_ino) return false;
  if (!same_time(index.modified, st.st_mtim)) return false;
  return index.listed_at.tv_sec - index.modified.tv_sec > kIndexMarginSeconds;
}

bool same_upper_ascii(const char* name, const std::string& upper) {
  std::size_t i = 0;
  for (; name[i] != '\0'; ++i) {
    if (i == upper.size()) return false;
    char c = name[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != upper[i]) return false;
  }
  return i == upper.size();
}

// The first name in `dir` (in byte order) that equals `upper` without regard to case, found in
// one pass that keeps nothing else; empty when there is none.
std::string scan_directory(const std::string& dir, const std::string& upper) {
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return "";
  std::string first;
  while (dirent* entry = ::readdir(d)) {
    const char* name = entry->d_name;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
    if (same_upper_ascii(name, upper) && (first.empty() || first.compare(name) > 0)) first = name;
  }
  ::closedir(d);
  return first;
}

// The index of `dir` (whose status is `st`), listed again when it is stale; nullptr when a
// listing taken now could not be used again, because the directory changed within the margin:
// a directory that is being written to is scanned for the one name instead, which costs no
// index that would be thrown away at the next change.
const DirectoryIndex* index_of(const std::string& dir, const struct stat& st) {
  auto& indexes = directory_indexes();
  auto found = indexes.find(dir);
  if (found != indexes.end() && index_still_valid(found->second, st)) return &found->second;

  DirectoryIndex index;
  index.device = st.st_dev;
  index.inode = st.st_ino;
  index.modified = st.st_mtim;
  ::clock_gettime(CLOCK_REALTIME, &index.listed_at);
  if (!index_still_valid(index, st)) return nullptr;
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return nullptr;
  while (dirent* entry = ::readdir(d)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    auto [slot, inserted] = index.names.emplace(upper_ascii(name), name);
    if (!inserted && name < slot->second) slot->second = name;
  }
  ::closedir(d);
  if (found == indexes.end() && indexes.size() >= kMaxIndexedDirectories) indexes.clear();
  DirectoryIndex& stored = indexes[dir];
  stored = std::move(index);
  return &stored;
}

// The name of `component` as it exists in `dir`: the exact name when present, else the first
// case-insensitive match in byte order; empty when there is none.
std::string find_in_directory(const std::string& dir, const std::string& component) {
  if (path_exists(join(dir, component))) return component;
  if (lookup_refused(dir)) return "";
  struct stat st;
  if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return "";
  const std::string upper = upper_ascii(component);
  const DirectoryIndex* index = index_of(dir, st);
  if (index == nullptr) return scan_directory(dir, upper);
  auto match = index->names.find(upper);
  if (match == index->names.end()) return "";
  // The index may hold a name removed since; confirm it.
  return path_exists(join(dir, match->second)) ? match->second : "";
}

// A drive-qualified name ("X:...") names nothing on this system; it must not turn into a file
// called "X:..." in the current directory. Also consults the fault hook. 0 to go on, else the
// errno value of the refusal (recorded).
int refusal(const char* operation, const std::string& path) {
  if (drive_letter(path) != 0) return failure(ENOENT, operation, path).error;
  return check_fault(operation, path);
}

int refuse_or_inject(const char* operation, const std::string& path) {
  return refusal(operation, path) != 0 ? -1 : 0;
}

}  // namespace

namespace detail {

bool name_taken(const std::string& dir, const std::string& name) {
  return !find_in_directory(dir, name).empty();
}

}  // namespace detail

bool drive_exists(char /*letter*/) { return false; }

bool is_absolute(const std::string& name) {
  if (drive_letter(name) != 0) return name.size() >= 3 && (name[2] == '/' || name[2] == '\\');
  return !name.empty() && (name[0] == '/' || name[0] == '\\');
}

namespace {

// Appends `parts` to the existing directory `resolved` (already resolved; "" for the root), each
// matched without regard to case as long as the components exist.
std::string resolve_components(std::string resolved, const std::vector<std::string>& parts) {
  bool still_existing = true;
  for (const std::string& part : parts) {
    std::string found;
    if (still_existing) {
      found = find_in_directory(resolved.empty() ? "/" : resolved, part);
      still_existing = !found.empty();
    }
    resolved += "/" + (still_existing ? found : part);
  }
  return resolved.empty() ? "/" : resolved;
}

bool has_dot_components(const std::vector<std::string>& parts) {
  for (const std::string& part : parts) {
    if (part == "." || part == "..") return true;
  }
  return false;
}

}  // namespace

std::string resolve(const std::string& base_dir, const std::string& name) {
  if (drive_letter(name) != 0) return name;
  std::string path = to_slashes(name);
  if (path.empty() || path[0] != '/') {
    std::string base = base_dir.empty() ? current_directory() : to_slashes(base_dir);
    path = base + "/" + path;
  }
  return resolve_components("", fold_dots(split_components(path)));
}

std::string resolve_below(const std::string& resolved_dir, const std::string& name) {
  if (drive_letter(name) != 0) return name;
  std::string path = to_slashes(name);
  if (!path.empty() && path[0] == '/') {
    // An absolute name inside the directory is looked up below it as well.
    const std::string prefix = resolved_dir == "/" ? "/" : resolved_dir + "/";
    if (path.compare(0, prefix.size(), prefix) != 0) return resolve(resolved_dir, path);
    path = path.substr(prefix.size());
  }
  std::vector<std::string> parts = split_components(path);
  if (has_dot_components(parts)) return resolve(resolved_dir, path);
  return resolve_components(resolved_dir == "/" ? "" : resolved_dir, parts);
}

std::string real_path(const std::string& path) {
  if (char* resolved = ::realpath(path.c_str(), nullptr)) {
    std::string result = resolved;
    std::free(resolved);
    return result;
  }
  const std::string dir = dir_name(path);
  if (dir == path) return path;
  if (char* resolved = ::realpath(dir.c_str(), nullptr)) {
    std::string result = join(resolved, last_component(path));
    std::free(resolved);
    return result;
  }
  return path;
}

bool same_file(const std::string& a, const std::string& b) {
  struct stat first;
  struct stat second;
  if (::stat(a.c_str(), &first) != 0 || ::stat(b.c_str(), &second) != 0) return false;
  return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

std::string dir_name(const std::string& path) {
  std::string::size_type slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

unsigned kept_mode(unsigned mode) { return mode & 07777; }

Status status(const std::string& path) {
  Status result;
  if (lookup_refused(path)) return result;
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    record_failure("lookup", path);
    return result;
  }
  result.exists = true;
  result.is_directory = S_ISDIR(st.st_mode);
  result.size = static_cast<std::int64_t>(st.st_size);
  result.mode = static_cast<unsigned>(st.st_mode & 07777);
  return result;
}

bool exists(const std::string& path) { return status(path).exists; }
bool is_directory(const std::string& path) { return status(path).is_directory; }
bool is_readable(const std::string& path) {
  return !lookup_refused(path) && ::access(path.c_str(), R_OK) == 0;
}
bool is_writable(const std::string& path) {
  return !lookup_refused(path) && ::access(path.c_str(), W_OK) == 0;
}

Result remove_file(const std::string& path) {
  if (int refused = refusal("remove", path)) return failure(refused, "remove", path);
  note_directory_change(path);
  return outcome(::unlink(path.c_str()) == 0, "remove", path);
}

Result rename_file(const std::string& from, const std::string& to) {
  if (int refused = refusal("rename", from)) return failure(refused, "rename", from, to);
  if (drive_letter(to) != 0) return failure(ENOENT, "rename", from, to);
  if (int injected = check_fault("rename-to", to)) return failure(injected, "rename", from, to);
  note_directory_change(from);
  note_directory_change(to);
  return outcome(::rename(from.c_str(), to.c_str()) == 0, "rename", from, to);
}

Result set_permissions(const std::string& path, unsigned mode) {
  if (int refused = refusal("chmod", path)) return failure(refused, "chmod", path);
  return outcome(::chmod(path.c_str(), static_cast<mode_t>(mode)) == 0, "chmod", path);
}

Result make_directory(const std::string& path) {
  if (int refused = refusal("mkdir", path)) return failure(refused, "mkdir", path);
  note_directory_change(path);
  return outcome(::mkdir(path.c_str(), 0777) == 0, "mkdir", path);
}

Result truncate_file(const std::string& path, std::int64_t length) {
  if (int refused = refusal("truncate", path)) return failure(refused, "truncate", path);
  return outcome(::truncate(path.c_str(), static_cast<off_t>(length)) == 0, "truncate", path);
}

int create_file(const std::string& path, unsigned mode) {
  if (refuse_or_inject("create", path) != 0) return -1;
  note_directory_change(path);
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, static_cast<mode_t>(mode));
  return fd >= 0 ? fd : record_failure("create", path);
}

bool can_create_beside(const std::string& probe_path, unsigned mode) {
  if (refuse_or_inject("create", probe_path) != 0) return false;
  const std::string directory = dir_name(probe_path);
  int fd = ::open(directory.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, static_cast<mode_t>(mode));
  if (fd >= 0) {
    ::close(fd);
    return true;
  }
  // File systems without unnamed files: a named one, made and removed again.
  if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
    record_failure("create", probe_path);
    return false;
  }
  fd = ::open(probe_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode));
  if (fd < 0) {
    record_failure("create", probe_path);
    return false;
  }
  ::close(fd);
  if (::unlink(probe_path.c_str()) != 0) {
    record_failure("remove", probe_path);
    return false;
  }
  return true;
}

int open_descriptor(const std::string& path, unsigned flags, bool exclusive) {
  bool writing = (flags & (kWrite | kCreate | kTruncate | kAppend)) != 0;
  const char* call = writing ? "open-write" : "open-read";
  if (refuse_or_inject(call, path) != 0) return -1;
  if ((flags & kCreate) != 0) note_directory_change(path);
  int os_flags = O_CLOEXEC;
  if ((flags & kRead) && writing) {
    os_flags |= O_RDWR;
  } else if (writing) {
    os_flags |= O_WRONLY;
  } else {
    os_flags |= O_RDONLY;
  }
  if (flags & kCreate) os_flags |= O_CREAT;
  if (flags & kTruncate) os_flags |= O_TRUNC;
  if (flags & kAppend) os_flags |= O_APPEND;
  int fd = ::open(path.c_str(), os_flags, 0666);
  if (fd < 0) return record_failure(call, path);
  if (exclusive && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int error = errno;
    ::close(fd);
    return fail_with(error, call, path);
  }
  return fd;
}

int close_descriptor(int fd) { return ::close(fd) == 0 ? 0 : record_failure("close", ""); }

std::string error_text(int error) {
  char buffer[256];
  // The GNU strerror_r returns the text, which need not be in the buffer.
  return ::strerror_r(error, buffer, sizeof buffer);
}

bool is_out_of_space(int error) { return error == ENOSPC || error == EDQUOT; }

bool is_symbolic_link(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::string link_target(const std::string& path) {
  constexpr int kMaxLinks = 40;  // the system's own limit for one path
  std::string current = path;
  for (int step = 0; step < kMaxLinks; ++step) {
    if (!is_symbolic_link(current)) return current;
    std::string target(4096, '\0');
    const ssize_t length = ::readlink(current.c_str(), target.data(), target.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) return path;
    target.resize(static_cast<std::size_t>(length));
    if (target[0] != '/') target = join(dir_name(current), target);
    current = real_path(target);  // the directories of the target resolved, its name as given
  }
  return path;
}

namespace {
std::string user_name(uid_t uid) {
  struct passwd entry;
  struct passwd* found = nullptr;
  std::string buffer(16384, '\0');
  if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
    return found->pw_name;
  }
  return "uid " + std::to_string(static_cast<unsigned long>(uid));
}
}  // namespace

std::string owner_name(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return "";
  return user_name(st.st_uid);
}

bool owned_by_current_user(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && st.st_uid == ::geteuid();
}

std::string current_user_name() { return user_name(::geteuid()); }

int create_new_descriptor(const std::string& path, unsigned mode) {
  if (refuse_or_inject("create", path) != 0) return -1;
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode));
  return fd >= 0 ? fd : record_failure("create", path);
}

bool write_descriptor(int fd, const char* data, std::size_t length, const std::string& path) {
  if (check_fault("write", path) != 0) return false;
  std::size_t done = 0;
  while (done < length) {
    ssize_t n = ::write(fd, data + done, length - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      record_failure("write", path);
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

long read_descriptor(int fd, char* buffer, std::size_t size) {
  for (;;) {
    ssize_t n = ::read(fd, buffer, size);
    if (n >= 0) return static_cast<long>(n);
    if (errno != EINTR) return record_failure("read", "");
  }
}

std::FILE* open_stream(const std::string& path, const char* mode) {
  std::string m = mode;
  const char* call = m.find_first_of("wa+") != std::string::npos ? "open-write" : "open-read";
  if (refuse_or_inject(call, path) != 0) return nullptr;
  if (m.find_first_of("wa") != std::string::npos) note_directory_change(path);
  std::FILE* f = std::fopen(path.c_str(), (m + "e").c_str());
  if (f == nullptr) record_failure(call, path);
  return f;
}

std::vector<std::string> list_directory(const std::string& dir) {
  std::vector<std::string> names;
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) {
    record_failure("list", dir);
    return names;
  }
  while (dirent* entry = ::readdir(d)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

std::string current_directory() {
  std::string buffer(4096, '\0');
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return ".";
    buffer.resize(buffer.size() * 2);
  }
  return buffer.c_str();
}

std::string temp_directory() {
  const char* value = std::getenv("TMPDIR");
  if (value != nullptr && *value != '\0') return value;
  return "/tmp";
}

Result sync_file(const std::string& path) {
  if (int refused = refusal("sync", path)) return failure(refused, "sync", path);
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return failure(errno, "sync", path);
  int rc = ::fsync(fd);
  int error = errno;
  ::close(fd);
  return rc == 0 ? outcome(true, "sync", path) : failure(error, "sync", path);
}

Result sync_directory(const std::string& dir) {
  if (int refused = refusal("sync", dir)) return failure(refused, "sync", dir);
  detail::forget_directory_change(dir);
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return failure(errno, "sync", dir);
  int rc = ::fsync(fd);
  int error = errno;
  ::close(fd);
  // Some file systems cannot sync a directory; the rename itself has then been done all the same.
  const bool unsupported = rc != 0 && (error == EINVAL || error == EROFS);
  return rc == 0 || unsupported ? outcome(true, "sync", dir) : failure(error, "sync", dir);
}

std::FILE* create_new_stream(const std::string& path, unsigned mode) {
  if (refuse_or_inject("create", path) != 0) return nullptr;
  note_directory_change(path);
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode));
  if (fd < 0) {
    record_failure("create", path);
    return nullptr;
  }
  std::FILE* f = ::fdopen(fd, "wb");
  if (f == nullptr) {
    int error = errno;
    ::close(fd);
    ::unlink(path.c_str());
    failure(error, "create", path);
  }
  return f;
}

Result set_stream_permissions(std::FILE* stream, const std::string& path, unsigned mode) {
  if (int refused = refusal("chmod", path)) return failure(refused, "chmod", path);
  return outcome(::fchmod(::fileno(stream), static_cast<mode_t>(mode)) == 0, "chmod", path);
}

Result sync_stream(std::FILE* stream, const std::string& path) {
  // The buffered data reaches the file first, so that the hook sees what the flush will keep.
  if (std::fflush(stream) != 0) return failure(errno, "flush", path);
  if (int refused = refusal("sync", path)) return failure(refused, "sync", path);
  return outcome(::fsync(::fileno(stream)) == 0, "sync", path);
}

}  // namespace kv::fs
