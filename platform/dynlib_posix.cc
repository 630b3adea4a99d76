// Run-time library loading on POSIX systems: dlopen / dlsym.
#include "platform/dynlib.h"

#include <dlfcn.h>

namespace kv::dynlib {

void* open(const std::string& path, std::string* error) {
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr && error != nullptr) {
    const char* message = ::dlerror();
    *error = message != nullptr ? message : "cannot load " + path;
  }
  return handle;
}

void* symbol(void* handle, const std::string& name) {
  if (handle == nullptr) return nullptr;
  return ::dlsym(handle, name.c_str());
}

void close(void* handle) {
  if (handle != nullptr) ::dlclose(handle);
}

void* self() {
  static void* handle = ::dlopen(nullptr, RTLD_NOW);
  return handle;
}

}  // namespace kv::dynlib
