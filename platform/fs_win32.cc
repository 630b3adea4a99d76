// File-system facility on Windows: the wide-character API, with the program's names converted
// at this seam (win32_names.h). Descriptors are those of the C run-time library, made from the
// system's handles, so that streams and descriptors work as on the other platforms. Files are
// opened with every sharing mode except where an exclusive open asks for none, so that a file
// one step holds open can still be renamed or replaced by another.
//
// Where the layers above rely on what POSIX does, that is kept: a rename replaces its target
// and a removal removes the file even when the file itself is marked read-only (on POSIX a
// file's own permission bits never keep it from being replaced or removed).
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/fs.h"
#include "platform/fs_internal.h"
#include "platform/win32_names.h"

namespace kv::fs {
namespace {

using detail::fail_with;
using detail::failure;
using detail::lookup_refused;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr unsigned kOwnerWrite = 0200;

// The failure of `call` on `path` (and `second_path`) as the system's last error, recorded.
Result system_failure(const char* call, const std::string& path,
                      const std::string& second_path = "") {
  return failure(win32::errno_from(::GetLastError()), call, path, second_path);
}

int record_failure(const char* call, const std::string& path) {
  system_failure(call, path);
  return -1;
}

// `call` on `path` as done when `done`, else as the system's last error.
Result system_outcome(bool done, const char* call, const std::string& path) {
  return done ? Result{0, call, path, ""} : system_failure(call, path);
}

// The errno value with which `operation` on `path` is refused (the failure recorded): ENOENT for
// a name without a wide form, else a fault injected by the hook; 0 to go on, with the wide name
// of `path` in `wide`.
int refusal(const char* operation, const std::string& path, std::wstring* wide) {
  *wide = win32::system_path(path);
  if (wide->empty()) return failure(ENOENT, operation, path).error;
  return check_fault(operation, path);
}

// True to go on with `operation` (see refusal()).
bool prepare(const char* operation, const std::string& path, std::wstring* wide) {
  return refusal(operation, path, wide) == 0;
}

DWORD attributes_of(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()); }

bool is_read_only_file(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
         (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool clear_read_only(const std::wstring& path, DWORD attributes) {
  DWORD cleared = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
  return ::SetFileAttributesW(path.c_str(), cleared == 0 ? FILE_ATTRIBUTE_NORMAL : cleared) != 0;
}

bool set_read_only(const std::wstring& path, bool read_only) {
  DWORD attributes = attributes_of(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return true;  // not meaningful for folders
  if (!read_only) return clear_read_only(path, attributes);
  attributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL);
  return ::SetFileAttributesW(path.c_str(), attributes | FILE_ATTRIBUTE_READONLY) != 0;
}

// A descriptor of the C library for `handle` (which it then owns); -1 after closing the handle.
// `call` and `path` name the open for a failure.
int descriptor_for(HANDLE handle, int flags, const char* call, const std::string& path) {
  if (handle == INVALID_HANDLE_VALUE) return record_failure(call, path);
  int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_BINARY);
  if (fd < 0) {
    ::CloseHandle(handle);
    return fail_with(EMFILE, call, path);
  }
  return fd;
}

HANDLE open_handle(const std::wstring& path, DWORD access, DWORD share, DWORD disposition) {
  // Windows refuses to write a file marked read-only; Wine run by root does not (it keeps the
  // mark as permission bits, which root passes), so the rule is kept here as well.
  if ((access & GENERIC_WRITE) != 0 && disposition != CREATE_NEW) {
    DWORD attributes = attributes_of(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
      ::SetLastError(ERROR_ACCESS_DENIED);
      return INVALID_HANDLE_VALUE;
    }
  }
  return ::CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

// An open of a file or folder only to ask about it.
HANDLE open_for_information(const std::wstring& path) {
  return ::CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool file_information(const std::string& path, BY_HANDLE_FILE_INFORMATION* info) {
  std::wstring wide = win32::system_path(path);
  if (wide.empty()) return false;
  HANDLE handle = open_for_information(wide);
  if (handle == INVALID_HANDLE_VALUE) return false;
  bool ok = ::GetFileInformationByHandle(handle, info) != 0;
  ::CloseHandle(handle);
  return ok;
}

// "X:/" for a drive path, "//server/share" for a network path; the rest after it.
void split_root(const std::string& absolute, std::string* root, std::string* rest) {
  if (drive_letter(absolute) != 0) {
    *root = std::string(1, drive_letter(absolute)) + ":/";
    *rest = absolute.size() > 3 ? absolute.substr(3) : "";
    return;
  }
  std::vector<std::string> parts = detail::split_components(absolute);
  *root = "//" + (parts.size() > 0 ? parts[0] : "") + "/" + (parts.size() > 1 ? parts[1] : "");
  std::string::size_type start = absolute.find('/', 2);
  start = start == std::string::npos ? std::string::npos : absolute.find('/', start + 1);
  *rest = start == std::string::npos ? "" : absolute.substr(start + 1);
}

bool is_unc(const std::string& path) { return path.size() > 2 && path[0] == '/' && path[1] == '/'; }

// The current directory of drive `letter`, as the system keeps it per drive.
std::string drive_directory(char letter) {
  std::string drive = std::string(1, letter) + ":";
  std::wstring full = win32::system_path(drive);
  return full.empty() ? drive + "/" : win32::program_path(full);
}

// `name` (with "/" separators) made absolute against `base`.
std::string absolute_name(const std::string& base_dir, const std::string& name) {
  std::string base = to_slashes(base_dir.empty() ? current_directory() : base_dir);
  char drive = drive_letter(name);
  if (drive != 0) {
    if (name.size() >= 3 && name[2] == '/') return name;
    // "X:name": relative to the current directory of that drive.
    std::string dir = drive_letter(base) == drive ? base : drive_directory(drive);
    return dir + "/" + name.substr(2);
  }
  if (is_unc(name)) return name;
  if (!name.empty() && name[0] == '/') {
    if (is_unc(base)) {
      std::string root, rest;
      split_root(base, &root, &rest);
      return root + name;
    }
    return base.substr(0, 2) + name;
  }
  return base + "/" + name;
}

// The name of `component` as it is spelled in the folder `dir`; empty when it is not there.
std::string spelling_in(const std::string& dir, const std::string& component) {
  if (component.find_first_of("*?") != std::string::npos || lookup_refused(dir)) return "";
  std::wstring wide = win32::system_path(join(dir, component));
  if (wide.empty()) return "";
  WIN32_FIND_DATAW found;
  HANDLE search = ::FindFirstFileExW(wide.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                     nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return "";
  ::FindClose(search);
  bool lossy = false;
  std::string name = win32::narrow(found.cFileName, &lossy);
  return lossy ? component : name;
}

// Performs `change` (a removal or a replacement of the file `target`) as POSIX would: a file
// marked read-only is changed all the same (the mark is put back when the change fails), and a
// file that another program (a virus scanner, an indexer) holds open for a moment is waited for,
// up to a second. ERROR_SUCCESS, or the error of the last attempt.
template <typename Change>
DWORD changed_patiently(const std::wstring& target, Change change) {
  constexpr int kAttempts = 20;
  constexpr DWORD kPauseMs = 50;
  DWORD error = ERROR_SUCCESS;
  for (int attempt = 1;; ++attempt) {
    if (change()) return ERROR_SUCCESS;
    error = ::GetLastError();
    DWORD attributes = attributes_of(target);
    if (error == ERROR_ACCESS_DENIED && is_read_only_file(attributes) &&
        clear_read_only(target, attributes)) {
      if (change()) return ERROR_SUCCESS;
      error = ::GetLastError();
      ::SetFileAttributesW(target.c_str(), attributes);
    }
    if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) || attempt == kAttempts) {
      return error;
    }
    ::Sleep(kPauseMs);
  }
}

}  // namespace

namespace detail {

bool name_taken(const std::string& dir, const std::string& name) {
  std::wstring wide = win32::system_path(join(dir, name));
  return wide.empty() || attributes_of(wide) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace detail

bool drive_exists(char letter) {
  if (letter < 'A' || letter > 'Z') return false;
  return (::GetLogicalDrives() & (1u << (letter - 'A'))) != 0;
}

bool is_absolute(const std::string& name) {
  if (drive_letter(name) != 0) return name.size() >= 3 && (name[2] == '/' || name[2] == '\\');
  return is_unc(to_slashes(name));
}

namespace {

// Appends `parts` to the existing folder `result` (already resolved), each spelled as the folder
// spells it as long as the components exist.
std::string spell_components(std::string result, const std::vector<std::string>& parts) {
  bool still_existing = true;
  for (const std::string& part : parts) {
    std::string spelled = still_existing ? spelling_in(result, part) : "";
    if (spelled.empty()) still_existing = false;
    result = join(result, spelled.empty() ? part : spelled);
  }
  return result;
}

}  // namespace

std::string resolve(const std::string& base_dir, const std::string& name) {
  std::string root, rest;
  split_root(absolute_name(base_dir, to_slashes(name)), &root, &rest);
  return spell_components(root, detail::fold_dots(detail::split_components(rest)));
}

std::string resolve_below(const std::string& resolved_dir, const std::string& name) {
  const std::string path = to_slashes(name);
  if (drive_letter(path) != 0 || is_absolute(path) || (!path.empty() && path[0] == '/')) {
    return resolve(resolved_dir, path);
  }
  const std::vector<std::string> parts = detail::split_components(path);
  for (const std::string& part : parts) {
    if (part == "." || part == "..") return resolve(resolved_dir, path);
  }
  return spell_components(resolved_dir, parts);
}

std::string real_path(const std::string& path) {
  std::wstring wide = win32::system_path(path);
  HANDLE handle = wide.empty() ? INVALID_HANDLE_VALUE : open_for_information(wide);
  if (handle != INVALID_HANDLE_VALUE) {
    std::vector<wchar_t> buffer(32768);
    DWORD length = ::GetFinalPathNameByHandleW(handle, buffer.data(),
                                               static_cast<DWORD>(buffer.size()), 0);
    ::CloseHandle(handle);
    if (length > 0 && length < buffer.size()) {
      return win32::program_path(std::wstring(buffer.data(), length));
    }
  }
  const std::string dir = dir_name(path);
  if (dir == path) return path;
  std::wstring wide_dir = win32::system_path(dir);
  if (!wide_dir.empty() && attributes_of(wide_dir) != INVALID_FILE_ATTRIBUTES) {
    return join(real_path(dir), last_component(path));
  }
  return path;
}

bool same_file(const std::string& a, const std::string& b) {
  BY_HANDLE_FILE_INFORMATION first, second;
  if (!file_information(a, &first) || !file_information(b, &second)) return false;
  return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh &&
         first.nFileIndexLow == second.nFileIndexLow;
}

std::string dir_name(const std::string& path) {
  std::string::size_type slash = path.find_last_of("/\\");
  if (slash == std::string::npos) return drive_letter(path) != 0 ? path.substr(0, 2) : ".";
  if (drive_letter(path) != 0 && slash == 2) return path.substr(0, 3);  // "X:/"
  if (slash == 0) return path.substr(0, 1);
  if (is_unc(to_slashes(path))) {
    std::string root, rest;
    split_root(to_slashes(path), &root, &rest);
    if (rest.empty() || slash < root.size()) return root;
  }
  return path.substr(0, slash);
}

unsigned kept_mode(unsigned mode) { return 0400 | (mode & kOwnerWrite); }

Status status(const std::string& path) {
  Status result;
  if (lookup_refused(path)) return result;
  std::wstring wide = win32::system_path(path);
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (wide.empty()) {
    fail_with(ENOENT, "lookup", path);
    return result;
  }
  if (!::GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) {
    record_failure("lookup", path);
    return result;
  }
  result.exists = true;
  result.is_directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  result.size = (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  // Windows knows only "read-only": as the permission bits 0400, else 0600 (0700 a folder).
  if (result.is_directory) {
    result.mode = 0700;
  } else {
    result.mode = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0400 : 0600;
  }
  return result;
}

bool exists(const std::string& path) { return status(path).exists; }
bool is_directory(const std::string& path) { return status(path).is_directory; }

bool is_readable(const std::string& path) {
  std::wstring wide = win32::system_path(path);
  if (wide.empty() || lookup_refused(path)) return false;
  DWORD attributes = attributes_of(wide);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return true;
  HANDLE handle = open_handle(wide, GENERIC_READ, kShareAll, OPEN_EXISTING);
  if (handle == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(handle);
  return true;
}

bool is_writable(const std::string& path) {
  std::wstring wide = win32::system_path(path);
  if (wide.empty() || lookup_refused(path)) return false;
  DWORD attributes = attributes_of(wide);
  return attributes != INVALID_FILE_ATTRIBUTES && !is_read_only_file(attributes);
}

Result remove_file(const std::string& path) {
  std::wstring wide;
  if (int refused = refusal("remove", path, &wide)) return failure(refused, "remove", path);
  note_directory_change(path);
  DWORD error = changed_patiently(wide, [&] { return ::DeleteFileW(wide.c_str()) != 0; });
  if (error != ERROR_SUCCESS) return failure(win32::errno_from(error), "remove", path);
  return Result{0, "remove", path, ""};
}

Result rename_file(const std::string& from, const std::string& to) {
  std::wstring wide_from;
  if (int refused = refusal("rename", from, &wide_from)) {
    return failure(refused, "rename", from, to);
  }
  std::wstring wide_to = win32::system_path(to);
  if (wide_to.empty()) return failure(ENOENT, "rename", from, to);
  if (int injected = check_fault("rename-to", to)) return failure(injected, "rename", from, to);
  note_directory_change(from);
  note_directory_change(to);
  DWORD error = changed_patiently(wide_to, [&] {
    return ::MoveFileExW(wide_from.c_str(), wide_to.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  });
  if (error != ERROR_SUCCESS) return failure(win32::errno_from(error), "rename", from, to);
  return Result{0, "rename", from, to};
}

Result set_permissions(const std::string& path, unsigned mode) {
  std::wstring wide;
  if (int refused = refusal("chmod", path, &wide)) return failure(refused, "chmod", path);
  return system_outcome(set_read_only(wide, (mode & kOwnerWrite) == 0), "chmod", path);
}

Result make_directory(const std::string& path) {
  std::wstring wide;
  if (int refused = refusal("mkdir", path, &wide)) return failure(refused, "mkdir", path);
  note_directory_change(path);
  return system_outcome(::CreateDirectoryW(wide.c_str(), nullptr) != 0, "mkdir", path);
}

Result truncate_file(const std::string& path, std::int64_t length) {
  std::wstring wide;
  if (int refused = refusal("truncate", path, &wide)) return failure(refused, "truncate", path);
  HANDLE handle = open_handle(wide, GENERIC_WRITE, kShareAll, OPEN_EXISTING);
  if (handle == INVALID_HANDLE_VALUE) return system_failure("truncate", path);
  LARGE_INTEGER position;
  position.QuadPart = length;
  bool ok = ::SetFilePointerEx(handle, position, nullptr, FILE_BEGIN) && ::SetEndOfFile(handle);
  DWORD error = ::GetLastError();
  ::CloseHandle(handle);
  if (!ok) return failure(win32::errno_from(error), "truncate", path);
  return Result{0, "truncate", path, ""};
}

int create_file(const std::string& path, unsigned mode) {
  std::wstring wide;
  if (!prepare("create", path, &wide)) return -1;
  note_directory_change(path);
  int fd = descriptor_for(open_handle(wide, GENERIC_WRITE, kShareAll, CREATE_ALWAYS), _O_WRONLY,
                          "create", path);
  // As with POSIX permission bits, the creating descriptor may still write a read-only file.
  if (fd >= 0 && (mode & kOwnerWrite) == 0) set_read_only(wide, true);
  return fd;
}

// The probe file is opened delete-on-close: the system removes it when the handle closes, also
// when the process is ended in between, so no probe is ever left behind.
bool can_create_beside(const std::string& probe_path, unsigned /*mode*/) {
  std::wstring wide;
  if (!prepare("create", probe_path, &wide)) return false;
  HANDLE handle = ::CreateFileW(wide.c_str(), GENERIC_WRITE, kShareAll, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    record_failure("create", probe_path);
    return false;
  }
  ::CloseHandle(handle);
  return true;
}

int open_descriptor(const std::string& path, unsigned flags, bool exclusive) {
  bool writing = (flags & (kWrite | kCreate | kTruncate | kAppend)) != 0;
  const char* call = writing ? "open-write" : "open-read";
  std::wstring wide;
  if (!prepare(call, path, &wide)) return -1;
  if ((flags & kCreate) != 0) note_directory_change(path);
  DWORD access = 0;
  int crt_flags = 0;
  if ((flags & kRead) && writing) {
    access = GENERIC_READ | GENERIC_WRITE;
    crt_flags = _O_RDWR;
  } else if (writing) {
    access = GENERIC_WRITE;
    crt_flags = _O_WRONLY;
  } else {
    access = GENERIC_READ;
    crt_flags = _O_RDONLY;
  }
  if (flags & kAppend) crt_flags |= _O_APPEND;
  DWORD disposition = OPEN_EXISTING;
  if ((flags & kCreate) && (flags & kTruncate)) {
    disposition = CREATE_ALWAYS;
  } else if (flags & kCreate) {
    disposition = OPEN_ALWAYS;
  } else if (flags & kTruncate) {
    disposition = TRUNCATE_EXISTING;
  }
  // Exclusive: the "deny all" sharing mode, so that no other open succeeds while it is held.
  DWORD share = exclusive ? 0 : kShareAll;
  return descriptor_for(open_handle(wide, access, share, disposition), crt_flags, call, path);
}

int close_descriptor(int fd) { return ::_close(fd) == 0 ? 0 : fail_with(errno, "close", ""); }

std::FILE* open_stream(const std::string& path, const char* mode) {
  std::string m = mode;
  const char* call = m.find_first_of("wa+") != std::string::npos ? "open-write" : "open-read";
  std::wstring wide;
  if (!prepare(call, path, &wide)) return nullptr;
  if (m.find_first_of("wa") != std::string::npos) note_directory_change(path);
  const bool update = m.find('+') != std::string::npos;
  DWORD access = GENERIC_READ;
  DWORD disposition = OPEN_EXISTING;
  int crt_flags = update ? _O_RDWR : _O_RDONLY;
  std::string stream_mode = "r";
  if (m[0] == 'w' || m[0] == 'a') {
    access = update ? (GENERIC_READ | GENERIC_WRITE) : GENERIC_WRITE;
    disposition = m[0] == 'w' ? CREATE_ALWAYS : OPEN_ALWAYS;
    crt_flags = update ? _O_RDWR : _O_WRONLY;
    if (m[0] == 'a') crt_flags |= _O_APPEND;
    stream_mode = m.substr(0, 1);
  } else if (update) {
    access = GENERIC_READ | GENERIC_WRITE;
  }
  // Binary always: the files hold the same bytes as on every platform, and every reader takes
  // both line ends.
  stream_mode += update ? "+b" : "b";
  int fd = descriptor_for(open_handle(wide, access, kShareAll, disposition), crt_flags, call, path);
  if (fd < 0) return nullptr;
  std::FILE* f = ::_fdopen(fd, stream_mode.c_str());
  if (f == nullptr) {
    int error = errno;
    ::_close(fd);
    failure(error, call, path);
  }
  return f;
}

std::vector<std::string> list_directory(const std::string& dir) {
  std::vector<std::string> names;
  std::wstring wide = win32::system_path(join(dir, "*"));
  if (wide.empty()) {
    fail_with(ENOENT, "list", dir);
    return names;
  }
  WIN32_FIND_DATAW found;
  HANDLE search = ::FindFirstFileExW(wide.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                     nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) {
    record_failure("list", dir);
    return names;
  }
  do {
    bool lossy = false;
    std::string name = win32::narrow(found.cFileName, &lossy);
    // A name without an ANSI form is listed by its short name (when the volume keeps one).
    if (lossy) name = found.cAlternateFileName[0] != L'\0' ? win32::narrow(found.cAlternateFileName) : "";
    if (!name.empty() && name != "." && name != "..") names.push_back(name);
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

std::string current_directory() {
  DWORD size = ::GetCurrentDirectoryW(0, nullptr);
  if (size == 0) return ".";
  std::vector<wchar_t> buffer(size + 1);
  DWORD length = ::GetCurrentDirectoryW(size + 1, buffer.data());
  if (length == 0 || length > size) return ".";
  std::string dir = win32::program_path(std::wstring(buffer.data(), length));
  if (dir.size() > 3 && dir.back() == '/') dir.pop_back();
  return dir;
}

std::string temp_directory() {
  std::vector<wchar_t> buffer(MAX_PATH + 2);
  DWORD length = ::GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
  if (length == 0 || length >= buffer.size()) return current_directory();
  std::string dir = win32::program_path(std::wstring(buffer.data(), length));
  if (dir.size() > 3 && dir.back() == '/') dir.pop_back();
  return dir;
}

Result sync_file(const std::string& path) {
  std::wstring wide;
  if (int refused = refusal("sync", path, &wide)) return failure(refused, "sync", path);
  DWORD attributes = attributes_of(wide);
  if (attributes == INVALID_FILE_ATTRIBUTES) return system_failure("sync", path);
  // A folder cannot be flushed on Windows; nor can a read-only file be opened to flush it (no
  // write of this program can be pending in it).
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || is_read_only_file(attributes)) {
    return Result{0, "sync", path, ""};
  }
  HANDLE handle = open_handle(wide, GENERIC_WRITE, kShareAll, OPEN_EXISTING);
  if (handle == INVALID_HANDLE_VALUE) return system_failure("sync", path);
  bool ok = ::FlushFileBuffers(handle) != 0;
  DWORD error = ::GetLastError();
  ::CloseHandle(handle);
  if (!ok) return failure(win32::errno_from(error), "sync", path);
  return Result{0, "sync", path, ""};
}

Result sync_directory(const std::string& dir) {
  std::wstring wide;
  if (int refused = refusal("sync", dir, &wide)) return failure(refused, "sync", dir);
  detail::forget_directory_change(dir);
  // Windows writes a folder's entries itself; renames are made with MOVEFILE_WRITE_THROUGH.
  return system_outcome(attributes_of(wide) != INVALID_FILE_ATTRIBUTES, "sync", dir);
}

std::FILE* create_new_stream(const std::string& path, unsigned mode) {
  std::wstring wide;
  if (!prepare("create", path, &wide)) return nullptr;
  note_directory_change(path);
  int fd = descriptor_for(open_handle(wide, GENERIC_WRITE, kShareAll, CREATE_NEW), _O_WRONLY,
                          "create", path);
  if (fd < 0) return nullptr;
  std::FILE* f = ::_fdopen(fd, "wb");
  if (f == nullptr) {
    int error = errno;
    ::_close(fd);
    ::DeleteFileW(wide.c_str());
    failure(error, "create", path);
    return nullptr;
  }
  if ((mode & kOwnerWrite) == 0) set_read_only(wide, true);
  return f;
}

Result set_stream_permissions(std::FILE* /*stream*/, const std::string& path, unsigned mode) {
  return set_permissions(path, mode);
}

Result sync_stream(std::FILE* stream, const std::string& path) {
  std::wstring wide;
  if (int refused = refusal("sync", path, &wide)) return failure(refused, "sync", path);
  if (std::fflush(stream) != 0) return failure(errno, "flush", path);
  HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
  return system_outcome(::FlushFileBuffers(handle) != 0, "sync", path);
}

std::string error_text(int error) {
  char buffer[256];
  if (::strerror_s(buffer, sizeof buffer, error) != 0) return "error " + std::to_string(error);
  return buffer;
}

bool is_out_of_space(int error) { return error == ENOSPC; }

namespace {

// The reparse tag of `path` when it is a symbolic link or a junction; 0 otherwise.
DWORD link_tag(const std::string& path) {
  std::wstring wide = win32::system_path(path);
  if (wide.empty()) return 0;
  DWORD attributes = attributes_of(wide);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return 0;
  }
  WIN32_FIND_DATAW found;
  HANDLE search = ::FindFirstFileExW(wide.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                     nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return 0;
  ::FindClose(search);
  const DWORD tag = found.dwReserved0;
  return tag == IO_REPARSE_TAG_SYMLINK || tag == IO_REPARSE_TAG_MOUNT_POINT ? tag : 0;
}

}  // namespace

bool is_symbolic_link(const std::string& path) { return link_tag(path) != 0; }

// The system follows the whole chain when the link is opened; a link whose target does not exist
// cannot be opened and stays as it is (it is then replaced like a file, not written through).
std::string link_target(const std::string& path) {
  if (!is_symbolic_link(path)) return path;
  std::wstring wide = win32::system_path(path);
  HANDLE handle = open_for_information(wide);
  if (handle == INVALID_HANDLE_VALUE) return path;
  std::vector<wchar_t> buffer(32768);
  DWORD length = ::GetFinalPathNameByHandleW(handle, buffer.data(),
                                             static_cast<DWORD>(buffer.size()), 0);
  ::CloseHandle(handle);
  if (length == 0 || length >= buffer.size()) return path;
  return win32::program_path(std::wstring(buffer.data(), length));
}

namespace {

// The security identifier of the user this process runs as, in `storage`; nullptr when unknown.
PSID current_user_sid(std::vector<unsigned char>& storage) {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return nullptr;
  DWORD size = 0;
  ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  storage.resize(size);
  const bool ok = size != 0 && ::GetTokenInformation(token, TokenUser, storage.data(), size, &size);
  ::CloseHandle(token);
  return ok ? reinterpret_cast<TOKEN_USER*>(storage.data())->User.Sid : nullptr;
}

// The owner of `path` from its security descriptor (freed with LocalFree). False when the path
// does not exist or its volume keeps no owners (FAT): then `*owner` is nullptr.
bool owner_of(const std::string& path, PSID* owner, PSECURITY_DESCRIPTOR* descriptor) {
  *owner = nullptr;
  *descriptor = nullptr;
  std::wstring wide = win32::system_path(path);
  if (wide.empty() || attributes_of(wide) == INVALID_FILE_ATTRIBUTES) return false;
  const DWORD error = ::GetNamedSecurityInfoW(wide.c_str(), SE_FILE_OBJECT,
                                              OWNER_SECURITY_INFORMATION, owner, nullptr, nullptr,
                                              nullptr, descriptor);
  if (error != ERROR_SUCCESS) *owner = nullptr;
  return true;
}

std::string account_name(PSID sid) {
  wchar_t name[256];
  wchar_t domain[256];
  DWORD name_size = 256;
  DWORD domain_size = 256;
  SID_NAME_USE use;
  if (::LookupAccountSidW(nullptr, sid, name, &name_size, domain, &domain_size, &use)) {
    return win32::narrow(name);
  }
  wchar_t* text = nullptr;
  if (!::ConvertSidToStringSidW(sid, &text)) return "unknown";
  std::string result = win32::narrow(text);
  ::LocalFree(text);
  return result;
}

}  // namespace

std::string owner_name(const std::string& path) {
  PSID owner;
  PSECURITY_DESCRIPTOR descriptor;
  if (!owner_of(path, &owner, &descriptor)) return "";
  std::string name = owner != nullptr ? account_name(owner) : current_user_name();
  if (descriptor != nullptr) ::LocalFree(descriptor);
  return name;
}

// A file that belongs to the user or to a group that the user acts as the owner for (a member of
// the administrators owns what it creates through that group) is the user's own. On a volume
// without owners every file counts as the user's own: there is nobody else's file there.
bool owned_by_current_user(const std::string& path) {
  PSID owner;
  PSECURITY_DESCRIPTOR descriptor;
  if (!owner_of(path, &owner, &descriptor)) return false;
  bool owned = owner == nullptr;
  if (!owned) {
    std::vector<unsigned char> storage;
    PSID user = current_user_sid(storage);
    BOOL member = FALSE;
    owned = (user != nullptr && ::EqualSid(owner, user)) ||
            (::CheckTokenMembership(nullptr, owner, &member) && member);
  }
  if (descriptor != nullptr) ::LocalFree(descriptor);
  return owned;
}

std::string current_user_name() {
  wchar_t name[257];
  DWORD size = 257;
  if (!::GetUserNameW(name, &size)) return "unknown";
  return win32::narrow(name);
}

int create_new_descriptor(const std::string& path, unsigned mode) {
  std::wstring wide;
  if (!prepare("create", path, &wide)) return -1;
  note_directory_change(path);
  int fd = descriptor_for(open_handle(wide, GENERIC_WRITE, kShareAll, CREATE_NEW), _O_WRONLY,
                          "create", path);
  if (fd >= 0 && (mode & kOwnerWrite) == 0) set_read_only(wide, true);
  return fd;
}

bool write_descriptor(int fd, const char* data, std::size_t length, const std::string& path) {
  if (check_fault("write", path) != 0) return false;
  std::size_t done = 0;
  while (done < length) {
    constexpr std::size_t kMaxChunk = 1u << 30;
    const unsigned chunk = static_cast<unsigned>(std::min(length - done, kMaxChunk));
    const int n = ::_write(fd, data + done, chunk);
    if (n <= 0) {
      fail_with(n == 0 ? ENOSPC : errno, "write", path);
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

long read_descriptor(int fd, char* buffer, std::size_t size) {
  constexpr std::size_t kMaxChunk = 1u << 30;
  const int n = ::_read(fd, buffer, static_cast<unsigned>(std::min(size, kMaxChunk)));
  return n >= 0 ? static_cast<long>(n) : fail_with(errno, "read", "");
}

}  // namespace kv::fs
