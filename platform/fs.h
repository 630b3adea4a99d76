// File-system facility. Names that come from files or the command line may use "/" or "\" as
// separators and may carry a drive prefix ("X:"); existing files and directories are found without
// regard to letter case, component by component (exact match first, else the first
// case-insensitive match in byte order). New files are created with the name as given.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/fs_result.h"

namespace kv::fs {

// "X:" or "X:\..." prefix: the drive letter in upper case, or 0 when the name has none.
char drive_letter(const std::string& name);
// Linux has no drives: a drive can never be selected.
bool drive_exists(char letter);

// Replaces every "\" by "/".
std::string to_slashes(const std::string& name);
bool is_absolute(const std::string& name);

// Paths given to the functions below are used as they are: resolve() them first.

// Full path of `name` (relative names are taken against `base_dir`), with "." and ".." folded and
// every existing component matched without regard to case. A drive-qualified name is returned
// with its drive prefix unchanged (it cannot be resolved on this system).
std::string resolve(const std::string& base_dir, const std::string& name);
// The same for a name inside `resolved_dir`, a directory already resolved: only the components
// below it are looked up (a name with "." or "..", or an absolute one elsewhere, is resolved
// whole).
std::string resolve_below(const std::string& resolved_dir, const std::string& name);

// `path` with every symbolic link and "." / ".." resolved; for a file that does not exist, its
// directory resolved and its own name as given. The path as given when neither exists.
std::string real_path(const std::string& path);
// True when both paths exist and name the same file (links followed, hard links included).
bool same_file(const std::string& a, const std::string& b);

// Directory part of a full path (up to, not including, the last "/"); "/" for the root.
std::string dir_name(const std::string& path);
// Part after the last "/", "\" or ":".
std::string last_component(const std::string& path);
std::string join(const std::string& dir, const std::string& name);

struct Status {
  bool exists = false;
  bool is_directory = false;
  std::int64_t size = 0;
  unsigned mode = 0;  // permission bits
};
Status status(const std::string& path);
// The permission bits that `status` reports for a file given `mode`: all of them where the system
// keeps owner, group and others apart; on Windows only whether the file may be written (0400 or
// 0600), since a read-only attribute is all it keeps.
unsigned kept_mode(unsigned mode);
bool exists(const std::string& path);
bool is_directory(const std::string& path);
bool is_readable(const std::string& path);
bool is_writable(const std::string& path);

// The calls that only change something return their Result (fs_result.h); a failure is also kept
// as last_failure(), with its errno value in errno.
Result remove_file(const std::string& path);                         // "remove"
Result rename_file(const std::string& from, const std::string& to);  // "rename", both names
Result set_permissions(const std::string& path, unsigned mode);      // "chmod": 0400 or 0600
Result make_directory(const std::string& path);                      // "mkdir"
// Cuts the file at `path` back (or extends it with zero bytes) to `length` bytes; "truncate".
Result truncate_file(const std::string& path, std::int64_t length);

// Creates or truncates a file with the given permission bits; returns a descriptor or -1.
int create_file(const std::string& path, unsigned mode);
// Whether a new file can be made in the directory of `probe_path`: on a system that can make a
// file without a name there, one is made and closed (nothing stays behind, whenever the process
// ends); elsewhere a file `probe_path` is made and removed again. The fault hook sees "create"
// of `probe_path`.
bool can_create_beside(const std::string& probe_path, unsigned mode);
// Opens with flags from kv::fs::OpenFlags; exclusive means an advisory lock that no other process
// holds (the file's "deny all" share mode).
enum OpenFlags : unsigned { kRead = 1, kWrite = 2, kCreate = 4, kTruncate = 8, kAppend = 16 };
int open_descriptor(const std::string& path, unsigned flags, bool exclusive);
int close_descriptor(int fd);
// The last call of this thread that failed: the calls that return a descriptor, a stream, a
// count or a truth value say no more than that they failed; this says which call on which path
// failed and why. Successes leave it as it is.
Result last_failure();
constexpr int kTooManyOpenFiles = 24;
// What an errno value means, in words ("No space left on device").
std::string error_text(int error);
// True for the errors of a full disk or an exhausted quota.
bool is_out_of_space(int error);

// The file that `path` stands for when it is a symbolic link: the chain of links is followed to
// its end (a link whose target does not exist yet gives the target's full path). `path` itself
// when it is no link, or when the chain is circular or too long.
std::string link_target(const std::string& path);
bool is_symbolic_link(const std::string& path);
// The user who owns `path`, by name ("uid 1234" when the user has none); empty when `path` does
// not exist.
std::string owner_name(const std::string& path);
// True when `path` exists and belongs to the user this process runs as.
bool owned_by_current_user(const std::string& path);
std::string current_user_name();
constexpr int kNameTaken = 17;  // EEXIST: a new file's name is in use

// Replaces the trailing run of "X" in `templ` (for example "TMXXXXXX") until the name is free in
// its directory; returns the new name or an empty text when none could be found.
std::string make_unique_name(const std::string& templ);

// Names (not paths) in a directory, sorted in byte order; empty when it cannot be read.
std::vector<std::string> list_directory(const std::string& dir);

std::string current_directory();
std::string temp_directory();     // $TMPDIR or /tmp

// Forces writes of a file to disk (used before a rename that replaces a file); "sync".
Result sync_file(const std::string& path);

// Forces the directory entry changes of `dir` (a rename, a new file) to disk; "sync".
Result sync_directory(const std::string& dir);

// Flushes every directory in which this process made, renamed or removed a file since the
// directory was last flushed: before the step that tells the next start that the work is done.
// The failure of the first that could not be flushed (and still exists), else a success.
Result sync_changed_directories();
// Notes that an entry of the directory of `path` changed (for operations outside this file).
void note_directory_change(const std::string& path);

// One batch flush after a group of files is written: the data of every named file, then the
// entries of each of their directories (once per directory). The first failure (the files after
// it are still flushed), else a success.
Result sync_files(const std::vector<std::string>& paths);

// Creates a file that must not exist yet (a fresh temporary name) for writing, with the given
// permission bits (the process's file-creation mask applies); nullptr on failure.
std::FILE* create_new_stream(const std::string& path, unsigned mode);
// Sets the permission bits of the file behind an open stream exactly (no mask); operation "chmod".
Result set_stream_permissions(std::FILE* stream, const std::string& path, unsigned mode);
// Flushes a stream and forces its file to disk; operation "sync".
Result sync_stream(std::FILE* stream, const std::string& path);

// Creates a file that must not exist yet for writing, with the given permission bits (the
// creation mask applies); a descriptor, or -1 (last_failure() EEXIST when the name is taken).
// Operation "create".
int create_new_descriptor(const std::string& path, unsigned mode);
// Writes all of `data` to a descriptor open on `path` (the path names the call for fault
// injection, operation "write"); false when not all of it was written.
bool write_descriptor(int fd, const char* data, std::size_t length, const std::string& path);
// Reads up to `size` bytes; the number read, 0 at the end of the file, -1 on failure.
long read_descriptor(int fd, char* buffer, std::size_t size);

// Opens a stream like fopen (not inherited by started programs); nullptr on failure.
std::FILE* open_stream(const std::string& path, const char* mode);
// The whole content of the file at `path`; false when it cannot be opened or read.
bool read_whole_file(const std::string& path, std::string& content);
// fwrite of `data` to a stream opened for `path` (the path only names the call for fault
// injection, operation "write"); returns the number of bytes written.
std::size_t write_stream(std::FILE* stream, const std::string& data, const std::string& path);
std::size_t write_stream(std::FILE* stream, const char* data, std::size_t length,
                         const std::string& path);
// fflush of a stream opened for `path` (operation "flush" for fault injection).
Result flush_stream(std::FILE* stream, const std::string& path);

// Fault injection for tests. The hook is consulted by the operations that change or open files
// ("create", "open-write", "open-read", "remove", "rename", "chmod", "mkdir", "truncate", "sync")
// and by the writes ("write", and "flush" of a stream's buffer); a rename announces its target
// right after its source as "rename-to", and a new second name of a file (file_lock.h) as "link".
// With `with_lookups` it is also consulted by every look-up of a name (a stat, an access test, a
// directory listing of the case-insensitive search: "lookup"), which then finds nothing when
// refused. The hook is consulted before the operation; a non-zero result is the errno value with
// which the operation fails without being performed, with the same Result as a real failure of it.
// An empty hook switches injection off.
using FaultHook = std::function<int(const char* operation, const std::string& path)>;
void set_fault_hook(FaultHook hook, bool with_lookups = false);
// 0 to go on; otherwise the injected errno value (also kept as last_failure(), of `operation`
// on `path`).
int check_fault(const char* operation, const std::string& path);

}  // namespace kv::fs
