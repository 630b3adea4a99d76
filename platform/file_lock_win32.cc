// Locked run files on Windows: CREATE_NEW creation, LockFileEx, flushed appends. The lock covers
// one byte far beyond any content, so that it keeps other runs from taking the file without
// keeping anybody from reading what it holds; the system releases it when the process ends.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>

#include "platform/file_lock.h"
#include "platform/fs.h"
#include "platform/fs_internal.h"
#include "platform/win32_names.h"

namespace kv::fs {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kLockOffsetHigh = 0x7fffffff;

HANDLE handle_of(int fd) { return reinterpret_cast<HANDLE>(::_get_osfhandle(fd)); }

// The failure of `call` on `path` as the system's last error.
Result system_failure(const char* call, const std::string& path, const std::string& second = "") {
  return detail::failure(win32::errno_from(::GetLastError()), call, path, second);
}

int open_read_write(const std::string& path, DWORD disposition, const char* call) {
  std::wstring wide = win32::system_path(path);
  if (wide.empty()) return detail::fail_with(ENOENT, call, path);
  HANDLE handle = ::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                                disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    system_failure(call, path);
    return -1;
  }
  int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR | _O_BINARY);
  if (fd < 0) {
    ::CloseHandle(handle);
    return detail::fail_with(EMFILE, call, path);
  }
  return fd;
}

bool information_of(HANDLE handle, BY_HANDLE_FILE_INFORMATION* info) {
  return handle != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(handle, info) != 0;
}

bool information_of(const std::string& path, BY_HANDLE_FILE_INFORMATION* info) {
  std::wstring wide = win32::system_path(path);
  if (wide.empty()) return false;
  HANDLE handle = ::CreateFileW(wide.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  bool ok = information_of(handle, info);
  if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
  return ok;
}

OVERLAPPED at_offset(unsigned long long offset) {
  OVERLAPPED place{};
  place.Offset = static_cast<DWORD>(offset);
  place.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return place;
}

// The "sync" of the file at `path` open as `handle`.
Result flushed(HANDLE handle, const std::string& path) {
  if (int injected = check_fault("sync", path)) return detail::failure(injected, "sync", path);
  if (!::FlushFileBuffers(handle)) return system_failure("sync", path);
  return Result{0, "sync", path, ""};
}

std::string hex(unsigned long long value) {
  char text[32];
  std::snprintf(text, sizeof text, "%llx", value);
  return text;
}

}  // namespace

int create_new_file(const std::string& path, unsigned /*mode*/) {
  if (check_fault("create", path) != 0) return -1;
  note_directory_change(path);
  return open_read_write(path, CREATE_NEW, "create");
}

int open_existing_file(const std::string& path) {
  if (check_fault("open-write", path) != 0) return -1;
  return open_read_write(path, OPEN_EXISTING, "open-write");
}

bool try_lock_exclusive(int fd) {
  OVERLAPPED place{};
  place.OffsetHigh = kLockOffsetHigh;
  return ::LockFileEx(handle_of(fd), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                      &place) != 0;
}

bool names_open_file(int fd, const std::string& path) {
  BY_HANDLE_FILE_INFORMATION open_file, named;
  if (detail::lookup_refused(path)) return false;
  if (!information_of(handle_of(fd), &open_file) || !information_of(path, &named)) return false;
  return open_file.dwVolumeSerialNumber == named.dwVolumeSerialNumber &&
         open_file.nFileIndexHigh == named.nFileIndexHigh &&
         open_file.nFileIndexLow == named.nFileIndexLow;
}

Result link_file(const std::string& from, const std::string& to) {
  if (int injected = check_fault("link", to)) return detail::failure(injected, "link", from, to);
  note_directory_change(to);
  std::wstring wide_from = win32::system_path(from);
  std::wstring wide_to = win32::system_path(to);
  if (wide_from.empty() || wide_to.empty()) return detail::failure(ENOENT, "link", from, to);
  if (::CreateHardLinkW(wide_to.c_str(), wide_from.c_str(), nullptr)) {
    return Result{0, "link", from, to};
  }
  DWORD error = ::GetLastError();
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {
    return detail::failure(win32::errno_from(error), "link", from, to);
  }
  // A volume without hard links (FAT): the file takes the new name instead, which fails as well
  // when that name exists.
  if (::MoveFileExW(wide_from.c_str(), wide_to.c_str(), MOVEFILE_WRITE_THROUGH)) {
    return Result{0, "link", from, to};
  }
  return system_failure("link", from, to);
}

std::string file_identity(const std::string& path) {
  BY_HANDLE_FILE_INFORMATION info;
  if (detail::lookup_refused(path)) return "";
  if (!information_of(path, &info)) return "";
  unsigned long long index =
      (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return hex(info.dwVolumeSerialNumber) + ":" + hex(index);
}

std::string file_fingerprint(const std::string& path) {
  BY_HANDLE_FILE_INFORMATION info;
  if (detail::lookup_refused(path)) return "";
  if (!information_of(path, &info)) return "";
  unsigned long long size =
      (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  unsigned long long written = (static_cast<unsigned long long>(info.ftLastWriteTime.dwHighDateTime)
                                << 32) |
                               info.ftLastWriteTime.dwLowDateTime;
  return file_identity(path) + ":" + std::to_string(size) + ":" + std::to_string(written);
}

bool read_whole(int fd, std::string& text) {
  text.clear();
  HANDLE handle = handle_of(fd);
  char buffer[4096];
  for (;;) {
    OVERLAPPED place = at_offset(text.size());
    DWORD got = 0;
    if (!::ReadFile(handle, buffer, sizeof buffer, &got, &place)) {
      return ::GetLastError() == ERROR_HANDLE_EOF;
    }
    if (got == 0) return true;
    text.append(buffer, got);
  }
}

Result append_synced(int fd, const std::string& text, const std::string& path) {
  if (int injected = check_fault("write", path)) return detail::failure(injected, "write", path);
  HANDLE handle = handle_of(fd);
  LARGE_INTEGER end;
  if (!::GetFileSizeEx(handle, &end)) return system_failure("write", path);
  std::size_t done = 0;
  while (done < text.size()) {
    OVERLAPPED place = at_offset(static_cast<unsigned long long>(end.QuadPart) + done);
    DWORD wrote = 0;
    if (!::WriteFile(handle, text.data() + done, static_cast<DWORD>(text.size() - done), &wrote,
                     &place)) {
      return system_failure("write", path);
    }
    if (wrote == 0) return detail::failure(ENOSPC, "write", path);
    done += wrote;
  }
  return flushed(handle, path);
}

Result truncate_synced(int fd, const std::string& path) {
  if (int injected = check_fault("truncate", path)) {
    return detail::failure(injected, "truncate", path);
  }
  HANDLE handle = handle_of(fd);
  LARGE_INTEGER start{};
  if (!::SetFilePointerEx(handle, start, nullptr, FILE_BEGIN) || !::SetEndOfFile(handle)) {
    return system_failure("truncate", path);
  }
  return flushed(handle, path);
}

}  // namespace kv::fs
