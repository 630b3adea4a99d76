// Home-directory file operations. The application half and the engine half each have a home
// directory; every relative name resolves against the home directory of its half (names may use
// "/" or "\" and are found without regard to case).
#pragma once

#include <string>

#include "client/common/open_files.h"
#include "platform/fs_result.h"

namespace kv {

class HomeDirectory {
 public:
  void set(const std::string& dir);
  const std::string& dir() const { return dir_; }

  // Full path of `name` against this home directory (case-insensitive lookup). The home
  // directory itself is fixed for the run: it is resolved once, at its first use, and only the
  // components below it are looked up for every name.
  std::string fullpath(const std::string& name) const;
  // Full path of a file whose name the program made itself in this directory (a work file, as
  // "KVnnnnnn.edi"): the name is exact, so nothing is searched; a file that only differs in
  // case is never taken for it.
  std::string own_file_path(const std::string& name) const;
  // mode 0: exists, 4: readable, 2: writable; 0 when the test holds, -1 when not.
  int access(const std::string& name, int mode) const;
  // A stream like fopen's (mode "r", "wb", "a", ...); not open when that fails.
  OpenFile open(const std::string& name, const char* mode) const;
  int creat(const std::string& name, unsigned mode) const;  // descriptor or -1
  int close(int fd) const;
  // Opens with kv::fs::OpenFlags; `exclusive` denies every other opener (the "deny all" share
  // mode). A descriptor or -1.
  int sopen(const std::string& name, unsigned flags, bool exclusive) const;
  fs::Result chmod(const std::string& name, unsigned mode) const;
  int stat(const std::string& name, long long* size = nullptr) const;  // 0 = exists
  fs::Result remove(const std::string& name) const;
  fs::Result rename(const std::string& from, const std::string& to) const;
  // Puts a file back to the length it had before something was appended to it; a length below 0
  // (the file did not exist then) removes it.
  fs::Result cut_back(const std::string& name, long long length) const;
  // Unique name from a template ending in "XXXXXX", as a full path; empty when none found.
  std::string mktemp(const std::string& templ) const;

  // remove_work_file: keeps a non-empty file whose base name begins with "VQ" (any case), which
  // counts as a success.
  fs::Result remove_work_file(const std::string& name) const;
  // The same for a full path that is already resolved (nothing is looked up again).
  fs::Result remove_work_path(const std::string& full_path) const;
  // When the file exists: read-only takes every write right away and keeps the read rights it
  // had; read-write gives its owner the write right back. A file of another user that only its
  // owner may change so is replaced by this user's own copy (the home directory is shared).
  void set_read_only(const std::string& name) const;
  void set_read_write(const std::string& name) const;
  // "KV" + six digits + "." + extension, not yet present; with extension "tmp" the TMP directory
  // (when set) is put in front. Returns the name as the callers store it.
  std::string unique_work_name(const std::string& extension, const std::string& tmp_dir) const;

 private:
  std::string dir_;
  mutable std::string resolved_dir_;  // dir_ resolved, once it has been found
};

HomeDirectory& app_home();
HomeDirectory& engine_home();

// "KV" + six random digits + "." + extension: the form of every work-file name, not yet tested
// for being free (HomeDirectory::unique_work_name does that).
std::string random_work_name(const std::string& extension);

// Part after the last ":", "\" or "/".
std::string base_name(const std::string& path);

}  // namespace kv
