// Reading and writing the fixed character fields of the messaging records. A field of width N
// holds at most N-1 characters and a terminator; a field that comes back from the mail service
// without its terminator is read up to its width and never beyond.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

namespace kv::engine {

inline std::string fixed_text(const char* field, std::size_t width) {
  return std::string(field, strnlen(field, width));
}
template <std::size_t N>
std::string fixed_text(const char (&field)[N]) {
  return fixed_text(field, N);
}

// Copies `text` into the field, cut to N-1 characters, and terminates it.
template <std::size_t N>
void copy_fixed(char (&field)[N], const std::string& text) {
  const std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
  std::memcpy(field, text.data(), n);
  std::memset(field + n, 0, N - n);
}

}  // namespace kv::engine
