// Home-directory file operations: every relative name is resolved against the home directory of
// its half of the program (absolute paths are built; the process never changes directory).
#include "client/common/home.h"

#include <cstdint>
#include <random>

#include "client/common/file_rewrite.h"
#include "client/common/text.h"
#include "platform/clock.h"
#include "platform/fs.h"

namespace kv {
namespace {

constexpr int kMaxNameAttempts = 1000000;
constexpr unsigned kWriteRights = 0222;
constexpr unsigned kOwnerWrite = 0200;

// Source of the six digits of work-file names. It is seeded once per process (time and tick
// count), so names drawn one after another differ even within the same second.
std::minstd_rand& work_name_generator() {
  static std::minstd_rand generator(static_cast<std::uint32_t>(
      clock().epoch_seconds() * 1000 + clock().ticks_ms()));
  return generator;
}

}  // namespace

void HomeDirectory::set(const std::string& dir) {
  dir_ = dir;
  resolved_dir_.clear();
}

std::string HomeDirectory::fullpath(const std::string& name) const {
  if (dir_.empty()) return fs::resolve(dir_, name);
  if (resolved_dir_.empty()) {
    std::string resolved = fs::resolve("", dir_);
    if (!fs::is_directory(resolved)) return fs::resolve(dir_, name);
    resolved_dir_ = resolved;
  }
  return fs::resolve_below(resolved_dir_, name);
}

std::string HomeDirectory::own_file_path(const std::string& name) const {
  const std::string home = fullpath("");
  return fs::join(home, name);
}

int HomeDirectory::access(const std::string& name, int mode) const {
  std::string path = fullpath(name);
  if (!fs::exists(path)) return -1;
  if ((mode & 4) && !fs::is_readable(path)) return -1;
  if ((mode & 2) && !fs::is_writable(path)) return -1;
  return 0;
}

OpenFile HomeDirectory::open(const std::string& name, const char* mode) const {
  return OpenFile(fs::open_stream(fullpath(name), mode));
}

int HomeDirectory::creat(const std::string& name, unsigned mode) const {
  return fs::create_file(fullpath(name), mode);
}

int HomeDirectory::close(int fd) const { return fs::close_descriptor(fd); }

int HomeDirectory::sopen(const std::string& name, unsigned flags, bool exclusive) const {
  return fs::open_descriptor(fullpath(name), flags, exclusive);
}

fs::Result HomeDirectory::chmod(const std::string& name, unsigned mode) const {
  return fs::set_permissions(fullpath(name), mode);
}

int HomeDirectory::stat(const std::string& name, long long* size) const {
  fs::Status st = fs::status(fullpath(name));
  if (!st.exists) return -1;
  if (size != nullptr) *size = st.size;
  return 0;
}

fs::Result HomeDirectory::remove(const std::string& name) const {
  return fs::remove_file(fullpath(name));
}

fs::Result HomeDirectory::rename(const std::string& from, const std::string& to) const {
  return fs::rename_file(fullpath(from), fullpath(to));
}

fs::Result HomeDirectory::cut_back(const std::string& name, long long length) const {
  if (length < 0) return remove(name);
  return fs::truncate_file(fullpath(name), length);
}

std::string HomeDirectory::mktemp(const std::string& templ) const {
  return fs::make_unique_name(fullpath(templ));
}

fs::Result HomeDirectory::remove_work_file(const std::string& name) const {
  return remove_work_path(fullpath(name));
}

fs::Result HomeDirectory::remove_work_path(const std::string& full_path) const {
  if (starts_with_ignore_case(base_name(full_path), "VQ") && fs::status(full_path).size > 0) {
    return fs::Result{0, "remove", full_path, ""};  // a growing VQ file is kept
  }
  return fs::remove_file(full_path);
}

void HomeDirectory::set_read_only(const std::string& name) const {
  const fs::Status st = fs::status(fullpath(name));
  if (st.exists) chmod(name, st.mode & ~kWriteRights);
}

void HomeDirectory::set_read_write(const std::string& name) const {
  const std::string path = fullpath(name);
  const fs::Status st = fs::status(path);
  if (!st.exists || chmod(name, st.mode | kOwnerWrite).ok() || fs::owned_by_current_user(path)) {
    return;
  }
  // Another user's file, which only its owner may make writable (two users of one home take
  // turns): it is replaced by this user's own copy, in one step.
  FileRewrite copy;
  if (!copy.begin(path, {.new_file_mode = (st.mode & 0777u) | kOwnerWrite, .keep_mode = false})) {
    return;
  }
  if (copy.copy_from(copy.in())) {
    copy.commit();
  } else {
    copy.abandon();
  }
}

std::string HomeDirectory::unique_work_name(const std::string& extension,
                                            const std::string& tmp_dir) const {
  std::string prefix = extension == "tmp" ? tmp_dir : "";
  std::string name;
  for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
    name = prefix + random_work_name(extension);
    if (access(name, 0) != 0) return name;
  }
  return "";
}

HomeDirectory& app_home() {
  static HomeDirectory home;
  return home;
}

HomeDirectory& engine_home() {
  static HomeDirectory home;
  return home;
}

std::string random_work_name(const std::string& extension) {
  return format("KV%06u.", static_cast<unsigned>(work_name_generator()() % 1000000)) + extension;
}

std::string base_name(const std::string& path) {
  std::string::size_type cut = path.find_last_of(":\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace kv
