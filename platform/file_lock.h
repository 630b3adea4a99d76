// Files held by one process for the length of a run: created new, locked, and written in synced
// appends. The lock goes with the descriptor, so a process that dies releases it at once.
#pragma once

#include <string>

#include "platform/fs_result.h"

namespace kv::fs {

// Every operation on a named file consults the file system's fault hook (fs.h) like the others:
// "create", "open-write", "link" (with the new name), "write", "sync" and "truncate" (with the
// file's path), and the look-ups of a name ("lookup", when the hook sees look-ups). The lock and
// the reads of an open descriptor are not file operations of their own.

// Creates `path`, failing when it exists (O_EXCL), read-write with `mode`. A descriptor or -1
// (last_failure() says why).
int create_new_file(const std::string& path, unsigned mode);
// Opens an existing file read-write. A descriptor or -1 (last_failure() says why).
int open_existing_file(const std::string& path);
// Takes the exclusive lock on `fd` without waiting: true when this process now holds it.
bool try_lock_exclusive(int fd);
// True when `path` names the very file open as `fd` (it was not removed or replaced meanwhile).
bool names_open_file(int fd, const std::string& path);
// Gives the file `from` the second name `to`; fails when `to` exists. "link", both names.
Result link_file(const std::string& from, const std::string& to);
// Device and inode of `path` as text, "" when it does not exist: a file replaced by a rename
// gets a new identity.
std::string file_identity(const std::string& path);
// file_identity plus size and modification time: it changes when the file is written.
std::string file_fingerprint(const std::string& path);
// Whole content of `fd` from its start; false on a read error.
bool read_whole(int fd, std::string& text);
// Appends `text` at the end of `fd` (the file at `path`) and flushes it to disk: the Result of
// the "write" or of the "sync".
Result append_synced(int fd, const std::string& text, const std::string& path);
// Empties `fd` (the file at `path`) and flushes that to disk: the Result of the "truncate" or of
// the "sync".
Result truncate_synced(int fd, const std::string& path);

}  // namespace kv::fs
