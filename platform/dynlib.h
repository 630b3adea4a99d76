// Loading a shared library at run time and finding its entry points.
#pragma once

#include <string>

namespace kv::dynlib {

// Returns a handle or nullptr; `error` receives the loader's message.
void* open(const std::string& path, std::string* error);
void* symbol(void* handle, const std::string& name);
void close(void* handle);
// Handle of the running program itself (to find its exported functions).
void* self();

}  // namespace kv::dynlib
