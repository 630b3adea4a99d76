// Names between the program's ANSI, "/"-separated form and the wide API's form.
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cwchar>
#include <vector>

#include "platform/win32_names.h"

namespace kv::win32 {
namespace {

// Paths from this length on need the "\\?\" form (a directory leaves room for an 8.3 name).
constexpr std::size_t kLongPath = 248;

bool is_separator(char c) { return c == '/' || c == '\\'; }

std::string upper_ascii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// A component that Windows takes for a device wherever it stands: the name before the first
// full stop, trailing blanks ignored.
bool is_device_name(const std::string& component) {
  std::string base = upper_ascii(component.substr(0, component.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" ||
      base == "CONOUT$") {
    return true;
  }
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         base[3] >= '1' && base[3] <= '9';
}

// Device names and stream names (a colon after the drive) never reach the file system.
bool names_a_file(const std::string& path) {
  std::string::size_type start = 0;
  if (path.size() >= 2 && path[1] == ':') start = 2;
  if (path.find(':', start) != std::string::npos) return false;
  std::string component;
  for (std::string::size_type i = start; i <= path.size(); ++i) {
    if (i == path.size() || is_separator(path[i])) {
      if (is_device_name(component)) return false;
      component.clear();
    } else {
      component += path[i];
    }
  }
  return true;
}

bool starts_with(const std::wstring& text, const wchar_t* prefix) {
  return text.compare(0, std::wcslen(prefix), prefix) == 0;
}

}  // namespace

std::wstring widen(const std::string& text) {
  if (text.empty()) return std::wstring();
  int size = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(),
                                   static_cast<int>(text.size()), nullptr, 0);
  if (size <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                        wide.data(), size);
  return wide;
}

std::string narrow(const std::wstring& text, bool* lossy) {
  if (lossy != nullptr) *lossy = false;
  if (text.empty()) return std::string();
  BOOL defaulted = FALSE;
  int size = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, &defaulted);
  if (size <= 0) {
    if (lossy != nullptr) *lossy = true;
    return std::string();
  }
  std::string result(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result.data(), size,
                        nullptr, &defaulted);
  if (lossy != nullptr) *lossy = defaulted != FALSE;
  return result;
}

std::wstring system_path(const std::string& path) {
  if (path.empty() || !names_a_file(path)) return std::wstring();
  std::wstring wide = widen(path);
  if (wide.empty()) return std::wstring();
  std::replace(wide.begin(), wide.end(), L'/', L'\\');
  DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return std::wstring();
  std::vector<wchar_t> full(size + 1);
  DWORD length = ::GetFullPathNameW(wide.c_str(), size + 1, full.data(), nullptr);
  if (length == 0 || length > size) return std::wstring();
  std::wstring result(full.data(), length);
  if (starts_with(result, L"\\\\.\\") || starts_with(result, L"\\\\?\\")) return std::wstring();
  if (result.size() < kLongPath) return result;
  if (starts_with(result, L"\\\\")) return L"\\\\?\\UNC\\" + result.substr(2);
  return L"\\\\?\\" + result;
}

std::string program_path(const std::wstring& path) {
  std::wstring plain = path;
  if (starts_with(plain, L"\\\\?\\UNC\\")) {
    plain = L"\\\\" + plain.substr(8);
  } else if (starts_with(plain, L"\\\\?\\")) {
    plain = plain.substr(4);
  }
  bool lossy = false;
  std::string result = narrow(plain, &lossy);
  if (lossy) {
    std::vector<wchar_t> short_name(32768);
    DWORD length = ::GetShortPathNameW(path.c_str(), short_name.data(),
                                       static_cast<DWORD>(short_name.size()));
    if (length > 0 && length < short_name.size()) {
      result = program_path(std::wstring(short_name.data(), length));
    }
  }
  std::replace(result.begin(), result.end(), '\\', '/');
  return result;
}

std::string command_line(const std::string& program, const std::vector<std::string>& args) {
  auto quoted = [](const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
    std::string result = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
      if (c == '\\') {
        ++backslashes;
        continue;
      }
      if (c == '"') backslashes = backslashes * 2 + 1;
      result.append(backslashes, '\\');
      backslashes = 0;
      result += c;
    }
    return result + std::string(backslashes * 2, '\\') + "\"";
  };
  std::string line = quoted(program);
  for (const std::string& argument : args) line += " " + quoted(argument);
  return line;
}

int errno_from(unsigned long error) {
  switch (error) {
    case ERROR_SUCCESS: return 0;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case ERROR_CURRENT_DIRECTORY:
      return EACCES;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_NOT_SAME_DEVICE: return EXDEV;
    case ERROR_DIR_NOT_EMPTY: return ENOTEMPTY;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_INVALID_PARAMETER:
    case ERROR_INVALID_HANDLE:
      return EINVAL;
    default: return EIO;
  }
}

}  // namespace kv::win32
