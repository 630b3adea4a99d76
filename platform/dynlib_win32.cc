// Run-time library loading on Windows: LoadLibraryExW / GetProcAddress.
#include <windows.h>

#include "platform/dynlib.h"
#include "platform/win32_names.h"

namespace kv::dynlib {

void* open(const std::string& path, std::string* error) {
  std::wstring wide = win32::system_path(path);
  // The libraries a DLL needs are looked for in its own folder first (a JDK's bin\ for jvm.dll).
  HMODULE module =
      wide.empty() ? nullptr : ::LoadLibraryExW(wide.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (module == nullptr && error != nullptr) {
    char message[512] = "";
    DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                    nullptr, ::GetLastError(), 0, message, sizeof message, nullptr);
    std::string text(message, length);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    *error = text.empty() ? "cannot load " + path : text;
  }
  return module;
}

void* symbol(void* handle, const std::string& name) {
  if (handle == nullptr) return nullptr;
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle), name.c_str()));
}

void close(void* handle) {
  if (handle != nullptr) ::FreeLibrary(static_cast<HMODULE>(handle));
}

void* self() { return ::GetModuleHandleW(nullptr); }

}  // namespace kv::dynlib
